#include "cli/OutputGuard.h"

#include "cli/ImageVolumes.h"
#include "ntfs/NtfsContainer.h"
#include "report/TextEncoding.h"

#include <cstdint>
#include <optional>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace cli {

namespace {

struct TFileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    // The device a block device file stands for (Linux), to know a file system that lives on it.
    std::optional<std::uint64_t> blockDevice;
};

// Who the file or folder at path is, following links; nothing when it does not exist or cannot be asked.
std::optional<TFileIdentity> identityOf(const std::filesystem::path& path, const TConsole& console) {
#ifdef _WIN32
    plat::TFileServices* fs = console.liveFiles;
    if (fs == nullptr) {
        return std::nullopt;
    }
    // Backup semantics open folders too; no access right is asked, so nothing is changed or locked.
    const plat::HANDLE handle = fs->CreateFileW(
        path.c_str(), 0, plat::FILE_SHARE_READ | plat::FILE_SHARE_WRITE | plat::FILE_SHARE_DELETE, nullptr,
        plat::OPEN_EXISTING, plat::FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == plat::INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    plat::BY_HANDLE_FILE_INFORMATION info{};
    const bool known = fs->GetFileInformationByHandle(handle, &info) != plat::FALSE;
    fs->CloseHandle(handle);
    if (!known) {
        return std::nullopt;
    }
    return TFileIdentity{info.dwVolumeSerialNumber,
                         (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
                         std::nullopt};
#else
    (void)console;
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    TFileIdentity identity{static_cast<std::uint64_t>(status.st_dev),
                           static_cast<std::uint64_t>(status.st_ino), std::nullopt};
    if (S_ISBLK(status.st_mode)) {
        identity.blockDevice = static_cast<std::uint64_t>(status.st_rdev);
    }
    return identity;
#endif
}

// The files besides the first that an image is read from (its other segments, extents or parent), by path;
// none for anything that is not a file, or not a container the engine opens.
std::vector<std::filesystem::path> otherSegments(const std::filesystem::path& image, bool split) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(image, error)) {
        return {};
    }
    const ntfs::TContainer container =
        ntfs::openContainer(image, split ? ntfs::TSplitNames::letters : ntfs::TSplitNames::numbered);
    std::vector<std::filesystem::path> segments;
    const std::filesystem::path folder = image.parent_path();
    for (std::size_t i = 1; i < container.facts.segments.size(); ++i) {
        segments.push_back(folder / std::filesystem::path(container.facts.segments[i]));
    }
    return segments;
}

} // namespace

std::string writesOverSource(const std::filesystem::path& written, bool isFolder,
                             const std::vector<std::string>& sources, bool split, const TConsole& console) {
    const std::optional<TFileIdentity> target = identityOf(written, console);
    // The folder a new file lands in decides the file system it is written to.
    std::error_code error;
    const std::filesystem::path folder =
        isFolder ? written : std::filesystem::absolute(written, error).parent_path();
    const std::optional<TFileIdentity> holder = identityOf(folder, console);
    for (const std::string& source : sources) {
        const std::optional<TFileIdentity> read = identityOf(nativePath(source), console);
        if (!read) {
            continue;
        }
        if (target && target->volume == read->volume && target->file == read->file) {
            return "is " + source + ", which is being read: nothing is ever written over it";
        }
        if (holder && read->blockDevice && holder->volume == *read->blockDevice) {
            return "is on " + source + ", which is being read: nothing is ever written onto it";
        }
        if (!target) {
            continue; // a new file is no segment of anything
        }
        for (const std::filesystem::path& segment : otherSegments(nativePath(source), split)) {
            const std::optional<TFileIdentity> part = identityOf(segment, console);
            if (part && target->volume == part->volume && target->file == part->file) {
                return "is " + report::toUtf8(segment.wstring()) + ", a segment of " + source +
                       ", which is being read: nothing is ever written over it";
            }
        }
    }
    return {};
}

} // namespace cli
