#include "toolkit/CheckBox.h"

#include "toolkit/ColorRoles.h"

#include "toolkit/FocusMark.h"
#include "toolkit/TextLayout.h"

#include <algorithm>

namespace {

constexpr int kBoxSize = 13;
constexpr int kCaptionGap = 4;
constexpr TColor kBoxBorder = hexColor(0x8E8F8F);
constexpr TColor kBoxBorderDisabled = hexColor(0xBCBCBC);
constexpr TColor kBoxFill = clWhite;
constexpr TColor kBoxFillDisabled = hexColor(0xF4F4F4);
constexpr TColor kTick = hexColor(0x333333);
constexpr TColor kTickDisabled = hexColor(0xA0A0A0);
constexpr TColor kDisabledText = hexColor(0x6D6D6D);

// The tick: two strokes two pixels thick at 96 DPI, from the box's left middle down, then up to the
// right; at another dpi its points and thickness scale.
void drawTick(TCanvas& canvas, const TRect& box, TColor color, int dpi) {
    canvas.pen().color = color;
    auto s = [dpi](int length) { return scaled(length, dpi); };
    for (int thickness = 0; thickness < s(2); ++thickness) {
        canvas.MoveTo(box.left + s(3), box.top + s(5) + thickness);
        canvas.LineTo(box.left + s(5), box.top + s(7) + thickness);
        canvas.LineTo(box.left + s(10), box.top + s(2) + thickness);
    }
}

} // namespace

TCheckBox::TCheckBox() {
    setBounds(0, 0, 97, 17);
    setTabStop(true);
}

void TCheckBox::setChecked(bool value) {
    if (value == FChecked) {
        return;
    }
    FChecked = value;
    invalidate();
    accessibleNotify(plat::TAccEvent::stateChange);
    if (OnChange) {
        OnChange(this);
    }
}

TColor TCheckBox::surfaceColor() const {
    return parent() != nullptr ? parent()->surfaceColor() : TControl::surfaceColor();
}

TRect TCheckBox::boxRect() const {
    const int size = scale(kBoxSize);
    const int top = (height() - size) / 2;
    return ::boundsRect(0, top, size, size);
}

int TCheckBox::fittingWidth() const {
    return boxRect().right + scale(kCaptionGap) + textWidthIn(font(), caption()) + 2;
}

void TCheckBox::paint(TCanvas& canvas) {
    canvas.brush().setColor(surfaceColor());
    canvas.FillRect(clientRect());

    const TRect box = boxRect();
    const TColorRole ink = enabled() ? TColorRole::text : TColorRole::grayText;
    canvas.pen().color = roleColor(ink, enabled() ? kBoxBorder : kBoxBorderDisabled);
    canvas.brush().setColor(roleColor(TColorRole::window, enabled() ? kBoxFill : kBoxFillDisabled));
    canvas.Rectangle(box.left, box.top, box.right, box.bottom);
    canvas.brush().setColor(canvas.pen().color);
    canvas.frameBand(box, scale(1));
    if (FChecked) {
        drawTick(canvas, box, roleColor(ink, enabled() ? kTick : kTickDisabled), dpi());
    }

    canvas.setFont(font());
    canvas.font().color = roleColor(ink, enabled() ? font().color : kDisabledText);
    canvas.brush().style = TBrushStyle::bsClear;
    const int textLeft = box.right + scale(kCaptionGap);
    const TRect textRect{textLeft, 0, width(), height()};
    canvas.DrawTextW(caption(), textRect, DT_SINGLELINE | DT_VCENTER);

    if (focused()) {
        // A dotted frame one pixel round the caption.
        const int textWidth = std::min(canvas.TextWidth(caption()), width() - textLeft - 2);
        const int textHeight = canvas.TextHeight(caption().empty() ? L"Wg" : caption());
        const int top = (height() - textHeight) / 2 - 1;
        const TRect frame{textLeft - 1, top, textLeft + textWidth + 1, top + textHeight + 2};
        drawFocusMark(canvas, frame, canvas.font().color, dpi());
    }
}

void TCheckBox::click() {
    setChecked(!FChecked);
    TControl::click();
}

void TCheckBox::keyPress(wchar_t ch) {
    if (ch == L' ') {
        click();
    }
}

void TCheckBox::mouseDown(TMouseButton button, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        setFocus();
    }
    TControl::mouseDown(button, x, y);
}

void TCheckBox::focusGained() {
    invalidate();
    TControl::focusGained();
}

void TCheckBox::focusLost() {
    invalidate();
    TControl::focusLost();
}

void TCheckBox::textChanged() {
    invalidate();
    TControl::textChanged();
}

void TCheckBox::fontChanged() {
    invalidate();
}

plat::TAccessibleItem TCheckBox::accessible() const {
    plat::TAccessibleItem item = TControl::accessible();
    item.role = plat::TAccRole::checkButton;
    if (FChecked) {
        item.states |= plat::asChecked;
    }
    item.defaultAction = FChecked ? L"Uncheck" : L"Check";
    return item;
}
