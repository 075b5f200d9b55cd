#include "toolkit/Image.h"
#include "toolkit/PngDecoder.h"

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

void TImage::setCenter(bool value) {
    if (value != FCenter) {
        FCenter = value;
        invalidate();
    }
}

bool TImage::loadPng(const std::vector<std::uint8_t>& png) {
    TBitmap32 picture = decodePng(png);
    if (picture.empty()) {
        return false;
    }
    setPicture(picture);
    return true;
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
    if (FCenter) {
        canvas.drawBitmap(width() / 2 - FPicture.width / 2, height() / 2 - FPicture.height / 2, FPicture);
    } else {
        canvas.drawBitmap(0, 0, FPicture);
    }
}

plat::TAccessibleItem TImage::accessible() const {
    plat::TAccessibleItem item = TControl::accessible();
    item.role = plat::TAccRole::graphic;
    item.states |= plat::asReadOnly;
    return item;
}
