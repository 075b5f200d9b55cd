#include "toolkit/Panel.h"

#include "toolkit/ColorRoles.h"

TPanel::TPanel() {
    setBounds(0, 0, 185, 41);
}

void TPanel::setBevelOuter(TBevelCut value) {
    if (value != FBevelOuter) {
        FBevelOuter = value;
        invalidate();
    }
}

void TPanel::textChanged() {
    invalidate();
    TAlignedContainer::textChanged();
}

void TPanel::paint(TCanvas& canvas) {
    TCanvasLock lock(canvas);
    canvas.brush().setColor(surfaceColor());
    canvas.FillRect(clientRect());
    if (FBevelOuter != bvNone && width() > 0 && height() > 0) {
        const TColor light = roleColor(TColorRole::text, clWhite);
        const TColor shadow = roleColor(TColorRole::text, hexColor(0xA0A0A0));
        const TColor topLeft = FBevelOuter == bvRaised ? light : shadow;
        const TColor bottomRight = FBevelOuter == bvRaised ? shadow : light;
        canvas.pen().color = topLeft;
        canvas.MoveTo(0, height() - 1);
        canvas.LineTo(0, 0);
        canvas.LineTo(width(), 0);
        canvas.pen().color = bottomRight;
        canvas.MoveTo(width() - 1, 0);
        canvas.LineTo(width() - 1, height() - 1);
        canvas.LineTo(-1, height() - 1);
    }
    if (!caption().empty()) {
        canvas.setFont(font());
        canvas.font().color = roleColor(TColorRole::text, font().color);
        canvas.brush().style = TBrushStyle::bsClear;
        const int tw = canvas.TextWidth(caption());
        const int th = canvas.TextHeight(caption());
        const int x = width() / 2 - tw / 2;
        const int y = height() / 2 - th / 2;
        canvas.DrawTextW(caption(), TRect{x, y, x + tw, y + th}, DT_SINGLELINE);
    }
}

TW7Panel::TW7Panel() : FStartColor(hexColor(0xFFFFFF)), FEndColor(hexColor(0xE3E9F1)) {
    setBounds(0, 0, 185, 41);
}

void TW7Panel::setStartColor(TColor value) {
    if (value != FStartColor) {
        FStartColor = value;
        invalidate();
    }
}

void TW7Panel::setEndColor(TColor value) {
    if (value != FEndColor) {
        FEndColor = value;
        invalidate();
    }
}

TColor TW7Panel::gradientAt(TColor start, TColor end, int y, int height) {
    if (height <= 1) {
        return start;
    }
    auto mix = [&](std::uint8_t a, std::uint8_t b) {
        return static_cast<std::uint8_t>(a +
                                         ((b - a) * y + (height - 1) / 2 * (b >= a ? 1 : -1)) / (height - 1));
    };
    return RGBColor(mix(redOf(start), redOf(end)), mix(greenOf(start), greenOf(end)),
                    mix(blueOf(start), blueOf(end)));
}

TColor TW7Panel::surfaceColor() const {
    return roleColor(TColorRole::window, gradientAt(FStartColor, FEndColor, height() / 2, height()));
}

void TW7Panel::paint(TCanvas& canvas) {
    TCanvasLock lock(canvas);
    const int h = height();
    for (int y = 0; y < h; ++y) {
        canvas.brush().setColor(roleColor(TColorRole::window, gradientAt(FStartColor, FEndColor, y, h)));
        canvas.FillRect(TRect{0, y, width(), y + 1});
    }
}
