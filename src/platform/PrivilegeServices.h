#pragma once
// Privilege and program-start services, shaped like the Windows functions of the same names: the
// platform version the process was given at start-up, membership of the built-in Administrators
// group (CheckTokenMembership is looked up at run time in advapi32 and may be missing), the shell's
// start of a program or document with a verb ("RunAs", "open"), and a pause. Installed once at
// start-up like the other services; tests install TScriptedPrivilege (shell/ScriptedPrivilege.h).

#include "platform/WinTypes.h"

#include <cstdint>

namespace plat {

using PSID = void*;

struct SID_IDENTIFIER_AUTHORITY {
    BYTE Value[6];
};

struct OSVERSIONINFOW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    wchar_t szCSDVersion[128];
};

inline constexpr SID_IDENTIFIER_AUTHORITY SECURITY_NT_AUTHORITY{{0, 0, 0, 0, 0, 5}};
constexpr DWORD SECURITY_BUILTIN_DOMAIN_RID = 0x20;
constexpr DWORD DOMAIN_ALIAS_RID_ADMINS = 0x220;
constexpr int SW_SHOW = 5;

class TPrivilegeServices {
public:
    virtual ~TPrivilegeServices() = default;

    // The version the platform reported to the process when it started.
    virtual BOOL GetVersionExW(OSVERSIONINFOW* info) = 0;

    // Whether advapi32's CheckTokenMembership was found (LoadLibraryW and GetProcAddress).
    virtual bool hasCheckTokenMembership() = 0;
    virtual BOOL AllocateAndInitializeSid(const SID_IDENTIFIER_AUTHORITY* authority, BYTE subAuthorityCount,
                                          DWORD subAuthority0, DWORD subAuthority1, DWORD subAuthority2,
                                          DWORD subAuthority3, DWORD subAuthority4, DWORD subAuthority5,
                                          DWORD subAuthority6, DWORD subAuthority7, PSID* sid) = 0;
    // Only to be called when hasCheckTokenMembership(). A null token means the calling thread's
    // effective token.
    virtual BOOL CheckTokenMembership(HANDLE token, PSID sid, BOOL* isMember) = 0;
    virtual void* FreeSid(PSID sid) = 0;

    // The shell's start of a file with a verb. The result is the value ShellExecuteW returns (an
    // instance handle as a number): greater than 32 on success, an error code otherwise.
    virtual std::intptr_t ShellExecuteW(void* window, const wchar_t* verb, const wchar_t* file,
                                        const wchar_t* parameters, const wchar_t* directory,
                                        int showCommand) = 0;

    virtual void Sleep(DWORD milliseconds) = 0;
};

// The process-wide services; calling privilege() before one is installed stops the program.
TPrivilegeServices& privilege();
void installPrivilegeServices(TPrivilegeServices* services);

} // namespace plat
