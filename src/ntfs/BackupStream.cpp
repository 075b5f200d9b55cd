#include "ntfs/BackupStream.h"

#include "ntfs/Utf16.h"

namespace ntfs {

namespace {

void putLittleEndian(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

} // namespace

std::string backupRecordHead(std::uint32_t streamId, std::uint32_t attributes, std::uint64_t size,
                             std::wstring_view name) {
    const std::string nameBytes = encodeUtf16Le(std::wstring(name));
    std::string head;
    head.reserve(kBackupRecordHeaderSize + nameBytes.size());
    putLittleEndian(head, streamId, 4);
    putLittleEndian(head, attributes, 4);
    putLittleEndian(head, size, 8);
    putLittleEndian(head, nameBytes.size(), 4);
    return head + nameBytes;
}

} // namespace ntfs
