#pragma once
// How a name NTFS holds is written where Win32 paths cannot hold it. NTFS takes any UTF-16 unit in a
// name but "/" and NUL (and even those on a damaged volume), where a Win32 path refuses control
// characters and < > : " / \ | ? *. Such a character is written as "|" and its two hex digits, in
// upper case: "a?b" is shown "a|3Fb", "Zone.Identifier:x" "Zone.Identifier|3Ax", a line break "|0A".
// "|" is one of the characters Win32 refuses, so no other name changes, and it is escaped itself
// ("|7C"): every shown name reads back as exactly one name. A name that is only "." or ".." (which a
// path would resolve) has its dots written "|2E".
//
// The NTFS file services list names in this form and take it in paths; the scan, the window's rows,
// the console tool and the export carry it unchanged, so a path shown anywhere reads back the file.

#include <optional>
#include <string>
#include <string_view>

namespace plat {

constexpr wchar_t kNameEscape = L'|';

// The name as paths and listings show it.
std::wstring shownName(std::wstring_view name);

// The name a shown name stands for; nothing when it is not one shownName gives (a "|" without two
// upper-case hex digits of an escaped character after it).
std::optional<std::wstring> trueName(std::wstring_view shown);

// Whether a path holds a name written with the escape: such a path names a file Windows itself cannot
// open, so only the NTFS engine reads it.
bool holdsEscapedName(std::wstring_view path);

} // namespace plat
