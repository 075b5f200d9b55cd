#pragma once
// The shell services over the real Windows functions: the user's regional settings, shell icons,
// version information, and the program's own file name and resources.

#include "platform/ShellServices.h"

namespace plat {

class TWin32ShellServices final : public TShellServices {
public:
    std::wstring decimalSeparator() override;
    std::wstring formatShortDate(const SYSTEMTIME& time) override;
    std::wstring formatLongTime(const SYSTEMTIME& time) override;
    std::wstring ansiToWide(const BYTE* bytes, std::size_t count) override;
    std::uintptr_t SHGetFileInfoW(const wchar_t* path, DWORD attributes, SHFILEINFOW* info, UINT infoSize,
                                  UINT flags) override;
    DWORD GetFileVersionInfoSizeW(const wchar_t* file, DWORD* handle) override;
    BOOL GetFileVersionInfoW(const wchar_t* file, DWORD handle, DWORD size, void* data) override;
    BOOL VerQueryValueW(const void* block, const wchar_t* subBlock, void** buffer, UINT* length) override;
    DWORD GetModuleFileNameW(wchar_t* buffer, DWORD size) override;
    std::vector<BYTE> loadResource(const wchar_t* type, const wchar_t* name, bool* found) override;
};

} // namespace plat
