#include "ui/styled/SEPanel.h"

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

void TSECustomPanel::paint(TCanvas& canvas) {
    TCanvasLock lock(canvas);
    const int w = width();
    const int h = height();
    // Sides without a border lie one pixel outside the panel, so their outline is clipped away.
    const int x1 = hasBorder(FBorders, bLeft) ? 0 : -1;
    const int y1 = hasBorder(FBorders, bTop) ? 0 : -1;
    const int x2 = hasBorder(FBorders, bRight) ? w : w + 1;
    const int y2 = hasBorder(FBorders, bBottom) ? h : h + 1;
    canvas.pen().color = FBorderColor;
    canvas.Rectangle(x1, y1, x2, y2);
    canvas.brush().setColor(FBackgroundColor);
    canvas.pen().color = FBackgroundColor;
    canvas.Rectangle(x1 + 1, y1 + 1, x2 - 1, y2 - 1);
    if (FShowCaption) {
        paintCentredCaption(canvas, FCaption);
    }
}
