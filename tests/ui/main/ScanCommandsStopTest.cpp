// The stop button: the question for a scan and for a bulk run, and what each answer does to the
// job, also when the job ends while the question is still open.

#include "ui/main/ScanCommandsFixture.h"

using namespace scancommands;
using namespace std::chrono_literals;

namespace {

class StopTest : public ScanCommandsTest {
protected:
    void SetUp() override {
        ScanCommandsTest::SetUp();
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        store.addDrive(L'D', plat::DRIVE_FIXED, L"Data", L"NTFS");
        store.addFolder(L"D:\\Saved");
        for (int i = 0; i < 20; ++i) {
            const std::wstring file = L"C:\\files\\f" + std::to_wstring(100 + i) + L".txt";
            store.addFile(file, "x");
            store.addStream(file, L"s", "stream " + std::to_string(i));
        }
        open();
    }

    // Starts a full scan from the button and serves its steps until the window is busy; the scan
    // then waits at its next step until the test serves it again.
    void startScanAndHoldIt() {
        answerSetupScan(nullptr, VK_RETURN);
        chooseFromScanMenu(L"Scan Full System (NTFS Only)");
        ASSERT_TRUE(ui.serveUntil([&] { return w().btnStop->visible(); }, 30s));
        ASSERT_EQ(w().btnStop->imageIndex(), kStopScan);
        ASSERT_NE(w().FScanFileSystem, nullptr);
    }
    void clickStop() { peerOf(*w().btnStop).click(5, 5); }
    void expectQuestion(const std::wstring& instruction, const std::wstring& content) {
        ASSERT_FALSE(dialogs.taskDialogs().empty());
        const plat::TTaskDialogConfig& shown = dialogs.taskDialogs().back();
        EXPECT_EQ(shown.windowTitle, L"Question");
        EXPECT_EQ(shown.mainInstruction, instruction);
        EXPECT_EQ(shown.content, content);
        EXPECT_EQ(shown.footer, L"") << "no footer";
        EXPECT_EQ(shown.commonButtons, plat::TDCBF_YES_BUTTON | plat::TDCBF_NO_BUTTON);
    }
};

const std::wstring kScanQuestion = L"You are about to interrupt the current scan, are you sure ?";

} // namespace

TEST_F(StopTest, YesStopsTheRunningScan) {
    startScanAndHoldIt();
    dialogs.answerButton(plat::IDYES);
    clickStop();
    expectQuestion(L"Interupt Scan", kScanQuestion);
    waitForScanEnd();
    EXPECT_TRUE(w().lastScanTerminated);
    EXPECT_EQ(w().alertTitle->caption(), L"Interrupted Scan!");
    EXPECT_LT(w().VST->totalCount(), 40u) << "the walk stopped before its end";
}

TEST_F(StopTest, NoLetsTheScanGoOnToItsEnd) {
    startScanAndHoldIt();
    dialogs.answerButton(plat::IDNO);
    clickStop();
    expectQuestion(L"Interupt Scan", kScanQuestion);
    waitForScanEnd();
    EXPECT_FALSE(w().lastScanTerminated);
    EXPECT_EQ(w().alertTitle->caption(), L"Scan Complete!");
    EXPECT_EQ(w().VST->totalCount(), 40u);
}

TEST_F(StopTest, YesAfterTheScanEndedWhileTheQuestionWasOpenDoesNothing) {
    startScanAndHoldIt();
    // The question stays open while the scan goes on to its end and frees itself; the late yes
    // must reach no thread (a freed one would be caught by the address sanitizer).
    dialogs.whileOpen = [&] { waitForScanEnd(); };
    dialogs.answerButton(plat::IDYES);
    clickStop();
    expectQuestion(L"Interupt Scan", kScanQuestion);
    EXPECT_FALSE(w().lastScanTerminated);
    EXPECT_EQ(w().FScanFileSystem, nullptr);
    EXPECT_EQ(w().FMode, amFinished);
    EXPECT_EQ(w().alertTitle->caption(), L"Scan Complete!");
    EXPECT_EQ(w().VST->totalCount(), 40u);
}

TEST_F(StopTest, TheStopButtonOfABulkRunAsksAboutTheBackupAndStopsItOnYes) {
    answerSetupScan(nullptr, VK_RETURN);
    chooseFromScanMenu(L"Scan Full System (NTFS Only)");
    waitForScanEnd();
    ASSERT_EQ(w().VST->totalCount(), 40u);

    const struct {
        int answer;
        bool stopped;
    } cases[] = {{plat::IDNO, false}, {plat::IDYES, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        dialogs.answerFolder(L"D:\\Saved");
        peerOf(*w().btnBackup).click(5, 5);
        ASSERT_TRUE(ui.serveUntil([&] { return w().btnStop->visible(); }, 30s));
        ASSERT_EQ(w().btnStop->imageIndex(), kStopBackup);
        dialogs.answerButton(c.answer);
        clickStop();
        expectQuestion(L"Interupt Backup", L"You are about to interrupt the current backup, are you sure ?");
        ASSERT_TRUE(ui.serveUntil([&] { return w().backupEnded; }, 30s));
        ASSERT_TRUE(w().backupGone.waitFor(30s));
        w().backupEnded = false;
        EXPECT_EQ(w().FBackupADS, nullptr);
        const std::wstring body = w().alertBody->caption();
        EXPECT_EQ(body.rfind(L"20/20 ", 0) != 0, c.stopped) << std::string(body.begin(), body.end());
        clickAction(); // Fine!
    }
}
