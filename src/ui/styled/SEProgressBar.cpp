#include "ui/styled/SEProgressBar.h"

#include <limits>

TSECustomProgressBar::TSECustomProgressBar()
    : FBorderColor(hexColor(0xFF0000)), FBackgroundColor(hexColor(0x000000)),
      FProgressColor(hexColor(0x00FF00)) {
    setBounds(left(), top(), 200, 4);
}

void TSECustomProgressBar::setPosition(std::int64_t value) {
    FPosition = value;
    paintNow();
}

int TSECustomProgressBar::fillWidth() const {
    if (FMax <= 0) {
        return 0; // no meaningful share: an empty bar
    }
    // A position outside 0..max draws exactly as 0 or max would (the frame covers the rest), so it
    // is clamped first; position * 100 then cannot overflow unless max itself is that large.
    const std::int64_t position = FPosition < 0 ? 0 : (FPosition > FMax ? FMax : FPosition);
    std::int64_t percent;
    if (position <= std::numeric_limits<std::int64_t>::max() / 100) {
        percent = position * 100 / FMax;
    } else {
        percent = static_cast<std::int64_t>(static_cast<long double>(position) * 100 / FMax);
        percent = percent > 100 ? 100 : percent;
    }
    return static_cast<int>(static_cast<std::int64_t>(width()) * percent / 100);
}

void TSECustomProgressBar::paint(TCanvas& canvas) {
    TCanvasLock lock(canvas);
    const int w = width();
    const int h = height();
    const int fill = fillWidth();
    const int border = scale(1);
    canvas.brush().setColor(FBackgroundColor);
    canvas.FillRect(TRect{border + fill, border, w, h - border});
    canvas.brush().setColor(FProgressColor);
    canvas.FillRect(TRect{border, border, border + fill, h - border});
    canvas.brush().setColor(FBorderColor);
    canvas.frameBand(TRect{0, 0, w, h}, border);
}
