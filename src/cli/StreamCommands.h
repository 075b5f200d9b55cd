#pragma once
// `ombrolux cat`, `ombrolux save` and `ombrolux delete`: one stream's bytes to standard output,
// streams saved into a folder as the window saves them, or streams of a live volume deleted as the
// window deletes them.
//
// A stream is named as `scan` prints it, its source followed by its full path, so that a printed
// record can be pasted: "evidence.dd\dir\file:stream" for a bare volume, "disk.img [2]\dir\file:stream"
// for partition 2 of a disk, and on Windows a live path "C:\dir\file:stream". A stream of an image is
// also named by its file's MFT reference, whatever the names hold: "evidence.dd#72-1:stream" (entry
// 72, sequence number 1; "evidence.dd#72-1" alone is the file's main data), or as The Sleuth Kit
// names it, "evidence.dd#72-128-3" (the $DATA attribute with id 3 of entry 72).

#include "cli/Ombrolux.h"

#include <string>
#include <vector>

namespace cli {

// split (cat and save): the paths' image is the first of segments named xaa, xab, … as split names them.
int runCat(const std::string& streamPath, bool split, const TConsole& console);
// Where a save's manifest goes: a new file (never one that exists), and with jsonl standard output
// too, in place of the saved files' names.
struct TSaveManifest {
    std::string file;
    bool jsonl = false;
};
int runSave(const std::vector<std::string>& streamPaths, const std::string& folder,
            const TSaveManifest& manifest, bool split, const TConsole& console);
// Deletes after one question on the terminal, or at once with yes. Images, devices, a file's main
// stream, a name Windows cannot open (escaped) and (on Linux, where nothing live is written) every path
// are refused, each with its reason.
int runDelete(const std::vector<std::string>& streamPaths, bool yes, const TConsole& console);

} // namespace cli
