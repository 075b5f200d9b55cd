// Privilege and elevation: the platform version, the administrators check, the elevated restart
// and the shell's opening of links.

#include "system/UntKorvaneLib.h"

#include "platform/PrivilegeServices.h"
#include "platform/ProcessServices.h"
#include "platform/ShellServices.h"

#include <vector>

using namespace plat;

namespace {

// Frees the identifier AllocateAndInitializeSid built, on every path.
class TSidGuard {
public:
    explicit TSidGuard(PSID sid) : FSid(sid) {}
    ~TSidGuard() { privilege().FreeSid(FSid); }
    TSidGuard(const TSidGuard&) = delete;
    TSidGuard& operator=(const TSidGuard&) = delete;

private:
    PSID FSid;
};

} // namespace

std::wstring getProgramFileName() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = shell().GetModuleFileNameW(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) {
            return {};
        }
        if (length < buffer.size()) {
            return std::wstring(buffer.data(), length);
        }
        if (buffer.size() >= 32768) {
            return {}; // longer than any path the platform allows
        }
        buffer.resize(buffer.size() * 2); // cut off: ask again with more room
    }
}

bool isVistaOrLater() {
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    return privilege().GetVersionExW(&info) && info.dwMajorVersion >= 6;
}

bool isAdministrator() {
    if (!isVistaOrLater()) {
        return true; // older systems have no split token: every user counts as an administrator
    }
    TPrivilegeServices& services = privilege();
    if (!services.hasCheckTokenMembership()) {
        return false;
    }
    PSID administrators = nullptr;
    if (!services.AllocateAndInitializeSid(&SECURITY_NT_AUTHORITY, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                           DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &administrators)) {
        return false;
    }
    TSidGuard guard(administrators);
    BOOL isMember = FALSE;
    return services.CheckTokenMembership(nullptr, administrators, &isMember) && isMember;
}

bool shellExecuteElevated(const std::wstring& file, const std::wstring& parameters) {
    return privilege().ShellExecuteW(nullptr, L"RunAs", file.c_str(), parameters.c_str(), nullptr, SW_SHOW) >
           32;
}

bool relaunchElevated() {
    privilege().Sleep(10);
    const std::wstring file = getProgramFileName();
    if (file.empty() || !shellExecuteElevated(file, L"")) {
        return false; // refused or failed: this instance carries on, silently
    }
    // The elevated instance runs: this one ends now, without closing or stopping anything.
    processServices().ExitProcess(0);
    return true; // only with a test double, whose exit returns
}

void shellOpen(const std::wstring& target) {
    privilege().ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOW);
}

TElevationButtonLook elevationButtonLook() {
    if (isAdministrator()) {
        return {false, kImageShieldGrey};
    }
    return {true, kImageShieldColoured};
}
