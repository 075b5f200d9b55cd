// LZNT1 units on hand-made chunks: literals, references (whose split of distance and length bits
// changes with the position in the chunk), chunks stored plainly, and chunks that do not hold together.

#include "ntfs/NtfsCompression.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using ntfs::kLznt1ChunkSize;

// A compressed chunk's header: its size less 3, the signature 3 and the compressed flag.
std::vector<std::uint8_t> compressedChunk(const std::vector<std::uint8_t>& body) {
    const auto header = static_cast<std::uint16_t>(0xB000 | (body.size() - 1));
    std::vector<std::uint8_t> chunk{static_cast<std::uint8_t>(header),
                                    static_cast<std::uint8_t>(header >> 8)};
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

std::vector<std::uint8_t> concat(std::initializer_list<std::vector<std::uint8_t>> parts) {
    std::vector<std::uint8_t> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

std::string decoded(const std::vector<std::uint8_t>& packed, std::size_t unitSize, bool& ok) {
    std::vector<std::uint8_t> unit(unitSize, 0xEE);
    ok = ntfs::decodeLznt1(ntfs::TBytes(packed.data(), packed.size()), unit.data(), unit.size());
    return std::string(unit.begin(), unit.end());
}

std::string padded(std::string text, std::size_t size) {
    text.resize(size, '\0');
    return text;
}

TEST(Lznt1, DecodesChunksAsNtfsWritesThem) {
    // "abc", then a reference 3 back for 9 bytes that overlaps what it writes.
    const auto repeated = compressedChunk({0x08, 'a', 'b', 'c', 0x06, 0x20});
    // 17 literals, then a reference: past 16 bytes the distance has 5 bits and the length 11, so 0x8000
    // is 17 back (not 9 as with 4 bits) for 3 bytes.
    std::vector<std::uint8_t> seventeen{0x00, 'A', 'B', 'C', 'D', 'E', 'F', 'G',  'H', 0x00, 'I',
                                        'J',  'K', 'L', 'M', 'N', 'O', 'P', 0x02, 'Q', 0x00, 0x80};
    std::vector<std::uint8_t> plain{0xFF, 0x3F};
    for (std::size_t i = 0; i < kLznt1ChunkSize; ++i) {
        plain.push_back(static_cast<std::uint8_t>('0' + i % 10));
    }
    std::string digits;
    for (std::size_t i = 0; i < kLznt1ChunkSize; ++i) {
        digits += static_cast<char>('0' + i % 10);
    }
    struct TCase {
        const char* what;
        std::vector<std::uint8_t> packed;
        std::string unit;
    } const cases[] = {
        {"an overlapping reference", repeated, padded("abcabcabcabc", 2 * kLznt1ChunkSize)},
        {"a reference past 16 bytes", compressedChunk(seventeen),
         padded("ABCDEFGHIJKLMNOPQABC", 2 * kLznt1ChunkSize)},
        {"a short chunk is padded to 4 KiB before the next", concat({repeated, plain}),
         padded("abcabcabcabc", kLznt1ChunkSize) + digits},
        {"a stored chunk, then the end mark", concat({plain, {0, 0}, repeated}),
         digits + std::string(kLznt1ChunkSize, '\0')},
        {"no chunks: zeros", {}, std::string(2 * kLznt1ChunkSize, '\0')},
        {"chunks past the unit are not written", concat({plain, plain, plain}), digits + digits},
    };
    for (const TCase& c : cases) {
        bool ok = false;
        EXPECT_TRUE(decoded(c.packed, 2 * kLznt1ChunkSize, ok) == c.unit) << c.what;
        EXPECT_TRUE(ok) << c.what;
    }
}

TEST(Lznt1, RefusesChunksThatDoNotHoldTogether) {
    const struct {
        const char* what;
        std::vector<std::uint8_t> packed;
    } cases[] = {
        {"a reference before any byte", compressedChunk({0x01, 0x00, 0x00})},
        {"a reference before the chunk's start", compressedChunk({0x02, 'a', 0x00, 0x10})},
        {"a reference past the chunk's 4 KiB", compressedChunk({0x02, 'a', 0xFF, 0x0F})},
        {"a reference cut short", compressedChunk({0x02, 'a', 0x00})},
        {"a chunk longer than the bytes", {0x10, 0xB0, 0x00, 'a'}},
        {"a stored chunk cut short", {0xFF, 0x3F, 'a', 'b'}},
    };
    for (const auto& c : cases) {
        bool ok = true;
        const std::string unit = decoded(c.packed, kLznt1ChunkSize, ok);
        EXPECT_FALSE(ok) << c.what;
    }
}

// Random bytes, and valid chunks with random damage: decoded or refused, never read or written outside
// their buffers (the sanitizers watch) and never past the unit.
TEST(Lznt1, DamagedChunksNeverReachOutsideTheirBuffers) {
    std::mt19937 random(18);
    std::vector<std::uint8_t> valid =
        concat({compressedChunk({0x08, 'a', 'b', 'c', 0x06, 0x20}),
                compressedChunk({0x00, 'x', 'y', 'z', 'w', 'v', 'u', 't', 's'})});
    for (int round = 0; round < 20000; ++round) {
        std::vector<std::uint8_t> packed;
        if (round % 2 == 0) {
            packed.resize(random() % 9000);
            for (auto& byte : packed) {
                byte = static_cast<std::uint8_t>(random());
            }
        } else {
            packed = valid;
            packed[random() % packed.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
        }
        std::vector<std::uint8_t> unit(2 * kLznt1ChunkSize);
        ntfs::decodeLznt1(ntfs::TBytes(packed.data(), packed.size()), unit.data(), unit.size());
    }
}

TEST(Lznt1, UnitSizesOnlyForLznt1UnitsNtfsMakes) {
    EXPECT_EQ(ntfs::lznt1UnitBytes(0x0001, 4, 4096), 65536u);
    EXPECT_EQ(ntfs::lznt1UnitBytes(0x0001, 4, 512), 8192u);
    EXPECT_EQ(ntfs::lznt1UnitBytes(0x8001, 4, 1024), 16384u); // sparse as well
    EXPECT_EQ(ntfs::lznt1UnitBytes(0x0002, 4, 4096), 0u);     // another format
    EXPECT_EQ(ntfs::lznt1UnitBytes(0x0001, 0, 4096), 0u);     // no unit
    EXPECT_EQ(ntfs::lznt1UnitBytes(0x0001, 5, 4096), 0u);     // larger than NTFS makes
    EXPECT_EQ(ntfs::lznt1UnitBytes(0x0001, 1, 512), 0u);      // not whole chunks
    EXPECT_EQ(ntfs::lznt1UnitBytes(0x0001, 255, 4096), 0u);
}

} // namespace
