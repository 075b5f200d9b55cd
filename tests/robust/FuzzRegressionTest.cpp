// Every fuzz target's seed corpus and every input that once made a target fail, replayed through the
// target's checks: what the fuzzers found stays mended.

#include "../../fuzz/FuzzChecks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;

using TCheck = std::string (*)(const std::uint8_t*, std::size_t);

fs::path fuzzFolder() {
    return fs::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz";
}

// Runs every input kept for the target; answers how many there were.
int replay(const std::string& target, TCheck check) {
    int inputs = 0;
    for (const char* kind : {"corpus", "regressions"}) {
        const fs::path folder = fuzzFolder() / kind / target;
        if (!fs::is_directory(folder)) {
            continue;
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            EXPECT_EQ(check(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), "")
                << entry.path();
            ++inputs;
        }
    }
    return inputs;
}

TEST(FuzzRegression, BackupWalk) {
    EXPECT_GT(replay("backup_walk", fuzzchecks::checkBackupWalk), 0);
}

TEST(FuzzRegression, StreamNames) {
    EXPECT_GT(replay("stream_names", fuzzchecks::checkStreamName), 0);
}

TEST(FuzzRegression, UniqueName) {
    EXPECT_GT(replay("unique_name", fuzzchecks::checkUniqueName), 0);
}

TEST(FuzzRegression, Preview) {
    EXPECT_GT(replay("preview", fuzzchecks::checkPreview), 0);
}

TEST(FuzzRegression, Classifier) {
    EXPECT_GT(replay("classifier", fuzzchecks::checkClassifier), 0);
}

} // namespace
