// Word wrapping, the labels' sizes and what they paint. The raster canvas's font at 12 pt has
// cells of 8 x 20 pixels, a glyph filling rows 4 to 15 and all but the last column of its cell.

#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "toolkit/TextLayout.h"

#include "toolkit/WidgetFixture.h"

using rastertest::countOf;
using rastertest::regionIs;
using rastertest::TPngOnFailure;

namespace {

constexpr int kChar = 8;
constexpr int kLine = 20;
constexpr int kGlyphRow = 10; // a row inside the glyphs of the first line
constexpr TColor kText = hexColor(0x102030);
constexpr TColor kPanel = hexColor(0xD9EDF7);

TFont font12() {
    TFont font;
    font.name = L"Arial";
    font.size = 12;
    font.color = kText;
    return font;
}

class LabelTest : public WidgetTest {
protected:
    // A label on a panel of colour kPanel, realised.
    template <typename T> T& labelOnPanel(int width, int height) {
        panel.setColor(kPanel);
        panel.setBevelOuter(bvNone);
        realise(panel, 400, 200);
        T* label = panel.create<T>();
        label->setFont(font12());
        label->setBounds(0, 0, width, height);
        return *label;
    }
    TPanel panel;
};

} // namespace

TEST_F(LabelTest, WrapsAtSpacesWithinTheWidth) {
    struct TCase {
        const wchar_t* text;
        int width;
        std::vector<std::wstring> lines;
    };
    const TCase cases[] = {
        {L"aaa bbb ccc", 7 * kChar, {L"aaa bbb", L"ccc"}},
        {L"aaa bbb ccc", 7 * kChar - 1, {L"aaa", L"bbb", L"ccc"}},
        {L"aaaaaaaaaa bb", 5 * kChar, {L"aaaaaaaaaa", L"bb"}}, // a long word stands alone, unsplit
        {L"aa   bb", 3 * kChar, {L"aa", L"bb"}},               // spaces at the break go
        {L"a\r\nb\nc\rd", 100 * kChar, {L"a", L"b", L"c", L"d"}},
        {L"one two\n\nthree", 0, {L"one two", L"", L"three"}}, // no width: only the text's breaks
        {L"", 50, {L""}},
        {L"x   ", 2 * kChar, {L"x"}},
    };
    plat::headless::TRasterCanvas canvas(1, 1);
    canvas.setFont(font12());
    for (const TCase& c : cases) {
        std::vector<std::wstring> got;
        for (const TTextLine& line : wrapText(canvas, c.text, c.width)) {
            got.push_back(line.text);
        }
        EXPECT_EQ(got, c.lines) << "text \"" << std::string(c.text, c.text + std::wcslen(c.text)) << "\"";
    }
    // Which lines end a paragraph: what the justified label leaves unjustified.
    const std::vector<TTextLine> lines = wrapText(canvas, L"aa bb cc\ndd", 5 * kChar);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_FALSE(lines[0].lastOfParagraph);
    EXPECT_TRUE(lines[1].lastOfParagraph);
    EXPECT_TRUE(lines[2].lastOfParagraph);
}

TEST_F(LabelTest, MeasuresWrappedTextWithThePlatformsCanvas) {
    EXPECT_EQ(wrappedTextHeight(font12(), L"aaa bbb ccc", 7 * kChar), 2 * kLine);
    EXPECT_EQ(wrappedTextHeight(font12(), L"", 100), kLine);
    EXPECT_EQ(wrappedTextWidth(font12(), L"aaa bbb ccc", 7 * kChar), 7 * kChar);
    EXPECT_EQ(textWidthIn(font12(), L"abcd"), 4 * kChar);
    plat::installWidgetServices(nullptr);
    EXPECT_EQ(wrappedTextHeight(font12(), L"aaa", 100), 0); // nothing to measure with
}

TEST_F(LabelTest, AutoSizeFollowsTextFontAndWidth) {
    TLabel& label = labelOnPanel<TLabel>(10, 10);
    label.setCaption(L"Hello");
    EXPECT_EQ(label.width(), 5 * kChar);
    EXPECT_EQ(label.height(), kLine);
    TFont bigger = font12();
    bigger.size = 24; // 32 px em: 16 x 40 cells
    label.setFont(bigger);
    EXPECT_EQ(label.width(), 5 * 16);
    EXPECT_EQ(label.height(), 40);
    // The text's own line breaks: the widest line by the number of lines.
    label.setFont(font12());
    label.setCaption(L"ab\nabcd");
    EXPECT_EQ(label.width(), 4 * kChar);
    EXPECT_EQ(label.height(), 2 * kLine);

    // Word-wrapped: the width stays, the height follows the wrapped text, re-wrapped on resize.
    label.setFont(font12());
    label.setWordWrap(true);
    label.setWidth(7 * kChar);
    label.setCaption(L"aaa bbb ccc");
    EXPECT_EQ(label.width(), 7 * kChar);
    EXPECT_EQ(label.height(), 2 * kLine);
    label.setWidth(3 * kChar);
    EXPECT_EQ(label.height(), 3 * kLine);
    label.setWidth(20 * kChar);
    EXPECT_EQ(label.height(), kLine);

    // Not auto-sized: the bounds stay whatever the text.
    label.setAutoSize(false);
    label.setBounds(0, 0, 30, 30);
    label.setCaption(L"a much longer text than before");
    EXPECT_EQ(label.boundsRect(), (TRect{0, 0, 30, 30}));
}

TEST_F(LabelTest, PaintsAlignedTextOnItsParentsColourUntilGivenOne) {
    struct TCase {
        TAlignment alignment;
        int glyphLeft; // the first glyph column of "ab" in a 100 px label
    };
    const TCase cases[] = {
        {taLeftJustify, 0}, {taCenter, (100 - 2 * kChar) / 2}, {taRightJustify, 100 - 2 * kChar}};
    TLabel& label = labelOnPanel<TLabel>(100, kLine);
    label.setAutoSize(false);
    label.setCaption(L"ab");
    for (const TCase& c : cases) {
        label.setAlignment(c.alignment);
        auto& surface = painted(label);
        TPngOnFailure keep(surface, std::to_string(c.alignment));
        EXPECT_TRUE(regionIs(surface, TRect{c.glyphLeft, 4, c.glyphLeft + kChar - 1, 16}, kText));
        EXPECT_TRUE(regionIs(surface, TRect{0, 0, c.glyphLeft, kLine}, kPanel));
        EXPECT_EQ(countOf(surface, TRect{0, 0, 100, kLine}, kText), 2 * (kChar - 1) * 12);
    }
    label.setColor(hexColor(0xFFFFFF));
    EXPECT_FALSE(label.parentColor());
    EXPECT_EQ(painted(label).at(99, 0), hexColor(0xFFFFFF));
    label.setTransparent(true);
    EXPECT_EQ(painted(label).at(99, 0), kPanel);
}

TEST_F(LabelTest, JustifiedLabelSpreadsAllButTheLastLineOfEachParagraph) {
    TJstLabel& label = labelOnPanel<TJstLabel>(100, 3 * kLine);
    EXPECT_FALSE(label.autoSize());
    label.setCaption(L"aa bb cc dd ee ff\ngg hh");
    auto& surface = painted(label);
    TPngOnFailure keep(surface);
    // Line 1: "aa bb cc dd" (88 px of 100): the 36 spare pixels make three gaps of 12 after each
    // 16 px word, so the words start at 0, 28, 56 and 84 and the last ends on the right edge.
    for (int start : {0, 28, 56, 84}) {
        EXPECT_TRUE(regionIs(surface, TRect{start, 4, start + kChar - 1, 16}, kText)) << "word at " << start;
        EXPECT_TRUE(regionIs(surface, TRect{start + 2 * kChar - 1, 4, start + 2 * kChar, 16}, kPanel));
    }
    EXPECT_TRUE(regionIs(surface, TRect{16, 0, 28, kLine}, kPanel));
    EXPECT_EQ(surface.at(98, kGlyphRow), kText);
    // Line 2 "ee ff" ends its paragraph and line 3 ends the text: both stay left aligned.
    EXPECT_EQ(surface.at(3 * kChar, kLine + kGlyphRow), kText);      // "ff" right after "ee "
    EXPECT_EQ(surface.at(2 * kChar + 1, kLine + kGlyphRow), kPanel); // the one space
    EXPECT_EQ(surface.at(3 * kChar, 2 * kLine + kGlyphRow), kText);  // "hh"
    EXPECT_TRUE(regionIs(surface, TRect{5 * kChar, kLine, 100, 3 * kLine}, kPanel));
}
