#include "toolkit/VistaProBar.h"

#include "toolkit/ColorRoles.h"

#include <algorithm>
#include <string>

TVistaProBar::TVistaProBar() : FBackgroundColor(hexColor(0xE6E6E6)), FBorderColor(hexColor(0xBCBCBC)) {
    setBounds(0, 0, 150, 17);
    setColor(hexColor(0x06B025));
    FTimer.setEnabled(false);
    FTimer.setInterval(FSpeed);
    FTimer.OnTimer = [this](TTimer*) { step(); };
}

void TVistaProBar::setPosition(std::int64_t value) {
    if (value != FPosition) {
        const std::wstring before = accessible().value;
        FPosition = value;
        invalidate();
        if (accessible().value != before) {
            accessibleNotify(plat::TAccEvent::valueChange);
        }
    }
}

void TVistaProBar::setMax(std::int64_t value) {
    if (value != FMax) {
        FMax = value;
        invalidate();
    }
}

void TVistaProBar::setBackgroundColor(TColor value) {
    if (value != FBackgroundColor) {
        FBackgroundColor = value;
        invalidate();
    }
}

void TVistaProBar::setBorderColor(TColor value) {
    if (value != FBorderColor) {
        FBorderColor = value;
        invalidate();
    }
}

void TVistaProBar::setMarquee(bool value) {
    if (value == FMarquee) {
        return;
    }
    FMarquee = value;
    if (value) {
        FOffset = -(FMarqueeBlock + FFade); // enters from the left
    }
    FTimer.setEnabled(value);
    invalidate();
}

void TVistaProBar::setSpeed(unsigned value) {
    FSpeed = value > 0 ? value : 1;
    FTimer.setInterval(FSpeed);
}

void TVistaProBar::setShowPositionText(bool value) {
    if (value != FShowPositionText) {
        FShowPositionText = value;
        invalidate();
    }
}

int TVistaProBar::fillWidth() const {
    const int inside = std::max(width() - 2 * scale(1), 0);
    if (FMax <= 0 || FPosition <= 0) {
        return 0;
    }
    if (FPosition >= FMax) {
        return inside;
    }
    return static_cast<int>(static_cast<long double>(inside) * FPosition / FMax);
}

void TVistaProBar::step() {
    if (!FMarquee) {
        return;
    }
    const int inside = std::max(width() - 2 * scale(1), 0);
    FOffset += kStep;
    if (FOffset > inside + FFade) {
        FOffset = -(FMarqueeBlock + FFade); // starts again from the left
    }
    invalidate();
}

void TVistaProBar::paint(TCanvas& canvas) {
    TCanvasLock lock(canvas);
    const TColor frame = roleColor(TColorRole::text, FBorderColor);
    const TColor background = roleColor(TColorRole::window, FBackgroundColor);
    const TColor full = roleColor(TColorRole::highlight, color());
    canvas.pen().color = frame;
    canvas.pen().width = 1;
    canvas.brush().setColor(background);
    canvas.Rectangle(0, 0, width(), height());
    canvas.brush().setColor(frame);
    const int border = scale(1);
    canvas.frameBand(clientRect(), border);
    const TRect inside{border, border, std::max(width() - border, border),
                       std::max(height() - border, border)};
    if (inside.empty()) {
        return;
    }
    if (!FMarquee) {
        canvas.brush().setColor(full);
        canvas.FillRect(TRect{inside.left, inside.top, inside.left + fillWidth(), inside.bottom});
        if (FShowPositionText) {
            const std::wstring text =
                std::to_wstring(FMax > 0 ? std::clamp<std::int64_t>(FPosition * 100 / FMax, 0, 100) : 0) +
                L" %";
            canvas.setFont(font());
            canvas.font().color = roleColor(TColorRole::text, font().color);
            canvas.brush().style = TBrushStyle::bsClear;
            const int tw = canvas.TextWidth(text);
            const int th = canvas.TextHeight(text);
            const int x = width() / 2 - tw / 2;
            const int y = height() / 2 - th / 2;
            canvas.DrawTextW(text, TRect{x, y, x + tw, y + th}, DT_SINGLELINE);
        }
        return;
    }
    // The block: fade pixels rising to the colour, the full block, fade pixels falling again.
    auto mix = [&](int weight, int of) {
        auto channel = [&](std::uint8_t a, std::uint8_t b) {
            return static_cast<std::uint8_t>((a * (of - weight) + b * weight) / of);
        };
        return RGBColor(channel(redOf(background), redOf(full)), channel(greenOf(background), greenOf(full)),
                        channel(blueOf(background), blueOf(full)));
    };
    const int start = inside.left + FOffset;
    for (int i = -FFade; i < FMarqueeBlock + FFade; ++i) {
        const int x = start + i;
        if (x < inside.left || x >= inside.right) {
            continue;
        }
        TColor c = full;
        if (i < 0) {
            c = mix(FFade + i + 1, FFade + 1);
        } else if (i >= FMarqueeBlock) {
            c = mix(FMarqueeBlock + FFade - i, FFade + 1);
        }
        canvas.brush().setColor(c);
        canvas.FillRect(TRect{x, inside.top, x + 1, inside.bottom});
    }
}

plat::TAccessibleItem TVistaProBar::accessible() const {
    plat::TAccessibleItem item = TControl::accessible();
    item.role = plat::TAccRole::progressBar;
    item.states |= plat::asReadOnly;
    if (!FMarquee) {
        const std::int64_t done = FMax <= 0 ? 0 : std::clamp<std::int64_t>(FPosition, 0, FMax);
        const auto share =
            FMax <= 0 ? 0 : static_cast<std::int64_t>(static_cast<long double>(done) * 100 / FMax);
        item.value = std::to_wstring(share) + L"%";
    }
    return item;
}
