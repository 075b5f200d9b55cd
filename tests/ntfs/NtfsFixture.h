#pragma once
// The fixture volumes the NTFS tests share, made once per test program: one written by mkntfs and
// ntfscp alone, one checked in, and others through the ntfs-3g mount with everything the reader must
// handle. For each, what ntfs-3g itself reports of every file and folder, to compare the reader with.
// The first two need no mount (no FUSE, no root), so the damage and hostile-volume tests over them
// run everywhere.

#include "ntfs/NtfsImage.h"
#include "platform/ntfs/NtfsFileServices.h"

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace ntfstest {

struct TStreamFacts {
    std::wstring name;
    std::uint64_t size = 0;
    std::string bytes;
};

// One file or folder as ntfs-3g sees it.
struct TFileFacts {
    std::wstring path; // below the root, with '\' ("docs\\a.txt")
    bool folder = false;
    std::uint64_t size = 0;
    std::string data;                  // the main data of a file
    std::vector<TStreamFacts> streams; // named streams, in ntfs-3g's order
    // A symbolic link as ntfs-3g shows it (its target); ntfs-3g keeps it as a system file whose data is
    // "IntxLNK\1" and the target in UTF-16LE, and gives neither its bytes nor its streams.
    std::wstring linkTarget;
};

// Every file and folder below the root as ntfs-3g reports it: names and sizes through the xattr
// interface, the bytes through the windows interface (both mounted read only).
std::vector<TFileFacts> readWithNtfs3g(const std::filesystem::path& image);

struct TFixtureVolume {
    std::string unavailable; // why the volume could not be made; empty when it was
    std::filesystem::path image;
    std::vector<TFileFacts> facts;
    const TFileFacts* find(const std::wstring& path) const;
};

// Made with mkntfs (512-byte clusters, so records span clusters) and ntfscp -N only. Its facts are
// ntfs-3g's where it can mount, otherwise what was copied in.
const TFixtureVolume& copiedVolume();
// Checked in (tests/ntfs/fixtures/make_user_volume.py made it through the mount): user files past the
// system records, with folders deep and wide (INDX blocks), a hard link, a fragmented stream, a file
// whose streams fill extension records through an attribute list, sparse and compressed files. Its
// facts are ntfs-3g's where it can mount, otherwise (names and sizes, no bytes) those the script
// wrote beside it.
const TFixtureVolume& userVolume();
std::vector<TFileFacts> userVolumeFactsFile();
// Made through the mount: folders, Unicode and long names, attributes, 8.3 names, times, large,
// fragmented, sparse and compressed streams, a file whose streams fill extension records.
const TFixtureVolume& mountedVolume();

// Made through the mount with the cluster and sector sizes given: hard links (three names, and 150 names
// that need an attribute list), a folder stream, sparse streams and a symbolic link; the 512-byte one
// also an MFT in many extents.
const TFixtureVolume& clusterVolume512();
const TFixtureVolume& clusterVolume64KiB4KiBSectors();
const TFixtureVolume& clusterVolume2MiB();

// 50,000 files in 50 folders (1 in 100 with bytes and a named stream, the rest empty), written through
// the mount once and kept in the build folder for later runs.
const TFixtureVolume& largeVolume();

// A scratch folder that lives until the test program ends.
const std::filesystem::path& programScratch();

// The reader's file services over an image, with the volume at the drive letter; null when the
// volume cannot be opened.
std::unique_ptr<plat::ntfs::TNtfsFileServices> openServices(const std::filesystem::path& image,
                                                            wchar_t letter);

// Deterministic bytes for stream contents.
std::string patternBytes(std::size_t size, unsigned seed);

} // namespace ntfstest
