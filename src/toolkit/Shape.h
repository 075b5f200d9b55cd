#pragma once
// A rectangle drawn with a pen (its one-pixel outline) and a brush (its inside); a shape one pixel
// high or wide shows as a line in the pen colour.

#include "toolkit/Control.h"

class TShape : public TControl {
public:
    TShape();

    TColor penColor() const { return FPenColor; }
    void setPenColor(TColor value);
    TColor brushColor() const { return FBrushColor; }
    void setBrushColor(TColor value);
    // A clear brush leaves the inside showing the parent's surface colour.
    TBrushStyle brushStyle() const { return FBrushStyle; }
    void setBrushStyle(TBrushStyle value);

protected:
    void paint(TCanvas& canvas) override;

private:
    TColor FPenColor = clBlack;
    TColor FBrushColor = clWhite;
    TBrushStyle FBrushStyle = TBrushStyle::bsSolid;
};
