#pragma once
// Panels that hold other controls. TPanel is filled with its colour, with an optional raised or
// lowered one-pixel bevel and its caption centred in its font. TW7Panel is filled with a vertical
// gradient from startColor on its top row to endColor on its bottom row.

#include "toolkit/AlignedContainer.h"

enum TBevelCut { bvNone, bvLowered, bvRaised };

class TPanel : public TAlignedContainer {
public:
    TPanel();

    TBevelCut bevelOuter() const { return FBevelOuter; }
    void setBevelOuter(TBevelCut value);

protected:
    void paint(TCanvas& canvas) override;
    void textChanged() override;

private:
    TBevelCut FBevelOuter = bvRaised;
};

class TW7Panel : public TAlignedContainer {
public:
    TW7Panel();

    TColor startColor() const { return FStartColor; }
    void setStartColor(TColor value);
    TColor endColor() const { return FEndColor; }
    void setEndColor(TColor value);
    // The colour of row y of a panel height pixels high.
    static TColor gradientAt(TColor start, TColor end, int y, int height);
    // The colour half-way down, which children that do not cover themselves show.
    TColor surfaceColor() const override;

protected:
    void paint(TCanvas& canvas) override;

private:
    TColor FStartColor;
    TColor FEndColor;
};
