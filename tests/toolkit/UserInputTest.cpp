// Input a Windows user expects of the widgets: a wheel turn handed up to the control that takes it,
// the edit box's clipboard keys and blinking caret, and a spin button that repeats while held.

#include "platform/ClipboardServices.h"
#include "toolkit/Edit.h"
#include "toolkit/Panel.h"
#include "toolkit/SpinEdit.h"
#include "toolkit/TreeList.h"

#include "toolkit/WidgetFixture.h"

#include <string>
#include <vector>

namespace {

using plat::headless::TRasterCanvas;

struct TWheelTurn {
    int delta;
    int x;
    int y;
    bool operator==(const TWheelTurn&) const = default;
};

// A panel that takes every wheel turn it hears of.
class TWheelPanel : public TPanel {
public:
    std::vector<TWheelTurn> turns;

protected:
    bool mouseWheel(int delta, TShiftState /*shift*/, int x, int y) override {
        turns.push_back(TWheelTurn{delta, x, y});
        return true;
    }
};

class UserInputTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        plat::installClipboardServices(&clipboard);
    }
    void TearDown() override {
        plat::installClipboardServices(nullptr);
        WidgetTest::TearDown();
    }
    void useSettings(unsigned caretBlinkMs, unsigned repeatDelayMs = 500, unsigned repeatIntervalMs = 33) {
        plat::TInputSettings settings;
        settings.caretBlinkMs = caretBlinkMs;
        settings.repeatDelayMs = repeatDelayMs;
        settings.repeatIntervalMs = repeatIntervalMs;
        widgets.setInputSettings(settings);
    }

    plat::TRecordingClipboard clipboard;
};

} // namespace

TEST_F(UserInputTest, AWheelTurnAControlLeavesGoesUpToItsParentInTheParentsCoordinates) {
    TWheelPanel panel;
    realise(panel, 300, 200);
    auto* edit = panel.create<TEdit>();
    edit->setBounds(10, 20, 100, 21);
    auto* tree = panel.create<TTreeList>();
    tree->setBounds(10, 60, 200, 100);
    edit->setFocus();

    peerOf(*edit).mouseWheel(-120, 5, 6);
    peerOf(*tree).mouseWheel(-120, 5, 6);
    EXPECT_EQ(panel.turns, (std::vector<TWheelTurn>{{-120, 15, 26}})) << "the tree takes its own turns";

    edit->setEnabled(false);
    tree->setEnabled(false);
    peerOf(*tree).mouseWheel(240, 1, 2);
    EXPECT_EQ(panel.turns.back(), (TWheelTurn{240, 11, 62})) << "a disabled control passes turns on";
}

TEST_F(UserInputTest, ClipboardKeysCopyCutAndPasteAtTheCaretOrOverTheSelection) {
    const struct {
        const char* what;
        int selStart;
        int selLength;
        int key;
        TShiftState shift;
        const wchar_t* held; // on the clipboard before
        const wchar_t* text; // the box's text after
        const wchar_t* clip; // on the clipboard after
        int caret;
    } cases[] = {
        {"Ctrl+C copies the selection", 1, 3, 'C', ssCtrl, L"old", L"abcdef", L"bcd", 4},
        {"Ctrl+Insert copies", 1, 3, VK_INSERT, ssCtrl, L"old", L"abcdef", L"bcd", 4},
        {"a copy without a selection keeps the clipboard", 2, 0, 'C', ssCtrl, L"old", L"abcdef", L"old", 2},
        {"Ctrl+X cuts", 1, 3, 'X', ssCtrl, L"old", L"aef", L"bcd", 1},
        {"Shift+Delete cuts", 0, 2, VK_DELETE, ssShift, L"old", L"cdef", L"ab", 0},
        {"a cut without a selection removes nothing", 6, 0, 'X', ssCtrl, L"old", L"abcdef", L"old", 6},
        {"Ctrl+V pastes at the caret", 2, 0, 'V', ssCtrl, L"XY", L"abXYcdef", L"XY", 4},
        {"a paste replaces the selection", 1, 3, 'V', ssCtrl, L"Z", L"aZef", L"Z", 2},
        {"Shift+Insert pastes", 6, 0, VK_INSERT, ssShift, L"!", L"abcdef!", L"!", 7},
        {"line breaks are dropped", 0, 0, 'V', ssCtrl, L"1\r\n2\n3\r", L"123abcdef", L"1\r\n2\n3\r", 3},
        {"only line breaks paste nothing", 1, 2, 'V', ssCtrl, L"\r\n", L"abcdef", L"\r\n", 3},
        {"an empty clipboard pastes nothing", 1, 2, 'V', ssCtrl, L"", L"abcdef", L"", 3},
        {"Ctrl+Alt (AltGr) is no clipboard key", 0, 6, 'V', ssCtrl | ssAlt, L"XY", L"abcdef", L"XY", 6},
        {"V alone is no clipboard key", 0, 0, 'V', 0, L"XY", L"abcdef", L"XY", 0},
    };
    TEdit edit;
    auto& peer = realise(edit, 200, 21);
    edit.setFocus();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        edit.setText(L"abcdef");
        edit.setSelection(c.selStart, c.selLength);
        clipboard.setClipboardText(c.held);
        peer.pressKey(c.key, c.shift);
        EXPECT_EQ(edit.text(), c.text);
        EXPECT_EQ(clipboard.clipboardText(), c.clip);
        EXPECT_EQ(edit.caretPos(), c.caret);
    }
}

TEST_F(UserInputTest, APasteKeepsToTheMaximumLengthAndACutTheClipboardRefusesKeepsTheText) {
    TEdit edit;
    auto& peer = realise(edit, 200, 21);
    edit.setFocus();
    edit.setMaxLength(8);
    edit.setText(L"abcdef");
    clipboard.setClipboardText(L"XYZW");
    peer.pressKey('V', ssCtrl);
    EXPECT_EQ(edit.text(), L"abcdefXY");

    edit.setSelection(0, 3);
    clipboard.setRefuse(true);
    peer.pressKey('X', ssCtrl);
    EXPECT_EQ(edit.text(), L"abcdefXY") << "nothing is lost when the clipboard is held elsewhere";
    EXPECT_EQ(edit.selText(), L"abc");

    plat::installClipboardServices(nullptr);
    peer.pressKey('V', ssCtrl);
    peer.pressKey('C', ssCtrl);
    EXPECT_EQ(edit.text(), L"abcdefXY") << "without clipboard services the keys do nothing";
}

TEST_F(UserInputTest, TheCaretBlinksWhileTheBoxHasTheFocusAndShowsAgainAtEveryKey) {
    useSettings(400);
    TEdit edit;
    TEdit other;
    auto& peer = realise(edit, 120, 21);
    realise(other, 50, 21);
    edit.setText(L"abc");
    const int lineTop = 1 + (19 - TRasterCanvas::lineHeight(edit.font())) / 2;
    const int caretX = 4 + 3 * TRasterCanvas::charWidth(edit.font());
    const auto caretShows = [&] { return painted(edit).at(caretX, lineTop) == clBlack; };

    EXPECT_TRUE(widgets.timers().empty()) << "no blinking without the focus";
    edit.setFocus();
    edit.setSelection(3, 0);
    ASSERT_EQ(widgets.timers().size(), 1u);
    EXPECT_EQ(widgets.timers()[0]->interval(), 400u);
    EXPECT_TRUE(caretShows());
    widgets.fireTimers();
    EXPECT_FALSE(caretShows());
    widgets.fireTimers();
    EXPECT_TRUE(caretShows());
    widgets.fireTimers();
    EXPECT_FALSE(caretShows());
    peer.pressKey(VK_END); // moves nothing
    EXPECT_TRUE(caretShows()) << "a key shows the caret again";
    widgets.fireTimers();
    EXPECT_FALSE(caretShows());
    peer.typeText(L"d");
    EXPECT_TRUE(painted(edit).at(caretX + TRasterCanvas::charWidth(edit.font()), lineTop) == clBlack);
    widgets.fireTimers();
    peer.pressKey(VK_BACK);
    EXPECT_TRUE(caretShows()) << "and so does a typed character";

    other.setFocus();
    ASSERT_EQ(widgets.timers().size(), 1u) << "only the focused box blinks";
    edit.setFocus();
    EXPECT_TRUE(caretShows());

    useSettings(0); // the user turned the blink off
    other.setFocus();
    edit.setFocus();
    EXPECT_TRUE(widgets.timers().empty());
    EXPECT_TRUE(caretShows());
}

TEST_F(UserInputTest, AHeldSpinButtonRepeatsAfterTheDelayAtTheRateUntilTheLimitOrTheRelease) {
    useSettings(0, 500, 40); // no caret blink: the only timer is the repetition's
    TSpinEdit spin;
    auto& peer = realise(spin, 120, 24);
    spin.setMinValue(5);
    spin.setMaxValue(12);
    spin.setValue(8);
    const TRect up = spin.upButton();
    const TRect down = spin.downButton();
    const TPoint onUp{up.left + 3, up.top + 3};
    const TPoint onDown{down.left + 3, down.bottom - 3};
    const auto repeating = [&] { return !widgets.timers().empty(); };

    peer.mouseDown(TMouseButton::mbLeft, onUp.x, onUp.y);
    EXPECT_EQ(spin.value(), 9) << "the press steps at once";
    ASSERT_TRUE(repeating());
    EXPECT_EQ(widgets.timers()[0]->interval(), 500u) << "the keyboard's repeat delay first";
    widgets.fireTimers();
    EXPECT_EQ(spin.value(), 10);
    ASSERT_TRUE(repeating());
    EXPECT_EQ(widgets.timers()[0]->interval(), 40u) << "then the repeat rate";
    peer.mouseMove(onDown.x, onDown.y);
    widgets.fireTimers();
    EXPECT_EQ(spin.value(), 10) << "off the button the repetition pauses";
    peer.mouseMove(onUp.x, onUp.y);
    widgets.fireTimers();
    EXPECT_EQ(spin.value(), 11);
    widgets.fireTimers();
    EXPECT_EQ(spin.value(), 12);
    EXPECT_FALSE(repeating()) << "stopped at the limit";
    peer.mouseUp(TMouseButton::mbLeft, onUp.x, onUp.y);

    peer.mouseDown(TMouseButton::mbLeft, onUp.x, onUp.y);
    EXPECT_FALSE(repeating()) << "nothing to repeat at the limit";
    peer.mouseUp(TMouseButton::mbLeft, onUp.x, onUp.y);

    peer.mouseDown(TMouseButton::mbLeft, onDown.x, onDown.y);
    widgets.fireTimers();
    EXPECT_EQ(spin.value(), 10);
    peer.mouseUp(TMouseButton::mbLeft, onDown.x, onDown.y);
    EXPECT_FALSE(repeating()) << "the release stops it";
    widgets.fireTimers();
    EXPECT_EQ(spin.value(), 10);

    // Ends a disabled box hears nothing of: losing the focus, being disabled.
    TEdit other;
    realise(other, 50, 21);
    peer.mouseDown(TMouseButton::mbLeft, onDown.x, onDown.y);
    other.setFocus();
    EXPECT_FALSE(repeating());
    peer.mouseDown(TMouseButton::mbLeft, onDown.x, onDown.y);
    spin.setEnabled(false);
    EXPECT_FALSE(repeating());
    EXPECT_EQ(spin.value(), 8);
}
