#include "ui/styled/SEImages.h"

TSECustomImage::TSECustomImage() {
    setAutoSize(true);
    setCursor(crHandPoint);
}

void TSECustomImage::setStatePicture(int index, const TBitmap32& value) {
    switch (index) {
    case 0:
        FPictureNormal = value;
        break;
    case 1:
        FPictureHover = value;
        break;
    case 2:
        FPictureAction = value;
        break;
    case 3:
        FPictureDisabled = value;
        break;
    default:
        break;
    }
}

void TSECustomImage::setEnabled(bool value) {
    FEnabled = value;
    if (value) {
        show(FPictureNormal);
        setCursor(oldCursor);
    } else {
        show(FPictureDisabled);
        setCursor(crDefault);
    }
}

// The state changes replace the toolkit's handling: no enter, leave, down or up event is raised.

void TSECustomImage::mouseEnter() {
    if (FEnabled) {
        show(FPictureHover);
    }
}

void TSECustomImage::mouseLeave() {
    if (FEnabled) {
        show(FPictureNormal);
    }
}

void TSECustomImage::mouseDown(TMouseButton /*button*/, int /*x*/, int /*y*/) {
    if (FEnabled) {
        show(FPictureAction);
    }
}

void TSECustomImage::mouseUp(TMouseButton /*button*/, int /*x*/, int /*y*/) {
    if (FEnabled) {
        show(FPictureNormal);
    }
}
