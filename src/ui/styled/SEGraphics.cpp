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

void DrawArrowGlyph(TCanvas& canvas, TColor colour, int x, int y, TW7ArrowType direction) {
    canvas.pen().color = colour;
    // The solid part, as the atDown pattern sees it: rows 0 to 2 as lines from column i + 1 to
    // column 7 - i, and the single pixel below them.
    for (int i = 0; i < 3; ++i) {
        const TPoint from = place(direction, i + 1, i);
        const TPoint to = place(direction, 8 - i, i);
        canvas.MoveTo(x + from.x, y + from.y);
        canvas.LineTo(x + to.x, y + to.y);
    }
    const TPoint tipTop = place(direction, 4, 3);
    canvas.setPixel(x + tipTop.x, y + tipTop.y, colour);

    // The edge pass: step i mixes (i, i) and (8 - i, i) of the atDown pattern; the tip twice.
    for (int i = 0; i <= 4; ++i) {
        for (const TPoint& edge : {place(direction, i, i), place(direction, 8 - i, i)}) {
            const TColor under = canvas.getPixel(x + edge.x, y + edge.y);
            canvas.setPixel(x + edge.x, y + edge.y, MixColors(colour, under, kEdgeAlpha));
        }
    }
}
