#include "toolkit/ToolBar.h"

#include "toolkit/ColorRoles.h"

#include "toolkit/FocusMark.h"

#include "toolkit/Form.h"

TW7ToolBar::TW7ToolBar() : FLineColor(hexColor(0xD5DFE5)) {
    setBounds(0, 0, 150, 30);
    setColor(hexColor(0xFFFFFF));
}

void TW7ToolBar::setImages(TImageList* value) {
    FImages = value;
    for (int i = 0; i < controlCount(); ++i) {
        controls(i)->invalidate();
    }
}

void TW7ToolBar::setLineColor(TColor value) {
    if (value != FLineColor) {
        FLineColor = value;
        invalidate();
    }
}

void TW7ToolBar::paint(TCanvas& canvas) {
    TCanvasLock lock(canvas);
    canvas.brush().setColor(surfaceColor());
    canvas.FillRect(clientRect());
    canvas.brush().setColor(roleColor(TColorRole::text, FLineColor));
    canvas.FillRect(TRect{0, height() - 1, width(), height()});
}

TW7ToolButton::TW7ToolButton() {
    setBounds(0, 0, 23, 22);
    setTabStop(true);
}

void TW7ToolButton::keyDown(int& key, TShiftState shift) {
    TControl::keyDown(key, shift);
    if ((key == VK_RETURN || key == VK_SPACE) && (shift & (ssCtrl | ssAlt)) == 0) {
        key = 0;
        click();
    }
}

void TW7ToolButton::focusGained() {
    invalidate();
    TControl::focusGained();
}

void TW7ToolButton::focusLost() {
    invalidate();
    TControl::focusLost();
}

void TW7ToolButton::setImageIndex(int value) {
    if (value != FImageIndex) {
        FImageIndex = value;
        invalidate();
    }
}

TImageList* TW7ToolButton::images() const {
    const auto* bar = dynamic_cast<const TW7ToolBar*>(parent());
    return bar != nullptr ? bar->images() : nullptr;
}

void TW7ToolButton::mouseEnter() {
    FHovered = true;
    invalidate();
    TControl::mouseEnter();
}

void TW7ToolButton::mouseLeave() {
    FHovered = false;
    invalidate();
    TControl::mouseLeave();
}

void TW7ToolButton::mouseDown(TMouseButton button, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        FPressed = true;
        invalidate();
    }
    TControl::mouseDown(button, x, y);
}

void TW7ToolButton::mouseUp(TMouseButton button, int x, int y) {
    if (button == TMouseButton::mbLeft && FPressed) {
        FPressed = false;
        invalidate();
    }
    TControl::mouseUp(button, x, y);
}

void TW7ToolButton::click() {
    TControl::click();
    if (FDropdownMenu != nullptr) {
        const TPoint below = clientToScreen(*this, TPoint{0, height()});
        FDropdownMenu->Popup(below.x, below.y);
    }
}

void TW7ToolButton::textChanged() {
    invalidate();
    TControl::textChanged();
}

void TW7ToolButton::enabledChanged() {
    FPressed = false;
    TControl::enabledChanged();
}

void TW7ToolButton::paint(TCanvas& canvas) {
    TCanvasLock lock(canvas);
    const TColor back = parent() != nullptr ? parent()->surfaceColor() : surfaceColor();
    canvas.brush().setColor(back);
    canvas.FillRect(clientRect());
    if (enabled() && (FPressed || FHovered)) {
        canvas.pen().color = roleColor(TColorRole::text, FPressed ? kPressedFrame : kHoverFrame);
        canvas.pen().width = 1;
        canvas.brush().setColor(roleColor(TColorRole::highlight, FPressed ? kPressedFill : kHoverFill));
        canvas.Rectangle(0, 0, width(), height());
        canvas.brush().setColor(canvas.pen().color);
        canvas.frameBand(clientRect(), scale(1));
    }

    const TImageList* list = images();
    const TBitmap32* picture = list != nullptr ? list->image(FImageIndex) : nullptr;
    // In high contrast the caption is the system's text, or its highlight's text on a hovered button.
    const bool hot = enabled() && (FPressed || FHovered);
    const TColor ink = roleColor(!enabled() ? TColorRole::grayText
                                 : hot      ? TColorRole::highlightText
                                            : TColorRole::text,
                                 enabled() ? font().color : kDisabledText);
    canvas.setFont(font());
    canvas.font().color = ink;
    const std::wstring& text = caption();
    const int tw = text.empty() ? 0 : canvas.TextWidth(text);
    const int iw = picture != nullptr ? picture->width : 0;
    const int gap = picture != nullptr && !text.empty() ? scale(4) : 0;
    // Image and caption side by side, centred together; a caption too wide starts at the left.
    int x = (width() - (iw + gap + tw)) / 2;
    if (x < scale(3)) {
        x = scale(3);
    }
    if (picture != nullptr) {
        const int y = (height() - picture->height) / 2;
        if (enabled()) {
            canvas.drawBitmap(x, y, *picture);
        } else {
            TBitmap32 faded = *picture;
            for (TRGBA& pixel : faded.pixels) {
                pixel.a = static_cast<std::uint8_t>(pixel.a / 2);
            }
            canvas.drawBitmap(x, y, faded);
        }
        x += iw + gap;
    }
    if (!text.empty()) {
        canvas.brush().style = TBrushStyle::bsClear;
        const int th = canvas.TextHeight(text);
        const int y = (height() - th) / 2;
        canvas.DrawTextW(text, TRect{x, y, std::min(x + tw, width() - 2), y + th},
                         DT_SINGLELINE | DT_WORD_ELLIPSIS);
    }
    if (focused()) {
        const int inset = scale(2);
        drawFocusMark(canvas, TRect{inset, inset, width() - inset, height() - inset}, ink, dpi());
    }
}

plat::TAccessibleItem TW7ToolBar::accessible() const {
    plat::TAccessibleItem item = TAlignedContainer::accessible();
    item.role = plat::TAccRole::toolBar;
    return item;
}

plat::TAccessibleItem TW7ToolButton::accessible() const {
    plat::TAccessibleItem item = TControl::accessible();
    item.role = FDropdownMenu != nullptr ? plat::TAccRole::menuButton : plat::TAccRole::pushButton;
    item.name = accessibleNameOr(caption().empty() ? FHint : caption());
    if (FDropdownMenu != nullptr) {
        item.states |= plat::asHasPopup;
    }
    item.defaultAction = L"Press";
    return item;
}
