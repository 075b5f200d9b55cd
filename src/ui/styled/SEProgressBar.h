#pragma once
// A flat, framed progress strip with a 64-bit position and maximum. The fill moves in whole
// percents; writing position paints at once.

#include "ui/styled/SEControl.h"

#include <cstdint>

class TSECustomProgressBar : public TSEControl {
public:
    TSECustomProgressBar();

    TColor progressColor() const { return FProgressColor; }
    void setProgressColor(TColor value) { FProgressColor = value; }
    std::int64_t position() const { return FPosition; }
    // Stored, then the bar paints at once (UI thread only).
    void setPosition(std::int64_t value);
    // A maximum of 0 or less shows an empty bar.
    std::int64_t max() const { return FMax; }
    void setMax(std::int64_t value) { FMax = value; }
    // Stored only: the frame is drawn on all four sides whatever it holds.
    TSEBorders borders() const { return FBorders; }
    void setBorders(TSEBorders value) { FBorders = value; }
    TColor borderColor() const { return FBorderColor; }
    void setBorderColor(TColor value) { FBorderColor = value; }
    TColor backgroundColor() const { return FBackgroundColor; }
    void setBackgroundColor(TColor value) { FBackgroundColor = value; }

    // The filled width for the current values: (W * ((position * 100) div max)) div 100.
    int fillWidth() const;
    // The whole percent done, 0 to 100 (0 without a maximum).
    int percent() const;
    // A progress bar with the percent done as its value.
    plat::TAccessibleItem accessible() const override;

protected:
    void paint(TCanvas& canvas) override;

private:
    std::int64_t FPosition = 50;
    std::int64_t FMax = 100;
    TSEBorders FBorders = 0;
    TColor FBorderColor;
    TColor FBackgroundColor;
    TColor FProgressColor;
};

using TSEProgressBar = TSECustomProgressBar;
