// Disk images: volumes that mkntfs made, placed by the test into MBR disks (primary and logical
// partitions), GPT disks (512- and 4096-byte sectors, CRCs made here), a fixed VHD and a bare volume;
// and hostile tables, each ending in a clear result at once.

#include "../../fuzz/PartitionTableCheck.h"
#include "ntfs/NtfsDeviceRange.h"
#include "ntfs/NtfsDiskImage.h"
#include "ntfs/NtfsFixture.h"
#include "ntfs/NtfsImage.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <fstream>

namespace ntfstest {
namespace {

using ntfs::TDiskLayout;
using ntfs::TNtfsOpenError;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kMiB = 1 << 20;
constexpr std::uint32_t kVolumeSectors = 2 * kMiB / 512; // each test volume is 2 MiB

// Two small volumes made with mkntfs (and ntfscp, no mounting): labels "First" and "Second"; the first
// holds one.txt with the stream "notes".
struct TVolumes {
    std::string unavailable;
    Bytes first;
    Bytes second;
};

Bytes fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

const TVolumes& volumes() {
    static const TVolumes made = [] {
        TVolumes v;
        const std::filesystem::path folder = programScratch() / "disk-images";
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "notes") << "a stream";
        if (!makeImage(folder / "first.img", 2, "First") || !makeImage(folder / "second.img", 2, "Second") ||
            !ntfscp(folder / "first.img", folder / "notes", L"/one.txt") ||
            !ntfscp(folder / "first.img", folder / "notes", L"/one.txt", L"notes")) {
            v.unavailable = "mkntfs and ntfscp cannot make a volume in an image file here";
            return v;
        }
        v.first = fileBytes(folder / "first.img");
        v.second = fileBytes(folder / "second.img");
        return v;
    }();
    return made;
}

void put32(Bytes& b, std::uint64_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(value >> 8 * i);
    }
}
void put64(Bytes& b, std::uint64_t at, std::uint64_t value) {
    put32(b, at, static_cast<std::uint32_t>(value));
    put32(b, at + 4, static_cast<std::uint32_t>(value >> 32));
}
void putBe32(Bytes& b, std::uint64_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        b[at + i] = static_cast<std::uint8_t>(value >> 8 * (3 - i));
    }
}

// An MBR or EBR entry (slot 0-3) in the sector at sectorOffset; the signature too.
void mbrEntry(Bytes& disk, std::uint64_t sectorOffset, int slot, std::uint8_t type, std::uint32_t start,
              std::uint32_t count) {
    const std::uint64_t e = sectorOffset + 0x1BE + 16 * slot;
    disk[e + 4] = type;
    put32(disk, e + 8, start);
    put32(disk, e + 12, count);
    disk[sectorOffset + 510] = 0x55;
    disk[sectorOffset + 511] = 0xAA;
}

void place(Bytes& disk, std::uint64_t offset, const Bytes& volume) {
    std::copy(volume.begin(), volume.end(), disk.begin() + static_cast<std::ptrdiff_t>(offset));
}

using TGuid = std::array<std::uint8_t, 16>;
const TGuid kBasicData = {0xA2, 0xA0, 0xD0, 0xEB, 0xE5, 0xB9, 0x33, 0x44,
                          0x87, 0xC0, 0x68, 0xB6, 0xB7, 0x26, 0x99, 0xC7};
const TGuid kLinux = {0xAF, 0x3D, 0xC6, 0x0F, 0x83, 0x84, 0x72, 0x47,
                      0x8E, 0x79, 0x3D, 0x69, 0xD8, 0x47, 0x7D, 0xE4};
const TGuid kEfiSystem = {0x28, 0x73, 0x2A, 0xC1, 0x1F, 0xF8, 0xD2, 0x11,
                          0xBA, 0x4B, 0x00, 0xA0, 0xC9, 0x3E, 0xC9, 0x3B};

struct TGptEntry {
    TGuid type;
    std::uint64_t first;
    std::uint64_t last;
};

struct TGptShape {
    std::uint32_t sector = 512;
    std::uint32_t count = 128;
    std::uint32_t entrySize = 128;
};

// A GPT header at the LBA with its entries at entriesLba; both checksums made here.
void gptHeader(Bytes& disk, const TGptShape& shape, std::uint64_t lba, std::uint64_t alternate,
               std::uint64_t entriesLba, std::uint32_t entriesCrc) {
    const std::uint64_t h = lba * shape.sector;
    std::memcpy(&disk[h], "EFI PART", 8);
    put32(disk, h + 8, 0x00010000);
    put32(disk, h + 12, 92);
    put64(disk, h + 24, lba);
    put64(disk, h + 32, alternate);
    put64(disk, h + 72, entriesLba);
    put32(disk, h + 80, shape.count);
    put32(disk, h + 84, shape.entrySize);
    put32(disk, h + 88, entriesCrc);
    put32(disk, h + 16, 0);
    put32(disk, h + 16, ntfs::crc32(&disk[h], 92));
}

// A GPT disk: protective MBR, primary header and entries, backup entries and header at the end.
void writeGpt(Bytes& disk, const TGptShape& shape, const std::vector<TGptEntry>& entries) {
    const std::uint64_t lastLba = disk.size() / shape.sector - 1;
    mbrEntry(disk, 0, 0, 0xEE, 1, static_cast<std::uint32_t>(std::min<std::uint64_t>(lastLba, 0xFFFFFFFF)));
    Bytes array(std::uint64_t{shape.count} * shape.entrySize);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::copy(entries[i].type.begin(), entries[i].type.end(), array.begin() + i * shape.entrySize);
        put64(array, i * shape.entrySize + 32, entries[i].first);
        put64(array, i * shape.entrySize + 40, entries[i].last);
    }
    const std::uint32_t crc = ntfs::crc32(array.data(), array.size());
    const std::uint64_t arraySectors = (array.size() + shape.sector - 1) / shape.sector;
    place(disk, 2 * shape.sector, array);
    place(disk, (lastLba - arraySectors) * shape.sector, array);
    gptHeader(disk, shape, 1, lastLba, 2, crc);
    gptHeader(disk, shape, lastLba, 1, lastLba - arraySectors, crc);
}

// The fixed VHD of a disk: the disk, then the 512-byte footer with its checksum.
Bytes fixedVhd(Bytes disk, std::uint32_t diskType = 2) {
    Bytes footer(512);
    std::memcpy(footer.data(), "conectix", 8);
    putBe32(footer, 60, diskType);
    std::uint32_t sum = 0;
    for (std::uint8_t b : footer) {
        sum += b;
    }
    putBe32(footer, 64, ~sum);
    disk.insert(disk.end(), footer.begin(), footer.end());
    return disk;
}

// An MBR disk: FAT32 (blank) 1, First 2, Linux (blank) 3, and an extended partition 4 holding a Linux
// partition 5 and Second 6.
Bytes mbrDisk() {
    Bytes disk(14 * kMiB);
    mbrEntry(disk, 0, 0, 0x0C, 2048, 2048);
    mbrEntry(disk, 0, 1, 0x07, 4096, kVolumeSectors);
    mbrEntry(disk, 0, 2, 0x83, 8192, 2048);
    mbrEntry(disk, 0, 3, 0x0F, 10240, 18432);
    mbrEntry(disk, 10240 * 512, 0, 0x83, 2048, 2048);
    mbrEntry(disk, 10240 * 512, 1, 0x05, 4096, 2048 + kVolumeSectors);
    mbrEntry(disk, 14336 * 512, 0, 0x07, 2048, kVolumeSectors);
    place(disk, 4096 * 512, volumes().first);
    place(disk, 16384 * 512, volumes().second);
    return disk;
}

Bytes gptDisk(std::uint32_t sector) {
    Bytes disk(8 * kMiB);
    const std::uint64_t m = kMiB / sector; // LBAs in a MiB
    writeGpt(disk, {sector, 128, 128},
             {{kEfiSystem, m, 2 * m - 1},
              {kBasicData, 2 * m, 4 * m - 1},
              {kLinux, 4 * m, 5 * m - 1},
              {kBasicData, 5 * m, 7 * m - 1}});
    place(disk, 2 * kMiB, volumes().first);
    place(disk, 5 * kMiB, volumes().second);
    return disk;
}

ntfs::TDiskImage openBytes(Bytes bytes) {
    return ntfs::openDiskImage(std::shared_ptr<ntfs::TNtfsDevice>(ntfs::openMemoryDevice(std::move(bytes))),
                               L"evidence.dd");
}

// "2 First 2097152+2097152" for each volume found.
std::vector<std::string> found(const ntfs::TDiskImage& disk) {
    std::vector<std::string> seen;
    for (const ntfs::TImageVolume& v : disk.volumes) {
        seen.push_back(std::to_string(v.number) + " " + (v.volume ? utf8(v.volume->label()) : "failed") +
                       " " + std::to_string(v.offset) + "+" + std::to_string(v.size));
    }
    return seen;
}

class DiskImage : public testing::Test {
protected:
    void SetUp() override {
        if (!volumes().unavailable.empty()) {
            GTEST_SKIP() << volumes().unavailable;
        }
    }
};

TEST(DiskImageCrc, MatchesTheStandardCheckValue) {
    const char* digits = "123456789";
    EXPECT_EQ(ntfs::crc32(reinterpret_cast<const std::uint8_t*>(digits), 9), 0xCBF43926u);
}

// Every NTFS volume of each layout, by its number, place and label; the other partitions skipped.
TEST_F(DiskImage, EveryLayoutGivesItsNtfsVolumes) {
    Bytes gptBackupOnly = gptDisk(512);
    std::fill_n(gptBackupOnly.begin() + 512, 512 + 128 * 128, 0); // primary header and entries wiped
    Bytes gptPrimaryCrcBad = gptDisk(512);
    gptPrimaryCrcBad[512 + 16] ^= 1;
    Bytes overlapping(4 * kMiB); // one volume named twice, and again by a longer partition
    mbrEntry(overlapping, 0, 0, 0x07, 2048, kVolumeSectors);
    mbrEntry(overlapping, 0, 1, 0x07, 2048, kVolumeSectors);
    mbrEntry(overlapping, 0, 2, 0x83, 2048, kVolumeSectors + 2048);
    place(overlapping, kMiB, volumes().first);
    Bytes truncatedVhd = fixedVhd(mbrDisk());
    truncatedVhd.resize(truncatedVhd.size() - 100);
    const std::string first2 = " First 2097152+2097152";
    const std::string second5 = " Second 5242880+2097152";
    struct TCase {
        const char* name;
        Bytes image;
        TDiskLayout layout;
        std::vector<std::string> volumes;
        std::wstring problems;
    } cases[] = {
        {"bare volume", volumes().first, TDiskLayout::bareVolume, {"0 First 0+2097152"}, L""},
        {"MBR, logical partitions",
         mbrDisk(),
         TDiskLayout::mbr,
         {"2 First 2097152+2097152", "6 Second 8388608+2097152"},
         L"MBR with 5 partitions: FAT32, NTFS/exFAT, Linux, Linux, NTFS/exFAT"},
        {"MBR, overlapping partitions",
         overlapping,
         TDiskLayout::mbr,
         {"1 First 1048576+2097152", "3 First 1048576+3145728"},
         L"MBR with 3 partitions"},
        {"GPT, 512-byte sectors",
         gptDisk(512),
         TDiskLayout::gpt,
         {"2" + first2, "4" + second5},
         L"GPT with 4 partitions: EFI System, Microsoft basic data, Linux, Microsoft basic data"},
        {"GPT, 4096-byte sectors", gptDisk(4096), TDiskLayout::gpt, {"2" + first2, "4" + second5}, L""},
        {"GPT, primary wiped",
         gptBackupOnly,
         TDiskLayout::gpt,
         {"2" + first2, "4" + second5},
         L"no primary GPT header; its backup is used"},
        {"GPT, primary checksum bad",
         gptPrimaryCrcBad,
         TDiskLayout::gpt,
         {"2" + first2, "4" + second5},
         L"the primary GPT is damaged (bad header checksum); its backup is used"},
        {"fixed VHD",
         fixedVhd(mbrDisk()),
         TDiskLayout::mbr,
         {"2 First 2097152+2097152", "6 Second 8388608+2097152"},
         L"fixed VHD, MBR with 5 partitions"},
        // Its end is no footer now: the file is read as a bare disk.
        {"VHD with its footer cut short",
         truncatedVhd,
         TDiskLayout::mbr,
         {"2 First 2097152+2097152", "6 Second 8388608+2097152"},
         L""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ntfs::TDiskImage disk = openBytes(c.image);
        EXPECT_EQ(disk.table.layout, c.layout);
        EXPECT_EQ(found(disk), c.volumes);
        EXPECT_EQ(disk.error, L"");
        EXPECT_NE(ntfs::describeTable(disk.table).find(c.problems), std::wstring::npos)
            << utf8(ntfs::describeTable(disk.table));
    }
}

// A volume opened from a partition reads its files and streams, and cannot read past its partition.
TEST_F(DiskImage, VolumeInAPartitionReadsItsOwnBytesOnly) {
    const std::filesystem::path path = programScratch() / "disk-images" / "evidence.vhd";
    {
        const Bytes image = fixedVhd(mbrDisk());
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    ntfs::TDiskImage disk = ntfs::openDiskImage(path);
    ASSERT_EQ(found(disk), (std::vector<std::string>{"2 First 2097152+2097152", "6 Second 8388608+2097152"}));
    const ntfs::TNtfsVolume& first = *disk.volumes[0].volume;
    const ntfs::TNtfsFile* one = nullptr;
    for (std::size_t i = 0; i < first.files().size(); ++i) {
        for (const ntfs::TNtfsName& name : first.files()[i].names) {
            one = name.name() == L"one.txt" ? &first.files()[i] : one;
        }
    }
    ASSERT_NE(one, nullptr);
    const std::optional<ntfs::TNtfsFile> loaded = first.loadFile(one->record);
    ASSERT_TRUE(loaded);
    const ntfs::TNtfsData* notes = loaded->findStream(L"notes");
    ASSERT_NE(notes, nullptr);
    char bytes[16] = {};
    EXPECT_EQ(first.readData(*notes, 0, bytes, sizeof bytes), 8);
    EXPECT_EQ(std::string(bytes), "a stream");

    auto image = std::shared_ptr<ntfs::TNtfsDevice>(ntfs::openImageFile(path));
    auto range = ntfs::openDeviceRange(image, 2 * kMiB, 2 * kMiB);
    ASSERT_NE(range, nullptr);
    EXPECT_EQ(range->size(), 2 * kMiB);
    std::uint8_t sector[512];
    EXPECT_TRUE(range->read(2 * kMiB - 512, sector, 512));
    EXPECT_FALSE(range->read(2 * kMiB - 511, sector, 512));
    EXPECT_FALSE(range->read(~std::uint64_t{0} - 100, sector, 512));
    EXPECT_EQ(ntfs::openDeviceRange(image, image->size() - 512, 513), nullptr);
    EXPECT_EQ(ntfs::openDeviceRange(image, ~std::uint64_t{0}, 2), nullptr);
    EXPECT_EQ(ntfs::openDiskImage(path.string() + ".missing").error,
              L"evidence.vhd.missing cannot be opened for reading");
}

// An image without an NTFS volume is refused with what it holds; a partition's type that says NTFS over
// blank bytes is not believed.
TEST_F(DiskImage, NoNtfsVolumeSaysWhatWasFound) {
    Bytes fatAndLinux(4 * kMiB);
    mbrEntry(fatAndLinux, 0, 0, 0x0C, 2048, 2048);
    mbrEntry(fatAndLinux, 0, 1, 0x83, 4096, 2048);
    Bytes typeSaysNtfs(4 * kMiB);
    mbrEntry(typeSaysNtfs, 0, 0, 0x07, 2048, 4096);
    Bytes gptNone(4 * kMiB);
    writeGpt(gptNone, {}, {{kEfiSystem, 2048, 4095}, {kLinux, 4096, 6143}});
    const std::pair<Bytes, std::wstring> cases[] = {
        {fatAndLinux, L"no NTFS volume in evidence.dd (MBR with 2 partitions: FAT32, Linux)"},
        {typeSaysNtfs, L"no NTFS volume in evidence.dd (MBR with 1 partition: NTFS/exFAT)"},
        {gptNone, L"no NTFS volume in evidence.dd (GPT with 2 partitions: EFI System, Linux)"},
        {Bytes(kMiB), L"no NTFS volume in evidence.dd (no partition table and no NTFS boot sector)"},
        {Bytes(), L"no NTFS volume in evidence.dd (no partition table and no NTFS boot sector)"},
        {fixedVhd(Bytes(kMiB), 3), L"no NTFS volume in evidence.dd (dynamic VHD: not supported)"},
        {fixedVhd(Bytes(kMiB), 4), L"no NTFS volume in evidence.dd (differencing VHD: not supported)"},
        {fixedVhd(fatAndLinux),
         L"no NTFS volume in evidence.dd (fixed VHD, MBR with 2 partitions: FAT32, Linux)"},
    };
    for (const auto& [image, error] : cases) {
        const ntfs::TDiskImage disk = openBytes(image);
        EXPECT_TRUE(disk.volumes.empty());
        EXPECT_EQ(utf8(disk.error), utf8(error));
    }
}

// A partition whose volume is damaged is reported with the reason; the others still open.
TEST_F(DiskImage, DamagedVolumeIsReportedAndTheRestOpen) {
    Bytes disk(8 * kMiB);
    mbrEntry(disk, 0, 0, 0x07, 2048, kVolumeSectors);
    mbrEntry(disk, 0, 1, 0x07, 8192, kVolumeSectors);
    place(disk, kMiB, volumes().first);
    place(disk, 4 * kMiB, volumes().second);
    disk[4 * kMiB + 0x0D] = 3; // sectors per cluster: not a power of two
    ntfs::TDiskImage both = openBytes(disk);
    EXPECT_EQ(found(both), (std::vector<std::string>{"1 First 1048576+2097152", "2 failed 4194304+2097152"}));
    EXPECT_EQ(both.volumes[1].error, TNtfsOpenError::badGeometry);
    EXPECT_EQ(both.error, L"");

    std::fill_n(disk.begin() + kMiB, 512, 0); // and the first's boot sector gone
    EXPECT_EQ(utf8(openBytes(disk).error),
              "no NTFS volume in evidence.dd can be opened (partition 2: its boot "
              "sector gives sizes NTFS never uses)");
}

// Hostile tables over a small disk: each read in well under a second, with what was refused said.
TEST(DiskImageHostile, TablesEndInAClearResult) {
    const std::uint64_t size = 2 * kMiB;
    auto mbr = [&](std::vector<std::array<std::uint32_t, 3>> entries) {
        Bytes disk(size);
        for (std::size_t slot = 0; slot < entries.size(); ++slot) {
            mbrEntry(disk, 0, static_cast<int>(slot), static_cast<std::uint8_t>(entries[slot][0]),
                     entries[slot][1], entries[slot][2]);
        }
        return disk;
    };
    auto gpt = [&](TGptShape shape, std::vector<TGptEntry> entries) {
        Bytes disk(size);
        writeGpt(disk, {shape.sector, std::min(shape.count, 128u), std::min(shape.entrySize, 128u)}, entries);
        for (const std::uint64_t lba :
             {std::uint64_t{1}, size / shape.sector - 1}) { // then the hostile shape
            const std::uint64_t h = lba * shape.sector;
            put32(disk, h + 80, shape.count);
            put32(disk, h + 84, shape.entrySize);
            put32(disk, h + 16, 0);
            put32(disk, h + 16, ntfs::crc32(&disk[h], 92));
        }
        return disk;
    };
    Bytes ebrLoop = mbr({{0x05, 100, 1000}});
    mbrEntry(ebrLoop, 100 * 512, 0, 0x83, 10, 10);
    mbrEntry(ebrLoop, 100 * 512, 1, 0x05, 50, 100); // to the second EBR, which links to itself
    mbrEntry(ebrLoop, 150 * 512, 0, 0x83, 10, 10);
    mbrEntry(ebrLoop, 150 * 512, 1, 0x05, 50, 100);
    Bytes ebrLong = mbr({{0x0F, 64, 3000}});
    for (std::uint32_t i = 0; i < 200; ++i) {
        mbrEntry(ebrLong, (64 + 8 * i) * 512, 0, 0x83, 4, 2);
        mbrEntry(ebrLong, (64 + 8 * i) * 512, 1, 0x05, 8 * (i + 1), 8);
    }
    Bytes entriesCrcBad = gpt({}, {{kLinux, 100, 200}});
    entriesCrcBad[2 * 512 + 40] ^= 1;
    entriesCrcBad[size - 33 * 512 + 40] ^= 1;
    Bytes entriesBeyond = gpt({}, {{kLinux, 100, 200}});
    put64(entriesBeyond, 512 + 72, ~std::uint64_t{0} / 512);
    put32(entriesBeyond, 512 + 16, 0);
    put32(entriesBeyond, 512 + 16, ntfs::crc32(&entriesBeyond[512], 92));
    std::fill_n(entriesBeyond.end() - 512, 512, 0);
    const std::uint64_t top = ~std::uint64_t{0};
    struct TCase {
        const char* name;
        Bytes image;
        TDiskLayout layout;
        std::size_t partitions;
        std::wstring problems;
    } cases[] = {
        {"MBR entry past the end", mbr({{0x07, 2048, 4096}, {0x83, 10, 10}}), TDiskLayout::mbr, 1,
         L"partition 1 reaches past the end of the disk"},
        {"MBR entry at the largest LBA", mbr({{0x07, 0xFFFFFFFF, 0xFFFFFFFF}}), TDiskLayout::mbr, 0,
         L"partition 1 reaches past the end of the disk"},
        {"MBR empty entry", mbr({{0x07, 10, 0}}), TDiskLayout::mbr, 0, L"partition 1 is empty"},
        {"MBR overlapping entries", mbr({{0x07, 10, 100}, {0x07, 50, 100}, {0x07, 10, 100}}),
         TDiskLayout::mbr, 3, L"MBR with 3 partitions"},
        {"EBR chain loops", ebrLoop, TDiskLayout::mbr, 2, L"the chain of logical partitions loops"},
        {"EBR chain too long", ebrLong, TDiskLayout::mbr, 128,
         L"the chain of logical partitions is cut after 128"},
        {"EBR missing", mbr({{0x05, 4000, 10}}), TDiskLayout::mbr, 0,
         L"an extended partition's table is damaged or missing"},
        {"GPT last LBA wraps", gpt({}, {{kLinux, 0, top}, {kLinux, top / 512, top / 512 + 1}}),
         TDiskLayout::gpt, 0,
         L"partition 1 reaches past the end of the disk; partition 2 reaches past the end of the disk"},
        {"GPT ends before it starts", gpt({}, {{kLinux, 200, 100}}), TDiskLayout::gpt, 0,
         L"partition 1 ends before it starts"},
        {"GPT huge entry count", gpt({512, 0xFFFFFFFF, 128}, {}), TDiskLayout::gpt, 0,
         L"the GPT is damaged (4294967295 entries)"},
        {"GPT huge entry size", gpt({512, 128, 0x80000000}, {}), TDiskLayout::gpt, 0,
         L"the GPT is damaged (entry size 2147483648)"},
        {"GPT entry size 0", gpt({512, 128, 0}, {}), TDiskLayout::gpt, 0,
         L"the GPT is damaged (entry size 0)"},
        {"GPT entries checksum bad", entriesCrcBad, TDiskLayout::gpt, 0,
         L"the GPT is damaged (bad entries checksum)"},
        {"GPT entries beyond the disk", entriesBeyond, TDiskLayout::gpt, 0,
         L"the GPT is damaged (entries beyond the end of the disk)"},
        {"protective MBR alone", mbr({{0xEE, 1, 100}}), TDiskLayout::gpt, 0,
         L"no GPT header after the protective MBR"},
        {"VHD footer checksum bad",
         [&] {
             Bytes vhd = fixedVhd(mbr({{0x83, 10, 10}}));
             vhd[vhd.size() - 1] ^= 1;
             return vhd;
         }(),
         TDiskLayout::mbr, 1, L"the VHD footer's checksum does not match"},
        {"boot code, not a table",
         [&] {
             Bytes disk = mbr({{0x83, 10, 10}});
             disk[0x1BE] = 0x42;
             return disk;
         }(),
         TDiskLayout::unknown, 0, L"no partition table and no NTFS boot sector"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto start = std::chrono::steady_clock::now();
        auto device = ntfs::openMemoryDevice(c.image);
        const ntfs::TPartitionTable table = ntfs::readPartitionTable(*device);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
        EXPECT_EQ(table.layout, c.layout);
        EXPECT_EQ(table.partitions.size(), c.partitions);
        for (const ntfs::TPartition& p : table.partitions) {
            EXPECT_LE(p.offset + p.length, table.diskSize) << p.number;
            EXPECT_GE(p.length, 512u) << p.number;
        }
        const std::wstring text = ntfs::describeTable(table);
        EXPECT_NE(text.find(c.problems), std::wstring::npos) << utf8(text);
        // The whole path too: nothing NTFS here, so the text names what was found.
        EXPECT_EQ(openBytes(c.image).error, L"no NTFS volume in evidence.dd (" + text + L")");
    }
}

// The fuzz target's seeds are tables of every kind, and they and every input it once failed on hold.
TEST(DiskImageFuzzInputs, SeedsAndRegressionsHold) {
    const std::filesystem::path fuzz =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz";
    int inputs = 0;
    for (const char* kind : {"corpus", "regressions"}) {
        const std::filesystem::path folder = fuzz / kind / "partition_table";
        if (!std::filesystem::is_directory(folder)) {
            continue;
        }
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const Bytes bytes = fileBytes(entry.path());
            EXPECT_EQ(fuzzchecks::checkPartitionTable(bytes.data(), bytes.size()), "") << entry.path();
            const auto table = ntfs::readPartitionTable(
                *ntfs::openMemoryDevice(fuzzchecks::imageOfInput(bytes.data(), bytes.size())));
            EXPECT_TRUE(std::string(kind) == "regressions" || table.layout != TDiskLayout::unknown)
                << entry.path();
            ++inputs;
        }
    }
    EXPECT_GE(inputs, 8);
}

} // namespace
} // namespace ntfstest
