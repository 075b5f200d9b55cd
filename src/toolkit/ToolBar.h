#pragma once
// A flat toolbar and its buttons. The bar is filled with its colour and a one-pixel line along its
// bottom; its buttons are its children, placed by their bounds (or aligned as any child). A
// button shows an image of the bar's image list and its caption after it (the image alone, centred,
// when the caption is empty); the pointer over it shows a light box with a frame, a press a darker
// one; a disabled button shows its caption greyed and its image faded. A click raises OnClick and
// then drops down the button's menu, if it has one, below the button.

#include "toolkit/AlignedContainer.h"
#include "toolkit/ImageList.h"
#include "toolkit/Menu.h"

#include <string>

class TW7ToolBar : public TAlignedContainer {
public:
    TW7ToolBar();

    // Not owned: the list must outlive the bar.
    TImageList* images() const { return FImages; }
    void setImages(TImageList* value);
    TColor lineColor() const { return FLineColor; }
    void setLineColor(TColor value);
    plat::TAccessibleItem accessible() const override;

protected:
    void paint(TCanvas& canvas) override;

private:
    TImageList* FImages = nullptr;
    TColor FLineColor;
};

class TW7ToolButton : public TControl {
public:
    TW7ToolButton();

    int imageIndex() const { return FImageIndex; }
    void setImageIndex(int value);
    // Shown as a tooltip where the platform has them; kept for the window's code.
    const std::wstring& hint() const { return FHint; }
    void setHint(const std::wstring& value) { FHint = value; }
    // Not owned: the menu must outlive the button.
    TPopupMenu* dropdownMenu() const { return FDropdownMenu; }
    void setDropdownMenu(TPopupMenu* value) { FDropdownMenu = value; }
    // Stored: the toolkit's buttons never take the focus when clicked.
    bool focusOnClick() const { return FFocusOnClick; }
    void setFocusOnClick(bool value) { FFocusOnClick = value; }
    // The images of the bar the button is on; null elsewhere.
    TImageList* images() const;

    bool hovered() const { return FHovered; }
    bool pressed() const { return FPressed; }
    // A push button (a menu button with a drop-down menu) named by its caption, else its hint.
    plat::TAccessibleItem accessible() const override;

    // The looks, as colours.
    static constexpr TColor kHoverFill = hexColor(0xE5F3FB);
    static constexpr TColor kHoverFrame = hexColor(0x70C0E7);
    static constexpr TColor kPressedFill = hexColor(0xCCE8FF);
    static constexpr TColor kPressedFrame = hexColor(0x569DE5);
    static constexpr TColor kDisabledText = hexColor(0xA0A0A0);

protected:
    void paint(TCanvas& canvas) override;
    void mouseEnter() override;
    void mouseLeave() override;
    void mouseDown(TMouseButton button, int x, int y) override;
    void mouseUp(TMouseButton button, int x, int y) override;
    void click() override;
    // Enter and Space press the focused button.
    void keyDown(int& key, TShiftState shift) override;
    void focusGained() override;
    void focusLost() override;
    void textChanged() override;
    void enabledChanged() override;

private:
    int FImageIndex = -1;
    std::wstring FHint;
    TPopupMenu* FDropdownMenu = nullptr;
    bool FFocusOnClick = true;
    bool FHovered = false;
    bool FPressed = false;
};
