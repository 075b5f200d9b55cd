// The reader against ntfs-3g: on volumes that ntfs-3g wrote, every file and folder, every stream's
// name and size and the bytes of every stream are what ntfs-3g itself reports.

#include "ntfs/NtfsFixture.h"
#include "ntfs/NtfsServicesView.h"

#include <gtest/gtest.h>

#include <map>

namespace ntfstest {
namespace {

using ntfs::TDataState;
using ntfs::TNtfsVolume;

struct TVolumeCase {
    const char* name;
    const TFixtureVolume& (*volume)();
};

class CrossCheck : public testing::TestWithParam<TVolumeCase> {
protected:
    void SetUp() override {
        if (!fixture().unavailable.empty()) {
            GTEST_SKIP() << fixture().unavailable;
        }
        FServices = openServices(fixture().image, L'N');
        ASSERT_NE(FServices, nullptr) << "the reader cannot open the volume";
    }
    const TFixtureVolume& fixture() { return GetParam().volume(); }

    std::unique_ptr<plat::ntfs::TNtfsFileServices> FServices;
};

TEST_P(CrossCheck, EveryFileStreamAndByteIsWhatNtfs3gReports) {
    const std::vector<TSeenFile> seen = walkServices(*FServices, L'N');
    std::map<std::wstring, const TSeenFile*> byPath;
    for (const TSeenFile& file : seen) {
        EXPECT_TRUE(byPath.emplace(file.path, &file).second) << "listed twice: " << utf8(file.path);
    }
    ASSERT_EQ(byPath.size(), fixture().facts.size());
    for (const TFileFacts& expected : fixture().facts) {
        const std::string where = utf8(expected.path);
        auto found = byPath.find(expected.path);
        ASSERT_NE(found, byPath.end()) << "the reader does not list " << where;
        const TSeenFile& got = *found->second;
        EXPECT_EQ(got.folder, expected.folder) << where;
        EXPECT_EQ(got.size, expected.size) << where;
        if (!expected.folder) {
            if (got.dataUnavailable) {
                EXPECT_EQ(got.readError, plat::ERROR_NOT_SUPPORTED) << where;
            } else {
                EXPECT_TRUE(got.data == expected.data) << "main data of " << where;
            }
        }
        ASSERT_EQ(got.streams.size(), expected.streams.size()) << where;
        for (std::size_t i = 0; i < expected.streams.size(); ++i) {
            const TSeenStream& stream = got.streams[i];
            const std::string what = where + ":" + utf8(expected.streams[i].name);
            EXPECT_EQ(stream.name, expected.streams[i].name) << where << " stream " << i;
            EXPECT_EQ(stream.size, expected.streams[i].size) << what;
            EXPECT_EQ(stream.size, expected.streams[i].bytes.size()) << what;
            if (stream.unavailable) {
                EXPECT_EQ(stream.readError, plat::ERROR_NOT_SUPPORTED) << what;
            } else {
                EXPECT_TRUE(stream.bytes == expected.streams[i].bytes) << "bytes of " << what;
            }
        }
    }
    EXPECT_EQ(FServices->openHandles(), 0);
}

// Only compressed data is reported as not available, and then with its size.
TEST_P(CrossCheck, OnlyCompressedDataIsUnavailable) {
    for (const TSeenFile& file : walkServices(*FServices, L'N')) {
        const bool packed = file.path.rfind(L"packed\\", 0) == 0;
        EXPECT_EQ(file.dataUnavailable, packed && !file.folder) << utf8(file.path);
        for (const TSeenStream& stream : file.streams) {
            EXPECT_EQ(stream.unavailable, packed) << utf8(file.path + L":" + stream.name);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Volumes, CrossCheck,
                         testing::Values(TVolumeCase{"copied", copiedVolume},
                                         TVolumeCase{"mounted", mountedVolume}),
                         [](const testing::TestParamInfo<TVolumeCase>& info) {
                             return std::string(info.param.name);
                         });

// The mounted fixture holds what it is meant to: without these, the comparison above would not show
// that the reader handles them.
TEST(MountedFixture, HoldsTheStructuresTheReaderMustHandle) {
    const TFixtureVolume& fixture = mountedVolume();
    if (!fixture.unavailable.empty()) {
        GTEST_SKIP() << fixture.unavailable;
    }
    auto volume = TNtfsVolume::open(ntfs::openImageFile(fixture.image));
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->label(), L"Mounted fixture");
    auto stream = [&](const std::wstring& path, const std::wstring& name) -> std::optional<ntfs::TNtfsData> {
        auto services = openServices(fixture.image, L'N');
        std::uint64_t record = 0;
        if (!recordOf(*services, L"N:\\" + path, record)) {
            return std::nullopt;
        }
        auto file = volume->loadFile(record);
        const ntfs::TNtfsData* data = file ? file->findStream(name) : nullptr;
        return data ? std::optional(*data) : std::nullopt;
    };
    auto frag = stream(L"frag.bin", L"pieces");
    ASSERT_TRUE(frag);
    std::size_t pieces = 0;
    for (std::size_t i = 0; i < frag->runs.size(); ++i) {
        pieces += i == 0 || frag->runs[i].lcn !=
                                frag->runs[i - 1].lcn + static_cast<std::int64_t>(frag->runs[i - 1].length);
    }
    std::string runs;
    for (const auto& run : frag->runs) {
        runs +=
            " " + std::to_string(run.vcn) + "@" + std::to_string(run.lcn) + "+" + std::to_string(run.length);
    }
    EXPECT_GT(pieces, 1u) << "frag.bin:pieces is not fragmented:" << runs << " size " << frag->size;
    auto big = stream(L"docs\\several.bin", L"big");
    ASSERT_TRUE(big);
    EXPECT_FALSE(big->resident);
    auto sparse = stream(L"sparse.bin", L"");
    ASSERT_TRUE(sparse);
    EXPECT_TRUE(sparse->sparse);
    bool hole = false;
    for (const auto& run : sparse->runs) {
        hole = hole || run.lcn == ntfs::TRun::kSparse;
    }
    EXPECT_TRUE(hole) << "sparse.bin has no hole";
    auto packed = stream(L"packed\\text.txt", L"");
    ASSERT_TRUE(packed);
    EXPECT_EQ(packed->state, TDataState::compressed);

    auto services = openServices(fixture.image, L'N');
    std::uint64_t manyRecord = 0;
    ASSERT_TRUE(recordOf(*services, L"N:\\many.txt", manyRecord));
    auto many = volume->loadFile(manyRecord);
    ASSERT_TRUE(many);
    EXPECT_GT(many->extensionRecords, 1u);
    EXPECT_EQ(many->streams.size(), 151u);
}

} // namespace
} // namespace ntfstest
