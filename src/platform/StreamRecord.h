#pragma once
// What a file system's own records say of one stream and its file, for reports that tie a stream to
// its file and its times: every value the services cannot give stays empty, never guessed.

#include <cstdint>
#include <optional>
#include <string>

namespace plat {

struct TStreamRecord {
    // The standard information's four times and those of the $FILE_NAME attribute that names the
    // path, in 100 ns ticks since 1601 (UTC).
    std::optional<std::uint64_t> siCreated, siModified, siAccessed, siChanged;
    std::optional<std::uint64_t> fnCreated, fnModified, fnAccessed, fnChanged;
    std::optional<std::uint32_t> attributeType; // 128 ($DATA) for every stream
    std::optional<std::uint32_t> attributeId;   // the attribute's instance in its record
    std::optional<bool> resident, sparse, compressed, encrypted;
    std::optional<bool> allocated; // the record is in use
    std::optional<bool> deleted;   // the record is no longer in use
    // For a deleted file's stream: whether a cluster it lay in now belongs to a file in use (then its
    // bytes may be another file's and are not trusted). Empty for files in use.
    std::optional<bool> clustersReused;
    std::optional<std::uint32_t> hardLinkCount;
    // The same text for every name of one file: the volume's serial number as Windows gives it (the
    // low 32 bits of NTFS's) and the file's index (NTFS: its MFT reference, the sequence number in
    // the top 16 bits), both in hexadecimal, so a live walk and a read of the volume agree.
    std::string fileId;
};

// "5e6f7081-0001000000000040".
std::string fileIdText(std::uint32_t volumeSerial, std::uint64_t fileIndex);

} // namespace plat
