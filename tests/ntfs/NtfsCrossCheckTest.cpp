// The reader against two others, ntfs-3g and The Sleuth Kit: on volumes that ntfs-3g wrote, every file
// and folder, every stream's name and size and the bytes of every stream are what each of them reports.

#include "ntfs/NtfsFixture.h"
#include "ntfs/NtfsServicesView.h"
#include "ntfs/NtfsSleuthKit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

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

// Every file and folder the reader lists, with the name, size and bytes of each stream, is what the
// other reader reports (streams in its order when it keeps NTFS's, by name otherwise).
void expectSameAs(const std::vector<TSeenFile>& seen, std::vector<TFileFacts> facts,
                  const std::string& oracle, bool streamsInOrder) {
    std::map<std::wstring, const TSeenFile*> byPath;
    for (const TSeenFile& file : seen) {
        EXPECT_TRUE(byPath.emplace(file.path, &file).second) << "listed twice: " << utf8(file.path);
    }
    std::set<std::wstring> paths;
    for (const TFileFacts& file : facts) {
        EXPECT_TRUE(paths.insert(file.path).second) << oracle << " lists twice: " << utf8(file.path);
    }
    EXPECT_EQ(byPath.size(), facts.size()) << oracle;
    for (TFileFacts& expected : facts) {
        const std::string where = utf8(expected.path) + " (" + oracle + ")";
        auto found = byPath.find(expected.path);
        if (found == byPath.end()) {
            ADD_FAILURE() << "the reader does not list " << where;
            continue;
        }
        const TSeenFile& got = *found->second;
        if (!expected.linkTarget.empty()) {
            std::string interix = std::string("IntxLNK\1", 8);
            for (wchar_t unit : expected.linkTarget) {
                interix += {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
            }
            EXPECT_TRUE(got.data == interix) << "the link's data of " << where;
            EXPECT_NE(got.attributes & plat::FILE_ATTRIBUTE_SYSTEM, 0u) << where;
            continue;
        }
        EXPECT_EQ(got.folder, expected.folder) << where;
        if (!expected.folder) {
            EXPECT_EQ(got.size, expected.size) << where;
            EXPECT_FALSE(got.dataUnavailable) << where << " error " << got.readError;
            EXPECT_TRUE(got.data == expected.data) << "main data of " << where;
        }
        std::vector<TSeenStream> streams = got.streams;
        // A stream the other reader gives without a name takes the name of one of the reader's streams
        // it does not list, with the same bytes (its size and bytes are still compared below).
        for (TStreamFacts& nameless : expected.streams) {
            if (!nameless.name.empty()) {
                continue;
            }
            for (const TSeenStream& candidate : streams) {
                const bool listed =
                    std::any_of(expected.streams.begin(), expected.streams.end(),
                                [&](const TStreamFacts& s) { return s.name == candidate.name; });
                if (!listed && candidate.bytes == nameless.bytes) {
                    nameless.name = candidate.name;
                    break;
                }
            }
        }
        if (!streamsInOrder) {
            auto byName = [](const auto& a, const auto& b) { return a.name < b.name; };
            std::sort(streams.begin(), streams.end(), byName);
            std::sort(expected.streams.begin(), expected.streams.end(), byName);
        }
        ASSERT_EQ(streams.size(), expected.streams.size()) << where;
        for (std::size_t i = 0; i < expected.streams.size(); ++i) {
            const TSeenStream& stream = streams[i];
            const std::string what = where + " :" + utf8(expected.streams[i].name);
            EXPECT_EQ(stream.name, expected.streams[i].name) << where << " stream " << i;
            EXPECT_EQ(stream.size, expected.streams[i].size) << what;
            EXPECT_FALSE(stream.unavailable) << what << " error " << stream.readError;
            EXPECT_TRUE(stream.bytes == expected.streams[i].bytes) << "bytes of " << what;
        }
    }
}

TEST_P(CrossCheck, EveryFileStreamAndByteIsWhatNtfs3gReports) {
    if (!toolsUnavailableReason().empty()) {
        GTEST_SKIP() << "ntfs-3g cannot read the volume: " << toolsUnavailableReason();
    }
    expectSameAs(walkServices(*FServices, L'N'), fixture().facts, "ntfs-3g", true);
    EXPECT_EQ(FServices->openHandles(), 0);
}

TEST_P(CrossCheck, EveryFileStreamAndByteIsWhatTheSleuthKitReports) {
    if (!sleuthKitUnavailableReason().empty()) {
        GTEST_SKIP() << sleuthKitUnavailableReason();
    }
    if (TNtfsVolume::open(ntfs::openImageFile(fixture().image))->geometry().clusterSize > 65536) {
        GTEST_SKIP() << "The Sleuth Kit does not read NTFS volumes with clusters above 64 KiB";
    }
    expectSameAs(walkServices(*FServices, L'N'), readWithSleuthKit(fixture().image), "The Sleuth Kit", false);
}

INSTANTIATE_TEST_SUITE_P(
    Volumes, CrossCheck,
    testing::Values(TVolumeCase{"copied", copiedVolume}, TVolumeCase{"mounted", mountedVolume},
                    TVolumeCase{"clusters512", clusterVolume512},
                    TVolumeCase{"clusters64KiB_sectors4KiB", clusterVolume64KiB4KiBSectors},
                    TVolumeCase{"clusters2MiB", clusterVolume2MiB}, TVolumeCase{"files50000", largeVolume}),
    [](const testing::TestParamInfo<TVolumeCase>& info) { return std::string(info.param.name); });

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
    EXPECT_EQ(packed->state, TDataState::readable);
    for (const auto& [path, name] :
         std::vector<std::pair<std::wstring, std::wstring>>{{L"text.txt", L""},
                                                            {L"unit.txt", L"more"},
                                                            {L"random.bin", L""},
                                                            {L"mixed.bin", L""},
                                                            {L"holes.bin", L""},
                                                            {L"holes.bin", L"sparse"}}) {
        auto compressed = stream(L"packed\\" + path, name);
        ASSERT_TRUE(compressed) << utf8(path);
        EXPECT_NE(compressed->compressionUnitBytes, 0u) << utf8(path + L":" + name) << " is not compressed";
    }
    auto holes = stream(L"packed\\holes.bin", L"");
    EXPECT_TRUE(std::any_of(holes->runs.begin(), holes->runs.end(), [](const ntfs::TRun& run) {
        return run.lcn == ntfs::TRun::kSparse;
    })) << "packed\\holes.bin has no hole";

    auto services = openServices(fixture.image, L'N');
    std::uint64_t manyRecord = 0;
    ASSERT_TRUE(recordOf(*services, L"N:\\many.txt", manyRecord));
    auto many = volume->loadFile(manyRecord);
    ASSERT_TRUE(many);
    EXPECT_GT(many->extensionRecords, 1u);
    EXPECT_EQ(many->streams.size(), 151u);
}

// The checked-in volume holds the user records the damage tests patch; the facts file beside it (what
// the tests know of it where ntfs-3g cannot mount) is what ntfs-3g reads from it.
TEST(UserFixture, HoldsTheRecordsTheDamageTestsPatch) {
    const TFixtureVolume& fixture = userVolume();
    if (!fixture.unavailable.empty()) {
        GTEST_SKIP() << fixture.unavailable;
    }
    auto volume = TNtfsVolume::open(ntfs::openImageFile(fixture.image));
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->label(), L"User volume");
    auto services = openServices(fixture.image, L'N');
    auto load = [&](const std::wstring& path) {
        std::uint64_t record = 0;
        EXPECT_TRUE(recordOf(*services, L"N:\\" + path, record)) << utf8(path);
        EXPECT_GE(record, 24u) << utf8(path) << " is not a user record";
        return volume->loadFile(record);
    };
    auto frag = load(L"frag.bin");
    ASSERT_TRUE(frag);
    EXPECT_GT(frag->findStream(L"")->runs.size(), 2u) << "frag.bin is not fragmented";
    auto many = load(L"many.txt");
    ASSERT_TRUE(many);
    EXPECT_GT(many->extensionRecords, 1u);
    EXPECT_EQ(many->streams.size(), 151u);
    auto plain = load(L"plain.txt");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->names.size(), 2u);
    auto packed = load(L"packed\\text.txt");
    ASSERT_TRUE(packed);
    EXPECT_NE(packed->findStream(L"")->compressionUnitBytes, 0u);
    EXPECT_TRUE(load(L"sparse.bin")->findStream(L"")->sparse);
}

// Compared with ntfs-3g only: The Sleuth Kit would read its 230 streams one icat at a time.
TEST(UserFixture, FactsFileAndReaderAgreeWithNtfs3g) {
    const TFixtureVolume& fixture = userVolume();
    if (!fixture.unavailable.empty()) {
        GTEST_SKIP() << fixture.unavailable;
    }
    if (!toolsUnavailableReason().empty()) {
        GTEST_SKIP() << "ntfs-3g cannot read the volume: " << toolsUnavailableReason();
    }
    std::vector<std::string> written;
    for (const TFileFacts& file : userVolumeFactsFile()) {
        written.push_back(utf8(file.path) + " " + std::to_string(file.size));
        for (const TStreamFacts& stream : file.streams) {
            written.push_back(utf8(file.path + L":" + stream.name) + " " + std::to_string(stream.size));
        }
    }
    std::vector<std::string> read;
    for (const TFileFacts& file : fixture.facts) {
        read.push_back(utf8(file.path) + " " + std::to_string(file.size));
        for (const TStreamFacts& stream : file.streams) {
            read.push_back(utf8(file.path + L":" + stream.name) + " " + std::to_string(stream.size));
        }
    }
    std::sort(written.begin(), written.end());
    std::sort(read.begin(), read.end());
    EXPECT_EQ(written, read);

    auto services = openServices(fixture.image, L'N');
    ASSERT_NE(services, nullptr);
    expectSameAs(walkServices(*services, L'N'), fixture.facts, "ntfs-3g", true);
}

// The cluster-size volumes hold what they are meant to: their geometry, an MFT in many extents (the
// 512-byte one), and a file of 150 names whose names fill extension records.
TEST(ClusterFixtures, HoldTheStructuresTheyAreMadeFor) {
    const struct {
        const TFixtureVolume& (*volume)();
        std::uint32_t clusterSize;
        std::uint32_t sectorSize;
        bool fragmentedMft;
    } cases[] = {{clusterVolume512, 512, 512, true},
                 {clusterVolume64KiB4KiBSectors, 65536, 4096, false},
                 {clusterVolume2MiB, 2u << 20, 512, false}};
    for (const auto& c : cases) {
        const TFixtureVolume& fixture = c.volume();
        if (!fixture.unavailable.empty()) {
            GTEST_SKIP() << fixture.unavailable;
        }
        auto volume = TNtfsVolume::open(ntfs::openImageFile(fixture.image));
        ASSERT_NE(volume, nullptr);
        const std::string where = fixture.image.filename().string();
        EXPECT_EQ(volume->geometry().clusterSize, c.clusterSize) << where;
        EXPECT_EQ(volume->geometry().bytesPerSector, c.sectorSize) << where;
        auto mft = volume->loadFile(ntfs::kRecordMft);
        ASSERT_TRUE(mft);
        if (c.fragmentedMft) {
            EXPECT_GT(mft->findStream({})->runs.size(), 10u) << where << ": the MFT is in few extents";
        }
        auto services = openServices(fixture.image, L'N');
        std::uint64_t crowd = 0;
        ASSERT_TRUE(recordOf(*services, L"N:\\crowd.txt", crowd));
        auto file = volume->loadFile(crowd);
        ASSERT_TRUE(file);
        EXPECT_EQ(file->names.size(), 150u) << where;
        EXPECT_GE(file->extensionRecords, 1u) << where;
    }
}

} // namespace
} // namespace ntfstest
