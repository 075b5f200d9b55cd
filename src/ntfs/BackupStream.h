#pragma once
// The backup byte stream, as BackupRead gives it: a record per stream, each a 20-byte header (stream
// id, attributes, data size, name size), the stream's name in UTF-16LE and its data. A file's stream
// is the security descriptor (when asked for), the main data of a file, then every named stream.
// Made once here for every source of files (the simulated store, a volume read directly); the data
// of a record comes from the caller's stream through a read function, so nothing is copied up front.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace ntfs {

constexpr std::uint32_t kBackupData = 0x1;
constexpr std::uint32_t kBackupSecurityData = 0x3;
constexpr std::uint32_t kBackupAlternateData = 0x4;
constexpr std::uint32_t kBackupStreamContainsSecurity = 0x2;
constexpr std::uint32_t kBackupStreamSparse = 0x8;
constexpr std::size_t kBackupRecordHeaderSize = 20;

// The header and name of a record.
std::string backupRecordHead(std::uint32_t streamId, std::uint32_t attributes, std::uint64_t size,
                             std::wstring_view name);

// One record: its header and name, then the data from the caller's stream (or the bytes kept with it).
template <typename Source> struct TBackupRecord {
    std::string head;
    std::string fixed;            // the data when there is no source (a security descriptor)
    const Source* data = nullptr; // the stream the data is read from
    std::uint64_t dataSize = 0;
    std::uint64_t total() const { return head.size() + dataSize; }
};

// A backup read in progress: the records of one file and the position in them.
template <typename Source> class TBackupStream {
public:
    void addSecurity(std::string descriptor) {
        TBackupRecord<Source>& record = FRecords.emplace_back();
        record.dataSize = descriptor.size();
        record.head =
            backupRecordHead(kBackupSecurityData, kBackupStreamContainsSecurity, record.dataSize, {});
        record.fixed = std::move(descriptor);
    }
    // The main data (an empty name) or a named stream.
    void addStream(const Source* data, std::wstring_view name, std::uint64_t size, bool sparse) {
        TBackupRecord<Source>& record = FRecords.emplace_back();
        record.data = data;
        record.dataSize = size;
        const std::uint32_t attributes = sparse ? kBackupStreamSparse : 0;
        record.head = name.empty() ? backupRecordHead(kBackupData, attributes, size, {})
                                   : backupRecordHead(kBackupAlternateData, attributes, size,
                                                      L":" + std::wstring(name) + L":$DATA");
    }
    // A record given as it stands (a head that may be cut short, and its data).
    void addRaw(std::string head, std::string data) {
        TBackupRecord<Source>& record = FRecords.emplace_back();
        record.head = std::move(head);
        record.dataSize = data.size();
        record.fixed = std::move(data);
    }

    // Copies up to count bytes from the position on, and moves past them. A header and name come in one
    // piece, the data in another, so a header is given whole even when the data after it cannot be
    // read. readData(source, offset, out, count) gives a record's data and is false when it cannot;
    // then what came before is given and failed is set only when nothing came (the next call fails).
    template <typename ReadData>
    std::size_t read(std::uint8_t* out, std::size_t count, ReadData&& readData, bool& failed) {
        failed = false;
        std::size_t done = 0;
        while (done < count && FRecord < FRecords.size()) {
            const TBackupRecord<Source>& record = FRecords[FRecord];
            if (FPosition >= record.total()) {
                ++FRecord;
                FPosition = 0;
                continue;
            }
            const std::uint64_t end = FPosition < record.head.size() ? record.head.size() : record.total();
            const auto piece =
                static_cast<std::size_t>(std::min<std::uint64_t>(count - done, end - FPosition));
            if (FPosition < record.head.size()) {
                std::memcpy(out + done, record.head.data() + FPosition, piece);
            } else {
                const std::uint64_t at = FPosition - record.head.size();
                if (record.data == nullptr) {
                    std::memcpy(out + done, record.fixed.data() + at, piece);
                } else if (!readData(*record.data, at, out + done, piece)) {
                    failed = done == 0;
                    break;
                }
            }
            FPosition += piece;
            done += piece;
        }
        return done;
    }

    // The record being read, null past the last; the position within it, header included.
    const TBackupRecord<Source>* current() const {
        return FRecord < FRecords.size() ? &FRecords[FRecord] : nullptr;
    }
    std::uint64_t position() const { return FPosition; }
    // Moves on within the current record (BackupSeek's rules decide how far).
    void skip(std::uint64_t bytes) { FPosition += bytes; }

private:
    std::vector<TBackupRecord<Source>> FRecords;
    std::size_t FRecord = 0;
    std::uint64_t FPosition = 0;
};

} // namespace ntfs
