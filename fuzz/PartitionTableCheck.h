#pragma once
// What the partition table fuzz target does with one input: the input describes a disk image (as for the
// NTFS volume target, see imageOfInput), and its partition table is read from memory. Every partition
// kept must lie within the disk (and the disk within the image), be a sector long at least and carry a
// number of its own; a range device over it must give its last byte and refuse the one past it. Answers
// an empty text when all held, otherwise what went wrong.

#include "NtfsVolumeCheck.h"
#include "ntfs/NtfsDeviceRange.h"
#include "ntfs/NtfsPartitions.h"

#include <memory>
#include <set>
#include <string>

namespace fuzzchecks {

// Disks of at most 256 KiB: room for every table (a GPT of 4096-byte sectors with its backup, a chain of
// EBRs past its bound), and each run zeroes no more.
constexpr std::uint32_t kLargestDiskSectors = 512;

inline std::string checkPartitionTable(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> input(data, data + size);
    if (size >= 4 && (data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24) >
                         kLargestDiskSectors) {
        input[0] = kLargestDiskSectors & 0xFF;
        input[1] = kLargestDiskSectors >> 8 & 0xFF;
        input[2] = input[3] = 0;
    }
    std::shared_ptr<ntfs::TNtfsDevice> image = ntfs::openMemoryDevice(imageOfInput(input.data(), size));
    const ntfs::TPartitionTable table = ntfs::readPartitionTable(*image);
    if (table.diskSize > image->size()) {
        return "the disk is larger than the image";
    }
    if (table.partitions.size() > ntfs::kMaxPartitions) {
        return "more partitions than the bound";
    }
    if (ntfs::describeTable(table).empty()) {
        return "no description";
    }
    std::set<unsigned> numbers;
    for (const ntfs::TPartition& p : table.partitions) {
        const std::string which = "partition " + std::to_string(p.number);
        if (!numbers.insert(p.number).second) {
            return which + " twice";
        }
        if (p.length < 512 || p.offset > table.diskSize || p.length > table.diskSize - p.offset) {
            return which + " is not a sector long within the disk";
        }
        const std::unique_ptr<ntfs::TNtfsDevice> range = ntfs::openDeviceRange(image, p.offset, p.length);
        std::uint8_t byte = 0;
        if (!range || range->size() != p.length || !range->read(p.length - 1, &byte, 1) ||
            range->read(p.length, &byte, 1)) {
            return which + ": its range device does not keep to it";
        }
    }
    return {};
}

} // namespace fuzzchecks
