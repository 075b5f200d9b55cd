#pragma once
// A filled panel whose four sides can each carry a band of its own colour and thickness, with an
// optional caption centred in it. It holds child controls.

#include "ui/styled/SEControl.h"

#include <cstdint>
#include <string>

class TSEAdvCustomPanel : public TSEControl {
public:
    TSEAdvCustomPanel();

    // Only backgroundColor requests a repaint; every other write shows at the next paint. Callers
    // that change several colours repaint the panel themselves.
    TColor backgroundColor() const { return FBackgroundColor; }
    TColor surfaceColor() const override;
    void setBackgroundColor(TColor value);
    TSEBorders borders() const { return FBorders; }
    void setBorders(TSEBorders value) { FBorders = value; }
    // The panel's own caption; it hides the control text of TControl.
    const std::wstring& caption() const { return FCaption; }
    void setCaption(const std::wstring& value) { FCaption = value; }
    // A group of the texts and buttons it holds, named by its accessible name or its caption.
    plat::TAccessibleItem accessible() const override;

    // Stored for the form description; the caption is drawn in font()'s colour.
    TColor fontColor() const { return FFontColor; }
    void setFontColor(TColor value) { FFontColor = value; }
    bool showCaption() const { return FShowCaption; }
    void setShowCaption(bool value) { FShowCaption = value; }
    TColor borderLeftColor() const { return FBorderLeftColor; }
    void setBorderLeftColor(TColor value) { FBorderLeftColor = value; }
    std::int32_t borderLeftSize() const { return FBorderLeftSize; }
    void setBorderLeftSize(std::int32_t value) { FBorderLeftSize = value; }
    TColor borderRightColor() const { return FBorderRightColor; }
    void setBorderRightColor(TColor value) { FBorderRightColor = value; }
    std::int32_t borderRightSize() const { return FBorderRightSize; }
    void setBorderRightSize(std::int32_t value) { FBorderRightSize = value; }
    TColor borderTopColor() const { return FBorderTopColor; }
    void setBorderTopColor(TColor value) { FBorderTopColor = value; }
    std::int32_t borderTopSize() const { return FBorderTopSize; }
    void setBorderTopSize(std::int32_t value) { FBorderTopSize = value; }
    TColor borderBottomColor() const { return FBorderBottomColor; }
    void setBorderBottomColor(TColor value) { FBorderBottomColor = value; }
    std::int32_t borderBottomSize() const { return FBorderBottomSize; }
    void setBorderBottomSize(std::int32_t value) { FBorderBottomSize = value; }

protected:
    void paint(TCanvas& canvas) override;
    // The borders' sizes scale with the panel.
    void dpiChanged(int oldDpi, int newDpi) override;

private:
    TColor FBackgroundColor;
    TSEBorders FBorders = 0;
    TColor FBorderLeftColor;
    std::int32_t FBorderLeftSize = 1;
    TColor FBorderRightColor;
    std::int32_t FBorderRightSize = 1;
    TColor FBorderTopColor;
    std::int32_t FBorderTopSize = 1;
    TColor FBorderBottomColor;
    std::int32_t FBorderBottomSize = 1;
    std::wstring FCaption;
    TColor FFontColor;
    bool FShowCaption = true;
};

using TSEAdvPanel = TSEAdvCustomPanel;
