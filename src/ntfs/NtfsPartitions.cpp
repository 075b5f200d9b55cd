#include "ntfs/NtfsPartitions.h"

#include <array>
#include <cstring>
#include <set>

namespace ntfs {

namespace {

constexpr std::size_t kSector = 512;      // an MBR's and an EBR's sector, and a VHD footer's size
constexpr std::size_t kMaxEbrChain = 128; // logical partitions followed before the chain is cut
constexpr std::size_t kEntriesAt = 0x1BE; // the MBR's four entries of 16 bytes
constexpr std::uint8_t kProtectiveGpt = 0xEE;

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint32_t be32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

bool isExtended(std::uint8_t type) {
    return type == 0x05 || type == 0x0F || type == 0x85;
}

std::wstring mbrTypeName(std::uint8_t type) {
    switch (type) {
    case 0x01:
        return L"FAT12";
    case 0x04:
    case 0x06:
    case 0x0E:
        return L"FAT16";
    case 0x0B:
    case 0x0C:
        return L"FAT32";
    case 0x07:
        return L"NTFS/exFAT";
    case 0x27:
        return L"Windows recovery";
    case 0x82:
        return L"Linux swap";
    case 0x83:
        return L"Linux";
    case 0x8E:
        return L"Linux LVM";
    case 0xA5:
        return L"FreeBSD";
    case 0xAF:
        return L"HFS+";
    case 0xEF:
        return L"EFI System";
    case 0xFD:
        return L"Linux RAID";
    default:
        break;
    }
    static const wchar_t digits[] = L"0123456789ABCDEF";
    return std::wstring(L"type 0x") + digits[type >> 4] + digits[type & 15];
}

struct TMbrEntry {
    std::uint8_t status = 0;
    std::uint8_t type = 0;
    std::uint64_t start = 0; // LBA
    std::uint64_t count = 0;
};

// The four entries of an MBR or EBR sector; false when it is not one (no signature, or a status byte that
// is neither 0 nor 0x80, as in a volume's boot code).
bool readEntries(const std::uint8_t* sector, std::array<TMbrEntry, 4>& entries) {
    if (sector[510] != 0x55 || sector[511] != 0xAA) {
        return false;
    }
    for (std::size_t slot = 0; slot < 4; ++slot) {
        const std::uint8_t* e = sector + kEntriesAt + 16 * slot;
        entries[slot] = {e[0], e[4], le32(e + 8), le32(e + 12)};
        if (entries[slot].status != 0 && entries[slot].status != 0x80) {
            return false;
        }
    }
    return true;
}

// Keeps a partition of an MBR or EBR entry when it lies within the disk.
void addMbrPartition(TPartitionTable& table, unsigned number, std::uint64_t startLba,
                     const TMbrEntry& entry) {
    // Both LBAs come from 32-bit fields (a logical one from two), so the bytes cannot wrap 64 bits.
    const std::uint64_t offset = startLba * kSector;
    const std::uint64_t length = entry.count * kSector;
    const std::wstring name = L"partition " + std::to_wstring(number);
    if (entry.count == 0) {
        table.problems.push_back(name + L" is empty");
    } else if (offset > table.diskSize || length > table.diskSize - offset) {
        table.problems.push_back(name + L" reaches past the end of the disk");
    } else if (table.partitions.size() == kMaxPartitions) {
        table.problems.push_back(name + L" and later ones are left out: too many partitions");
    } else {
        table.partitions.push_back({number, offset, length, mbrTypeName(entry.type)});
    }
}

// The logical partitions of an extended one: a chain of EBRs, each holding one partition (relative to
// itself) and the link to the next (relative to the extended partition's start).
void readEbrChain(TNtfsDevice& image, TPartitionTable& table, std::uint64_t extendedLba) {
    std::set<std::uint64_t> visited;
    std::uint64_t ebrLba = extendedLba;
    unsigned number = 5;
    for (std::size_t step = 0;; ++step) {
        if (step == kMaxEbrChain) {
            table.problems.push_back(L"the chain of logical partitions is cut after " +
                                     std::to_wstring(kMaxEbrChain));
            return;
        }
        if (!visited.insert(ebrLba).second) {
            table.problems.push_back(L"the chain of logical partitions loops");
            return;
        }
        std::uint8_t sector[kSector];
        std::array<TMbrEntry, 4> entries;
        if (!readDisk(image, table.diskSize, ebrLba * kSector, sector, sizeof sector) ||
            !readEntries(sector, entries)) {
            table.problems.push_back(L"an extended partition's table is damaged or missing");
            return;
        }
        if (entries[0].type != 0) {
            addMbrPartition(table, number++, ebrLba + entries[0].start, entries[0]);
        }
        if (!isExtended(entries[1].type) || entries[1].start == 0) {
            return;
        }
        ebrLba = extendedLba + entries[1].start;
    }
}

void readMbr(TNtfsDevice& image, TPartitionTable& table, const std::array<TMbrEntry, 4>& entries) {
    table.layout = TDiskLayout::mbr;
    bool extendedRead = false;
    for (unsigned slot = 0; slot < 4; ++slot) {
        const TMbrEntry& entry = entries[slot];
        if (entry.type == 0) {
            continue;
        }
        if (!isExtended(entry.type)) {
            addMbrPartition(table, slot + 1, entry.start, entry);
        } else if (!extendedRead) { // an MBR has one extended partition; others are not followed
            extendedRead = true;
            readEbrChain(image, table, entry.start);
        }
    }
}

// A VHD's footer at the image's end (a dynamic one's copy at its start too). The disk of a fixed VHD is
// the image less the footer; the others are refused.
void readVhdFooter(TNtfsDevice& image, TPartitionTable& table) {
    const std::uint64_t size = image.size();
    if (size == TNtfsDevice::kUnknownSize || size < kSector) {
        return;
    }
    std::uint8_t footer[kSector];
    for (const std::uint64_t at : {size - kSector, std::uint64_t{0}}) {
        if (!image.read(at, footer, sizeof footer) || std::memcmp(footer, "conectix", 8) != 0) {
            continue;
        }
        const std::uint32_t diskType = be32(footer + 60);
        if (at != 0 && diskType == 2) {
            table.fixedVhd = true;
            table.diskSize = size - kSector;
            std::uint32_t sum = 0;
            for (std::size_t i = 0; i < sizeof footer; ++i) {
                sum += i >= 64 && i < 68 ? 0 : footer[i];
            }
            if (~sum != be32(footer + 64)) {
                table.problems.push_back(L"the VHD footer's checksum does not match");
            }
            return;
        }
        if (diskType == 3 || diskType == 4) {
            table.layout = diskType == 3 ? TDiskLayout::dynamicVhd : TDiskLayout::differencingVhd;
            return;
        }
    }
}

} // namespace

bool readDisk(TNtfsDevice& image, std::uint64_t diskSize, std::uint64_t offset, void* buffer,
              std::size_t count) {
    return offset <= diskSize && count <= diskSize - offset && image.read(offset, buffer, count);
}

TPartitionTable readPartitionTable(TNtfsDevice& image) {
    TPartitionTable table;
    table.diskSize = image.size();
    readVhdFooter(image, table);
    if (table.layout != TDiskLayout::unknown) {
        return table;
    }
    std::uint8_t sector[kSector];
    if (!readDisk(image, table.diskSize, 0, sector, sizeof sector)) {
        return table;
    }
    // A bare volume: NTFS, or BitLocker's over one (named so that the error can say it is encrypted).
    const bool bitLocker = std::memcmp(sector + 3, "-FVE-FS-", 8) == 0;
    if (bitLocker || std::memcmp(sector + 3, "NTFS    ", 8) == 0) {
        table.layout = TDiskLayout::bareVolume;
        table.partitions.push_back({0, 0, table.diskSize, bitLocker ? L"BitLocker" : L"NTFS"});
        return table;
    }
    std::array<TMbrEntry, 4> entries;
    if (!readEntries(sector, entries)) {
        return table;
    }
    for (const TMbrEntry& entry : entries) {
        if (entry.type == kProtectiveGpt) {
            readGpt(image, table);
            return table;
        }
    }
    readMbr(image, table, entries);
    return table;
}

std::wstring describeTable(const TPartitionTable& table) {
    std::wstring text = table.fixedVhd ? L"fixed VHD, " : L"";
    switch (table.layout) {
    case TDiskLayout::unknown:
        text += L"no partition table and no NTFS boot sector";
        break;
    case TDiskLayout::bareVolume:
        text += L"one volume with an NTFS boot sector";
        break;
    case TDiskLayout::dynamicVhd:
        text += L"dynamic VHD: not supported";
        break;
    case TDiskLayout::differencingVhd:
        text += L"differencing VHD: not supported";
        break;
    case TDiskLayout::mbr:
    case TDiskLayout::gpt: {
        const std::size_t count = table.partitions.size();
        text += table.layout == TDiskLayout::mbr ? L"MBR with " : L"GPT with ";
        text += count == 0 ? L"no partitions"
                           : std::to_wstring(count) + (count == 1 ? L" partition" : L" partitions");
        for (std::size_t i = 0; i < count; ++i) {
            text += (i == 0 ? L": " : L", ") + table.partitions[i].type;
        }
        break;
    }
    }
    for (const std::wstring& problem : table.problems) {
        text += L"; " + problem;
    }
    return text;
}

} // namespace ntfs
