#include "ui/styled/SEAdvPanel.h"

#include "toolkit/ColorRoles.h"

namespace {

constexpr TColor kPanelColor = hexColor(0x303030);

void fillBand(TCanvas& canvas, TColor color, int x1, int y1, int x2, int y2) {
    canvas.brush().setColor(color);
    canvas.pen().color = color;
    canvas.Rectangle(x1, y1, x2, y2);
}

} // namespace

plat::TAccessibleItem TSEAdvCustomPanel::accessible() const {
    plat::TAccessibleItem item = TSEControl::accessible();
    item.role = plat::TAccRole::grouping;
    item.name = accessibleNameOr(FCaption);
    return item;
}

TSEAdvCustomPanel::TSEAdvCustomPanel()
    : FBackgroundColor(kPanelColor), FBorderLeftColor(kPanelColor), FBorderRightColor(kPanelColor),
      FBorderTopColor(kPanelColor), FBorderBottomColor(kPanelColor), FFontColor(hexColor(0xDCDCDC)) {
    setBounds(left(), top(), 100, 100);
    setAcceptsControls(true);
    TFont initial = font();
    initial.name = L"Arial";
    initial.size = 11;
    initial.color = hexColor(0xDCDCDC);
    setFont(initial);
}

void TSEAdvCustomPanel::setBackgroundColor(TColor value) {
    FBackgroundColor = value;
    invalidate();
}

void TSEAdvCustomPanel::dpiChanged(int oldDpi, int newDpi) {
    for (std::int32_t* size : {&FBorderLeftSize, &FBorderRightSize, &FBorderTopSize, &FBorderBottomSize}) {
        *size = rescaled(*size, oldDpi, newDpi);
    }
    TSEControl::dpiChanged(oldDpi, newDpi);
}

TColor TSEAdvCustomPanel::surfaceColor() const {
    return roleColor(TColorRole::window, FBackgroundColor);
}

void TSEAdvCustomPanel::paint(TCanvas& canvas) {
    TCanvasLock lock(canvas);
    const int w = width();
    const int h = height();
    fillBand(canvas, surfaceColor(), 0, 0, w, h);
    // In high contrast every band is a line in the text's colour.
    auto band = [](TColor own) { return roleColor(TColorRole::text, own); };
    // Top and bottom come last and so cover the corners.
    if (hasBorder(FBorders, bLeft)) {
        fillBand(canvas, band(FBorderLeftColor), 0, 0, FBorderLeftSize, h);
    }
    if (hasBorder(FBorders, bRight)) {
        fillBand(canvas, band(FBorderRightColor), w - FBorderRightSize, 0, w + FBorderRightSize, h);
    }
    if (hasBorder(FBorders, bTop)) {
        fillBand(canvas, band(FBorderTopColor), 0, 0, w, FBorderTopSize);
    }
    if (hasBorder(FBorders, bBottom)) {
        fillBand(canvas, band(FBorderBottomColor), 0, h - FBorderBottomSize, w, h + FBorderBottomSize);
    }
    if (FShowCaption) {
        paintCentredCaption(canvas, FCaption);
    }
}
