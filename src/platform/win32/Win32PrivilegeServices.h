#pragma once
// The privilege services over the real Windows functions. Made at start-up: it reads the platform
// version then and looks up CheckTokenMembership in advapi32, which it keeps loaded until it goes.

#include "platform/PrivilegeServices.h"

namespace plat {

class TWin32PrivilegeServices final : public TPrivilegeServices {
public:
    TWin32PrivilegeServices();
    ~TWin32PrivilegeServices() override;
    TWin32PrivilegeServices(const TWin32PrivilegeServices&) = delete;
    TWin32PrivilegeServices& operator=(const TWin32PrivilegeServices&) = delete;

    BOOL GetVersionExW(OSVERSIONINFOW* info) override;
    bool hasCheckTokenMembership() override { return FCheckTokenMembership != nullptr; }
    BOOL AllocateAndInitializeSid(const SID_IDENTIFIER_AUTHORITY* authority, BYTE subAuthorityCount,
                                  DWORD subAuthority0, DWORD subAuthority1, DWORD subAuthority2,
                                  DWORD subAuthority3, DWORD subAuthority4, DWORD subAuthority5,
                                  DWORD subAuthority6, DWORD subAuthority7, PSID* sid) override;
    BOOL CheckTokenMembership(HANDLE token, PSID sid, BOOL* isMember) override;
    void* FreeSid(PSID sid) override;
    std::intptr_t ShellExecuteW(void* window, const wchar_t* verb, const wchar_t* file,
                                const wchar_t* parameters, const wchar_t* directory,
                                int showCommand) override;
    void Sleep(DWORD milliseconds) override;

private:
    using TCheckTokenMembership = BOOL(__stdcall*)(HANDLE, PSID, BOOL*);

    OSVERSIONINFOW FVersion{};
    BOOL FVersionRead = FALSE;
    void* FAdvapi = nullptr;
    TCheckTokenMembership FCheckTokenMembership = nullptr;
};

} // namespace plat
