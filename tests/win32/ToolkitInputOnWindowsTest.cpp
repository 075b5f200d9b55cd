// The toolkit's input on real windows: the wheel turned over the tree while another control has the
// focus, the edit box's clipboard keys through the keyboard and the real clipboard, a spin button
// held down with the real mouse and timers, the user's settings read from the system, and the
// frames of fixed windows with and without their close box.

#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32ClipboardServices.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Dispatcher.h"
#include "platform/win32/Win32Form.h"
#include "toolkit/Edit.h"
#include "toolkit/Form.h"
#include "toolkit/SpinEdit.h"
#include "toolkit/TreeList.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>

#include <windows.h>

using namespace std::chrono_literals;
using plat::win32::windowOf;

namespace {

constexpr int kRowHeight = 17;

// Keys as the keyboard sends them, so that the modifiers' state is the platform's own.
void sendKeys(std::initializer_list<std::pair<WORD, bool>> keys) {
    for (const auto& [key, down] : keys) {
        INPUT input{};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        SendInput(1, &input, sizeof(INPUT));
    }
}

void ctrlKey(WORD key) {
    sendKeys({{VK_CONTROL, true}, {key, true}, {key, false}, {VK_CONTROL, false}});
}

// One form for the suite (Wine without a window manager is slow to close top-level windows): a tree
// of 40 rows, an edit box and a spin box; and two fixed windows.
class ToolkitInputOnWindowsTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        plat::installControlBackend(&backend);
        services = new plat::win32::TWin32WidgetServices();
        plat::installWidgetServices(services);
        plat::installClipboardServices(&clipboard);
        form = new TForm();
        form->setCaption(L"Korvane input");
        form->setClientSize(420, 220);
        form->setPosition(poScreenCenter);
        tree = form->create<TTreeList>();
        tree->setBounds(10, 10, 200, 24 + 8 * kRowHeight);
        tree->setDefaultNodeHeight(kRowHeight);
        tree->setHeaderHeight(24);
        tree->addColumn(TTreeColumn{L"Name", 180, 30, TColumnAlignment::taLeftJustify, false, false, true});
        for (int i = 0; i < 40; ++i) {
            tree->addChild(nullptr);
        }
        edit = form->create<TEdit>();
        edit->setBounds(250, 10, 150, 21);
        spin = form->create<TSpinEdit>();
        spin->setBounds(250, 50, 150, 24);
        spin->setMinValue(0);
        spin->setMaxValue(10000);
        form->show();

        closable = new TForm();
        closable->setCaption(L"Korvane closable");
        closable->setClientSize(200, 100);
        closable->setFrame(plat::TFormFrame::fixedSingle);
        closable->show();
        dialog = new TForm();
        dialog->setCaption(L"Korvane dialog");
        dialog->setClientSize(200, 100);
        dialog->setFrame(plat::TFormFrame::fixedDialog);
        dialog->show();
    }
    static void TearDownTestSuite() {
        delete dialog;
        delete closable;
        delete form;
        dialog = closable = form = nullptr;
        plat::installClipboardServices(nullptr);
        plat::installWidgetServices(nullptr);
        delete services;
        services = nullptr;
        plat::installControlBackend(nullptr);
    }
    void SetUp() override {
        plat::win32::bringToFront(windowOf(form->peer()));
        serveFor(100ms);
    }

    static HWND handleOf(const TControl& control) { return static_cast<HWND>(windowOf(control.peer())); }
    static void serveFor(std::chrono::milliseconds time) {
        plat::win32::serveMessagesUntil([] { return false; }, time);
    }
    static bool serveUntil(const std::function<bool()>& done) {
        return plat::win32::serveMessagesUntil(done, 3000ms);
    }
    static POINT onScreen(const TControl& control, int x, int y) {
        const TPoint at = plat::win32::clientToScreen(windowOf(control.peer()), TPoint{x, y});
        return POINT{at.x, at.y};
    }
    // A turn of the wheel as the platform sends it: to the window with the focus, with the
    // pointer's place on the screen.
    static void turnWheel(HWND focused, int delta, POINT screen) {
        SendMessageW(focused, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))),
                     MAKELPARAM(static_cast<WORD>(screen.x), static_cast<WORD>(screen.y)));
    }

    static inline plat::win32::TWin32Backend backend;
    static inline plat::win32::TWin32WidgetServices* services = nullptr;
    static inline plat::TWin32ClipboardServices clipboard;
    static inline TForm* form = nullptr;
    static inline TTreeList* tree = nullptr;
    static inline TEdit* edit = nullptr;
    static inline TSpinEdit* spin = nullptr;
    static inline TForm* closable = nullptr;
    static inline TForm* dialog = nullptr;
};

} // namespace

TEST_F(ToolkitInputOnWindowsTest, TheUsersSettingsComeFromTheSystem) {
    const plat::TInputSettings settings = services->inputSettings();
    const UINT blink = GetCaretBlinkTime();
    EXPECT_EQ(settings.caretBlinkMs, blink == INFINITE ? 0u : blink);
    EXPECT_GE(settings.repeatDelayMs, 250u);
    EXPECT_LE(settings.repeatDelayMs, 1000u);
    EXPECT_GE(settings.repeatIntervalMs, 33u);
    EXPECT_LE(settings.repeatIntervalMs, 400u);
    UINT lines = 0;
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
    EXPECT_EQ(settings.wheelLines,
              lines == WHEEL_PAGESCROLL ? plat::TInputSettings::kWheelPage : static_cast<int>(lines));
}

TEST_F(ToolkitInputOnWindowsTest, TheWheelScrollsTheTreeUnderThePointerWhileTheEditHasTheFocus) {
    const int lines = services->inputSettings().wheelLines;
    if (lines <= 0) {
        GTEST_SKIP() << "the wheel scrolls a page or nothing in this system's settings";
    }
    edit->setFocus();
    ASSERT_TRUE(serveUntil([] { return edit->focused(); }));
    tree->setOffsetY(0);

    turnWheel(handleOf(*edit), -120, onScreen(*tree, 50, 60));
    EXPECT_EQ(tree->offsetY(), lines * kRowHeight) << "the tree under the pointer took the turn";
    turnWheel(handleOf(*edit), 40, onScreen(*tree, 50, 60));
    turnWheel(handleOf(*edit), 40, onScreen(*tree, 50, 60));
    turnWheel(handleOf(*edit), 40, onScreen(*tree, 50, 60));
    EXPECT_EQ(tree->offsetY(), 0) << "three thirds of a notch back up";
    EXPECT_TRUE(edit->focused()) << "the focus stays where it was";

    // Over the edit box, or away from the window: the focused box leaves it, nobody scrolls.
    turnWheel(handleOf(*edit), -120, onScreen(*edit, 5, 5));
    turnWheel(handleOf(*edit), -120, POINT{-5000, -5000});
    EXPECT_EQ(tree->offsetY(), 0);

    // The focused tree takes a turn made away from the window.
    tree->setFocus();
    ASSERT_TRUE(serveUntil([] { return tree->focused(); }));
    turnWheel(handleOf(*tree), -120, POINT{-5000, -5000});
    EXPECT_EQ(tree->offsetY(), lines * kRowHeight);
}

TEST_F(ToolkitInputOnWindowsTest, ClipboardKeysGoThroughTheRealClipboard) {
    edit->setFocus();
    ASSERT_TRUE(serveUntil([] { return edit->focused(); }));
    edit->setText(L"report.txt");
    edit->setSelection(0, 6);
    ctrlKey('C');
    ASSERT_TRUE(serveUntil([] { return clipboard.clipboardText() == L"report"; }));
    EXPECT_EQ(edit->text(), L"report.txt");

    ctrlKey('X');
    ASSERT_TRUE(serveUntil([] { return edit->text() == L".txt"; }));
    EXPECT_EQ(clipboard.clipboardText(), L"report");

    ASSERT_TRUE(clipboard.setClipboardText(L"*.log\r\n"));
    edit->setSelection(0, 0);
    sendKeys({{VK_SHIFT, true}, {VK_INSERT, true}, {VK_INSERT, false}, {VK_SHIFT, false}});
    ASSERT_TRUE(serveUntil([] { return edit->text() == L"*.log.txt"; })) << "the line break is dropped";
    ctrlKey('A');
    ctrlKey('V');
    ASSERT_TRUE(serveUntil([] { return edit->text() == L"*.log"; }));
}

TEST_F(ToolkitInputOnWindowsTest, AHeldSpinButtonRepeatsOnTheRealTimer) {
    spin->setValue(100);
    const TRect up = spin->upButton();
    const POINT onUp = onScreen(*spin, up.left + up.width() / 2, up.top + up.height() / 2);
    plat::win32::movePointerTo(TPoint{onUp.x, onUp.y});
    serveFor(50ms);
    plat::win32::pressLeftButton();
    ASSERT_TRUE(serveUntil([] { return spin->value() == 101; })) << "the press steps at once";
    const plat::TInputSettings settings = services->inputSettings();
    // Held for the delay and five repetitions more.
    ASSERT_TRUE(plat::win32::serveMessagesUntil(
        [] { return spin->value() >= 104; },
        std::chrono::milliseconds(settings.repeatDelayMs + 5 * settings.repeatIntervalMs + 2000)));
    plat::win32::releaseLeftButton();
    serveFor(100ms);
    const std::int32_t released = spin->value();
    serveFor(std::chrono::milliseconds(settings.repeatDelayMs + 10 * settings.repeatIntervalMs));
    EXPECT_EQ(spin->value(), released) << "the release stops it";
}

TEST_F(ToolkitInputOnWindowsTest, AFixedSingleFrameHasOnlyTheCloseBoxWhichClosesTheWindow) {
    HWND window = handleOf(*closable);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    HMENU systemMenu = GetSystemMenu(window, FALSE);
    ASSERT_NE(systemMenu, nullptr);
    EXPECT_EQ(GetMenuState(systemMenu, SC_CLOSE, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED), 0u);

    int asked = 0;
    closable->OnCloseQuery = [&](TForm*, bool&) { ++asked; };
    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); // the close box
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(closable->visible());
    EXPECT_TRUE(IsWindow(window)) << "hidden, kept to be shown again";
    closable->OnCloseQuery = nullptr;
    closable->show();
    EXPECT_TRUE(IsWindowVisible(window));

    const LONG_PTR dialogStyle = GetWindowLongPtrW(handleOf(*dialog), GWL_STYLE);
    EXPECT_TRUE(dialogStyle & WS_CAPTION);
    EXPECT_FALSE(dialogStyle & (WS_SYSMENU | WS_THICKFRAME))
        << "a fixed dialog frame has no caption-bar buttons";
}
