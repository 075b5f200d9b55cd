// The backup byte stream of BackupRead and BackupSeek: a record per stream, each a 20-byte header,
// the stream's name in UTF-16LE and its data: the security descriptor (when asked for), the main
// data of a file, then every named stream in the volume's order.

#include "platform/PositionRules.h"
#include "platform/ntfs/NtfsServicesImpl.h"

#include "platform/Utf16.h"

#include <algorithm>
#include <cstring>

namespace plat::ntfs {

using namespace detail;

namespace {

constexpr DWORD kStreamContainsSecurity = 0x2;
constexpr DWORD kStreamSparse = 0x8;

void putLittleEndian(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::string recordHead(DWORD streamId, DWORD attributes, std::uint64_t size, const std::wstring& name) {
    const std::string nameBytes = encodeUtf16Le(name);
    std::string head;
    putLittleEndian(head, streamId, 4);
    putLittleEndian(head, attributes, 4);
    putLittleEndian(head, size, 8);
    putLittleEndian(head, nameBytes.size(), 4);
    return head + nameBytes;
}

TBackupContext makeContext(const THandle& handle, bool withSecurity) {
    TBackupContext context;
    context.drive = handle.drive;
    context.file = handle.loaded;
    const TNtfsFile& file = *context.file;
    if (withSecurity) {
        TBackupRecord record;
        record.fixed = file.extras && !file.extras->securityDescriptor.empty()
                           ? file.extras->securityDescriptor
                           : handle.drive->volume->securityDescriptor(file.securityId);
        if (!record.fixed.empty()) {
            record.dataSize = record.fixed.size();
            record.head =
                recordHead(BACKUP_SECURITY_DATA, kStreamContainsSecurity, record.dataSize, std::wstring());
            context.records.push_back(std::move(record));
        }
    }
    if (const TNtfsData* main = file.folder ? nullptr : file.findStream({})) {
        TBackupRecord record;
        record.data = main;
        record.dataSize = main->size;
        record.head =
            recordHead(BACKUP_DATA, main->sparse ? kStreamSparse : 0, record.dataSize, std::wstring());
        context.records.push_back(std::move(record));
    }
    for (const TNtfsData& stream : file.streams) {
        if (stream.name.empty()) {
            continue;
        }
        TBackupRecord record;
        record.data = &stream;
        record.dataSize = stream.size;
        record.head = recordHead(BACKUP_ALTERNATE_DATA, stream.sparse ? kStreamSparse : 0, record.dataSize,
                                 L":" + std::wstring(stream.name) + L":$DATA");
        context.records.push_back(std::move(record));
    }
    return context;
}

// Copies up to count bytes of the record from the position: header and name first, then data.
// False when the data cannot be read.
bool readRecord(const TBackupContext& context, const TBackupRecord& record, std::uint64_t position, BYTE* out,
                std::size_t count) {
    std::size_t done = 0;
    if (position < record.head.size()) {
        done = std::min<std::size_t>(count, record.head.size() - static_cast<std::size_t>(position));
        std::memcpy(out, record.head.data() + position, done);
    }
    if (done == count) {
        return true;
    }
    const std::uint64_t at = position + done - record.head.size();
    if (record.data == nullptr) {
        std::memcpy(out + done, record.fixed.data() + at, count - done);
        return true;
    }
    return context.drive->volume->readData(*record.data, at, out + done, count - done) ==
           static_cast<std::int64_t>(count - done);
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
    TBackupContext& stream = it->second;
    DWORD done = 0;
    while (done < toRead && stream.record < stream.records.size()) {
        const TBackupRecord& record = stream.records[stream.record];
        if (stream.position >= record.total()) {
            ++stream.record;
            stream.position = 0;
            continue;
        }
        // The header and name in one piece, the data in another, so a header is given whole even
        // when the data after it cannot be read.
        const std::uint64_t end = stream.position < record.head.size() ? record.head.size() : record.total();
        const auto count = static_cast<DWORD>(std::min<std::uint64_t>(toRead - done, end - stream.position));
        if (!readRecord(stream, record, stream.position, buffer + done, count)) {
            if (done > 0) {
                break; // what came is given; the next call reports the failure
            }
            // Compressed, encrypted or damaged data: the header was given, the bytes cannot be.
            const bool unavailable =
                record.data->state == TDataState::compressed || record.data->state == TDataState::encrypted;
            return failWith(unavailable ? ERROR_NOT_SUPPORTED : ERROR_FILE_CORRUPT, FALSE);
        }
        stream.position += count;
        done += count;
    }
    *read = done;
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
    TBackupContext& stream = it->second;
    if (stream.record >= stream.records.size()) {
        return failWith(ERROR_SEEK, FALSE);
    }
    const TBackupRecord& record = stream.records[stream.record];
    const TBackupSkip skip = backupSkipWithin(record.head.size(), record.total(), stream.position,
                                              lowBytesToSeek, highBytesToSeek);
    stream.position += skip.moved;
    *lowSeeked = static_cast<DWORD>(skip.moved & 0xFFFFFFFFu);
    *highSeeked = static_cast<DWORD>(skip.moved >> 32);
    return skip.error != ERROR_SUCCESS ? failWith(skip.error, FALSE) : TRUE;
}

} // namespace plat::ntfs
