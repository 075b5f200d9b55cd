// Lookups that scale, on the volumes of NtfsScaleVolumes.h: the work the reader does is counted rather
// than timed: the names a lookup compares grow with the logarithm of the folder's size whatever the
// case variants, and a file's records are read once for all its streams. The thousand streams are
// read as ntfs-3g reads them (the console tool's tests compare both volumes with The Sleuth Kit).

#include "ntfs/NtfsFixture.h"
#include "ntfs/NtfsScaleVolumes.h"
#include "ntfs/NtfsServicesView.h"
#include "ntfs/NtfsTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <map>

namespace ntfstest {
namespace {

using ntfs::TNtfsDevice;
using ntfs::TNtfsTree;
using ntfs::TNtfsVolume;

// A device that counts the reads made through it.
class TCountingDevice final : public TNtfsDevice {
public:
    TCountingDevice(std::unique_ptr<TNtfsDevice> inner, std::atomic<std::uint64_t>& reads)
        : FInner(std::move(inner)), FReads(reads) {}
    bool read(std::uint64_t offset, void* buffer, std::size_t count) override {
        ++FReads;
        return FInner->read(offset, buffer, count);
    }
    const std::uint8_t* view(std::uint64_t offset, std::size_t count) const override {
        const std::uint8_t* bytes = FInner->view(offset, count);
        FReads += bytes != nullptr;
        return bytes;
    }
    std::uint64_t size() const override { return FInner->size(); }

private:
    std::unique_ptr<TNtfsDevice> FInner;
    std::atomic<std::uint64_t>& FReads;
};

// Streams by "path:name" with their sizes, files by path with size 0 under "path:".
std::map<std::wstring, std::uint64_t> listingOf(const std::vector<TSeenFile>& seen) {
    std::map<std::wstring, std::uint64_t> listing;
    for (const TSeenFile& file : seen) {
        listing[file.path + L":"] = file.size;
        for (const TSeenStream& stream : file.streams) {
            listing[file.path + L":" + stream.name] = stream.size;
        }
    }
    return listing;
}

std::map<std::wstring, std::uint64_t> listingOf(const std::vector<TFileFacts>& facts) {
    std::map<std::wstring, std::uint64_t> listing;
    for (const TFileFacts& file : facts) {
        listing[file.path + L":"] = file.size;
        for (const TStreamFacts& stream : file.streams) {
            listing[file.path + L":" + stream.name] = stream.size;
        }
    }
    return listing;
}

TEST(CaseVariants, ANameIsFoundInComparisonsThatGrowWithTheLogarithmOfItsFolder) {
    const TScaleVolume& fixture = caseVariantsVolume();
    if (!fixture.unavailable.empty()) {
        GTEST_SKIP() << fixture.unavailable;
    }
    auto volume = TNtfsVolume::open(ntfs::openImageFile(fixture.image));
    ASSERT_NE(volume, nullptr);
    const TNtfsTree tree(*volume);
    const auto cases = tree.find(tree.root(), L"CASES");
    ASSERT_TRUE(cases);
    ASSERT_EQ(tree.entries(cases->file).size(), static_cast<std::size_t>(kCaseVariants));
    const std::uint64_t before = tree.namesCompared();
    for (int i = 0; i < kCaseVariants; ++i) {
        const auto found = tree.find(cases->file, caseVariantName(i));
        ASSERT_TRUE(found) << i;
        ASSERT_EQ(tree.nameOf(*found).name(), caseVariantName(i));
    }
    // Each lookup is three binary searches over the folder: the first and last of its key, and the
    // name written so among them. Walking the names of the same key costs thousands per lookup.
    const std::uint64_t perLookup = (tree.namesCompared() - before) / kCaseVariants;
    EXPECT_LE(perLookup, 3u * std::bit_width(static_cast<unsigned>(kCaseVariants)));
    // A variant never written finds the first of its key, as without case.
    const auto unwritten = tree.find(cases->file, caseVariantName(kCaseVariants + 7));
    ASSERT_TRUE(unwritten);
    EXPECT_EQ(tree.nameOf(*unwritten).name(), tree.nameOf(tree.entries(cases->file).front()).name());
    // A name no entry has, long or 8.3: two binary searches, not a look at every entry's 8.3 name.
    const std::uint64_t beforeMisses = tree.namesCompared();
    for (const wchar_t* missing : {L"casevariantnam", L"casevariantnamex", L"CASEVARIANTNAM~1"}) {
        EXPECT_FALSE(tree.find(cases->file, missing)) << utf8(missing);
    }
    EXPECT_LE(tree.namesCompared() - beforeMisses,
              3u * 2u * std::bit_width(static_cast<unsigned>(kCaseVariants)));
}

// A device that raises a stop flag once a number of reads were made through it.
class TStoppingDevice final : public TNtfsDevice {
public:
    TStoppingDevice(std::unique_ptr<TNtfsDevice> inner, std::uint64_t stopAt, std::atomic<bool>& stop,
                    std::uint64_t& reads)
        : FInner(std::move(inner)), FStopAt(stopAt), FStop(stop), FReads(reads) {}
    bool read(std::uint64_t offset, void* buffer, std::size_t count) override {
        noteRead();
        return FInner->read(offset, buffer, count);
    }
    const std::uint8_t* view(std::uint64_t offset, std::size_t count) const override {
        noteRead();
        return FInner->view(offset, count);
    }
    std::uint64_t size() const override { return FInner->size(); }

private:
    void noteRead() const {
        if (++FReads == FStopAt) {
            FStop = true;
        }
    }
    std::unique_ptr<TNtfsDevice> FInner;
    std::uint64_t FStopAt;
    std::atomic<bool>& FStop;
    std::uint64_t& FReads;
};

TEST(CaseVariants, OpeningStopsWithinAChunkOfRecordsOnceTheStopFlagIsRaised) {
    const TScaleVolume& fixture = caseVariantsVolume();
    if (!fixture.unavailable.empty()) {
        GTEST_SKIP() << fixture.unavailable;
    }
    std::uint64_t wholeReads = 0;
    std::atomic<bool> never{false};
    ASSERT_NE(TNtfsVolume::open(
                  std::make_unique<TStoppingDevice>(ntfs::openImageFile(fixture.image), 0, never, wholeReads),
                  nullptr, &never),
              nullptr);
    // Raised before the catalogue's first chunk, after a few chunks, and before open is called.
    for (const std::uint64_t stopAt : {std::uint64_t{1}, std::uint64_t{6}}) {
        std::atomic<bool> stop{false};
        std::uint64_t reads = 0;
        ntfs::TNtfsOpenError error = ntfs::TNtfsOpenError::none;
        auto volume = TNtfsVolume::open(
            std::make_unique<TStoppingDevice>(ntfs::openImageFile(fixture.image), stopAt, stop, reads),
            &error, &stop);
        EXPECT_EQ(volume, nullptr) << stopAt;
        EXPECT_EQ(error, ntfs::TNtfsOpenError::stopped) << stopAt;
        // The twenty thousand records take tens of chunks; the one being read when the flag rose ends.
        EXPECT_LE(reads, stopAt + 4) << stopAt;
        EXPECT_GT(wholeReads, stopAt + 10) << "the volume is too small to show the stop";
    }
    std::atomic<bool> raised{true};
    ntfs::TNtfsOpenError error = ntfs::TNtfsOpenError::none;
    EXPECT_EQ(TNtfsVolume::open(ntfs::openImageFile(fixture.image), &error, &raised), nullptr);
    EXPECT_EQ(error, ntfs::TNtfsOpenError::stopped);
}

TEST(ManyStreams, AFilesRecordsAreReadOnceForAllItsStreams) {
    const TScaleVolume& fixture = manyStreamsVolume();
    if (!fixture.unavailable.empty()) {
        GTEST_SKIP() << fixture.unavailable;
    }
    std::atomic<std::uint64_t> reads{0};
    auto volume =
        TNtfsVolume::open(std::make_unique<TCountingDevice>(ntfs::openImageFile(fixture.image), reads));
    ASSERT_NE(volume, nullptr);
    plat::ntfs::TNtfsFileServices services;
    services.mount(L'N', std::move(volume));
    // What a scan does for each stream of a file: list the streams, then open and read each.
    auto readStreams = [&](const std::wstring& file, std::vector<TSeenStream>& streams) {
        plat::WIN32_FIND_STREAM_DATA data{};
        plat::HANDLE find = services.FindFirstStreamW(file.c_str(), plat::FindStreamInfoStandard, &data, 0);
        ASSERT_NE(find, plat::INVALID_HANDLE_VALUE) << utf8(file);
        const std::size_t first = streams.size();
        do {
            const std::wstring raw = data.cStreamName;
            if (raw != L"::$DATA") {
                TSeenStream& stream = streams.emplace_back();
                stream.name = raw.substr(1, raw.size() - 7);
                stream.size = static_cast<std::uint64_t>(data.StreamSize);
            }
        } while (services.FindNextStreamW(find, &data));
        services.FindClose(find);
        for (std::size_t i = first; i < streams.size(); ++i) {
            TSeenStream& stream = streams[i];
            stream.unavailable =
                !readWhole(services, file + L":" + stream.name, stream.bytes, stream.readError);
        }
    };
    const std::uint64_t atOpen = reads;
    std::vector<TSeenStream> single;
    for (int i = 0; i < kManyStreams; ++i) {
        readStreams(L"N:\\single\\f" + manyStreamName(i).substr(1) + L".bin", single);
    }
    const std::uint64_t forSingles = reads - atOpen;
    std::vector<TSeenStream> many;
    readStreams(L"N:\\many.bin", many);
    const std::uint64_t forMany = reads - atOpen - forSingles;

    ASSERT_EQ(many.size(), static_cast<std::size_t>(kManyStreams));
    ASSERT_EQ(single.size(), static_cast<std::size_t>(kManyStreams));
    for (int i = 0; i < kManyStreams; ++i) {
        const auto at = static_cast<std::size_t>(i);
        EXPECT_EQ(many[at].name, manyStreamName(i));
        EXPECT_EQ(many[at].bytes, manyStreamBytes(i))
            << utf8(many[at].name) << " error " << many[at].readError;
        EXPECT_EQ(single[at].bytes, manyStreamBytes(i)) << utf8(single[at].name);
    }
    // The file's streams fill hundreds of extension records: read once, they cost about what the records
    // of the thousand files with one stream each cost; read again for each stream, hundreds of times more.
    std::uint64_t record = 0;
    ASSERT_TRUE(recordOf(services, L"N:\\many.bin", record));
    auto loaded = TNtfsVolume::open(ntfs::openImageFile(fixture.image))->loadFile(record);
    ASSERT_TRUE(loaded);
    EXPECT_GT(loaded->extensionRecords, 100u);
    EXPECT_LE(forMany, 2 * (loaded->extensionRecords + 1)) << forSingles << " for the single files";
    EXPECT_LE(forMany, 2 * forSingles);
    EXPECT_EQ(services.openHandles(), 0);
}

// Every stream with the bytes ntfs-3g reads (The Sleuth Kit lists only some of many.bin's: see the
// console tool's tests).
TEST(ManyStreams, ListedAsNtfs3gListsThem) {
    const TScaleVolume& fixture = manyStreamsVolume();
    if (!fixture.unavailable.empty()) {
        GTEST_SKIP() << fixture.unavailable;
    }
    auto services = openServices(fixture.image, L'N');
    ASSERT_NE(services, nullptr);
    const std::vector<TSeenFile> seen = walkServices(*services, L'N');
    const std::map<std::wstring, std::uint64_t> listing = listingOf(seen);
    std::map<std::wstring, std::string> bytes;
    for (const TSeenFile& file : seen) {
        for (const TSeenStream& stream : file.streams) {
            EXPECT_FALSE(stream.unavailable) << utf8(file.path + L":" + stream.name);
            bytes[file.path + L":" + stream.name] = stream.bytes;
        }
    }
    const std::vector<TFileFacts> ntfs3g = readWithNtfs3g(fixture.image);
    EXPECT_TRUE(listing == listingOf(ntfs3g));
    for (const TFileFacts& file : ntfs3g) {
        for (const TStreamFacts& stream : file.streams) {
            EXPECT_TRUE(bytes[file.path + L":" + stream.name] == stream.bytes)
                << utf8(file.path + L":" + stream.name);
        }
    }
    EXPECT_EQ(services->openHandles(), 0);
}

} // namespace
} // namespace ntfstest
