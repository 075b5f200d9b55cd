// BackupRead and BackupSeek over the store: the records of a file's backup byte stream (its format is
// ntfs/BackupStream.h): a made-up security descriptor when asked for, the main data of a file, then
// every named stream; or the raw bytes a test gave for the file.

#include "platform/PositionRules.h"
#include "platform/store/StoreImpl.h"

#include <algorithm>
#include <cstring>

namespace plat::store {

using namespace detail;

namespace {

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
        if (bytes.size() - at < kBackupHeaderSize) {
            context.stream.addRaw(bytes.substr(at), std::string());
            break;
        }
        const auto dataSize = static_cast<std::int64_t>(readLittleEndian(bytes, at + 8, 8));
        const std::uint64_t nameSize = readLittleEndian(bytes, at + 16, 4);
        const std::size_t nameEnd = at + kBackupHeaderSize +
                                    static_cast<std::size_t>(std::min<std::uint64_t>(
                                        nameSize, bytes.size() - at - kBackupHeaderSize));
        const std::uint64_t available = bytes.size() - nameEnd;
        const auto kept = static_cast<std::size_t>(
            dataSize > 0 ? std::min(static_cast<std::uint64_t>(dataSize), available) : 0);
        context.stream.addRaw(bytes.substr(at, nameEnd - at), bytes.substr(nameEnd, kept));
        at = nameEnd + kept;
    }
    return context;
}

TBackupContext makeContext(const TNode& node, bool withSecurity, DWORD securitySize) {
    if (node.rawBackup) {
        return rawContext(*node.rawBackup);
    }
    TBackupContext context;
    if (withSecurity && securitySize > 0) {
        context.stream.addSecurity(securityRecord(securitySize));
    }
    if (!node.folder) {
        context.stream.addStream(node.main.get(), {}, node.main->size, false);
        context.kept.push_back(node.main);
    }
    for (const auto& stream : node.streams) {
        context.stream.addStream(stream.get(), stream->name, stream->size, false);
        context.kept.push_back(stream);
    }
    return context;
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
    const DWORD limit = m.backupReadLimit > 0 ? std::min(toRead, m.backupReadLimit) : toRead;
    auto readData = [](const TData& data, std::uint64_t at, std::uint8_t* out, std::size_t count) {
        data.read(at, reinterpret_cast<char*>(out), count);
        return true;
    };
    bool failed = false;
    *read = static_cast<DWORD>(it->second.stream.read(buffer, limit, readData, failed));
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

} // namespace plat::store
