#pragma once
// The drawing surface of a control's paint. Coordinates are pixels of the control's client area,
// origin top left; right and bottom bounds are exclusive; everything outside the surface is clipped.
//
// How an implementation must behave (GDI on Windows, the raster canvas in tests):
// - Pen, brush and font are plain values held here; an operation reads them when it draws, so a
//   change takes effect at the next operation. Colours are 0x00BBGGRR.
// - Rectangle(X1, Y1, X2, Y2): a rectangle with swapped corners is normalised first; an empty one
//   draws nothing. The inside [X1+1, X2-1) x [Y1+1, Y2-1) is filled with the brush (not with a clear
//   brush); the outermost columns X1, X2-1 and rows Y1, Y2-1 are drawn in the pen colour.
// - FillRect fills with the brush colour, FrameRect draws the outermost pixels in the brush colour;
//   both draw nothing with a clear brush.
// - MoveTo sets the current point; LineTo draws in the pen colour from the current point up to, not
//   including, the end point, which becomes the current point.
// - DrawTextW supports DT_SINGLELINE, DT_VCENTER and DT_WORD_ELLIPSIS (left aligned, top unless
//   DT_VCENTER, always clipped to the rectangle). With a solid brush the text's cell is filled with
//   the brush colour first; with a clear brush only the glyphs are drawn. Text is drawn in the font
//   colour.
// - getPixel reads what the paint has drawn so far (on Windows: the back buffer), since the glyph
//   edges are mixed with what lies beneath them.
// - drawBitmap blends a 32-bit picture with its alpha over what lies beneath.
// - Lock/Unlock nest: a paint holds the lock for its whole duration (TCanvasLock).

#include "toolkit/Graphics.h"
#include "toolkit/ImageList.h"

#include <string>

#ifdef DT_SINGLELINE
#error "include toolkit headers before <windows.h>"
#endif

// Text output flags, with the platform's values.
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_TOP = 0x0;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_WORD_ELLIPSIS = 0x40000;

class TCanvas {
public:
    virtual ~TCanvas() = default;

    TPen& pen() { return FPen; }
    TBrush& brush() { return FBrush; }
    // The canvas keeps its own copy of a font: later changes to the source do not reach it.
    TFont& font() { return FFont; }
    void setFont(const TFont& font) { FFont = font; }

    virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
    virtual void FillRect(const TRect& rect) = 0;
    virtual void FrameRect(const TRect& rect) = 0;
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    // A pixel outside the surface reads as 0 and ignores writes.
    virtual TColor getPixel(int x, int y) = 0;
    virtual void setPixel(int x, int y, TColor color) = 0;

    virtual int TextWidth(const std::wstring& text) = 0;
    virtual int TextHeight(const std::wstring& text) = 0;
    // May shorten the drawn text with an ellipsis; rect is not changed.
    virtual void DrawTextW(const std::wstring& text, const TRect& rect, unsigned flags) = 0;

    // Blends picture with its top-left pixel at (x, y).
    virtual void drawBitmap(int x, int y, const TBitmap32& picture) = 0;
    // A frame of thickness pixels inside rect, in the brush's colour (a border scaled for the DPI).
    void frameBand(const TRect& rect, int thickness) {
        for (int i = 0; i < thickness; ++i) {
            FrameRect(TRect{rect.left + i, rect.top + i, rect.right - i, rect.bottom - i});
        }
    }

    // Draws image index of list in its enabled look; an index outside the list draws nothing.
    void drawImage(const TImageList& list, int index, int x, int y) {
        if (const TBitmap32* picture = list.image(index)) {
            drawBitmap(x, y, *picture);
        }
    }

    virtual void Lock() = 0;
    virtual void Unlock() = 0;

protected:
    TCanvas() = default;

private:
    TPen FPen;
    TBrush FBrush;
    TFont FFont;
};

// Holds a canvas's lock for a scope: released on every path.
class TCanvasLock {
public:
    explicit TCanvasLock(TCanvas& canvas) : FCanvas(canvas) { FCanvas.Lock(); }
    ~TCanvasLock() { FCanvas.Unlock(); }
    TCanvasLock(const TCanvasLock&) = delete;
    TCanvasLock& operator=(const TCanvasLock&) = delete;

private:
    TCanvas& FCanvas;
};
