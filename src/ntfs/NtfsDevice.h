#pragma once
// Where a volume's bytes come from: an image file, bytes in memory, or (through an adapter outside the
// engine) a raw volume. Reads are safe from several threads at once.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <vector>

namespace ntfs {

class TNtfsDevice {
public:
    virtual ~TNtfsDevice() = default;
    // Reads exactly count bytes from the offset; false when they cannot all be read.
    virtual bool read(std::uint64_t offset, void* buffer, std::size_t count) = 0;
    // The bytes in place, when the device holds them in memory (a mapped image file) and all count of
    // them lie within it; null otherwise, and read() is the way to them. Valid while the device lives.
    virtual const std::uint8_t* view(std::uint64_t /*offset*/, std::size_t /*count*/) const {
        return nullptr;
    }
};

// An image file of a volume; null when it cannot be opened. Where the system allows, the file is mapped
// into memory (its real size only, every offset checked against it) so that its bytes are read in
// place; otherwise, and when mapping fails, it is read through a stream.
std::unique_ptr<TNtfsDevice> openImageFile(const std::filesystem::path& path);

// Bytes held in memory, read in place.
std::unique_ptr<TNtfsDevice> openMemoryDevice(std::vector<std::uint8_t> bytes);

} // namespace ntfs
