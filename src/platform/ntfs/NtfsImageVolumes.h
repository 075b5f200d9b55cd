#pragma once
// The NTFS volumes of a disk image or block device, opened read only, each with the name its rows
// carry: every NTFS partition of its partition table (MBR, GPT, fixed VHD), or the image itself when
// it is one bare volume. Shared by the window and the console tool, so both name them alike.

#include "ntfs/NtfsContainer.h"
#include "ntfs/NtfsVolume.h"

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace plat::ntfs {

struct TImageVolume {
    // How the rows name it: "evidence.dd [2]" for partition 2, the image's name alone for a bare volume.
    std::wstring source;
    std::unique_ptr<::ntfs::TNtfsVolume> volume;
};

struct TImageVolumes {
    std::vector<TImageVolume> volumes;
    // An NTFS partition that could not be opened, each as "partition 2: <reason>"; the rest still open.
    std::vector<std::wstring> problems;
    // A container that is damaged but read all the same: what is wrong ("fast.E02 is cut short or
    // damaged; …"); empty for a sound one.
    std::wstring damage;
    // When no volume opened: what was found ("no NTFS volume in evidence.dd (MBR with 2 partitions: …)").
    std::wstring error;
};

// name: the image as the rows and texts name it (what the user gave, or its file name). stop, when
// given, is polled while each volume's catalogue loads: once set, the volumes still loading are given up.
TImageVolumes openImageVolumes(const std::wstring& name, const std::filesystem::path& image,
                               ::ntfs::TSplitNames names = ::ntfs::TSplitNames::numbered,
                               const std::atomic<bool>* stop = nullptr);
// The same for a disk already opened as a device.
TImageVolumes openImageVolumes(const std::wstring& name, std::shared_ptr<::ntfs::TNtfsDevice> image,
                               const std::atomic<bool>* stop = nullptr);

} // namespace plat::ntfs
