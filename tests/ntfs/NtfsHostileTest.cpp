// Hostile volumes: inputs made to stop the reader for good (loops that never advance, sizes that
// multiply, records in another's place, files cut short while open) end in an error or a partial
// listing, at once; and names that differ only in case are each found as written.

#include "ntfs/NtfsPatchedImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <set>

#include <unistd.h>

namespace ntfstest {
namespace {

constexpr std::uint64_t kEverything = ~std::uint64_t{0};

std::set<std::wstring> pathsOf(const std::vector<TSeenFile>& files) {
    std::set<std::wstring> paths;
    for (const TSeenFile& file : files) {
        paths.insert(file.path);
    }
    return paths;
}

const TSeenFile* seenFile(const std::vector<TSeenFile>& files, const std::wstring& path) {
    auto it = std::find_if(files.begin(), files.end(), [&](const TSeenFile& f) { return f.path == path; });
    return it == files.end() ? nullptr : &*it;
}

// The whole backup stream of a path with its security record; false when a call fails.
bool backupOf(plat::TFileServices& fs, const std::wstring& path, std::string& bytes) {
    plat::HANDLE file = fs.CreateFileW(path.c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ, nullptr,
                                       plat::OPEN_EXISTING, plat::FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == plat::INVALID_HANDLE_VALUE) {
        return false;
    }
    void* context = nullptr;
    plat::BYTE buffer[4096];
    plat::DWORD read = 0;
    bool ok = true;
    while ((ok = fs.BackupRead(file, buffer, sizeof buffer, &read, plat::FALSE, plat::TRUE, &context) != 0) &&
           read > 0) {
        bytes.append(reinterpret_cast<const char*>(buffer), read);
    }
    fs.BackupRead(file, nullptr, 0, &read, plat::TRUE, plat::FALSE, &context);
    fs.CloseHandle(file);
    return ok;
}

// A device that counts what is read from it (and offers nothing in place).
class TCounted final : public ntfs::TNtfsDevice {
public:
    explicit TCounted(const std::string& bytes, std::uint64_t& total)
        : FBytes(ntfs::openMemoryDevice(std::vector<std::uint8_t>(bytes.begin(), bytes.end()))),
          FTotal(total) {}
    bool read(std::uint64_t offset, void* buffer, std::size_t count) override {
        FTotal += count;
        return FBytes->read(offset, buffer, count);
    }
    std::uint64_t size() const override { return FBytes->size(); }

private:
    std::unique_ptr<ntfs::TNtfsDevice> FBytes;
    std::uint64_t& FTotal;
};

class Hostile : public testing::Test {
protected:
    void SetUp() override {
        if (!copiedVolume().unavailable.empty()) {
            GTEST_SKIP() << copiedVolume().unavailable;
        }
    }
};

// A run whose length in bytes wraps to 0 (2^64 / cluster size clusters, a hole), in a stream's data
// and in an attribute list: the stream (or the file) is damaged; opening and reading end.
TEST_F(Hostile, RunWhoseByteLengthWrapsIsRefused) {
    const TImage image(copiedVolume());
    const std::size_t size = image.geometry().recordSize;
    const std::uint64_t wrapping = kEverything / image.geometry().clusterSize + 1; // length * cluster = 2^64
    std::string damaged = image.bytes;
    image.patchRecord(damaged, image.recordOf(L"several.txt"), [&](std::uint8_t* record) {
        setRuns(record, size, attributeOffset(record, ntfs::kAttrData, L"beta"),
                encodeRuns({{std::nullopt, wrapping}}), wrapping - 1, 3000, 3000);
    });
    const std::vector<TSeenFile> seen = walkAll(damaged);
    const TSeenFile* several = seenFile(seen, L"several.txt");
    ASSERT_NE(several, nullptr);
    ASSERT_EQ(several->streams.size(), 3u);
    EXPECT_TRUE(several->streams[1].unavailable);
    EXPECT_EQ(several->streams[1].readError, 1392u); // ERROR_FILE_CORRUPT
    EXPECT_EQ(several->streams[0].bytes, "first");
}

TEST_F(Hostile, AttributeListRunWhoseByteLengthWrapsIsRefused) {
    if (!userVolume().unavailable.empty()) {
        GTEST_SKIP() << userVolume().unavailable;
    }
    const TImage image(userVolume());
    const std::size_t size = image.geometry().recordSize;
    const std::uint64_t wrapping = kEverything / image.geometry().clusterSize + 1;
    std::string damaged = image.bytes;
    image.patchRecord(damaged, image.recordOf(L"many.txt"), [&](std::uint8_t* record) {
        const std::size_t list = attributeOffset(record, ntfs::kAttrAttributeList);
        ASSERT_NE(record[list + 8], 0) << "many.txt's attribute list lies outside its record";
        setRuns(record, size, list, encodeRuns({{std::nullopt, wrapping}}), wrapping - 1, 4096, 4096);
    });
    const std::vector<TSeenFile> seen = walkAll(damaged);
    EXPECT_EQ(seenFile(seen, L"many.txt"), nullptr)
        << "a file whose attribute list cannot be read is left out";
    EXPECT_NE(seenFile(seen, L"docs"), nullptr);
}

// $Secure:$SDS claiming far more bytes than the volume holds, with no runs or one hole: the backup
// stream with security (as the program reads it) comes at once, with the file's data.
TEST_F(Hostile, SecurityStreamClaimingExabytesIsScannedOnlyWithinTheVolume) {
    if (!userVolume().unavailable.empty()) {
        GTEST_SKIP() << userVolume().unavailable;
    }
    const TImage image(userVolume());
    const std::size_t size = image.geometry().recordSize;
    const std::uint64_t cluster = image.geometry().clusterSize;
    const TFileFacts* file = userVolume().find(L"docs\\report one.txt");
    ASSERT_NE(file, nullptr);
    // The file keeps its descriptor by id in $Secure, as Windows writes files, not in its own record.
    std::string byId = image.bytes;
    image.patchRecord(byId, image.recordOf(file->path), [&](std::uint8_t* record) {
        const std::size_t own = attributeOffset(record, ntfs::kAttrSecurityDescriptor);
        record[own] = 0x00; // now of type 0x100, which the reader passes over
        record[own + 1] = 0x01;
        const std::size_t information = attributeOffset(record, ntfs::kAttrStandardInformation);
        std::uint8_t* value =
            record + information + (record[information + 20] | record[information + 21] << 8);
        growResidentValue(record, size, information, 0x48); // the NTFS 3 form, with the security id
        value[0x34] = 0x00;
        value[0x35] = 0x01; // security id 0x100
    });
    struct TCase {
        const char* what;
        std::vector<TPlainRun> runs;
        std::uint64_t bytes;
    };
    const TCase cases[] = {
        {"no runs, 2^62 bytes", {}, std::uint64_t{1} << 62},
        {"one hole of 2^60 bytes",
         {{std::nullopt, (std::uint64_t{1} << 60) / cluster}},
         std::uint64_t{1} << 60},
    };
    for (const TCase& c : cases) {
        std::string damaged = byId;
        image.patchRecord(damaged, ntfs::kRecordSecure, [&](std::uint8_t* record) {
            const std::uint64_t clusters = c.bytes / cluster;
            setRuns(record, size, attributeOffset(record, ntfs::kAttrData, L"$SDS"), encodeRuns(c.runs),
                    clusters - 1, c.bytes, c.bytes);
        });
        auto services = servicesOver(damaged);
        ASSERT_NE(services, nullptr) << c.what;
        const auto start = std::chrono::steady_clock::now();
        std::string bytes;
        EXPECT_TRUE(backupOf(*services, L"N:\\" + file->path, bytes)) << c.what;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.what;
        EXPECT_NE(bytes.find("Quarterly numbers\r\n"), std::string::npos) << c.what;
        EXPECT_EQ(services->openHandles(), 0) << c.what;
    }
}

// $MFT runs that map its clusters again and again (offset delta 0) claim many times the records the
// volume holds: the MFT ends before the first aliased run, and the listing is the intact one.
TEST_F(Hostile, MftRunsMappingTheSameClustersAgainEndTheMft) {
    const TImage image(copiedVolume());
    const std::size_t size = image.geometry().recordSize;
    auto intact = openBytes(image.bytes);
    const std::optional<ntfs::TNtfsFile> mft = intact->loadFile(ntfs::kRecordMft);
    const auto& runs = mft->findStream(L"")->runs;
    std::vector<TPlainRun> aliased;
    std::uint64_t clusters = 0;
    for (int copy = 0; copy < 40; ++copy) {
        for (const ntfs::TRun& run : runs) {
            aliased.push_back({run.lcn, run.length});
            clusters += run.length;
        }
    }
    std::string damaged = image.bytes;
    image.patchRecord(damaged, ntfs::kRecordMft, [&](std::uint8_t* record) {
        const std::uint64_t bytes = clusters * image.geometry().clusterSize;
        setRuns(record, size, attributeOffset(record, ntfs::kAttrData), encodeRuns(aliased), clusters - 1,
                bytes, bytes);
    });
    auto volume = openBytes(damaged);
    ASSERT_NE(volume, nullptr);
    EXPECT_LE(volume->recordCount() * size, clusters / 40 * image.geometry().clusterSize);
    EXPECT_EQ(pathsOf(walkAll(damaged)), pathsOf(walkAll(image.bytes)));
}

// A record copied into another's place keeps its own number (0x2C): it is not taken for a second
// file, so no path is listed twice.
TEST_F(Hostile, RecordInAnotherPlaceIsNotListedAgain) {
    const TImage image(copiedVolume());
    const std::size_t size = image.geometry().recordSize;
    auto intact = openBytes(image.bytes);
    std::string damaged = image.bytes;
    const std::uint64_t one = image.recordOf(L"one.txt");
    std::uint64_t spare = ntfs::kFirstUserRecord; // the first record not in use
    while (spare < intact->recordCount() && (image.bytes[image.mftByte(spare * size) + 0x16] & 1) != 0) {
        ++spare;
    }
    ASSERT_LT(spare, intact->recordCount());
    for (std::size_t at = 0; at < size; at += 512) {
        std::memcpy(damaged.data() + image.mftByte(spare * size + at),
                    image.bytes.data() + image.mftByte(one * size + at), 512);
    }
    auto volume = openBytes(damaged);
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->fileByRecord(spare), nullptr);
    EXPECT_EQ(volume->damagedRecords(), intact->damagedRecords() + 1);
    const std::vector<TSeenFile> seen = walkAll(damaged);
    EXPECT_EQ(
        std::count_if(seen.begin(), seen.end(), [](const TSeenFile& f) { return f.path == L"one.txt"; }), 1);
}

// An attribute list naming records that do not belong to the file (in use by others, or free): they
// are checked before anything is kept for them, and the file keeps the extension records it owns.
TEST_F(Hostile, AttributeListNamingForeignRecordsKeepsOnlyTheFilesOwn) {
    if (!userVolume().unavailable.empty()) {
        GTEST_SKIP() << userVolume().unavailable;
    }
    const TImage image(userVolume());
    auto intact = openBytes(image.bytes);
    const std::uint64_t many = image.recordOf(L"many.txt");
    const std::optional<ntfs::TNtfsFile> before = intact->loadFile(many);
    ASSERT_TRUE(before);
    ASSERT_GT(before->extensionRecords, 1u);
    // The list's clusters: every other entry is pointed at another record (0 up).
    std::vector<std::uint8_t> record(image.geometry().recordSize);
    for (std::size_t at = 0; at < record.size(); at += 512) {
        std::memcpy(record.data() + at, image.bytes.data() + image.mftByte(many * record.size() + at), 512);
    }
    ASSERT_TRUE(ntfs::applyFixups(record.data(), record.size()));
    const TAttributeView list = attributeOf(record.data(), record.size(), ntfs::kAttrAttributeList);
    ASSERT_FALSE(list.resident);
    std::pmr::vector<ntfs::TRun> runs;
    ASSERT_TRUE(ntfs::decodeRuns(list.mappingPairs, list.lowestVcn, list.highestVcn, kEverything >> 8, runs));
    ASSERT_EQ(runs.size(), 1u);
    std::string damaged = image.bytes;
    const std::uint64_t listStart = static_cast<std::uint64_t>(runs[0].lcn) * image.geometry().clusterSize;
    std::uint64_t foreign = 0;
    for (std::uint64_t at = 0, n = 0; at + 0x1A <= list.dataSize; ++n) {
        const std::size_t length = static_cast<std::uint8_t>(damaged[listStart + at + 4]) |
                                   static_cast<std::uint8_t>(damaged[listStart + at + 5]) << 8;
        if (n % 2 == 1 && foreign < intact->recordCount()) {
            for (int i = 0; i < 6; ++i) {
                damaged[listStart + at + 0x10 + static_cast<std::uint64_t>(i)] =
                    static_cast<char>((foreign == many ? ++foreign : foreign) >> (8 * i));
            }
            ++foreign;
        }
        at += length;
    }
    ASSERT_GT(foreign, 2 * std::uint64_t{before->extensionRecords});
    auto volume = openBytes(damaged);
    ASSERT_NE(volume, nullptr);
    const std::optional<ntfs::TNtfsFile> after = volume->loadFile(many);
    ASSERT_TRUE(after);
    EXPECT_TRUE(after->damaged);
    EXPECT_LE(after->extensionRecords, before->extensionRecords);
    EXPECT_FALSE(after->streams.empty());
}

// An image file cut short by another program while the reader has it open: reads past the new end
// fail (no fault), and what is read is still the volume's.
TEST_F(Hostile, ImageFileCutShortWhileOpenGivesFailedReads) {
    const TImage image(copiedVolume());
    const std::filesystem::path path = programScratch() / "cut-while-open.img";
    writeBytes(path, image.bytes);
    auto volume = TNtfsVolume::open(ntfs::openImageFile(path));
    ASSERT_NE(volume, nullptr);
    plat::ntfs::TNtfsFileServices services;
    services.mount(L'N', std::move(volume));
    ASSERT_EQ(
        ::truncate(path.c_str(), static_cast<off_t>(image.mftByte(0) + 8 * image.geometry().recordSize)), 0);
    // The catalogue was read at the mount: every file is still listed; the data of those past the
    // cut is unavailable, never other bytes.
    const std::vector<TSeenFile> seen = walkServices(services, L'N');
    ASSERT_NE(seenFile(seen, L"several.txt"), nullptr) << "the walk lists the files read before the cut";
    std::size_t unavailable = 0;
    for (const TSeenFile& file : seen) {
        const TFileFacts* facts = copiedVolume().find(file.path);
        ASSERT_NE(facts, nullptr);
        EXPECT_TRUE(file.dataUnavailable || file.data == facts->data) << utf8(file.path);
        unavailable += file.dataUnavailable && !file.folder && !facts->data.empty() ? 1 : 0;
    }
    EXPECT_GT(unavailable, 0u) << "the cut costs the data that lay past it";
    std::string bytes;
    plat::DWORD error = 0;
    EXPECT_FALSE(readWhole(services, L"N:\\several.txt:beta", bytes, error));
    EXPECT_EQ(services.openHandles(), 0);
}

// An MFT in three extents whose middle one lies past the end of a truncated image (2 MiB of records
// that cannot be read): the records before and after it are all found.
TEST_F(Hostile, UnreadableMftExtentCostsOnlyItsRecords) {
    const TImage image(copiedVolume());
    const std::size_t size = image.geometry().recordSize;
    const std::uint64_t cluster = image.geometry().clusterSize;
    auto intact = openBytes(image.bytes);
    std::uint64_t vcns = 0;
    std::vector<TPlainRun> runs = plainMftRuns(*intact, vcns);
    ASSERT_EQ(vcns * cluster % size, 0u);
    const std::uint64_t imageClusters = image.bytes.size() / cluster;
    const std::uint64_t gap = (2u << 20) / cluster;
    const std::uint64_t tail = 8 * size / cluster;
    runs.push_back({static_cast<std::int64_t>(imageClusters + tail + 64), gap}); // past the image's end
    runs.push_back({static_cast<std::int64_t>(imageClusters), tail});            // appended to the image
    const std::uint64_t far = (vcns + gap) * cluster / size; // the first record after the gap

    std::string damaged = image.bytes;
    damaged.resize(damaged.size() + tail * cluster, '\0');
    // The volume says it is larger than what is left of it.
    const std::uint64_t sectors = (imageClusters + tail + 64 + gap + 64) * (cluster / 512);
    for (int i = 0; i < 8; ++i) {
        damaged[0x28 + i] = static_cast<char>(sectors >> (8 * i));
    }
    const std::uint64_t total = (vcns + gap + tail) * cluster;
    image.patchRecord(damaged, ntfs::kRecordMft, [&](std::uint8_t* record) {
        setRuns(record, size, attributeOffset(record, ntfs::kAttrData), encodeRuns(runs),
                vcns + gap + tail - 1, total, total);
    });
    // one.txt's record, as record `far`, renamed far.txt.
    std::string moved;
    for (std::size_t at = 0; at < size; at += 512) {
        moved += image.bytes.substr(image.mftByte(image.recordOf(L"one.txt") * size + at), 512);
    }
    for (int i = 0; i < 4; ++i) {
        moved[0x2C + i] = static_cast<char>(far >> (8 * i));
    }
    const std::string oldName("o\0n\0e\0", 6);
    const std::size_t name = moved.find(oldName);
    ASSERT_NE(name, std::string::npos);
    moved.replace(name, 6, std::string("f\0a\0r\0", 6));
    damaged.replace(imageClusters * cluster, size, moved);

    auto volume = openBytes(damaged);
    ASSERT_NE(volume, nullptr);
    EXPECT_GE(volume->damagedRecords(), gap * cluster / size);
    const std::vector<TSeenFile> seen = walkAll(damaged);
    std::set<std::wstring> expected = pathsOf(walkAll(image.bytes));
    expected.insert(L"far.txt");
    EXPECT_EQ(pathsOf(seen), expected);
    const TSeenFile* found = seenFile(seen, L"far.txt");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->data, "main data");
}

// Names that differ only in case in one folder, and stream names likewise: each is found as written,
// with its own data and streams; a name matching none exactly still finds one of them.
TEST_F(Hostile, ExactCaseNamesWinOverCaseInsensitiveOnes) {
    const TImage image(copiedVolume());
    std::string patched = image.bytes;
    auto rename = [&](const std::wstring& path, const std::wstring& name) {
        image.patchRecord(patched, image.recordOf(path), [&](std::uint8_t* record) {
            const std::size_t at = attributeOffset(record, ntfs::kAttrFileName);
            std::uint8_t* value = record + at + (record[at + 20] | record[at + 21] << 8);
            value[0x40] = static_cast<std::uint8_t>(name.size());
            value[0x41] = ntfs::kNamespacePosix;
            for (std::size_t i = 0; i < name.size(); ++i) {
                value[0x42 + 2 * i] = static_cast<std::uint8_t>(name[i]);
                value[0x43 + 2 * i] = 0;
            }
        });
    };
    rename(L"plain.txt", L"One.txt");
    rename(L"empty.txt", L"ONE.txt");
    image.patchRecord(patched, image.recordOf(L"several.txt"), [&](std::uint8_t* record) {
        const std::size_t at = attributeOffset(record, ntfs::kAttrData, L"empty");
        std::memcpy(record + at + (record[at + 10] | record[at + 11] << 8), "A\0l\0p\0h\0a\0", 10);
    });
    auto services = servicesOver(patched);
    ASSERT_NE(services, nullptr);
    struct TCase {
        const wchar_t* path;
        std::string bytes;
    };
    const TCase cases[] = {
        {L"N:\\one.txt", "main data"},
        {L"N:\\One.txt", "no streams here"},
        {L"N:\\ONE.txt", ""},
        {L"N:\\one.txt:notes", "one stream"},
        {L"N:\\several.txt:alpha", "first"},
        {L"N:\\several.txt:Alpha", ""},
        {L"N:\\several.txt:ALPHA", "first"} // none exact: the first in the volume's order
    };
    for (const TCase& c : cases) {
        std::string bytes;
        plat::DWORD error = 0;
        EXPECT_TRUE(readWhole(*services, c.path, bytes, error)) << utf8(c.path);
        EXPECT_EQ(bytes, c.bytes) << utf8(c.path);
    }
    plat::WIN32_FIND_STREAM_DATA data{};
    plat::HANDLE find = services->FindFirstStreamW(L"N:\\One.txt", plat::FindStreamInfoStandard, &data, 0);
    ASSERT_NE(find, plat::INVALID_HANDLE_VALUE);
    EXPECT_FALSE(services->FindNextStreamW(find, &data))
        << "One.txt has its main data only, not one.txt's notes";
    services->FindClose(find);
    const std::vector<TSeenFile> seen = walkServices(*services, L'N');
    const TSeenFile* several = seenFile(seen, L"several.txt");
    ASSERT_NE(several, nullptr);
    for (const TSeenStream& stream : several->streams) {
        EXPECT_EQ(stream.bytes.size(), stream.size) << utf8(stream.name);
    }
    EXPECT_EQ(services->openHandles(), 0);
}

// Thousands of records that are copies of one file's base record share its attribute list and name
// its extension records: each is read no more than the volume's own size allows, so opening reads a
// few times the image, not the list and its records once per copy.
TEST_F(Hostile, FilesSharingOneAttributeListCostWhatTheVolumeHolds) {
    if (!userVolume().unavailable.empty()) {
        GTEST_SKIP() << userVolume().unavailable;
    }
    const TImage image(userVolume());
    const std::size_t size = image.geometry().recordSize;
    const std::uint64_t cluster = image.geometry().clusterSize;
    auto intact = openBytes(image.bytes);
    std::uint64_t vcns = 0;
    std::vector<TPlainRun> runs = plainMftRuns(*intact, vcns);
    constexpr std::uint64_t kCopies = 4000;
    const std::uint64_t imageClusters = (image.bytes.size() + cluster - 1) / cluster;
    const std::uint64_t tail = (kCopies * size + cluster - 1) / cluster;
    runs.push_back({static_cast<std::int64_t>(imageClusters), tail});
    std::string damaged = image.bytes;
    damaged.resize(imageClusters * cluster, '\0');
    const std::uint64_t sectors = (imageClusters + tail + 8) * (cluster / 512);
    for (int i = 0; i < 8; ++i) {
        damaged[0x28 + i] = static_cast<char>(sectors >> (8 * i));
    }
    const std::uint64_t total = (vcns + tail) * cluster;
    image.patchRecord(damaged, ntfs::kRecordMft, [&](std::uint8_t* record) {
        setRuns(record, size, attributeOffset(record, ntfs::kAttrData), encodeRuns(runs), vcns + tail - 1,
                total, total);
    });
    std::string base;
    for (std::size_t at = 0; at < size; at += 512) {
        base += image.bytes.substr(image.mftByte(image.recordOf(L"many.txt") * size + at), 512);
    }
    const std::uint64_t first = vcns * cluster / size;
    for (std::uint64_t n = 0; n < kCopies; ++n) {
        std::string copy = base;
        for (int i = 0; i < 4; ++i) {
            copy[0x2C + i] = static_cast<char>((first + n) >> (8 * i));
        }
        damaged += copy;
    }
    damaged.resize((imageClusters + tail + 8) * cluster, '\0');

    std::uint64_t read = 0;
    auto volume = TNtfsVolume::open(std::make_unique<TCounted>(damaged, read));
    ASSERT_NE(volume, nullptr);
    EXPECT_GE(volume->files().size(), intact->files().size());
    EXPECT_LE(read, 4 * damaged.size())
        << "read " << read << " bytes of a " << damaged.size() << "-byte image";
}

// One file whose attribute list packs 10,000 entries (26 bytes each, tighter than NTFS writes them)
// naming 10,000 extension records that all belong to it: reading it on demand reads no more than the
// 8,192 records the largest sound list can name, and the file is marked damaged.
TEST_F(Hostile, AttributeListNamingTooManyRecordsIsReadWithinItsBudget) {
    if (!userVolume().unavailable.empty()) {
        GTEST_SKIP() << userVolume().unavailable;
    }
    const TImage image(userVolume());
    const std::size_t size = image.geometry().recordSize;
    const std::uint64_t cluster = image.geometry().clusterSize;
    auto intact = openBytes(image.bytes);
    const std::uint64_t many = image.recordOf(L"many.txt");
    auto recordBytes = [&](std::uint64_t record) {
        std::string bytes;
        for (std::size_t at = 0; at < size; at += 512) {
            bytes += image.bytes.substr(image.mftByte(record * size + at), 512);
        }
        return bytes;
    };
    // An extension record of the file, and the attribute the list names in it.
    std::string base = recordBytes(many);
    ASSERT_TRUE(ntfs::applyFixups(reinterpret_cast<std::uint8_t*>(base.data()), size));
    const TAttributeView list =
        attributeOf(reinterpret_cast<std::uint8_t*>(base.data()), size, ntfs::kAttrAttributeList);
    ASSERT_FALSE(list.resident);
    std::pmr::vector<ntfs::TRun> listRuns;
    ASSERT_TRUE(
        ntfs::decodeRuns(list.mappingPairs, list.lowestVcn, list.highestVcn, kEverything >> 8, listRuns));
    const ntfs::TBytes entries(
        reinterpret_cast<const std::uint8_t*>(image.bytes.data()) + listRuns[0].lcn * cluster, list.dataSize);
    std::uint64_t extension = many;
    std::uint32_t type = 0;
    std::uint16_t instance = 0;
    for (std::size_t at = 0; extension == many && at + 0x1A <= entries.size(); at += entries.u16(at + 4)) {
        extension = ntfs::recordOf(entries.u64(at + 0x10));
        type = entries.u32(at);
        instance = entries.u16(at + 0x18);
    }
    ASSERT_NE(extension, many);

    // The MFT grows by 10,000 copies of that record (each numbered for its place), and the new list
    // follows them.
    constexpr std::uint64_t kRecords = 10000;
    constexpr std::size_t kEntry = 0x1A;
    const std::uint64_t listBytes = kRecords * kEntry;
    ASSERT_LE(listBytes, 256u * 1024);
    std::uint64_t vcns = 0;
    std::vector<TPlainRun> runs = plainMftRuns(*intact, vcns);
    ASSERT_EQ(vcns * cluster % size, 0u);
    const std::uint64_t imageClusters = (image.bytes.size() + cluster - 1) / cluster;
    const std::uint64_t tail = (kRecords * size + cluster - 1) / cluster;
    const std::uint64_t listClusters = (listBytes + cluster - 1) / cluster;
    runs.push_back({static_cast<std::int64_t>(imageClusters), tail});
    std::string damaged = image.bytes;
    damaged.resize(imageClusters * cluster, '\0');
    const std::uint64_t sectors = (imageClusters + tail + listClusters + 8) * (cluster / 512);
    for (int i = 0; i < 8; ++i) {
        damaged[0x28 + i] = static_cast<char>(sectors >> (8 * i));
    }
    const std::uint64_t total = (vcns + tail) * cluster;
    image.patchRecord(damaged, ntfs::kRecordMft, [&](std::uint8_t* record) {
        setRuns(record, size, attributeOffset(record, ntfs::kAttrData), encodeRuns(runs), vcns + tail - 1,
                total, total);
    });
    const std::string copy = recordBytes(extension);
    const std::uint64_t first = vcns * cluster / size;
    for (std::uint64_t n = 0; n < kRecords; ++n) {
        std::string numbered = copy;
        for (int i = 0; i < 4; ++i) {
            numbered[0x2C + i] = static_cast<char>((first + n) >> (8 * i));
        }
        damaged += numbered;
    }
    damaged.resize((imageClusters + tail) * cluster, '\0');
    for (std::uint64_t n = 0; n < kRecords; ++n) {
        char entry[kEntry] = {};
        std::memcpy(entry, &type, 4);
        entry[4] = static_cast<char>(kEntry);
        entry[7] = static_cast<char>(kEntry); // name offset (no name)
        const std::uint64_t segment = first + n;
        std::memcpy(entry + 0x10, &segment, 6);
        std::memcpy(entry + 0x18, &instance, 2);
        damaged.append(entry, kEntry);
    }
    damaged.resize((imageClusters + tail + listClusters + 8) * cluster, '\0');
    image.patchRecord(damaged, many, [&](std::uint8_t* record) {
        setRuns(record, size, attributeOffset(record, ntfs::kAttrAttributeList),
                encodeRuns({{static_cast<std::int64_t>(imageClusters + tail), listClusters}}),
                listClusters - 1, listBytes, listBytes);
    });

    std::uint64_t read = 0;
    auto volume = TNtfsVolume::open(std::make_unique<TCounted>(damaged, read));
    ASSERT_NE(volume, nullptr);
    read = 0;
    const std::optional<ntfs::TNtfsFile> file = volume->loadFile(many);
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->damaged);
    EXPECT_LE(file->extensionRecords, 8192u);
    EXPECT_LE(read, 8192 * size + listBytes + 2 * size)
        << "read " << read << " bytes for one file of " << size << "-byte records";
}

// A small stream of a file in a compressed folder is resident and stored plainly, though its attribute
// carries the compression flag: it is read (alone and through the backup stream), not refused.
TEST_F(Hostile, ResidentValueWithTheCompressionFlagIsReadPlainly) {
    const TImage image(copiedVolume());
    std::string patched = image.bytes;
    image.patchRecord(patched, image.recordOf(L"one.txt"), [&](std::uint8_t* record) {
        for (const wchar_t* name : {L"", L"notes"}) {
            const std::size_t at = attributeOffset(record, ntfs::kAttrData, name);
            ASSERT_EQ(record[at + 8], 0) << "resident";
            record[at + 12] |= 0x01; // flags: compressed (LZNT1)
        }
    });
    auto services = servicesOver(patched);
    ASSERT_NE(services, nullptr);
    for (const auto& [path, content] :
         {std::pair{L"N:\\one.txt", "main data"}, std::pair{L"N:\\one.txt:notes", "one stream"}}) {
        std::string bytes;
        plat::DWORD error = 0;
        EXPECT_TRUE(readWhole(*services, path, bytes, error)) << utf8(path) << " error " << error;
        EXPECT_EQ(bytes, content) << utf8(path);
    }
    std::string backup;
    EXPECT_TRUE(backupOf(*services, L"N:\\one.txt", backup));
    EXPECT_NE(backup.find("one stream"), std::string::npos);
    EXPECT_EQ(services->openHandles(), 0);
}

// Parent references that form a cycle (level1 placed inside level2, which lies inside level1): the two
// folders and everything below them are out of the tree, the walk ends, and finding the place of a file
// below them climbs the cycle no more than once per file before it gives up.
TEST_F(Hostile, ParentReferencesInACycleEndTheClimbAndTheWalk) {
    if (!userVolume().unavailable.empty()) {
        GTEST_SKIP() << userVolume().unavailable;
    }
    const TImage image(userVolume());
    std::string patched = image.bytes;
    const auto intact = servicesOver(image.bytes);
    std::uint64_t level1 = 0;
    std::uint64_t level2 = 0;
    ASSERT_TRUE(recordOf(*intact, L"N:\\level1", level1) && recordOf(*intact, L"N:\\level1\\level2", level2));
    image.patchRecord(patched, level1, [&](std::uint8_t* record) {
        const std::size_t at = attributeOffset(record, ntfs::kAttrFileName);
        std::uint8_t* value = record + at + (record[at + 20] | record[at + 21] << 8);
        for (int i = 0; i < 8; ++i) {
            value[i] = static_cast<std::uint8_t>(i < 6 ? level2 >> (8 * i) : 0); // sequence 0: any
        }
    });
    auto services = servicesOver(patched);
    ASSERT_NE(services, nullptr);
    const std::vector<TSeenFile> seen = walkServices(*services, L'N');
    EXPECT_EQ(seenFile(seen, L"level1"), nullptr);
    EXPECT_NE(seenFile(seen, L"plain.txt"), nullptr);
    std::wstring deepPath = L"N:";
    for (int level = 1; level <= 4; ++level) {
        deepPath += L"\\level" + std::to_wstring(level);
    }
    std::uint64_t deep = 0;
    ASSERT_TRUE(recordOf(*intact, deepPath + L"\\deep.txt", deep));
    const auto volume = openBytes(patched);
    const ntfs::TNtfsFile* file = volume->fileByRecord(deep);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(services->pathOfReference(L'N', deep, file->sequence), std::nullopt);
    // An intact file is still found by its reference.
    std::uint64_t plain = 0;
    ASSERT_TRUE(recordOf(*intact, L"N:\\plain.txt", plain));
    EXPECT_EQ(services->pathOfReference(L'N', plain, volume->fileByRecord(plain)->sequence),
              std::optional<std::wstring>(L"N:\\plain.txt"));
    EXPECT_EQ(services->pathOfReference(
                  L'N', plain, static_cast<std::uint16_t>(volume->fileByRecord(plain)->sequence + 1)),
              std::nullopt); // a reused record is another file
}

} // namespace
} // namespace ntfstest
