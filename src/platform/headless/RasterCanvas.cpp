#include "platform/headless/RasterCanvas.h"
#include "platform/headless/PngWriter.h"

#include "toolkit/Dpi.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace plat::headless {

namespace {

const std::wstring kEllipsis = L"...";

TRect intersect(const TRect& a, const TRect& b) {
    return TRect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
}

// The font size in pixels at the font's DPI.
int emOf(const TFont& font) {
    return std::max(1, mulDiv(std::abs(font.size), font.pixelsPerInch, 72));
}

} // namespace

TRasterCanvas::TRasterCanvas(int width, int height, TColor background) {
    resize(width, height, background);
}

void TRasterCanvas::resize(int width, int height, TColor background) {
    FWidth = std::max(width, 0);
    FHeight = std::max(height, 0);
    FPixels.assign(static_cast<std::size_t>(FWidth) * static_cast<std::size_t>(FHeight), background);
}

void TRasterCanvas::clear(TColor color) {
    std::fill(FPixels.begin(), FPixels.end(), color);
}

void TRasterCanvas::countDraw() {
    if (FLockDepth == 0) {
        ++FUnlockedDraws;
    }
}

void TRasterCanvas::plot(int x, int y, TColor color) {
    if (inside(x, y)) {
        FPixels[static_cast<std::size_t>(y) * FWidth + x] = color & 0x00FFFFFF;
    }
}

void TRasterCanvas::fill(TRect rect, TColor color) {
    rect = intersect(rect, TRect{0, 0, FWidth, FHeight});
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            plot(x, y, color);
        }
    }
}

void TRasterCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    countDraw();
    if (x1 > x2) {
        std::swap(x1, x2);
    }
    if (y1 > y2) {
        std::swap(y1, y2);
    }
    if (x1 == x2 || y1 == y2) {
        return;
    }
    if (brush().style == TBrushStyle::bsSolid) {
        fill(TRect{x1 + 1, y1 + 1, x2 - 1, y2 - 1}, brush().color);
    }
    // The outline, pen.width pixels thick, inside the rectangle.
    const int w = std::max(pen().width, 1);
    const TColor c = pen().color;
    fill(TRect{x1, y1, x2, std::min(y1 + w, y2)}, c);
    fill(TRect{x1, std::max(y2 - w, y1), x2, y2}, c);
    fill(TRect{x1, y1, std::min(x1 + w, x2), y2}, c);
    fill(TRect{std::max(x2 - w, x1), y1, x2, y2}, c);
}

void TRasterCanvas::FillRect(const TRect& rect) {
    countDraw();
    if (brush().style == TBrushStyle::bsSolid) {
        fill(rect, brush().color);
    }
}

void TRasterCanvas::FrameRect(const TRect& rect) {
    countDraw();
    if (brush().style != TBrushStyle::bsSolid || rect.empty()) {
        return;
    }
    const TColor c = brush().color;
    fill(TRect{rect.left, rect.top, rect.right, rect.top + 1}, c);
    fill(TRect{rect.left, rect.bottom - 1, rect.right, rect.bottom}, c);
    fill(TRect{rect.left, rect.top, rect.left + 1, rect.bottom}, c);
    fill(TRect{rect.right - 1, rect.top, rect.right, rect.bottom}, c);
}

void TRasterCanvas::MoveTo(int x, int y) {
    FPenPos = TPoint{x, y};
}

void TRasterCanvas::LineTo(int x, int y) {
    countDraw();
    // Bresenham from the current point, the end point excluded.
    int x0 = FPenPos.x;
    int y0 = FPenPos.y;
    const int dx = std::abs(x - x0);
    const int dy = -std::abs(y - y0);
    const int sx = x0 < x ? 1 : -1;
    const int sy = y0 < y ? 1 : -1;
    int err = dx + dy;
    const int w = std::max(pen().width, 1);
    while (x0 != x || y0 != y) {
        fill(TRect{x0 - (w - 1) / 2, y0 - (w - 1) / 2, x0 + w / 2 + 1, y0 + w / 2 + 1}, pen().color);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
    FPenPos = TPoint{x, y};
}

TColor TRasterCanvas::getPixel(int x, int y) {
    countDraw();
    return at(x, y);
}

void TRasterCanvas::setPixel(int x, int y, TColor color) {
    countDraw();
    plot(x, y, color);
}

TColor TRasterCanvas::at(int x, int y) const {
    return inside(x, y) ? FPixels[static_cast<std::size_t>(y) * FWidth + x] : 0;
}

int TRasterCanvas::charWidth(const TFont& font) {
    return std::max(1, emOf(font) / 2 + ((font.style & fsBold) != 0 ? 1 : 0));
}

int TRasterCanvas::lineHeight(const TFont& font) {
    const int em = emOf(font);
    return em + em / 4;
}

int TRasterCanvas::glyphTop(const TFont& font) {
    return lineHeight(font) / 5;
}

int TRasterCanvas::glyphBottom(const TFont& font) {
    return lineHeight(font) - lineHeight(font) / 5;
}

int TRasterCanvas::TextWidth(const std::wstring& text) {
    return static_cast<int>(text.size()) * charWidth(font());
}

int TRasterCanvas::TextHeight(const std::wstring& /*text*/) {
    return lineHeight(font());
}

void TRasterCanvas::DrawTextW(const std::wstring& text, const TRect& rect, unsigned flags) {
    countDraw();
    std::wstring shown = text;
    if ((flags & DT_WORD_ELLIPSIS) != 0 && TextWidth(shown) > rect.width()) {
        // The longest start of the text that fits with the ellipsis after it.
        std::size_t keep = shown.size();
        while (keep > 0 && TextWidth(shown.substr(0, keep) + kEllipsis) > rect.width()) {
            --keep;
        }
        shown = shown.substr(0, keep) + kEllipsis;
    }
    const int cw = charWidth(font());
    const int lh = lineHeight(font());
    const int top = (flags & DT_VCENTER) != 0 ? rect.top + (rect.height() - lh) / 2 : rect.top;
    const TRect clip = rect; // text never leaves its rectangle
    if (brush().style == TBrushStyle::bsSolid) {
        fill(intersect(TRect{rect.left, top, rect.left + TextWidth(shown), top + lh}, clip), brush().color);
    }
    const TColor color = font().color;
    int x = rect.left;
    for (wchar_t ch : shown) {
        if (ch != L' ') {
            fill(intersect(TRect{x, top + glyphTop(font()), x + cw - 1, top + glyphBottom(font())}, clip),
                 color);
        }
        x += cw;
    }
    if ((font().style & fsUnderline) != 0 && !shown.empty()) {
        fill(intersect(TRect{rect.left, top + lh - 2, x - 1, top + lh - 1}, clip), color);
    }
}

void TRasterCanvas::drawBitmap(int x, int y, const TBitmap32& picture) {
    countDraw();
    for (int py = 0; py < picture.height; ++py) {
        for (int px = 0; px < picture.width; ++px) {
            const TRGBA src = picture.at(px, py);
            if (src.a == 0 || !inside(x + px, y + py)) {
                continue;
            }
            const TColor under = at(x + px, y + py);
            auto blend = [&](std::uint8_t s, std::uint8_t d) {
                return static_cast<std::uint8_t>((s * src.a + d * (255 - src.a) + 127) / 255);
            };
            plot(x + px, y + py,
                 RGBColor(blend(src.r, redOf(under)), blend(src.g, greenOf(under)),
                          blend(src.b, blueOf(under))));
        }
    }
}

void TRasterCanvas::Lock() {
    ++FLockDepth;
}

void TRasterCanvas::Unlock() {
    if (FLockDepth > 0) {
        --FLockDepth;
    }
}

bool TRasterCanvas::savePng(const std::string& path) const {
    std::vector<std::uint8_t> rgb;
    rgb.reserve(FPixels.size() * 3);
    for (TColor c : FPixels) {
        rgb.push_back(redOf(c));
        rgb.push_back(greenOf(c));
        rgb.push_back(blueOf(c));
    }
    return writePng(path, FWidth, FHeight, rgb);
}

} // namespace plat::headless
