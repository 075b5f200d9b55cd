// The NTFS volume fuzz target's seed corpus and every input that once made it fail, replayed through
// the target's walk: what the fuzzer found stays mended. The seeds are real volumes: each opens and
// lists files, so the fuzzer starts from volumes that reach the whole reader.

#include "../../fuzz/NtfsVolumeCheck.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace ntfstest {
namespace {

namespace fs = std::filesystem;

fs::path fuzzFolder() {
    return fs::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz";
}

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(NtfsFuzzRegression, SeedsAreVolumesWithFiles) {
    int seeds = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(fuzzFolder() / "corpus" / "ntfs_volume")) {
        const std::string bytes = contentOf(entry.path());
        auto volume = ntfs::TNtfsVolume::open(ntfs::openMemoryDevice(
            fuzzchecks::imageOfInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size())));
        ASSERT_NE(volume, nullptr) << entry.path();
        EXPECT_GT(volume->files().size(), ntfs::kFirstUserRecord) << entry.path();
        ++seeds;
    }
    EXPECT_GE(seeds, 4);
}

TEST(NtfsFuzzRegression, EveryKeptInputWalksToTheEnd) {
    int inputs = 0;
    for (const char* kind : {"corpus", "regressions"}) {
        const fs::path folder = fuzzFolder() / kind / "ntfs_volume";
        if (!fs::is_directory(folder)) {
            continue;
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            const std::string bytes = contentOf(entry.path());
            EXPECT_EQ(fuzzchecks::checkNtfsVolume(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                                  bytes.size()),
                      "")
                << entry.path();
            ++inputs;
        }
    }
    EXPECT_GT(inputs, 0);
}

} // namespace
} // namespace ntfstest
