#pragma once
// Win32 path and name rules shared by every file services implementation that is not Windows itself:
// which names a file or stream may carry, and how a full path with an optional stream suffix is read.

#include "platform/WinTypes.h"

#include <string>
#include <vector>

namespace plat {

bool isValidLongName(const std::wstring& name);
bool isValidStreamName(const std::wstring& name);

// Whether a name is one Windows turns into a device when a plain path ends in it: CON, PRN, AUX,
// NUL, COM1-COM9 and LPT1-LPT9, also with the superscript digits (COM\u00B9, LPT\u00B3), in any
// case, with any extension or stream ("nul.txt", "aux.c", "con:s") and spaces before it.
bool isDosDeviceName(const std::wstring& name);

// A full Win32 path: drive, components and an optional stream suffix.
struct TWinPath {
    DWORD error = 0;   // ERROR_INVALID_NAME or ERROR_PATH_NOT_FOUND when the text is not a usable path
    wchar_t drive = 0; // upper case
    std::vector<std::wstring> parts;
    bool trailingSlash = false; // "C:\dir\" (never set for the root itself)
    bool hasStream = false;
    std::wstring stream; // the stream name; empty with hasStream for "::$DATA", the main data
};

// Parses like the Win32 layer: '/' as '\', "." and ".." resolved, trailing dots and spaces of each
// component dropped (not after a "\\?\" prefix). Paths of any length are accepted, as the program's
// Windows services accept them. Relative, drive-relative and UNC paths give ERROR_PATH_NOT_FOUND.
TWinPath parseWinPath(const wchar_t* text);
std::wstring winPathText(const TWinPath& path);

} // namespace plat
