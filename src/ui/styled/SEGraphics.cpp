#include "ui/styled/SEGraphics.h"

#include <cmath>

namespace {

constexpr int kEdgeAlpha = 222;

std::uint8_t roundHalfToEven(double value) {
    double whole = std::floor(value);
    const double rest = value - whole;
    if (rest > 0.5 || (rest == 0.5 && std::fmod(whole, 2.0) != 0.0)) {
        whole += 1.0;
    }
    if (whole < 0.0) {
        return 0;
    }
    return whole > 255.0 ? 255 : static_cast<std::uint8_t>(whole);
}

std::uint8_t mixChannel(std::uint8_t colour, std::uint8_t background, int alpha) {
    return roundHalfToEven(background * alpha / 255.0 + colour * (1.0 - alpha / 255.0));
}

// Maps a point of the atDown pattern (column 0..8, row 0..4) into the box of direction.
TPoint place(TW7ArrowType direction, int column, int row) {
    switch (direction) {
    case atUp:
        return {column, 4 - row};
    case atRight:
        return {row, column};
    case atLeft:
        return {4 - row, column};
    case atDown:
        break;
    }
    return {column, row};
}

} // namespace

TColor MixColors(TColor colour, TColor background, int alpha) {
    return RGBColor(mixChannel(redOf(colour), redOf(background), alpha),
                    mixChannel(greenOf(colour), greenOf(background), alpha),
                    mixChannel(blueOf(colour), blueOf(background), alpha));
}

void DrawArrowGlyph(TCanvas& canvas, TColor colour, int x, int y, TW7ArrowType direction, int dpi) {
    canvas.pen().color = colour;
    // Each pixel of the 96-DPI pattern covers a block of the scaled size.
    auto forBlock = [&](TPoint design, const auto& each) {
        for (int row = scaled(design.y, dpi); row < scaled(design.y + 1, dpi); ++row) {
            for (int column = scaled(design.x, dpi); column < scaled(design.x + 1, dpi); ++column) {
                each(x + column, y + row);
            }
        }
    };
    auto solid = [&](int px, int py) { canvas.setPixel(px, py, colour); };
    // The solid part, as the atDown pattern sees it: rows 0 to 2 from column i + 1 to column 7 - i,
    // and the single pixel below them.
    for (int i = 0; i < 3; ++i) {
        for (int column = i + 1; column < 8 - i; ++column) {
            forBlock(place(direction, column, i), solid);
        }
    }
    forBlock(place(direction, 4, 3), solid);

    // The edge pass: step i mixes (i, i) and (8 - i, i) of the atDown pattern; the tip twice.
    auto edge = [&](int px, int py) {
        canvas.setPixel(px, py, MixColors(colour, canvas.getPixel(px, py), kEdgeAlpha));
    };
    for (int i = 0; i <= 4; ++i) {
        for (const TPoint& design : {place(direction, i, i), place(direction, 8 - i, i)}) {
            forBlock(design, edge);
        }
    }
}
