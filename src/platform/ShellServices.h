#pragma once
// Shell, locale, version-information, resource and process services, shaped like the Windows
// functions of the same names. Installed once at start-up like the file services; tests install
// a double whose answers they set.

#include "platform/WinTypes.h"

#include <string>
#include <vector>

namespace plat {

constexpr UINT SHGFI_SYSICONINDEX = 0x4000;
constexpr UINT SHGFI_USEFILEATTRIBUTES = 0x10;

struct SHFILEINFOW {
    void* hIcon;
    int iIcon;
    DWORD dwAttributes;
    wchar_t szDisplayName[MAX_PATH];
    wchar_t szTypeName[80];
};

struct VS_FIXEDFILEINFO {
    DWORD dwSignature;
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};

class TShellServices {
public:
    virtual ~TShellServices() = default;

    // The user's regional settings.
    virtual std::wstring decimalSeparator() = 0;
    virtual std::wstring formatShortDate(const SYSTEMTIME& time) = 0;
    virtual std::wstring formatLongTime(const SYSTEMTIME& time) = 0;
    // Bytes in the system's ANSI code page to text; zero bytes become zero characters.
    virtual std::wstring ansiToWide(const BYTE* bytes, std::size_t count) = 0;

    // Shell icons.
    virtual std::uintptr_t SHGetFileInfoW(const wchar_t* path, DWORD attributes, SHFILEINFOW* info,
                                          UINT infoSize, UINT flags) = 0;

    // Version information of an executable.
    virtual DWORD GetFileVersionInfoSizeW(const wchar_t* file, DWORD* handle) = 0;
    virtual BOOL GetFileVersionInfoW(const wchar_t* file, DWORD handle, DWORD size, void* data) = 0;
    virtual BOOL VerQueryValueW(const void* block, const wchar_t* subBlock, void** buffer, UINT* length) = 0;

    // The program's own file and resources. A resource that is missing gives found = false.
    virtual DWORD GetModuleFileNameW(wchar_t* buffer, DWORD size) = 0;
    virtual std::vector<BYTE> loadResource(const wchar_t* type, const wchar_t* name, bool* found) = 0;
};

TShellServices& shell();
void installShellServices(TShellServices* services);

} // namespace plat
