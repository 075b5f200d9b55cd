#pragma once
// A picture that acts as a button: it shows a picture per state (rest, hover, pressed, disabled)
// and has its own enabled flag. Clicks are raised whatever that flag holds.

#include "toolkit/Image.h"

class TSECustomImage : public TImage {
public:
    TSECustomImage();

    // Each write copies the picture in; what is shown changes at the next state change.
    const TBitmap32& pictureNormal() const { return FPictureNormal; }
    void setPictureNormal(const TBitmap32& value) { setStatePicture(0, value); }
    const TBitmap32& pictureHover() const { return FPictureHover; }
    void setPictureHover(const TBitmap32& value) { setStatePicture(1, value); }
    const TBitmap32& pictureAction() const { return FPictureAction; }
    void setPictureAction(const TBitmap32& value) { setStatePicture(2, value); }
    const TBitmap32& pictureDisabled() const { return FPictureDisabled; }
    void setPictureDisabled(const TBitmap32& value) { setStatePicture(3, value); }
    // index: 0 normal, 1 hover, 2 action, 3 disabled; other indexes are ignored.
    void setStatePicture(int index, const TBitmap32& value);

    // The image's own enabled flag; it hides the toolkit's, which stays as it is.
    bool enabled() const { return FEnabled; }
    void setEnabled(bool value);

protected:
    void mouseEnter() override;
    void mouseLeave() override;
    void mouseDown(TMouseButton button, int x, int y) override;
    void mouseUp(TMouseButton button, int x, int y) override;

private:
    void show(const TBitmap32& picture) { setPicture(picture); }

    TBitmap32 FPictureNormal;
    TBitmap32 FPictureHover;
    TBitmap32 FPictureAction;
    TBitmap32 FPictureDisabled;
    TCursor oldCursor = crHandPoint;
    bool FEnabled = true;
};

using TSEImage = TSECustomImage;
