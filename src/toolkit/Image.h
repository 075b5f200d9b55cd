#pragma once
// A control that shows one picture, drawn at its top-left corner over its parent's surface, and can
// size itself to the picture.

#include "toolkit/Control.h"

class TImage : public TControl {
public:
    TImage();

    // The displayed picture; setting it copies the picture.
    const TBitmap32& picture() const { return FPicture; }
    void setPicture(const TBitmap32& value);
    // With autoSize the control takes the size of a picture that is not empty.
    bool autoSize() const { return FAutoSize; }
    void setAutoSize(bool value);

protected:
    void paint(TCanvas& canvas) override;

private:
    void adjustSize();

    TBitmap32 FPicture;
    bool FAutoSize = false;
};
