// The upper-case table the program keeps (platform/NtfsUpcase.h, used by the simulated store) is the
// $UpCase of a fresh volume made by mkntfs, unit for unit, and the reader reads the same table from it.

#include "ntfs/NtfsImage.h"
#include "ntfs/NtfsUpcase.h"
#include "ntfs/NtfsDevice.h"
#include "ntfs/NtfsVolume.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <unistd.h>

namespace ntfstest {
namespace {

constexpr std::size_t kUnits = 0x10000;

// Why one of the tools cannot be found; empty when both can.
std::string missingTool() {
    std::string folders = "/usr/sbin:/sbin:/usr/bin:/bin";
    if (const char* path = std::getenv("PATH")) {
        folders = std::string(path) + ":" + folders;
    }
    for (const char* tool : {"mkntfs", "ntfscat"}) {
        bool found = false;
        std::istringstream list(folders);
        for (std::string folder; !found && std::getline(list, folder, ':');) {
            found = !folder.empty() && ::access((folder + "/" + tool).c_str(), X_OK) == 0;
        }
        if (!found) {
            return std::string(tool) + " is not installed (scripts/setup.sh installs ntfs-3g)";
        }
    }
    return {};
}

std::string hex(std::uint32_t unit) {
    char text[8];
    std::snprintf(text, sizeof text, "U+%04X", unit);
    return text;
}

TEST(UpcaseTable, IsTheUpCaseOfAFreshMkntfsVolume) {
    if (const std::string why = missingTool(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    TScratchFolder scratch;
    const std::filesystem::path image = scratch.path() / "upcase.img";
    const std::filesystem::path table = scratch.path() / "upcase.bin";
    ASSERT_TRUE(makeImage(image, 4, "UpCase")) << "mkntfs failed";
    ASSERT_TRUE(run({"sh", "-c", "ntfscat \"$0\" '$UpCase' > \"$1\"", image.string(), table.string()}))
        << "ntfscat failed";
    std::ifstream in(table, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 2 * kUnits);

    auto volume = ntfs::TNtfsVolume::open(ntfs::openImageFile(image));
    ASSERT_NE(volume, nullptr);
    int differing = 0;
    int readerDiffering = 0;
    for (std::uint32_t unit = 0; unit < kUnits; ++unit) {
        const auto onVolume = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * unit]) |
                                                    static_cast<unsigned char>(bytes[2 * unit + 1]) << 8);
        const char16_t kept = ntfs::ntfsUpcase(static_cast<char16_t>(unit));
        if (kept != onVolume && ++differing <= 5) {
            ADD_FAILURE() << hex(unit) << ": the program's table gives " << hex(kept) << ", the volume's "
                          << hex(onVolume) << " (scripts/make_upcase_table.py writes the table anew)";
        }
        if (volume->upcase(static_cast<char16_t>(unit)) != onVolume && ++readerDiffering <= 5) {
            ADD_FAILURE() << hex(unit) << ": the reader gives "
                          << hex(volume->upcase(static_cast<char16_t>(unit))) << ", ntfscat "
                          << hex(onVolume);
        }
    }
    EXPECT_EQ(differing, 0) << "units the program folds otherwise than the volume";
    EXPECT_EQ(readerDiffering, 0) << "units the reader folds otherwise than the volume";
}

} // namespace
} // namespace ntfstest
