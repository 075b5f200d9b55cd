#pragma once
// Word wrapping as the platform's text layout does it with word breaking: a line breaks at a space
// when the next word would pass the width; spaces at a break are dropped; a line break in the text
// ("\n", "\r\n" or "\r") always breaks; a word wider than the width stands alone on its line and is
// not split. Text is measured on a canvas in its current font.

#include "toolkit/Canvas.h"
#include "toolkit/Graphics.h"

#include <string>
#include <vector>

struct TTextLine {
    std::wstring text;
    bool lastOfParagraph = false; // followed by a line break in the text, or the text's end
};

// The lines of text wrapped at width (width <= 0: only the text's own line breaks). An empty text
// is one empty line.
std::vector<TTextLine> wrapText(TCanvas& canvas, const std::wstring& text, int width);

// Measured with the platform's measuring canvas (plat::TWidgetServices::measureCanvas); without
// one installed, every answer is 0.
// The size of a one-line text in font.
int textWidthIn(const TFont& font, const std::wstring& text);
int lineHeightOf(const TFont& font);
// The height of text wrapped at width in font: its lines times the line height.
int wrappedTextHeight(const TFont& font, const std::wstring& text, int width);
// The width of the widest line of text wrapped at width in font.
int wrappedTextWidth(const TFont& font, const std::wstring& text, int width);
