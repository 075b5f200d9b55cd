#pragma once
// A spin box: an edit box for a whole number with up and down buttons at its right edge. The
// buttons and the Up and Down keys step the value within minValue to maxValue; any text can be
// typed, and the text is corrected (brought into the range, or minValue when it is not a number)
// when the box loses the focus. The limits apply when maxValue is above minValue.

#include "toolkit/Edit.h"

#include <cstdint>
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
    void focusLost() override;
    TRect textArea() const override;

private:
    std::int32_t clamped(std::int64_t value) const;

    std::int32_t FMinValue = 0;
    std::int32_t FMaxValue = 0;
    std::int32_t FIncrement = 1;
};
