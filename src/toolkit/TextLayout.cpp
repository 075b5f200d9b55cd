#include "toolkit/TextLayout.h"

#include "platform/WidgetServices.h"

#include <algorithm>

namespace {

// Splits text at its line breaks ("\r\n", "\n" or "\r").
std::vector<std::wstring> paragraphsOf(const std::wstring& text) {
    std::vector<std::wstring> result(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t ch = text[i];
        if (ch == L'\r' || ch == L'\n') {
            if (ch == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
                ++i;
            }
            result.emplace_back();
        } else {
            result.back() += ch;
        }
    }
    return result;
}

// Wraps one paragraph (no line breaks in it).
void wrapParagraph(TCanvas& canvas, const std::wstring& paragraph, int width, std::vector<TTextLine>& lines) {
    std::size_t start = 0;
    const std::size_t n = paragraph.size();
    for (;;) {
        // The longest run of whole words from start that fits; at least one word.
        std::size_t end = start;  // end of the line's text (exclusive)
        std::size_t scan = start; // where the next word starts to be looked for
        bool first = true;
        for (;;) {
            std::size_t wordStart = scan;
            while (wordStart < n && paragraph[wordStart] == L' ') {
                ++wordStart;
            }
            if (wordStart >= n) {
                break; // only spaces remain: they end the line
            }
            std::size_t wordEnd = wordStart;
            while (wordEnd < n && paragraph[wordEnd] != L' ') {
                ++wordEnd;
            }
            const bool fits =
                width <= 0 || canvas.TextWidth(paragraph.substr(start, wordEnd - start)) <= width;
            if (!fits && !first) {
                break;
            }
            end = wordEnd;
            scan = wordEnd;
            first = false;
            if (!fits) {
                break; // a word wider than the line stands alone
            }
        }
        if (first) {
            // Nothing but spaces from start on: the paragraph ends (an empty one is one empty line).
            if (start == 0 || lines.empty()) {
                lines.push_back(TTextLine{paragraph.substr(start), true});
            } else {
                lines.back().lastOfParagraph = true;
            }
            return;
        }
        lines.push_back(TTextLine{paragraph.substr(start, end - start), false});
        start = end;
        while (start < n && paragraph[start] == L' ') {
            ++start; // spaces at a break are dropped
        }
        if (start >= n) {
            lines.back().lastOfParagraph = true;
            return;
        }
    }
}

TCanvas* measurer(const TFont& font) {
    plat::TWidgetServices* services = plat::widgetServices();
    if (services == nullptr) {
        return nullptr;
    }
    TCanvas& canvas = services->measureCanvas();
    canvas.setFont(font);
    return &canvas;
}

} // namespace

std::vector<TTextLine> wrapText(TCanvas& canvas, const std::wstring& text, int width) {
    std::vector<TTextLine> lines;
    for (const std::wstring& paragraph : paragraphsOf(text)) {
        wrapParagraph(canvas, paragraph, width, lines);
    }
    return lines;
}

int textWidthIn(const TFont& font, const std::wstring& text) {
    TCanvas* canvas = measurer(font);
    return canvas != nullptr ? canvas->TextWidth(text) : 0;
}

int lineHeightOf(const TFont& font) {
    TCanvas* canvas = measurer(font);
    return canvas != nullptr ? canvas->TextHeight(L"Wg") : 0;
}

int wrappedTextHeight(const TFont& font, const std::wstring& text, int width) {
    TCanvas* canvas = measurer(font);
    if (canvas == nullptr) {
        return 0;
    }
    return static_cast<int>(wrapText(*canvas, text, width).size()) * canvas->TextHeight(L"Wg");
}

int wrappedTextWidth(const TFont& font, const std::wstring& text, int width) {
    TCanvas* canvas = measurer(font);
    if (canvas == nullptr) {
        return 0;
    }
    int widest = 0;
    for (const TTextLine& line : wrapText(*canvas, text, width)) {
        widest = std::max(widest, canvas->TextWidth(line.text));
    }
    return widest;
}
