// The Setup Scan dialog: its controls as declared, its frame and place, what each showing resets,
// the ways to accept and to cancel it, the preview length it hands over, and the values it keeps
// from one use to the next.

#include "ui/main/ScanCommandsFixture.h"

#include "toolkit/RasterExpect.h"
#include "toolkit/TextLayout.h"

#include <cwchar>

using namespace scancommands;
using rastertest::hex;

namespace {

const std::wstring kFull = L"Scan Full System (NTFS Only)";

class SetupScanDialogTest : public ScanCommandsTest {
protected:
    void SetUp() override {
        ScanCommandsTest::SetUp();
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        open();
    }
};

} // namespace

TEST_F(SetupScanDialogTest, ItsControlsAreDeclaredWithTheirPlacesTextsAndValues) {
    EXPECT_EQ(wc().caption(), L"Setup Scan");
    EXPECT_EQ(wc().font(), (TFont{L"Tahoma", 8, 0, clBlack}));
    EXPECT_EQ(wc().frame(), plat::TFormFrame::fixedDialog);
    EXPECT_EQ(wc().position(), poMainFormCenter);
    EXPECT_TRUE(wc().keyPreview());
    EXPECT_FALSE(wc().visible()) << "made hidden";
    EXPECT_EQ(FrmWC, &wc());

    EXPECT_EQ(wc().pCore->boundsRect(), boundsRect(0, 0, 337, 159));
    EXPECT_EQ(wc().Label1->caption(), L"Search Filter (Wildcard) :");
    EXPECT_EQ((TPoint{wc().Label1->left(), wc().Label1->top()}), (TPoint{10, 15}));
    EXPECT_EQ(wc().Label2->caption(), L"Content Preview Length :");
    EXPECT_EQ((TPoint{wc().Label2->left(), wc().Label2->top()}), (TPoint{10, 45}));
    EXPECT_EQ(wc().edtwc->boundsRect(), boundsRect(152, 10, 176, 23));
    EXPECT_EQ(wc().edtwc->text(), L"*.*");
    EXPECT_EQ(wc().spleft->boundsRect(), boundsRect(152, 40, 176, 24));
    EXPECT_EQ(wc().spleft->minValue(), 5);
    EXPECT_EQ(wc().spleft->maxValue(), 1024);
    EXPECT_EQ(wc().spleft->text(), L"30");
    EXPECT_EQ(wc().czone->caption(), L"Include Zone.Identifier ADS Files (Might be huge)");
    EXPECT_EQ((TPoint{wc().czone->left(), wc().czone->top()}), (TPoint{6, 70}));
    EXPECT_EQ(wc().czone->width(), 325);
    EXPECT_FALSE(wc().czone->checked());
    EXPECT_EQ(wc().crecursive->caption(), L"Scan target folder recursively");
    EXPECT_EQ((TPoint{wc().crecursive->left(), wc().crecursive->top()}), (TPoint{6, 94}));
    EXPECT_TRUE(wc().crecursive->checked());
    EXPECT_EQ(wc().cdirect->caption(), L"Read NTFS volumes directly (fast, needs administrator)");
    EXPECT_EQ(wc().cdirect->boundsRect(), boundsRect(6, 94, 331, 21)) << "the drive scopes' fourth row";
    EXPECT_FALSE(wc().cdirect->checked());
    EXPECT_EQ(wc().czone->font(), (TFont{L"Arial", 10, 0, clBlack})) << "Arial 13 px";
    EXPECT_EQ(wc().cdirect->font(), wc().czone->font()) << "it looks like the box above it";

    // The bottom panel and its two buttons, right-aligned with 4 px between them.
    EXPECT_EQ(wc().SEPanel1->boundsRect(), boundsRect(0, 159 - 38, 337, 38));
    EXPECT_EQ(wc().SEPanel1->backgroundColor(), hexColor(0xF5F6F7));
    EXPECT_EQ(wc().SEPanel1->borders(), static_cast<TSEBorders>(bTop));
    EXPECT_EQ(wc().SEPanel1->borderColor(), hexColor(0xDADBDC));
    EXPECT_EQ(wc().btnOk->boundsRect(), boundsRect(337 - 86 - 4, 5, 86, 28));
    EXPECT_EQ(wc().btnCancel->boundsRect(), boundsRect(337 - 86 - 4 - 86 - 4, 5, 86, 28));
    EXPECT_EQ(wc().btnOk->caption(), L"Valid");
    EXPECT_EQ(wc().btnCancel->caption(), L"Cancel");
    EXPECT_EQ(wc().btnOk->imageIndex(), 11);
    EXPECT_EQ(wc().btnCancel->imageIndex(), 10);
    EXPECT_EQ(*wc().Img16->image(11), *w().Img16->image(11)) << "the program's pictures";
    EXPECT_EQ(wc().btnOk->icoSize(), ico16px);
    EXPECT_EQ(wc().btnOk->imgAlign(), seAlLeft);
    EXPECT_TRUE(wc().btnOk->arrow());
    EXPECT_EQ(wc().btnOk->arrowDirection(), atRight);
    EXPECT_FALSE(wc().btnCancel->arrow());
    const struct {
        TSEMenuItem* button;
        TColor hover, borderHover, action, borderAction;
    } looks[] = {
        {wc().btnOk, hexColor(0xE8EFF7), hexColor(0xA4CEF9), hexColor(0xC9E0F7), hexColor(0x62A2E4)},
        {wc().btnCancel, hexColor(0xF7E9E9), hexColor(0xF9A5A6), hexColor(0xF7CACB), hexColor(0xE46365)},
    };
    for (const auto& look : looks) {
        SCOPED_TRACE(std::string(look.button->caption().begin(), look.button->caption().end()));
        EXPECT_EQ(look.button->font().color, hexColor(0x3C3C3C));
        EXPECT_EQ(look.button->backgroundColor(), hexColor(0xF5F6F7));
        EXPECT_EQ(look.button->borderColor(), hexColor(0xF5F6F7));
        EXPECT_EQ(look.button->hoverColor(), look.hover);
        EXPECT_EQ(look.button->borderColorHover(), look.borderHover);
        EXPECT_EQ(look.button->actionColor(), look.action);
        EXPECT_EQ(look.button->borderColorAction(), look.borderAction);
    }
}

TEST_F(SetupScanDialogTest, ShowsCentredOnTheMainWindowWithTheFocusInTheFilter) {
    answerSetupScan(
        [&](TFrmWC& d) {
            EXPECT_EQ(widgets.formPeerOf(d.peer())->frame(), plat::TFormFrame::fixedDialog);
            EXPECT_EQ(peerOf(d).owner(), &peerOf(w())) << "it belongs to the main window";
            EXPECT_EQ(d.left(), w().left() + (w().width() - d.width()) / 2);
            EXPECT_EQ(d.top(), w().top() + (w().height() - d.height()) / 2);
            EXPECT_TRUE(d.edtwc->focused());
            // The buttons keep their place at the bottom whatever the height: a user who is not an
            // administrator sees the three-row dialog.
            EXPECT_EQ(d.clientHeight(), 137);
            EXPECT_EQ(d.SEPanel1->top(), 137 - 38);
            EXPECT_EQ(d.btnOk->left(), 337 - 86 - 4);
            // What the dialog shows: the bottom panel's face and its top border line.
            plat::headless::TRasterCanvas& panel = [&]() -> plat::headless::TRasterCanvas& {
                d.SEPanel1->paintNow();
                return peerOf(*d.SEPanel1).surface();
            }();
            EXPECT_EQ(hex(panel.at(2, 0)), "#DADBDC");
            EXPECT_EQ(hex(panel.at(2, 20)), "#F5F6F7");
        },
        VK_ESCAPE);
    chooseFromScanMenu(kFull);
}

TEST_F(SetupScanDialogTest, AtOtherScalesItIsLaidOutInProportionAndAgainOnAnotherMonitor) {
    // Shown on a 150 % monitor, then moved to a 200 % one while it shows; an administrator's full scan
    // has the fourth row.
    privilege.setAdministrator(true);
    widgets.setDpi(144);
    answerSetupScan(
        [&](TFrmWC& d) {
            for (int dpi : {144, 192}) {
                SCOPED_TRACE(dpi);
                auto s = [dpi](int length) { return scaled(length, dpi); };
                if (dpi != d.dpi()) {
                    // Windows suggests the window's size at the new scale.
                    const int width = rescaled(d.clientWidth(), d.dpi(), dpi);
                    widgets.formPeerOf(d.peer())->moveToMonitor(dpi, boundsRect(0, 0, width, s(160)));
                    EXPECT_EQ(d.clientWidth(), width);
                } else {
                    // Widened, as at 96 DPI, for the fourth row's caption in the boxes' font.
                    EXPECT_EQ(d.clientWidth(),
                              std::max(s(337), d.cdirect->left() + d.cdirect->fittingWidth()));
                }
                ASSERT_EQ(d.dpi(), dpi);
                EXPECT_EQ(d.clientHeight(), s(160));
                EXPECT_EQ(d.edtwc->boundsRect(), boundsRect(s(152), s(10), s(176), s(23)));
                EXPECT_EQ(d.czone->boundsRect(), boundsRect(s(6), s(70), s(325), s(21)));
                EXPECT_EQ(d.czone->font().pixelsPerInch, dpi);
                EXPECT_EQ(d.cdirect->boundsRect(), boundsRect(s(6), s(94), d.clientWidth() - s(6), s(21)))
                    << "the fourth row, to the right edge";
                EXPECT_EQ(d.Label1->height(), lineHeightOf(d.Label1->font())) << "sized to its scaled font";
                EXPECT_EQ(d.SEPanel1->boundsRect(), boundsRect(0, s(160) - s(38), d.clientWidth(), s(38)));
                EXPECT_EQ(d.btnOk->boundsRect(),
                          boundsRect(d.clientWidth() - s(86) - s(4), s(5), s(86), s(28)));
                EXPECT_EQ(d.btnCancel->left(), d.btnOk->left() - s(86) - s(4));
                // The panel's top border is a design pixel thick: scaled.
                d.SEPanel1->paintNow();
                plat::headless::TRasterCanvas& panel = peerOf(*d.SEPanel1).surface();
                EXPECT_EQ(hex(panel.at(2, s(1) - 1)), "#DADBDC");
                EXPECT_EQ(hex(panel.at(2, s(1))), "#F5F6F7");
            }
        },
        VK_ESCAPE);
    chooseFromScanMenu(kFull);
    EXPECT_EQ(w().dpi(), 96) << "the main window stays on its monitor";
}

// An administrator's drive scans add the direct-read box under czone: it is drawn in czone's font,
// its whole caption shows (the dialog widens for it, its buttons at the right end still), and the
// dialog without it (a user who is not an administrator) is its design width again. (At other
// scales: AtOtherScalesItIsLaidOutInProportionAndAgainOnAnotherMonitor.)
TEST_F(SetupScanDialogTest, TheDirectReadBoxLooksLikeItsNeighbourAndShowsItsWholeCaption) {
    for (const bool administrator : {true, false, true}) {
        SCOPED_TRACE(administrator ? "administrator" : "user");
        privilege.setAdministrator(administrator);
        answerSetupScan(
            [&](TFrmWC& d) {
                ASSERT_EQ(d.cdirect->visible(), administrator);
                EXPECT_EQ(d.cdirect->font(), d.czone->font());
                EXPECT_EQ(d.cdirect->left(), d.czone->left());
                if (administrator) {
                    EXPECT_LE(d.cdirect->fittingWidth(), d.cdirect->width()) << "the whole caption shows";
                    EXPECT_EQ(d.cdirect->left() + d.cdirect->width(), d.clientWidth());
                    EXPECT_GT(d.clientWidth(), 337) << "the long caption needs more than the design";
                } else {
                    EXPECT_EQ(d.clientWidth(), 337);
                }
                EXPECT_EQ(d.SEPanel1->width(), d.clientWidth());
                EXPECT_EQ(d.btnOk->left() + d.btnOk->width() + 4, d.clientWidth());
                EXPECT_EQ(d.btnCancel->left() + d.btnCancel->width() + 4, d.btnOk->left());
                EXPECT_EQ(d.left(), w().left() + (w().width() - d.width()) / 2) << "centred";
            },
            VK_ESCAPE);
        chooseFromScanMenu(kFull);
    }
}

TEST_F(SetupScanDialogTest, EscapeAndCancelCancelWhileEnterValidAndTheCloseRequestAccept) {
    const struct {
        const char* how;
        std::function<void(TFrmWC&, plat::headless::THeadlessFormPeer&)> act;
        bool canceled;
    } cases[] = {
        {"Escape in the filter", [](TFrmWC& d, auto&) { peerOf(*d.edtwc).pressKey(VK_ESCAPE); }, true},
        {"Escape on a check box",
         [](TFrmWC& d, auto&) {
             d.czone->setFocus();
             peerOf(*d.czone).pressKey(VK_ESCAPE);
         },
         true},
        {"Cancel", [](TFrmWC& d, auto&) { peerOf(*d.btnCancel).click(10, 10); }, true},
        {"Enter in the filter", [](TFrmWC& d, auto&) { peerOf(*d.edtwc).pressKey(VK_RETURN); }, false},
        {"Enter in the spin box",
         [](TFrmWC& d, auto&) {
             d.spleft->setFocus();
             peerOf(*d.spleft).pressKey(VK_RETURN);
         },
         false},
        {"Valid", [](TFrmWC& d, auto&) { peerOf(*d.btnOk).click(10, 10); }, false},
        {"the close request (Alt+F4)", [](TFrmWC&, auto& form) { form.requestClose(); }, false},
    };
    int scans = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        widgets.answerModal([&](plat::headless::THeadlessFormPeer& form) { c.act(wc(), form); });
        chooseFromScanMenu(kFull);
        EXPECT_FALSE(wc().visible());
        EXPECT_EQ(wc().FCanceled, c.canceled);
        if (c.canceled) {
            EXPECT_EQ(w().scansMade, scans) << "no scan";
            EXPECT_EQ(w().FMode, amIdle);
            EXPECT_EQ(wc().edtwc->text(), L"*.*");
        } else {
            EXPECT_EQ(w().scansMade, ++scans);
            waitForScanEnd();
            clickAction(); // Fine!
        }
    }
}

TEST_F(SetupScanDialogTest, ThePreviewLengthIsTheTypedNumberWithinFiveTo1024OrFive) {
    const struct {
        const wchar_t* typed;
        std::int32_t handed;
        const wchar_t* shownAfter;
    } cases[] = {
        {L"64", 64, L"64"},       {L"abc", 5, L"5"}, {L"", 5, L"5"},       {L"2000", 1024, L"1024"},
        {L"3", 5, L"5"},          {L"-12", 5, L"5"}, {L" 99 ", 99, L"99"}, {L"99999999999", 1024, L"1024"},
        {L"1024", 1024, L"1024"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.typed, c.typed + std::wcslen(c.typed)));
        // Enter straight from the spin box: the box has not lost the focus before the dialog closes.
        widgets.answerModal([&](plat::headless::THeadlessFormPeer&) {
            typeInto(*wc().spleft, c.typed);
            peerOf(*wc().spleft).pressKey(VK_RETURN);
        });
        chooseFromScanMenu(kFull);
        waitForScanEnd();
        ASSERT_TRUE(w().scans->start().has_value());
        EXPECT_EQ(w().scans->start()->previewLen, c.handed);
        EXPECT_EQ(wc().spleft->text(), c.shownAfter) << "the value shown the next time";
        clickAction(); // Fine!
    }
}

TEST_F(SetupScanDialogTest, TabAndTheArrowKeysWorkTheDialogFromTheKeyboard) {
    answerSetupScan(
        [&](TFrmWC& d) {
            auto focused = [&] { return backend.focused(); };
            peerOf(*d.edtwc).typeText(L"*.doc");
            focused()->pressKey(VK_TAB);
            EXPECT_TRUE(d.spleft->focused());
            focused()->pressKey(VK_UP);
            focused()->pressKey(VK_UP);
            focused()->pressKey(VK_TAB);
            EXPECT_TRUE(d.czone->focused());
            focused()->pressKey(VK_SPACE);
            focused()->pressKey(VK_TAB);
            EXPECT_TRUE(d.btnOk->focused()) << "the hidden recursive box is no stop";
            focused()->pressKey(VK_TAB);
            EXPECT_TRUE(d.btnCancel->focused());
            focused()->pressKey(VK_TAB);
            EXPECT_TRUE(d.edtwc->focused()) << "round the dialog";
            EXPECT_EQ(d.edtwc->selText(), L"*.doc") << "Tab into the filter selects it";
        },
        VK_RETURN);
    chooseFromScanMenu(kFull);
    waitForScanEnd();
    ASSERT_TRUE(w().scans->start().has_value());
    EXPECT_EQ(w().scans->start()->wildcard, L"*.doc");
    EXPECT_EQ(w().scans->start()->previewLen, 32);
    EXPECT_TRUE(w().scans->start()->includeZone);

    // Shown again: the values of the last use, the filter selected to be typed over.
    clickAction();
    answerSetupScan(
        [&](TFrmWC& d) {
            EXPECT_FALSE(d.FCanceled) << "reset by the showing";
            EXPECT_EQ(d.edtwc->selText(), L"*.doc");
            EXPECT_EQ(d.spleft->text(), L"32");
            EXPECT_TRUE(d.czone->checked());
        },
        VK_ESCAPE);
    chooseFromScanMenu(kFull);
    EXPECT_TRUE(wc().FCanceled);
}
