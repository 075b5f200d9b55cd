// The main window's frame: its start-up state, the layout of the whole window for every view of the
// alert panel, the minimum size, the one-shot re-layout and closing.

#include "ui/main/MainFixture.h"

namespace {

const std::wstring kLongBody =
    L"This body is long enough to wrap over several lines of the alert panel: it tells the user a great "
    L"deal about what happened, and then it goes on a little more, so that the panel has to grow to hold "
    L"it all, and the list below moves down with it. It ends here, after a last few words to be sure.";

} // namespace

TEST_F(MainWindowTest, StartsCentredIdleAtItsDesignSize) {
    EXPECT_EQ(w().caption(), L"Korvane ADS Ombrolux");
    EXPECT_EQ(w().clientWidth(), 540);
    EXPECT_EQ(w().clientHeight(), 433);
    EXPECT_EQ(formPeer().centreCount(), 1);
    EXPECT_EQ(formPeer().minClientWidth(), 540);
    EXPECT_EQ(formPeer().minClientHeight(), 433);
    EXPECT_EQ(w().FMode, amIdle);
    EXPECT_EQ(w().VST->totalCount(), 0u);
    EXPECT_FALSE(w().pRefresh->visible());
    EXPECT_FALSE(w().btnBackup->enabled());
    EXPECT_FALSE(w().btnDelete->enabled());
    EXPECT_EQ(w().btnBackup->imageIndex(), 17);
    EXPECT_EQ(w().btnDelete->imageIndex(), 16);
    EXPECT_EQ(w().labelCount->caption(), L"n/A");
    EXPECT_EQ(w().labelCount->font(),
              (TFont{L"Arial Black", 18, fsBold | fsItalic, hexColor(0x00ABE0), fqAntialiased}))
        << "24 px at 96 dots per inch, smoothed";
    EXPECT_EQ(w().ImgSys->systemList(), 1u) << "the list the shell answered for the system drive's root";
    EXPECT_EQ(w().Img16->count(), 24);
    EXPECT_EQ(w().Img48->count(), 9);
}

TEST_F(MainWindowTest, IdleLayoutFollowsTheBodyTextAtTheDesignSize) {
    const int body = bodyBoxHeight();
    const int panel = 30 + body + 8 + 28 + 4;
    EXPECT_EQ(w().pAlert->boundsRect(), boundsRect(4, 4, 532, panel));
    EXPECT_EQ(w().alertBody->boundsRect(), boundsRect(62, 30, 462, body));
    EXPECT_EQ(w().pDetailAlert->boundsRect(), boundsRect(62, 30, 462, 38));
    EXPECT_EQ(w().ImgAlert->top(), panel / 2 - 24);
    EXPECT_EQ(w().btnAction->boundsRect(), boundsRect(419, panel - 32, 109, 28));
    EXPECT_EQ(w().pb->boundsRect(), boundsRect(62, panel - 14, 462, 10));
    EXPECT_EQ(w().btnStop->boundsRect(), boundsRect(506, 4, 22, 21));
    const int listTop = 4 + panel + 5;
    EXPECT_EQ(w().pListview->boundsRect(), boundsRect(5, listTop, 530, 433 - listTop - 4));
    EXPECT_EQ(w().shapeListview->boundsRect(), boundsRect(4, listTop - 1, 532, 433 - listTop - 2));
    EXPECT_EQ(w().btnBackup->left(), 4);
    EXPECT_EQ(w().btnDelete->left(), 130);
    EXPECT_EQ(w().toolbar->width(), 530);
    EXPECT_EQ(w().tbUAC->left(), 498);
    // The tree fills the list panel below the toolbar.
    EXPECT_EQ(w().VST->boundsRect(), boundsRect(0, 30, 530, 433 - listTop - 4 - 30));
}

TEST_F(MainWindowTest, LongBodyWrapsAndTheListMovesDown) {
    w().setAlert(L"Title", L"Short body.");
    const int shortPanel = w().pAlert->height();
    EXPECT_EQ(w().alertBody->height(), lineHeightOf(w().alertBody->font()) + 10);
    w().setAlert(L"Title", kLongBody);
    const int lineHeight = lineHeightOf(w().alertBody->font());
    ASSERT_GT(lineHeight, 0);
    EXPECT_GE(w().alertBody->height(), 3 * lineHeight + 10) << "the long body wraps over several lines";
    EXPECT_EQ(w().alertBody->height(), bodyBoxHeight());
    EXPECT_GT(w().pAlert->height(), shortPanel);
    // The body's box ends 8 px above the action button; the list starts 5 px below the panel.
    EXPECT_EQ(w().alertBody->top() + w().alertBody->height() + 8, w().btnAction->top());
    EXPECT_EQ(w().btnAction->top() + 28 + 4, w().pAlert->height());
    EXPECT_EQ(w().pListview->top(), 4 + w().pAlert->height() + 5);
    EXPECT_EQ(w().pListview->top() + w().pListview->height(), 433 - 4);
}

TEST_F(MainWindowTest, WideningReWrapsTheBodyAndShrinksThePanel) {
    w().setAlert(L"Title", kLongBody);
    const int narrowBody = w().alertBody->height();
    const int narrowPanel = w().pAlert->height();
    formPeer().resizeAsUser(1000, 433);
    EXPECT_EQ(w().clientWidth(), 1000);
    EXPECT_EQ(w().pAlert->width(), 992);
    EXPECT_EQ(w().alertBody->width(), 922);
    EXPECT_EQ(w().alertBody->height(), bodyBoxHeight());
    EXPECT_LT(w().alertBody->height(), narrowBody);
    EXPECT_LT(w().pAlert->height(), narrowPanel);
    EXPECT_EQ(w().btnAction->left(), 992 - 113);
    EXPECT_EQ(w().pListview->width(), 990);
    EXPECT_EQ(w().tbUAC->left(), 990 - 32);
}

TEST_F(MainWindowTest, BusyLayoutsPlaceTheBarsUnderTheBodyOrTheDetailLines) {
    w().switchAlertPanel(amBusy);
    w().processResize();
    // Body text with the main bar under it.
    int panel = 30 + bodyBoxHeight() + 8 + 10 + 4;
    EXPECT_EQ(w().pAlert->height(), panel);
    EXPECT_EQ(w().pb->boundsRect(), boundsRect(62, panel - 14, 462, 10));
    EXPECT_EQ(w().pbSec->boundsRect(), boundsRect(62, panel - 14 - 9, 462, 7));

    // Detail view with the main bar: a 7 px strip 2 px above it.
    w().pDetailAlertMode(true);
    panel = 30 + 38 + 8 + 10 + 8;
    EXPECT_EQ(w().pAlert->height(), panel);
    EXPECT_EQ(w().pb->boundsRect(), boundsRect(62, 80, 462, 10));
    EXPECT_EQ(w().pbSec->boundsRect(), boundsRect(62, 71, 462, 7));
    EXPECT_EQ(w().btnStop->boundsRect(), boundsRect(506, 4, 22, 21));

    // Detail view without it (one root): 16 px high, where the main bar would be.
    w().pb->setVisible(false);
    w().processResize();
    EXPECT_EQ(w().pbSec->boundsRect(), boundsRect(62, 74, 462, 16));
    EXPECT_EQ(w().pbSec->top() + w().pbSec->height(), w().pb->top() + w().pb->height());

    // Back in another mode the file bar is hidden and keeps its size.
    w().switchAlertPanel(amFinished);
    w().processResize();
    EXPECT_FALSE(w().pbSec->visible());
    EXPECT_EQ(w().pbSec->height(), 16);
    EXPECT_EQ(w().pbSec->top(), w().pb->top() - 16 - 2);
}

TEST_F(MainWindowTest, OverlayCoversTheListWithItsPictureAndCountCentred) {
    w().pRefresh->setVisible(true);
    w().labelCount->setCaption(L"We Found 3 Items Already!  ");
    w().processResize();
    const TRect list = w().pListview->boundsRect();
    EXPECT_EQ(w().pRefresh->boundsRect(), list);
    const int pictureTop = list.height() / 2 - 64 - 15;
    EXPECT_EQ(w().ImgRefresh->boundsRect(), boundsRect(list.width() / 2 - 64, pictureTop, 128, 128));
    EXPECT_EQ(w().ImgBackup->boundsRect(), w().ImgRefresh->boundsRect());
    EXPECT_EQ(w().labelCount->left(), list.width() / 2 - w().labelCount->width() / 2);
    EXPECT_EQ(w().labelCount->top(), pictureTop + 128 + 15);
    EXPECT_GT(w().labelCount->width(), 0) << "the count label sizes itself to its text";
}

TEST_F(MainWindowTest, DraggingTheBorderInwardStopsAtTheDesignSize) {
    formPeer().resizeAsUser(300, 200);
    EXPECT_EQ(w().clientWidth(), 540);
    EXPECT_EQ(w().clientHeight(), 433);
    formPeer().resizeAsUser(700, 600);
    EXPECT_EQ(w().clientWidth(), 700);
    EXPECT_EQ(w().pListview->top() + w().pListview->height(), 600 - 4);
}

TEST_F(MainWindowTest, ReLayoutAfterShowingAndAfterEachRootKeepsTheWindowSize) {
    // The one-shot timer runs once after the window shows...
    ASSERT_TRUE(w().TimerPatchGUI->enabled());
    EXPECT_EQ(w().TimerPatchGUI->interval(), 1u);
    w().alertBody->setWidth(10); // a stale layout that the re-layout puts right
    EXPECT_EQ(widgets.fireTimers(), 1);
    EXPECT_FALSE(w().TimerPatchGUI->enabled());
    EXPECT_EQ(w().alertBody->width(), 462);
    EXPECT_EQ(w().clientWidth(), 540);
    // ... and again for each root a scan goes on to examine: the window never creeps wider.
    for (int root = 0; root < 3; ++root) {
        w().driveScanStarting();
        EXPECT_TRUE(w().TimerPatchGUI->enabled());
        widgets.fireTimers();
        EXPECT_FALSE(w().TimerPatchGUI->enabled());
    }
    EXPECT_EQ(w().clientWidth(), 540);
    EXPECT_EQ(w().clientHeight(), 433);
}

TEST_F(MainWindowTest, ClosingWhileAJobRunsEndsTheProcessAtOnce) {
    w().switchAlertPanel(amBusy);
    ASSERT_TRUE(w().btnStop->visible());
    formPeer().requestClose();
    EXPECT_EQ(process.exitCount(), 1);
    EXPECT_EQ(process.lastExitCode(), 0u);
    EXPECT_EQ(widgets.loopEnds(), 0) << "nothing else runs: the process ends";
}

TEST_F(MainWindowTest, ClosingWhileTheSignatureCheckRunsEndsTheProcessAtOnce) {
    trust.hold(); // a trust service slow on purpose
    TFrmAbout& aboutWindow = makeAboutWindow();
    ASSERT_TRUE(trust.waitUntilHeld(10000));
    ASSERT_TRUE(aboutWindow.signCheckRunning());
    formPeer().requestClose();
    EXPECT_EQ(process.exitCount(), 1) << "nothing the check uses may be destroyed under it";
    EXPECT_EQ(process.lastExitCode(), 0u);
    EXPECT_EQ(widgets.loopEnds(), 0);

    // Once the check has ended, closing is a normal close.
    trust.release();
    ASSERT_TRUE(waitUntilEnded(*aboutWindow.signCheck()));
    formPeer().requestClose();
    EXPECT_EQ(process.exitCount(), 1);
    EXPECT_EQ(widgets.loopEnds(), 1);
}

TEST_F(MainWindowTest, ClosingWithNoJobClosesNormally) {
    w().scanFinished(false, 0); // a finished scan: the stop button is hidden again
    ASSERT_FALSE(w().btnStop->visible());
    formPeer().requestClose();
    EXPECT_EQ(process.exitCount(), 0);
    EXPECT_FALSE(w().visible());
    EXPECT_EQ(widgets.loopEnds(), 1) << "the main window's close ends the message loop";
}
