#pragma once
// Win32 path and name rules shared by every file services implementation that is not Windows itself:
// which names a file or stream may carry, and how a full path with an optional stream suffix is read.

#include "platform/WinTypes.h"

#include <optional>
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
    bool device = false; // a plain path ending in a device name ("C:\dir\nul.txt"): it names the device
};

// Parses like the Win32 layer. A plain path is cleaned up as Windows does: '/' read as '\', "." and
// ".." resolved, one trailing dot dropped from each folder name, every trailing dot and space from
// the last name, and a last name that is a device name (isDosDeviceName) names the device. After a
// "\\?\" prefix the names stand as written ("C:\dir.\report." reaches "report." in "dir.").
// Paths of any length are accepted, as the program's Windows services accept them. Relative,
// drive-relative and UNC paths give ERROR_PATH_NOT_FOUND.
TWinPath parseWinPath(const wchar_t* text);
// As parseWinPath, for a path whose names are written as listings show them (ShownName.h): each name
// and the stream's stand for the names they escape, whatever characters those hold.
TWinPath parseShownPath(const wchar_t* text);
std::wstring winPathText(const TWinPath& path);

// Whether a path is in the "\\?\" form, whose names Windows takes as written.
bool isVerbatimPath(const std::wstring& path);

// The last name of a plain path as Windows cleans it up: every trailing dot and space dropped
// ("report. " is "report"); "." and ".." stay for the path to resolve.
std::wstring cleanedLastName(const std::wstring& name);

// The mask of a directory search for the pattern it ends ("C:\dir\*.txt"), as the file system gets
// it: after a plain path, a mask without wildcards is cleaned up like any last name, and is empty
// (finds nothing) when it names a device ("nul.txt"); after "\\?\" it stands as written.
std::wstring searchMask(const std::wstring& pattern);

// The form of a full path that Windows takes as it stands, without the clean-up of plain paths:
// "C:\dir\report." becomes "\\?\C:\dir\report." (reaching "report.", where the plain form reaches
// "report"), "\\server\share\x" becomes "\\?\UNC\server\share\x". Nothing is resolved, so the
// path must be clean (isCleanFullPath). Any other path (already prefixed, a device path such as
// "\\.\C:", a relative one) comes back unchanged.
std::wstring exactPath(const std::wstring& path);

// Whether a path is full ("C:\..." or "\\server\share\...") and clean: no "/", no "." or ".." names,
// no empty name between two backslashes. The paths the program builds from a directory listing are;
// a path from elsewhere is checked before exactPath takes it as it stands.
bool isCleanFullPath(const std::wstring& path);

} // namespace plat
