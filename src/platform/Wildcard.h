#pragma once
// The wildcard rules of the Windows directory search ('*', '?', '.' and "*.*"), shared by the file
// services implementations that answer FindFirstFileW themselves.

#include <string>

namespace plat {

// Whether the name matches the FindFirstFileW mask. Characters compare exactly: the caller gives both
// in upper case, made with its file system's own upper-case table.
bool matchesUpperMask(const std::wstring& upperMask, const std::wstring& upperName);
// Whether the mask takes every name ("*" and "*.*"), so that no name needs matching.
bool matchesEveryName(const std::wstring& upperMask);

} // namespace plat
