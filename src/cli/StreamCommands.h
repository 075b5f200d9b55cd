#pragma once
// `ombrolux cat` and `ombrolux save`: one stream's bytes to standard output, or streams saved into a
// folder as the window saves them.
//
// A stream is named as `scan` prints it, its source followed by its full path, so that a printed
// record can be pasted: "evidence.dd\dir\file:stream" for a bare volume, "disk.img [2]\dir\file:stream"
// for partition 2 of a disk, and on Windows a live path "C:\dir\file:stream".

#include "cli/Ombrolux.h"

#include <string>
#include <vector>

namespace cli {

int runCat(const std::string& streamPath, const TConsole& console);
int runSave(const std::vector<std::string>& streamPaths, const std::string& folder, const TConsole& console);

} // namespace cli
