#include "platform/shell/ScriptedPrivilege.h"

#include <algorithm>
#include <cwchar>

namespace plat {

BOOL TScriptedPrivilege::GetVersionExW(OSVERSIONINFOW* info) {
    if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOW)) {
        return FALSE;
    }
    info->dwMajorVersion = FMajor;
    info->dwMinorVersion = FMinor;
    info->dwBuildNumber = 0;
    info->dwPlatformId = 2; // VER_PLATFORM_WIN32_NT
    info->szCSDVersion[0] = L'\0';
    return TRUE;
}

BOOL TScriptedPrivilege::AllocateAndInitializeSid(const SID_IDENTIFIER_AUTHORITY* authority,
                                                  BYTE subAuthorityCount, DWORD subAuthority0,
                                                  DWORD subAuthority1, DWORD subAuthority2,
                                                  DWORD subAuthority3, DWORD subAuthority4,
                                                  DWORD subAuthority5, DWORD subAuthority6,
                                                  DWORD subAuthority7, PSID* sid) {
    if (authority == nullptr || sid == nullptr || subAuthorityCount == 0 || subAuthorityCount > 8) {
        return FALSE;
    }
    FLastAuthority = *authority;
    const DWORD all[8] = {subAuthority0, subAuthority1, subAuthority2, subAuthority3,
                          subAuthority4, subAuthority5, subAuthority6, subAuthority7};
    FLastSubAuthorities.assign(all, all + subAuthorityCount);
    if (FSidFails) {
        return FALSE;
    }
    FSids.push_back(std::make_unique<TSid>());
    ++FSidsAllocated;
    *sid = FSids.back().get();
    return TRUE;
}

BOOL TScriptedPrivilege::CheckTokenMembership(HANDLE token, PSID sid, BOOL* isMember) {
    ++FChecks;
    auto found =
        std::find_if(FSids.begin(), FSids.end(), [sid](const auto& each) { return each.get() == sid; });
    if (token != nullptr || found == FSids.end() || (*found)->freed || isMember == nullptr) {
        FChecksSound = false;
        return FALSE;
    }
    if (FCheckFails) {
        return FALSE;
    }
    *isMember = FAdministrator ? TRUE : FALSE;
    return TRUE;
}

void* TScriptedPrivilege::FreeSid(PSID sid) {
    auto found =
        std::find_if(FSids.begin(), FSids.end(), [sid](const auto& each) { return each.get() == sid; });
    if (found == FSids.end() || (*found)->freed) {
        return sid; // as Windows answers a failure
    }
    (*found)->freed = true;
    ++FSidsFreed;
    return nullptr;
}

std::intptr_t TScriptedPrivilege::ShellExecuteW(void* window, const wchar_t* verb, const wchar_t* file,
                                                const wchar_t* parameters, const wchar_t* directory,
                                                int showCommand) {
    TShellStart start;
    start.window = window;
    start.verb = verb != nullptr ? verb : L"";
    start.file = file != nullptr ? file : L"";
    start.parametersGiven = parameters != nullptr;
    start.parameters = parameters != nullptr ? parameters : L"";
    start.directoryGiven = directory != nullptr;
    start.showCommand = showCommand;
    FStarts.push_back(start);
    if (OnShellExecute) {
        OnShellExecute(FStarts.back());
    }
    return FShellResult;
}

} // namespace plat
