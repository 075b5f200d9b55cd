#include "ui/styled/SEProgressBar.h"

#include "toolkit/ColorRoles.h"

#include <limits>

TSECustomProgressBar::TSECustomProgressBar()
    : FBorderColor(hexColor(0xFF0000)), FBackgroundColor(hexColor(0x000000)),
      FProgressColor(hexColor(0x00FF00)) {
    setBounds(left(), top(), 200, 4);
}

void TSECustomProgressBar::setPosition(std::int64_t value) {
    const int before = percent();
    FPosition = value;
    paintNow();
    if (percent() != before) {
        accessibleNotify(plat::TAccEvent::valueChange);
    }
}

plat::TAccessibleItem TSECustomProgressBar::accessible() const {
    plat::TAccessibleItem item = TSEControl::accessible();
    item.role = plat::TAccRole::progressBar;
    item.value = std::to_wstring(percent()) + L"%";
    item.states |= plat::asReadOnly;
    return item;
}

int TSECustomProgressBar::percent() const {
    if (FMax <= 0) {
        return 0; // no meaningful share: an empty bar
    }
    // A position outside 0..max draws exactly as 0 or max would (the frame covers the rest), so it
    // is clamped first; position * 100 then cannot overflow unless max itself is that large.
    const std::int64_t position = FPosition < 0 ? 0 : (FPosition > FMax ? FMax : FPosition);
    std::int64_t share;
    if (position <= std::numeric_limits<std::int64_t>::max() / 100) {
        share = position * 100 / FMax;
    } else {
        share = static_cast<std::int64_t>(static_cast<long double>(position) * 100 / FMax);
        share = share > 100 ? 100 : share;
    }
    return static_cast<int>(share);
}

int TSECustomProgressBar::fillWidth() const {
    return static_cast<int>(static_cast<std::int64_t>(width()) * percent() / 100);
}

void TSECustomProgressBar::paint(TCanvas& canvas) {
    TCanvasLock lock(canvas);
    const int w = width();
    const int h = height();
    const int fill = fillWidth();
    const int border = scale(1);
    canvas.brush().setColor(roleColor(TColorRole::window, FBackgroundColor));
    canvas.FillRect(TRect{border + fill, border, w, h - border});
    canvas.brush().setColor(roleColor(TColorRole::highlight, FProgressColor));
    canvas.FillRect(TRect{border, border, border + fill, h - border});
    canvas.brush().setColor(roleColor(TColorRole::text, FBorderColor));
    canvas.frameBand(TRect{0, 0, w, h}, border);
}
