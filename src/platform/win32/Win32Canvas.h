#pragma once
// The canvas of the Windows toolkit: the toolkit's drawing operations done with GDI on a device
// context, pixel for pixel as the raster canvas does them (text excepted, which uses the real
// fonts), and the 32-bit memory bitmap a window paints into before it is shown.
//
// The canvas makes its pens and brushes for each operation and its font once per distinct font,
// selects them only for the operation that uses them and releases them all; the device context is
// left with the objects it had.

#include "platform/win32/Win32Gdi.h"
#include "toolkit/Canvas.h"

#include <cstdint>
#include <mutex>

namespace plat::win32 {

class TGdiCanvas : public TCanvas {
public:
    // dc (an HDC, not owned) over a surface of width x height pixels, such as a TGdiBitmap's.
    TGdiCanvas(void* dc, int width, int height);
    ~TGdiCanvas() override;
    TGdiCanvas(const TGdiCanvas&) = delete;
    TGdiCanvas& operator=(const TGdiCanvas&) = delete;

    void Rectangle(int x1, int y1, int x2, int y2) override;
    void FillRect(const TRect& rect) override;
    void FrameRect(const TRect& rect) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    TColor getPixel(int x, int y) override;
    void setPixel(int x, int y, TColor color) override;
    int TextWidth(const std::wstring& text) override;
    int TextHeight(const std::wstring& text) override;
    void DrawTextW(const std::wstring& text, const TRect& rect, unsigned flags) override;
    void drawBitmap(int x, int y, const TBitmap32& picture) override;
    void Lock() override;
    void Unlock() override;

    int width() const { return FWidth; }
    int height() const { return FHeight; }

private:
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < FWidth && y < FHeight; }
    // The font handle for font(), made when the font differs from the one made last.
    void* currentFont();

    void* FDc;
    int FWidth;
    int FHeight;
    TGdiObject FFont;
    TFont FFontMade;
    std::recursive_mutex FLock;
    int FLockDepth = 0;
};

// A top-down 32-bit bitmap selected into its own memory device context.
class TGdiBitmap {
public:
    // A bitmap of at least 1 x 1 pixels; valid() tells whether the platform made it.
    TGdiBitmap(int width, int height);
    ~TGdiBitmap();
    TGdiBitmap(const TGdiBitmap&) = delete;
    TGdiBitmap& operator=(const TGdiBitmap&) = delete;

    bool valid() const { return FBits != nullptr; }
    void* dc() const { return FDc.get(); }
    int width() const { return FWidth; }
    int height() const { return FHeight; }
    // The colour at (x, y) once pending drawing has been done; 0 outside the bitmap.
    TColor pixel(int x, int y) const;
    // The device context holds the pen, brush and font it had when it was made.
    bool holdsItsOwnObjects() const;

private:
    int FWidth;
    int FHeight;
    TMemoryDc FDc;
    TGdiObject FBitmap;
    void* FPreviousBitmap = nullptr;
    void* FPen = nullptr;
    void* FBrush = nullptr;
    void* FFontHandle = nullptr;
    std::uint32_t* FBits = nullptr;
};

} // namespace plat::win32
