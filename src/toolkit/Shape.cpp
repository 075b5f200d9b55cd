#include "toolkit/Shape.h"

TShape::TShape() {
    setBounds(0, 0, 65, 65);
}

void TShape::setPenColor(TColor value) {
    if (value != FPenColor) {
        FPenColor = value;
        invalidate();
    }
}

void TShape::setBrushColor(TColor value) {
    if (value != FBrushColor) {
        FBrushColor = value;
        invalidate();
    }
}

void TShape::setBrushStyle(TBrushStyle value) {
    if (value != FBrushStyle) {
        FBrushStyle = value;
        invalidate();
    }
}

void TShape::paint(TCanvas& canvas) {
    TCanvasLock lock(canvas);
    if (FBrushStyle == TBrushStyle::bsClear) {
        canvas.brush().setColor(parent() != nullptr ? parent()->surfaceColor() : color());
        canvas.FillRect(clientRect());
    }
    canvas.pen().color = FPenColor;
    canvas.pen().width = 1;
    canvas.brush().setColor(FBrushColor);
    canvas.brush().style = FBrushStyle;
    canvas.Rectangle(0, 0, width(), height());
    canvas.brush().setColor(FPenColor);
    canvas.frameBand(clientRect(), scale(1));
}
