#pragma once
// `ombrolux info IMAGE`: what an image holds before it is scanned. Its container (format, the files
// read, the disk's size, the acquisition notes an E01 keeps: case number, examiner, dates, hashes),
// its partition table, and each partition with whether it holds an NTFS volume that opens, as text for
// people or as one JSON object.

#include "cli/Ombrolux.h"

#include <string>

namespace cli {

// format: "text" or "json". split: the image is the first of segments named xaa, xab, … as split names
// them.
int runInfo(const std::string& target, const std::string& format, bool split, const TConsole& console);

} // namespace cli
