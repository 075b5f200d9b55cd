#include "ui/styled/SEControl.h"

#include "toolkit/ColorRoles.h"

TSEControl::TSEControl() = default;

void TSEControl::DoMouseEnter() {
    if (InvalidateOnMouseEvents) {
        invalidate();
    }
}

void TSEControl::DoMouseLeave() {
    if (InvalidateOnMouseEvents) {
        invalidate();
    }
    FMouseInClient = false;
}

void TSEControl::mouseEnter() {
    DoMouseEnter();
    if (OnMouseEnter) {
        OnMouseEnter(this);
    }
}

void TSEControl::mouseLeave() {
    DoMouseLeave();
    if (OnMouseLeave) {
        OnMouseLeave(this);
    }
}

void TSEControl::mouseMove(int /*x*/, int /*y*/) {
    // No mouse-move event: the move only marks the pointer as inside.
    FMouseInClient = true;
}

void TSEControl::buttonPressed(TMouseButton button, int x, int y) {
    TControl::buttonPressed(button, x, y);
    if (button == TMouseButton::mbLeft) {
        LeftButtonPressed = true;
    }
    invalidate();
}

void TSEControl::buttonReleased(TMouseButton button, int x, int y) {
    TControl::buttonReleased(button, x, y);
    LeftButtonPressed = false;
    invalidate();
}

void TSEControl::focusGained() {
    TControl::focusGained();
    invalidate();
}

void TSEControl::focusLost() {
    TControl::focusLost();
    LeftButtonPressed = false;
    invalidate();
}

void TSEControl::enabledChanged() {
    TControl::enabledChanged(); // requests the repaint
    LeftButtonPressed = false;
}

void TSEControl::textChanged() {
    TControl::textChanged();
    invalidate();
}

void TSEControl::paintCentredCaption(TCanvas& canvas, const std::wstring& caption) {
    canvas.setFont(font());
    canvas.font().color = roleColor(enabled() ? TColorRole::text : TColorRole::grayText, font().color);
    // The caption is drawn over the panel without a background of its own.
    canvas.brush().style = TBrushStyle::bsClear;
    const int tw = canvas.TextWidth(caption);
    const int th = canvas.TextHeight(caption);
    TRect rect;
    rect.left = width() / 2 - tw / 2;
    rect.top = height() / 2 - th / 2;
    rect.right = rect.left + tw;
    rect.bottom = rect.top + th;
    canvas.DrawTextW(caption, rect, DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS);
}
