#pragma once
// A canvas over an RGB raster in memory, for tests: every operation is exact and deterministic,
// and the picture can be saved as a PNG to look at.
//
// The built-in font: a character is a cell of charWidth x lineHeight pixels that depend only on the
// font's size (and bold); every character but the space is drawn as a solid box in its cell,
// leaving the cell's last column and a margin above and below empty; underline adds a line.

#include "toolkit/Canvas.h"

#include <string>
#include <vector>

namespace plat::headless {

class TRasterCanvas : public TCanvas {
public:
    TRasterCanvas(int width, int height, TColor background = clBlack);

    int width() const { return FWidth; }
    int height() const { return FHeight; }
    // Resizes the surface; the picture is cleared to background.
    void resize(int width, int height, TColor background = clBlack);
    void clear(TColor color);

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

    // The built-in font's metrics.
    static int charWidth(const TFont& font);
    static int lineHeight(const TFont& font);
    // The glyph box of a character cell at (x, y): rows [y + glyphTop, y + glyphBottom).
    static int glyphTop(const TFont& font);
    static int glyphBottom(const TFont& font);

    // Pixel read without the canvas's bookkeeping, for tests.
    TColor at(int x, int y) const;
    int lockDepth() const { return FLockDepth; }
    // Drawing operations made while the canvas was not locked.
    int unlockedDraws() const { return FUnlockedDraws; }
    TPoint penPos() const { return FPenPos; }

    bool savePng(const std::string& path) const;

private:
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < FWidth && y < FHeight; }
    void plot(int x, int y, TColor color);
    void fill(TRect rect, TColor color);
    void countDraw();

    int FWidth = 0;
    int FHeight = 0;
    std::vector<TColor> FPixels;
    TPoint FPenPos;
    int FLockDepth = 0;
    int FUnlockedDraws = 0;
};

} // namespace plat::headless
