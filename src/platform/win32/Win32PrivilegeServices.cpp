#include "platform/win32/Win32PrivilegeServices.h"

#include <windows.h>
#include <shellapi.h>

#include <cstring>

namespace plat {

TWin32PrivilegeServices::TWin32PrivilegeServices() {
    // The version the platform reports to this process, read once as the program starts.
    ::OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof(version);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    FVersionRead = ::GetVersionExW(&version);
#pragma GCC diagnostic pop
    if (FVersionRead) {
        FVersion.dwMajorVersion = version.dwMajorVersion;
        FVersion.dwMinorVersion = version.dwMinorVersion;
        FVersion.dwBuildNumber = version.dwBuildNumber;
        FVersion.dwPlatformId = version.dwPlatformId;
        static_assert(sizeof(FVersion.szCSDVersion) == sizeof(version.szCSDVersion));
        std::memcpy(FVersion.szCSDVersion, version.szCSDVersion, sizeof(version.szCSDVersion));
    }

    // Looked up at run time: the function is missing on the oldest systems.
    HMODULE advapi = ::LoadLibraryW(L"advapi32.dll");
    FAdvapi = advapi;
    if (advapi != nullptr) {
        // Through the generic function pointer, the documented way between function pointer types.
        FCheckTokenMembership = reinterpret_cast<TCheckTokenMembership>(
            reinterpret_cast<void (*)()>(::GetProcAddress(advapi, "CheckTokenMembership")));
    }
}

TWin32PrivilegeServices::~TWin32PrivilegeServices() {
    if (FAdvapi != nullptr) {
        ::FreeLibrary(static_cast<HMODULE>(FAdvapi));
    }
}

BOOL TWin32PrivilegeServices::GetVersionExW(OSVERSIONINFOW* info) {
    if (!FVersionRead || info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW)) {
        return FALSE;
    }
    *info = FVersion;
    info->dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    return TRUE;
}

BOOL TWin32PrivilegeServices::AllocateAndInitializeSid(const SID_IDENTIFIER_AUTHORITY* authority,
                                                       BYTE subAuthorityCount, DWORD subAuthority0,
                                                       DWORD subAuthority1, DWORD subAuthority2,
                                                       DWORD subAuthority3, DWORD subAuthority4,
                                                       DWORD subAuthority5, DWORD subAuthority6,
                                                       DWORD subAuthority7, PSID* sid) {
    if (authority == nullptr) {
        return FALSE;
    }
    ::SID_IDENTIFIER_AUTHORITY real{};
    std::memcpy(real.Value, authority->Value, sizeof(real.Value));
    return ::AllocateAndInitializeSid(&real, subAuthorityCount, subAuthority0, subAuthority1, subAuthority2,
                                      subAuthority3, subAuthority4, subAuthority5, subAuthority6,
                                      subAuthority7, sid);
}

BOOL TWin32PrivilegeServices::CheckTokenMembership(HANDLE token, PSID sid, BOOL* isMember) {
    if (FCheckTokenMembership == nullptr) {
        return FALSE;
    }
    return FCheckTokenMembership(token, sid, isMember);
}

void* TWin32PrivilegeServices::FreeSid(PSID sid) {
    return ::FreeSid(sid);
}

std::intptr_t TWin32PrivilegeServices::ShellExecuteW(void* window, const wchar_t* verb, const wchar_t* file,
                                                     const wchar_t* parameters, const wchar_t* directory,
                                                     int showCommand) {
    HINSTANCE result =
        ::ShellExecuteW(static_cast<HWND>(window), verb, file, parameters, directory, showCommand);
    return reinterpret_cast<std::intptr_t>(result);
}

void TWin32PrivilegeServices::Sleep(DWORD milliseconds) {
    ::Sleep(milliseconds);
}

} // namespace plat
