#include "platform/win32/Win32LongPath.h"

#include "platform/WinPath.h"

#include <windows.h>

#include <cwchar>

namespace plat::win32 {

namespace {

bool startsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

// The full, cleaned form of a path ("." and ".." resolved, "/" made "\"); the path itself when
// Windows cannot make one.
std::wstring fullPath(const std::wstring& path) {
    std::wstring full(path.size() + 64, L'\0');
    for (int attempt = 0; attempt < 3; ++attempt) {
        DWORD length =
            ::GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) {
            return path;
        }
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length); // too small: length is the size needed, terminator included
    }
    return path;
}

} // namespace

std::wstring systemPath(const wchar_t* path) {
    if (path == nullptr) {
        return {};
    }
    std::wstring plain(path);
    // Already in a prefixed form ("\\?\", "\\.\", "\??\"), or short enough for the plain form.
    if (plain.size() < kLongPathThreshold || startsWith(plain, L"\\\\?\\") || startsWith(plain, L"\\\\.\\") ||
        startsWith(plain, L"\\??\\")) {
        return plain;
    }
    return exactPath(fullPath(plain));
}

} // namespace plat::win32
