// File handles over a read-only volume: opening files, folders and streams, reading, moving the file
// pointer, closing, and the information a handle gives.

#include "platform/PositionRules.h"
#include "platform/ntfs/NtfsServicesImpl.h"

#include <algorithm>

namespace plat::ntfs {

using namespace detail;

namespace {

constexpr DWORD FILE_READ_DATA = 0x1;
constexpr DWORD GENERIC_ALL = 0x10000000;
// Rights that change a file: data, attributes, extended attributes, deleting, security.
constexpr DWORD kChangingAccess =
    GENERIC_WRITE | GENERIC_ALL | 0x2 | 0x4 | 0x10 | 0x100 | 0x10000 | 0x40000 | 0x80000;

bool wantsRead(DWORD access) {
    return (access & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA)) != 0;
}

} // namespace

HANDLE TNtfsFileServices::TImpl::newHandle(THandle handle) {
    const std::uintptr_t id = nextHandle;
    nextHandle += 4;
    handles.emplace(id, std::move(handle));
    return handleValue(id);
}

std::shared_ptr<const TNtfsFile> TNtfsFileServices::TImpl::loaded(const TMounted& drive,
                                                                  std::uint64_t record) {
    if (lastLoaded && lastLoadedDrive == &drive && lastLoaded->record == record) {
        return lastLoaded;
    }
    std::optional<TNtfsFile> file = drive.volume->loadFile(record);
    if (!file) {
        return nullptr;
    }
    lastLoadedDrive = &drive;
    lastLoaded = std::make_shared<const TNtfsFile>(std::move(*file));
    return lastLoaded;
}

THandle* TNtfsFileServices::TImpl::findHandle(HANDLE handle, THandleKind kind) {
    auto it = handles.find(handleId(handle));
    return it == handles.end() || it->second.kind != kind ? nullptr : &it->second;
}

HANDLE TNtfsFileServices::CreateFileW(const wchar_t* path, DWORD access, DWORD share, void* security,
                                      DWORD disposition, DWORD flags, HANDLE templateFile) {
    (void)share; // no other program opens the volume through these services
    (void)security;
    (void)templateFile;
    std::lock_guard lock(FImpl->mutex);
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
        return failWith(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    const TWinPath p = parseShownPath(path);
    const TLocated found = FImpl->locate(p);
    if (found.error != 0) {
        return failWith(found.error, INVALID_HANDLE_VALUE);
    }
    const bool creates =
        disposition == CREATE_NEW || disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS;
    if (!found.file) {
        return failWith(creates ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    const TNtfsTree& tree = *found.drive->tree;
    const TNtfsFile& entry = tree.file(*found.file);
    const bool named = p.hasStream && !p.stream.empty();
    if (entry.folder && !named) {
        if (p.hasStream) {
            return failWith(ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE); // a folder has no unnamed data
        }
        if ((flags & FILE_FLAG_BACKUP_SEMANTICS) == 0) {
            return failWith(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
        }
    } else if (p.trailingSlash || (p.parts.empty() && !named)) { // the root's own streams open ("C:\:s")
        return failWith(ERROR_INVALID_NAME, INVALID_HANDLE_VALUE);
    }
    const TNtfsData* stream = nullptr;
    if (named) {
        stream = FImpl->streamNamed(*found.drive, entry, p.stream);
    } else if (!entry.folder) {
        stream = entry.findStream({});
    }
    const bool wantsStream = named || !entry.folder;
    if (wantsStream && stream == nullptr) {
        return failWith(creates ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND, INVALID_HANDLE_VALUE);
    }
    if (disposition == CREATE_NEW) {
        return failWith(ERROR_FILE_EXISTS, INVALID_HANDLE_VALUE);
    }
    if (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING || (access & kChangingAccess) != 0) {
        return failWith(ERROR_ACCESS_DENIED, INVALID_HANDLE_VALUE);
    }
    THandle handle;
    handle.kind = THandleKind::file;
    handle.drive = found.drive;
    handle.file = *found.file;
    handle.access = access;
    // The file is read afresh for the locations of its data (once for its streams opened in turn).
    handle.loaded = FImpl->loaded(*found.drive, entry.record);
    if (!handle.loaded) {
        return failWith(ERROR_FILE_CORRUPT, INVALID_HANDLE_VALUE);
    }
    if (wantsStream) {
        // The file read afresh has its streams in the catalogue's order: the same place is tried first.
        const auto& streams = handle.loaded->streams;
        const auto place = static_cast<std::size_t>(stream - entry.streams.data());
        if (place < streams.size() && streams[place].name == stream->name) {
            handle.stream = place;
        } else {
            auto same = std::find_if(streams.begin(), streams.end(),
                                     [&](const TNtfsData& data) { return data.name == stream->name; });
            if (same == streams.end()) {
                return failWith(ERROR_FILE_CORRUPT, INVALID_HANDLE_VALUE);
            }
            handle.stream = static_cast<std::size_t>(same - streams.begin());
        }
    }
    setLastError(disposition == OPEN_ALWAYS ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return FImpl->newHandle(std::move(handle));
}

BOOL TNtfsFileServices::ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped) {
    (void)overlapped;
    if (read != nullptr) {
        *read = 0;
    }
    std::lock_guard lock(FImpl->mutex);
    THandle* handle = FImpl->findHandle(file, THandleKind::file);
    if (handle == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    if (read == nullptr || (buffer == nullptr && toRead > 0)) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    const TNtfsData* data = handle->data();
    if (data == nullptr) {
        return failWith(ERROR_INVALID_FUNCTION, FALSE);
    }
    if (!wantsRead(handle->access)) {
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    }
    if (data->state == TDataState::compressed || data->state == TDataState::encrypted) {
        return failWith(ERROR_NOT_SUPPORTED, FALSE);
    }
    const std::int64_t got = handle->drive->volume->readData(*data, handle->position, buffer, toRead);
    if (got < 0) {
        return failWith(ERROR_FILE_CORRUPT, FALSE);
    }
    handle->position += static_cast<std::uint64_t>(got);
    *read = static_cast<DWORD>(got);
    return TRUE;
}

BOOL TNtfsFileServices::WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written,
                                  void* overlapped) {
    (void)buffer;
    (void)toWrite;
    (void)overlapped;
    if (written != nullptr) {
        *written = 0;
    }
    std::lock_guard lock(FImpl->mutex);
    if (FImpl->findHandle(file, THandleKind::file) == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    return failWith(ERROR_ACCESS_DENIED, FALSE); // no handle is ever opened for writing
}

DWORD TNtfsFileServices::SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method) {
    std::lock_guard lock(FImpl->mutex);
    THandle* handle = FImpl->findHandle(file, THandleKind::file);
    if (handle == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, INVALID_SET_FILE_POINTER);
    }
    const TNtfsData* data = handle->data();
    if (data == nullptr) {
        return failWith(ERROR_INVALID_FUNCTION, INVALID_SET_FILE_POINTER);
    }
    const TMovedPosition moved =
        movedFilePointer(handle->position, data->size, distance, distanceHigh, method);
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

BOOL TNtfsFileServices::CloseHandle(HANDLE handle) {
    std::lock_guard lock(FImpl->mutex);
    if (FImpl->findHandle(handle, THandleKind::file) == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    FImpl->handles.erase(handleId(handle));
    return TRUE;
}

BOOL TNtfsFileServices::GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
    std::lock_guard lock(FImpl->mutex);
    THandle* handle = FImpl->findHandle(file, THandleKind::file);
    if (handle == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    if (info == nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    const TNtfsFile& loaded = *handle->loaded;
    const TNtfsData* data = handle->data();
    const std::uint64_t size = data != nullptr ? data->size : 0;
    const std::uint64_t index = loaded.record | (static_cast<std::uint64_t>(loaded.sequence) << 48);
    *info = BY_HANDLE_FILE_INFORMATION{};
    info->dwFileAttributes = reportedAttributes(loaded);
    info->ftCreationTime = fileTime(loaded.created);
    info->ftLastAccessTime = fileTime(loaded.accessed);
    info->ftLastWriteTime = fileTime(loaded.written);
    info->dwVolumeSerialNumber =
        static_cast<DWORD>(handle->drive->volume->geometry().serialNumber & 0xFFFFFFFFu);
    info->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    info->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    info->nNumberOfLinks = static_cast<DWORD>(loaded.names.size());
    info->nFileIndexHigh = static_cast<DWORD>(index >> 32);
    info->nFileIndexLow = static_cast<DWORD>(index & 0xFFFFFFFFu);
    return TRUE;
}

} // namespace plat::ntfs
