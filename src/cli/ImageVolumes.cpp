#include "cli/ImageVolumes.h"

#include "ntfs/NtfsDiskImage.h"
#include "report/TextEncoding.h"

namespace cli {

TImageVolumes openImageVolumes(const std::string& target, const std::filesystem::path& image) {
    TImageVolumes opened;
    ntfs::TDiskImage disk = ntfs::openDiskImage(image);
    for (ntfs::TImageVolume& partition : disk.volumes) {
        const std::string number = std::to_string(partition.number);
        if (!partition.volume) {
            opened.problems.push_back("partition " + number + ": " +
                                      report::toUtf8(ntfs::describeOpenError(partition.error)));
            continue;
        }
        std::wstring source = report::fromUtf8(target);
        if (partition.number != 0) {
            source += L" [" + report::fromUtf8(number) + L"]";
        }
        opened.volumes.push_back({std::move(source), std::move(partition.volume)});
    }
    if (opened.volumes.empty()) {
        opened.error = report::toUtf8(disk.error);
        if (opened.error.empty()) {
            opened.error = "no NTFS volume can be opened";
        }
    }
    return opened;
}

} // namespace cli
