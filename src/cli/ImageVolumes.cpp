#include "cli/ImageVolumes.h"

#include "ntfs/NtfsDiskImage.h"
#include "report/TextEncoding.h"

namespace cli {

std::filesystem::path nativePath(const std::string& utf8) {
#ifdef _WIN32
    return std::filesystem::path(report::fromUtf8(utf8));
#else
    return std::filesystem::path(utf8);
#endif
}

bool isImage(const std::filesystem::path& target) {
    std::error_code error;
    const auto status = std::filesystem::status(target, error);
    return std::filesystem::is_regular_file(status) || std::filesystem::is_block_file(status);
}

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
