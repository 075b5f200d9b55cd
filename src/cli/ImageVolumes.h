#pragma once
// The NTFS volumes of a disk image or block device, opened read only: every NTFS partition of its
// partition table (MBR, GPT, fixed VHD), or the image itself when it is one bare volume.

#include "ntfs/NtfsVolume.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace cli {

struct TOpenedVolume {
    // How the rows name it: "evidence.dd [2]" for partition 2, the target alone for a bare volume.
    std::wstring source;
    std::unique_ptr<ntfs::TNtfsVolume> volume;
};

struct TImageVolumes {
    std::vector<TOpenedVolume> volumes;
    // An NTFS partition that could not be opened, each as "partition 2: <reason>"; the rest still open.
    std::vector<std::string> problems;
    // A container that is damaged but read all the same: what is wrong; empty for a sound one.
    std::string damage;
    // When no volume opened: what was found ("no NTFS volume in evidence.dd (MBR with 2 partitions: …)").
    std::string error;
};

// A path the user gave, in UTF-8, as the system takes it.
std::filesystem::path nativePath(const std::string& utf8);

// Whether the path is a file or a block device: something read as a disk image.
bool isImage(const std::filesystem::path& target);

// split: the image is the first of segments named xaa, xab, … as split names them.
TImageVolumes openImageVolumes(const std::string& target, const std::filesystem::path& image,
                               bool split = false);

} // namespace cli
