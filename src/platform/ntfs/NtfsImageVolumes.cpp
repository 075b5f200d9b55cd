#include "platform/ntfs/NtfsImageVolumes.h"

#include "ntfs/NtfsDiskImage.h"

namespace plat::ntfs {

namespace {

TImageVolumes volumesOf(const std::wstring& name, ::ntfs::TDiskImage disk) {
    TImageVolumes opened;
    opened.damage = disk.container.damage;
    for (::ntfs::TImageVolume& partition : disk.volumes) {
        const std::wstring number = std::to_wstring(partition.number);
        if (!partition.volume) {
            opened.problems.push_back(L"partition " + number + L": " +
                                      ::ntfs::describeOpenError(partition.error));
            continue;
        }
        std::wstring source = name;
        if (partition.number != 0) {
            source += L" [" + number + L"]";
        }
        opened.volumes.push_back({std::move(source), std::move(partition.volume)});
    }
    if (opened.volumes.empty()) {
        opened.error = disk.error;
        if (opened.error.empty()) {
            opened.error = L"no NTFS volume can be opened";
        }
    }
    return opened;
}

} // namespace

TImageVolumes openImageVolumes(const std::wstring& name, const std::filesystem::path& image,
                               ::ntfs::TSplitNames names, const std::atomic<bool>* stop) {
    return volumesOf(name, ::ntfs::openDiskImage(image, names, stop));
}

TImageVolumes openImageVolumes(const std::wstring& name, std::shared_ptr<::ntfs::TNtfsDevice> image,
                               const std::atomic<bool>* stop) {
    return volumesOf(name, ::ntfs::openDiskImage(std::move(image), name, stop));
}

} // namespace plat::ntfs
