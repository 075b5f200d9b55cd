#pragma once
// What the console tool says when a path cannot be used: what was missing, named as the user wrote
// it, rather than the bare reason a file system call gives.

#include "platform/FileServices.h"

#include <string>

namespace cli {

// Why the path could not be opened, after the installed services refused it with code. opened is the
// path as those services take it, shown the same path as the user wrote it: both end in the same
// names. A missing stream, file or folder is named ("no stream "x" in img\dir\file"); any other
// failure gives its reason.
std::string openFailure(plat::TFileServices& fs, const std::wstring& opened, const std::string& shown,
                        plat::DWORD code);

} // namespace cli
