#include "toolkit/FocusMark.h"

#include "toolkit/Dpi.h"

#include <algorithm>

void drawFocusMark(TCanvas& canvas, const TRect& frame, TColor colour, int dpi) {
    const int dot = scaled(1, dpi);
    if (frame.width() < dot || frame.height() < dot) {
        return;
    }
    const TBrush before = canvas.brush();
    canvas.brush().setColor(colour);
    for (int x = frame.left; x < frame.right; x += 2 * dot) {
        canvas.FillRect(TRect{x, frame.top, std::min(x + dot, frame.right), frame.top + dot});
        canvas.FillRect(TRect{x, frame.bottom - dot, std::min(x + dot, frame.right), frame.bottom});
    }
    for (int y = frame.top; y < frame.bottom; y += 2 * dot) {
        canvas.FillRect(TRect{frame.left, y, frame.left + dot, std::min(y + dot, frame.bottom)});
        canvas.FillRect(TRect{frame.right - dot, y, frame.right, std::min(y + dot, frame.bottom)});
    }
    canvas.brush() = before;
}
