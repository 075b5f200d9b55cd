// save keeps a sparse stream sparse: its holes (in the stream's run list) are sought over, not written,
// so the saved file takes about as much room as the stream's data, and reads back byte for byte as
// cat gives the stream. Streams written through the ntfs-3g mount with seeks past their end, one of
// them ending in a hole.

#include "ntfs/NtfsImage.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

std::string shellOutput(const std::string& command, const fs::path& folder, int& code) {
    const fs::path out = folder / "stdout";
    const int status = std::system((command + " >" + quoted(out.string()) + " 2>/dev/null").c_str());
    code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return readFile(out);
}

// Bytes the file takes on its file system.
std::uint64_t allocatedBytes(const fs::path& path) {
    struct stat facts {};
    return stat(path.c_str(), &facts) == 0 ? static_cast<std::uint64_t>(facts.st_blocks) * 512 : ~0ull;
}

// Whether files here keep holes: a file sought 8 MiB past its start takes far less.
bool keepsHoles(const fs::path& folder) {
    const fs::path probe = folder / "probe";
    {
        std::ofstream out(probe, std::ios::binary);
        out.seekp(static_cast<std::streamoff>(8 * kMiB));
        out << 'x';
    }
    const bool holes = allocatedBytes(probe) < kMiB;
    fs::remove(probe);
    return holes;
}

TEST(OmbroluxSparseSave, ASparseStreamIsSavedSparseWithItsBytes) {
    if (!ntfstest::toolsUnavailableReason().empty()) {
        GTEST_SKIP() << ntfstest::toolsUnavailableReason();
    }
    const ntfstest::TScratchFolder folder;
    if (!keepsHoles(folder.path())) {
        GTEST_SKIP() << "the file system of " << folder.path()
                     << " keeps no holes: a saved file cannot be sparse";
    }
    const fs::path image = folder.path() / "sparse.img";
    ASSERT_TRUE(ntfstest::makeImage(image, 16, "sparse"));
    {
        const fs::path mountPoint = folder.path() / "mnt";
        fs::create_directory(mountPoint);
        ntfstest::TMount mount(image, mountPoint, "streams_interface=windows");
        if (!mount.mounted()) {
            GTEST_SKIP() << "the ntfs-3g mount is not available here";
        }
        ntfstest::writeBytes(mountPoint / "f.txt", "main");
        {
            // Data, a hole, data, a hole, data: 40 MiB on a volume of 16.
            std::ofstream out(mount.at(L"f.txt:holes"), std::ios::binary);
            out << "head";
            out.seekp(static_cast<std::streamoff>(20 * kMiB));
            out << "middle";
            out.seekp(static_cast<std::streamoff>(40 * kMiB));
            out << "tail";
        }
        ntfstest::writeBytes(mount.at(L"f.txt:trailing"), "start");
        fs::resize_file(mount.at(L"f.txt:trailing"), 30 * kMiB); // ends in a hole
        ASSERT_TRUE(mount.unmount());
    }
    const fs::path to = folder.path() / "saved";
    fs::create_directory(to);
    struct TCase {
        const char* stream;
        std::uint64_t size;
    };
    for (const TCase& sparse : {TCase{"holes", 40 * kMiB + 4}, TCase{"trailing", 30 * kMiB}}) {
        SCOPED_TRACE(sparse.stream);
        const std::string path = image.string() + "\\f.txt:" + sparse.stream;
        int code = 0;
        const std::string saved =
            shellOutput(quoted(KW_OMBROLUX) + " save " + quoted(path) + " --to " + quoted(to.string()),
                        folder.path(), code);
        ASSERT_EQ(code, 0);
        const fs::path file = saved.substr(0, saved.find('\n'));
        EXPECT_EQ(fs::file_size(file), sparse.size);
        EXPECT_LT(allocatedBytes(file), kMiB);
        EXPECT_EQ(readFile(file),
                  shellOutput(quoted(KW_OMBROLUX) + " cat " + quoted(path), folder.path(), code));
    }
}

} // namespace
