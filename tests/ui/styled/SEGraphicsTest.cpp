// The arrow glyph's four patterns with their mixed edges, and the colour mixing.

#include "toolkit/RasterExpect.h"
#include "ui/styled/SEGraphics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using plat::headless::TRasterCanvas;
using rastertest::hex;
using rastertest::TPngOnFailure;

namespace {

TEST(MixColors, KeepsAlphaOf255FromTheBackgroundAndRounds) {
    struct Case {
        TColor colour;
        TColor background;
        int alpha;
        TColor expected;
    };
    const Case cases[] = {
        // 85 * 222 / 255 + 220 * 33 / 255 = 102.47; 96 -> 112.05; 106 -> 120.75
        {hexColor(0xDCDCDC), hexColor(0x55606A), 222, hexColor(0x667079)},
        {hexColor(0xFFFFFF), hexColor(0x000000), 222, hexColor(0x212121)}, // 32.99999... rounds to 33
        {hexColor(0x000000), hexColor(0xFFFFFF), 222, hexColor(0xDEDEDE)},
        {hexColor(0x0AC80A), hexColor(0xC80AC8), 222, hexColor(0xAF23AF)}, // 175.41 and 34.59
        {hexColor(0x123456), hexColor(0xABCDEF), 0, hexColor(0x123456)},
        {hexColor(0x123456), hexColor(0xABCDEF), 255, hexColor(0xABCDEF)},
        {0xFF123456, 0xEE654321, 100, RGBColor(0x41, 0x3A, 0x33)}, // high bytes dropped
    };
    for (const Case& c : cases) {
        EXPECT_EQ(hex(MixColors(c.colour, c.background, c.alpha)), hex(c.expected))
            << hex(c.colour) << " over " << hex(c.background) << " alpha " << c.alpha;
        EXPECT_EQ(MixColors(c.colour, c.background, c.alpha) >> 24, 0u);
    }
}

TEST(MixColors, AColourMixedWithItselfStaysItself) {
    for (int v = 0; v < 256; v += 5) {
        const TColor c = RGBColor(static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(255 - v), 0x37);
        EXPECT_EQ(MixColors(c, c, 222), c) << v;
    }
}

// S solid, m mixed once, t the tip (mixed twice), blank untouched.
struct GlyphCase {
    TW7ArrowType direction;
    std::vector<std::string> rows;
};

const GlyphCase kGlyphs[] = {
    {atDown, {"mSSSSSSSm", " mSSSSSm ", "  mSSSm  ", "   mSm   ", "    t    "}},
    {atUp, {"    t    ", "   mSm   ", "  mSSSm  ", " mSSSSSm ", "mSSSSSSSm"}},
    {atRight, {"m    ", "Sm   ", "SSm  ", "SSSm ", "SSSSt", "SSSm ", "SSm  ", "Sm   ", "m    "}},
    {atLeft, {"    m", "   mS", "  mSS", " mSSS", "tSSSS", " mSSS", "  mSS", "   mS", "    m"}},
};

TEST(DrawArrowGlyph, DrawsEachPatternWithMixedEdges) {
    const TColor back = hexColor(0x55606A);
    const TColor glyph = hexColor(0xDCDCDC);
    const TColor once = MixColors(glyph, back, 222);
    const TColor twice = MixColors(glyph, once, 222);
    for (const GlyphCase& c : kGlyphs) {
        TRasterCanvas canvas(14, 14, back);
        TPngOnFailure png(canvas, std::to_string(c.direction));
        const int x0 = 2;
        const int y0 = 3;
        DrawArrowGlyph(canvas, glyph, x0, y0, c.direction);
        for (int y = 0; y < 14; ++y) {
            for (int x = 0; x < 14; ++x) {
                const int row = y - y0;
                const int col = x - x0;
                char cell = ' ';
                if (row >= 0 && row < static_cast<int>(c.rows.size()) && col >= 0 &&
                    col < static_cast<int>(c.rows[0].size())) {
                    cell = c.rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
                }
                const TColor expected = cell == 'S' ? glyph : cell == 'm' ? once : cell == 't' ? twice : back;
                ASSERT_EQ(hex(canvas.at(x, y)), hex(expected))
                    << "direction " << c.direction << " at (" << col << ", " << row << ") of the box";
            }
        }
    }
}

TEST(DrawArrowGlyph, ClipsAtTheCanvasEdge) {
    TRasterCanvas canvas(4, 3, 0);
    DrawArrowGlyph(canvas, 0xFFFFFF, -2, -1, atDown); // must not write outside
    EXPECT_EQ(canvas.at(0, 0), 0xFFFFFFu);            // box (2, 1) is solid
    EXPECT_EQ(canvas.at(2, 2), 0xFFFFFFu);            // box (4, 3) is solid
}

} // namespace
