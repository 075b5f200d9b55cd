#include "toolkit/SpinEdit.h"

#include "toolkit/ColorRoles.h"

#include "platform/WidgetServices.h"

#include <algorithm>
#include <limits>

namespace {

constexpr int kButtonWidth = 17;
constexpr TColor kButtonFace = hexColor(0xF0F0F0);
constexpr TColor kButtonLine = hexColor(0xABADB3);
constexpr TColor kArrow = hexColor(0x404040);
constexpr TColor kArrowDisabled = hexColor(0xA0A0A0);

bool isSpace(wchar_t ch) {
    return ch == L' ' || ch == L'\t';
}

// A small triangle, 7 pixels wide and 4 high at 96 DPI, centred in box, pointing up or down; at
// another dpi each design row and column is a scaled run of pixels.
void drawArrow(TCanvas& canvas, const TRect& box, bool up, TColor color, int dpi) {
    const int left = box.left + box.width() / 2 - scaled(3, dpi);
    const int top = box.top + (box.height() - scaled(4, dpi)) / 2;
    canvas.brush().setColor(color);
    for (int row = 0; row < 4; ++row) {
        const int half = up ? row : 3 - row;
        canvas.FillRect(TRect{left + scaled(3 - half, dpi), top + scaled(row, dpi),
                              left + scaled(4 + half, dpi), top + scaled(row + 1, dpi)});
    }
}

} // namespace

TSpinEdit::TSpinEdit() {
    setBounds(left(), top(), 121, 22);
    setText(L"0");
}

std::optional<std::int32_t> TSpinEdit::parseInteger(const std::wstring& text) {
    std::size_t at = 0;
    std::size_t end = text.size();
    while (at < end && isSpace(text[at])) {
        ++at;
    }
    while (end > at && isSpace(text[end - 1])) {
        --end;
    }
    bool negative = false;
    if (at < end && (text[at] == L'+' || text[at] == L'-')) {
        negative = text[at] == L'-';
        ++at;
    }
    if (at == end) {
        return std::nullopt;
    }
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; at < end; ++at) {
        if (text[at] < L'0' || text[at] > L'9') {
            return std::nullopt;
        }
        magnitude = std::min(magnitude * 10 + (text[at] - L'0'), limit); // saturates, never overflows
    }
    const std::int64_t number = negative ? -magnitude : magnitude;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        number, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

std::int32_t TSpinEdit::clamped(std::int64_t value) const {
    if (FMaxValue > FMinValue) {
        value = std::clamp<std::int64_t>(value, FMinValue, FMaxValue);
    }
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

std::int32_t TSpinEdit::value() const {
    const std::optional<std::int32_t> number = parseInteger(text());
    return number ? clamped(*number) : FMinValue;
}

void TSpinEdit::setValue(std::int64_t value) {
    setText(std::to_wstring(clamped(value)));
}

TRect TSpinEdit::upButton() const {
    const int border = scale(1);
    const int right = width() - border;
    const int middle = height() / 2;
    return TRect{right - scale(kButtonWidth), border, right, middle};
}

TRect TSpinEdit::downButton() const {
    const int border = scale(1);
    const int right = width() - border;
    const int middle = height() / 2;
    return TRect{right - scale(kButtonWidth), middle, right, height() - border};
}

TRect TSpinEdit::textArea() const {
    TRect area = TEdit::textArea();
    area.right = std::max(upButton().left - scale(2), area.left);
    return area;
}

void TSpinEdit::paint(TCanvas& canvas) {
    TEdit::paint(canvas);
    const TRect up = upButton();
    const TRect down = downButton();
    canvas.brush().setColor(roleColor(TColorRole::buttonFace, kButtonFace));
    canvas.FillRect(up);
    canvas.FillRect(down);
    canvas.pen().color = roleColor(TColorRole::buttonText, kButtonLine);
    canvas.MoveTo(up.left, up.top);
    canvas.LineTo(up.left, down.bottom);
    canvas.MoveTo(up.left, down.top);
    canvas.LineTo(up.right, down.top);
    const TColor arrow = roleColor(enabled() ? TColorRole::buttonText : TColorRole::grayText,
                                   enabled() ? kArrow : kArrowDisabled);
    const int line = scale(1);
    drawArrow(canvas, TRect{up.left + line, up.top, up.right, up.bottom}, true, arrow, dpi());
    drawArrow(canvas, TRect{down.left + line, down.top + line, down.right, down.bottom}, false, arrow, dpi());
}

bool TSpinEdit::step(int direction) {
    const std::int32_t before = value();
    setValue(std::int64_t{before} + direction * std::int64_t{FIncrement});
    const std::int32_t after = value();
    const std::int32_t end = clamped(direction > 0 ? std::numeric_limits<std::int64_t>::max()
                                                   : std::numeric_limits<std::int64_t>::min());
    return after != before && after != end;
}

void TSpinEdit::keyDown(int& key, TShiftState shift) {
    if (key == VK_UP || key == VK_DOWN) {
        step(key == VK_UP ? 1 : -1);
        selectAll();
        key = 0;
        return;
    }
    TEdit::keyDown(key, shift);
}

void TSpinEdit::mouseDown(TMouseButton button, int x, int y) {
    const bool onUp = upButton().contains(x, y);
    const bool onDown = downButton().contains(x, y);
    if (button == TMouseButton::mbLeft && (onUp || onDown)) {
        stopRepeat();
        setFocus();
        const int direction = onUp ? 1 : -1;
        if (step(direction)) {
            FHeldDirection = direction;
            FPointer = TPoint{x, y};
            if (FRepeatTimer == nullptr) {
                FRepeatTimer = std::make_unique<TTimer>();
                FRepeatTimer->setEnabled(false);
                FRepeatTimer->OnTimer = [this](TTimer*) { repeatTick(); };
            }
            FRepeatTimer->setInterval(std::max(plat::inputSettings().repeatDelayMs, 1u));
            FRepeatTimer->setEnabled(true);
        }
        return;
    }
    TEdit::mouseDown(button, x, y);
}

void TSpinEdit::repeatTick() {
    if (FHeldDirection == 0) {
        return;
    }
    // After the delay, the repeat rate.
    FRepeatTimer->setInterval(std::max(plat::inputSettings().repeatIntervalMs, 1u));
    const TRect held = FHeldDirection > 0 ? upButton() : downButton();
    // The pointer dragged off the button pauses the repetition until it comes back.
    if (held.contains(FPointer.x, FPointer.y) && !step(FHeldDirection)) {
        stopRepeat();
    }
}

void TSpinEdit::stopRepeat() {
    FHeldDirection = 0;
    // Stopped, not destroyed: this may run inside the timer's own tick.
    if (FRepeatTimer != nullptr) {
        FRepeatTimer->setEnabled(false);
    }
}

void TSpinEdit::mouseMove(int x, int y) {
    FPointer = TPoint{x, y};
    TEdit::mouseMove(x, y);
}

void TSpinEdit::mouseUp(TMouseButton button, int x, int y) {
    if (button == TMouseButton::mbLeft) {
        stopRepeat();
    }
    TEdit::mouseUp(button, x, y);
}

void TSpinEdit::focusLost() {
    stopRepeat();
    correctText();
    TEdit::focusLost();
}

void TSpinEdit::enabledChanged() {
    // A disabled box hears no release.
    stopRepeat();
    TEdit::enabledChanged();
}
