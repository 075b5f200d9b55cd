#include "platform/ntfs/NtfsDirectDrive.h"

#include "ntfs/NtfsDiskImage.h"
#include "platform/ntfs/NtfsServicesDevice.h"

namespace plat::ntfs {

TDirectDrive::TDirectDrive(TFileServices& services, wchar_t letter) {
    const std::wstring device = std::wstring(L"\\\\.\\") + letter + L':';
    auto opened = openServicesDevice(services, device);
    if (!opened) {
        FFailure = device + L" cannot be opened (error " + std::to_wstring(services.GetLastError()) + L")";
        return;
    }
    TNtfsOpenError error = TNtfsOpenError::none;
    auto volume = TNtfsVolume::open(std::move(opened), &error);
    if (!volume) {
        FFailure = device + L" cannot be read: " + describeOpenError(error);
        return;
    }
    FReader.mount(letter, std::move(volume));
    FRouted =
        std::make_unique<TRoutedFileServices>(FReader, services, TRoutedFileServices::TSystemQueries::rest);
}

} // namespace plat::ntfs
