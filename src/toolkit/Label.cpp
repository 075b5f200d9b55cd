#include "toolkit/Label.h"

#include "toolkit/ColorRoles.h"
#include "toolkit/FocusMark.h"
#include "toolkit/TextLayout.h"

#include <algorithm>

TLabel::TLabel() {
    setBounds(0, 0, 65, 17);
}

void TLabel::setAutoSize(bool value) {
    FAutoSize = value;
    adjustBounds();
}

void TLabel::setWordWrap(bool value) {
    if (value != FWordWrap) {
        FWordWrap = value;
        adjustBounds();
        invalidate();
    }
}

void TLabel::setTransparent(bool value) {
    if (value != FTransparent) {
        FTransparent = value;
        invalidate();
    }
}

void TLabel::setAlignment(TAlignment value) {
    if (value != FAlignment) {
        FAlignment = value;
        invalidate();
    }
}

void TLabel::setParentColor(bool value) {
    if (value != FParentColor) {
        FParentColor = value;
        invalidate();
    }
}

void TLabel::setColor(TColor value) {
    FParentColor = false;
    TControl::setColor(value);
    invalidate();
}

TColor TLabel::surfaceColor() const {
    if ((FTransparent || FParentColor) && parent() != nullptr) {
        return parent()->surfaceColor();
    }
    return roleColor(TColorRole::window, color());
}

void TLabel::adjustBounds() {
    if (!FAutoSize || FAdjusting) {
        return;
    }
    FAdjusting = true;
    if (FWordWrap) {
        setBounds(left(), top(), width(), wrappedTextHeight(font(), caption(), width()));
    } else {
        // Only the text's own line breaks: the widest line by the number of lines.
        setBounds(left(), top(), wrappedTextWidth(font(), caption(), 0),
                  wrappedTextHeight(font(), caption(), 0));
    }
    FAdjusting = false;
}

void TLabel::textChanged() {
    adjustBounds();
    invalidate();
    TControl::textChanged();
}

void TLabel::fontChanged() {
    adjustBounds();
    TControl::fontChanged();
}

void TLabel::resize() {
    // A word-wrapped label re-wraps at its new width.
    if (FWordWrap) {
        adjustBounds();
    }
    TControl::resize();
}

void TLabel::paint(TCanvas& canvas) {
    TCanvasLock lock(canvas);
    canvas.brush().setColor(surfaceColor());
    canvas.FillRect(clientRect());
    canvas.setFont(font());
    canvas.font().color = roleColor(enabled() ? TColorRole::text : TColorRole::grayText, font().color);
    canvas.brush().style = TBrushStyle::bsClear;
    paintLines(canvas);
    if (FLink && focused()) {
        drawFocusMark(canvas, clientRect(), canvas.font().color, dpi());
    }
}

void TLabel::setLink(bool value) {
    FLink = value;
    setTabStop(value);
}

void TLabel::keyDown(int& key, TShiftState shift) {
    TControl::keyDown(key, shift);
    if (FLink && key == VK_RETURN) {
        key = 0;
        click();
    }
}

void TLabel::focusGained() {
    invalidate();
    TControl::focusGained();
}

void TLabel::focusLost() {
    invalidate();
    TControl::focusLost();
}

void TLabel::paintLines(TCanvas& canvas) {
    const int lh = canvas.TextHeight(L"Wg");
    int y = 0;
    const std::vector<TTextLine> lines = wrapText(canvas, caption(), FWordWrap ? width() : 0);
    for (const TTextLine& line : lines) {
        if (y >= height()) {
            break;
        }
        const int tw = canvas.TextWidth(line.text);
        int x = 0;
        if (FAlignment == taCenter) {
            x = (width() - tw) / 2;
        } else if (FAlignment == taRightJustify) {
            x = width() - tw;
        }
        canvas.DrawTextW(line.text, TRect{x, y, x + tw, std::min(y + lh, height())}, DT_SINGLELINE);
        y += lh;
    }
}

TJstLabel::TJstLabel() {
    setAutoSize(false);
    setWordWrap(true);
}

void TJstLabel::paintLines(TCanvas& canvas) {
    const int lh = canvas.TextHeight(L"Wg");
    const int w = width();
    int y = 0;
    for (const TTextLine& line : wrapText(canvas, caption(), w)) {
        if (y >= height()) {
            break;
        }
        const int bottom = std::min(y + lh, height());
        // The words of the line, without the spaces between them.
        std::vector<std::wstring> words;
        std::size_t at = 0;
        while (at < line.text.size()) {
            while (at < line.text.size() && line.text[at] == L' ') {
                ++at;
            }
            std::size_t end = at;
            while (end < line.text.size() && line.text[end] != L' ') {
                ++end;
            }
            if (end > at) {
                words.push_back(line.text.substr(at, end - at));
            }
            at = end;
        }
        if (line.lastOfParagraph || words.size() < 2) {
            const int tw = canvas.TextWidth(line.text);
            canvas.DrawTextW(line.text, TRect{0, y, tw, bottom}, DT_SINGLELINE);
        } else {
            // The free width is shared among the gaps; the first gaps take one pixel more when it
            // does not divide evenly, so the last word ends on the right edge.
            int wordsWidth = 0;
            for (const std::wstring& word : words) {
                wordsWidth += canvas.TextWidth(word);
            }
            const int gaps = static_cast<int>(words.size()) - 1;
            const int spare = std::max(0, w - wordsWidth);
            int x = 0;
            for (std::size_t i = 0; i < words.size(); ++i) {
                const int ww = canvas.TextWidth(words[i]);
                canvas.DrawTextW(words[i], TRect{x, y, x + ww, bottom}, DT_SINGLELINE);
                x += ww;
                if (static_cast<int>(i) < gaps) {
                    x += spare / gaps + (static_cast<int>(i) < spare % gaps ? 1 : 0);
                }
            }
        }
        y += lh;
    }
}

plat::TAccessibleItem TLabel::accessible() const {
    plat::TAccessibleItem item = TControl::accessible();
    if (FLink) {
        item.role = plat::TAccRole::link;
        item.states |= plat::asLinked;
        item.defaultAction = L"Open";
    } else {
        item.role = plat::TAccRole::staticText;
        item.states |= plat::asReadOnly;
    }
    return item;
}
