#pragma once
// Keeps the console tool from writing over what it reads: a report or a saved stream is never written
// to a file that is one of the disk images or devices being read, whatever name leads to it (the same
// path, a symbolic link, a hard link, a relative path), nor, on Linux, into a folder of a file system
// that lives on a block device being read. Files are compared as the system knows them: by device and
// inode on Linux, by volume serial number and file index on Windows. A disk image in segments (split
// raw, E01, a VMDK's extents, a differencing VHD's parent) is every file it is read from.

#include "cli/Ombrolux.h"

#include <filesystem>
#include <string>
#include <vector>

namespace cli {

// Why writing at `written` (a file, or with isFolder a folder that files are written into) would write
// over one of the sources (targets as the user named them; split: an image in segments is named as split
// names them); empty when it would not.
std::string writesOverSource(const std::filesystem::path& written, bool isFolder,
                             const std::vector<std::string>& sources, bool split, const TConsole& console);

} // namespace cli
