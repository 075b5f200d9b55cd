// The raster canvas: each drawing operation pixel by pixel, the built-in font, the lock.

#include "platform/headless/RasterCanvas.h"
#include "toolkit/RasterExpect.h"

#include <gtest/gtest.h>

using plat::headless::TRasterCanvas;
using rastertest::countOf;
using rastertest::regionIs;
using rastertest::TPngOnFailure;

namespace {

constexpr TColor kBack = 0x101010;
constexpr TColor kPen = 0x0000FF;
constexpr TColor kBrush = 0x00FF00;

class RasterCanvasTest : public testing::Test {
protected:
    RasterCanvasTest() : canvas(12, 10, kBack), png(canvas) {
        canvas.pen().color = kPen;
        canvas.brush().setColor(kBrush);
    }
    TRasterCanvas canvas;
    TPngOnFailure png;
};

TEST_F(RasterCanvasTest, RectangleOutlinesInPenAndFillsInBrush) {
    canvas.Rectangle(2, 1, 7, 5);
    EXPECT_TRUE(regionIs(canvas, {2, 1, 7, 2}, kPen));
    EXPECT_TRUE(regionIs(canvas, {2, 4, 7, 5}, kPen));
    EXPECT_TRUE(regionIs(canvas, {2, 1, 3, 5}, kPen));
    EXPECT_TRUE(regionIs(canvas, {6, 1, 7, 5}, kPen));
    EXPECT_TRUE(regionIs(canvas, {3, 2, 6, 4}, kBrush));
    EXPECT_EQ(countOf(canvas, {0, 0, 12, 10}, kBack), 120 - 20);
}

TEST_F(RasterCanvasTest, RectangleClipsNormalisesAndSkipsEmpty) {
    canvas.Rectangle(13, 11, -1, -1); // swapped corners, every outline edge outside
    EXPECT_TRUE(regionIs(canvas, {0, 0, 12, 10}, kBrush));
    canvas.brush().color = kBack;
    canvas.Rectangle(3, 3, 3, 8);
    EXPECT_TRUE(regionIs(canvas, {0, 0, 12, 10}, kBrush));
}

TEST_F(RasterCanvasTest, ClearBrushDrawsOutlineOnlyAndSettingAColourMakesItSolid) {
    canvas.brush().style = TBrushStyle::bsClear;
    canvas.Rectangle(0, 0, 5, 5);
    canvas.FillRect({6, 0, 12, 5});
    canvas.FrameRect({6, 0, 12, 5});
    EXPECT_TRUE(regionIs(canvas, {1, 1, 4, 4}, kBack));
    EXPECT_TRUE(regionIs(canvas, {6, 0, 12, 5}, kBack));
    EXPECT_EQ(canvas.at(0, 0), kPen);

    canvas.brush().setColor(kBrush);
    EXPECT_EQ(canvas.brush().style, TBrushStyle::bsSolid);
}

TEST_F(RasterCanvasTest, FillRectAndFrameRectUseTheBrush) {
    canvas.FillRect({1, 1, 4, 3});
    EXPECT_TRUE(regionIs(canvas, {1, 1, 4, 3}, kBrush));
    EXPECT_EQ(countOf(canvas, {0, 0, 12, 10}, kBrush), 6);

    canvas.brush().setColor(kPen);
    canvas.FrameRect({5, 2, 9, 7});
    EXPECT_EQ(countOf(canvas, {0, 0, 12, 10}, kPen), 14);
    EXPECT_TRUE(regionIs(canvas, {6, 3, 8, 6}, kBack));
}

TEST_F(RasterCanvasTest, LineToStopsBeforeTheEndPoint) {
    canvas.MoveTo(1, 1);
    canvas.LineTo(5, 1);
    EXPECT_TRUE(regionIs(canvas, {1, 1, 5, 2}, kPen));
    EXPECT_EQ(canvas.at(5, 1), kBack);
    EXPECT_EQ(canvas.penPos(), (TPoint{5, 1}));

    canvas.MoveTo(0, 3);
    canvas.LineTo(4, 7); // diagonal
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(canvas.at(i, 3 + i), kPen) << i;
    }
    EXPECT_EQ(canvas.at(4, 7), kBack);
    EXPECT_EQ(countOf(canvas, {0, 0, 12, 10}, kPen), 8);
}

TEST_F(RasterCanvasTest, PixelsOutsideReadZeroAndIgnoreWrites) {
    canvas.setPixel(11, 9, 0xABCDEF);
    canvas.setPixel(12, 0, 0xABCDEF);
    canvas.setPixel(-1, 0, 0xABCDEF);
    EXPECT_EQ(canvas.getPixel(11, 9), 0xABCDEFu);
    EXPECT_EQ(canvas.getPixel(12, 0), 0u);
    EXPECT_EQ(countOf(canvas, {0, 0, 12, 10}, 0xABCDEF), 1);
}

TEST(RasterFont, MetricsFollowTheFontSize) {
    TRasterCanvas canvas(1, 1);
    struct Case {
        int size;
        TFontStyles style;
        int charWidth;
        int lineHeight;
    };
    const Case cases[] = {{9, 0, 6, 15}, {9, fsBold, 7, 15}, {11, 0, 7, 18}, {8, 0, 5, 13}};
    for (const Case& c : cases) {
        canvas.font().size = c.size;
        canvas.font().style = c.style;
        EXPECT_EQ(canvas.TextWidth(L"abcd"), 4 * c.charWidth) << c.size;
        EXPECT_EQ(canvas.TextHeight(L"abcd"), c.lineHeight) << c.size;
    }
    EXPECT_EQ(canvas.TextWidth(L""), 0);
}

TEST(RasterFont, DrawsCentredClippedTextWithTransparentOrOpaqueCell) {
    TRasterCanvas canvas(60, 30, kBack);
    TPngOnFailure png(canvas);
    canvas.font().size = 9; // cells 6 x 15, glyph rows 3..11
    canvas.font().color = 0xFFFFFF;
    canvas.brush().style = TBrushStyle::bsClear;
    canvas.DrawTextW(L"a b", {10, 0, 40, 25}, DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS);
    const int top = (25 - 15) / 2;
    EXPECT_TRUE(regionIs(canvas, {10, top + 3, 15, top + 12}, 0xFFFFFF));
    EXPECT_TRUE(regionIs(canvas, {15, 0, 22, 30}, kBack)); // gap column and the space
    EXPECT_TRUE(regionIs(canvas, {22, top + 3, 27, top + 12}, 0xFFFFFF));
    EXPECT_EQ(countOf(canvas, {0, 0, 60, 30}, 0xFFFFFF), 2 * 5 * 9);

    // Opaque: the text's cell takes the brush colour.
    canvas.clear(kBack);
    canvas.brush().setColor(kBrush);
    canvas.DrawTextW(L"ab", {0, 0, 60, 15}, DT_SINGLELINE);
    EXPECT_EQ(canvas.at(5, 0), kBrush);
    EXPECT_EQ(canvas.at(11, 14), kBrush);
    EXPECT_EQ(canvas.at(12, 0), kBack);

    // Too long: shortened with an ellipsis and clipped to the rectangle.
    canvas.clear(kBack);
    canvas.brush().style = TBrushStyle::bsClear;
    canvas.DrawTextW(L"abcdefghij", {0, 0, 40, 15}, DT_SINGLELINE | DT_WORD_ELLIPSIS);
    EXPECT_EQ(countOf(canvas, {0, 0, 60, 30}, 0xFFFFFF), 6 * 5 * 9); // "abc..." fits in 36 pixels
    EXPECT_TRUE(regionIs(canvas, {40, 0, 60, 30}, kBack));
    canvas.clear(kBack);
    canvas.DrawTextW(L"abcdefghij", {0, 0, 40, 15}, DT_SINGLELINE);
    EXPECT_TRUE(regionIs(canvas, {40, 0, 60, 30}, kBack));
    EXPECT_EQ(canvas.at(39, 5), 0xFFFFFFu); // the seventh glyph, cut at the rectangle's edge
    EXPECT_EQ(canvas.at(35, 5), kBack);     // the sixth cell's empty column
}

TEST(RasterCanvasImages, BlendsWithAlphaAndIgnoresBadIndexes) {
    TRasterCanvas canvas(6, 6, 0x000000);
    TPngOnFailure png(canvas);
    TImageList list(2, 2);
    TBitmap32 picture(2, 2, TRGBA{255, 0, 0, 255});
    picture.at(1, 0) = TRGBA{0, 0, 255, 0}; // transparent
    picture.at(0, 1) = TRGBA{200, 100, 50, 128};
    ASSERT_EQ(list.add(picture), 0);
    EXPECT_EQ(list.add(TBitmap32(3, 3)), -1); // wrong size
    canvas.drawImage(list, 0, 4, 4);
    canvas.drawImage(list, 1, 0, 0);
    canvas.drawImage(list, -1, 0, 0);
    EXPECT_EQ(canvas.at(4, 4), RGBColor(255, 0, 0));
    EXPECT_EQ(canvas.at(5, 4), 0u);
    EXPECT_EQ(canvas.at(4, 5), RGBColor(100, 50, 25));
    EXPECT_EQ(countOf(canvas, {0, 0, 6, 6}, 0), 36 - 3);
}

TEST(RasterCanvasLock, NestsAndCountsUnlockedDrawing) {
    TRasterCanvas canvas(2, 2);
    canvas.setPixel(0, 0, 1);
    EXPECT_EQ(canvas.unlockedDraws(), 1);
    {
        TCanvasLock outer(canvas);
        TCanvasLock inner(canvas);
        EXPECT_EQ(canvas.lockDepth(), 2);
        canvas.FillRect({0, 0, 2, 2});
    }
    EXPECT_EQ(canvas.lockDepth(), 0);
    EXPECT_EQ(canvas.unlockedDraws(), 1);
}

} // namespace
