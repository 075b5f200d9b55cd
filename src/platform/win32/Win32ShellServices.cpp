#include "platform/win32/Win32ShellServices.h"

#include <windows.h>
#include <shellapi.h>
#include <winver.h>

#include <climits>
#include <cstring>

namespace plat {

namespace {

::SYSTEMTIME toWindows(const SYSTEMTIME& time) {
    ::SYSTEMTIME converted{};
    converted.wYear = time.wYear;
    converted.wMonth = time.wMonth;
    converted.wDayOfWeek = time.wDayOfWeek;
    converted.wDay = time.wDay;
    converted.wHour = time.wHour;
    converted.wMinute = time.wMinute;
    converted.wSecond = time.wSecond;
    converted.wMilliseconds = time.wMilliseconds;
    return converted;
}

// Calls a GetXxxFormatW-style function twice: once for the length, once for the text.
template <typename Format> std::wstring formatted(Format format) {
    const int length = format(nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    const int written = format(text.data(), length);
    text.resize(written > 0 ? static_cast<std::size_t>(written - 1) : 0);
    return text;
}

} // namespace

std::wstring TWin32ShellServices::decimalSeparator() {
    return formatted([](wchar_t* buffer, int size) {
        return ::GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, size);
    });
}

std::wstring TWin32ShellServices::formatShortDate(const SYSTEMTIME& time) {
    const ::SYSTEMTIME converted = toWindows(time);
    return formatted([&](wchar_t* buffer, int size) {
        return ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &converted, nullptr, buffer, size);
    });
}

std::wstring TWin32ShellServices::formatLongTime(const SYSTEMTIME& time) {
    const ::SYSTEMTIME converted = toWindows(time);
    return formatted([&](wchar_t* buffer, int size) {
        return ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &converted, nullptr, buffer, size);
    });
}

std::wstring TWin32ShellServices::ansiToWide(const BYTE* bytes, std::size_t count) {
    if (count == 0 || count > INT_MAX) {
        return {};
    }
    const char* text = reinterpret_cast<const char*>(bytes);
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(count), nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    const int written = ::MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(count), wide.data(), length);
    wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return wide;
}

std::uintptr_t TWin32ShellServices::SHGetFileInfoW(const wchar_t* path, DWORD attributes, SHFILEINFOW* info,
                                                   UINT infoSize, UINT flags) {
    if (info == nullptr || infoSize < sizeof(SHFILEINFOW)) {
        return 0;
    }
    ::SHFILEINFOW native{};
    const DWORD_PTR result = ::SHGetFileInfoW(path, attributes, &native, sizeof(native), flags);
    info->hIcon = native.hIcon;
    info->iIcon = native.iIcon;
    info->dwAttributes = native.dwAttributes;
    std::memcpy(info->szDisplayName, native.szDisplayName, sizeof(info->szDisplayName));
    std::memcpy(info->szTypeName, native.szTypeName, sizeof(info->szTypeName));
    return static_cast<std::uintptr_t>(result);
}

DWORD TWin32ShellServices::GetFileVersionInfoSizeW(const wchar_t* file, DWORD* handle) {
    return ::GetFileVersionInfoSizeW(file, handle);
}

BOOL TWin32ShellServices::GetFileVersionInfoW(const wchar_t* file, DWORD handle, DWORD size, void* data) {
    return ::GetFileVersionInfoW(file, handle, size, data);
}

BOOL TWin32ShellServices::VerQueryValueW(const void* block, const wchar_t* subBlock, void** buffer,
                                         UINT* length) {
    return ::VerQueryValueW(block, subBlock, buffer, length);
}

DWORD TWin32ShellServices::GetModuleFileNameW(wchar_t* buffer, DWORD size) {
    return ::GetModuleFileNameW(nullptr, buffer, size);
}

std::vector<BYTE> TWin32ShellServices::loadResource(const wchar_t* type, const wchar_t* name, bool* found) {
    // Resources of the program's own file need no release: they live as long as the module.
    const HMODULE module = ::GetModuleHandleW(nullptr);
    const HRSRC resource = ::FindResourceW(module, name, type);
    const HGLOBAL loaded = resource != nullptr ? ::LoadResource(module, resource) : nullptr;
    const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    if (found != nullptr) {
        *found = data != nullptr;
    }
    if (data == nullptr) {
        return {};
    }
    const BYTE* bytes = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(bytes, bytes + ::SizeofResource(module, resource));
}

} // namespace plat
