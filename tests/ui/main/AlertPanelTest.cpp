// The alert panel: the four modes' colours and parts, reset, the detail view, the icon and the
// action button's tags.

#include "ui/main/MainFixture.h"

#include "ui/main/UntMainArt.h"

#include "toolkit/Image.h"
#include "ui/styled/SEGraphics.h"

#include <set>
#include <vector>

namespace {

struct TModeCase {
    TAlertMode mode;
    TColor background;
    TColor border;
    TColor text;
    bool actionShown; // otherwise pb, pbSec and btnStop show
    TColor actionBackground;
    TColor actionBorder;
    TColor actionText;
};

const TModeCase kModes[] = {
    {amIdle, hexColor(0xD9EDF7), hexColor(0xBCE8F1), hexColor(0x31709C), true, hexColor(0xAEDAEE),
     hexColor(0x78C0E2), hexColor(0x247EAA)},
    {amError, hexColor(0xFFE6E6), hexColor(0xFFAEAE), hexColor(0xFF8080), true, hexColor(0xFFCACA),
     hexColor(0xFFB0B0), hexColor(0xFF6464)},
    {amFinished, hexColor(0xDFF0D8), hexColor(0xD6E9C6), hexColor(0x3C763D), true, hexColor(0xC8E2B4),
     hexColor(0xB4D898), hexColor(0x6CA840)},
};

// A flat button as painted at rest: a 1-pixel outline on all four sides (corners and the middle
// of each side) and the fill just inside each corner.
void expectOutlined(plat::headless::TRasterCanvas& button, TColor outline, TColor fill) {
    const int right = button.width() - 1;
    const int bottom = button.height() - 1;
    for (const TPoint p :
         {TPoint{0, 0}, TPoint{right, 0}, TPoint{0, bottom}, TPoint{right, bottom}, TPoint{right / 2, 0},
          TPoint{right / 2, bottom}, TPoint{0, bottom / 2}, TPoint{right, bottom / 2}}) {
        EXPECT_EQ(button.getPixel(p.x, p.y), outline) << "outline at " << p.x << "," << p.y;
    }
    for (const TPoint p :
         {TPoint{1, 1}, TPoint{right - 1, 1}, TPoint{1, bottom - 1}, TPoint{right - 1, bottom - 1}}) {
        EXPECT_EQ(button.getPixel(p.x, p.y), fill) << "fill at " << p.x << "," << p.y;
    }
}

} // namespace

TEST_F(MainWindowTest, EachModeRecoloursThePanelAndShowsItsParts) {
    // Busy first, so that every other mode is entered from a different one.
    for (const TModeCase& c : kModes) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode);
        w().switchAlertPanel(amBusy);
        w().switchAlertPanel(c.mode);
        EXPECT_EQ(w().FMode, c.mode);
        EXPECT_EQ(w().pAlert->backgroundColor(), c.background);
        for (TColor side : {w().pAlert->borderLeftColor(), w().pAlert->borderTopColor(),
                            w().pAlert->borderRightColor(), w().pAlert->borderBottomColor()}) {
            EXPECT_EQ(side, c.border);
        }
        EXPECT_EQ(w().alertTitle->font().color, c.text);
        EXPECT_EQ(w().alertBody->font().color, c.text);
        EXPECT_TRUE(w().btnAction->visible());
        EXPECT_FALSE(w().pb->visible());
        EXPECT_FALSE(w().pbSec->visible());
        EXPECT_FALSE(w().btnStop->visible());
        EXPECT_EQ(w().btnAction->backgroundColor(), c.actionBackground);
        EXPECT_EQ(w().btnAction->borderColor(), c.actionBorder);
        EXPECT_EQ(w().btnAction->font().color, c.actionText);
        EXPECT_EQ(w().btnAction->fontColor(), c.actionText);
        // Hover and pressed looks take the border colour.
        EXPECT_EQ(w().btnAction->hoverColor(), c.actionBorder);
        EXPECT_EQ(w().btnAction->actionColor(), c.actionBorder);
        EXPECT_EQ(w().btnAction->borderColorAction(), c.actionBorder);
        EXPECT_EQ(w().btnAction->borderColorHover(), c.actionBorder);

        // What the screen shows: the 5 px left band and the 1 px borders in the border colour.
        plat::headless::TRasterCanvas& panel = painted(*w().pAlert);
        const int last = w().pAlert->width() - 1;
        EXPECT_EQ(panel.getPixel(4, 20), c.border);
        EXPECT_EQ(panel.getPixel(5, 20), c.background);
        EXPECT_EQ(panel.getPixel(last, 20), c.border);
        EXPECT_EQ(panel.getPixel(last - 1, 20), c.background);
        EXPECT_EQ(panel.getPixel(200, 0), c.border);
        EXPECT_EQ(panel.getPixel(200, w().pAlert->height() - 1), c.border);

        // The action button: its outline along the edge in the mode's border colour, the fill inside.
        plat::headless::TRasterCanvas& button = painted(*w().btnAction);
        expectOutlined(button, c.actionBorder, c.actionBackground);
    }
}

// Every pixel of control and of its shown descendants is one of colours (the arrow glyph's edges
// are mixed from two of them); pictures keep their own colours and are left out.
void expectOnlyColours(TControl& control, const std::set<TColor>& colours) {
    if (!control.visible() || dynamic_cast<TImage*>(&control) != nullptr) {
        return;
    }
    SCOPED_TRACE(control.name());
    control.paintNow();
    const plat::headless::TRasterCanvas& surface = plat::headless::headlessPeer(control.peer())->surface();
    int strange = 0;
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            strange += colours.count(surface.at(x, y)) == 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(strange, 0) << "pixels in colours not of the scheme";
    for (int i = 0; i < control.controlCount(); ++i) {
        expectOnlyColours(*control.controls(i), colours);
    }
}

TEST_F(MainWindowTest, InHighContrastTheAlertPanelShowsOnlyTheSchemesColoursInEveryMode) {
    plat::TSystemColors scheme;
    scheme.highContrast = true;
    scheme.windowText = hexColor(0xFFFFFF);
    scheme.window = hexColor(0x000000);
    scheme.highlight = hexColor(0x1AEBFF);
    scheme.highlightText = hexColor(0x000000);
    scheme.buttonFace = hexColor(0x101010);
    scheme.buttonText = hexColor(0xFFFF00);
    scheme.grayText = hexColor(0x3FF23F);
    const std::vector<TColor> plain = {scheme.windowText,    scheme.window,     scheme.highlight,
                                       scheme.highlightText, scheme.buttonFace, scheme.buttonText,
                                       scheme.grayText};
    std::set<TColor> colours(plain.begin(), plain.end());
    for (TColor a : plain) {
        for (TColor b : plain) {
            colours.insert(MixColors(a, b, 222));
            colours.insert(MixColors(a, MixColors(a, b, 222), 222));
        }
    }
    widgets.setSystemColors(scheme);
    for (const TModeCase& c : kModes) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode);
        w().switchAlertPanel(c.mode);
        expectOnlyColours(*w().pAlert, colours);
    }
    w().switchAlertPanel(amBusy);
    expectOnlyColours(*w().pAlert, colours);
}

TEST_F(MainWindowTest, BusyModeShowsTheBarsAndStopButtonAndLeavesTheActionButtonAlone) {
    w().switchAlertPanel(amError);
    w().switchAlertPanel(amBusy);
    EXPECT_EQ(w().FMode, amBusy);
    EXPECT_EQ(w().pAlert->backgroundColor(), hexColor(0xFCF8E3));
    EXPECT_EQ(w().pAlert->borderLeftColor(), hexColor(0xFAEBCC));
    EXPECT_EQ(w().pAlert->borderBottomColor(), hexColor(0xFAEBCC));
    EXPECT_EQ(w().alertTitle->font().color, hexColor(0x8A6D3B));
    EXPECT_EQ(w().alertBody->font().color, hexColor(0x8A6D3B));
    EXPECT_FALSE(w().btnAction->visible());
    EXPECT_TRUE(w().pb->visible());
    EXPECT_TRUE(w().pbSec->visible());
    EXPECT_TRUE(w().btnStop->visible());
    // The hidden action button keeps the error mode's colours.
    EXPECT_EQ(w().btnAction->backgroundColor(), hexColor(0xFFCACA));
    EXPECT_EQ(w().btnAction->borderColor(), hexColor(0xFFB0B0));
    EXPECT_EQ(w().btnAction->font().color, hexColor(0xFF6464));
    EXPECT_EQ(w().pbSec->backgroundColor(), hexColor(0xFCF8E3));
    EXPECT_EQ(w().pbSec->borderColor(), hexColor(0xFAEBCC));
    EXPECT_EQ(w().pbSec->progressColor(), hexColor(0xFAEBCC));
}

TEST_F(MainWindowTest, StopButtonKeepsItsDeclaredLookInEveryMode) {
    for (TAlertMode mode : {amBusy, amIdle, amError, amFinished, amBusy}) {
        w().switchAlertPanel(mode);
        EXPECT_EQ(w().btnStop->caption(), L"X");
        EXPECT_EQ(w().btnStop->font().name, L"Arial Black");
        EXPECT_EQ(w().btnStop->font().color, hexColor(0xA58E12));
        EXPECT_EQ(w().btnStop->backgroundColor(), hexColor(0xFCF8E3));
        EXPECT_EQ(w().btnStop->borderColor(), hexColor(0xEED962));
        EXPECT_EQ(w().btnStop->hoverColor(), hexColor(0xF3E48F));
        EXPECT_EQ(w().btnStop->borderColorHover(), hexColor(0xEED962));
        EXPECT_EQ(w().btnStop->actionColor(), hexColor(0xE7C91F));
        EXPECT_EQ(w().btnStop->borderColorAction(), hexColor(0xE7C91F));
        EXPECT_FALSE(w().btnStop->arrow());
    }
    w().switchAlertPanel(amBusy);
    expectOutlined(painted(*w().btnStop), hexColor(0xEED962), hexColor(0xFCF8E3));
}

TEST_F(MainWindowTest, ResetReturnsToIdleWithTheWelcomeTexts) {
    // Leave the window as a finished scan does, in the detail view.
    w().switchAlertPanel(amBusy);
    w().pDetailAlertMode(true);
    w().scanFinished(false, 4);
    w().pDetailAlertMode(true);
    w().reset();
    EXPECT_EQ(w().FMode, amIdle);
    EXPECT_EQ(w().btnAction->caption(), L"Run Scan");
    EXPECT_EQ(w().btnAction->imageIndex(), kActionRunScan);
    EXPECT_EQ(w().btnAction->arrowDirection(), atDown);
    EXPECT_TRUE(w().btnAction->arrow());
    EXPECT_EQ(w().ImgAlert->picture(), *w().Img48->image(0));
    EXPECT_FALSE(w().pDetailAlert->visible());
    EXPECT_TRUE(w().alertBody->visible());
    EXPECT_EQ(w().alertTitle->caption(), L"Korvane ADS (Alternate Data Stream) Ombrolux");
    EXPECT_EQ(
        w().alertBody->caption(),
        L"This program will scan all available fixed drives and removable drives formated in NTFS to detect "
        L"the presence of files stored in the Alternate Data Stream (ADS), A location invisible from "
        L"explorer that could bloat your hard drive or hide malicious contents.");
    EXPECT_EQ(w().alertBody->height(), bodyBoxHeight()) << "laid out for the new text";
}

TEST_F(MainWindowTest, DetailViewTakesThePanelColoursWhenItIsSwitchedOn) {
    w().switchAlertPanel(amBusy);
    w().pDetailAlertMode(true);
    EXPECT_TRUE(w().pDetailAlert->visible());
    EXPECT_FALSE(w().alertBody->visible());
    EXPECT_EQ(w().pDetailAlert->color(), hexColor(0xFCF8E3));
    EXPECT_EQ(w().labelDetailL1->font().color, hexColor(0x8A6D3B));
    EXPECT_EQ(w().labelDetailL2->font().color, hexColor(0x8A6D3B));
    EXPECT_EQ(w().shapeTopDetail->penColor(), hexColor(0xFAEBCC));

    // A later mode change does not recolour it...
    w().switchAlertPanel(amFinished);
    EXPECT_EQ(w().pDetailAlert->color(), hexColor(0xFCF8E3));
    EXPECT_EQ(w().labelDetailL1->font().color, hexColor(0x8A6D3B));
    EXPECT_EQ(painted(*w().pDetailAlert).getPixel(10, 20), hexColor(0xFCF8E3));
    // ... until the detail view is switched again.
    w().pDetailAlertMode(true);
    EXPECT_EQ(w().pDetailAlert->color(), hexColor(0xDFF0D8));
    EXPECT_EQ(w().labelDetailL1->font().color, hexColor(0x3C763D));
    EXPECT_EQ(w().shapeTopDetail->penColor(), hexColor(0xD6E9C6));
    EXPECT_EQ(painted(*w().pDetailAlert).getPixel(10, 20), hexColor(0xDFF0D8));
    EXPECT_EQ(w().shapeTopDetail->boundsRect(), boundsRect(0, 0, 462, 1));
    EXPECT_EQ(painted(*w().shapeTopDetail).getPixel(10, 0), hexColor(0xD6E9C6)) << "the separator line";
}

TEST_F(MainWindowTest, DetailLinesChangeWithoutALayout) {
    w().switchAlertPanel(amBusy);
    w().pDetailAlertMode(true);
    w().pAlert->setHeight(7); // a layout would put it back
    w().setDetailAlert(L"Scanning: C:\\data\\a.txt", L"Target: System (C:\\) - Fixed Drive");
    EXPECT_EQ(w().labelDetailL1->caption(), L"Scanning: C:\\data\\a.txt");
    EXPECT_EQ(w().labelDetailL2->caption(), L"Target: System (C:\\) - Fixed Drive");
    EXPECT_EQ(w().pAlert->height(), 7);
    w().setAlert(L"T", L"B");
    EXPECT_EQ(w().pAlert->height(), 30 + 38 + 8 + 10 + 8) << "setAlert lays out";
}

TEST_F(MainWindowTest, AlertIconShowsTheChosenPictureOfTheLargeList) {
    for (int index = 0; index < 9; ++index) {
        w().setImageAlertIndex(index);
        EXPECT_EQ(w().ImgAlert->picture(), *w().Img48->image(index)) << index;
    }
    w().setImageAlertIndex(9);
    EXPECT_TRUE(w().ImgAlert->picture().empty());
    // On screen: the icon blends over the panel's colour; a corner of it is the panel itself.
    w().setImageAlertIndex(1);
    plat::headless::TRasterCanvas& icon = painted(*w().ImgAlert);
    EXPECT_EQ(icon.getPixel(0, 0), w().pAlert->backgroundColor());
    EXPECT_NE(icon.getPixel(24, 24), w().pAlert->backgroundColor());
}

TEST_F(MainWindowTest, ActionButtonActsOnItsTag) {
    // Tag 0 opens the scan menu at the button's lower-left corner.
    peerOf(*w().btnAction).click(5, 5);
    ASSERT_EQ(widgets.shownMenus().size(), 1u);
    const TPoint corner = clientToScreen(*w().btnAction, TPoint{0, 27});
    EXPECT_EQ(widgets.shownMenus()[0].at, corner);
    std::vector<std::wstring> captions;
    for (const plat::TMenuEntry& entry : widgets.shownMenus()[0].entries) {
        captions.push_back(entry.separator ? L"-" : entry.caption);
    }
    EXPECT_EQ(captions,
              (std::vector<std::wstring>{L"Scan Full System (NTFS Only)", L"Scan Target NTFS Drive", L"-",
                                         L"Scan Target Folder (NTFS Only)", L"Scan NTFS Disk Image..."}));
    // Tag 1 ("Fine!") goes back to idle.
    w().scanFinished(false, 2);
    ASSERT_EQ(w().btnAction->caption(), L"Fine!");
    peerOf(*w().btnAction).click(5, 5);
    EXPECT_EQ(w().FMode, amIdle);
    EXPECT_EQ(w().btnAction->caption(), L"Run Scan");
    EXPECT_EQ(widgets.shownMenus().size(), 1u);
}

TEST_F(MainWindowTest, PicturesAreTheProgramsArt) {
    for (TImageList* list : {w().Img16, w().Img48}) {
        for (int i = 0; i < list->count(); ++i) {
            const TBitmap32& picture = *list->image(i);
            ASSERT_EQ(picture.width, list->width());
            int opaque = 0;
            for (const TRGBA& pixel : picture.pixels) {
                opaque += pixel.a == 255 ? 1 : 0;
            }
            EXPECT_GT(opaque, static_cast<int>(picture.pixels.size()) / 8) << "picture " << i << " is drawn";
            EXPECT_LT(opaque, static_cast<int>(picture.pixels.size())) << "picture " << i << " has a shape";
            for (int j = 0; j < i; ++j) {
                EXPECT_NE(picture, *list->image(j)) << "pictures " << j << " and " << i << " differ";
            }
        }
    }
    EXPECT_EQ(w().ImgRefresh->picture().width, 128);
    EXPECT_EQ(w().ImgBackup->picture().height, 128);
    // The overlay pictures are white symbols on a cyan tile.
    const TBitmap32 refresh = pictureRefresh();
    EXPECT_EQ(refresh.at(64, 20), (TRGBA{0x00, 0xAB, 0xE0, 255}));
    const TBitmap32 backup = pictureBackup();
    EXPECT_EQ(backup.at(64, 50), (TRGBA{255, 255, 255, 255}));
}

TEST_F(MainWindowTest, ScreenReadersHearThePanelAgainWhenItsModeChanges) {
    w().show();
    auto alertsOfPanel = [&] {
        int alerts = 0;
        for (const auto& record : backend.accessibleEvents()) {
            if (record.peer == w().pAlert->peer() && record.event == plat::TAccEvent::alert) {
                ++alerts;
            }
        }
        return alerts;
    };
    backend.clearAccessibleEvents();
    w().switchAlertPanel(amError);
    w().setAlert(L"Access denied", L"The folder could not be read.");
    EXPECT_EQ(alertsOfPanel(), 1) << "a new mode with its texts is one alert";
    const plat::TAccessibleItem panel = w().pAlert->accessible();
    EXPECT_EQ(panel.role, plat::TAccRole::grouping);
    EXPECT_EQ(panel.name, L"Access denied");

    backend.clearAccessibleEvents();
    w().setAlert(L"Access denied", L"Another folder could not be read.");
    EXPECT_EQ(alertsOfPanel(), 0) << "texts changed within a mode are not announced again";

    EXPECT_EQ(w().btnStop->accessible().name, L"Stop");
    w().reset();
    EXPECT_EQ(w().btnAction->accessible().role, plat::TAccRole::menuButton) << "Run Scan drops its menu down";
}
