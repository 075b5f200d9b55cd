// A real NTFS volume opened as Windows opens "\\.\C:", read through a volume handle. Under Wine,
// scripts/raw-volume-test.sh attaches an image to a loop device, links it as a drive's device in the
// Wine prefix and lists the same image natively; the listing through the volume handle must be the same.

#include "ntfs/NtfsVolume.h"
#include "platform/FileServices.h"
#include "platform/ntfs/NtfsFileServices.h"
#include "platform/ntfs/NtfsServicesDevice.h"
#include "rawvolume/VolumeListing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

std::set<std::string> linesOf(const std::string& text) {
    std::set<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.insert(line);
    }
    return lines;
}

TEST(RawVolume, ListsAVolumeHandleAsTheImageIsListedNatively) {
    if (const char* reason = std::getenv("KW_RAW_VOLUME_SKIP")) {
        GTEST_SKIP() << reason;
    }
    const char* device = std::getenv("KW_RAW_VOLUME");
    const char* expectedFile = std::getenv("KW_RAW_VOLUME_LISTING");
    const char* deviceBytes = std::getenv("KW_RAW_VOLUME_BYTES");
    if (device == nullptr || expectedFile == nullptr || deviceBytes == nullptr) {
        GTEST_SKIP() << "no raw volume is set up: scripts/raw-volume-test.sh attaches one (as root, with a "
                        "loop device)";
    }
    std::ifstream in(expectedFile, std::ios::binary);
    ASSERT_TRUE(in) << "cannot read " << expectedFile;
    const std::string expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    plat::TFileServices& files = plat::files();
    const std::string narrow(device);
    auto opened = plat::ntfs::openServicesDevice(files, std::wstring(narrow.begin(), narrow.end()));
    ASSERT_NE(opened, nullptr) << "cannot open " << device << ", error " << files.GetLastError();
    EXPECT_EQ(opened->size(), std::strtoull(deviceBytes, nullptr, 10)) << "the size the device finds";
    ntfs::TNtfsOpenError error = ntfs::TNtfsOpenError::none;
    auto volume = ntfs::TNtfsVolume::open(std::move(opened), &error);
    ASSERT_NE(volume, nullptr) << "error " << static_cast<int>(error);
    EXPECT_EQ(volume->damagedRecords(), 0u);
    plat::ntfs::TNtfsFileServices services;
    services.mount(L'N', std::move(volume));
    const std::set<std::string> ours = linesOf(rawvolume::volumeListing(services, L'N'));
    const std::set<std::string> native = linesOf(expected);
    EXPECT_GE(native.size(), 3u) << "the native listing is all but empty";
    for (const std::string& line : native) {
        EXPECT_TRUE(ours.count(line) == 1) << "listed natively only: " << line;
    }
    for (const std::string& line : ours) {
        EXPECT_TRUE(native.count(line) == 1) << "listed through the volume handle only: " << line;
    }
    EXPECT_EQ(services.openHandles(), 0);
}

} // namespace
