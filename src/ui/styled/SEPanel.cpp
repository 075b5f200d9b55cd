#include "ui/styled/SEPanel.h"

#include "toolkit/ColorRoles.h"

TSECustomPanel::TSECustomPanel()
    : FBackgroundColor(hexColor(0x303030)), FBorderColor(hexColor(0x303030)), FFontColor(hexColor(0xDCDCDC)) {
    setBounds(left(), top(), 100, 100);
    setAcceptsControls(true);
    TFont initial = font();
    initial.name = L"Arial";
    initial.size = 11;
    initial.color = hexColor(0xDCDCDC);
    setFont(initial);
}

TColor TSECustomPanel::surfaceColor() const {
    return roleColor(TColorRole::window, FBackgroundColor);
}

void TSECustomPanel::paint(TCanvas& canvas) {
    TCanvasLock lock(canvas);
    const int w = width();
    const int h = height();
    // Sides without a border lie one pixel outside the panel, so their outline is clipped away.
    // The border is a design pixel thick: at another DPI its scaled thickness.
    const int t = scale(1);
    const int x1 = hasBorder(FBorders, bLeft) ? 0 : -t;
    const int y1 = hasBorder(FBorders, bTop) ? 0 : -t;
    const int x2 = hasBorder(FBorders, bRight) ? w : w + t;
    const int y2 = hasBorder(FBorders, bBottom) ? h : h + t;
    const TColor border = roleColor(TColorRole::text, FBorderColor);
    const TColor background = surfaceColor();
    canvas.pen().color = border;
    canvas.brush().setColor(border);
    canvas.Rectangle(x1, y1, x2, y2);
    canvas.brush().setColor(background);
    canvas.pen().color = background;
    canvas.Rectangle(x1 + t, y1 + t, x2 - t, y2 - t);
    if (FShowCaption) {
        paintCentredCaption(canvas, FCaption);
    }
}
