#pragma once
// Volumes written by ntfs-3g for the tests: images made with mkntfs, files and named streams copied in
// with ntfscp, and the FUSE mount of ntfs-3g for everything else (folders, attributes, 8.3 names,
// times, large, fragmented, sparse and compressed streams), and to read back what ntfs-3g sees.
// Linux only; the tests skip with the reason when the tools or mounting are not available here, except
// those over volumes that need no mount (see NtfsFixture.h).

#include "platform/WinTypes.h"

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace ntfstest {

// Why mkntfs or ntfscp cannot be used here (they need neither root nor FUSE); empty when they can.
const std::string& copyToolsUnavailableReason();
// Why mkntfs, ntfscp or the ntfs-3g mount cannot be used here; empty when they can. Setting
// KW_NTFS_NO_MOUNT makes the mount unavailable, as on a machine without FUSE.
const std::string& toolsUnavailableReason();

// Runs a program (searched in PATH and the sbin folders) with its arguments, output discarded.
bool run(const std::vector<std::string>& arguments);

std::string utf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& text);

// A fresh folder under the system's temporary folder, removed with everything in it.
class TScratchFolder {
public:
    TScratchFolder();
    ~TScratchFolder();
    TScratchFolder(const TScratchFolder&) = delete;
    TScratchFolder& operator=(const TScratchFolder&) = delete;
    const std::filesystem::path& path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

// An empty NTFS volume in an image file (clusterSize and sectorSize 0: mkntfs's choice).
bool makeImage(const std::filesystem::path& image, int sizeMiB, const std::string& label, int clusterSize = 0,
               int sectorSize = 0);
// Copies a host file into the volume (as the named stream when stream is given), without mounting.
bool ntfscp(const std::filesystem::path& image, const std::filesystem::path& source,
            const std::wstring& destination, const std::wstring& stream = {});

// Tears the master file table record of the file with this name in a volume's bytes, as a write cut
// short does: a sector of the record no longer ends with the record's check value. False when no
// record of a file with that name is found.
bool tearRecordOf(std::string& volume, const std::wstring& name);

// The volume mounted by ntfs-3g for as long as the object lives. The driver runs as this process's
// child, so unmounting waits until it has written everything back and ended.
class TMount {
public:
    // options: ntfs-3g's, for example "streams_interface=windows" or "ro,streams_interface=xattr".
    TMount(const std::filesystem::path& image, const std::filesystem::path& mountPoint,
           const std::string& options);
    ~TMount();
    TMount(const TMount&) = delete;
    TMount& operator=(const TMount&) = delete;

    bool mounted() const { return FMounted; }
    // The driver's process (for its CPU time).
    pid_t driver() const { return FDriver; }
    // The host path of a volume path ("docs\\a.txt", or "docs\\a.txt:notes" with the windows interface).
    std::filesystem::path at(const std::wstring& volumePath) const;
    bool unmount();

private:
    std::filesystem::path FMountPoint;
    pid_t FDriver = -1;
    bool FMounted = false;
};

// Through a mount.
void writeBytes(const std::filesystem::path& path, const std::string& bytes);
std::string readBytes(const std::filesystem::path& path);
void setAttributes(const std::filesystem::path& path, plat::DWORD attributes);
void setShortName(const std::filesystem::path& path, const std::wstring& shortName);
void setTimes(const std::filesystem::path& path, const plat::FILETIME& creation,
              const plat::FILETIME& lastWrite);
// The names of the named streams, as the xattr interface lists them ("user." names).
std::vector<std::wstring> listStreamNames(const std::filesystem::path& path);

} // namespace ntfstest
