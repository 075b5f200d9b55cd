// The PNG reader: every colour type and depth the program may meet, the three kinds of deflate
// block, all row filters, interlacing, transparency, and files it must refuse without harm.

#include "toolkit/ImageList.h"
#include "toolkit/PngDecoder.h"

#include "toolkit/PngSamples.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

TRGBA rgbaFormula(int x, int y) {
    return TRGBA{static_cast<std::uint8_t>(x * 16 % 256), static_cast<std::uint8_t>(y * 16 % 256),
                 static_cast<std::uint8_t>((x + y) * 8 % 256), static_cast<std::uint8_t>(255 - x * 8 % 256)};
}

struct TSample {
    std::string name;
    const std::vector<std::uint8_t>& png;
    int width;
    int height;
    std::function<TRGBA(int, int)> expected;
};

} // namespace

TEST(PngDecoderTest, ReadsEveryKindOfPicture) {
    const TSample samples[] = {
        {"RGBA, dynamic codes, all filters", pngsamples::kRgba, 24, 20, rgbaFormula},
        {"RGBA, fixed codes", pngsamples::kRgbaFixed, 6, 5, rgbaFormula},
        {"RGBA, stored", pngsamples::kRgbaStored, 6, 5, rgbaFormula},
        {"RGBA, interlaced", pngsamples::kRgbaInterlaced, 9, 9, rgbaFormula},
        {"4-bit palette with alpha", pngsamples::kPalette4, 5, 3,
         [](int x, int y) {
             const int i = (x + y) % 16;
             return TRGBA{static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(255 - i * 16),
                          static_cast<std::uint8_t>(i * 8), static_cast<std::uint8_t>(i * 17)};
         }},
        {"16-bit grey", pngsamples::kGrey16, 4, 3,
         [](int x, int y) {
             const auto g = static_cast<std::uint8_t>(((x * 4000 + y * 9000) & 0xFFFF) >> 8);
             return TRGBA{g, g, g, 255};
         }},
        {"RGB with a colour key", pngsamples::kRgbKey, 3, 3,
         [](int x, int y) {
             return TRGBA{static_cast<std::uint8_t>(x * 50), static_cast<std::uint8_t>(y * 50), 100,
                          static_cast<std::uint8_t>(x == 1 && y == 1 ? 0 : 255)};
         }},
    };
    for (const TSample& sample : samples) {
        SCOPED_TRACE(sample.name);
        const TBitmap32 picture = decodePng(sample.png);
        ASSERT_EQ(picture.width, sample.width);
        ASSERT_EQ(picture.height, sample.height);
        for (int y = 0; y < sample.height; ++y) {
            for (int x = 0; x < sample.width; ++x) {
                ASSERT_EQ(picture.at(x, y), sample.expected(x, y)) << "pixel " << x << ", " << y;
            }
        }
    }
}

TEST(PngDecoderTest, RefusesBrokenFilesWithAnEmptyPicture) {
    const std::vector<std::uint8_t>& good = pngsamples::kRgba;
    std::vector<std::vector<std::uint8_t>> broken;
    broken.push_back({});
    broken.push_back(std::vector<std::uint8_t>(good.begin(), good.begin() + 8)); // signature only
    // Cut anywhere in the data: the reader runs out of bytes and stops.
    for (std::size_t cut : {good.size() / 3, good.size() / 2, good.size() - 20}) {
        broken.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut));
    }
    std::vector<std::uint8_t> badSignature = good;
    badSignature[1] = 'Q';
    broken.push_back(badSignature);
    std::vector<std::uint8_t> hugeSize = good;
    hugeSize[16] = 0x7F; // width of about two billion pixels
    broken.push_back(hugeSize);
    std::vector<std::uint8_t> badDepth = good;
    badDepth[24] = 7;
    broken.push_back(badDepth);
    // Every byte of the compressed data flipped in turn: a wrong picture or none, never a fault.
    for (std::size_t at = 41; at < good.size() - 12; at += 7) {
        std::vector<std::uint8_t> flipped = good;
        flipped[at] ^= 0x5A;
        const TBitmap32 picture = decodePng(flipped);
        EXPECT_TRUE(picture.empty() || (picture.width == 24 && picture.height == 20));
    }
    for (std::size_t i = 0; i < broken.size(); ++i) {
        EXPECT_TRUE(decodePng(broken[i]).empty()) << "case " << i;
    }
}

TEST(PngDecoderTest, ImageListsTakePicturesOfTheirSizeOnly) {
    TImageList list(24, 20);
    EXPECT_EQ(list.addPng(pngsamples::kRgba), 0);
    EXPECT_EQ(list.addPng(pngsamples::kRgbaFixed), -1); // 6 x 5
    EXPECT_EQ(list.addPng({1, 2, 3}), -1);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.image(0)->at(3, 2), rgbaFormula(3, 2));

    TImageList small(2, 1);
    const std::uint8_t pixels[] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(small.addPixels(2, 1, pixels), 0);
    EXPECT_EQ((small.image(0)->at(1, 0)), (TRGBA{5, 6, 7, 8}));
    EXPECT_EQ(small.addPixels(1, 2, pixels), -1);
    EXPECT_EQ(small.image(1), nullptr);
}
