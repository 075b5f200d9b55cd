// The record-level parsing on hand-made bytes: update-sequence fix-ups, attribute bounds and run
// lists, valid and hostile.

#include "ntfs/NtfsRecord.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using ntfs::TAttributeReader;
using ntfs::TAttributeView;
using ntfs::TBytes;
using ntfs::TRecordHeader;
using ntfs::TRun;

struct TRunCase {
    const char* what;
    std::vector<std::uint8_t> pairs;
    std::uint64_t lowestVcn;
    std::uint64_t highestVcn;
    bool valid;
    std::vector<TRun> runs;
};

TEST(RunLists, DecodeAsNtfsWritesThemAndRefuseWhatItNeverWrites) {
    constexpr std::uint64_t kClusters = 0x10000;
    const TRunCase cases[] = {
        {"one run", {0x21, 0x18, 0x34, 0x56, 0x00}, 0, 0x17, true, {{0, 0x5634, 0x18}}},
        {"a negative step",
         {0x11, 0x30, 0x60, 0x11, 0x10, 0xF0, 0x00},
         0,
         0x3F,
         true,
         {{0, 0x60, 0x30}, {0x30, 0x50, 0x10}}},
        {"a hole",
         {0x11, 0x04, 0x20, 0x01, 0x08, 0x11, 0x04, 0x10, 0x00},
         0,
         15,
         true,
         {{0, 0x20, 4}, {4, TRun::kSparse, 8}, {12, 0x30, 4}}},
        {"an extent further on", {0x11, 0x08, 0x40, 0x00}, 32, 39, true, {{32, 0x40, 8}}},
        {"an empty stream", {0x00}, 0, ~std::uint64_t{0}, true, {}},
        {"no end mark", {0x11, 0x08, 0x40}, 0, 7, true, {{0, 0x40, 8}}},
        {"past the volume", {0x31, 0x10, 0xF8, 0xFF, 0x00, 0x00}, 0, 15, false, {}},
        {"before the volume", {0x11, 0x08, 0xFF, 0x00}, 0, 7, false, {}},
        {"a run of no clusters", {0x11, 0x00, 0x10, 0x00}, 0, 7, false, {}},
        {"a length field of nine bytes", {0x19, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0x00}, 0, 7, false, {}},
        {"cut short", {0x21, 0x18, 0x34}, 0, 0x17, false, {}},
        {"longer than its extent", {0x11, 0x10, 0x20, 0x00}, 0, 7, false, {}},
        {"an extent that ends before it starts", {0x00}, 8, 3, false, {}},
        {"an offset that overflows",
         {0x81, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x00},
         0,
         0,
         false,
         {}},
    };
    for (const TRunCase& c : cases) {
        std::pmr::vector<TRun> runs;
        EXPECT_EQ(ntfs::decodeRuns(TBytes(c.pairs.data(), c.pairs.size()), c.lowestVcn, c.highestVcn,
                                   kClusters, runs),
                  c.valid)
            << c.what;
        if (c.valid) {
            EXPECT_EQ(std::vector<TRun>(runs.begin(), runs.end()), c.runs) << c.what;
        }
    }
}

// A 1024-byte record with its update sequence array at 0x30: check value 0x0007, and the bytes the
// sector ends really hold.
std::vector<std::uint8_t> protectedRecord() {
    std::vector<std::uint8_t> record(1024, 0);
    record[4] = 0x30; // array offset
    record[6] = 3;    // check value and one entry per sector
    record[0x30] = 0x07;
    record[0x32] = 0xA1;
    record[0x33] = 0xA2;
    record[0x34] = 0xB1;
    record[0x35] = 0xB2;
    record[510] = record[1022] = 0x07;
    return record;
}

TEST(Fixups, PutBackTheSectorEnds) {
    std::vector<std::uint8_t> record = protectedRecord();
    ASSERT_TRUE(ntfs::applyFixups(record.data(), record.size()));
    EXPECT_EQ(record[510], 0xA1);
    EXPECT_EQ(record[511], 0xA2);
    EXPECT_EQ(record[1022], 0xB1);
    EXPECT_EQ(record[1023], 0xB2);
}

TEST(Fixups, RefuseTornAndMalformedRecords) {
    struct TCase {
        const char* what;
        std::size_t offset;
        std::uint8_t value;
    };
    const TCase cases[] = {
        {"a torn second sector", 1022, 0x08},
        {"an array with one entry too few", 6, 2},
        {"an array past the first sector", 4, 0xFE},
        {"an array at an odd offset", 4, 0x31},
    };
    for (const TCase& c : cases) {
        std::vector<std::uint8_t> record = protectedRecord();
        record[c.offset] = c.value;
        EXPECT_FALSE(ntfs::applyFixups(record.data(), record.size())) << c.what;
    }
    std::vector<std::uint8_t> odd(1000, 0);
    EXPECT_FALSE(ntfs::applyFixups(odd.data(), odd.size())) << "not a whole number of sectors";
}

// A record area with attributes laid out by hand after a header that says where they are.
class Attributes : public testing::Test {
protected:
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(512, 0);
    TRecordHeader header{0, 1, 0, 512, 0x38};

    void put32(std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }
    // A resident attribute at the offset with a name of one unit and a value of the length.
    void resident(std::size_t at, std::uint32_t type, std::uint32_t length, std::uint32_t valueLength) {
        put32(at, type);
        put32(at + 4, length);
        bytes[at + 9] = 1;     // name units
        bytes[at + 10] = 0x18; // name offset
        bytes[at + 0x18] = 'n';
        put32(at + 16, valueLength);
        bytes[at + 20] = 0x20; // value offset
    }
    std::vector<std::uint32_t> read(bool& damaged) {
        TAttributeReader reader(TBytes(bytes.data(), bytes.size()), header);
        TAttributeView attribute;
        std::vector<std::uint32_t> types;
        while (reader.next(attribute)) {
            types.push_back(attribute.type);
        }
        damaged = reader.damaged();
        return types;
    }
};

TEST_F(Attributes, AreReadInOrderUpToTheEndMark) {
    resident(0x38, 0x10, 0x28, 8);
    resident(0x60, 0x80, 0x30, 16);
    put32(0x90, 0xFFFFFFFF);
    bool damaged = true;
    EXPECT_EQ(read(damaged), (std::vector<std::uint32_t>{0x10, 0x80}));
    EXPECT_FALSE(damaged);
}

TEST_F(Attributes, StopAtTheFirstThatDoesNotFit) {
    struct TCase {
        const char* what;
        std::uint32_t length;
        std::uint32_t valueLength;
        std::uint8_t nameUnits;
    };
    const TCase cases[] = {
        {"a length of 0", 0, 8, 1},
        {"a length past the bytes in use", 0x400, 8, 1},
        {"a length off the 8-byte grid", 0x2C, 8, 1},
        {"a value past the attribute", 0x28, 0x40, 1},
        {"a name past the attribute", 0x28, 8, 0x20},
    };
    for (const TCase& c : cases) {
        std::fill(bytes.begin(), bytes.end(), 0);
        resident(0x38, 0x10, 0x28, 8);
        resident(0x60, 0x80, c.length, c.valueLength);
        bytes[0x60 + 9] = c.nameUnits;
        put32(0x60 + (c.length >= 0x28 && c.length < 0x200 ? c.length : 0x28), 0xFFFFFFFF);
        bool damaged = false;
        EXPECT_EQ(read(damaged), std::vector<std::uint32_t>{0x10}) << c.what;
        EXPECT_TRUE(damaged) << c.what;
    }
}

} // namespace
