// The window's pictures: the data compiled into the program matches the PNG files the art script
// wrote beside it (and that the Windows program carries as resources).

#include "toolkit/PngDecoder.h"
#include "ui/main/UntMainArt.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

const std::filesystem::path kArt = std::filesystem::path(__FILE__).parent_path() / "../../../src/app/art";

TBitmap32 loadPng(const std::string& name) {
    std::ifstream in(kArt / name, std::ios::binary);
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    return decodePng(bytes);
}

std::string numbered(const char* prefix, int i) {
    char name[32];
    std::snprintf(name, sizeof name, "%s_%02d.png", prefix, i);
    return name;
}

} // namespace

TEST(ArtTest, CompiledPicturesMatchTheArtFiles) {
    TImageList img16(16, 16);
    TImageList img48(48, 48);
    fillImg16(img16);
    fillImg48(img48);
    ASSERT_EQ(img16.count(), 23);
    ASSERT_EQ(img48.count(), 9);
    for (int i = 0; i < 23; ++i) {
        EXPECT_EQ(*img16.image(i), loadPng(numbered("img16", i))) << "Img16 picture " << i;
    }
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(*img48.image(i), loadPng(numbered("img48", i))) << "Img48 picture " << i;
    }
    EXPECT_EQ(pictureRefresh(), loadPng("refresh128.png"));
    EXPECT_EQ(pictureBackup(), loadPng("backup128.png"));
}
