#pragma once
// A volume's whole listing as text, the same on every platform, so that the listing of a volume read
// one way can be compared line by line with the same volume read another way.

#include "platform/FileServices.h"

#include <string>

namespace rawvolume {

// One line per folder ("path\ folder"), per main data and per named stream ("path[:stream] size hash",
// the hash FNV-1a 64 of the bytes read, or "unreadable" and the error), in path order, fields apart by
// tabs. Paths are below the drive's root; characters outside printable ASCII are given as \uXXXX
// (UTF-16 units).
std::string volumeListing(plat::TFileServices& services, wchar_t letter);

} // namespace rawvolume
