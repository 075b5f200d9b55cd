// The caption-bar toolbar in a real window's caption bar: where its button lies, what the hit test
// answers there, the platform's non-client pointer messages turning into hover, leave and press,
// the small pictures for a caption bar too low for the large ones, and the window left as it was
// once the toolbar goes.

#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32CaptionBar.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Dispatcher.h"
#include "platform/win32/Win32Form.h"
#include "toolkit/CaptionToolBar.h"
#include "toolkit/Form.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include <windows.h>

using namespace std::chrono_literals;
using plat::win32::windowOf;

namespace {

class CaptionBarOnWindowsTest : public testing::Test {
protected:
    void SetUp() override {
        plat::installControlBackend(&backend);
        plat::installWidgetServices(&widgets);
        plat::installCaptionBarBackend(&captionBackend);
        form = std::make_unique<TForm>();
        form->setCaption(L"Korvane ADS Ombrolux");
        form->setClientSize(540, 200);
        bar = std::make_unique<TCaptionToolBar>();
        bar->OnClick = [this](TCaptionToolBar* sender) {
            ++clicks;
            stateInClick = sender->state();
        };
    }
    void TearDown() override {
        bar.reset();
        form.reset();
        plat::installCaptionBarBackend(nullptr);
        plat::installWidgetServices(nullptr);
        plat::installControlBackend(nullptr);
    }

    static TCaptionButtonPictures picturesOf(int width, int height) {
        return TCaptionButtonPictures{TBitmap32(width, height, TRGBA{200, 0, 0, 255}),
                                      TBitmap32(width, height, TRGBA{0, 200, 0, 255}),
                                      TBitmap32(width, height, TRGBA{0, 0, 200, 255})};
    }
    void showAttached() {
        form->show();
        bar->attach(*form);
        plat::win32::serveMessagesUntil([] { return false; }, 200ms);
    }
    HWND window() const { return static_cast<HWND>(windowOf(form->peer())); }
    LRESULT send(UINT message, WPARAM wParam, TPoint screen) {
        return SendMessageW(window(), message, wParam, MAKELPARAM(screen.x, screen.y));
    }
    static TPoint centreOf(const TRect& r) { return TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

    plat::win32::TWin32Backend backend;
    plat::win32::TWin32WidgetServices widgets;
    plat::win32::TWin32CaptionBarBackend captionBackend;
    std::unique_ptr<TForm> form;
    std::unique_ptr<TCaptionToolBar> bar;
    int clicks = 0;
    TCaptionButtonState stateInClick = TCaptionButtonState::normal;
};

TEST_F(CaptionBarOnWindowsTest, TheButtonLiesInTheCaptionBarAndTakesThePointersMessages) {
    bar->setPictures(picturesOf(40, 12), picturesOf(20, 8));
    showAttached();
    ASSERT_TRUE(bar->attached());

    RECT outer{};
    ASSERT_TRUE(GetWindowRect(window(), &outer));
    const TPoint client = plat::win32::clientToScreen(window(), TPoint{0, 0});
    const TRect button = plat::win32::captionButtonOnScreen(window());
    ASSERT_FALSE(button.empty());
    EXPECT_EQ(button.width(), 40) << "the caption bar holds the large picture";
    EXPECT_EQ(button.height(), 12);
    EXPECT_GT(button.top, outer.top);
    EXPECT_LT(button.bottom, client.y) << "above the client area";
    EXPECT_LT(button.left, outer.left + 60) << "at the caption bar's start, before the caption text";

    const TPoint centre = centreOf(button);
    EXPECT_EQ(send(WM_NCHITTEST, 0, centre), HTBORDER) << "the button's place does not move the window";
    EXPECT_EQ(send(WM_NCHITTEST, 0, TPoint{button.right + 150, centre.y}), HTCAPTION);

    send(WM_NCMOUSEMOVE, HTBORDER, centre);
    EXPECT_EQ(bar->state(), TCaptionButtonState::hover);
    send(WM_NCMOUSEMOVE, HTCAPTION, TPoint{button.right + 150, centre.y});
    EXPECT_EQ(bar->state(), TCaptionButtonState::normal);
    send(WM_NCMOUSEMOVE, HTBORDER, centre);
    SendMessageW(window(), WM_NCMOUSELEAVE, 0, 0);
    EXPECT_EQ(bar->state(), TCaptionButtonState::normal);

    plat::win32::movePointerTo(TPoint{outer.right + 40, outer.bottom + 40}); // away from the button
    EXPECT_EQ(send(WM_NCLBUTTONDOWN, HTBORDER, centre), 0);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(stateInClick, TCaptionButtonState::pressed);
    EXPECT_EQ(bar->state(), TCaptionButtonState::normal) << "the pointer is elsewhere once the press is over";
    // (A press answered HTCAPTION would start the platform's move of the window: not sent here.)
    send(WM_NCLBUTTONDOWN, HTBORDER, TPoint{button.right + 150, centre.y});
    EXPECT_EQ(clicks, 1) << "a press beside the button is not the button's";

    bar.reset();
    EXPECT_TRUE(plat::win32::captionButtonOnScreen(window()).empty());
    EXPECT_EQ(send(WM_NCHITTEST, 0, centre), HTCAPTION) << "the window is as it was";
}

TEST_F(CaptionBarOnWindowsTest, ACaptionBarTooLowForTheLargePictureShowsTheSmallOne) {
    bar->setPictures(picturesOf(60, GetSystemMetrics(SM_CYCAPTION) + 4), picturesOf(24, 10));
    showAttached();
    const TRect button = plat::win32::captionButtonOnScreen(window());
    EXPECT_EQ(button.width(), 24);
    EXPECT_EQ(button.height(), 10);
}

} // namespace
