// GPT: the header at LBA 1 (or its backup at the disk's last LBA), both checksums, and the entries.

#include "ntfs/NtfsPartitions.h"

#include <array>
#include <cstring>

namespace ntfs {

namespace {

constexpr std::size_t kHeaderSize = 92;
constexpr std::uint32_t kMaxEntrySize = 4096;
constexpr std::uint64_t kMaxEntryBytes = 1u << 20; // the array's bytes (the usual table is 16 KiB)

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint64_t le64(const std::uint8_t* p) {
    return le32(p) | static_cast<std::uint64_t>(le32(p + 4)) << 32;
}

// A GUID as text, its first three fields stored little-endian.
std::wstring guidText(const std::uint8_t* g) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    static const int order[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::wstring text;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text += L'-';
        }
        text += digits[g[order[i]] >> 4];
        text += digits[g[order[i]] & 15];
    }
    return text;
}

std::wstring gptTypeName(const std::uint8_t* guid) {
    static const std::array<std::pair<const wchar_t*, const wchar_t*>, 8> known = {{
        {L"EBD0A0A2-B9E5-4433-87C0-68B6B72699C7", L"Microsoft basic data"},
        {L"E3C9E316-0B5C-4DB8-817D-F92DF00215AE", L"Microsoft reserved"},
        {L"DE94BBA4-06D1-4D40-A16A-BFD50179D6AC", L"Windows recovery"},
        {L"C12A7328-F81F-11D2-BA4B-00A0C93EC93B", L"EFI System"},
        {L"0FC63DAF-8483-4772-8E79-3D69D8477DE4", L"Linux"},
        {L"0657FD6D-A4AB-43C4-84E5-0933C84B4F4F", L"Linux swap"},
        {L"E6D6D379-F507-44C2-A23C-238F2A3DF928", L"Linux LVM"},
        {L"48465300-0000-11AA-AA11-00306543ECAC", L"HFS+"},
    }};
    const std::wstring text = guidText(guid);
    for (const auto& [id, name] : known) {
        if (text == id) {
            return name;
        }
    }
    return text;
}

// Reads the GPT whose header is at the LBA; true when header and entries hold together (the partitions
// are then in the table). Otherwise why, empty when there is no header there at all.
bool tryGpt(TNtfsDevice& image, TPartitionTable& table, std::uint32_t sectorSize, std::uint64_t lba,
            std::wstring& damage) {
    const std::uint64_t diskSize = table.diskSize;
    std::vector<std::uint8_t> header(sectorSize);
    if (lba > diskSize / sectorSize ||
        !readDisk(image, diskSize, lba * sectorSize, header.data(), header.size()) ||
        std::memcmp(header.data(), "EFI PART", 8) != 0) {
        return false;
    }
    const std::uint32_t headerSize = le32(&header[12]);
    if (headerSize < kHeaderSize || headerSize > sectorSize) {
        damage = L"header size " + std::to_wstring(headerSize);
        return false;
    }
    const std::uint32_t headerCrc = le32(&header[16]);
    std::memset(&header[16], 0, 4);
    if (crc32(header.data(), headerSize) != headerCrc) {
        damage = L"bad header checksum";
        return false;
    }
    if (le64(&header[24]) != lba) {
        damage = L"header in the wrong place";
        return false;
    }
    const std::uint64_t entriesLba = le64(&header[72]);
    const std::uint32_t count = le32(&header[80]);
    const std::uint32_t entrySize = le32(&header[84]);
    if (entrySize < 128 || entrySize > kMaxEntrySize || entrySize % 8 != 0) {
        damage = L"entry size " + std::to_wstring(entrySize);
        return false;
    }
    const std::uint64_t entryBytes = std::uint64_t{count} * entrySize;
    if (entryBytes > kMaxEntryBytes) {
        damage = std::to_wstring(count) + L" entries";
        return false;
    }
    std::vector<std::uint8_t> entries(static_cast<std::size_t>(entryBytes));
    if (entriesLba > diskSize / sectorSize ||
        !readDisk(image, diskSize, entriesLba * sectorSize, entries.data(), entries.size())) {
        damage = L"entries beyond the end of the disk";
        return false;
    }
    if (crc32(entries.data(), entries.size()) != le32(&header[88])) {
        damage = L"bad entries checksum";
        return false;
    }
    table.sectorSize = sectorSize;
    const std::uint64_t diskSectors = diskSize / sectorSize;
    for (std::uint32_t index = 0; index < count; ++index) {
        const std::uint8_t* entry = &entries[std::size_t{index} * entrySize];
        static const std::uint8_t unused[16] = {};
        if (std::memcmp(entry, unused, 16) == 0) {
            continue;
        }
        const std::uint64_t first = le64(entry + 32);
        const std::uint64_t last = le64(entry + 40);
        const std::wstring name = L"partition " + std::to_wstring(index + 1);
        // last < diskSectors keeps (last + 1) * sectorSize within 64 bits.
        if (first > last || last >= diskSectors) {
            table.problems.push_back(
                name + (first > last ? L" ends before it starts" : L" reaches past the end of the disk"));
        } else if (table.partitions.size() == kMaxPartitions) {
            table.problems.push_back(name + L" and later ones are left out: too many partitions");
            break;
        } else {
            table.partitions.push_back(
                {index + 1, first * sectorSize, (last - first + 1) * sectorSize, gptTypeName(entry)});
        }
    }
    return true;
}

} // namespace

std::uint32_t crc32(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (std::size_t i = 0; i < count; ++i) {
        crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

void readGpt(TNtfsDevice& image, TPartitionTable& table) {
    table.layout = TDiskLayout::gpt;
    std::wstring primaryDamage;
    for (const std::uint32_t sectorSize : {512u, 4096u}) {
        std::wstring damage;
        if (tryGpt(image, table, sectorSize, 1, damage)) {
            return;
        }
        if (primaryDamage.empty()) {
            primaryDamage = damage;
        }
    }
    // The backup header sits at the disk's last LBA.
    for (const std::uint32_t sectorSize : {512u, 4096u}) {
        std::wstring damage;
        if (table.diskSize / sectorSize >= 2 &&
            tryGpt(image, table, sectorSize, table.diskSize / sectorSize - 1, damage)) {
            table.problems.insert(table.problems.begin(), primaryDamage.empty()
                                                              ? L"no primary GPT header; its backup is used"
                                                              : L"the primary GPT is damaged (" +
                                                                    primaryDamage + L"); its backup is used");
            return;
        }
    }
    table.problems.push_back(primaryDamage.empty() ? L"no GPT header after the protective MBR"
                                                   : L"the GPT is damaged (" + primaryDamage + L")");
}

} // namespace ntfs
