// The PNG writer: checksums against their published check values, and a written file decoded
// back by walking its chunks and stored deflate blocks.

#include "platform/headless/PngWriter.h"
#include "platform/headless/RasterCanvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

using namespace plat::headless;

namespace {

std::uint32_t be32(const std::vector<std::uint8_t>& data, std::size_t at) {
    return (std::uint32_t{data[at]} << 24) | (std::uint32_t{data[at + 1]} << 16) |
           (std::uint32_t{data[at + 2]} << 8) | data[at + 3];
}

struct TDecoded {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> raw; // filter byte + RGB per row
};

// Decodes what encodePng makes, checking every CRC, the stored blocks and the Adler-32.
testing::AssertionResult decode(const std::vector<std::uint8_t>& png, TDecoded& out) {
    const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.size() < 8 || std::memcmp(png.data(), signature, 8) != 0) {
        return testing::AssertionFailure() << "bad signature";
    }
    std::vector<std::uint8_t> zlib;
    std::size_t at = 8;
    std::vector<std::string> types;
    while (at + 12 <= png.size()) {
        const std::uint32_t length = be32(png, at);
        const std::string type(png.begin() + static_cast<long>(at) + 4,
                               png.begin() + static_cast<long>(at) + 8);
        types.push_back(type);
        if (crc32(png.data() + at + 4, length + 4) != be32(png, at + 8 + length)) {
            return testing::AssertionFailure() << "bad CRC in " << type;
        }
        if (type == "IHDR") {
            out.width = be32(png, at + 8);
            out.height = be32(png, at + 12);
            if (png[at + 16] != 8 || png[at + 17] != 2) {
                return testing::AssertionFailure() << "not 8-bit truecolour";
            }
        } else if (type == "IDAT") {
            zlib.insert(zlib.end(), png.begin() + static_cast<long>(at) + 8,
                        png.begin() + static_cast<long>(at + 8 + length));
        }
        at += 12 + length;
    }
    if (types != std::vector<std::string>{"IHDR", "IDAT", "IEND"} || at != png.size()) {
        return testing::AssertionFailure() << "bad chunk sequence";
    }
    if (zlib.size() < 6 || (zlib[0] * 256 + zlib[1]) % 31 != 0 || (zlib[0] & 0x0F) != 8) {
        return testing::AssertionFailure() << "bad zlib header";
    }
    std::size_t pos = 2;
    bool last = false;
    while (!last) {
        last = (zlib[pos] & 1) != 0;
        if ((zlib[pos] & 6) != 0) {
            return testing::AssertionFailure() << "not a stored block";
        }
        const unsigned len = zlib[pos + 1] | (zlib[pos + 2] << 8);
        const unsigned nlen = zlib[pos + 3] | (zlib[pos + 4] << 8);
        if ((len ^ 0xFFFF) != nlen) {
            return testing::AssertionFailure() << "bad block length";
        }
        out.raw.insert(out.raw.end(), zlib.begin() + static_cast<long>(pos) + 5,
                       zlib.begin() + static_cast<long>(pos + 5 + len));
        pos += 5 + len;
    }
    if (pos + 4 != zlib.size() || be32(zlib, pos) != adler32(out.raw.data(), out.raw.size())) {
        return testing::AssertionFailure() << "bad Adler-32";
    }
    return testing::AssertionSuccess();
}

TEST(PngWriter, ChecksumsMatchTheirCheckValues) {
    const std::string digits = "123456789";
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(digits.data());
    EXPECT_EQ(crc32(bytes, digits.size()), 0xCBF43926u);
    const std::string word = "Wikipedia";
    EXPECT_EQ(adler32(reinterpret_cast<const std::uint8_t*>(word.data()), word.size()), 0x11E60398u);
    EXPECT_EQ(adler32(nullptr, 0), 1u);
}

TEST(PngWriter, EncodesPixelsThatDecodeBack) {
    // 200 x 120 pixels: more than one stored block (65535 bytes).
    const int w = 200;
    const int h = 120;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(w) * h * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) {
        rgb[i] = static_cast<std::uint8_t>(i * 7 + i / 601);
    }
    TDecoded decoded;
    ASSERT_TRUE(decode(encodePng(w, h, rgb), decoded));
    EXPECT_EQ(decoded.width, 200u);
    EXPECT_EQ(decoded.height, 120u);
    ASSERT_EQ(decoded.raw.size(), static_cast<std::size_t>(h) * (w * 3 + 1));
    for (int y = 0; y < h; ++y) {
        const auto row = decoded.raw.begin() + static_cast<long>(y) * (w * 3 + 1);
        ASSERT_EQ(row[0], 0) << y;
        ASSERT_TRUE(std::equal(row + 1, row + 1 + w * 3, rgb.begin() + static_cast<long>(y) * w * 3)) << y;
    }
    EXPECT_TRUE(encodePng(0, 5, {}).empty());
    EXPECT_TRUE(encodePng(2, 2, rgb).empty()); // size does not match
}

TEST(PngWriter, RasterCanvasSavesItsPicture) {
    TRasterCanvas canvas(3, 2, RGBColor(1, 2, 3));
    canvas.setPixel(2, 1, RGBColor(250, 251, 252));
    const auto path = std::filesystem::temp_directory_path() / "kw-raster-save-test.png";
    ASSERT_TRUE(canvas.savePng(path.string()));
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> png{std::istreambuf_iterator<char>(file), {}};
    std::filesystem::remove(path);
    TDecoded decoded;
    ASSERT_TRUE(decode(png, decoded));
    const std::vector<std::uint8_t> expected{0, 1, 2, 3, 1, 2, 3, 1,   2,   3,
                                             0, 1, 2, 3, 1, 2, 3, 250, 251, 252};
    EXPECT_EQ(decoded.raw, expected);
    EXPECT_FALSE(canvas.savePng("/nonexistent-folder/x.png"));
}

} // namespace
