// The program's styled controls seen for real: a window under the Windows toolkit backend with the
// four flat buttons in their colours (btnAction idle, btnStop, btnOk, btnCancel), the alert panel
// pAlert, the dialog's button bar SEPanel1 and the secondary progress bar. Its screenshot is
// checked at the pixels the controls' looks define, the pointer moves the buttons through their
// looks, and a few hundred paints must leave no GDI object behind.
//
// KW_HARNESS_SHOW_SECONDS=n keeps the window on screen n seconds after the checks;
// KW_HARNESS_PNG=path saves the screenshot the test took.

#include "platform/headless/RasterCanvas.h"
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Dispatcher.h"
#include "platform/win32/Win32Gdi.h"
#include "toolkit/RasterExpect.h"
#include "ui/styled/SEAdvPanel.h"
#include "ui/styled/SEMenuItem.h"
#include "ui/styled/SEPanel.h"
#include "ui/styled/SEProgressBar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using plat::headless::TRasterCanvas;
using plat::win32::windowOf;
using rastertest::hex;
using rastertest::regionIs;

namespace {

// ---- The colours of the program's controls.
constexpr TColor kWhite = hexColor(0xFFFFFF);
// pAlert and btnAction in the idle mode.
constexpr TColor kAlertFill = hexColor(0xD9EDF7);
constexpr TColor kAlertBorder = hexColor(0xBCE8F1);
constexpr TColor kActionFill = hexColor(0xAEDAEE);
constexpr TColor kActionBorder = hexColor(0x78C0E2);
constexpr TColor kActionText = hexColor(0x247EAA);
// btnStop.
constexpr TColor kStopFill = hexColor(0xFCF8E3);
constexpr TColor kStopBorder = hexColor(0xEED962);
constexpr TColor kStopText = hexColor(0xA58E12);
// pbSec in the busy mode.
constexpr TColor kBarBack = hexColor(0xFCF8E3);
constexpr TColor kBarBorder = hexColor(0xFAEBCC);
// SEPanel1, btnOk and btnCancel.
constexpr TColor kBarFill = hexColor(0xF5F6F7);
constexpr TColor kBarTopBorder = hexColor(0xDADBDC);
constexpr TColor kDialogText = hexColor(0x3C3C3C);
constexpr TColor kOkHover = hexColor(0xE8EFF7);
constexpr TColor kOkHoverBorder = hexColor(0xA4CEF9);
constexpr TColor kOkAction = hexColor(0xC9E0F7);
constexpr TColor kOkActionBorder = hexColor(0x62A2E4);

constexpr TSEBorders kAllBorders = bLeft | bTop | bRight | bBottom;
constexpr TPoint kFarAway{1270, 1010};
constexpr int kFormWidth = 420;
constexpr int kFormHeight = 170;

// The window everything sits on.
class THarnessForm : public TControl {
public:
    THarnessForm() {
        setAcceptsControls(true);
        setColor(kWhite);
        setCaption(L"Styled controls");
    }
};

// A 16-pixel icon: a disc of colour with smooth edges and a white mark, a tick or a cross.
TBitmap32 discIcon(TRGBA colour, bool tick) {
    TBitmap32 icon(16, 16);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const double distance = std::hypot(x + 0.5 - 8.0, y + 0.5 - 8.0);
            const double cover = std::clamp(8.0 - distance, 0.0, 1.0);
            icon.at(x, y) = colour;
            icon.at(x, y).a = static_cast<std::uint8_t>(std::lround(cover * 255));
        }
    }
    const TRGBA white{255, 255, 255, 255};
    for (int i = 0; i < 7; ++i) {
        if (tick) {
            if (i < 3) {
                icon.at(4 + i, 7 + i) = white;
                icon.at(4 + i, 8 + i) = white;
            }
            icon.at(6 + i, 9 - i) = white;
            icon.at(6 + i, 10 - i) = white;
        } else {
            icon.at(5 + i, 5 + i) = white;
            icon.at(11 - i, 5 + i) = white;
        }
    }
    return icon;
}

// The main window's 16-pixel list as far as the dialog uses it: 10 the cancel icon, 11 the ok icon.
TImageList img16() {
    TImageList list(16, 16);
    for (int i = 0; i < 10; ++i) {
        list.add(TBitmap32(16, 16, TRGBA{128, 128, 128, 255}));
    }
    list.add(discIcon(TRGBA{220, 60, 60, 255}, false));
    list.add(discIcon(TRGBA{60, 170, 70, 255}, true));
    return list;
}

// The harness window and its controls, as the program's forms declare them.
struct THarness {
    TImageList images = img16();
    THarnessForm form;
    TSEAdvPanel* pAlert = nullptr;
    TSEMenuItem* btnAction = nullptr;
    TSEMenuItem* btnStop = nullptr;
    TSEProgressBar* pbSec = nullptr;
    TSEPanel* SEPanel1 = nullptr;
    TSEMenuItem* btnOk = nullptr;
    TSEMenuItem* btnCancel = nullptr;
    int okClicks = 0;

    THarness() {
        form.setBounds(60, 60, kFormWidth, kFormHeight);

        pAlert = form.create<TSEAdvPanel>();
        pAlert->setBounds(4, 4, 412, 110);
        pAlert->setBorders(kAllBorders);
        pAlert->setBorderLeftSize(5);
        pAlert->setBackgroundColor(kAlertFill);
        pAlert->setBorderLeftColor(kAlertBorder);
        pAlert->setBorderRightColor(kAlertBorder);
        pAlert->setBorderTopColor(kAlertBorder);
        pAlert->setBorderBottomColor(kAlertBorder);
        pAlert->setCaption(L"");

        btnAction = pAlert->create<TSEMenuItem>();
        btnAction->setBounds(412 - 109 - 4, 110 - 28 - 4, 109, 28);
        btnAction->setBorders(kAllBorders);
        btnAction->setCaption(L"Run Scan");
        btnAction->setArrow(true);
        btnAction->setArrowDirection(atDown);
        btnAction->setImageIndex(0); // the tag of "Run Scan"
        btnAction->setFont(TFont{L"Arial", 9, 0, kActionText});
        btnAction->setBackgroundColor(kActionFill);
        btnAction->setBorderColor(kActionBorder);
        btnAction->setFontColor(kActionText);
        btnAction->setHoverColor(kActionBorder);
        btnAction->setActionColor(kActionBorder);
        btnAction->setBorderColorAction(kActionBorder);
        btnAction->setBorderColorHover(kActionBorder);

        btnStop = pAlert->create<TSEMenuItem>();
        btnStop->setBounds(412 - 22 - 4, 4, 22, 21);
        btnStop->setBorders(kAllBorders);
        btnStop->setCaption(L"X");
        btnStop->setImageIndex(0);
        btnStop->setFont(TFont{L"Arial Black", 10, fsBold, kStopText});
        btnStop->setBackgroundColor(kStopFill);
        btnStop->setBorderColor(kStopBorder);
        btnStop->setHoverColor(hexColor(0xF3E48F));
        btnStop->setBorderColorHover(kStopBorder);
        btnStop->setActionColor(hexColor(0xE7C91F));
        btnStop->setBorderColorAction(hexColor(0xE7C91F));

        pbSec = pAlert->create<TSEProgressBar>();
        pbSec->setBounds(62, 62, 291, 7);
        pbSec->setBorders(bBottom);
        pbSec->setBackgroundColor(kBarBack);
        pbSec->setBorderColor(kBarBorder);
        pbSec->setProgressColor(kBarBorder);
        pbSec->setMax(1200);
        pbSec->setPosition(600);

        SEPanel1 = form.create<TSEPanel>();
        SEPanel1->setBounds(0, kFormHeight - 38, kFormWidth, 38);
        SEPanel1->setBorders(bTop);
        SEPanel1->setBorderColor(kBarTopBorder);
        SEPanel1->setBackgroundColor(kBarFill);
        SEPanel1->setCaption(L"");

        btnOk = SEPanel1->create<TSEMenuItem>();
        btnOk->setBounds(kFormWidth - 86 - 4, 5, 86, 28);
        dialogButton(*btnOk, L"Valid", 11);
        btnOk->setArrow(true);
        btnOk->setArrowDirection(atRight);
        btnOk->setHoverColor(kOkHover);
        btnOk->setBorderColorHover(kOkHoverBorder);
        btnOk->setActionColor(kOkAction);
        btnOk->setBorderColorAction(kOkActionBorder);
        btnOk->OnClick = [this](TControl*) { ++okClicks; };

        btnCancel = SEPanel1->create<TSEMenuItem>();
        btnCancel->setBounds(btnOk->left() - 86 - 4, 5, 86, 28);
        dialogButton(*btnCancel, L"Cancel", 10);
        btnCancel->setHoverColor(hexColor(0xF7E9E9));
        btnCancel->setBorderColorHover(hexColor(0xF9A5A6));
        btnCancel->setActionColor(hexColor(0xF7CACB));
        btnCancel->setBorderColorAction(hexColor(0xE46365));

        form.createHandle();
        plat::win32::bringToFront(window());
        settle();
    }

    void dialogButton(TSEMenuItem& button, const wchar_t* caption, int image) {
        button.setBorders(kAllBorders);
        button.setCaption(caption);
        button.setImages(&images);
        button.setImageIndex(image);
        button.setIcoSize(ico16px);
        button.setImgAlign(seAlLeft);
        button.recolorFont(kDialogText);
        button.setFontColor(kDialogText);
        button.setBackgroundColor(kBarFill);
        button.setBorderColor(kBarFill);
    }

    void* window() const { return windowOf(form.peer()); }
    // Serves the window's messages a moment: pending paints are done and shown.
    static void settle(std::chrono::milliseconds time = 300ms) {
        plat::win32::serveMessagesUntil([] { return false; }, time);
    }
    // Where a control's client area starts in the window's client area.
    TPoint origin(const TControl& control) const {
        const TPoint form0 = plat::win32::clientToScreen(window(), TPoint{0, 0});
        const TPoint at = plat::win32::clientToScreen(windowOf(control.peer()), TPoint{0, 0});
        return TPoint{at.x - form0.x, at.y - form0.y};
    }
    TPoint onScreen(const TControl& control, int x, int y) const {
        return plat::win32::clientToScreen(windowOf(control.peer()), TPoint{x, y});
    }
    // What the screen shows of the window now, as a raster (to check and to save).
    TRasterCanvas screenshot() const {
        const plat::win32::TScreenPicture shot = plat::win32::captureClientArea(window());
        TRasterCanvas copy(shot.width, shot.height);
        for (int y = 0; y < shot.height; ++y) {
            for (int x = 0; x < shot.width; ++x) {
                copy.setPixel(x, y, shot.at(x, y));
            }
        }
        return copy;
    }
};

// ---- Checks on a screenshot, in a control's own coordinates.

struct TView {
    const TRasterCanvas& shot;
    TPoint origin;
    TColor at(int x, int y) const { return shot.at(origin.x + x, origin.y + y); }
    TRect area(const TRect& r) const {
        return TRect{origin.x + r.left, origin.y + r.top, origin.x + r.right, origin.y + r.bottom};
    }
};

testing::AssertionResult regionOf(const TView& view, const TRect& rect, TColor color) {
    return regionIs(view.shot, view.area(rect), color);
}

// The outline on all four sides of a w x h control and the fill just inside it.
testing::AssertionResult framedBox(const TView& view, int w, int h, TColor outline, TColor fill) {
    for (const TRect& edge :
         {TRect{0, 0, w, 1}, TRect{0, h - 1, w, h}, TRect{0, 0, 1, h}, TRect{w - 1, 0, w, h}}) {
        if (auto result = regionOf(view, edge, outline); !result) {
            return result << " (outline)";
        }
    }
    for (const TPoint& p : {TPoint{1, 1}, TPoint{w - 2, 1}, TPoint{1, h - 2}, TPoint{w - 2, h - 2}}) {
        if (view.at(p.x, p.y) != fill) {
            return testing::AssertionFailure() << "fill at (" << p.x << ", " << p.y << ") is "
                                               << hex(view.at(p.x, p.y)) << ", expected " << hex(fill);
        }
    }
    return testing::AssertionSuccess();
}

// The arrow glyph with its box at (x, y): S solid, m mixed once, t (the tip) mixed twice, '.' the fill.
testing::AssertionResult glyphAt(const TView& view, int x, int y, const std::vector<std::string>& pattern,
                                 TColor colour, TColor fill) {
    const TColor once = MixColors(colour, fill, 222);
    const TColor twice = MixColors(colour, once, 222);
    for (int row = 0; row < static_cast<int>(pattern.size()); ++row) {
        for (int column = 0; column < static_cast<int>(pattern[row].size()); ++column) {
            const char kind = pattern[row][column];
            const TColor expected = kind == 'S' ? colour : kind == 'm' ? once : kind == 't' ? twice : fill;
            if (view.at(x + column, y + row) != expected) {
                return testing::AssertionFailure()
                       << "glyph pixel (" << column << ", " << row << ") '" << kind << "' is "
                       << hex(view.at(x + column, y + row)) << ", expected " << hex(expected);
            }
        }
    }
    return testing::AssertionSuccess();
}

const std::vector<std::string> kArrowDown = {"mSSSSSSSm", ".mSSSSSm.", "..mSSSm..", "...mSm...", "....t...."};
const std::vector<std::string> kArrowRight = {"m....", "Sm...", "SSm..", "SSSm.", "SSSSt",
                                              "SSSm.", "SSm..", "Sm...", "m...."};

// The box around the pixels of rect that are not fill: where the caption was drawn.
TRect inkBox(const TView& view, const TRect& rect, TColor fill) {
    TRect box{rect.right, rect.bottom, rect.left, rect.top};
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            if (view.at(x, y) != fill) {
                box = TRect{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                            std::max(box.bottom, y + 1)};
            }
        }
    }
    return box;
}

// The icon's opaque pixels in their colours and its clear ones showing the fill, from (x, y).
testing::AssertionResult iconAt(const TView& view, int x, int y, const TBitmap32& icon, TColor fill) {
    for (int row = 0; row < icon.height; ++row) {
        for (int column = 0; column < icon.width; ++column) {
            const TRGBA p = icon.at(column, row);
            if (p.a != 0 && p.a != 255) {
                continue;
            }
            const TColor expected = p.a == 255 ? RGBColor(p.r, p.g, p.b) : fill;
            if (view.at(x + column, y + row) != expected) {
                return testing::AssertionFailure()
                       << "icon pixel (" << column << ", " << row << ") is "
                       << hex(view.at(x + column, y + row)) << ", expected " << hex(expected);
            }
        }
    }
    return testing::AssertionSuccess();
}

int envSeconds(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : 0;
}

// One harness window for the suite: Wine without a window manager takes seconds to close one.
class StyledHarness : public testing::Test {
protected:
    static void SetUpTestSuite() {
        plat::installControlBackend(&backend);
        plat::win32::movePointerTo(kFarAway);
        harness = new THarness();
    }
    static void TearDownTestSuite() {
        const int seconds = envSeconds("KW_HARNESS_SHOW_SECONDS");
        if (seconds > 0) {
            THarness::settle(std::chrono::seconds(seconds));
        }
        delete harness;
        harness = nullptr;
        plat::installControlBackend(nullptr);
    }
    void TearDown() override {
        plat::win32::movePointerTo(kFarAway);
        THarness::settle(200ms);
    }

    static inline plat::win32::TWin32Backend backend;
    static inline THarness* harness = nullptr;
};

TEST_F(StyledHarness, TheScreenShowsEachControlAsItsLookDefines) {
    THarness& h = *harness;
    const TRasterCanvas shot = h.screenshot();
    ASSERT_EQ(shot.width(), kFormWidth);
    ASSERT_EQ(shot.height(), kFormHeight);
    rastertest::TPngOnFailure picture(shot);
    if (const char* path = std::getenv("KW_HARNESS_PNG")) {
        shot.savePng(path);
    }

    // pAlert: a 5-pixel left band and 1-pixel bands elsewhere around the idle fill.
    const TView alert{shot, h.origin(*h.pAlert)};
    EXPECT_EQ(h.origin(*h.pAlert), (TPoint{4, 4}));
    EXPECT_TRUE(regionOf(alert, {0, 0, 5, 110}, kAlertBorder));
    EXPECT_TRUE(regionOf(alert, {411, 0, 412, 110}, kAlertBorder));
    EXPECT_TRUE(regionOf(alert, {0, 0, 412, 1}, kAlertBorder));
    EXPECT_TRUE(regionOf(alert, {0, 109, 412, 110}, kAlertBorder));
    EXPECT_TRUE(regionOf(alert, {5, 1, 62, 109}, kAlertFill));
    EXPECT_TRUE(regionOf(alert, {5, 1, 380, 60}, kAlertFill));

    // btnAction, idle: outline along the edge, fill on columns 1-107 and rows 1-26, the caption
    // centred, the down arrow's box at (89, 12).
    const TView action{shot, h.origin(*h.btnAction)};
    EXPECT_TRUE(framedBox(action, 109, 28, kActionBorder, kActionFill));
    EXPECT_TRUE(regionOf(action, {1, 1, 20, 27}, kActionFill));
    EXPECT_TRUE(glyphAt(action, 89, 12, kArrowDown, kActionText, kActionFill));
    const TRect caption = inkBox(action, {1, 1, 88, 27}, kActionFill);
    ASSERT_FALSE(caption.empty()) << "no caption on btnAction";
    EXPECT_NEAR((caption.left + caption.right) / 2.0, 109 / 2.0, 3.0) << "caption centred across the button";
    EXPECT_NEAR((caption.top + caption.bottom) / 2.0, 28 / 2.0, 3.0) << "caption centred down the button";
    EXPECT_GT(rastertest::countOf(shot, action.area(caption), kActionText), 0)
        << "caption in the font colour";

    // btnStop: its yellow box with the "X".
    const TView stop{shot, h.origin(*h.btnStop)};
    EXPECT_TRUE(framedBox(stop, 22, 21, kStopBorder, kStopFill));
    const TRect cross = inkBox(stop, {1, 1, 21, 20}, kStopFill);
    ASSERT_FALSE(cross.empty()) << "no caption on btnStop";
    EXPECT_NEAR((cross.left + cross.right) / 2.0, 11.0, 2.5);

    // pbSec at 291 pixels, 600 of 1200: progress on columns 1-145, background on 146-289, and the
    // frame on all four sides although only bBottom is stored.
    const TView bar{shot, h.origin(*h.pbSec)};
    EXPECT_TRUE(regionOf(bar, {0, 0, 291, 1}, kBarBorder));
    EXPECT_TRUE(regionOf(bar, {0, 6, 291, 7}, kBarBorder));
    EXPECT_TRUE(regionOf(bar, {0, 0, 1, 7}, kBarBorder));
    EXPECT_TRUE(regionOf(bar, {290, 0, 291, 7}, kBarBorder));
    EXPECT_TRUE(regionOf(bar, {1, 1, 146, 6}, kBarBorder));
    EXPECT_TRUE(regionOf(bar, {146, 1, 290, 6}, kBarBack));

    // SEPanel1: row 0 is its top border; the fill reaches the other edges.
    const TView panel{shot, h.origin(*h.SEPanel1)};
    EXPECT_EQ(h.origin(*h.SEPanel1), (TPoint{0, kFormHeight - 38}));
    EXPECT_TRUE(regionOf(panel, {0, 0, kFormWidth, 1}, kBarTopBorder));
    EXPECT_TRUE(regionOf(panel, {0, 1, 200, 38}, kBarFill));
    EXPECT_TRUE(regionOf(panel, {kFormWidth - 1, 1, kFormWidth, 38}, kBarFill));
    EXPECT_TRUE(regionOf(panel, {0, 33, kFormWidth, 38}, kBarFill));

    // btnOk: border and fill alike, the ok icon at (8, 6), the caption from x = 31 vertically
    // centred, the right arrow's box at (70, 10).
    const TView ok{shot, h.origin(*h.btnOk)};
    EXPECT_TRUE(framedBox(ok, 86, 28, kBarFill, kBarFill));
    EXPECT_TRUE(iconAt(ok, 8, 6, *h.images.image(11), kBarFill));
    EXPECT_TRUE(regionOf(ok, {24, 1, 31, 27}, kBarFill)) << "nothing between the icon and the caption";
    const TRect valid = inkBox(ok, {24, 1, 69, 27}, kBarFill);
    ASSERT_FALSE(valid.empty()) << "no caption on btnOk";
    EXPECT_GE(valid.left, 31);
    EXPECT_LE(valid.left, 33);
    EXPECT_NEAR((valid.top + valid.bottom) / 2.0, 14.0, 3.0);
    EXPECT_TRUE(glyphAt(ok, 70, 10, kArrowRight, kDialogText, kBarFill));

    // btnCancel: the cancel icon, its caption, and no arrow.
    const TView cancel{shot, h.origin(*h.btnCancel)};
    EXPECT_EQ(h.origin(*h.btnCancel).x + 86 + 4, h.origin(*h.btnOk).x);
    EXPECT_TRUE(framedBox(cancel, 86, 28, kBarFill, kBarFill));
    EXPECT_TRUE(iconAt(cancel, 8, 6, *h.images.image(10), kBarFill));
    EXPECT_FALSE(inkBox(cancel, {31, 1, 70, 27}, kBarFill).empty()) << "no caption on btnCancel";
    EXPECT_TRUE(regionOf(cancel, {70, 1, 85, 27}, kBarFill)) << "btnCancel has no arrow";
}

TEST_F(StyledHarness, ThePointerTakesAFlatButtonThroughItsLooks) {
    THarness& h = *harness;
    const int clicks = h.okClicks;
    auto look = [&](TColor outline, TColor fill) {
        return framedBox(TView{h.screenshot(), h.origin(*h.btnOk)}, 86, 28, outline, fill);
    };
    auto settledLook = [&](TColor outline, TColor fill) {
        // Waits for the look, for the messages to arrive; answers the last comparison.
        testing::AssertionResult result = testing::AssertionFailure();
        plat::win32::serveMessagesUntil([&] { return static_cast<bool>(result = look(outline, fill)); },
                                        3000ms);
        return result;
    };

    plat::win32::movePointerTo(h.onScreen(*h.btnOk, 50, 14));
    EXPECT_TRUE(settledLook(kOkHoverBorder, kOkHover)) << "hover";

    plat::win32::pressLeftButton();
    EXPECT_TRUE(settledLook(kOkActionBorder, kOkAction)) << "pressed";
    plat::win32::movePointerTo(h.onScreen(*h.btnOk, 50, -60)); // out, still held
    THarness::settle(300ms);
    EXPECT_TRUE(look(kOkActionBorder, kOkAction)) << "the pressed look stays while the button is held";
    plat::win32::movePointerTo(h.onScreen(*h.btnOk, 50, 14)); // back in
    THarness::settle(100ms);
    plat::win32::releaseLeftButton();
    EXPECT_TRUE(settledLook(kOkHoverBorder, kOkHover)) << "released over the button";
    EXPECT_EQ(h.okClicks, clicks + 1);

    plat::win32::movePointerTo(kFarAway);
    EXPECT_TRUE(settledLook(kBarFill, kBarFill)) << "rest";
    EXPECT_EQ(h.okClicks, clicks + 1);
}

// Paints every control of the harness a few hundred times; now and then a new size replaces a
// back buffer. Ends with the sizes it found.
void paintHundredsOfTimes(THarness& h) {
    const std::vector<TControl*> controls = {h.pAlert,   h.btnAction, h.btnStop,  h.pbSec,
                                             h.SEPanel1, h.btnOk,     h.btnCancel};
    for (int round = 0; round < 300; ++round) {
        for (TControl* control : controls) {
            control->paintNow();
        }
        h.pbSec->setPosition(round * 4);
        if (round % 50 == 0) {
            h.btnAction->setWidth(109 + round / 50);
            h.form.invalidate();
            THarness::settle(20ms);
        }
    }
    h.btnAction->setWidth(109);
    h.pbSec->setPosition(600);
    THarness::settle(100ms);
}

TEST_F(StyledHarness, HundredsOfPaintsHoldNoNewGdiObject) {
    const int held = plat::win32::liveGdiObjects();
    ASSERT_GT(held, 0) << "the windows keep their back buffers";
    paintHundredsOfTimes(*harness);
    EXPECT_EQ(plat::win32::liveGdiObjects(), held);
}

TEST_F(StyledHarness, HundredsOfPaintsLeaveTheProcessGdiCountAsItWas) {
    const unsigned long before = plat::win32::processGdiObjects();
    if (before == 0) {
        GTEST_SKIP() << "the platform does not count the process's GDI objects (GetGuiResources answers 0 "
                        "under Wine); HundredsOfPaintsHoldNoNewGdiObject checks the toolkit's own count";
    }
    paintHundredsOfTimes(*harness);
    EXPECT_EQ(plat::win32::processGdiObjects(), before);
}

} // namespace
