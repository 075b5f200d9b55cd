// The widget services on Windows: a form's client size, minimum and centring, its close request;
// pop-up menus as platform menus; timers ticking on the UI thread; the system icon list; text
// measured with real fonts.

#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Dispatcher.h"
#include "platform/win32/Win32Dpi.h"
#include "platform/win32/Win32Form.h"
#include "platform/win32/Win32Gdi.h"
#include "toolkit/Form.h"
#include "toolkit/ImageList.h"
#include "toolkit/Menu.h"
#include "toolkit/Panel.h"
#include "toolkit/Shape.h"
#include "toolkit/TextLayout.h"
#include "toolkit/Timer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

#include <windows.h>

#include <shellapi.h>

using namespace std::chrono_literals;
using plat::win32::windowOf;

namespace {

// One form for the whole suite: Wine without a window manager is slow to close top-level windows.
class Win32WidgetsTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        plat::installControlBackend(&backend);
        services = new plat::win32::TWin32WidgetServices();
        plat::installWidgetServices(services);
        form = new TForm();
        form->setCaption(L"Korvane widgets");
        form->setClientSize(540, 433);
        form->setMinClientSize(540, 433);
        form->setPosition(poScreenCenter);
        form->show();
    }
    static void TearDownTestSuite() {
        delete form;
        form = nullptr;
        plat::installWidgetServices(nullptr);
        delete services;
        services = nullptr;
        plat::installControlBackend(nullptr);
    }
    static HWND formWindow() { return static_cast<HWND>(windowOf(form->peer())); }
    static bool serveUntil(const std::function<bool()>& done) {
        return plat::win32::serveMessagesUntil(done, 3000ms);
    }

    static inline plat::win32::TWin32Backend backend;
    static inline plat::win32::TWin32WidgetServices* services = nullptr;
    static inline TForm* form = nullptr;
};

// A thread timer's step while a menu runs: the user presses the down arrow three times (the first
// item, the disabled one, the last; the separator is passed over) and Enter.
void CALLBACK pressKeysInMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND menuWindow = FindWindowW(L"#32768", nullptr);
    for (WPARAM key : {WPARAM(VK_DOWN), WPARAM(VK_DOWN), WPARAM(VK_DOWN), WPARAM(VK_RETURN)}) {
        PostMessageW(menuWindow, WM_KEYDOWN, key, 0);
        PostMessageW(menuWindow, WM_KEYUP, key, 0);
    }
}

// The width of the icon a window shows as which (ICON_BIG or ICON_SMALL); 0 when it has none of its
// own (the system's default is then drawn).
int windowIconWidth(HWND window, WPARAM which) {
    const auto icon = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, which, 0));
    ICONINFO info{};
    if (icon == nullptr || !GetIconInfo(icon, &info)) {
        return 0;
    }
    BITMAP bitmap{};
    GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
    if (info.hbmColor != nullptr) {
        DeleteObject(info.hbmColor);
    }
    DeleteObject(info.hbmMask);
    return bitmap.bmWidth;
}

} // namespace

TEST_F(Win32WidgetsTest, FormShowsTheProgramsIconAtTheSizesOfItsDpi) {
    HWND window = formWindow();
    ASSERT_NE(window, nullptr);
    const int dpi = plat::win32::windowDpi(window);
    EXPECT_EQ(windowIconWidth(window, ICON_BIG), plat::win32::systemMetricForDpi(SM_CXICON, dpi));
    EXPECT_EQ(windowIconWidth(window, ICON_SMALL), plat::win32::systemMetricForDpi(SM_CXSMICON, dpi));

    // Moved to a display at 200 %, it takes the icons drawn for it; back, the first ones again.
    RECT outer{};
    GetWindowRect(window, &outer);
    for (int shown : {192, dpi}) {
        SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(shown, shown), reinterpret_cast<LPARAM>(&outer));
        EXPECT_EQ(windowIconWidth(window, ICON_BIG), plat::win32::systemMetricForDpi(SM_CXICON, shown));
        EXPECT_EQ(windowIconWidth(window, ICON_SMALL), plat::win32::systemMetricForDpi(SM_CXSMICON, shown));
    }
}

TEST_F(Win32WidgetsTest, FormHasItsClientSizeInTheMiddleOfTheScreenAndItsMinimum) {
    HWND window = formWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 540);
    EXPECT_EQ(client.bottom, 433);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    EXPECT_EQ(std::wstring(title), L"Korvane widgets");

    // Centred: the whole window, frame included, in the middle of the work area.
    RECT outer{};
    GetWindowRect(window, &outer);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR(outer.left - work.left, work.right - outer.right, 1);
    EXPECT_NEAR(outer.top - work.top, work.bottom - outer.bottom, 1);
    // The control knows where its client area went.
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    EXPECT_EQ(form->left(), origin.x);
    EXPECT_EQ(form->top(), origin.y);

    // The platform's minimum tracking size is the minimum client size with the frame around it.
    MINMAXINFO limits{};
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(limits.ptMinTrackSize.x, outer.right - outer.left);
    EXPECT_EQ(limits.ptMinTrackSize.y, outer.bottom - outer.top);
}

TEST_F(Win32WidgetsTest, CloseRequestAsksTheFormAndHidesItWhenAllowed) {
    bool allow = false;
    int asked = 0;
    form->OnCloseQuery = [&](TForm*, bool& canClose) {
        ++asked;
        canClose = allow;
    };
    SendMessageW(formWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(IsWindowVisible(formWindow()));
    allow = true;
    SendMessageW(formWindow(), WM_CLOSE, 0, 0);
    EXPECT_EQ(asked, 2);
    ASSERT_TRUE(IsWindow(formWindow())); // hidden, not destroyed
    EXPECT_FALSE(IsWindowVisible(formWindow()));
    form->OnCloseQuery = nullptr;
    form->show();
    EXPECT_TRUE(IsWindowVisible(formWindow()));
}

TEST_F(Win32WidgetsTest, PopupMenuBecomesAPlatformMenuAndAnswersTheChosenItem) {
    TImageList images(16, 16);
    images.add(TBitmap32(16, 16, TRGBA{0, 128, 255, 255}));
    TPopupMenu menu;
    menu.setImages(&images);
    menu.setPopupComponent(form);
    std::wstring clicked;
    auto note = [&](TMenuItem* item) { clicked = item->caption(); };
    menu.items().addItem(L"Full Expand", 0, note);
    menu.items().addItem(L"-");
    menu.items().addItem(L"Hidden", -1, note)->setVisible(false);
    menu.items().addItem(L"Disabled", -1, note)->setEnabled(false);
    menu.items().addItem(L"Check all Items", -1, note);

    struct TSeen {
        int count = 0;
        std::wstring captions;
        bool separatorSecond = false;
        bool disabledGrey = false;
        bool firstHasBitmap = false;
    } seen;
    services->onMenuTracking = [&](void* handle, void* /*owner*/) {
        HMENU platformMenu = static_cast<HMENU>(handle);
        seen.count = GetMenuItemCount(platformMenu);
        for (int i = 0; i < seen.count; ++i) {
            wchar_t text[64] = {};
            MENUITEMINFOW item{};
            item.cbSize = sizeof(item);
            item.fMask = MIIM_STRING | MIIM_FTYPE | MIIM_STATE | MIIM_BITMAP;
            item.dwTypeData = text;
            item.cch = 64;
            GetMenuItemInfoW(platformMenu, static_cast<UINT>(i), TRUE, &item);
            seen.captions += std::wstring(text) + L"|";
            if (i == 1) {
                seen.separatorSecond = (item.fType & MFT_SEPARATOR) != 0;
            }
            if (i == 0) {
                seen.firstHasBitmap = item.hbmpItem != nullptr;
            }
            if (std::wstring(text) == L"Disabled") {
                seen.disabledGrey = (item.fState & MFS_DISABLED) != 0;
            }
        }
        SetTimer(nullptr, 0, 50, pressKeysInMenu);
    };
    // The form paints (and makes its back buffer) before the count is taken.
    plat::win32::serveMessagesUntil([] { return false; }, 100ms);
    const int gdiBefore = plat::win32::liveGdiObjects();
    menu.Popup(form->left() + 20, form->top() + 20);
    services->onMenuTracking = nullptr;
    EXPECT_EQ(plat::win32::liveGdiObjects(), gdiBefore); // the item bitmaps went with the menu

    EXPECT_EQ(seen.count, 4); // the hidden item is not there
    EXPECT_EQ(seen.captions, L"Full Expand||Disabled|Check all Items|");
    EXPECT_TRUE(seen.separatorSecond);
    EXPECT_TRUE(seen.disabledGrey);
    EXPECT_TRUE(seen.firstHasBitmap);
    EXPECT_EQ(clicked, L"Check all Items");
}

TEST_F(Win32WidgetsTest, TimersTickOnTheUiThread) {
    const std::thread::id uiThread = std::this_thread::get_id();
    TTimer periodic;
    int ticks = 0;
    bool onUiThread = true;
    periodic.setInterval(10);
    periodic.OnTimer = [&](TTimer*) {
        ++ticks;
        onUiThread = onUiThread && std::this_thread::get_id() == uiThread;
    };
    ASSERT_TRUE(periodic.running());
    EXPECT_TRUE(serveUntil([&] { return ticks >= 3; }));
    EXPECT_TRUE(onUiThread);
    periodic.setEnabled(false);
    const int stoppedAt = ticks;
    plat::win32::serveMessagesUntil([] { return false; }, 100ms);
    EXPECT_EQ(ticks, stoppedAt);

    TTimer once;
    once.setInterval(1);
    once.setOneShot(true);
    int onceTicks = 0;
    once.OnTimer = [&](TTimer*) { ++onceTicks; };
    EXPECT_TRUE(serveUntil([&] { return onceTicks >= 1; }));
    plat::win32::serveMessagesUntil([] { return false; }, 100ms);
    EXPECT_EQ(onceTicks, 1);
    EXPECT_FALSE(once.running());
}

TEST_F(Win32WidgetsTest, SystemIconListShowsTheShellsSmallIcons) {
    SHFILEINFOW info{};
    const auto list = static_cast<std::uintptr_t>(
        SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (list == 0) {
        GTEST_SKIP() << "the shell answers no system icon list here";
    }
    const int gdiBefore = plat::win32::liveGdiObjects();
    TImageList sys(16, 16);
    sys.attachSystemList(list);
    EXPECT_GT(sys.count(), info.iIcon);
    const TBitmap32* icon = sys.image(info.iIcon);
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->width, 16);
    EXPECT_EQ(icon->height, 16);
    int opaque = 0;
    for (const TRGBA& pixel : icon->pixels) {
        opaque += pixel.a > 128 ? 1 : 0;
    }
    EXPECT_GT(opaque, 16); // a picture, not an empty square
    EXPECT_LT(opaque, 256 + 1);
    EXPECT_EQ(sys.image(sys.count()), nullptr);
    EXPECT_EQ(plat::win32::liveGdiObjects(), gdiBefore); // the icon's bitmaps are released
}

TEST_F(Win32WidgetsTest, TextIsMeasuredWithTheRealFont) {
    TFont arial;
    arial.name = L"Arial";
    arial.size = 10;
    const int oneLine = lineHeightOf(arial);
    EXPECT_GT(oneLine, 10);
    EXPECT_LT(oneLine, 30);
    const std::wstring text = L"This program will scan all available fixed drives and removable drives";
    const int wide = textWidthIn(arial, text);
    EXPECT_GT(wide, 200);
    EXPECT_EQ(wrappedTextHeight(arial, text, wide + 1), oneLine);
    EXPECT_GE(wrappedTextHeight(arial, text, wide / 3), 3 * oneLine);
    EXPECT_GT(textWidthIn(arial, L"WWWW"), textWidthIn(arial, L"iiii")); // proportional, not cells
}

TEST_F(Win32WidgetsTest, CustomDrawnWidgetsLookTheSameOnTheScreen) {
    auto* gradient = form->create<TW7Panel>();
    gradient->setBounds(10, 10, 100, 51);
    gradient->setStartColor(hexColor(0xFFFFFF));
    gradient->setEndColor(hexColor(0x204060));
    auto* frame = gradient->create<TShape>();
    frame->setBounds(60, 5, 20, 10);
    frame->setPenColor(hexColor(0xA0AFC3));
    frame->setBrushColor(hexColor(0x0000FF));
    plat::win32::bringToFront(formWindow());
    plat::win32::TScreenPicture shot;
    const bool shown = serveUntil([&] {
        shot = plat::win32::captureClientArea(formWindow());
        return shot.width > 0 && shot.at(10, 10) == hexColor(0xFFFFFF) &&
               shot.at(75, 20) == hexColor(0x0000FF);
    });
    EXPECT_TRUE(shown);
    ASSERT_GE(shot.width, 110);
    EXPECT_EQ(shot.at(10, 10), hexColor(0xFFFFFF));
    EXPECT_EQ(shot.at(109, 60), hexColor(0x204060));
    EXPECT_EQ(shot.at(50, 35), TW7Panel::gradientAt(hexColor(0xFFFFFF), hexColor(0x204060), 25, 51));
    EXPECT_EQ(shot.at(75, 15), hexColor(0xA0AFC3)); // the shape's top edge
    EXPECT_EQ(shot.at(75, 20), hexColor(0x0000FF));
    form->removeControl(gradient).reset();
}
