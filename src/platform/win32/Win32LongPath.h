#pragma once
// Windows refuses plain paths of MAX_PATH characters or more (folders already at 248). The long-path
// form ("\\?\C:\..." or "\\?\UNC\server\share\...") has no such limit but skips the usual clean-up
// of the path, so a long path is first made full and clean, then prefixed. Short paths pass
// unchanged, so everyday behaviour stays exactly that of the plain functions.

#include <string>

namespace plat::win32 {

// Plain paths of at least this many characters are handed to Windows in the long-path form.
constexpr std::size_t kLongPathThreshold = 248;

// The form of path to hand to a Windows function. Null stays null (the caller passes it on as is).
std::wstring systemPath(const wchar_t* path);

} // namespace plat::win32
