#pragma once
// The base of the program's custom-drawn controls and the small types they share.

#include "toolkit/Control.h"

// Sides of a control that carry a border: a set, one bit per side.
enum TSEBorder : unsigned { bLeft = 1u << 0, bTop = 1u << 1, bRight = 1u << 2, bBottom = 1u << 3 };
using TSEBorders = unsigned;

inline bool hasBorder(TSEBorders borders, TSEBorder side) {
    return (borders & side) != 0;
}

enum TSEButtonIconSize { ico16px, ico24px, ico32px, ico48px };
enum TSEAlign { seAlLeft, seAlTop };

// A control that paints itself and asks for a repaint on the pointer, button, focus, enabled and
// text notifications, so that descendants only need to paint their state.
class TSEControl : public TControl {
public:
    TSEControl();

    // True after a mouse move over the control, false once the pointer has left.
    bool MouseInClient() const { return FMouseInClient; }
    // True from a left press until the next release, loss of focus or enabled change.
    bool leftButtonPressed() const { return LeftButtonPressed; }

protected:
    virtual void DoMouseEnter();
    virtual void DoMouseLeave();

    void mouseEnter() override;
    void mouseLeave() override;
    void mouseMove(int x, int y) override;
    void buttonPressed(TMouseButton button, int x, int y) override;
    void buttonReleased(TMouseButton button, int x, int y) override;
    void focusGained() override;
    void focusLost() override;
    void enabledChanged() override;
    void textChanged() override;

    // A one-line caption centred in the control, in font's colour (the text role's), over what is
    // already drawn.
    void paintCentredCaption(TCanvas& canvas, const std::wstring& caption);

    bool FMouseInClient = false;
    bool LeftButtonPressed = false;
    bool InvalidateOnMouseEvents = true;
};
