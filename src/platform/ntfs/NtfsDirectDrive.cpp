#include "platform/ntfs/NtfsDirectDrive.h"

#include "ntfs/NtfsDiskImage.h"
#include "platform/ShownName.h"
#include "platform/ntfs/NtfsServicesDevice.h"

#include <cstring>
#include <exception>
#include <new>

namespace plat::ntfs {

namespace {

// The raw volume as the engine reads it, telling the drive when a read fails once the catalogue has
// loaded (reads that fail while it loads, such as those that find the volume's size, say nothing of
// what the scan is told).
class TWatchedDevice final : public ::ntfs::TNtfsDevice {
public:
    TWatchedDevice(std::unique_ptr<::ntfs::TNtfsDevice> device, const std::atomic<bool>& catalogueLoaded,
                   std::atomic<bool>& readFailed)
        : FDevice(std::move(device)), FCatalogueLoaded(catalogueLoaded), FReadFailed(readFailed) {}

    bool read(std::uint64_t offset, void* buffer, std::size_t count) override {
        if (FDevice->read(offset, buffer, count)) {
            return true;
        }
        if (FCatalogueLoaded.load()) {
            FReadFailed.store(true);
        }
        return false;
    }
    const std::uint8_t* view(std::uint64_t offset, std::size_t count) const override {
        return FDevice->view(offset, count);
    }
    std::uint64_t size() const override { return FDevice->size(); }

private:
    std::unique_ptr<::ntfs::TNtfsDevice> FDevice;
    const std::atomic<bool>& FCatalogueLoaded;
    std::atomic<bool>& FReadFailed;
};

} // namespace

TDirectDrive::TDirectDrive(TFileServices& services, wchar_t letter, const std::atomic<bool>* stop)
    : TDirectDrive(services, letter, TPaths::all, stop) {}

TDirectDrive::TDirectDrive(TFileServices& services, wchar_t letter, TPaths paths,
                           const std::atomic<bool>* stop) {
    const std::wstring device = std::wstring(L"\\\\.\\") + letter + L':';
    // Whatever goes wrong while the catalogue loads (a volume larger than the memory left, a device
    // that fails in a way of its own) leaves the drive to be walked: nothing of it is kept.
    try {
        open(services, device, letter, paths, stop);
    } catch (const std::bad_alloc&) {
        FRouted.reset();
        FFailure = device + L" cannot be read: there is not enough memory for its catalogue";
    } catch (const std::exception& error) {
        FRouted.reset();
        FFailure = device + L" cannot be read: " +
                   std::wstring(error.what(), error.what() + std::strlen(error.what()));
    }
}

void TDirectDrive::open(TFileServices& services, const std::wstring& device, wchar_t letter, TPaths paths,
                        const std::atomic<bool>* stop) {
    auto opened = openServicesDevice(services, device);
    if (!opened) {
        FFailure = device + L" cannot be opened (error " + std::to_wstring(services.GetLastError()) + L")";
        return;
    }
    TNtfsOpenError error = TNtfsOpenError::none;
    auto volume = TNtfsVolume::open(
        std::make_unique<TWatchedDevice>(std::move(opened), FCatalogueLoaded, FReadFailed), &error, stop);
    if (!volume) {
        FFailure = device + L" cannot be read: " + describeOpenError(error);
        return;
    }
    FDamagedRecords = volume->damagedRecords();
    FCatalogueLoaded.store(true);
    FReader.mount(letter, std::move(volume));
    if (paths == TPaths::escaped) {
        FRouted = std::make_unique<TRoutedFileServices>(
            FReader, services, [](const wchar_t* path) { return path != nullptr && holdsEscapedName(path); });
    } else {
        FRouted = std::make_unique<TRoutedFileServices>(FReader, services,
                                                        TRoutedFileServices::TSystemQueries::rest);
    }
}

} // namespace plat::ntfs
