// The GDI canvas draws what the raster canvas draws: each operation the styled controls use is
// done on both and compared pixel by pixel. Text, drawn with the real fonts, is checked by its
// rules: where it may draw, what it fills, where it is placed.

#include "platform/headless/RasterCanvas.h"
#include "platform/win32/Win32Canvas.h"
#include "platform/win32/Win32Gdi.h"
#include "toolkit/RasterExpect.h"
#include "ui/styled/SEGraphics.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using plat::headless::TRasterCanvas;
using plat::win32::TGdiBitmap;
using plat::win32::TGdiCanvas;
using rastertest::hex;

namespace {

constexpr int kWidth = 24;
constexpr int kHeight = 16;
constexpr TColor kBack = hexColor(0x203040);
constexpr TColor kPen = hexColor(0xFF2010);
constexpr TColor kBrush = hexColor(0x10E060);

// The GDI canvas over a memory bitmap, cleared to kBack.
struct TGdiSurface {
    TGdiBitmap bitmap{kWidth, kHeight};
    TGdiCanvas canvas{bitmap.dc(), kWidth, kHeight};
    TGdiSurface() {
        canvas.brush().setColor(kBack);
        canvas.FillRect({0, 0, kWidth, kHeight});
        canvas.pen().color = kPen;
        canvas.brush().setColor(kBrush);
    }
    // The pixels as a raster canvas, to compare and to save as a picture.
    TRasterCanvas copy() const {
        TRasterCanvas result(kWidth, kHeight);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                result.setPixel(x, y, bitmap.pixel(x, y));
            }
        }
        return result;
    }
};

testing::AssertionResult samePixels(const TRasterCanvas& expected, const TRasterCanvas& actual) {
    int differing = 0;
    TPoint first;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (expected.at(x, y) != actual.at(x, y) && differing++ == 0) {
                first = TPoint{x, y};
            }
        }
    }
    if (differing == 0) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << differing << " pixels differ, first (" << first.x << ", " << first.y
                                       << ") is " << hex(actual.at(first.x, first.y))
                                       << ", the raster canvas has " << hex(expected.at(first.x, first.y));
}

TBitmap32 translucentPicture() {
    // Columns of alpha 0, 37, 128, 200, 255 and a row of each colour channel.
    TBitmap32 picture(5, 4);
    const std::uint8_t alphas[] = {0, 37, 128, 200, 255};
    for (int x = 0; x < 5; ++x) {
        picture.at(x, 0) = TRGBA{250, 10, 10, alphas[x]};
        picture.at(x, 1) = TRGBA{10, 250, 10, alphas[x]};
        picture.at(x, 2) = TRGBA{10, 10, 250, alphas[x]};
        picture.at(x, 3) = TRGBA{255, 255, 255, alphas[x]};
    }
    return picture;
}

struct TDrawCase {
    const char* name;
    std::function<void(TCanvas&)> draw;
};

const std::vector<TDrawCase>& drawCases() {
    static const std::vector<TDrawCase> cases = {
        {"Rectangle", [](TCanvas& c) { c.Rectangle(2, 1, 9, 6); }},
        {"RectangleSwappedAndClipped", [](TCanvas& c) { c.Rectangle(kWidth + 3, 12, -2, -3); }},
        {"RectangleOnePixelWideOrHigh",
         [](TCanvas& c) {
             c.Rectangle(3, 3, 4, 9);
             c.Rectangle(6, 2, 15, 3);
             c.Rectangle(6, 5, 8, 7);
         }},
        {"RectangleEmpty", [](TCanvas& c) { c.Rectangle(3, 3, 3, 9); }},
        {"RectangleOutlineOnly",
         [](TCanvas& c) {
             c.brush().style = TBrushStyle::bsClear;
             c.Rectangle(1, 1, 20, 12);
         }},
        {"RectanglePastTheRightEdge", [](TCanvas& c) { c.Rectangle(kWidth - 3, 0, kWidth + 8, kHeight); }},
        {"FillRect",
         [](TCanvas& c) {
             c.FillRect({3, 2, 30, 7});
             c.FillRect({-4, 10, 2, 20});
             c.FillRect({9, 9, 5, 12}); // inverted: nothing
         }},
        {"FillRectClearBrush",
         [](TCanvas& c) {
             c.brush().style = TBrushStyle::bsClear;
             c.FillRect({0, 0, kWidth, kHeight});
         }},
        {"FrameRect",
         [](TCanvas& c) {
             c.FrameRect({0, 0, kWidth, kHeight});
             c.FrameRect({3, 3, 4, 10});
             c.FrameRect({6, 3, 12, 4});
             c.FrameRect({14, 3, 16, 5});
             c.FrameRect({18, 3, 18, 9}); // empty: nothing
         }},
        {"FrameRectClearBrush",
         [](TCanvas& c) {
             c.brush().style = TBrushStyle::bsClear;
             c.FrameRect({2, 2, 10, 10});
         }},
        {"Lines",
         [](TCanvas& c) {
             c.MoveTo(1, 1);
             c.LineTo(9, 1); // end point excluded, then the current point
             c.LineTo(9, 8);
             c.MoveTo(12, 2);
             c.LineTo(18, 8);
             c.LineTo(22, 4);
             c.MoveTo(4, 14);
             c.LineTo(-3, 14);
             c.MoveTo(20, 15);
             c.LineTo(20, 10);
         }},
        {"Pixels",
         [](TCanvas& c) {
             c.setPixel(0, 0, kPen);
             c.setPixel(kWidth - 1, kHeight - 1, kBrush);
             c.setPixel(kWidth, 3, kPen);
             c.setPixel(-1, 3, kPen);
             c.setPixel(5, 7, c.getPixel(kWidth - 1, kHeight - 1));
         }},
        {"ArrowGlyphs",
         [](TCanvas& c) {
             c.brush().setColor(hexColor(0xAEDAEE));
             c.FillRect({0, 0, 12, 8});
             DrawArrowGlyph(c, hexColor(0x247EAA), 1, 1, atDown);
             DrawArrowGlyph(c, hexColor(0x3C3C3C), 12, 1, atUp);
             DrawArrowGlyph(c, hexColor(0xFFFFFF), 1, 7, atRight);
             DrawArrowGlyph(c, hexColor(0x000000), 20, 8, atLeft); // partly outside
         }},
        {"TranslucentPictures",
         [](TCanvas& c) {
             c.drawBitmap(2, 2, translucentPicture());
             c.drawBitmap(-2, 13, translucentPicture());
             c.drawBitmap(kWidth - 3, -1, translucentPicture());
         }},
    };
    return cases;
}

class GdiCanvasMatchesRaster : public testing::TestWithParam<TDrawCase> {};

TEST_P(GdiCanvasMatchesRaster, PixelForPixel) {
    TRasterCanvas raster(kWidth, kHeight, kBack);
    raster.pen().color = kPen;
    raster.brush().setColor(kBrush);
    GetParam().draw(raster);

    TGdiSurface gdi;
    GetParam().draw(gdi.canvas);
    const TRasterCanvas drawn = gdi.copy();
    rastertest::TPngOnFailure picture(drawn, "gdi");
    rastertest::TPngOnFailure expected(raster, "raster");
    EXPECT_TRUE(samePixels(raster, drawn));
    EXPECT_TRUE(gdi.bitmap.holdsItsOwnObjects()) << "a drawing left an object of its own selected";
}

INSTANTIATE_TEST_SUITE_P(Operations, GdiCanvasMatchesRaster, testing::ValuesIn(drawCases()),
                         [](const testing::TestParamInfo<TDrawCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(GdiCanvas, PixelsOutsideTheSurfaceReadAsZero) {
    TGdiSurface gdi;
    EXPECT_EQ(gdi.canvas.getPixel(-1, 0), 0u);
    EXPECT_EQ(gdi.canvas.getPixel(0, kHeight), 0u);
    EXPECT_EQ(gdi.canvas.getPixel(kWidth, 5), 0u);
    EXPECT_EQ(gdi.canvas.getPixel(3, 3), kBack);
}

// The surface for text: larger, cleared to kBack, with a font big enough for solid stems.
struct TTextSurface {
    static constexpr int kW = 200;
    static constexpr int kH = 60;
    TGdiBitmap bitmap{kW, kH};
    TGdiCanvas canvas{bitmap.dc(), kW, kH};
    TTextSurface() {
        canvas.brush().setColor(kBack);
        canvas.FillRect({0, 0, kW, kH});
        TFont font;
        font.name = L"Arial";
        font.size = 16;
        font.style = fsBold;
        font.color = hexColor(0xFFE000);
        canvas.setFont(font);
    }
    // The rectangle around every pixel that is no longer kBack; empty when none changed.
    TRect changed() const {
        TRect box{kW, kH, 0, 0};
        for (int y = 0; y < kH; ++y) {
            for (int x = 0; x < kW; ++x) {
                if (bitmap.pixel(x, y) != kBack) {
                    box = TRect{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                                std::max(box.bottom, y + 1)};
                }
            }
        }
        return box;
    }
    int count(const TRect& area, TColor color) const {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                n += bitmap.pixel(x, y) == color ? 1 : 0;
            }
        }
        return n;
    }
};

TEST(GdiCanvasText, MeasuresWithTheCanvasFont) {
    TTextSurface s;
    EXPECT_EQ(s.canvas.TextWidth(L""), 0);
    const int one = s.canvas.TextWidth(L"M");
    EXPECT_GT(one, 0);
    EXPECT_GT(s.canvas.TextWidth(L"MMMM"), 3 * one);
    const int height = s.canvas.TextHeight(L"M");
    EXPECT_GE(height, 16 * 96 / 72) << "a 16-point line at 96 dots per inch";
    EXPECT_EQ(s.canvas.TextHeight(L""), height) << "one line, whatever the text";

    TFont small = s.canvas.font();
    small.size = 8;
    small.style = 0;
    s.canvas.setFont(small);
    EXPECT_LT(s.canvas.TextWidth(L"M"), one);
    EXPECT_LT(s.canvas.TextHeight(L"M"), height);
}

TEST(GdiCanvasText, TheFontsQualityDecidesWhetherGlyphEdgesAreSmoothed) {
    // Pixels neither the background nor the font's colour: the blended edges of smoothed glyphs.
    const auto blended = [](TFontQuality quality) {
        TTextSurface s;
        TFont font = s.canvas.font();
        font.quality = quality;
        s.canvas.setFont(font);
        s.canvas.brush().style = TBrushStyle::bsClear;
        s.canvas.DrawTextW(L"WAv", TRect{0, 0, TTextSurface::kW, TTextSurface::kH}, DT_SINGLELINE);
        const TRect all{0, 0, TTextSurface::kW, TTextSurface::kH};
        return TTextSurface::kW * TTextSurface::kH - s.count(all, kBack) - s.count(all, font.color);
    };
    EXPECT_EQ(blended(fqNonAntialiased), 0);
    EXPECT_GT(blended(fqAntialiased), 20);
}

TEST(GdiCanvasText, ClearBrushDrawsOnlyGlyphsInTheFontColourInsideTheRectangle) {
    TTextSurface s;
    s.canvas.brush().style = TBrushStyle::bsClear;
    const TRect rect{10, 5, 10 + s.canvas.TextWidth(L"Hi ||"), 5 + s.canvas.TextHeight(L"Hi ||")};
    s.canvas.DrawTextW(L"Hi ||", rect, DT_SINGLELINE);
    const TRect box = s.changed();
    ASSERT_FALSE(box.empty()) << "nothing was drawn";
    EXPECT_GE(box.left, rect.left);
    EXPECT_GE(box.top, rect.top);
    EXPECT_LE(box.right, rect.right);
    EXPECT_LE(box.bottom, rect.bottom);
    EXPECT_GT(s.count(rect, s.canvas.font().color), 0) << "the stems are in the font colour";
    EXPECT_GT(s.count(rect, kBack), 0) << "between the glyphs the background stays";
}

TEST(GdiCanvasText, SolidBrushFillsTheTextCellFirst) {
    TTextSurface s;
    s.canvas.brush().setColor(hexColor(0x0000C0));
    const int tw = s.canvas.TextWidth(L"Run Scan");
    const int th = s.canvas.TextHeight(L"Run Scan");
    s.canvas.DrawTextW(L"Run Scan", TRect{4, 4, 4 + tw, 4 + th}, DT_SINGLELINE);
    EXPECT_EQ(s.changed(), (TRect{4, 4, 4 + tw, 4 + th}));
    EXPECT_EQ(s.count({4, 4, 4 + tw, 4 + th}, kBack), 0);
    EXPECT_GT(s.count({4, 4, 4 + tw, 4 + th}, hexColor(0x0000C0)), 0);
}

TEST(GdiCanvasText, VerticalCentringAndClipping) {
    TTextSurface s;
    s.canvas.brush().setColor(hexColor(0x0000C0));
    const int th = s.canvas.TextHeight(L"Fine!");
    const TRect rect{0, 0, 60, 50};
    s.canvas.DrawTextW(L"Fine!", rect, DT_SINGLELINE | DT_VCENTER);
    const TRect box = s.changed();
    // Centred as the platform rounds: half a pixel either way when the free space is odd.
    EXPECT_NEAR(box.top, (50 - th) / 2.0, 0.5);
    EXPECT_EQ(box.height(), th);
    EXPECT_EQ(box.left, 0) << "left aligned";

    TTextSurface clipped;
    clipped.canvas.brush().setColor(hexColor(0x0000C0));
    clipped.canvas.DrawTextW(L"Fine!", TRect{5, 5, 20, 12}, DT_SINGLELINE);
    EXPECT_EQ(clipped.changed(), (TRect{5, 5, 20, 12})) << "the cell is cut at the rectangle";
}

TEST(GdiCanvasText, WordEllipsisStaysInsideTheRectangle) {
    TTextSurface s;
    s.canvas.brush().style = TBrushStyle::bsClear;
    const std::wstring text = L"Scanning every folder";
    const int th = s.canvas.TextHeight(text);
    ASSERT_GT(s.canvas.TextWidth(text), 90);
    s.canvas.DrawTextW(text, TRect{0, 0, 90, th}, DT_SINGLELINE | DT_WORD_ELLIPSIS);
    const TRect box = s.changed();
    ASSERT_FALSE(box.empty());
    EXPECT_LE(box.right, 90);
    // The ellipsis ends the line: its dots are the last drawn pixels, low in the line.
    EXPECT_GT(box.right, 70);
}

TEST(GdiCanvas, EveryObjectItMakesIsReleasedAndTheDeviceContextIsLeftAsItWas) {
    const int before = plat::win32::liveGdiObjects();
    {
        TTextSurface s;
        for (const TDrawCase& each : drawCases()) {
            each.draw(s.canvas);
        }
        for (int size : {8, 9, 12}) {
            TFont font = s.canvas.font();
            font.size = size;
            s.canvas.setFont(font);
            s.canvas.TextWidth(L"Valid");
            s.canvas.DrawTextW(L"Valid", TRect{0, 0, 80, 20}, DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS);
        }
        EXPECT_TRUE(s.bitmap.holdsItsOwnObjects());
        EXPECT_EQ(plat::win32::liveGdiObjects(), before + 2) << "only the bitmap and the last font are held";
    }
    EXPECT_EQ(plat::win32::liveGdiObjects(), before);
}

TEST(GdiCanvas, TheLockNestsAndKeepsOtherThreadsOut) {
    TGdiSurface gdi;
    gdi.canvas.Lock();
    gdi.canvas.Lock();
    gdi.canvas.Unlock();
    std::atomic<bool> entered{false};
    std::thread other([&] {
        TCanvasLock lock(gdi.canvas);
        entered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(entered.load()) << "the lock is still held once";
    gdi.canvas.Unlock();
    other.join();
    EXPECT_TRUE(entered.load());
    gdi.canvas.Unlock(); // one too many: harmless
}

} // namespace
