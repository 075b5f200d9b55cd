#pragma once
// A privilege-services double for tests: a platform version, an administrators answer and the way
// the token check fails (function missing, identifier not built, call failing), and a shell that
// records every start it is asked for and answers with a set result. Identifiers it hands out are
// counted, so a test can check each one was freed. Set it up before the code under test runs.

#include "platform/PrivilegeServices.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace plat {

// One ShellExecuteW call as it was made.
struct TShellStart {
    void* window = nullptr;
    std::wstring verb;
    std::wstring file;
    std::wstring parameters;
    bool parametersGiven = false; // false: a null pointer
    bool directoryGiven = false;
    int showCommand = 0;
};

class TScriptedPrivilege : public TPrivilegeServices {
public:
    TScriptedPrivilege() = default;
    TScriptedPrivilege(const TScriptedPrivilege&) = delete;
    TScriptedPrivilege& operator=(const TScriptedPrivilege&) = delete;

    // ---- Set-up.
    void setVersion(DWORD major, DWORD minor) {
        FMajor = major;
        FMinor = minor;
    }
    void setAdministrator(bool value) { FAdministrator = value; }
    void setCheckTokenMembershipFound(bool value) { FCheckFound = value; }
    void setSidFails(bool value) { FSidFails = value; }
    void setCheckFails(bool value) { FCheckFails = value; }
    // What ShellExecuteW answers: above 32 for a started program (the default, 42); a refused
    // consent prompt answers 5 (SE_ERR_ACCESSDENIED), a missing file 2.
    void setShellResult(std::intptr_t value) { FShellResult = value; }
    // Called with each start, before it answers.
    std::function<void(const TShellStart&)> OnShellExecute;

    // ---- What happened.
    const std::vector<TShellStart>& shellStarts() const { return FStarts; }
    const std::vector<DWORD>& sleeps() const { return FSleeps; }
    int sidsAllocated() const { return FSidsAllocated; }
    int sidsFreed() const { return FSidsFreed; }
    int membershipChecks() const { return FChecks; }
    // The identifier last built: its authority and sub-authorities.
    SID_IDENTIFIER_AUTHORITY lastAuthority() const { return FLastAuthority; }
    const std::vector<DWORD>& lastSubAuthorities() const { return FLastSubAuthorities; }
    // Whether every membership check was made on the thread's effective token (a null token) with
    // an identifier this double had built and not yet freed.
    bool checksWereSound() const { return FChecksSound; }

    // ---- The services.
    BOOL GetVersionExW(OSVERSIONINFOW* info) override;
    bool hasCheckTokenMembership() override { return FCheckFound; }
    BOOL AllocateAndInitializeSid(const SID_IDENTIFIER_AUTHORITY* authority, BYTE subAuthorityCount,
                                  DWORD subAuthority0, DWORD subAuthority1, DWORD subAuthority2,
                                  DWORD subAuthority3, DWORD subAuthority4, DWORD subAuthority5,
                                  DWORD subAuthority6, DWORD subAuthority7, PSID* sid) override;
    BOOL CheckTokenMembership(HANDLE token, PSID sid, BOOL* isMember) override;
    void* FreeSid(PSID sid) override;
    std::intptr_t ShellExecuteW(void* window, const wchar_t* verb, const wchar_t* file,
                                const wchar_t* parameters, const wchar_t* directory,
                                int showCommand) override;
    void Sleep(DWORD milliseconds) override { FSleeps.push_back(milliseconds); }

private:
    struct TSid {
        bool freed = false;
    };

    DWORD FMajor = 10;
    DWORD FMinor = 0;
    bool FAdministrator = false;
    bool FCheckFound = true;
    bool FSidFails = false;
    bool FCheckFails = false;
    std::intptr_t FShellResult = 42;
    std::vector<TShellStart> FStarts;
    std::vector<DWORD> FSleeps;
    std::vector<std::unique_ptr<TSid>> FSids; // kept until the double goes, so a stale one is still known
    int FSidsAllocated = 0;
    int FSidsFreed = 0;
    int FChecks = 0;
    bool FChecksSound = true;
    SID_IDENTIFIER_AUTHORITY FLastAuthority{};
    std::vector<DWORD> FLastSubAuthorities;
};

} // namespace plat
