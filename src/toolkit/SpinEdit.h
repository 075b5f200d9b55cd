#pragma once
// A spin box: an edit box for a whole number with up and down buttons at its right edge. The
// buttons and the Up and Down keys step the value within minValue to maxValue; a button held down
// repeats its step after the keyboard's repeat delay and then at its repeat rate, while the pointer
// stays on it, until the release or the limit. Any text can be typed, and the text is corrected
// (brought into the range, or minValue when it is not a number) when the box loses the focus. The
// limits apply when maxValue is above minValue.

#include "toolkit/Edit.h"
#include "toolkit/Timer.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

class TSpinEdit : public TEdit {
public:
    TSpinEdit();

    std::int32_t minValue() const { return FMinValue; }
    void setMinValue(std::int32_t value) { FMinValue = value; }
    std::int32_t maxValue() const { return FMaxValue; }
    void setMaxValue(std::int32_t value) { FMaxValue = value; }
    std::int32_t increment() const { return FIncrement; }
    void setIncrement(std::int32_t value) { FIncrement = value; }

    // The text as a number within the limits; minValue when the text is not a number.
    std::int32_t value() const;
    // Writes the number, brought within the limits, as the text.
    void setValue(std::int64_t value);
    // Makes the text the number value() reads from it.
    void correctText() { setValue(value()); }

    // The whole number a text holds: spaces around it, an optional sign, then only digits. Numbers
    // beyond the 32-bit range come out as the range's nearer end. None for any other text.
    static std::optional<std::int32_t> parseInteger(const std::wstring& text);

    // The two buttons, in client coordinates.
    TRect upButton() const;
    TRect downButton() const;

protected:
    void paint(TCanvas& canvas) override;
    void keyDown(int& key, TShiftState shift) override;
    void mouseDown(TMouseButton button, int x, int y) override;
    void mouseMove(int x, int y) override;
    void mouseUp(TMouseButton button, int x, int y) override;
    void focusLost() override;
    void enabledChanged() override;
    TRect textArea() const override;

private:
    std::int32_t clamped(std::int64_t value) const;
    // One step up (direction 1) or down (-1); answers whether a further step could change the value.
    bool step(int direction);
    // A held button's step, at each tick of the repeat timer.
    void repeatTick();
    void stopRepeat();

    int FHeldDirection = 0; // the button held down: 1 up, -1 down, 0 none
    TPoint FPointer;        // where the pointer is while a button is held
    std::unique_ptr<TTimer> FRepeatTimer;

    std::int32_t FMinValue = 0;
    std::int32_t FMaxValue = 0;
    std::int32_t FIncrement = 1;
};
