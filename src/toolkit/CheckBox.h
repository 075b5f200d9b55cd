#pragma once
// A check box, drawn by the toolkit itself: a 13-pixel box, ticked when checked, and its caption
// to the right, over its parent's surface. A click or the Space key toggles it; Tab stops at it and
// a dotted frame round the caption shows the focus.

#include "toolkit/Control.h"

class TCheckBox : public TControl {
public:
    TCheckBox();

    bool checked() const { return FChecked; }
    // A change raises OnChange.
    void setChecked(bool value);
    TNotifyEvent OnChange;

    // A check box named by its caption; its default action checks or unchecks it.
    plat::TAccessibleItem accessible() const override;

    TColor surfaceColor() const override;
    // The box, in client coordinates.
    TRect boxRect() const;
    // The width that shows the box and the whole caption in the box's font, with room for the focus
    // frame round it.
    int fittingWidth() const;

protected:
    void paint(TCanvas& canvas) override;
    void click() override;
    void keyPress(wchar_t ch) override;
    void mouseDown(TMouseButton button, int x, int y) override;
    void focusGained() override;
    void focusLost() override;
    void textChanged() override;
    void fontChanged() override;

private:
    bool FChecked = false;
};
