#include "cli/ImageVolumes.h"

#include "ntfs/NtfsDevice.h"

namespace cli {

namespace {

std::string openErrorText(ntfs::TNtfsOpenError error) {
    switch (error) {
    case ntfs::TNtfsOpenError::unreadable:
        return "the boot sector or the MFT cannot be read";
    case ntfs::TNtfsOpenError::notNtfs:
        return "not an NTFS volume";
    case ntfs::TNtfsOpenError::badGeometry:
        return "sector, cluster or record sizes NTFS never uses";
    case ntfs::TNtfsOpenError::damagedMft:
        return "the MFT is damaged";
    case ntfs::TNtfsOpenError::noRootFolder:
        return "the root folder is missing or damaged";
    case ntfs::TNtfsOpenError::none:
        break;
    }
    return "cannot be opened";
}

} // namespace

std::vector<std::unique_ptr<ntfs::TNtfsVolume>> openImageVolumes(const std::filesystem::path& image,
                                                                 std::string& error) {
    std::vector<std::unique_ptr<ntfs::TNtfsVolume>> volumes;
    std::unique_ptr<ntfs::TNtfsDevice> device = ntfs::openImageFile(image);
    if (!device) {
        error = "cannot be opened for reading";
        return volumes;
    }
    ntfs::TNtfsOpenError openError = ntfs::TNtfsOpenError::none;
    std::unique_ptr<ntfs::TNtfsVolume> volume = ntfs::TNtfsVolume::open(std::move(device), &openError);
    if (!volume) {
        error = openErrorText(openError);
        return volumes;
    }
    volumes.push_back(std::move(volume));
    return volumes;
}

} // namespace cli
