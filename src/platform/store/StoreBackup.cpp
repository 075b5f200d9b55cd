// The backup byte stream of BackupRead and BackupSeek: a record per stream, each a 20-byte header,
// the stream's name in UTF-16LE and its data: the security descriptor (when asked for), the main
// data of a file, then every named stream.

#include "platform/PositionRules.h"
#include "platform/store/StoreImpl.h"

#include <algorithm>
#include <cstring>

namespace plat::store {

using namespace detail;

namespace {

constexpr DWORD kStreamContainsSecurity = 0x2;

void putLittleEndian(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

std::string recordHead(DWORD streamId, DWORD attributes, std::uint64_t size, const std::wstring& name) {
    const std::string nameBytes = utf16Bytes(name);
    std::string head;
    putLittleEndian(head, streamId, 4);
    putLittleEndian(head, attributes, 4);
    putLittleEndian(head, size, 8);
    putLittleEndian(head, nameBytes.size(), 4);
    return head + nameBytes;
}

// A self-relative security descriptor with no owner, group or lists, padded to the size asked for.
std::string securityRecord(DWORD size) {
    std::string bytes(size, '\0');
    const unsigned char descriptor[] = {1, 0, 0x04, 0x80}; // revision 1, SE_SELF_RELATIVE | SE_DACL_PRESENT
    std::memcpy(bytes.data(), descriptor, std::min<std::size_t>(size, sizeof descriptor));
    return bytes;
}

std::uint64_t readLittleEndian(const std::string& bytes, std::size_t at, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

// Raw bytes cut into records the way their headers lay them out; a record the bytes end inside
// keeps what there is. A data size that is not positive stands for no data.
TBackupContext rawContext(const std::string& bytes) {
    TBackupContext context;
    std::size_t at = 0;
    while (at < bytes.size()) {
        TBackupRecord record;
        if (bytes.size() - at < kBackupHeaderSize) {
            record.head = bytes.substr(at);
            context.records.push_back(record);
            break;
        }
        const auto dataSize = static_cast<std::int64_t>(readLittleEndian(bytes, at + 8, 8));
        const std::uint64_t nameSize = readLittleEndian(bytes, at + 16, 4);
        const std::size_t nameEnd = at + kBackupHeaderSize +
                                    static_cast<std::size_t>(std::min<std::uint64_t>(
                                        nameSize, bytes.size() - at - kBackupHeaderSize));
        record.head = bytes.substr(at, nameEnd - at);
        const std::uint64_t available = bytes.size() - nameEnd;
        record.dataSize = dataSize > 0 ? std::min(static_cast<std::uint64_t>(dataSize), available) : 0;
        record.fixed = bytes.substr(nameEnd, static_cast<std::size_t>(record.dataSize));
        context.records.push_back(record);
        at = nameEnd + static_cast<std::size_t>(record.dataSize);
    }
    return context;
}

TBackupContext makeContext(const TNode& node, bool withSecurity, DWORD securitySize) {
    if (node.rawBackup) {
        return rawContext(*node.rawBackup);
    }
    TBackupContext context;
    if (withSecurity && securitySize > 0) {
        TBackupRecord record;
        record.fixed = securityRecord(securitySize);
        record.dataSize = securitySize;
        record.head = recordHead(BACKUP_SECURITY_DATA, kStreamContainsSecurity, securitySize, std::wstring());
        context.records.push_back(record);
    }
    if (!node.folder) {
        TBackupRecord record;
        record.data = node.main;
        record.dataSize = node.main->size;
        record.head = recordHead(BACKUP_DATA, 0, record.dataSize, std::wstring());
        context.records.push_back(record);
    }
    for (const auto& stream : node.streams) {
        TBackupRecord record;
        record.data = stream;
        record.dataSize = stream->size;
        record.head = recordHead(BACKUP_ALTERNATE_DATA, 0, record.dataSize, L":" + stream->name + L":$DATA");
        context.records.push_back(record);
    }
    return context;
}

// Copies up to count bytes of the record from the position: header and name first, then data.
void readRecord(const TBackupRecord& record, std::uint64_t position, BYTE* out, std::size_t count) {
    std::size_t done = 0;
    if (position < record.head.size()) {
        done = std::min<std::size_t>(count, record.head.size() - static_cast<std::size_t>(position));
        std::memcpy(out, record.head.data() + position, done);
    }
    if (done < count) {
        const std::uint64_t at = position + done - record.head.size();
        char* target = reinterpret_cast<char*>(out + done);
        if (record.data) {
            record.data->read(at, target, count - done);
        } else {
            std::memcpy(target, record.fixed.data() + at, count - done);
        }
    }
}

} // namespace

void TSimStore::setRawBackupStream(const std::wstring& path, const std::string& bytes) {
    std::lock_guard lock(FImpl->mutex);
    FImpl->existing(path)->rawBackup = std::make_shared<const std::string>(bytes);
}

BOOL TSimStore::BackupRead(HANDLE file, BYTE* buffer, DWORD toRead, DWORD* read, BOOL abort,
                           BOOL processSecurity, void** context) {
    if (read != nullptr) {
        *read = 0;
    }
    const TGate gate = FImpl->enter(TCall::BackupRead, nullptr, file);
    std::lock_guard lock(FImpl->mutex);
    TImpl& m = *FImpl;
    if (abort) {
        // Releasing the context needs no handle; an injected failure still releases it.
        if (context != nullptr && *context != nullptr) {
            m.contexts.erase(handleId(*context));
            *context = nullptr;
        }
        return gate.fail ? failWith(gate.error, FALSE) : TRUE;
    }
    if (gate.fail) {
        return failWith(gate.error, FALSE);
    }
    THandle* handle = m.findHandle(file, THandleKind::File);
    if (handle == nullptr) {
        return failWith(ERROR_INVALID_HANDLE, FALSE);
    }
    if (context == nullptr || read == nullptr || (buffer == nullptr && toRead > 0)) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    if (!accessBits(handle->access).read) {
        return failWith(ERROR_ACCESS_DENIED, FALSE);
    }
    if (*context == nullptr) {
        const std::uintptr_t id = m.nextHandle;
        m.nextHandle += 4;
        m.contexts.emplace(id, makeContext(*handle->node, processSecurity != FALSE, m.securityRecordSize));
        *context = handleValue(id);
    }
    auto it = m.contexts.find(handleId(*context));
    if (it == m.contexts.end()) {
        return failWith(ERROR_INVALID_PARAMETER, FALSE);
    }
    TBackupContext& stream = it->second;
    const DWORD limit = m.backupReadLimit > 0 ? std::min(toRead, m.backupReadLimit) : toRead;
    DWORD done = 0;
    while (done < limit && stream.record < stream.records.size()) {
        const TBackupRecord& record = stream.records[stream.record];
        if (stream.position >= record.total()) {
            ++stream.record;
            stream.position = 0;
            continue;
        }
        const auto count =
            static_cast<DWORD>(std::min<std::uint64_t>(limit - done, record.total() - stream.position));
        readRecord(record, stream.position, buffer + done, count);
        stream.position += count;
        done += count;
    }
    *read = done;
    return TRUE;
}

BOOL TSimStore::BackupSeek(HANDLE file, DWORD lowBytesToSeek, DWORD highBytesToSeek, DWORD* lowSeeked,
                           DWORD* highSeeked, void** context) {
    if (lowSeeked != nullptr) {
        *lowSeeked = 0;
    }
    if (highSeeked != nullptr) {
        *highSeeked = 0;
    }
    if (TGate gate = FImpl->enter(TCall::BackupSeek, nullptr, file); gate.fail) {
        return failWith(gate.error, FALSE);
    }
    std::lock_guard lock(FImpl->mutex);
    TImpl& m = *FImpl;
    if (m.findHandle(file, THandleKind::File) == nullptr) {
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

} // namespace plat::store
