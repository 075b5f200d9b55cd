// The store's frame: construction, the calling thread's last error, the call log and fault injection.

#include "platform/store/StoreImpl.h"

namespace plat::store {

using namespace detail;

namespace detail {

namespace {
thread_local DWORD tLastError = ERROR_SUCCESS;
} // namespace

DWORD lastError() {
    return tLastError;
}

void setLastError(DWORD code) {
    tLastError = code;
}

} // namespace detail

const char* callName(TCall call) {
    switch (call) {
    case TCall::FindFirstStreamW:
        return "FindFirstStreamW";
    case TCall::FindNextStreamW:
        return "FindNextStreamW";
    case TCall::Wow64DisableWow64FsRedirection:
        return "Wow64DisableWow64FsRedirection";
    case TCall::Wow64EnableWow64FsRedirection:
        return "Wow64EnableWow64FsRedirection";
    case TCall::CreateFileW:
        return "CreateFileW";
    case TCall::ReadFile:
        return "ReadFile";
    case TCall::WriteFile:
        return "WriteFile";
    case TCall::SetFilePointer:
        return "SetFilePointer";
    case TCall::CloseHandle:
        return "CloseHandle";
    case TCall::GetFileInformationByHandle:
        return "GetFileInformationByHandle";
    case TCall::FileTimeToSystemTime:
        return "FileTimeToSystemTime";
    case TCall::GetFileAttributesW:
        return "GetFileAttributesW";
    case TCall::GetFileAttributesExW:
        return "GetFileAttributesExW";
    case TCall::DeleteFileW:
        return "DeleteFileW";
    case TCall::CreateDirectoryW:
        return "CreateDirectoryW";
    case TCall::RemoveDirectoryW:
        return "RemoveDirectoryW";
    case TCall::MoveFileExW:
        return "MoveFileExW";
    case TCall::BackupRead:
        return "BackupRead";
    case TCall::BackupSeek:
        return "BackupSeek";
    case TCall::FindFirstFileW:
        return "FindFirstFileW";
    case TCall::FindNextFileW:
        return "FindNextFileW";
    case TCall::FindClose:
        return "FindClose";
    case TCall::SetErrorMode:
        return "SetErrorMode";
    case TCall::GetLogicalDrives:
        return "GetLogicalDrives";
    case TCall::GetDriveTypeW:
        return "GetDriveTypeW";
    case TCall::GetVolumeInformationW:
        return "GetVolumeInformationW";
    case TCall::GetWindowsDirectoryW:
        return "GetWindowsDirectoryW";
    }
    return "?";
}

TSimStore::TSimStore() : FImpl(std::make_unique<TImpl>()) {}

TSimStore::~TSimStore() = default;

DWORD TSimStore::GetLastError() {
    return lastError();
}

void TSimStore::SetLastError(DWORD code) {
    setLastError(code);
}

TGate TSimStore::TImpl::enter(TCall call, const wchar_t* path, HANDLE handle) {
    TGate gate;
    std::vector<std::function<void()>> due;
    {
        std::lock_guard lock(mutex);
        log.push_back(TLoggedCall{call, path != nullptr ? std::wstring(path) : std::wstring(), false});
        const std::uint64_t number = log.size();
        // A handle call is matched against the path the handle was opened with.
        std::wstring named = log.back().path;
        if (path == nullptr && handle != nullptr) {
            if (auto it = handles.find(handleId(handle)); it != handles.end()) {
                named = it->second.path;
            }
        }
        named = upper(named);
        for (auto& fault : faults) {
            bool hit = false;
            switch (fault.kind) {
            case TPlannedFault::TKind::Number:
                hit = fault.number == number;
                break;
            case TPlannedFault::TKind::Nth:
                if (fault.call == call) {
                    ++fault.seen;
                    hit = fault.nth == 0 || fault.seen == fault.nth;
                }
                break;
            case TPlannedFault::TKind::Path:
                hit =
                    fault.call == call && !named.empty() && named.find(fault.pathPart) != std::wstring::npos;
                break;
            }
            if (hit && !gate.fail) {
                gate = TGate{true, fault.error};
                log.back().failed = true;
            }
        }
        for (auto& planned : actions) {
            if (planned.call == call) {
                ++planned.seen;
                if (planned.nth == 0 || planned.seen == planned.nth) {
                    due.push_back(planned.action);
                }
            }
        }
    }
    for (auto& action : due) {
        action();
    }
    return gate;
}

std::vector<TLoggedCall> TSimStore::callLog() {
    std::lock_guard lock(FImpl->mutex);
    return FImpl->log;
}

std::uint64_t TSimStore::callCount() {
    std::lock_guard lock(FImpl->mutex);
    return FImpl->log.size();
}

void TSimStore::clearCallLog() {
    std::lock_guard lock(FImpl->mutex);
    FImpl->log.clear();
}

void TSimStore::failCallNumber(std::uint64_t number, DWORD error) {
    std::lock_guard lock(FImpl->mutex);
    TPlannedFault fault;
    fault.kind = TPlannedFault::TKind::Number;
    fault.number = number;
    fault.error = error;
    FImpl->faults.push_back(fault);
}

void TSimStore::failCall(TCall call, int nth, DWORD error) {
    std::lock_guard lock(FImpl->mutex);
    TPlannedFault fault;
    fault.kind = TPlannedFault::TKind::Nth;
    fault.call = call;
    fault.nth = nth;
    fault.error = error;
    FImpl->faults.push_back(fault);
}

void TSimStore::failPath(TCall call, const std::wstring& pathPart, DWORD error) {
    std::lock_guard lock(FImpl->mutex);
    TPlannedFault fault;
    fault.kind = TPlannedFault::TKind::Path;
    fault.call = call;
    fault.pathPart = upper(pathPart);
    fault.error = error;
    FImpl->faults.push_back(fault);
}

void TSimStore::clearFaults() {
    std::lock_guard lock(FImpl->mutex);
    FImpl->faults.clear();
    FImpl->actions.clear();
}

void TSimStore::beforeCall(TCall call, int nth, std::function<void()> action) {
    std::lock_guard lock(FImpl->mutex);
    FImpl->actions.push_back(TPlannedAction{call, nth, 0, std::move(action)});
}

} // namespace plat::store
