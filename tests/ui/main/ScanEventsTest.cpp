// The scan's notifications as the window shows them: each one called as the scan calls it, and
// whole scans over the simulated store started as the scan commands start them.

#include "ui/main/MainFixture.h"

#include "support/DoneSignal.h"
#include "system/UntKorvaneLib.h"

#include <chrono>
#include <functional>
#include <iterator>

using namespace std::chrono_literals;

namespace {

// The scan, telling the test when it has freed itself.
class TWatchedScan : public TScanFileSystem {
public:
    TWatchedScan(TScanNotifications& window, testsupport::TDoneSignal destroyed)
        : TScanFileSystem(window), FDestroyed(destroyed) {}
    ~TWatchedScan() override { FDestroyed.set(); }

private:
    testsupport::TDoneSignal FDestroyed;
};

// The window, telling the test when its scan has ended and gone.
class TWatchedMain : public TFrmMain {
public:
    testsupport::TDoneSignal finished;
    testsupport::TDoneSignal scanGone;
    // What each progress step left on screen, and whether the stop button addressed the scan then.
    std::vector<std::wstring> countTexts;
    bool stopAddressedTheScan = true;

    void scanProgress(const std::wstring& curDriveLabel, const std::wstring& folderPath,
                      const std::wstring& entryName, std::int64_t foundResults,
                      std::int64_t& lastFoundResultsCheck) override {
        TFrmMain::scanProgress(curDriveLabel, folderPath, entryName, foundResults, lastFoundResultsCheck);
        countTexts.push_back(labelCount->caption());
        stopAddressedTheScan = stopAddressedTheScan && btnStop->visible() &&
                               btnStop->imageIndex() == kStopScan && FScanFileSystem != nullptr &&
                               pRefresh->visible();
    }
    void scanFinished(bool terminated, std::int64_t foundResults) override {
        TFrmMain::scanFinished(terminated, foundResults);
        finished.set();
    }

protected:
    TScanFileSystem* createScanThread() override { return new TWatchedScan(*this, scanGone); }
};

const plat::FILETIME kCreated{1769892144, 31092486}; // 05/03/2024 14:07:09
const plat::FILETIME kWritten{1077175408, 29463127}; // 31/12/2001 23:59:58
const std::wstring kCreatedText = L"05/03/2024 at 14:07:09";
const std::wstring kWrittenText = L"31/12/2001 at 23:59:58";

std::vector<std::wstring> rowTexts(TFrmMain& w, TTreeNode* node) {
    std::vector<std::wstring> texts;
    for (int column = 0; column < 6; ++column) {
        std::wstring text;
        w.VSTGetText(node, column, text);
        texts.push_back(text);
    }
    return texts;
}

} // namespace

TEST_F(MainWindowTest, ScanStartingEntersBusyModeClearsAndFreezesTheTree) {
    w().fileFound(L"C:\\old.txt", L"n/a", L"n/a"); // the last scan's result
    w().btnBackup->setEnabled(true);
    w().btnDelete->setEnabled(true);
    w().ImgBackup->setVisible(true);
    w().scanStarting({L"C:\\", L"E:\\"});
    EXPECT_EQ(w().FMode, amBusy);
    EXPECT_EQ(w().pb->max(), 2);
    EXPECT_EQ(w().pb->position(), 0);
    EXPECT_FALSE(w().btnBackup->enabled());
    EXPECT_FALSE(w().btnDelete->enabled());
    EXPECT_EQ(w().btnDelete->imageIndex(), 16);
    EXPECT_EQ(w().btnBackup->imageIndex(), 17);
    EXPECT_TRUE(w().ImgRefresh->visible());
    EXPECT_FALSE(w().ImgBackup->visible());
    EXPECT_EQ(w().btnStop->imageIndex(), kStopScan);
    EXPECT_TRUE(w().btnStop->visible());
    EXPECT_EQ(w().VST->totalCount(), 0u);
    EXPECT_TRUE(w().VST->updating());
    EXPECT_EQ(w().labelCount->caption(), L"We did not find anything yet!");
    EXPECT_TRUE(w().pRefresh->visible());
    EXPECT_EQ(w().pRefresh->boundsRect(), w().pListview->boundsRect());
}

// The first root's name may take a while to come: meanwhile the busy panel shows nothing of the mode
// it replaces, whichever that was.
TEST_F(MainWindowTest, ScanStartingLeavesNoTextOfThePreviousModeInTheBusyPanel) {
    const std::function<void()> previous[] = {
        [&] { w().reset(); },
        [&] { w().scanFinished(false, 3); },
        [&] {
            w().switchAlertPanel(amBusy);
            w().pDetailAlertMode(true);
            w().setDetailAlert(L"Saving: C:\\old.txt:notes", L"Target: D:\\backup");
            w().setAlert(L"Backup ADS Files", L"");
        },
    };
    for (std::size_t i = 0; i < std::size(previous); ++i) {
        SCOPED_TRACE(testing::Message() << "previous mode " << i);
        previous[i]();
        w().scanStarting({L"C:\\", L"E:\\"});
        EXPECT_EQ(w().alertTitle->caption(), L"Scanning File System For ADS");
        EXPECT_EQ(w().alertBody->caption(), L"");
        EXPECT_TRUE(w().alertBody->visible());
        EXPECT_FALSE(w().pDetailAlert->visible());
        EXPECT_EQ(w().ImgAlert->picture(), *w().Img48->image(3));
        w().scanFinished(false, 0);
    }
}

TEST_F(MainWindowTest, DriveNotificationsMoveTheAlertThroughPreparingCountingAndDone) {
    w().scanStarting({L"C:\\", L"E:\\"});
    w().driveInitializing(L"System (C:\\) - Fixed Drive");
    EXPECT_EQ(w().alertTitle->caption(), L"Scanning File System For ADS");
    EXPECT_EQ(w().alertBody->caption(),
              L"Initializing scan of \"System (C:\\) - Fixed Drive\" drive, please wait...");
    EXPECT_EQ(w().ImgAlert->picture(), *w().Img48->image(3));
    EXPECT_TRUE(w().pb->marquee());

    w().driveCounted(1234, L"C:\\");
    EXPECT_FALSE(w().pb->marquee());
    EXPECT_EQ(w().ImgAlert->picture(), *w().Img48->image(4));
    EXPECT_EQ(w().AlertSubImg->picture(), *w().ImgSys->image(3)) << "the drive root's system icon";
    EXPECT_EQ(w().pbSec->max(), 1234);
    EXPECT_TRUE(w().pDetailAlert->visible());
    EXPECT_EQ(w().pDetailAlert->color(), hexColor(0xFCF8E3));
    EXPECT_EQ(w().labelDetailL1->caption(), L"N/A");
    EXPECT_EQ(w().labelDetailL2->caption(), L"N/A");
    EXPECT_TRUE(w().pb->visible()) << "two roots: the drive bar stays";
    EXPECT_EQ(w().pbSec->height(), 7);

    w().pbSec->setPosition(100);
    w().driveDone(0);
    EXPECT_FALSE(w().pDetailAlert->visible());
    EXPECT_EQ(w().pbSec->position(), 0);
    EXPECT_EQ(w().pb->position(), 1);
}

TEST_F(MainWindowTest, OneRootScanHidesTheDriveBarOnceCounted) {
    w().scanStarting({L"C:\\data"});
    w().driveInitializing(L"C:\\data");
    EXPECT_TRUE(w().pb->visible());
    w().driveCounted(10, L"C:\\data\\");
    w().driveScanStarting();
    EXPECT_FALSE(w().pb->visible());
    EXPECT_EQ(w().pbSec->height(), 16);
    EXPECT_EQ(w().pbSec->top() + 16, w().pb->top() + w().pb->height());
}

TEST_F(MainWindowTest, ProgressUpdatesTheDetailLinesTheFileBarAndTheCountOnlyWhenItChanged) {
    w().scanStarting({L"C:\\"});
    w().driveCounted(500, L"C:\\");
    std::int64_t lastCheck = 0;

    w().scanProgress(L"System (C:\\) - Fixed Drive", L"C:\\data\\", L"a.txt", 0, lastCheck);
    EXPECT_EQ(w().labelDetailL1->caption(), L"Scanning: C:\\data\\a.txt");
    EXPECT_EQ(w().labelDetailL2->caption(), L"Target: System (C:\\) - Fixed Drive");
    EXPECT_EQ(w().pbSec->position(), 50);
    EXPECT_EQ(w().labelCount->caption(), L"We did not find anything yet!");
    EXPECT_EQ(lastCheck, 0);

    w().scanProgress(L"T", L"C:\\", L"b", 1, lastCheck);
    EXPECT_EQ(w().labelCount->caption(), L"We Found 1 Item Already!  ");
    EXPECT_EQ(lastCheck, 1);
    EXPECT_EQ(w().pbSec->position(), 100);
    const int oneWidth = w().labelCount->width();
    EXPECT_EQ(w().labelCount->left(), w().pRefresh->width() / 2 - oneWidth / 2) << "re-centred";

    w().labelCount->setCaption(L"changed by hand");
    w().scanProgress(L"T", L"C:\\", L"c", 1, lastCheck);
    EXPECT_EQ(w().labelCount->caption(), L"changed by hand") << "the same count is not written again";

    w().scanProgress(L"T", L"C:\\", L"d", 2, lastCheck);
    EXPECT_EQ(w().labelCount->caption(), L"We Found 2 Items Already!  ");
    EXPECT_EQ(lastCheck, 2);
    EXPECT_EQ(w().pbSec->position(), 200);
}

TEST_F(MainWindowTest, FoundFilesAndStreamsBecomeCheckedExpandedRows) {
    store.addFile(L"C:\\data\\report.txt", std::string(3000, 'r'));
    store.addStream(L"C:\\data\\report.txt", L"notes", "hello world, this is a note");
    store.addStream(L"C:\\data\\report.txt", L"big", "x");
    store.setDataSize(L"C:\\data\\report.txt:big", 5ull << 30);
    w().scanStarting({L"C:\\"});
    const TScanNode file = w().fileFound(L"C:\\data\\report.txt", kCreatedText, kWrittenText);
    const TScanNode notes = w().streamFound(TADSObject(L"notes", 27), L"C:\\data\\report.txt", kCreatedText,
                                            kWrittenText, 5, file);
    const TScanNode big = w().streamFound(TADSObject(L"big", 5ll << 30), L"C:\\data\\report.txt",
                                          kCreatedText, kWrittenText, 30, file);

    auto* fileNode = static_cast<TTreeNode*>(file);
    EXPECT_EQ(rowTexts(w(), fileNode),
              (std::vector<std::wstring>{L"C:\\data\\report.txt", L"", formatFileSize(3000), kCreatedText,
                                         kWrittenText, L""}));
    EXPECT_EQ(rowTexts(w(), static_cast<TTreeNode*>(notes)),
              (std::vector<std::wstring>{L"notes", L"C:\\data\\report.txt:notes", L"27 bytes", kCreatedText,
                                         kWrittenText, L"hello"}));
    EXPECT_EQ(rowTexts(w(), static_cast<TTreeNode*>(big))[2], formatFileSize(5ll << 30))
        << "sizes past 2 GiB stay true";
    EXPECT_NE(formatFileSize(5ll << 30), formatFileSize(1ll << 30));
    EXPECT_EQ(w().VST->getParent(static_cast<TTreeNode*>(big)), fileNode);
    EXPECT_TRUE(w().VST->expanded(fileNode));
    EXPECT_EQ(w().VST->checkType(fileNode), TCheckType::ctTriStateCheckBox);
    EXPECT_EQ(w().VST->checkType(static_cast<TTreeNode*>(notes)), TCheckType::ctCheckBox);
    for (TTreeNode* node = w().VST->getFirst(); node != nullptr; node = w().VST->getNext(node)) {
        EXPECT_EQ(w().VST->checkState(node), TCheckState::csCheckedNormal);
    }
    EXPECT_TRUE(w().VST->updating()) << "nothing is drawn before the scan ends";

    // A second file is appended after the first.
    const TScanNode second = w().fileFound(L"C:\\z.dat", L"n/a", L"n/a");
    EXPECT_EQ(w().VST->getNextSibling(fileNode), static_cast<TTreeNode*>(second));
}

TEST_F(MainWindowTest, ScanFinishedShowsTheOutcome) {
    struct TCase {
        bool terminated;
        std::int64_t found;
        const wchar_t* title;
        std::wstring body;
    };
    const TCase cases[] = {
        {true, 7, L"Interrupted Scan!",
         L"Alternate Data Stream (ADS) files scanning was cancelled by user. Some ADS files were probably "
         L"not "
         L"detected!"},
        {false, 1, L"Scan Complete!",
         L"Alternate Data Stream (ADS) files scanning complete with 1 item(s) found. Please check the origin "
         L"of "
         L"this hidden files and proceed with the best action!"},
        {false, 0, L"Scan Complete!", L"No Alternate Data Stream (ADS) files were found on your system!"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.found);
        w().scanStarting({L"C:\\"});
        w().driveCounted(60, L"C:\\");
        w().pbSec->setPosition(50);
        if (c.found > 0) {
            const TScanNode file = w().fileFound(L"C:\\a.txt", L"n/a", L"n/a");
            w().streamFound(TADSObject(L"s", 1), L"C:\\a.txt", L"n/a", L"n/a", 30, file);
        }
        w().scanFinished(c.terminated, c.found);
        EXPECT_EQ(w().alertTitle->caption(), c.title);
        EXPECT_EQ(w().alertBody->caption(), c.body);
        EXPECT_TRUE(w().alertBody->visible()) << "the outcome shows even when the scan ended inside a root";
        EXPECT_EQ(w().ImgAlert->picture(), *w().Img48->image(1));
        EXPECT_EQ(w().FMode, amFinished);
        EXPECT_EQ(w().btnAction->caption(), L"Fine!");
        EXPECT_EQ(w().btnAction->imageIndex(), kActionFine);
        EXPECT_EQ(w().btnAction->arrowDirection(), atRight);
        EXPECT_FALSE(w().btnStop->visible());
        EXPECT_FALSE(w().pRefresh->visible());
        EXPECT_EQ(w().pb->position(), 0);
        EXPECT_EQ(w().pbSec->position(), 0);
        EXPECT_FALSE(w().VST->updating());
        const bool rows = c.found > 0;
        EXPECT_EQ(w().btnBackup->enabled(), rows);
        EXPECT_EQ(w().btnDelete->enabled(), rows);
        EXPECT_EQ(w().btnBackup->imageIndex(), rows ? 2 : 17);
        EXPECT_EQ(w().btnDelete->imageIndex(), rows ? 14 : 16);
        EXPECT_EQ(w().alertBody->height(), bodyBoxHeight());
    }
}

// Whole scans over the store, started as the scan commands start them; the notifications run on the
// stand-in UI thread while the test waits.
class MainScanTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        window.reset();
        watched = new TWatchedMain();
        window.reset(watched);
        window->show();
    }
    void scanAndWait(TScanFileSystemMode mode, const std::wstring& path) {
        // The UI thread is the stand-in from here on: the test touches the window only before and after.
        ui.runOnUiThread([&] { w().runScan(mode, path, L"*.*", true, 30, false); });
        ASSERT_TRUE(watched->finished.waitFor(30s)) << "the scan did not end";
        ASSERT_TRUE(watched->scanGone.waitFor(30s)) << "the scan did not free itself";
    }
    TWatchedMain* watched = nullptr;
};

TEST_F(MainScanTest, AFullScanFillsTheTreeAndEndsFinished) {
    store.addDrive(L'E', plat::DRIVE_REMOVABLE, L"", L"NTFS");
    store.addFile(L"C:\\data\\report.txt", "main data");
    store.addStream(L"C:\\data\\report.txt", L"notes", "secret notes");
    store.addStream(L"C:\\data\\report.txt", L"Zone.Identifier",
                    "[ZoneTransfer]\r\nZoneId=3\r\n"); // a small mark: left out
    store.setTimes(L"C:\\data\\report.txt", kCreated, kCreated, kWritten);
    store.addFile(L"E:\\photo.dat", "jpeg");
    store.addStream(L"E:\\photo.dat", L"thumb", std::string("\x01\x02\x03", 3));
    store.setTimes(L"E:\\photo.dat", kCreated, kCreated, kWritten);
    store.addFile(L"C:\\plain.txt", "nothing hidden");

    scanAndWait(smFull, L"");
    EXPECT_EQ(w().FScanFileSystem, nullptr);
    EXPECT_EQ(w().FMode, amFinished);
    EXPECT_EQ(
        w().alertBody->caption(),
        L"Alternate Data Stream (ADS) files scanning complete with 2 item(s) found. Please check the origin "
        L"of this hidden files and proceed with the best action!");
    EXPECT_EQ(w().pb->max(), 2);
    EXPECT_TRUE(w().btnBackup->enabled());
    ASSERT_EQ(w().VST->totalCount(), 4u);
    TTreeNode* report = w().VST->getFirst();
    EXPECT_EQ(rowTexts(w(), report), (std::vector<std::wstring>{L"C:\\data\\report.txt", L"", L"9 bytes",
                                                                kCreatedText, kWrittenText, L""}));
    EXPECT_EQ(rowTexts(w(), w().VST->getFirstChild(report)),
              (std::vector<std::wstring>{L"notes", L"C:\\data\\report.txt:notes", L"12 bytes", kCreatedText,
                                         kWrittenText, L"secret notes"}));
    TTreeNode* photo = w().VST->getNextSibling(report);
    EXPECT_EQ(rowTexts(w(), w().VST->getFirstChild(photo))[5], L"01,02,03");
    EXPECT_EQ(w().VST->rowCount(), 4) << "file rows are expanded";
    EXPECT_EQ(w().clientWidth(), 540);
}

TEST_F(MainScanTest, AScanThatFindsNothingSaysSoAndLeavesTheToolbarOff) {
    store.addFile(L"C:\\plain.txt", "nothing hidden");
    scanAndWait(smTargetDrive, L"C:\\");
    EXPECT_EQ(w().alertBody->caption(), L"No Alternate Data Stream (ADS) files were found on your system!");
    EXPECT_EQ(w().VST->totalCount(), 0u);
    EXPECT_FALSE(w().btnBackup->enabled());
    EXPECT_FALSE(w().pb->visible());
}

TEST_F(MainScanTest, ManyFilesMoveTheCountAndKeepTheStopButtonAddressingTheScan) {
    for (int i = 0; i < 120; ++i) {
        const std::wstring name = L"C:\\many\\f" + std::to_wstring(1000 + i) + L".txt";
        store.addFile(name, "x");
        store.addStream(name, L"s", "y");
    }
    scanAndWait(smTargetPath, L"C:\\many");
    EXPECT_TRUE(watched->stopAddressedTheScan);
    // Progress comes before the 50th and the 100th entry are inspected: the folder itself is the first.
    EXPECT_EQ(watched->countTexts,
              (std::vector<std::wstring>{L"We Found 48 Items Already!  ", L"We Found 98 Items Already!  "}));
    EXPECT_EQ(w().VST->totalCount(), 240u);
    EXPECT_NE(w().alertBody->caption().find(L"with 120 item(s) found"), std::wstring::npos);
}

TEST_F(MainScanTest, AScanOfTheSystemFolderShowsItsOwnFilesNotThe32BitOnes) {
    // As for a 32-bit program on 64-bit Windows: the 32-bit system folder holds the same name with
    // other content, which every file call of a thread with redirection on would reach.
    store.addFile(L"C:\\Windows\\System32\\same.dll", "real file");
    store.addStream(L"C:\\Windows\\System32\\same.dll", L"notes", "real notes");
    store.setTimes(L"C:\\Windows\\System32\\same.dll", kCreated, kCreated, kWritten);
    store.addFile(L"C:\\Windows\\SysWOW64\\same.dll", std::string(5000, 'w'));
    store.addStream(L"C:\\Windows\\SysWOW64\\same.dll", L"notes", "32-bit notes");

    scanAndWait(smFull, L"");
    ASSERT_EQ(w().VST->totalCount(), 4u);
    TTreeNode* file = w().VST->getFirst();
    EXPECT_EQ(rowTexts(w(), file), (std::vector<std::wstring>{L"C:\\Windows\\System32\\same.dll", L"",
                                                              L"9 bytes", kCreatedText, kWrittenText, L""}));
    EXPECT_EQ(rowTexts(w(), w().VST->getFirstChild(file)),
              (std::vector<std::wstring>{L"notes", L"C:\\Windows\\System32\\same.dll:notes", L"10 bytes",
                                         kCreatedText, kWrittenText, L"real notes"}));
    TTreeNode* wow = w().VST->getNextSibling(file);
    EXPECT_EQ(rowTexts(w(), wow)[2], formatFileSize(5000)) << "the 32-bit folder's own file, as it is";
    EXPECT_EQ(rowTexts(w(), w().VST->getFirstChild(wow))[5], L"32-bit notes");
    painted(*w().VST); // the rows' icons too
    EXPECT_EQ(store.redirectedCalls(), 0) << "a file call of the window reached the 32-bit system folder";
}
