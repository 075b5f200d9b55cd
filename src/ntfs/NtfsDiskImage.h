#pragma once
// Every NTFS volume of a disk image (in whatever container it came): its partition table read
// (NtfsPartitions.h), each partition tried with the engine's open, so that the volume's own boot sector
// decides, never the partition's type. The image is opened for reading only.

#include "ntfs/NtfsContainer.h"
#include "ntfs/NtfsPartitions.h"
#include "ntfs/NtfsVolume.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace ntfs {

struct TImageVolume {
    unsigned number = 0;      // the partition's number as users see it; 0 when the image is the volume
    std::uint64_t offset = 0; // in the image, in bytes
    std::uint64_t size = 0;
    std::unique_ptr<TNtfsVolume> volume;         // null when its NTFS volume could not be opened...
    TNtfsOpenError error = TNtfsOpenError::none; // ...and why
};

struct TDiskImage {
    TContainerFacts container; // what the disk came in (when it was opened from a file)
    TPartitionTable table;
    // Each partition with an NTFS boot sector, in table order, opened or not; the others are left out.
    std::vector<TImageVolume> volumes;
    // When no volume opened, what was found: "no NTFS volume in evidence.dd (MBR with 2 partitions:
    // FAT32, Linux)"; empty otherwise.
    std::wstring error;
};

// name is the image's name in the texts (its file name). stop, when given, is polled while each
// volume's catalogue loads (TNtfsVolume::open): once it is raised, no further volume is opened.
TDiskImage openDiskImage(std::shared_ptr<TNtfsDevice> image, const std::wstring& name,
                         const std::atomic<bool>* stop = nullptr);
// The disk in the container at path (NtfsContainer.h): a raw image, split raw, E01, VHDX, VHD, VMDK.
TDiskImage openDiskImage(const std::filesystem::path& path, TSplitNames names = TSplitNames::numbered,
                         const std::atomic<bool>* stop = nullptr);

// Why the engine could not open a volume, for a message: "its master file table is damaged".
std::wstring describeOpenError(TNtfsOpenError error);

} // namespace ntfs
