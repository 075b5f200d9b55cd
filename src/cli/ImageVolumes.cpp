#include "cli/ImageVolumes.h"

#include "cli/ConsoleScan.h"
#include "platform/ntfs/NtfsImageVolumes.h"
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

TImageVolumes openImageVolumes(const std::string& target, const std::filesystem::path& image, bool split) {
    // The volumes are opened and named where the window opens them too; the console speaks UTF-8.
    plat::ntfs::TImageVolumes shared = plat::ntfs::openImageVolumes(
        report::fromUtf8(target), image, split ? ntfs::TSplitNames::letters : ntfs::TSplitNames::numbered,
        &interruptFlag()); // a Ctrl+C while a catalogue loads ends the load
    TImageVolumes opened;
    for (plat::ntfs::TImageVolume& volume : shared.volumes) {
        opened.volumes.push_back({std::move(volume.source), std::move(volume.volume)});
    }
    for (const std::wstring& problem : shared.problems) {
        opened.problems.push_back(report::toUtf8(problem));
    }
    opened.damage = report::toUtf8(shared.damage);
    opened.error = report::toUtf8(shared.error);
    return opened;
}

} // namespace cli
