// Damaged and hostile volumes: truncated images, records that do not hold together, parent references
// in a cycle, run lists that point outside the volume, boot sectors NTFS never writes, and random
// damage. The reader gives errors (a file left out, a stream that cannot be read, a volume that does
// not open), never a crash, an endless loop or wrong bytes.

#include "ntfs/NtfsPatchedImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

namespace ntfstest {
namespace {

class Damage : public testing::Test {
protected:
    void SetUp() override {
        if (!copiedVolume().unavailable.empty()) {
            GTEST_SKIP() << copiedVolume().unavailable;
        }
    }
};

// Whatever a truncated image still gives is right: the bytes read are those ntfs-3g wrote, and a
// stream whose clusters are gone fails to read instead of giving other bytes.
TEST_F(Damage, TruncatedImageGivesWhatRemainsOrErrors) {
    const TImage image(copiedVolume());
    const std::uint64_t mftStart = image.mftByte(0);
    const std::uint64_t recordSize = image.geometry().recordSize;
    const std::vector<std::uint64_t> lengths = {0,
                                                100,
                                                512,
                                                4096,
                                                mftStart,
                                                mftStart + 6 * recordSize,
                                                mftStart + 40 * recordSize,
                                                image.bytes.size() / 2,
                                                image.bytes.size() - 4096};
    int opened = 0;
    for (std::uint64_t length : lengths) {
        const std::string cut = image.bytes.substr(0, static_cast<std::size_t>(length));
        TNtfsOpenError error = TNtfsOpenError::none;
        auto volume = openBytes(cut, &error);
        if (!volume) {
            EXPECT_NE(error, TNtfsOpenError::none) << length;
            continue;
        }
        ++opened;
        for (const TSeenFile& file : walkAll(cut)) {
            const TFileFacts* facts = copiedVolume().find(file.path);
            ASSERT_NE(facts, nullptr) << utf8(file.path);
            EXPECT_TRUE(file.dataUnavailable || file.data == facts->data) << length << " " << utf8(file.path);
            for (const TSeenStream& stream : file.streams) {
                const auto same = std::find_if(facts->streams.begin(), facts->streams.end(),
                                               [&](const TStreamFacts& s) { return s.name == stream.name; });
                ASSERT_NE(same, facts->streams.end());
                EXPECT_TRUE(stream.unavailable || stream.bytes == same->bytes)
                    << length << " " << utf8(stream.name);
            }
        }
    }
    EXPECT_GE(opened, 2) << "the cuts past the MFT open";
    EXPECT_EQ(openBytes(image.bytes.substr(0, 100)), nullptr);
}

// An image file is read in place through a mapping of its real size: whole, cut short or with a torn
// record, it gives the same catalogue as the same bytes read through a copy, and reads past its end fail.
TEST_F(Damage, MappedImageFileReadsAsItsBytes) {
    const TImage image(copiedVolume());
    const std::uint64_t mftStart = image.mftByte(0);
    const std::uint64_t recordSize = image.geometry().recordSize;
    std::string torn = image.bytes;
    torn[image.mftByte(image.recordOf(L"one.txt") * recordSize + 510)] ^= 0x5A;
    const std::vector<std::string> cases = {image.bytes.substr(0, 100),
                                            image.bytes.substr(0, mftStart + 6 * recordSize),
                                            image.bytes.substr(0, mftStart + 40 * recordSize + 100),
                                            image.bytes.substr(0, image.bytes.size() / 2),
                                            image.bytes,
                                            torn};
    for (std::size_t n = 0; n < cases.size(); ++n) {
        const std::string& bytes = cases[n];
        const std::filesystem::path path = programScratch() / ("mapped-" + std::to_string(n) + ".img");
        writeBytes(path, bytes);
        auto device = ntfs::openImageFile(path);
        ASSERT_NE(device, nullptr) << n;
        std::uint8_t byte = 0;
        EXPECT_FALSE(device->read(bytes.size(), &byte, 1)) << n;
        EXPECT_FALSE(device->read(UINT64_MAX, &byte, 1)) << n;
        EXPECT_EQ(device->view(bytes.size() - 1, 2), nullptr) << n;
        ASSERT_TRUE(device->read(bytes.size() - 1, &byte, 1)) << n;
        EXPECT_EQ(byte, static_cast<std::uint8_t>(bytes.back())) << n;

        TNtfsOpenError mappedError = TNtfsOpenError::none;
        TNtfsOpenError copiedError = TNtfsOpenError::none;
        auto mapped = TNtfsVolume::open(std::move(device), &mappedError);
        auto copied = openBytes(bytes, &copiedError);
        EXPECT_EQ(mappedError, copiedError) << n;
        ASSERT_EQ(mapped == nullptr, copied == nullptr) << n;
        if (!mapped) {
            continue;
        }
        EXPECT_EQ(mapped->damagedRecords(), copied->damagedRecords()) << n;
        ASSERT_EQ(mapped->files().size(), copied->files().size()) << n;
        for (std::size_t i = 0; i < mapped->files().size(); ++i) {
            const ntfs::TNtfsFile& a = mapped->files()[i];
            const ntfs::TNtfsFile& b = copied->files()[i];
            EXPECT_EQ(a.record, b.record) << n;
            ASSERT_EQ(a.names.size(), b.names.size()) << n << " " << a.record;
            for (std::size_t k = 0; k < a.names.size(); ++k) {
                EXPECT_EQ(a.names[k].bytes, b.names[k].bytes) << n << " " << a.record;
            }
            ASSERT_EQ(a.streams.size(), b.streams.size()) << n << " " << a.record;
            for (std::size_t k = 0; k < a.streams.size(); ++k) {
                EXPECT_EQ(a.streams[k].name, b.streams[k].name) << n << " " << a.record;
                EXPECT_EQ(a.streams[k].size, b.streams[k].size) << n << " " << a.record;
            }
        }
    }
}

TEST_F(Damage, RecordWithBrokenFixupsIsLeftOut) {
    const TImage image(copiedVolume());
    std::string damaged = image.bytes;
    const std::uint64_t record = image.recordOf(L"one.txt");
    // The last bytes of the record's first sector no longer carry the check value: a torn write.
    damaged[image.mftByte(record * image.geometry().recordSize + 510)] ^= 0x5A;
    auto volume = openBytes(damaged);
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->damagedRecords(), 1u);
    EXPECT_EQ(volume->fileByRecord(record), nullptr);
    std::vector<std::wstring> names;
    for (const TSeenFile& file : walkAll(damaged)) {
        names.push_back(file.path);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::wstring>{L"empty.txt", L"name with spaces.txt", L"plain.txt",
                                                L"several.txt"}));
}

TEST_F(Damage, RunListOutsideTheVolumeMakesTheStreamUnreadableNotWrong) {
    const TImage image(copiedVolume());
    std::string damaged = image.bytes;
    const std::size_t size = image.geometry().recordSize;
    image.patchRecord(damaged, image.recordOf(L"several.txt"), [&](std::uint8_t* record) {
        const TAttributeView beta = attributeOf(record, size, ntfs::kAttrData, L"beta");
        ASSERT_FALSE(beta.resident);
        // One run of 6 clusters at a cluster far past the end of the volume.
        auto* pairs = const_cast<std::uint8_t*>(beta.mappingPairs.data());
        const std::uint8_t far[] = {0x41, 0x06, 0x00, 0x00, 0x00, 0x70, 0x00};
        std::memcpy(pairs, far, sizeof far);
    });
    auto services = servicesOver(damaged);
    ASSERT_NE(services, nullptr);
    plat::installFileServices(services.get());
    // Listed with its size; reading it fails.
    const std::vector<TSeenFile> seen = walkServices(*services, L'N');
    plat::installFileServices(nullptr);
    const auto several =
        std::find_if(seen.begin(), seen.end(), [](const TSeenFile& f) { return f.path == L"several.txt"; });
    ASSERT_NE(several, seen.end());
    ASSERT_EQ(several->streams.size(), 3u);
    EXPECT_EQ(several->streams[1].name, L"beta");
    EXPECT_EQ(several->streams[1].size, 3000u);
    EXPECT_TRUE(several->streams[1].unavailable);
    EXPECT_EQ(several->streams[1].readError, 1392u); // ERROR_FILE_CORRUPT
    EXPECT_FALSE(several->streams[0].unavailable);
    EXPECT_EQ(several->streams[0].bytes, "first");
}

// ntfs-3g cannot make an encrypted stream, so the flag is set on one: it is listed with its size,
// and reading it (alone or through the backup stream) says the data is not available.
TEST_F(Damage, EncryptedStreamIsListedButNotRead) {
    const TImage image(copiedVolume());
    std::string patched = image.bytes;
    image.patchRecord(patched, image.recordOf(L"several.txt"), [&](std::uint8_t* record) {
        const TAttributeView beta =
            attributeOf(record, image.geometry().recordSize, ntfs::kAttrData, L"beta");
        auto* header = const_cast<std::uint8_t*>(beta.name.data()) - 0x40; // the name follows the header
        ASSERT_EQ(header[0], 0x80) << "the header starts at the type";
        header[0x0D] |= 0x40; // flags 0x4000: encrypted
    });
    auto services = servicesOver(patched);
    ASSERT_NE(services, nullptr);
    std::string bytes;
    plat::DWORD error = 0;
    EXPECT_FALSE(readWhole(*services, L"N:\\several.txt:beta", bytes, error));
    EXPECT_EQ(error, plat::ERROR_NOT_SUPPORTED);
    ASSERT_TRUE(readWhole(*services, L"N:\\several.txt:alpha", bytes, error));
    EXPECT_EQ(bytes, "first");
    plat::WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(services->GetFileAttributesExW(L"N:\\several.txt:beta", plat::GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 3000u);

    // The backup stream gives the record's header, then refuses its data.
    plat::HANDLE file =
        services->CreateFileW(L"N:\\several.txt", plat::GENERIC_READ, plat::FILE_SHARE_READ, nullptr,
                              plat::OPEN_EXISTING, plat::FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(file, plat::INVALID_HANDLE_VALUE);
    void* context = nullptr;
    plat::BYTE buffer[65536];
    plat::DWORD read = 0;
    std::string stream;
    while (services->BackupRead(file, buffer, sizeof buffer, &read, plat::FALSE, plat::FALSE, &context) &&
           read > 0) {
        stream.append(reinterpret_cast<const char*>(buffer), read);
    }
    EXPECT_EQ(services->GetLastError(), plat::ERROR_NOT_SUPPORTED);
    EXPECT_NE(stream.find(std::string("b\0e\0t\0a\0", 8)), std::string::npos)
        << "the header and name of beta came";
    services->BackupRead(file, buffer, 0, &read, plat::TRUE, plat::FALSE, &context);
    services->CloseHandle(file);
    EXPECT_EQ(services->openHandles(), 0);
}

TEST_F(Damage, BootSectorsNtfsNeverWritesDoNotOpen) {
    const TImage image(copiedVolume());
    struct TCase {
        const char* what;
        std::size_t offset;
        std::uint8_t value;
        TNtfsOpenError error;
    };
    const TCase cases[] = {
        {"signature", 3, 'X', TNtfsOpenError::notNtfs},
        {"sector size", 0x0B, 0x03, TNtfsOpenError::badGeometry},
        {"cluster size", 0x0D, 0x03, TNtfsOpenError::badGeometry},
        {"record size", 0x40, 0x7F, TNtfsOpenError::badGeometry},
        {"record size", 0x40, 0xE0, TNtfsOpenError::badGeometry},
        {"MFT place", 0x37, 0x40, TNtfsOpenError::badGeometry},
        {"MFT place", 0x30, 0x07, TNtfsOpenError::damagedMft},
    };
    for (const TCase& c : cases) {
        std::string damaged = image.bytes;
        damaged[c.offset] = static_cast<char>(c.value);
        TNtfsOpenError error = TNtfsOpenError::none;
        EXPECT_EQ(openBytes(damaged, &error), nullptr) << c.what;
        EXPECT_EQ(error, c.error) << c.what;
    }
}

TEST_F(Damage, MftRunListOutsideTheVolumeDoesNotOpen) {
    const TImage image(copiedVolume());
    std::string damaged = image.bytes;
    image.patchRecord(damaged, 0, [&](std::uint8_t* record) {
        const TAttributeView data = attributeOf(record, image.geometry().recordSize, ntfs::kAttrData);
        auto* pairs = const_cast<std::uint8_t*>(data.mappingPairs.data());
        const std::uint8_t far[] = {0x41, 0x40, 0x00, 0x00, 0x00, 0x70, 0x00};
        std::memcpy(pairs, far, sizeof far);
    });
    TNtfsOpenError error = TNtfsOpenError::none;
    EXPECT_EQ(openBytes(damaged, &error), nullptr);
    EXPECT_EQ(error, TNtfsOpenError::damagedMft);
}

// Bytes changed at random all over the MFT's records, many times over: every outcome is allowed but
// a crash or a walk that does not end.
TEST_F(Damage, RandomDamageToTheMftNeverCrashes) {
    const TImage image(copiedVolume());
    const std::uint64_t recordSize = image.geometry().recordSize;
    std::mt19937 random(20240611);
    for (int round = 0; round < 150; ++round) {
        std::string damaged = image.bytes;
        const int changes = 1 + static_cast<int>(random() % 24);
        for (int n = 0; n < changes; ++n) {
            const std::uint64_t record = random() % 24;
            const std::uint64_t at = image.mftByte(record * recordSize + random() % recordSize);
            damaged[at] = static_cast<char>(random() & 0xFF);
        }
        walkAll(damaged);
    }
}

// The same for a file whose attributes fill extension records through an attribute list.
TEST_F(Damage, RandomDamageToExtensionRecordsNeverCrashes) {
    if (!userVolume().unavailable.empty()) {
        GTEST_SKIP() << userVolume().unavailable;
    }
    const TImage image(userVolume());
    auto intact = openBytes(image.bytes);
    const std::uint64_t manyRecord = image.recordOf(L"many.txt");
    // The records of many.txt: its own and those whose base reference names it.
    std::vector<std::uint64_t> records = {manyRecord};
    for (std::uint64_t record = 16; record < intact->recordCount(); ++record) {
        std::vector<std::uint8_t> bytes(image.geometry().recordSize);
        for (std::size_t sector = 0; sector < bytes.size() / 512; ++sector) {
            std::memcpy(bytes.data() + sector * 512,
                        image.bytes.data() + image.mftByte(record * bytes.size() + sector * 512), 512);
        }
        TRecordHeader header;
        if (ntfs::prepareRecord(bytes.data(), bytes.size(), header) == ntfs::TRecordState::ok &&
            ntfs::recordOf(header.baseReference) == manyRecord) {
            records.push_back(record);
        }
    }
    ASSERT_GT(records.size(), 2u);
    std::mt19937 random(7);
    for (int round = 0; round < 30; ++round) {
        std::string damaged = image.bytes;
        for (int n = 0; n < 8; ++n) {
            const std::uint64_t record = records[random() % records.size()];
            const std::uint64_t at =
                image.mftByte(record * image.geometry().recordSize + random() % image.geometry().recordSize);
            damaged[at] = static_cast<char>(random() & 0xFF);
        }
        auto services = servicesOver(damaged);
        ASSERT_NE(services, nullptr);
        std::string bytes;
        plat::DWORD error = 0;
        readWhole(*services, L"N:\\many.txt:stream-1075-with-a-longer-name-to-fill-records", bytes, error);
        plat::WIN32_FIND_STREAM_DATA data{};
        plat::HANDLE find =
            services->FindFirstStreamW(L"N:\\many.txt", plat::FindStreamInfoStandard, &data, 0);
        if (find != plat::INVALID_HANDLE_VALUE) {
            while (services->FindNextStreamW(find, &data)) {
            }
            services->FindClose(find);
        }
    }
}

class Cycles : public testing::Test {
protected:
    void SetUp() override {
        if (!userVolume().unavailable.empty()) {
            GTEST_SKIP() << userVolume().unavailable;
        }
    }
};

// Folders whose parent references form a cycle are not reachable from the root: they are left out,
// and the walk (and a scan over the services) ends.
TEST_F(Cycles, FoldersInACycleAreLeftOut) {
    const TImage image(userVolume());
    std::string damaged = image.bytes;
    const std::uint64_t level1 = image.recordOf(L"level1");
    const std::uint64_t level3 = image.recordOf(L"level1\\level2\\level3");
    const std::size_t size = image.geometry().recordSize;
    // level1's parent becomes level3, which lies below it.
    image.patchRecord(damaged, level1, [&](std::uint8_t* record) {
        const TAttributeView name = attributeOf(record, size, ntfs::kAttrFileName);
        auto* value = const_cast<std::uint8_t*>(name.value.data());
        for (int i = 0; i < 6; ++i) {
            value[i] = static_cast<std::uint8_t>(level3 >> (8 * i));
        }
        value[6] = value[7] = 0; // any sequence number
    });
    const std::vector<TSeenFile> seen = walkAll(damaged);
    ASSERT_FALSE(seen.empty());
    for (const TSeenFile& file : seen) {
        EXPECT_NE(file.path.rfind(L"level1", 0), 0u) << utf8(file.path);
    }
    const auto expected = std::count_if(userVolume().facts.begin(), userVolume().facts.end(),
                                        [](const TFileFacts& f) { return f.path.rfind(L"level1", 0) != 0; });
    EXPECT_EQ(static_cast<std::ptrdiff_t>(seen.size()), expected);
}

TEST_F(Cycles, FolderThatIsItsOwnParentIsLeftOut) {
    const TImage image(userVolume());
    std::string damaged = image.bytes;
    const std::uint64_t docs = image.recordOf(L"docs");
    const std::size_t size = image.geometry().recordSize;
    image.patchRecord(damaged, docs, [&](std::uint8_t* record) {
        const TAttributeView name = attributeOf(record, size, ntfs::kAttrFileName);
        auto* value = const_cast<std::uint8_t*>(name.value.data());
        for (int i = 0; i < 6; ++i) {
            value[i] = static_cast<std::uint8_t>(docs >> (8 * i));
        }
    });
    for (const TSeenFile& file : walkAll(damaged)) {
        EXPECT_NE(file.path.rfind(L"docs", 0), 0u) << utf8(file.path);
    }
}

} // namespace
} // namespace ntfstest
