#include "toolkit/Image.h"

TImage::TImage() {
    setBounds(0, 0, 105, 105);
}

void TImage::setPicture(const TBitmap32& value) {
    FPicture = value;
    adjustSize();
    invalidate();
}

void TImage::setAutoSize(bool value) {
    FAutoSize = value;
    adjustSize();
}

void TImage::adjustSize() {
    if (FAutoSize && !FPicture.empty()) {
        setBounds(left(), top(), FPicture.width, FPicture.height);
    }
}

void TImage::paint(TCanvas& canvas) {
    TCanvasLock lock(canvas);
    canvas.brush().setColor(parent() != nullptr ? parent()->surfaceColor() : color());
    canvas.FillRect(clientRect());
    canvas.drawBitmap(0, 0, FPicture);
}
