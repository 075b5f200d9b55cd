#include "ntfs/NtfsDevice.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <mutex>
#include <vector>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ntfs {

namespace {

class TImageFile final : public TNtfsDevice {
public:
    explicit TImageFile(const std::filesystem::path& path) : FStream(path, std::ios::binary) {}
    bool opened() const { return FStream.is_open(); }

    bool read(std::uint64_t offset, void* buffer, std::size_t count) override {
        if (offset > static_cast<std::uint64_t>(INT64_MAX) - count) {
            return false;
        }
        std::lock_guard lock(FMutex);
        FStream.clear();
        FStream.seekg(static_cast<std::streamoff>(offset));
        FStream.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
        return FStream.gcount() == static_cast<std::streamsize>(count);
    }

private:
    std::mutex FMutex;
    std::ifstream FStream;
};

#if !defined(_WIN32)
// An image file mapped into memory read only, at its size when opened: its bytes are read in place,
// without a copy into a buffer of ours. Every offset is checked against that size, so a truncated image
// gives failed reads, never an access past the mapping's end.
class TMappedImage final : public TNtfsDevice {
public:
    static std::unique_ptr<TMappedImage> open(const std::filesystem::path& path) {
        const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (descriptor < 0) {
            return nullptr;
        }
        struct stat status {};
        void* address = MAP_FAILED;
        std::uint64_t size = 0;
        if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0 &&
            static_cast<std::uint64_t>(status.st_size) <= SIZE_MAX) {
            size = static_cast<std::uint64_t>(status.st_size);
            address = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, descriptor, 0);
        }
        ::close(descriptor); // the mapping keeps the file
        if (address == MAP_FAILED) {
            return nullptr;
        }
        return std::unique_ptr<TMappedImage>(
            new TMappedImage(static_cast<const std::uint8_t*>(address), size));
    }
    ~TMappedImage() override { ::munmap(const_cast<std::uint8_t*>(FBytes), static_cast<std::size_t>(FSize)); }
    TMappedImage(const TMappedImage&) = delete;
    TMappedImage& operator=(const TMappedImage&) = delete;

    bool read(std::uint64_t offset, void* buffer, std::size_t count) override {
        const std::uint8_t* bytes = view(offset, count);
        if (bytes == nullptr) {
            return false;
        }
        std::memcpy(buffer, bytes, count);
        return true;
    }

    const std::uint8_t* view(std::uint64_t offset, std::size_t count) const override {
        return offset <= FSize && count <= FSize - offset ? FBytes + offset : nullptr;
    }

private:
    TMappedImage(const std::uint8_t* bytes, std::uint64_t size) : FBytes(bytes), FSize(size) {}

    const std::uint8_t* FBytes;
    std::uint64_t FSize;
};
#endif

// Bytes held in memory: the fuzz target's volumes and images built by tests.
class TMemoryDevice final : public TNtfsDevice {
public:
    explicit TMemoryDevice(std::vector<std::uint8_t> bytes) : FBytes(std::move(bytes)) {}

    bool read(std::uint64_t offset, void* buffer, std::size_t count) override {
        const std::uint8_t* bytes = view(offset, count);
        if (bytes == nullptr) {
            return false;
        }
        std::copy_n(bytes, count, static_cast<std::uint8_t*>(buffer));
        return true;
    }

    const std::uint8_t* view(std::uint64_t offset, std::size_t count) const override {
        return offset <= FBytes.size() && count <= FBytes.size() - offset ? FBytes.data() + offset : nullptr;
    }

private:
    std::vector<std::uint8_t> FBytes;
};

} // namespace

std::unique_ptr<TNtfsDevice> openImageFile(const std::filesystem::path& path) {
#if !defined(_WIN32)
    if (auto mapped = TMappedImage::open(path)) {
        return mapped;
    }
#endif
    auto device = std::make_unique<TImageFile>(path);
    if (!device->opened()) {
        return nullptr;
    }
    return device;
}

std::unique_ptr<TNtfsDevice> openMemoryDevice(std::vector<std::uint8_t> bytes) {
    return std::make_unique<TMemoryDevice>(std::move(bytes));
}

} // namespace ntfs
