#include "platform/ntfs/NtfsServicesDevice.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace plat::ntfs {

namespace {

// A volume handle reads whole sectors at sector-aligned offsets; 4096 covers every sector size NTFS uses.
constexpr std::uint64_t kBlock = 4096;
constexpr DWORD kLargestRead = 1u << 20;

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
};

} // namespace

std::unique_ptr<::ntfs::TNtfsDevice> openServicesDevice(TFileServices& services, const std::wstring& path) {
    HANDLE handle = services.CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return nullptr;
    }
    return std::make_unique<TServicesDevice>(services, handle);
}

} // namespace plat::ntfs
