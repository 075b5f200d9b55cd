#pragma once
// A filled panel with 1-pixel borders of one colour on chosen sides and an optional caption
// centred in it. It holds child controls.

#include "ui/styled/SEControl.h"

#include <string>

class TSECustomPanel : public TSEControl {
public:
    TSECustomPanel();

    // Every write is stored only and shows at the next paint.
    TColor backgroundColor() const { return FBackgroundColor; }
    TColor surfaceColor() const override;
    void setBackgroundColor(TColor value) { FBackgroundColor = value; }
    TColor borderColor() const { return FBorderColor; }
    void setBorderColor(TColor value) { FBorderColor = value; }
    TSEBorders borders() const { return FBorders; }
    void setBorders(TSEBorders value) { FBorders = value; }
    // Stored for the form description; the caption is drawn in font()'s colour.
    TColor fontColor() const { return FFontColor; }
    void setFontColor(TColor value) { FFontColor = value; }
    bool showCaption() const { return FShowCaption; }
    void setShowCaption(bool value) { FShowCaption = value; }
    // The panel's own caption, written without a text-changed notification; it hides the control
    // text of TControl.
    const std::wstring& caption() const { return FCaption; }
    void setCaption(const std::wstring& value) { FCaption = value; }

protected:
    void paint(TCanvas& canvas) override;

private:
    TColor FBackgroundColor;
    TColor FBorderColor;
    TSEBorders FBorders = 0;
    std::wstring FCaption;
    TColor FFontColor;
    bool FShowCaption = true;
};

using TSEPanel = TSECustomPanel;
