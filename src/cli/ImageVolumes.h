#pragma once
// The NTFS volumes of a disk image or block device, opened read only.

#include "ntfs/NtfsVolume.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace cli {

// Every NTFS volume the image holds; empty with the reason in error when there is none. Today the
// image is one bare volume; this is the one place that learns partition tables.
std::vector<std::unique_ptr<ntfs::TNtfsVolume>> openImageVolumes(const std::filesystem::path& image,
                                                                 std::string& error);

} // namespace cli
