// File handles: opening files, folders and streams with their access and sharing rules, reading,
// writing, moving the file pointer, closing, and the information a handle gives.

#include "platform/PositionRules.h"
#include "platform/Calendar.h"
#include "platform/store/StoreImpl.h"

#include <algorithm>
#include <cstring>

namespace plat::store {

using namespace detail;

namespace {

// The Windows share check between two opens of the same stream.
bool conflicts(DWORD existingAccess, DWORD existingShare, DWORD access, DWORD share) {
    const TAccessBits had = accessBits(existingAccess);
    const TAccessBits wants = accessBits(access);
    if (!had.any() || !wants.any()) {
        return false;
    }
    return (wants.read && !(existingShare & FILE_SHARE_READ)) ||
           (wants.write && !(existingShare & FILE_SHARE_WRITE)) ||
           (wants.remove && !(existingShare & FILE_SHARE_DELETE)) ||
           (had.read && !(share & FILE_SHARE_READ)) || (had.write && !(share & FILE_SHARE_WRITE)) ||
           (had.remove && !(share & FILE_SHARE_DELETE));
}

constexpr DWORD kAttributesFromFlags =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

bool createsWhenMissing(DWORD disposition) {
    return disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
}

} // namespace

HANDLE TSimStore::TImpl::newHandle(THandle handle) {
    const std::uintptr_t id = nextHandle;
    nextHandle += 4;
    handles.emplace(id, std::move(handle));
    return handleValue(id);
}

THandle* TSimStore::TImpl::findHandle(HANDLE handle, THandleKind kind) {
    auto it = handles.find(handleId(handle));
    return it == handles.end() || it->second.kind != kind ? nullptr : &it->second;
}

bool TSimStore::TImpl::sharingViolation(const TNode& node, const TData* data, bool wholeNode, DWORD access,
                                        DWORD share) const {
    for (const auto& [id, open] : handles) {
        if (open.kind == THandleKind::File && open.node.get() == &node &&
            (wholeNode || open.data.get() == data) && conflicts(open.access, open.share, access, share)) {
            return true;
        }
    }
    for (const auto& [id, hold] : holds) {
        if (hold.node.get() == &node && (wholeNode || hold.data.get() == data) &&
            conflicts(hold.access, hold.share, access, share)) {
            return true;
        }
    }
    return false;
}

HANDLE TSimStore::CreateFileW(const wchar_t* path, DWORD access, DWORD share, void* security,
                              DWORD disposition, DWORD flags, HANDLE templateFile) {
    (void)security;
    (void)templateFile;
    if (TGate gate = FImpl->enter(TCall::CreateFileW, path); gate.fail) {
        return failWith(gate.error, INVALID_HANDLE_VALUE);
    }
    std::lock_guard lock(FImpl->mutex);
    TImpl& m = *FImpl;
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
        return failWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    const TPath p = parsePath(path);
    TResolved found = m.resolve(p);
    // A link is opened as itself only when asked to; otherwise the open reaches its target.
    if (found.error == 0 && found.node && (flags & FILE_FLAG_OPEN_REPARSE_POINT) == 0) {
        found = m.followLinks(found);
    }
    if (found.error != 0) {
        return failWith(found.error, INVALID_HANDLE_VALUE);
    }
    const TAccessBits wants = accessBits(access);
    std::shared_ptr<TNode> node = found.node;
    THandle handle;
    handle.path = path;
    handle.access = access;
    handle.share = share;
    handle.drive = found.drive->letter;

    // A folder (or the drive root) itself.
    if (node && node->folder && !p.hasStream) {
        if ((flags & FILE_FLAG_BACKUP_SEMANTICS) == 0) {
            return failWith(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        }
        if (disposition == CREATE_NEW) {
            return failWith(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
        }
        if (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING || node->denied) {
            return failWith(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        }
        if (m.sharingViolation(*node, nullptr, false, access, share)) {
            return failWith(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
        }
        handle.node = node;
        setLastError(disposition == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
        return m.newHandle(std::move(handle));
    }
    if (p.trailingSlash || (p.parts.empty() && !p.hasStream)) {
        return failWith(ERROR_INVALID_NAME, INVALID_HANDLE_VALUE);
    }
    TDrive& drive = *found.drive;
    if (p.hasStream && !p.stream.empty() && !drive.hasNamedStreams()) {
        return failWith(ERROR_INVALID_NAME, INVALID_HANDLE_VALUE);
    }

    // A missing file: made by the dispositions that create, with the stream asked for.
    if (!node) {
        if (!createsWhenMissing(disposition)) {
            return failWith(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
        }
        if (found.parent->denied) {
            return failWith(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        }
        node = m.makeChild(found.parent, p.parts.back(), false,
                           (flags & kAttributesFromFlags) | FILE_ATTRIBUTE_ARCHIVE);
        handle.node = node;
        handle.data = node->main;
        if (p.hasStream && !p.stream.empty()) {
            handle.data = std::make_shared<TData>();
            handle.data->name = p.stream;
            node->insertStream(handle.data);
        }
        setLastError(ERROR_SUCCESS);
        return m.newHandle(std::move(handle));
    }

    // An existing file, or a named stream of a file or folder.
    if (node->denied) {
        return failWith(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
    if (node->folder && p.stream.empty()) {
        return failWith(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE); // a folder has no unnamed data
    }
    const bool readOnly = (node->attributes & FILE_ATTRIBUTE_READONLY) != 0;
    const bool named = p.hasStream && !p.stream.empty();
    std::shared_ptr<TData> data = named ? node->findStream(p.stream) : node->main;
    const bool existed = data != nullptr;
    if (!existed) {
        if (!createsWhenMissing(disposition)) {
            return failWith(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
        }
        if (readOnly) {
            return failWith(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        }
    } else {
        if (data->denied) {
            return failWith(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        }
        if (disposition == CREATE_NEW) {
            return failWith(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
        }
    }
    const bool overwrite = existed && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING);
    if (readOnly && (wants.write || overwrite)) {
        return failWith(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
    if (overwrite && !named) {
        // Replacing a hidden or system file needs the same attribute in the request.
        const DWORD kept = node->attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        if ((kept & ~flags) != 0) {
            return failWith(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        }
    }
    if (existed && m.sharingViolation(*node, data.get(), false, access, share)) {
        return failWith(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
    }
    if (overwrite && !named) {
        // Overwriting the main data removes the named streams, which must not be in use.
        for (const auto& stream : node->streams) {
            if (m.sharingViolation(*node, stream.get(), false, DELETE_ACCESS, kShareAll)) {
                return failWith(ERROR_SHARING_VIOLATION, INVALID_HANDLE_VALUE);
            }
        }
        for (const auto& stream : node->streams) {
            m.giveBackSpace(p.drive, stream->size);
        }
        node->streams.clear();
        node->attributes |= (flags & kAttributesFromFlags) | FILE_ATTRIBUTE_ARCHIVE;
    }
    if (overwrite) {
        m.giveBackSpace(p.drive, data->size);
        data->resize(0);
        node->written = currentFileTime();
    }
    if (!existed) {
        data = std::make_shared<TData>();
        data->name = p.stream;
        node->insertStream(data);
    }
    handle.node = node;
    handle.data = data;
    const bool reportsExisting = existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
    setLastError(reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return m.newHandle(std::move(handle));
}

BOOL TSimStore::ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped) {
    (void)overlapped;
    if (read != nullptr) {
        *read = 0;
    }
    if (TGate gate = FImpl->enter(TCall::ReadFile, nullptr, file); gate.fail) {
        return failWith(gate.error, FALSE);
    }
    std::lock_guard lock(FImpl->mutex);
    THandle* handle = FImpl->findHandle(file, THandleKind::File);
    if (handle == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    if (read == nullptr || (buffer == nullptr && toRead > 0)) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    if (!handle->data) {
        return failWith(ERROR_INVALID_FUNCTION, FALSE);
    }
    if (!accessBits(handle->access).read) {
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    }
    const std::uint64_t size = handle->data->size;
    const std::uint64_t left = handle->position < size ? size - handle->position : 0;
    const auto count = static_cast<DWORD>(std::min<std::uint64_t>(toRead, left));
    handle->data->read(handle->position, static_cast<char*>(buffer), count);
    handle->position += count;
    *read = count;
    return TRUE;
}

BOOL TSimStore::WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void* overlapped) {
    (void)overlapped;
    if (written != nullptr) {
        *written = 0;
    }
    if (TGate gate = FImpl->enter(TCall::WriteFile, nullptr, file); gate.fail) {
        return failWith(gate.error, FALSE);
    }
    std::lock_guard lock(FImpl->mutex);
    THandle* handle = FImpl->findHandle(file, THandleKind::File);
    if (handle == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    if (written == nullptr || (buffer == nullptr && toWrite > 0)) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    if (!handle->data) {
        return failWith(ERROR_INVALID_FUNCTION, FALSE);
    }
    if (!accessBits(handle->access).write) {
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    }
    if (toWrite == 0) {
        return TRUE;
    }
    // NTFS reserves the space before writing: a write that does not fit writes nothing.
    const std::uint64_t end = handle->position + toWrite;
    const std::uint64_t growth = end > handle->data->size ? end - handle->data->size : 0;
    TDrive* drive = FImpl->driveOf(handle->drive);
    if (drive != nullptr && drive->freeSpace != UINT64_MAX) {
        if (growth > drive->freeSpace) {
            return failWith(ERROR_DISK_FULL, FALSE);
        }
        drive->freeSpace -= growth;
    }
    handle->data->write(handle->position, static_cast<const char*>(buffer), toWrite);
    handle->position = end;
    handle->node->written = currentFileTime();
    handle->node->attributes |= FILE_ATTRIBUTE_ARCHIVE;
    *written = toWrite;
    return TRUE;
}

DWORD TSimStore::SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    if (TGate gate = FImpl->enter(TCall::SetFilePointer, nullptr, file); gate.fail) {
        return failWith(gate.error, INVALID_SET_FILE_POINTER);
    }
    std::lock_guard lock(FImpl->mutex);
    THandle* handle = FImpl->findHandle(file, THandleKind::File);
    if (handle == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, INVALID_SET_FILE_POINTER);
    }
    if (!handle->data) {
        return failWith(ERROR_INVALID_FUNCTION, INVALID_SET_FILE_POINTER);
    }
    const TMovedPosition moved =
        movedFilePointer(handle->position, handle->data->size, distance, distanceHigh, method);
    if (moved.error != ERROR_SUCCESS) {
        return failWith(moved.error, INVALID_SET_FILE_POINTER);
    }
    handle->position = moved.position;
    if (distanceHigh != nullptr) {
        *distanceHigh = static_cast<LONG>(static_cast<std::int32_t>(moved.position >> 32));
    }
    setLastError(ERROR_SUCCESS); // lets a caller tell a position of 0xFFFFFFFF from a failure
    return static_cast<DWORD>(moved.position & 0xFFFFFFFFu);
}

BOOL TSimStore::CloseHandle(HANDLE handle) {
    const TGate gate = FImpl->enter(TCall::CloseHandle, nullptr, handle);
    std::lock_guard lock(FImpl->mutex);
    // An injected failure still releases the handle, as Windows does once the handle was valid.
    const bool known = FImpl->findHandle(handle, THandleKind::File) != nullptr;
    if (known) {
        FImpl->handles.erase(handleId(handle));
    }
    if (gate.fail) {
        return failWith(gate.error, FALSE);
    }
    return known ? TRUE : failWith(ERROR_INVALID_HANDLE, FALSE);
}

BOOL TSimStore::GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
    if (TGate gate = FImpl->enter(TCall::GetFileInformationByHandle, nullptr, file); gate.fail) {
        return failWith(gate.error, FALSE);
    }
    std::lock_guard lock(FImpl->mutex);
    THandle* handle = FImpl->findHandle(file, THandleKind::File);
    if (handle == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    if (info == nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    const TNode& node = *handle->node;
    TDrive* drive = FImpl->driveOf(handle->drive);
    const std::uint64_t size = handle->data ? handle->data->size : 0;
    *info = BY_HANDLE_FILE_INFORMATION{};
    info->dwFileAttributes = node.reportedAttributes();
    info->ftCreationTime = node.created;
    info->ftLastAccessTime = node.accessed;
    info->ftLastWriteTime = node.written;
    info->dwVolumeSerialNumber = drive != nullptr ? drive->serialNumber() : 0;
    info->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    info->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    info->nNumberOfLinks = node.parent.expired() && !node.folder ? 0 : 1;
    info->nFileIndexHigh = static_cast<DWORD>(node.id >> 32);
    info->nFileIndexLow = static_cast<DWORD>(node.id & 0xFFFFFFFFu);
    return TRUE;
}

BOOL TSimStore::FileTimeToSystemTime(const FILETIME* fileTime, SYSTEMTIME* systemTime) {
    if (TGate gate = FImpl->enter(TCall::FileTimeToSystemTime, nullptr); gate.fail) {
        return failWith(gate.error, FALSE);
    }
    if (fileTime == nullptr || systemTime == nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    if (!fileTimeToCalendar(*fileTime, *systemTime)) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    return TRUE;
}

} // namespace plat::store
