// BackupRead and BackupSeek over a volume read directly: the records of a file's backup byte stream
// (its format is ntfs/BackupStream.h): the security descriptor (when asked for), the main data of a
// file, then every named stream in the volume's order, each named in its shown form.

#include "platform/PositionRules.h"
#include "platform/ntfs/NtfsServicesImpl.h"

#include "platform/ShownName.h"

#include <algorithm>
#include <cstring>

namespace plat::ntfs {

using namespace detail;

namespace {

TBackupContext makeContext(const THandle& handle, bool withSecurity) {
    TBackupContext context;
    context.drive = handle.drive;
    context.file = handle.loaded;
    const TNtfsFile& file = *context.file;
    if (withSecurity) {
        const std::vector<std::uint8_t> descriptor =
            file.extras && !file.extras->securityDescriptor.empty()
                ? file.extras->securityDescriptor
                : handle.drive->volume->securityDescriptor(file.securityId);
        if (!descriptor.empty()) {
            context.stream.addSecurity(std::string(descriptor.begin(), descriptor.end()));
        }
    }
    if (const TNtfsData* main = file.folder ? nullptr : file.findStream({})) {
        context.stream.addStream(main, {}, main->size, main->sparse);
    }
    for (const TNtfsData& stream : file.streams) {
        if (!stream.name.empty()) {
            context.stream.addStream(&stream, shownName(stream.name), stream.size, stream.sparse);
        }
    }
    return context;
}

} // namespace

BOOL TNtfsFileServices::BackupRead(HANDLE file, BYTE* buffer, DWORD toRead, DWORD* read, BOOL abort,
                                   BOOL processSecurity, void** context) {
    if (read != nullptr) {
        *read = 0;
    }
    std::lock_guard lock(FImpl->mutex);
    TImpl& m = *FImpl;
    if (abort) {
        // Releasing the context needs no handle.
        if (context != nullptr && *context != nullptr) {
            m.contexts.erase(handleId(*context));
            *context = nullptr;
        }
        return TRUE;
    }
    THandle* handle = m.findHandle(file, THandleKind::file);
    if (handle == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    if (context == nullptr || read == nullptr || (buffer == nullptr && toRead > 0)) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    if ((handle->access & (GENERIC_READ | 0x10000000 | 0x1)) == 0) {
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    }
    if (*context == nullptr) {
        const std::uintptr_t id = m.nextHandle;
        m.nextHandle += 4;
        m.contexts.emplace(id, makeContext(*handle, processSecurity != FALSE));
        *context = handleValue(id);
    }
    auto it = m.contexts.find(handleId(*context));
    if (it == m.contexts.end()) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    TBackupContext& backup = it->second;
    const TNtfsData* unreadable = nullptr;
    auto readData = [&](const TNtfsData& data, std::uint64_t at, std::uint8_t* out, std::size_t count) {
        const bool whole =
            backup.drive->volume->readData(data, at, out, count) == static_cast<std::int64_t>(count);
        unreadable = whole ? nullptr : &data;
        return whole;
    };
    bool failed = false;
    *read = static_cast<DWORD>(backup.stream.read(buffer, toRead, readData, failed));
    if (failed) {
        // Compressed, encrypted or damaged data: the header was given, the bytes cannot be.
        const bool unavailable =
            unreadable->state == TDataState::compressed || unreadable->state == TDataState::encrypted;
        return failWith(unavailable ? ERROR_NOT_SUPPORTED : ERROR_FILE_CORRUPT, FALSE);
    }
    return TRUE;
}

BOOL TNtfsFileServices::BackupSeek(HANDLE file, DWORD lowBytesToSeek, DWORD highBytesToSeek, DWORD* lowSeeked,
                                   DWORD* highSeeked, void** context) {
    if (lowSeeked != nullptr) {
        *lowSeeked = 0;
    }
    if (highSeeked != nullptr) {
        *highSeeked = 0;
    }
    std::lock_guard lock(FImpl->mutex);
    TImpl& m = *FImpl;
    if (m.findHandle(file, THandleKind::file) == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    if (context == nullptr || *context == nullptr || lowSeeked == nullptr || highSeeked == nullptr) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    auto it = m.contexts.find(handleId(*context));
    if (it == m.contexts.end()) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    auto& stream = it->second.stream;
    const auto* record = stream.current();
    if (record == nullptr) {
        return failWith(ERROR_SEEK, FALSE);
    }
    const TBackupSkip skip = backupSkipWithin(record->head.size(), record->total(), stream.position(),
                                              lowBytesToSeek, highBytesToSeek);
    stream.skip(skip.moved);
    *lowSeeked = static_cast<DWORD>(skip.moved & 0xFFFFFFFFu);
    *highSeeked = static_cast<DWORD>(skip.moved >> 32);
    return skip.error != ERROR_SUCCESS ? failWith(skip.error, FALSE) : TRUE;
}

} // namespace plat::ntfs
