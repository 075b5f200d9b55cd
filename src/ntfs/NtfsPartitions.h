#pragma once
// The partition table of a disk image: a bare volume (boot sector at 0), MBR with its extended chain of
// logical partitions, GPT (512- and 4096-byte sectors; the backup header when the primary is damaged),
// and a fixed VHD's disk (the file less its 512-byte footer). Every byte is hostile: each entry is held
// to the disk, chains and entry arrays are bounded, loops are cut. What a partition holds is not judged
// here (its type byte is only a name): the volume's own boot sector decides.

#include "ntfs/NtfsDevice.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ntfs {

enum class TDiskLayout {
    unknown,         // no partition table and no NTFS boot sector
    bareVolume,      // the disk is one volume: an NTFS boot sector at 0
    mbr,             // an MBR (logical partitions of its extended one included)
    gpt,             // a GPT (its protective MBR aside)
    dynamicVhd,      // a VHD whose disk is not stored as is: not read
    differencingVhd, // a VHD holding the changes to another: not read
};

struct TPartition {
    unsigned number = 0;      // as users see it: MBR slots 1-4, logical partitions from 5; GPT entry + 1
    std::uint64_t offset = 0; // in the image, in bytes
    std::uint64_t length = 0;
    std::wstring type; // what the table says it holds: "FAT32", "Linux", "type 0x42", a GUID
};

struct TPartitionTable {
    TDiskLayout layout = TDiskLayout::unknown;
    bool fixedVhd = false;      // the disk is the image less a fixed VHD's footer
    std::uint64_t diskSize = 0; // bytes of the disk (TNtfsDevice::kUnknownSize when the device cannot tell)
    std::uint32_t sectorSize = 512;
    std::vector<TPartition> partitions; // each within the disk, at least a sector long; in table order
    std::vector<std::wstring> problems; // what was refused or found damaged, for the user
};

// Partitions beyond this many are left out (a hostile table would otherwise multiply the work).
constexpr std::size_t kMaxPartitions = 128;

TPartitionTable readPartitionTable(TNtfsDevice& image);

// What the table holds, for a message: "MBR with 2 partitions: FAT32, Linux", "fixed VHD, GPT with 1
// partition: Linux", "no partition table and no NTFS boot sector", "dynamic VHD: not supported"; the
// problems follow after "; ".
std::wstring describeTable(const TPartitionTable& table);

// Shared by the table readers. Reads bytes of the disk: false when they do not all lie within it.
bool readDisk(TNtfsDevice& image, std::uint64_t diskSize, std::uint64_t offset, void* buffer,
              std::size_t count);
// The GPT of a disk whose MBR is protective (NtfsGpt.cpp), into the table (its diskSize set).
void readGpt(TNtfsDevice& image, TPartitionTable& table);

// CRC-32 as GPT uses it (the IEEE polynomial, reflected), continued from crc (0 to start).
std::uint32_t crc32(const std::uint8_t* bytes, std::size_t count, std::uint32_t crc = 0);

} // namespace ntfs
