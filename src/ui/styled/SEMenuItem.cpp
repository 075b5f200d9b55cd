#include "ui/styled/SEMenuItem.h"

#include "toolkit/ColorRoles.h"
#include "toolkit/FocusMark.h"

namespace {

std::int32_t iconPixels(TSEButtonIconSize size) {
    switch (size) {
    case ico16px:
        return 16;
    case ico24px:
        return 24;
    case ico48px:
        return 48;
    case ico32px:
        break;
    }
    return 32;
}

} // namespace

TSECustomMenuItem::TSECustomMenuItem()
    : FBorderColor(hexColor(0x40484F)), FBorderColorHover(hexColor(0x000000)),
      FBorderColorAction(hexColor(0x000000)), FBackgroundColor(hexColor(0x55606A)),
      FActiveColor(hexColor(0x55C5FF)), FFontColor(hexColor(0xDCDCDC)), FFontFocusColor(hexColor(0xDCDCDC)),
      FFontActiveColor(hexColor(0xDCDCDC)), FHoverColor(hexColor(0x5B6A75)),
      FActionColor(hexColor(0x000000)) {
    setBounds(left(), top(), 50, 30);
    setAcceptsControls(true);
    TFont initial = font();
    initial.name = L"Arial";
    initial.size = 9;
    initial.color = FFontColor;
    setFont(initial);
    setCursor(crHandPoint);
    setTabStop(true);
}

void TSECustomMenuItem::keyDown(int& key, TShiftState shift) {
    TSEControl::keyDown(key, shift);
    if ((key == VK_RETURN || key == VK_SPACE) && (shift & (ssCtrl | ssAlt)) == 0) {
        key = 0;
        click();
    }
}

void TSECustomMenuItem::setCaption(const std::wstring& value) {
    if (value == FCaption) {
        return;
    }
    FCaption = value;
    accessibleNotify(plat::TAccEvent::nameChange);
}

plat::TAccessibleItem TSECustomMenuItem::accessible() const {
    plat::TAccessibleItem item = TSEControl::accessible();
    const bool dropsMenu = FArrow && FArrowDirection == atDown;
    item.role = dropsMenu ? plat::TAccRole::menuButton : plat::TAccRole::pushButton;
    item.name = accessibleNameOr(FCaption);
    if (dropsMenu) {
        item.states |= plat::asHasPopup;
    }
    item.defaultAction = L"Press";
    return item;
}

void TSECustomMenuItem::setActionColor(TColor value) {
    FActionColor = value;
    invalidate();
}

void TSECustomMenuItem::setBorderColorAction(TColor value) {
    FBorderColorAction = value;
    invalidate();
}

void TSECustomMenuItem::setBorderColorHover(TColor value) {
    FBorderColorHover = value;
    invalidate();
}

void TSECustomMenuItem::setArrowDirection(TW7ArrowType value) {
    FArrowDirection = value;
    FArrowHeight = value == atDown || value == atUp ? 5 : 9;
    invalidate();
}

void TSECustomMenuItem::setImageIndex(std::int32_t value) {
    FImageIndex = value;
    invalidate();
}

void TSECustomMenuItem::setIcoSize(TSEButtonIconSize value) {
    FIcoSize = value;
    FIconHeight = iconPixels(value);
    invalidate();
}

void TSECustomMenuItem::mouseEnter() {
    FHovered = true;
    paintNow();
}

void TSECustomMenuItem::mouseLeave() {
    FHovered = false;
    paintNow();
}

void TSECustomMenuItem::buttonPressed(TMouseButton button, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        FAction = true;
    }
    TSEControl::buttonPressed(button, x, y);
}

void TSECustomMenuItem::buttonReleased(TMouseButton button, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        FAction = false;
    }
    TSEControl::buttonReleased(button, x, y);
}

// A release that never comes (the button disabled, or the focus taken, while held) must not leave
// the pressed look behind: the press ends where the base class ends LeftButtonPressed.
void TSECustomMenuItem::focusLost() {
    FAction = false;
    TSEControl::focusLost();
}

void TSECustomMenuItem::enabledChanged() {
    FAction = false;
    TSEControl::enabledChanged();
}

void TSECustomMenuItem::dpiChanged(int oldDpi, int newDpi) {
    FActiveWidth = rescaled(FActiveWidth, oldDpi, newDpi);
    TSEControl::dpiChanged(oldDpi, newDpi);
}

TColor TSECustomMenuItem::surfaceColor() const {
    return roleColor(TColorRole::buttonFace, FBackgroundColor);
}

TColor TSECustomMenuItem::textColor() const {
    if (!enabled()) {
        return roleColor(TColorRole::grayText, font().color);
    }
    return roleColor(FHovered || FAction ? TColorRole::highlightText : TColorRole::buttonText, font().color);
}

void TSECustomMenuItem::paint(TCanvas& canvas) {
    TCanvasLock lock(canvas);
    const int w = width();
    const int h = height();

    // In high contrast a hovered or pressed button shows the system's highlight.
    const bool hot = FHovered || FAction;
    TColor outline = FBorderColor;
    TColor fill = FBackgroundColor;
    if (FHovered) {
        outline = FBorderColorHover;
        fill = FHoverColor;
    }
    if (FAction) {
        outline = FBorderColorAction;
        fill = FActionColor;
    }
    outline = roleColor(TColorRole::buttonText, outline);
    fill = roleColor(hot ? TColorRole::highlight : TColorRole::buttonFace, fill);

    // Sides without a border lie one pixel outside the control, so their outline is clipped away.
    // The border is a design pixel thick: at another DPI its scaled thickness.
    const int t = scale(1);
    const int x1 = hasBorder(FBorders, bLeft) ? 0 : -t;
    const int y1 = hasBorder(FBorders, bTop) ? 0 : -t;
    const int x2 = hasBorder(FBorders, bRight) ? w : w + t;
    const int y2 = hasBorder(FBorders, bBottom) ? h : h + t;

    canvas.pen().color = outline;
    canvas.brush().setColor(outline);
    canvas.Rectangle(x1, y1, x2, y2);
    canvas.brush().setColor(fill);
    canvas.pen().color = fill;
    canvas.Rectangle(x1 + t, y1 + t, x2 - t, y2 - t);

    if (FActive) {
        const TColor bar = roleColor(hot ? TColorRole::highlightText : TColorRole::highlight, FActiveColor);
        canvas.brush().setColor(bar);
        canvas.pen().color = bar;
        if (FActivePosition == apRight) {
            canvas.Rectangle(x2 - t - FActiveWidth, 0, w + FActiveWidth, h);
        } else {
            canvas.Rectangle(0, 0, FActiveWidth, h);
        }
    }

    PaintContent(canvas);

    if (focused()) {
        const int inset = scale(3);
        drawFocusMark(canvas, TRect{inset, inset, w - inset, h - inset}, textColor(), dpi());
    }
}

void TSECustomMenuItem::PaintContent(TCanvas& canvas) {
    const int w = width();
    const int h = height();
    canvas.brush().style = TBrushStyle::bsClear;
    canvas.setFont(font());
    canvas.font().color = textColor();

    const bool hasIcon = FImages != nullptr && FImageIndex >= 0 && FImageIndex < FImages->count();
    // The icon is the list's picture, drawn for the button's DPI: its size, not the design's, places it.
    const int icon = hasIcon ? FImages->height() : 0;
    const int textLeft = hasIcon ? icon + scale(15) : 0;
    const int textShift = hasIcon ? icon / 2 + scale(2) : 0;
    const int tw = canvas.TextWidth(FCaption);
    const int th = canvas.TextHeight(FCaption);

    TRect text;
    if (FImgAlign == seAlTop) {
        text.left = w / 2 - tw / 2;
        text.top = h / 2 - th / 2 + textShift;
    } else {
        text.left = textLeft;
        text.top = h / 2 - th / 2;
    }
    text.right = text.left + tw;
    text.bottom = text.top + th;
    canvas.DrawTextW(FCaption, text, DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS);

    if (hasIcon) {
        if (FImgAlign == seAlTop) {
            canvas.drawImage(*FImages, FImageIndex, w / 2 - icon / 2, h / 2 - icon / 2 - scale(8));
        } else {
            canvas.drawImage(*FImages, FImageIndex, scale(8), h / 2 - icon / 2);
        }
    }

    if (FArrow) {
        const int reserve = FArrowDirection == atDown || FArrowDirection == atUp ? scale(20) : scale(16);
        DrawArrowGlyph(canvas, canvas.font().color, w - reserve, h / 2 - scale(FArrowHeight) / 2,
                       FArrowDirection, dpi());
    }
}
