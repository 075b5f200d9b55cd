#include "ntfs/NtfsDevice.h"

#include <algorithm>
#include <vector>

#if defined(_WIN32)
#include <fstream>
#include <mutex>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ntfs {

namespace {

#if defined(_WIN32)
// An image file read through a stream.
class TImageFile final : public TNtfsDevice {
public:
    explicit TImageFile(const std::filesystem::path& path) : FStream(path, std::ios::binary) {
        if (FStream.is_open()) {
            FStream.seekg(0, std::ios::end);
            const std::streamoff end = FStream.tellg();
            FSize = end > 0 ? static_cast<std::uint64_t>(end) : 0;
        }
    }
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
    std::uint64_t size() const override { return FSize; }

private:
    std::mutex FMutex;
    std::ifstream FStream;
    std::uint64_t FSize = 0;
};
#else
// An image file read with pread, never mapped: another program may cut the file short while it is
// open, and a mapping would then fault on the pages past the new end; a read just comes back short.
class TImageFile final : public TNtfsDevice {
public:
    explicit TImageFile(const std::filesystem::path& path)
        : FDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {
        struct stat status {};
        if (FDescriptor >= 0 && ::fstat(FDescriptor, &status) == 0) {
            if (status.st_size > 0) {
                FSize = static_cast<std::uint64_t>(status.st_size);
            } else if (S_ISBLK(status.st_mode)) {
                // A block device has no file size; its end is where a seek to the end lands.
                const off_t end = ::lseek(FDescriptor, 0, SEEK_END);
                FSize = end > 0 ? static_cast<std::uint64_t>(end) : 0;
            }
        }
    }
    ~TImageFile() override {
        if (FDescriptor >= 0) {
            ::close(FDescriptor);
        }
    }
    TImageFile(const TImageFile&) = delete;
    TImageFile& operator=(const TImageFile&) = delete;
    bool opened() const { return FDescriptor >= 0; }

    bool read(std::uint64_t offset, void* buffer, std::size_t count) override {
        auto* out = static_cast<std::uint8_t*>(buffer);
        while (count > 0) {
            if (offset > static_cast<std::uint64_t>(INT64_MAX) - count) {
                return false;
            }
            const ssize_t got = ::pread(FDescriptor, out, count, static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false; // an error, or the end of the file
            }
            out += got;
            offset += static_cast<std::uint64_t>(got);
            count -= static_cast<std::size_t>(got);
        }
        return true;
    }
    std::uint64_t size() const override { return FSize; }

private:
    int FDescriptor;
    std::uint64_t FSize = 0;
};
#endif

// Bytes held in memory: the fuzz target's volumes and images built by tests.
// Bytes in memory, owned (the vector) or borrowed (only the pointer and size).
class TMemoryDevice final : public TNtfsDevice {
public:
    explicit TMemoryDevice(std::vector<std::uint8_t> bytes)
        : FOwned(std::move(bytes)), FBytes(FOwned.data()), FSize(FOwned.size()) {}
    TMemoryDevice(const std::uint8_t* bytes, std::size_t size) : FBytes(bytes), FSize(size) {}

    bool read(std::uint64_t offset, void* buffer, std::size_t count) override {
        const std::uint8_t* bytes = view(offset, count);
        if (bytes == nullptr) {
            return false;
        }
        std::copy_n(bytes, count, static_cast<std::uint8_t*>(buffer));
        return true;
    }

    const std::uint8_t* view(std::uint64_t offset, std::size_t count) const override {
        return offset <= FSize && count <= FSize - offset ? FBytes + offset : nullptr;
    }
    std::uint64_t size() const override { return FSize; }

private:
    std::vector<std::uint8_t> FOwned;
    const std::uint8_t* FBytes;
    std::size_t FSize;
};

} // namespace

std::unique_ptr<TNtfsDevice> openImageFile(const std::filesystem::path& path) {
    auto device = std::make_unique<TImageFile>(path);
    if (!device->opened()) {
        return nullptr;
    }
    return device;
}

std::unique_ptr<TNtfsDevice> openMemoryDevice(std::vector<std::uint8_t> bytes) {
    return std::make_unique<TMemoryDevice>(std::move(bytes));
}

std::unique_ptr<TNtfsDevice> openMemoryView(const std::uint8_t* bytes, std::size_t size) {
    return std::make_unique<TMemoryDevice>(bytes, size);
}

} // namespace ntfs
