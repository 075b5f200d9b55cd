#pragma once
// The small value types of the widget toolkit: colours, rectangles, fonts, pen and brush, cursors,
// mouse buttons and 32-bit pictures. Header only, so that the platform backends can use them
// without linking the toolkit.

#include <cstdint>
#include <string>
#include <vector>

// A colour as the platform keeps it: 0x00BBGGRR, red in the low byte.
using TColor = std::uint32_t;

constexpr TColor RGBColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    return static_cast<TColor>(red) | (static_cast<TColor>(green) << 8) | (static_cast<TColor>(blue) << 16);
}
// The colour written #RRGGBB, given as the number 0xRRGGBB.
constexpr TColor hexColor(std::uint32_t rrggbb) {
    return RGBColor(static_cast<std::uint8_t>(rrggbb >> 16), static_cast<std::uint8_t>(rrggbb >> 8),
                    static_cast<std::uint8_t>(rrggbb));
}
constexpr std::uint8_t redOf(TColor color) {
    return static_cast<std::uint8_t>(color);
}
constexpr std::uint8_t greenOf(TColor color) {
    return static_cast<std::uint8_t>(color >> 8);
}
constexpr std::uint8_t blueOf(TColor color) {
    return static_cast<std::uint8_t>(color >> 16);
}

constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;

struct TPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Right and bottom are exclusive.
struct TRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool empty() const { return right <= left || bottom <= top; }
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect boundsRect(int left, int top, int width, int height) {
    return TRect{left, top, left + width, top + height};
}

// Font styles, a set of bits.
enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4 };
using TFontStyles = unsigned;

// How a font's glyphs are rendered: as the system's settings say, or always with or without
// smoothed edges, or with the sub-pixel smoothing of ClearType.
enum TFontQuality { fqDefault, fqNonAntialiased, fqAntialiased, fqClearType };

// A font description; a plain value, copied freely.
struct TFont {
    std::wstring name = L"Tahoma";
    int size = 8; // points
    TFontStyles style = 0;
    TColor color = clBlack;
    TFontQuality quality = fqDefault;
    // The dots per inch the font is made for: its pixel height is size * pixelsPerInch / 72.
    int pixelsPerInch = 96;
    friend bool operator==(const TFont&, const TFont&) = default;
};

struct TPen {
    TColor color = clBlack;
    int width = 1;
};

enum class TBrushStyle { bsSolid, bsClear };

struct TBrush {
    TColor color = clWhite;
    TBrushStyle style = TBrushStyle::bsSolid;

    // Giving a clear brush a colour makes it solid again, as the toolkit's painters expect.
    void setColor(TColor value) {
        color = value;
        style = TBrushStyle::bsSolid;
    }
};

// Mouse cursors, with the toolkit's customary values.
enum TCursor : int {
    crDefault = 0,
    crArrow = -2,
    crIBeam = -4,
    crHourGlass = -11,
    crNo = -12,
    crHandPoint = -21,
};

enum class TMouseButton { mbLeft, mbRight, mbMiddle };

// One pixel of a picture with straight (not premultiplied) alpha.
struct TRGBA {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 0;
    friend bool operator==(const TRGBA&, const TRGBA&) = default;
};

// A 32-bit picture, rows top to bottom. An empty picture has no pixels.
struct TBitmap32 {
    int width = 0;
    int height = 0;
    std::vector<TRGBA> pixels; // width * height

    TBitmap32() = default;
    TBitmap32(int w, int h, TRGBA fill = {})
        : width(w > 0 ? w : 0), height(h > 0 ? h : 0),
          pixels(static_cast<std::size_t>(width) * height, fill) {}

    bool empty() const { return pixels.empty(); }
    TRGBA at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    TRGBA& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
    friend bool operator==(const TBitmap32&, const TBitmap32&) = default;
};
