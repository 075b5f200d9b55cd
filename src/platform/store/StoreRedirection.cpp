// The file-system redirection of a 32-bit process on 64-bit Windows: while it is on for the calling
// thread, a path in the system folder (<Windows>\System32 and everything below it) reaches the
// 32-bit system folder (<Windows>\SysWOW64) instead, except for the few subfolders Windows leaves
// alone. Where the redirection functions are missing there is no redirection either.

#include "platform/store/StoreImpl.h"

namespace plat::store {

using namespace detail;

namespace {

// The system folder's subfolders that every process sees as they are.
bool exempt(const std::vector<std::wstring>& parts, std::size_t below) {
    if (parts.size() <= below) {
        return false;
    }
    const std::wstring& first = parts[below];
    for (const wchar_t* name : {L"catroot", L"catroot2", L"driverstore", L"logfiles", L"spool"}) {
        if (sameName(first, name)) {
            return true;
        }
    }
    return sameName(first, L"drivers") && parts.size() > below + 1 && sameName(parts[below + 1], L"etc");
}

} // namespace

std::optional<TPath> TSimStore::TImpl::redirected(const TPath& path) {
    if (!redirectionFunctions || path.error != 0) {
        return std::nullopt;
    }
    const auto off = redirectionOff.find(std::this_thread::get_id());
    if (off != redirectionOff.end() && off->second > 0) {
        return std::nullopt;
    }
    const TPath windows = parsePath(windowsDirectory.c_str());
    const std::size_t at = windows.parts.size(); // where "System32" stands in the path
    if (windows.error != 0 || path.drive != windows.drive || path.parts.size() <= at ||
        !sameName(path.parts[at], L"System32") || exempt(path.parts, at + 1)) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < at; ++i) {
        if (!sameName(path.parts[i], windows.parts[i])) {
            return std::nullopt;
        }
    }
    TPath result = path;
    result.parts[at] = L"SysWOW64";
    ++redirectedCalls;
    return result;
}

int TSimStore::redirectedCalls() {
    std::lock_guard lock(FImpl->mutex);
    return FImpl->redirectedCalls;
}

} // namespace plat::store
