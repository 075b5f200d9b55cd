#pragma once
// Text labels. TLabel shows its caption on one line or word-wrapped, aligned left, centred or
// right, and can size itself to its text: on one line to the text's width and height, word-wrapped
// to the height of the text wrapped at its current width. TJstLabel wraps its caption and justifies
// every line but the last of each paragraph to the full width.
//
// The background is the label's colour, or its parent's surface colour while the label is
// transparent or takes its parent's colour (the default, until a colour is given).

#include "toolkit/Control.h"

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

class TLabel : public TControl {
public:
    TLabel();

    bool autoSize() const { return FAutoSize; }
    void setAutoSize(bool value);
    bool wordWrap() const { return FWordWrap; }
    void setWordWrap(bool value);
    bool transparent() const { return FTransparent; }
    void setTransparent(bool value);
    TAlignment alignment() const { return FAlignment; }
    void setAlignment(TAlignment value);
    // Giving the label a colour of its own ends parentColor, as with the platform's labels.
    bool parentColor() const { return FParentColor; }
    void setParentColor(bool value);
    void setColor(TColor value);
    // A label that opens a page when clicked (the About window's web address): screen readers
    // hear a link, Tab stops at it, Enter opens it, and a focus mark shows round it.
    bool isLink() const { return FLink; }
    void setLink(bool value);

    TColor surfaceColor() const override;
    // Static text (a link) named by its caption.
    plat::TAccessibleItem accessible() const override;
    // Sizes the label to its text now, when autoSize is on.
    void adjustBounds();

protected:
    void paint(TCanvas& canvas) override;
    void textChanged() override;
    void fontChanged() override;
    void resize() override;
    void keyDown(int& key, TShiftState shift) override;
    void focusGained() override;
    void focusLost() override;

    // Fills the background and draws the text's lines; TJstLabel draws them justified.
    virtual void paintLines(TCanvas& canvas);

private:
    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FTransparent = false;
    TAlignment FAlignment = taLeftJustify;
    bool FParentColor = true;
    bool FAdjusting = false;
    bool FLink = false;
};

class TJstLabel : public TLabel {
public:
    TJstLabel();

protected:
    void paintLines(TCanvas& canvas) override;
};
