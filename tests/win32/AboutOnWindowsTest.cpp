// The About window for real: made as start-up makes it, its signature check answered by the
// platform's trust service (this test executable is not signed), shown over a main window, checked
// on its screenshot and its frame, and its link icons turning coloured under the pointer.
//
// KW_ABOUT_PNG=path saves the screenshot; KW_ABOUT_SHOW_SECONDS=n keeps the window on screen.

#include "platform/headless/RasterCanvas.h"
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Dispatcher.h"
#include "platform/win32/Win32Form.h"
#include "platform/win32/Win32PrivilegeServices.h"
#include "platform/win32/Win32TrustServices.h"
#include "toolkit/PngDecoder.h"
#include "toolkit/RasterExpect.h"
#include "ui/about/UntAbout.h"
#include "ui/about/UntAboutArt.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>

#include <windows.h>

using namespace std::chrono_literals;
using plat::win32::windowOf;
using rastertest::hex;

namespace {

constexpr TColor kHeader = hexColor(0x28323C);
constexpr TColor kBackground = hexColor(0xE2E6EA);

class AboutOnWindowsTest : public testing::Test {
protected:
    void SetUp() override {
        plat::installControlBackend(&backend);
        plat::installWidgetServices(&widgets);
        plat::installUiDispatcher(&dispatcher);
        plat::installPrivilegeServices(&privilege);
        plat::installTrustServices(&trustServices);
    }
    void TearDown() override {
        about.reset();
        main.reset();
        plat::installTrustServices(nullptr);
        plat::installPrivilegeServices(nullptr);
        plat::installUiDispatcher(nullptr);
        plat::installWidgetServices(nullptr);
        plat::installControlBackend(nullptr);
    }

    static void serveFor(std::chrono::milliseconds time) {
        plat::win32::serveMessagesUntil([] { return false; }, time);
    }
    // The screen's picture of the About window's client area.
    plat::win32::TScreenPicture shot() {
        serveFor(150ms);
        return plat::win32::captureClientArea(windowOf(about->peer()));
    }
    // The pixel of picture seen over the header's colour.
    static TColor overHeader(const TBitmap32& picture, int x, int y) {
        plat::headless::TRasterCanvas canvas(picture.width, picture.height, kHeader);
        canvas.drawBitmap(0, 0, picture);
        return canvas.at(x, y);
    }

    plat::win32::TWin32Backend backend;
    plat::win32::TWin32WidgetServices widgets;
    plat::win32::TWin32Dispatcher dispatcher;
    plat::TWin32PrivilegeServices privilege;
    plat::TWin32TrustServices trustServices;
    std::unique_ptr<TForm> main;
    std::unique_ptr<TFrmAbout> about;
};

TEST_F(AboutOnWindowsTest, ShowsNameVersionAndTheUnsignedStatus) {
    main = std::make_unique<TForm>();
    main->setCaption(L"Korvane ADS Ombrolux");
    main->setClientSize(540, 433);
    main->setPosition(poScreenCenter);
    main->setMainForm(true);
    main->show();
    about = std::make_unique<TFrmAbout>();
    EXPECT_FALSE(about->visible()) << "made hidden";

    // The check's outcome comes through the UI thread's messages.
    ASSERT_TRUE(plat::win32::serveMessagesUntil([&] { return about->signStatus() != ssChecking; }, 30000ms));
    EXPECT_EQ(about->signStatus(), ssNotSigned);
    EXPECT_EQ(about->labelStatusTitle->caption(), L"Not signed");
    // The test executable's version resource (testres.rc).
    EXPECT_EQ(about->labelName->caption(), L"Korvane ADS Ombrolux");
    EXPECT_EQ(about->LabelVersion->caption(), L"v1.2.3 build 4");

    about->show();
    ASSERT_TRUE(about->visible());
    // A fixed single frame with the close box only, centred over the main window.
    HWND aboutWindow = static_cast<HWND>(windowOf(about->peer()));
    const LONG_PTR style = GetWindowLongPtrW(aboutWindow, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX));
    RECT aboutRect{};
    RECT mainRect{};
    GetWindowRect(aboutWindow, &aboutRect);
    GetWindowRect(static_cast<HWND>(windowOf(main->peer())), &mainRect);
    EXPECT_NEAR((aboutRect.left + aboutRect.right) / 2, (mainRect.left + mainRect.right) / 2, 1);
    EXPECT_NEAR((aboutRect.top + aboutRect.bottom) / 2, (mainRect.top + mainRect.bottom) / 2, 1);
    // Owned by the main window: it stays above it, and the main window alone is on the task bar.
    EXPECT_EQ(GetWindow(aboutWindow, GW_OWNER), static_cast<HWND>(windowOf(main->peer())));
    EXPECT_FALSE(GetWindowLongPtrW(aboutWindow, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    const plat::win32::TScreenPicture screen = shot();
    ASSERT_EQ(screen.width, 458);
    ASSERT_EQ(screen.height, 457);
    if (const char* path = std::getenv("KW_ABOUT_PNG")) {
        plat::headless::TRasterCanvas canvas(screen.width, screen.height);
        for (int y = 0; y < screen.height; ++y) {
            for (int x = 0; x < screen.width; ++x) {
                canvas.setPixel(x, y, screen.at(x, y));
            }
        }
        canvas.savePng(path);
    }

    // Header below the banner, the separator, the footer, the window's background.
    EXPECT_EQ(hex(screen.at(300, 87)), hex(kHeader));
    EXPECT_EQ(hex(screen.at(100, 273)), hex(kHeader));
    EXPECT_EQ(hex(screen.at(3, 450)), hex(kHeader));
    EXPECT_EQ(hex(screen.at(455, 350)), hex(kBackground));
    // The banner from its corner.
    const TBitmap32 banner = decodePng(aboutart::kBanner);
    EXPECT_EQ(hex(screen.at(40, 40)), hex(overHeader(banner, 40, 40)));
    // The status panel in its "not signed" colours: band and fill.
    EXPECT_EQ(hex(screen.at(32, 388)), hex(hexColor(0xFAEBCC)));
    EXPECT_EQ(hex(screen.at(36, 362)), hex(hexColor(0xFCF8E3)));

    // The LinkedIn icon: grey at rest, coloured under the pointer, grey when it has left.
    const TBitmap32 grey = decodePng(aboutart::kLinkLinkedinGrey);
    const TBitmap32 colour = decodePng(aboutart::kLinkLinkedinColour);
    const TPoint inIcon{83 + 4, 54 + 16};
    EXPECT_EQ(hex(screen.at(inIcon.x, inIcon.y)), hex(overHeader(grey, 4, 16)));
    void* window = windowOf(about->peer());
    plat::win32::movePointerTo(plat::win32::clientToScreen(window, inIcon));
    const plat::win32::TScreenPicture hovered = shot();
    EXPECT_EQ(hex(hovered.at(inIcon.x, inIcon.y)), hex(overHeader(colour, 4, 16)));
    plat::win32::movePointerTo(plat::win32::clientToScreen(window, TPoint{300, 200}));
    const plat::win32::TScreenPicture left = shot();
    EXPECT_EQ(hex(left.at(inIcon.x, inIcon.y)), hex(overHeader(grey, 4, 16)));

    if (const char* seconds = std::getenv("KW_ABOUT_SHOW_SECONDS")) {
        serveFor(std::chrono::seconds(std::atoi(seconds)));
    }
}

} // namespace
