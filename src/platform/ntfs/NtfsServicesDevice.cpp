#include "platform/ntfs/NtfsServicesDevice.h"

#include "ntfs/NtfsLayout.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

namespace plat::ntfs {

namespace {

// A volume handle reads whole sectors at sector-aligned offsets; 4096 covers every sector size NTFS uses.
constexpr std::uint64_t kBlock = 4096;
constexpr DWORD kLargestRead = 1u << 20;
// The largest offset a file pointer can be moved to.
constexpr std::uint64_t kLargestEnd = static_cast<std::uint64_t>(INT64_MAX);

class TServicesDevice final : public ::ntfs::TNtfsDevice {
public:
    TServicesDevice(TFileServices& services, HANDLE handle) : FServices(services), FHandle(handle) {}
    ~TServicesDevice() override { FServices.CloseHandle(FHandle); }
    TServicesDevice(const TServicesDevice&) = delete;
    TServicesDevice& operator=(const TServicesDevice&) = delete;

    bool read(std::uint64_t offset, void* buffer, std::size_t count) override {
        std::lock_guard lock(FMutex);
        auto* out = static_cast<std::uint8_t*>(buffer);
        while (count > 0) {
            const std::uint64_t start = offset - offset % kBlock;
            const std::uint64_t skip = offset - start;
            const std::uint64_t wanted = std::min<std::uint64_t>(skip + count, kLargestRead);
            const auto span = static_cast<DWORD>((wanted + kBlock - 1) / kBlock * kBlock);
            FBuffer.resize(span);
            if (!readAligned(start, span)) {
                return false;
            }
            const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(span - skip, count));
            std::copy_n(FBuffer.data() + skip, piece, out);
            out += piece;
            offset += piece;
            count -= piece;
        }
        return true;
    }

    std::uint64_t size() const override { return FSize; }

    // A volume handle does not tell the volume's size, and a hostile boot sector may claim any: the size
    // is the end the boot sector claims when the block holding its last sector can be read (two reads on
    // a sound volume); otherwise the end of the last block that can be read, found by halving (a volume
    // cut short, or a claim beyond the disk: at most about 50 reads). Unknown without an NTFS boot sector.
    void findSize() {
        FBuffer.resize(kBlock);
        if (!readAligned(0, kBlock) || std::memcmp(FBuffer.data() + 3, "NTFS    ", 8) != 0) {
            return;
        }
        const ::ntfs::TBytes boot(FBuffer.data(), FBuffer.size());
        const std::uint64_t bytesPerSector = boot.u16(0x0B);
        const std::uint64_t totalSectors = boot.u64(0x28);
        if (bytesPerSector == 0 || totalSectors == 0) {
            return;
        }
        const std::uint64_t claimedEnd =
            totalSectors > kLargestEnd / bytesPerSector ? kLargestEnd : totalSectors * bytesPerSector;
        const std::uint64_t lastBlock = (claimedEnd - 1) / kBlock;
        if (readAligned(lastBlock * kBlock, kBlock)) {
            FSize = (lastBlock + 1) * kBlock;
            return;
        }
        std::uint64_t readable = 0; // block 0 was read; lastBlock cannot be
        std::uint64_t unreadable = lastBlock;
        while (unreadable - readable > 1) {
            const std::uint64_t middle = readable + (unreadable - readable) / 2;
            (readAligned(middle * kBlock, kBlock) ? readable : unreadable) = middle;
        }
        FSize = (readable + 1) * kBlock;
    }

private:
    bool readAligned(std::uint64_t start, DWORD span) {
        LONG high = static_cast<LONG>(start >> 32);
        FServices.SetLastError(ERROR_SUCCESS);
        const DWORD low =
            FServices.SetFilePointer(FHandle, static_cast<LONG>(start & 0xFFFFFFFFu), &high, FILE_BEGIN);
        if (low == INVALID_SET_FILE_POINTER && FServices.GetLastError() != ERROR_SUCCESS) {
            return false;
        }
        DWORD done = 0;
        while (done < span) {
            DWORD got = 0;
            if (!FServices.ReadFile(FHandle, FBuffer.data() + done, span - done, &got, nullptr) || got == 0) {
                return false;
            }
            done += got;
        }
        return true;
    }

    TFileServices& FServices;
    HANDLE FHandle;
    std::mutex FMutex;
    std::vector<std::uint8_t> FBuffer;
    std::uint64_t FSize = kUnknownSize;
};

} // namespace

std::unique_ptr<::ntfs::TNtfsDevice> openServicesDevice(TFileServices& services, const std::wstring& path) {
    HANDLE handle = services.CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    auto device = std::make_unique<TServicesDevice>(services, handle);
    device->findSize();
    return device;
}

} // namespace plat::ntfs
