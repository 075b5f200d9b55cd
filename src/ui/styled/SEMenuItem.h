#pragma once
// The flat button: a filled box with borders on chosen sides, an optional icon, a one-line caption,
// an optional arrow glyph and an optional active bar. It shows one of three looks: rest, hover
// (pointer over it) and pressed (left button held on it, wherever the pointer is).

#include "toolkit/ImageList.h"
#include "ui/styled/SEControl.h"
#include "ui/styled/SEGraphics.h"

#include <cstdint>
#include <string>

enum TSEActivePos { apLeft, apRight };

class TSECustomMenuItem : public TSEControl {
public:
    TSECustomMenuItem();

    // Writes that only store show at the next paint; the others also request a repaint.
    TColor actionColor() const { return FActionColor; }
    void setActionColor(TColor value);
    TColor borderColorAction() const { return FBorderColorAction; }
    void setBorderColorAction(TColor value);
    TColor borderColorHover() const { return FBorderColorHover; }
    void setBorderColorHover(TColor value);
    bool arrow() const { return FArrow; }
    void setArrow(bool value) { FArrow = value; }
    TW7ArrowType arrowDirection() const { return FArrowDirection; }
    void setArrowDirection(TW7ArrowType value);
    TColor hoverColor() const { return FHoverColor; }
    void setHoverColor(TColor value) { FHoverColor = value; }
    TColor borderColor() const { return FBorderColor; }
    void setBorderColor(TColor value) { FBorderColor = value; }
    TColor backgroundColor() const { return FBackgroundColor; }
    TColor surfaceColor() const override;
    void setBackgroundColor(TColor value) { FBackgroundColor = value; }
    TColor activeColor() const { return FActiveColor; }
    void setActiveColor(TColor value) { FActiveColor = value; }
    TSEBorders borders() const { return FBorders; }
    void setBorders(TSEBorders value) { FBorders = value; }
    TSEActivePos activePosition() const { return FActivePosition; }
    void setActivePosition(TSEActivePos value) { FActivePosition = value; }
    std::int32_t activeWidth() const { return FActiveWidth; }
    void setActiveWidth(std::int32_t value) { FActiveWidth = value; }
    // Stored for the form description; the text is drawn in font()'s colour.
    TColor fontColor() const { return FFontColor; }
    void setFontColor(TColor value) { FFontColor = value; }
    TColor fontFocusColor() const { return FFontFocusColor; }
    void setFontFocusColor(TColor value) { FFontFocusColor = value; }
    TColor fontActiveColor() const { return FFontActiveColor; }
    void setFontActiveColor(TColor value) { FFontActiveColor = value; }
    // Neither owned nor watched: the list must outlive the button.
    TImageList* images() const { return FImages; }
    void setImages(TImageList* value) { FImages = value; }
    // Stored with or without an image list: some buttons use it as a numeric tag.
    std::int32_t imageIndex() const { return FImageIndex; }
    void setImageIndex(std::int32_t value);
    TSEButtonIconSize icoSize() const { return FIcoSize; }
    void setIcoSize(TSEButtonIconSize value);
    TSEAlign imgAlign() const { return FImgAlign; }
    void setImgAlign(TSEAlign value) { FImgAlign = value; }
    bool active() const { return FActive; }
    void setActive(bool value) { FActive = value; }
    // The button's own caption; writing it neither notifies nor repaints. It hides the control
    // text of TControl, which the button does not draw.
    const std::wstring& caption() const { return FCaption; }
    // A change is told to screen readers, but neither repaints nor raises the text notification.
    void setCaption(const std::wstring& value);

    bool hovered() const { return FHovered; }
    bool action() const { return FAction; }
    std::int32_t iconHeight() const { return FIconHeight; }
    std::int32_t arrowHeight() const { return FArrowHeight; }

    // A push button named by its caption; a menu button while it shows a down arrow.
    plat::TAccessibleItem accessible() const override;

protected:
    void paint(TCanvas& canvas) override;
    void PaintContent(TCanvas& canvas);
    // The caption's colour: the font's, or in high contrast the system's for the button's look.
    TColor textColor() const;
    void mouseEnter() override;
    void mouseLeave() override;
    void buttonPressed(TMouseButton button, int x, int y) override;
    void buttonReleased(TMouseButton button, int x, int y) override;
    void focusLost() override;
    // Enter and Space press the focused button.
    void keyDown(int& key, TShiftState shift) override;
    void enabledChanged() override;
    // The active bar's width scales with the button.
    void dpiChanged(int oldDpi, int newDpi) override;

private:
    TColor FBorderColor;
    TColor FBorderColorHover;
    TColor FBorderColorAction;
    TColor FBackgroundColor;
    TColor FActiveColor;
    TSEBorders FBorders = 0;
    TSEActivePos FActivePosition = apRight;
    std::int32_t FActiveWidth = 8;
    TColor FFontColor;
    TColor FFontFocusColor;
    TColor FFontActiveColor;
    TImageList* FImages = nullptr;
    std::int32_t FImageIndex = -1;
    std::wstring FCaption = L"MenuItem";
    TSEButtonIconSize FIcoSize = ico32px;
    bool FArrow = false;
    TW7ArrowType FArrowDirection = atRight;
    std::int32_t FIconHeight = 32;
    TSEAlign FImgAlign = seAlTop;
    bool FActive = false;
    TColor FHoverColor;
    TColor FActionColor;
    bool FHovered = false;
    bool FAction = false;
    std::int32_t FArrowHeight = 8;
};

// The name form descriptions use.
using TSEMenuItem = TSECustomMenuItem;
