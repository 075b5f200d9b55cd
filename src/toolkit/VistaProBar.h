#pragma once
// A progress bar with a marquee mode. In normal mode it fills position / max of its inside with
// its colour; in marquee mode a block of the colour, with faded ends, runs from left to right and
// starts again, moved by a timer while the marquee runs and standing still once it is off.

#include "toolkit/Control.h"
#include "toolkit/Timer.h"

#include <cstdint>
#include <string>

class TVistaProBar : public TControl {
public:
    TVistaProBar();

    std::int64_t position() const { return FPosition; }
    void setPosition(std::int64_t value);
    // A maximum of 0 or less shows an empty bar.
    std::int64_t max() const { return FMax; }
    // A progress bar with the whole percent done as its value (none while the marquee runs).
    plat::TAccessibleItem accessible() const override;
    void setMax(std::int64_t value);
    // The bar's colour is color(); the inside behind it and the frame have their own.
    TColor backgroundColor() const { return FBackgroundColor; }
    void setBackgroundColor(TColor value);
    TColor borderColor() const { return FBorderColor; }
    void setBorderColor(TColor value);

    bool marquee() const { return FMarquee; }
    // On: the block starts at the left and runs; off: it stops where it is and normal mode shows.
    void setMarquee(bool value);
    // The block's full-colour width and the width of each faded end, in pixels.
    int marqueeBlock() const { return FMarqueeBlock; }
    void setMarqueeBlock(int value) { FMarqueeBlock = value > 0 ? value : 1; }
    int fade() const { return FFade; }
    void setFade(int value) { FFade = value > 0 ? value : 0; }
    // Milliseconds between two steps of the block.
    unsigned speed() const { return FSpeed; }
    void setSpeed(unsigned value);
    // Pixels the block moves at each step.
    static constexpr int kStep = 4;
    // Shows "n %" in the middle in normal mode.
    bool showPositionText() const { return FShowPositionText; }
    void setShowPositionText(bool value);

    // Where the block's full-colour part starts, relative to the inside's left edge.
    int marqueeOffset() const { return FOffset; }
    // The timer that moves the block (for tests of its running).
    TTimer& marqueeTimer() { return FTimer; }
    // The filled width of the inside in normal mode.
    int fillWidth() const;

protected:
    void paint(TCanvas& canvas) override;

private:
    void step();

    std::int64_t FPosition = 0;
    std::int64_t FMax = 100;
    TColor FBackgroundColor;
    TColor FBorderColor;
    bool FMarquee = false;
    int FMarqueeBlock = 40;
    int FFade = 30;
    unsigned FSpeed = 25;
    bool FShowPositionText = false;
    int FOffset = 0;
    TTimer FTimer;
};
