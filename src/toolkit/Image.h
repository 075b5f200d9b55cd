#pragma once
// A control that shows one picture (32-bit, blended with its alpha) over its parent's surface, at
// its top-left corner or centred, and can size itself to the picture.

#include "toolkit/Control.h"

#include <cstdint>
#include <vector>

class TImage : public TControl {
public:
    TImage();

    // The displayed picture; setting it copies the picture.
    const TBitmap32& picture() const { return FPicture; }
    void setPicture(const TBitmap32& value);
    // With autoSize the control takes the size of a picture that is not empty.
    bool autoSize() const { return FAutoSize; }
    void setAutoSize(bool value);
    // Centred: the picture's middle on the control's middle (half of each length rounded down).
    bool center() const { return FCenter; }
    void setCenter(bool value);
    // Shows a PNG file's picture; false (and the picture unchanged) when the bytes are no PNG.
    bool loadPng(const std::vector<std::uint8_t>& png);

    // A picture, named only where the window names it.
    plat::TAccessibleItem accessible() const override;

protected:
    void paint(TCanvas& canvas) override;

private:
    void adjustSize();

    TBitmap32 FPicture;
    bool FAutoSize = false;
    bool FCenter = false;
};
