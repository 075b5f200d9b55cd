// The widgets that take typed input: the edit box (typing, caret, selection, keys, mouse, scrolling,
// its look), the spin box (numbers from text, limits, arrows, correction on leaving) and the check
// box (toggling by click and Space, its look).

#include "toolkit/CheckBox.h"
#include "toolkit/Edit.h"
#include "toolkit/Panel.h"
#include "toolkit/SpinEdit.h"

#include "toolkit/WidgetFixture.h"

#include <cstdlib>
#include <limits>
#include <optional>

namespace {

using EditTest = WidgetTest;
using SpinEditTest = WidgetTest;
using CheckBoxTest = WidgetTest;
using plat::headless::TRasterCanvas;
using rastertest::hex;

// The raster font's character width for a control's font.
int charWidth(const TControl& control) {
    return TRasterCanvas::charWidth(control.font());
}

} // namespace

TEST_F(EditTest, TypingAndEditingKeysChangeTheTextAtTheCaret) {
    TEdit edit;
    auto& peer = realise(edit, 120, 21);
    int changes = 0;
    edit.OnTextChanged = [&](TControl*) { ++changes; };
    edit.setText(L"*.*");
    edit.setFocus();
    EXPECT_EQ(edit.selStart(), 0);
    EXPECT_EQ(edit.selLength(), 3) << "entering the box selects its text";

    peer.typeText(L"a.txt");
    EXPECT_EQ(edit.text(), L"a.txt") << "typing replaces the selection";
    EXPECT_EQ(edit.caretPos(), 5);
    peer.pressKey(VK_HOME);
    peer.typeText(L"_");
    EXPECT_EQ(edit.text(), L"_a.txt");
    peer.pressKey(VK_END);
    peer.pressKey(VK_BACK);
    EXPECT_EQ(edit.text(), L"_a.tx");
    peer.pressKey(VK_LEFT);
    peer.pressKey(VK_LEFT);
    peer.pressKey(VK_DELETE);
    EXPECT_EQ(edit.text(), L"_a.x");
    EXPECT_EQ(edit.caretPos(), 3);

    peer.pressKey(VK_HOME, ssShift);
    EXPECT_EQ(edit.selText(), L"_a.");
    peer.pressKey(VK_LEFT);
    EXPECT_EQ(edit.caretPos(), 0) << "Left collapses a selection to its start";
    EXPECT_EQ(edit.selLength(), 0);
    peer.pressKey(VK_RIGHT, ssShift);
    peer.pressKey(VK_RIGHT, ssShift);
    peer.pressKey(VK_DELETE);
    EXPECT_EQ(edit.text(), L".x");

    // Control characters type nothing; Ctrl+A selects everything.
    peer.pressKey(VK_RETURN);
    peer.pressKey(VK_ESCAPE);
    peer.typeText(std::wstring(1, wchar_t(1)));
    EXPECT_EQ(edit.text(), L".x");
    peer.pressKey('A', ssCtrl);
    EXPECT_EQ(edit.selLength(), 2);
    peer.pressKey(VK_BACK);
    EXPECT_EQ(edit.text(), L"");
    peer.pressKey(VK_BACK);
    peer.pressKey(VK_DELETE);
    EXPECT_EQ(edit.text(), L"") << "nothing to remove at the ends";
    EXPECT_GE(changes, 8);
}

TEST_F(EditTest, KeysOtherThanItsOwnReachOnKeyDownAndAMaximumLengthCutsTyping) {
    TEdit edit;
    auto& peer = realise(edit, 120, 21);
    std::vector<int> heard;
    edit.OnKeyDown = [&](TControl*, int& key, TShiftState) { heard.push_back(key); };
    edit.setFocus();
    peer.pressKey(VK_LEFT);
    peer.pressKey(VK_RETURN);
    peer.pressKey(VK_UP);
    EXPECT_EQ(heard, (std::vector<int>{VK_RETURN, VK_UP})) << "the keys the box takes go no further";

    edit.setMaxLength(4);
    edit.setText(L"ab");
    peer.typeText(L"cdef");
    EXPECT_EQ(edit.text(), L"abcd");
    edit.setSelection(1, 2);
    peer.typeText(L"xyz");
    EXPECT_EQ(edit.text(), L"axyd") << "a replaced selection makes room";
}

TEST_F(EditTest, AClickPlacesTheCaretAtTheNearestCharacterBorderAndADragSelects) {
    TEdit edit;
    auto& peer = realise(edit, 120, 21);
    edit.setText(L"abcdef");
    const int cw = charWidth(edit);
    const int origin = 4; // border and margin
    peer.click(origin + 2 * cw + cw / 2 + 1, 10);
    EXPECT_TRUE(edit.focused());
    EXPECT_EQ(edit.caretPos(), 3);
    EXPECT_EQ(edit.selLength(), 0) << "a click does not select the whole text";
    peer.click(origin + 2 * cw + cw / 2 - 1, 10);
    EXPECT_EQ(edit.caretPos(), 2);
    peer.click(1, 10);
    EXPECT_EQ(edit.caretPos(), 0);
    peer.click(119, 10);
    EXPECT_EQ(edit.caretPos(), 6);

    peer.mouseDown(TMouseButton::mbLeft, origin + cw, 10);
    peer.mouseMove(origin + 4 * cw, 10);
    peer.mouseUp(TMouseButton::mbLeft, origin + 4 * cw, 10);
    EXPECT_EQ(edit.selText(), L"bcd");
    peer.mouseMove(origin, 10);
    EXPECT_EQ(edit.selText(), L"bcd") << "moves after the release select nothing";
}

TEST_F(EditTest, PaintsItsBorderTextSelectionAndCaretByState) {
    TEdit edit;
    realise(edit, 120, 21);
    edit.setText(L"abc");
    const int cw = charWidth(edit);
    const int lineTop = 1 + (19 - TRasterCanvas::lineHeight(edit.font())) / 2;
    const int glyphY = lineTop + TRasterCanvas::glyphTop(edit.font());

    TRasterCanvas& rest = painted(edit);
    EXPECT_EQ(hex(rest.at(0, 0)), "#ABADB3");
    EXPECT_EQ(hex(rest.at(2, 10)), "#FFFFFF");
    EXPECT_EQ(hex(rest.at(4, glyphY)), "#000000") << "the first glyph at the margin";
    EXPECT_EQ(hex(rest.at(4 + 3 * cw, lineTop + 1)), "#FFFFFF") << "no caret without the focus";

    edit.setFocus();
    edit.setSelection(1, 1);
    TRasterCanvas& focused = painted(edit);
    EXPECT_EQ(hex(focused.at(0, 0)), "#569DE5");
    EXPECT_EQ(hex(focused.at(4 + cw + cw - 1, lineTop)), "#3399FF") << "the selected character's cell";
    EXPECT_EQ(hex(focused.at(4 + cw, glyphY)), "#FFFFFF") << "selected text in white";
    EXPECT_EQ(hex(focused.at(4 + 2 * cw, lineTop + 1)), "#000000") << "the caret after the selection";

    edit.setEnabled(false);
    TRasterCanvas& disabled = painted(edit);
    EXPECT_EQ(hex(disabled.at(0, 0)), "#BFBFBF");
    EXPECT_EQ(hex(disabled.at(2, 10)), "#F0F0F0");
}

TEST_F(EditTest, ALongTextScrollsToKeepTheCaretInSightAndNeverShowsInTheMargin) {
    TEdit edit;
    realise(edit, 60, 21);
    const int cw = charWidth(edit);
    edit.setText(std::wstring(30, L'x'));
    edit.setFocus();
    edit.setSelection(30, 0);
    const int lineTop = 1 + (19 - TRasterCanvas::lineHeight(edit.font())) / 2;
    TRasterCanvas& atEnd = painted(edit);
    int caretX = -1;
    for (int x = 4; x < 56; ++x) {
        if (atEnd.at(x, lineTop) == clBlack) {
            caretX = x; // glyph cells leave the line's top row empty: only the caret is there
        }
    }
    EXPECT_GE(caretX, 4) << "the caret at the end shows";
    EXPECT_EQ(hex(atEnd.at(2, lineTop + 5)), "#FFFFFF") << "scrolled-out text stays out of the margin";

    const TRect area{4, 1, 56, 20};
    edit.setSelection(0, 0);
    TRasterCanvas& atStart = painted(edit);
    EXPECT_EQ(hex(atStart.at(4, lineTop)), "#000000") << "the caret at the start";
    EXPECT_EQ(hex(atStart.at(5, lineTop + TRasterCanvas::glyphTop(edit.font()))), "#000000");
    EXPECT_EQ(edit.positionAt(area.left + cw), 1) << "clicks map to the unscrolled text again";
}

TEST(SpinEditNumbers, ParseIntegerTakesSignedDigitsWithSpacesAroundAndNothingElse) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const struct {
        const wchar_t* text;
        std::optional<std::int32_t> number;
    } cases[] = {
        {L"30", 30},
        {L" 64 ", 64},
        {L"+7", 7},
        {L"-7", -7},
        {L"007", 7},
        {L"", std::nullopt},
        {L"   ", std::nullopt},
        {L"abc", std::nullopt},
        {L"12a", std::nullopt},
        {L"1 2", std::nullopt},
        {L"-", std::nullopt},
        {L"0x10", std::nullopt},
        {L"99999999999", kMax},
        {L"-99999999999", kMin},
        {L"2147483648", kMax},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text, c.text + std::wcslen(c.text)));
        EXPECT_EQ(TSpinEdit::parseInteger(c.text), c.number);
    }
}

TEST_F(SpinEditTest, ValueIsTheTextWithinTheLimitsAndLeavingTheBoxCorrectsTheText) {
    TSpinEdit spin;
    realise(spin, 120, 24);
    TEdit other;
    realise(other, 50, 21);
    spin.setMinValue(5);
    spin.setMaxValue(1024);
    const struct {
        const wchar_t* typed;
        std::int32_t value;
        const wchar_t* corrected;
    } cases[] = {
        {L"30", 30, L"30"}, {L"2000", 1024, L"1024"}, {L"3", 5, L"5"},   {L"abc", 5, L"5"},
        {L"", 5, L"5"},     {L" 12 ", 12, L"12"},     {L"-40", 5, L"5"}, {L"99999999999", 1024, L"1024"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed, c.typed + std::wcslen(c.typed)));
        spin.setFocus();
        spin.selectAll();
        peerOf(spin).pressKey(VK_DELETE);
        peerOf(spin).typeText(c.typed);
        EXPECT_EQ(spin.text(), c.typed) << "any text can be typed";
        EXPECT_EQ(spin.value(), c.value);
        other.setFocus();
        EXPECT_EQ(spin.text(), c.corrected);
    }

    spin.setMinValue(0);
    spin.setMaxValue(0);
    spin.setValue(123456);
    EXPECT_EQ(spin.value(), 123456) << "no limits when the maximum is not above the minimum";
}

TEST_F(SpinEditTest, ArrowKeysAndButtonsStepTheValueWithinTheLimits) {
    TSpinEdit spin;
    auto& peer = realise(spin, 120, 24);
    spin.setMinValue(5);
    spin.setMaxValue(1024);
    spin.setValue(30);
    spin.setFocus();
    peer.pressKey(VK_UP);
    EXPECT_EQ(spin.text(), L"31");
    peer.pressKey(VK_DOWN);
    peer.pressKey(VK_DOWN);
    EXPECT_EQ(spin.text(), L"29");

    const TRect up = spin.upButton();
    const TRect down = spin.downButton();
    EXPECT_EQ(up.right, 119);
    EXPECT_EQ(up.bottom, down.top);
    peer.click(up.left + 3, up.top + 3);
    EXPECT_EQ(spin.value(), 30);
    peer.click(down.left + 3, down.bottom - 3);
    EXPECT_EQ(spin.value(), 29);

    spin.setValue(1024);
    peer.pressKey(VK_UP);
    EXPECT_EQ(spin.value(), 1024) << "the arrows stop at the limits";
    spin.setText(L"x");
    peer.pressKey(VK_UP);
    EXPECT_EQ(spin.text(), L"6") << "a text that is no number steps from the minimum";
    spin.setValue(5);
    peer.click(down.left + 3, down.bottom - 3);
    EXPECT_EQ(spin.value(), 5);

    // The buttons are drawn beside the text, which stops short of them.
    TRasterCanvas& surface = painted(spin);
    EXPECT_EQ(hex(surface.at(up.left, up.top + 2)), "#ABADB3");
    EXPECT_EQ(hex(surface.at(up.left + 2, up.top + 1)), "#F0F0F0");
    EXPECT_EQ(hex(surface.at(up.left + 1 + (up.width() - 1) / 2, up.top + (up.height() - 4) / 2)), "#404040");
}

TEST_F(CheckBoxTest, ClicksAndSpaceToggleItAndEachChangeIsHeard) {
    TCheckBox box;
    auto& peer = realise(box, 150, 21);
    int changes = 0;
    int clicks = 0;
    box.OnChange = [&](TControl*) { ++changes; };
    box.OnClick = [&](TControl*) { ++clicks; };
    peer.click(60, 10);
    EXPECT_TRUE(box.checked());
    EXPECT_TRUE(box.focused()) << "a click takes the focus";
    peer.pressKey(VK_SPACE);
    EXPECT_FALSE(box.checked());
    peer.pressKey(VK_RETURN);
    EXPECT_FALSE(box.checked()) << "only Space toggles";
    box.setChecked(false);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(clicks, 2);
    box.setChecked(true);
    EXPECT_EQ(changes, 3) << "a change made by the program is heard too";
    EXPECT_EQ(clicks, 2);

    box.setEnabled(false);
    peer.click(60, 10);
    peer.pressKey(VK_SPACE);
    EXPECT_TRUE(box.checked()) << "a disabled box keeps its state";
}

TEST_F(CheckBoxTest, PaintsItsBoxTickAndCaptionOverItsParentsSurface) {
    TPanel panel;
    panel.setColor(hexColor(0xDDEEFF));
    panel.setBevelOuter(bvNone);
    realise(panel, 200, 40);
    auto* box = panel.create<TCheckBox>();
    box->setBounds(0, 0, 150, 21);
    box->setCaption(L"Scan");
    const TRect square = box->boxRect();
    EXPECT_EQ(square, boundsRect(0, 4, 13, 13));

    TRasterCanvas& unchecked = painted(*box);
    EXPECT_EQ(hex(unchecked.at(140, 2)), "#DDEEFF");
    EXPECT_EQ(hex(unchecked.at(square.left, square.top)), "#8E8F8F");
    EXPECT_EQ(hex(unchecked.at(square.left + 5, square.top + 7)), "#FFFFFF");
    const int glyphY =
        (21 - TRasterCanvas::lineHeight(box->font())) / 2 + TRasterCanvas::glyphTop(box->font());
    EXPECT_EQ(hex(unchecked.at(17, glyphY)), "#000000") << "the caption 4 px right of the box";

    box->setChecked(true);
    TRasterCanvas& checked = painted(*box);
    EXPECT_EQ(hex(checked.at(square.left + 5, square.top + 7)), "#333333");
    EXPECT_EQ(hex(checked.at(square.left + 8, square.top + 4)), "#333333");

    box->setFocus();
    TRasterCanvas& focused = painted(*box);
    EXPECT_EQ(hex(focused.at(16, glyphY - TRasterCanvas::glyphTop(box->font()) - 1)), "#000000")
        << "a dotted frame round the caption";
}

// The spin box's arrows keep their 96-DPI shape at every scale: 7 x 4 pixels scaled, each centred in
// its button, the tip the design's middle pixel scaled.
TEST_F(SpinEditTest, ArrowsAreTheirDesignSizeScaledInTheirButtons) {
    constexpr TColor kArrow = hexColor(0x404040);
    for (const int dpi : {96, 144, 192}) {
        SCOPED_TRACE(dpi);
        TSpinEdit spin;
        spin.changeDpi(dpi);
        realise(spin, scaled(121, dpi), scaled(22, dpi));
        TRasterCanvas& canvas = painted(spin);
        rastertest::TPngOnFailure keep(canvas, std::to_string(dpi));
        for (const bool up : {true, false}) {
            SCOPED_TRACE(up ? "up" : "down");
            const TRect button = up ? spin.upButton() : spin.downButton();
            const TRect box = rastertest::boundsOf(canvas, button, kArrow);
            EXPECT_EQ(scaled(7, dpi), box.width());
            EXPECT_EQ(scaled(4, dpi), box.height());
            EXPECT_LE(std::abs((box.left - button.left) - (button.right - box.right)), scaled(2, dpi))
                << "centred across its button";
            const TRect tipRow = up ? TRect{box.left, box.top, box.right, box.top + 1}
                                    : TRect{box.left, box.bottom - 1, box.right, box.bottom};
            EXPECT_EQ(scaled(4, dpi) - scaled(3, dpi), rastertest::countOf(canvas, tipRow, kArrow));
        }
    }
}
