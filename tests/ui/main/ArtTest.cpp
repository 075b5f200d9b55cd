// The window's pictures: the data compiled into the program matches the PNG files the art script
// wrote beside it (and that the Windows program carries as resources), at every scale drawn.

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
    ASSERT_EQ(img16.count(), 24);
    ASSERT_EQ(img48.count(), 9);
    for (int i = 0; i < 24; ++i) {
        EXPECT_EQ(*img16.image(i), loadPng(numbered("img16", i))) << "Img16 picture " << i;
    }
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(*img48.image(i), loadPng(numbered("img48", i))) << "Img48 picture " << i;
    }
    EXPECT_EQ(pictureRefresh(), loadPng("refresh128.png"));
    EXPECT_EQ(pictureBackup(), loadPng("backup128.png"));
}

// For each DPI the loaders give the pictures drawn at the nearest scale, as the art script wrote them
// (the files of 150 and 200 % lie in subfolders), and the lists take their size.
TEST(ArtTest, LoadersGiveThePicturesDrawnForTheDpi) {
    TImageList img16At96(16, 16);
    fillImg16(img16At96);
    const struct {
        int dpi;
        std::string folder;
        int side16, side48, sideOverlay;
    } cases[] = {
        {96, "", 16, 48, 128},      {120, "", 16, 48, 128},     {144, "150/", 24, 72, 192},
        {168, "150/", 24, 72, 192}, {192, "200/", 32, 96, 256}, {288, "200/", 32, 96, 256},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.dpi) + " DPI");
        TImageList img16(16, 16);
        TImageList img48(48, 48);
        fillImg16(img16, c.dpi);
        fillImg48(img48, c.dpi);
        ASSERT_EQ(img16.width(), c.side16);
        ASSERT_EQ(img16.height(), c.side16);
        ASSERT_EQ(img48.width(), c.side48);
        ASSERT_EQ(img48.height(), c.side48);
        ASSERT_EQ(img16.count(), img16At96.count()) << "every picture is drawn at every scale";
        ASSERT_EQ(img48.count(), 9);
        for (int i = 0; i < img16.count(); ++i) {
            EXPECT_EQ(*img16.image(i), loadPng(c.folder + numbered("img16", i))) << "Img16 picture " << i;
        }
        for (int i = 0; i < img48.count(); ++i) {
            EXPECT_EQ(*img48.image(i), loadPng(c.folder + numbered("img48", i))) << "Img48 picture " << i;
        }
        const TBitmap32 refresh = pictureRefresh(c.dpi);
        EXPECT_EQ(refresh.width, c.sideOverlay);
        EXPECT_EQ(refresh, loadPng(c.folder + "refresh128.png"));
        EXPECT_EQ(pictureBackup(c.dpi), loadPng(c.folder + "backup128.png"));
    }
}
