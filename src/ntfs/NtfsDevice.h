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
    // The bytes in place, when the device holds them in memory and all count of them lie within it;
    // null otherwise, and read() is the way to them. Valid while the device lives.
    virtual const std::uint8_t* view(std::uint64_t /*offset*/, std::size_t /*count*/) const {
        return nullptr;
    }
    // How many bytes the device holds, as far as it knows (kUnknownSize when it cannot tell): what a
    // volume's claims of its own size are held to.
    static constexpr std::uint64_t kUnknownSize = UINT64_MAX;
    virtual std::uint64_t size() const { return kUnknownSize; }
};

// An image file of a volume, read only; null when it cannot be opened. Its size is taken at open; a
// file cut short later gives failed reads past its new end.
std::unique_ptr<TNtfsDevice> openImageFile(const std::filesystem::path& path);

// Bytes held in memory, read in place.
std::unique_ptr<TNtfsDevice> openMemoryDevice(std::vector<std::uint8_t> bytes);
// Bytes in memory the device does not own: they must outlive it and stay unchanged.
std::unique_ptr<TNtfsDevice> openMemoryView(const std::uint8_t* bytes, std::size_t size);

} // namespace ntfs
