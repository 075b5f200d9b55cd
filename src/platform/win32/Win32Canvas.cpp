#include "platform/win32/Win32Canvas.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include <windows.h>

namespace plat::win32 {

namespace {

HDC hdc(void* dc) {
    return static_cast<HDC>(dc);
}

COLORREF colorRef(TColor color) {
    return static_cast<COLORREF>(color & 0x00FFFFFF);
}

TRect intersect(const TRect& a, const TRect& b) {
    return TRect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
}

RECT toRECT(const TRect& rect) {
    return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

// The brush of an operation: a solid brush made for it, or the stock hollow brush, which is not
// released.
struct TBrushChoice {
    TGdiObject made;
    HGDIOBJ handle;
};

TBrushChoice brushFor(const TBrush& brush) {
    if (brush.style != TBrushStyle::bsSolid) {
        return {TGdiObject(), GetStockObject(NULL_BRUSH)};
    }
    TGdiObject made = adoptGdiObject(CreateSolidBrush(colorRef(brush.color)));
    HGDIOBJ handle = made.get();
    return {std::move(made), handle};
}

BITMAPINFO topDown32(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // rows top to bottom
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// A DIB pixel is 0x00RRGGBB; the toolkit's colour is 0x00BBGGRR.
TColor fromDib(std::uint32_t pixel) {
    return RGBColor(static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
                    static_cast<std::uint8_t>(pixel));
}
std::uint32_t toDib(TColor color) {
    return (static_cast<std::uint32_t>(redOf(color)) << 16) |
           (static_cast<std::uint32_t>(greenOf(color)) << 8) | blueOf(color);
}

} // namespace

// ---- TGdiCanvas

TGdiCanvas::TGdiCanvas(void* dc, int width, int height)
    : FDc(dc), FWidth(std::max(width, 0)), FHeight(std::max(height, 0)) {}

TGdiCanvas::~TGdiCanvas() = default;

void TGdiCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    if (x1 > x2) {
        std::swap(x1, x2);
    }
    if (y1 > y2) {
        std::swap(y1, y2);
    }
    if (x1 == x2 || y1 == y2) {
        return;
    }
    // An inside-frame pen keeps a wide outline within the rectangle, as the raster canvas does.
    TGdiObject outline =
        adoptGdiObject(CreatePen(PS_INSIDEFRAME, std::max(pen().width, 1), colorRef(pen().color)));
    TBrushChoice fill = brushFor(brush());
    if (!outline || fill.handle == nullptr) {
        return;
    }
    TSelectGuard selectPen(FDc, outline.get());
    TSelectGuard selectBrush(FDc, fill.handle);
    ::Rectangle(hdc(FDc), x1, y1, x2, y2);
}

void TGdiCanvas::FillRect(const TRect& rect) {
    if (brush().style != TBrushStyle::bsSolid || rect.empty()) {
        return;
    }
    TGdiObject made = adoptGdiObject(CreateSolidBrush(colorRef(brush().color)));
    if (!made) {
        return;
    }
    const RECT r = toRECT(rect);
    ::FillRect(hdc(FDc), &r, static_cast<HBRUSH>(made.get()));
}

void TGdiCanvas::FrameRect(const TRect& rect) {
    if (brush().style != TBrushStyle::bsSolid || rect.empty()) {
        return;
    }
    TGdiObject made = adoptGdiObject(CreateSolidBrush(colorRef(brush().color)));
    if (!made) {
        return;
    }
    const RECT r = toRECT(rect);
    ::FrameRect(hdc(FDc), &r, static_cast<HBRUSH>(made.get()));
}

void TGdiCanvas::MoveTo(int x, int y) {
    MoveToEx(hdc(FDc), x, y, nullptr);
}

void TGdiCanvas::LineTo(int x, int y) {
    TGdiObject made = adoptGdiObject(CreatePen(PS_SOLID, std::max(pen().width, 1), colorRef(pen().color)));
    if (!made) {
        MoveToEx(hdc(FDc), x, y, nullptr); // the end point still becomes the current point
        return;
    }
    TSelectGuard select(FDc, made.get());
    ::LineTo(hdc(FDc), x, y);
}

TColor TGdiCanvas::getPixel(int x, int y) {
    if (!inside(x, y)) {
        return 0;
    }
    const COLORREF color = ::GetPixel(hdc(FDc), x, y);
    return color == CLR_INVALID ? 0 : static_cast<TColor>(color);
}

void TGdiCanvas::setPixel(int x, int y, TColor color) {
    if (inside(x, y)) {
        SetPixelV(hdc(FDc), x, y, colorRef(color));
    }
}

namespace {

BYTE qualityOf(TFontQuality quality) {
    switch (quality) {
    case fqDefault:
        break;
    case fqNonAntialiased:
        return NONANTIALIASED_QUALITY;
    case fqAntialiased:
        return ANTIALIASED_QUALITY;
    case fqClearType:
        return CLEARTYPE_QUALITY;
    }
    return DEFAULT_QUALITY;
}

} // namespace

void* TGdiCanvas::currentFont() {
    const TFont& wanted = font();
    if (FFont && FFontMade == wanted) {
        return FFont.get();
    }
    LOGFONTW description{};
    // Made for its window's DPI, not the screen's: windows on other monitors differ.
    description.lfHeight = -MulDiv(std::abs(wanted.size), wanted.pixelsPerInch, 72);
    description.lfWeight = (wanted.style & fsBold) != 0 ? FW_BOLD : FW_NORMAL;
    description.lfItalic = (wanted.style & fsItalic) != 0 ? TRUE : FALSE;
    description.lfUnderline = (wanted.style & fsUnderline) != 0 ? TRUE : FALSE;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfOutPrecision = OUT_DEFAULT_PRECIS;
    description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    description.lfQuality = qualityOf(wanted.quality);
    description.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    wanted.name.copy(description.lfFaceName, LF_FACESIZE - 1);
    // The font made before is not selected anywhere (selections last one operation), so it can go.
    FFont = adoptGdiObject(CreateFontIndirectW(&description));
    FFontMade = wanted;
    return FFont.get();
}

int TGdiCanvas::TextWidth(const std::wstring& text) {
    TSelectGuard select(FDc, currentFont());
    SIZE extent{};
    if (!GetTextExtentPoint32W(hdc(FDc), text.c_str(), static_cast<int>(text.size()), &extent)) {
        return 0;
    }
    return extent.cx;
}

int TGdiCanvas::TextHeight(const std::wstring& /*text*/) {
    // One line of the font, whatever the text, as the text output lays it out.
    TSelectGuard select(FDc, currentFont());
    TEXTMETRICW metrics{};
    if (!GetTextMetricsW(hdc(FDc), &metrics)) {
        return 0;
    }
    return metrics.tmHeight;
}

void TGdiCanvas::DrawTextW(const std::wstring& text, const TRect& rect, unsigned flags) {
    // Only the layouts the toolkit defines; the text is shown as given ("&" is no prefix).
    const UINT format = (flags & (DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS)) | DT_NOPREFIX;
    TSelectGuard select(FDc, currentFont());
    const bool opaque = brush().style == TBrushStyle::bsSolid;
    const COLORREF oldText = SetTextColor(hdc(FDc), colorRef(font().color));
    const COLORREF oldBack = SetBkColor(hdc(FDc), colorRef(brush().color));
    const int oldMode = SetBkMode(hdc(FDc), opaque ? OPAQUE : TRANSPARENT);
    RECT r = toRECT(rect);
    ::DrawTextW(hdc(FDc), text.c_str(), static_cast<int>(text.size()), &r, format);
    SetBkMode(hdc(FDc), oldMode);
    SetBkColor(hdc(FDc), oldBack);
    SetTextColor(hdc(FDc), oldText);
}

void TGdiCanvas::drawBitmap(int x, int y, const TBitmap32& picture) {
    const TRect area =
        intersect(boundsRect(x, y, picture.width, picture.height), TRect{0, 0, FWidth, FHeight});
    if (area.empty()) {
        return;
    }
    // What lies beneath is copied out, blended with the picture's alpha exactly as the raster
    // canvas blends, and copied back.
    const int w = area.width();
    const int h = area.height();
    TMemoryDc work(CreateCompatibleDC(hdc(FDc)));
    if (!work) {
        return;
    }
    const BITMAPINFO info = topDown32(w, h);
    void* bits = nullptr;
    TGdiObject bitmap =
        adoptGdiObject(CreateDIBSection(hdc(work.get()), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) {
        return;
    }
    TSelectGuard select(work.get(), bitmap.get());
    BitBlt(hdc(work.get()), 0, 0, w, h, hdc(FDc), area.left, area.top, SRCCOPY);
    GdiFlush();
    auto* pixels = static_cast<std::uint32_t*>(bits);
    for (int row = 0; row < h; ++row) {
        for (int column = 0; column < w; ++column) {
            const TRGBA src = picture.at(area.left - x + column, area.top - y + row);
            if (src.a == 0) {
                continue;
            }
            std::uint32_t& pixel = pixels[static_cast<std::size_t>(row) * w + column];
            const TColor under = fromDib(pixel);
            auto blend = [&](std::uint8_t s, std::uint8_t d) {
                return static_cast<std::uint8_t>((s * src.a + d * (255 - src.a) + 127) / 255);
            };
            pixel = toDib(RGBColor(blend(src.r, redOf(under)), blend(src.g, greenOf(under)),
                                   blend(src.b, blueOf(under))));
        }
    }
    BitBlt(hdc(FDc), area.left, area.top, w, h, hdc(work.get()), 0, 0, SRCCOPY);
}

void TGdiCanvas::Lock() {
    FLock.lock();
    ++FLockDepth;
}

void TGdiCanvas::Unlock() {
    if (FLockDepth > 0) {
        --FLockDepth;
        FLock.unlock();
    }
}

// ---- TGdiBitmap

TGdiBitmap::TGdiBitmap(int width, int height)
    : FWidth(std::max(width, 1)), FHeight(std::max(height, 1)), FDc(CreateCompatibleDC(nullptr)) {
    if (!FDc) {
        return;
    }
    const BITMAPINFO info = topDown32(FWidth, FHeight);
    void* bits = nullptr;
    FBitmap = adoptGdiObject(CreateDIBSection(hdc(FDc.get()), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!FBitmap || bits == nullptr) {
        return;
    }
    FPreviousBitmap = SelectObject(hdc(FDc.get()), FBitmap.get());
    FPen = GetCurrentObject(hdc(FDc.get()), OBJ_PEN);
    FBrush = GetCurrentObject(hdc(FDc.get()), OBJ_BRUSH);
    FFontHandle = GetCurrentObject(hdc(FDc.get()), OBJ_FONT);
    FBits = static_cast<std::uint32_t*>(bits);
}

TGdiBitmap::~TGdiBitmap() {
    // The bitmap leaves the device context before either is released.
    if (FPreviousBitmap != nullptr) {
        SelectObject(hdc(FDc.get()), static_cast<HGDIOBJ>(FPreviousBitmap));
    }
}

TColor TGdiBitmap::pixel(int x, int y) const {
    if (!valid() || x < 0 || y < 0 || x >= FWidth || y >= FHeight) {
        return 0;
    }
    GdiFlush();
    return fromDib(FBits[static_cast<std::size_t>(y) * FWidth + x]);
}

bool TGdiBitmap::holdsItsOwnObjects() const {
    const HDC dc = hdc(FDc.get());
    return valid() && GetCurrentObject(dc, OBJ_PEN) == FPen && GetCurrentObject(dc, OBJ_BRUSH) == FBrush &&
           GetCurrentObject(dc, OBJ_FONT) == FFontHandle && GetCurrentObject(dc, OBJ_BITMAP) == FBitmap.get();
}

} // namespace plat::win32
