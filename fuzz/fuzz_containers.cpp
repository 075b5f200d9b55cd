// Fuzz target: an evidence container (E01, VHD, VHDX, VMDK) from bytes. The input is written to a file
// (the libraries read files) and opened as the program opens images: its format recognised by content,
// the library's device held to the disk's size, the partition table read over it and each NTFS volume
// opened. Reads inside the disk may fail (the container is damaged) but must never reach past it.

#include "ntfs/NtfsContainer.h"
#include "ntfs/NtfsDiskImage.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::filesystem::path& inputFile() {
    static const std::filesystem::path path = [] {
        const char* shm = "/dev/shm";
        const std::filesystem::path folder =
            std::filesystem::path(std::filesystem::is_directory(shm) ? shm : "/tmp") /
            ("ombrolux-fuzz-containers-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        return folder / "input.E01";
    }();
    return path;
}

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz_containers: %s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream out(inputFile(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    ntfs::TContainer container = ntfs::openContainer(inputFile());
    if (!container.device) {
        if (container.error.empty()) {
            fail("a container that did not open gave no reason");
        }
        return 0;
    }
    const std::uint64_t diskSize = container.device->size();
    if (diskSize != container.facts.mediaSize) {
        fail("the device's size is not the container's media size");
    }
    std::vector<std::uint8_t> buffer(4096);
    // The first sectors and the last, whatever the container claims the disk holds.
    for (const std::uint64_t offset : {std::uint64_t{0}, diskSize > 4096 ? diskSize - 4096 : 0}) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), diskSize));
        container.device->read(offset, buffer.data(), count);
    }
    if (container.device->read(diskSize, buffer.data(), 1) ||
        (diskSize > 0 && container.device->read(diskSize - 1, buffer.data(), 2))) {
        fail("a read past the disk's end succeeded");
    }
    const ntfs::TDiskImage disk = ntfs::openDiskImage(container.device, L"input.E01");
    for (const ntfs::TImageVolume& volume : disk.volumes) {
        if (volume.offset > diskSize || volume.size > diskSize - volume.offset) {
            fail("a volume lies outside the disk");
        }
    }
    return 0;
}
