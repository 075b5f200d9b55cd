#pragma once
// What the containers fuzz target does with one input, written to a file first (the libraries read
// files): the file opened as the program opens images, its format recognised by content, the library's
// device held to the disk's size, the partition table read over it and each NTFS volume opened. Reads
// inside the disk may fail (the container is damaged) but never reach past it. Answers an empty text
// when all held, otherwise what went wrong.

#include "ntfs/NtfsContainer.h"
#include "ntfs/NtfsDiskImage.h"

#include <algorithm>
#include <string>
#include <vector>

namespace fuzzchecks {

inline std::string checkContainer(const std::filesystem::path& file) {
    ntfs::TContainer container = ntfs::openContainer(file);
    if (!container.device) {
        return container.error.empty() ? "a container that did not open gave no reason" : "";
    }
    const std::uint64_t diskSize = container.device->size();
    if (diskSize != container.facts.mediaSize) {
        return "the device's size is not the container's media size";
    }
    std::vector<std::uint8_t> buffer(4096);
    // The first sectors and the last, whatever the container claims the disk holds.
    for (const std::uint64_t offset : {std::uint64_t{0}, diskSize > 4096 ? diskSize - 4096 : 0}) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), diskSize));
        container.device->read(offset, buffer.data(), count);
    }
    if (container.device->read(diskSize, buffer.data(), 1) ||
        (diskSize > 0 && container.device->read(diskSize - 1, buffer.data(), 2))) {
        return "a read past the disk's end succeeded";
    }
    const ntfs::TDiskImage disk = ntfs::openDiskImage(container.device, L"input");
    for (const ntfs::TImageVolume& volume : disk.volumes) {
        if (volume.offset > diskSize || volume.size > diskSize - volume.offset) {
            return "a volume lies outside the disk";
        }
    }
    return {};
}

} // namespace fuzzchecks
