// The stream commands of the main window over the simulated store, with scripted dialog answers:
// the bulk backup and removal from the toolbar with what each step of the run shows, and the
// single-stream backup, removal and path copy of the tree's menu.

#include "ui/main/MainFixture.h"

#include "platform/ClipboardServices.h"
#include "platform/shell/ScriptedDialogs.h"
#include "support/DoneSignal.h"
#include "system/UntKorvaneLib.h"

#include <chrono>

using namespace std::chrono_literals;
using plat::store::TCall;

namespace {

// The run, telling the test when it has freed itself.
class TWatchedBackup : public TBackupADS {
public:
    TWatchedBackup(TBackupNotifications& window, testsupport::TDoneSignal destroyed)
        : TBackupADS(window), FDestroyed(destroyed) {}
    ~TWatchedBackup() override { FDestroyed.set(); }

private:
    testsupport::TDoneSignal FDestroyed;
};

// What the window showed at one point of a run.
struct TShown {
    std::uint16_t mode = 0;
    std::wstring title;
    std::wstring body;
    std::wstring count;
    std::wstring line1;
    std::wstring line2;
    bool backupEnabled = false;
    bool deleteEnabled = false;
    int backupImage = -1;
    int deleteImage = -1;
    bool stopShown = false;
    int stopTag = -1;
    bool pbShown = false;
    bool pbSecShown = false;
    std::int64_t pbSecMax = -1;
    std::int64_t pbSecPosition = -1;
    bool detailShown = false;
    bool overlayShown = false;
    bool backupPicture = false;
    bool scanPicture = false;
    bool treeSuspended = false;
    bool runKept = false;
};

// The window, telling the test what each step of a run showed and when the run has ended and gone.
class TWatchedMain : public TFrmMain {
public:
    testsupport::TDoneSignal finished;
    testsupport::TDoneSignal runGone;
    TShown atStart;
    std::vector<TShown> atProgress;
    std::vector<std::wstring> streamsAnnounced;
    // Runs on the UI thread after each stream is announced.
    std::function<void(const std::wstring& line1)> onStream;

    void backupStarting(const TBackupRunState& state) override {
        TFrmMain::backupStarting(state);
        atStart = shown();
    }
    void backupStreamStarting(const std::wstring& line1, const std::wstring& line2) override {
        TFrmMain::backupStreamStarting(line1, line2);
        streamsAnnounced.push_back(labelDetailL1->caption() + L" | " + labelDetailL2->caption());
        if (onStream) {
            onStream(line1);
        }
    }
    void backupProgress(const TBackupRunState& state) override {
        TFrmMain::backupProgress(state);
        atProgress.push_back(shown());
    }
    void backupFinished(const TBackupRunState& state) override {
        TFrmMain::backupFinished(state);
        finished.set();
    }

    TShown shown() const {
        TShown s;
        s.mode = FMode;
        s.title = alertTitle->caption();
        s.body = alertBody->caption();
        s.count = labelCount->caption();
        s.line1 = labelDetailL1->caption();
        s.line2 = labelDetailL2->caption();
        s.backupEnabled = btnBackup->enabled();
        s.deleteEnabled = btnDelete->enabled();
        s.backupImage = btnBackup->imageIndex();
        s.deleteImage = btnDelete->imageIndex();
        s.stopShown = btnStop->visible();
        s.stopTag = btnStop->imageIndex();
        s.pbShown = pb->visible();
        s.pbSecShown = pbSec->visible();
        s.pbSecMax = pbSec->max();
        s.pbSecPosition = pbSec->position();
        s.detailShown = pDetailAlert->visible();
        s.overlayShown = pRefresh->visible();
        s.backupPicture = ImgBackup->visible();
        s.scanPicture = ImgRefresh->visible();
        s.treeSuspended = VST->updating();
        s.runKept = FBackupADS != nullptr;
        return s;
    }

protected:
    TBackupADS* createBackupThread() override { return new TWatchedBackup(*this, runGone); }
};

class StreamCommandsTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        plat::installDialogServices(&dialogs);
        plat::installClipboardServices(&clipboard);
        dialogs.onUnscripted([](const std::wstring& message) {
            ADD_FAILURE() << "unscripted dialog: " << std::string(message.begin(), message.end());
        });
        store.addDrive(L'D', plat::DRIVE_FIXED, L"Data", L"NTFS");
        store.addFolder(L"D:\\Saved");
        window.reset();
        watched = new TWatchedMain();
        window.reset(watched);
        window->show();
    }
    void TearDown() override {
        EXPECT_EQ(dialogs.pendingAnswers(), 0u) << "every scripted answer was asked for";
        EXPECT_EQ(store.redirectionOffCount(), 0);
        MainWindowTest::TearDown();
        plat::installClipboardServices(nullptr);
        plat::installDialogServices(nullptr);
    }

    TWatchedMain& m() { return *watched; }

    // A file with its streams in the store and in the tree, as a scan reports it.
    void addFile(const std::wstring& file, const std::vector<std::pair<std::wstring, std::string>>& streams) {
        store.addFile(file, "main data");
        const TScanNode fileNode = m().fileFound(file, L"n/a", L"n/a");
        for (const auto& [name, data] : streams) {
            store.addStream(file, name, data);
            m().streamFound(TADSObject(name, static_cast<std::int64_t>(data.size())), file, L"n/a", L"n/a",
                            30, fileNode);
        }
        // The scan's end enables the toolbar.
        m().btnBackup->setEnabled(true);
        m().btnDelete->setEnabled(true);
    }
    // A folder (or the drive root) with its streams in the store and in the tree, as a scan reports it.
    void addFolder(const std::wstring& folder,
                   const std::vector<std::pair<std::wstring, std::string>>& streams) {
        store.addFolder(folder);
        const TScanNode folderNode = m().folderFound(folder, L"n/a", L"n/a");
        for (const auto& [name, data] : streams) {
            store.addStream(folder, name, data);
            m().streamFound(TADSObject(name, static_cast<std::int64_t>(data.size())), folder, L"n/a", L"n/a",
                            30, folderNode);
        }
        m().btnBackup->setEnabled(true);
        m().btnDelete->setEnabled(true);
    }
    TTreeNode* row(const std::wstring& column1Or2) {
        for (TTreeNode* node = m().VST->getFirst(); node != nullptr; node = m().VST->getNext(node)) {
            const PTreeData data = m().treeData(node);
            if (data->Column1 == column1Or2 || data->Column2 == column1Or2) {
                return node;
            }
        }
        ADD_FAILURE() << "no row " << std::string(column1Or2.begin(), column1Or2.end());
        return nullptr;
    }
    std::vector<std::wstring> rows() {
        std::vector<std::wstring> result;
        for (TTreeNode* node = m().VST->getFirst(); node != nullptr; node = m().VST->getNext(node)) {
            const PTreeData data = m().treeData(node);
            result.push_back(m().VST->getNodeLevel(node) == 0 ? data->Column1 : L"  " + data->Column2);
        }
        return result;
    }
    void uncheck(const std::wstring& path) {
        m().VST->setCheckState(row(path), TCheckState::csUncheckedNormal);
    }
    void focus(const std::wstring& path) { m().VST->setFocusedNode(row(path)); }

    // Runs a command on the UI thread, as a click does.
    void click(void (TFrmMain::*handler)()) {
        ui.runOnUiThread([&] { (m().*handler)(); });
    }
    // Clicks a bulk command that starts a run and waits until the run has ended and gone.
    void clickAndWait(void (TFrmMain::*handler)()) {
        click(handler);
        ASSERT_TRUE(m().finished.waitFor(60s)) << "the run did not end";
        ASSERT_TRUE(m().runGone.waitFor(60s)) << "the run did not free itself";
    }
    // The last task dialog: window title | instruction | content | footer.
    std::wstring lastDialog() const {
        if (dialogs.taskDialogs().empty()) {
            return L"(none)";
        }
        const plat::TTaskDialogConfig& d = dialogs.taskDialogs().back();
        return d.windowTitle + L" | " + d.mainInstruction + L" | " + d.content + L" | " + d.footer;
    }

    plat::TScriptedDialogs dialogs;
    plat::TRecordingClipboard clipboard;
    TWatchedMain* watched = nullptr;
};

const std::string kZone = "[ZoneTransfer]\r\nZoneId=3\r\n";

TEST_F(StreamCommandsTest, BackupCheckedSavesTheCheckedStreamsIntoTheChosenFolder) {
    addFile(L"C:\\Downloads\\setup.exe", {{L"Zone.Identifier", kZone}, {L"notes", "my notes"}});
    addFile(L"C:\\Downloads\\photo.jpg", {{L"Zone.Identifier", "ZoneId=4"}});
    uncheck(L"C:\\Downloads\\setup.exe:notes");
    dialogs.answerFolder(L"D:\\Saved");
    clickAndWait(&TFrmMain::btnBackupClick);

    ASSERT_EQ(dialogs.folderBrowsers().size(), 1u);
    EXPECT_EQ(dialogs.folderBrowsers()[0].title, L"Choose destination path");
    EXPECT_EQ(dialogs.folderBrowsers()[0].flags & plat::BIF_NONEWFOLDERBUTTON, 0u) << "new folders allowed";
    EXPECT_TRUE(dialogs.taskDialogs().empty()) << "saving never asks";

    // The start step.
    const TShown& s = m().atStart;
    EXPECT_EQ(s.mode, amBusy);
    EXPECT_EQ(s.title, L"Backuping ADS Files");
    EXPECT_EQ(s.count, L"Backuping ADS Files...");
    EXPECT_EQ(s.line1, L"N/A");
    EXPECT_EQ(s.line2, L"N/A");
    EXPECT_FALSE(s.backupEnabled);
    EXPECT_FALSE(s.deleteEnabled);
    EXPECT_EQ(s.backupImage, 17);
    EXPECT_EQ(s.deleteImage, 16);
    EXPECT_TRUE(s.stopShown);
    EXPECT_EQ(s.stopTag, kStopBackup);
    EXPECT_FALSE(s.pbShown);
    EXPECT_TRUE(s.pbSecShown);
    EXPECT_EQ(s.pbSecMax, 2);
    EXPECT_EQ(s.pbSecPosition, 0);
    EXPECT_TRUE(s.detailShown);
    EXPECT_TRUE(s.overlayShown);
    EXPECT_TRUE(s.backupPicture);
    EXPECT_FALSE(s.scanPicture);
    EXPECT_TRUE(s.treeSuspended);
    EXPECT_TRUE(s.runKept);
    EXPECT_EQ(m().streamsAnnounced,
              (std::vector<std::wstring>{
                  L"Backuping: C:\\Downloads\\setup.exe:Zone.Identifier | Destination: D:\\Saved",
                  L"Backuping: C:\\Downloads\\photo.jpg:Zone.Identifier | Destination: D:\\Saved",
              }));
    EXPECT_TRUE(m().atProgress.empty()) << "fewer than 100 streams";

    // The finish step.
    const TShown e = m().shown();
    EXPECT_EQ(e.mode, amFinished);
    EXPECT_EQ(e.title, L"Backup Complete!");
    EXPECT_EQ(e.body, L"2/2 ADS (Alternate Data Stream) file(s) was successfully Backuped!");
    EXPECT_EQ(e.count, L"Backuping ADS Files...") << "no progress step: the start step's text stays";
    EXPECT_EQ(m().ImgAlert->picture(), *m().Img48->image(1));
    EXPECT_EQ(m().btnAction->caption(), L"Fine!");
    EXPECT_EQ(m().btnAction->imageIndex(), kActionFine);
    EXPECT_EQ(m().btnAction->arrowDirection(), atRight);
    EXPECT_TRUE(m().btnAction->visible());
    EXPECT_FALSE(e.stopShown);
    EXPECT_FALSE(e.overlayShown);
    EXPECT_FALSE(e.detailShown);
    EXPECT_EQ(e.pbSecPosition, 0);
    EXPECT_TRUE(e.backupEnabled);
    EXPECT_TRUE(e.deleteEnabled);
    EXPECT_EQ(e.backupImage, 2);
    EXPECT_EQ(e.deleteImage, 14);
    EXPECT_FALSE(e.treeSuspended);
    EXPECT_FALSE(e.runKept);
    EXPECT_EQ(rows().size(), 5u) << "saving keeps every row";
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone.Identifier"), kZone);
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone(1).Identifier"), "ZoneId=4");
    EXPECT_FALSE(store.exists(L"D:\\Saved\\notes")) << "an unchecked row is not saved";
}

TEST_F(StreamCommandsTest, ACancelledOrNonFileSystemFolderChoiceEndsBothBackupCommandsSilently) {
    addFile(L"C:\\a.txt", {{L"s", "x"}});
    focus(L"C:\\a.txt:s");
    dialogs.answerCancel();
    click(&TFrmMain::btnBackupClick);
    dialogs.answerItemWithoutPath(L"Control Panel");
    click(&TFrmMain::btnBackupClick);
    dialogs.answerCancel();
    click(&TFrmMain::BackupselectedADS1Click);
    EXPECT_EQ(dialogs.folderBrowsers().size(), 3u);
    EXPECT_TRUE(dialogs.taskDialogs().empty());
    EXPECT_EQ(m().FBackupADS, nullptr);
    EXPECT_EQ(m().FMode, amIdle);
    EXPECT_TRUE(store.entryNames(L"D:\\Saved").empty());
}

TEST_F(StreamCommandsTest, BackupCheckedWithNothingCheckedEndsWithZeroOfZero) {
    addFile(L"C:\\a.txt", {{L"s", "x"}});
    m().UncheckallItems1Click();
    dialogs.answerFolder(L"D:\\Saved");
    clickAndWait(&TFrmMain::btnBackupClick);
    EXPECT_EQ(m().atStart.pbSecMax, 0);
    EXPECT_EQ(m().alertTitle->caption(), L"Backup Complete!");
    EXPECT_EQ(m().alertBody->caption(),
              L"0/0 ADS (Alternate Data Stream) file(s) was successfully Backuped!");
    m().pbSec->paintNow(); // a bar with the maximum 0 still paints
    EXPECT_TRUE(store.entryNames(L"D:\\Saved").empty());
}

TEST_F(StreamCommandsTest, DeleteCheckedAsksWithTheCountAndRemovesOnlyOnYes) {
    addFile(L"C:\\a.txt", {{L"one", "1"}, {L"two", "2"}});
    addFile(L"C:\\b.txt", {{L"kept", "k"}, {L"gone", "g"}});
    uncheck(L"C:\\b.txt:kept");

    dialogs.answerButton(plat::IDNO);
    click(&TFrmMain::btnDeleteClick);
    EXPECT_EQ(lastDialog(), L"Question | Delete ADS File(s) | You are about to delete 3 ADS (Alternate Data "
                            L"Stream) files, Are you sure? | This action is permanent!");
    EXPECT_EQ(m().FBackupADS, nullptr);
    EXPECT_EQ(store.streamNames(L"C:\\a.txt").size(), 2u);

    dialogs.answerButton(plat::IDYES);
    clickAndWait(&TFrmMain::btnDeleteClick);
    EXPECT_EQ(m().atStart.title, L"Removing ADS Files");
    EXPECT_EQ(m().atStart.count, L"Removing ADS Files...");
    EXPECT_EQ(m().alertTitle->caption(), L"Cleanning Complete!");
    EXPECT_EQ(m().alertBody->caption(), L"3/3 ADS (Alternate Data Stream) file(s) was successfully Removed!");
    EXPECT_EQ(m().streamsAnnounced.front(), L"Removing: C:\\a.txt:one | Destination: ");
    EXPECT_EQ(rows(), (std::vector<std::wstring>{L"C:\\b.txt", L"  C:\\b.txt:kept"}));
    EXPECT_TRUE(store.streamNames(L"C:\\a.txt").empty());
    EXPECT_EQ(store.streamNames(L"C:\\b.txt"), (std::vector<std::wstring>{L"kept"}));
    EXPECT_TRUE(m().btnBackup->enabled());
}

TEST_F(StreamCommandsTest, DeleteCheckedWithNothingCheckedDoesNothingAtAll) {
    addFile(L"C:\\a.txt", {{L"s", "x"}});
    m().UncheckallItems1Click();
    click(&TFrmMain::btnDeleteClick);
    EXPECT_TRUE(dialogs.taskDialogs().empty());
    EXPECT_EQ(m().FBackupADS, nullptr);
    EXPECT_EQ(m().FMode, amIdle);
}

TEST_F(StreamCommandsTest, ARemovalThatEmptiesTheTreeLeavesTheToolbarOff) {
    addFile(L"C:\\a.txt", {{L"s", "x"}});
    addFile(L"C:\\b.txt", {{L"t", "y"}});
    dialogs.answerButton(plat::IDYES);
    clickAndWait(&TFrmMain::btnDeleteClick);
    EXPECT_TRUE(rows().empty());
    EXPECT_FALSE(m().btnBackup->enabled());
    EXPECT_FALSE(m().btnDelete->enabled());
    EXPECT_EQ(m().btnBackup->imageIndex(), 17);
    EXPECT_EQ(m().btnDelete->imageIndex(), 16);
}

TEST_F(StreamCommandsTest, ProgressMovesTheStreamBarAndTheCountEveryHundredStreams) {
    for (int f = 0; f < 25; ++f) {
        std::vector<std::pair<std::wstring, std::string>> streams;
        for (int s = 0; s < 10; ++s) {
            streams.emplace_back(L"s" + std::to_wstring(f * 10 + s), "d");
        }
        addFile(L"C:\\many\\f" + std::to_wstring(f), streams);
    }
    dialogs.answerFolder(L"D:\\Saved");
    clickAndWait(&TFrmMain::btnBackupClick);
    ASSERT_EQ(m().atProgress.size(), 2u);
    EXPECT_EQ(m().atProgress[0].count, L"100/250 Backuped...");
    EXPECT_EQ(m().atProgress[0].pbSecPosition, 100);
    EXPECT_EQ(m().atProgress[1].count, L"200/250 Backuped...");
    EXPECT_EQ(m().atProgress[1].pbSecPosition, 200);
    EXPECT_EQ(m().atProgress[1].pbSecMax, 250);
    EXPECT_EQ(m().alertBody->caption(),
              L"250/250 ADS (Alternate Data Stream) file(s) was successfully Backuped!");
}

TEST_F(StreamCommandsTest, AStoppedRunEndsWithTheSameTextsAndTheCountsReached) {
    addFile(L"C:\\a.txt", {{L"s", "a"}});
    addFile(L"C:\\b.txt", {{L"s", "b"}});
    addFile(L"C:\\c.txt", {{L"s", "c"}});
    // The stop button's request, made while the second stream is announced.
    m().onStream = [&](const std::wstring& line1) {
        if (line1.find(L"b.txt") != std::wstring::npos) {
            m().FBackupADS->Terminate();
        }
    };
    dialogs.answerFolder(L"D:\\Saved");
    clickAndWait(&TFrmMain::btnBackupClick);
    EXPECT_EQ(m().alertTitle->caption(), L"Backup Complete!");
    // The copy under way when the stop comes ends after its block, its last: complete, it is kept
    // and counted. The walk ends before the third stream.
    EXPECT_EQ(m().alertBody->caption(),
              L"2/3 ADS (Alternate Data Stream) file(s) was successfully Backuped!");
    EXPECT_EQ(m().streamsAnnounced.size(), 2u);
    EXPECT_EQ(store.entryNames(L"D:\\Saved"), (std::vector<std::wstring>{L"s", L"s(1)"}));
    EXPECT_EQ(store.readData(L"D:\\Saved\\s"), "a");
    EXPECT_EQ(store.readData(L"D:\\Saved\\s(1)"), "b");
    EXPECT_EQ(m().FMode, amFinished);
}

TEST_F(StreamCommandsTest, BackupSelectedSavesTheFocusedStreamAndNamesTheFileWritten) {
    addFile(L"C:\\Downloads\\setup.exe", {{L"Zone.Identifier", kZone}});
    store.addFile(L"D:\\Saved\\Zone.Identifier", "an older copy");
    focus(L"C:\\Downloads\\setup.exe:Zone.Identifier");
    dialogs.answerFolder(L"D:\\Saved");
    dialogs.answerButton(plat::IDOK);
    click(&TFrmMain::BackupselectedADS1Click);
    EXPECT_EQ(dialogs.folderBrowsers().back().title, L"Choose destination path");
    EXPECT_EQ(lastDialog(), L"Information | Backup ADS File | ADS File successfully backupped at :\r\n"
                            L"D:\\Saved\\Zone(1).Identifier | ");
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone(1).Identifier"), kZone);
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone.Identifier"), "an older copy");

    // A drive root is used as it is, without a doubled backslash.
    dialogs.answerFolder(L"D:\\");
    dialogs.answerButton(plat::IDOK);
    click(&TFrmMain::BackupselectedADS1Click);
    EXPECT_EQ(lastDialog(), L"Information | Backup ADS File | ADS File successfully backupped at :\r\n"
                            L"D:\\Zone.Identifier | ");
    EXPECT_EQ(m().FMode, amIdle) << "single-stream commands leave the alert panel alone";
}

// The drive root and a folder with streams, and a file in the folder, as a scan lists them.
class FolderStreamCommandsTest : public StreamCommandsTest {
protected:
    void SetUp() override {
        StreamCommandsTest::SetUp();
        addFolder(L"C:\\", {{L"boot?", "on the root"}});
        addFolder(L"C:\\Tools", {{L"Zone.Identifier", kZone}, {L"payload", "hidden on a folder"}});
        addFile(L"C:\\Tools\\run.exe", {{L"Zone.Identifier", "ZoneId=4"}});
    }
};

TEST_F(FolderStreamCommandsTest, StreamsOfFoldersAndOfTheDriveRootAreCopiedAndSaved) {
    focus(L"C:\\:boot?");
    click(&TFrmMain::CopyfullADSPath1Click);
    EXPECT_EQ(clipboard.clipboardText(), L"C:\\:boot?");

    focus(L"C:\\Tools:payload");
    dialogs.answerFolder(L"D:\\Saved");
    dialogs.answerButton(plat::IDOK);
    click(&TFrmMain::BackupselectedADS1Click);
    EXPECT_EQ(lastDialog(), L"Information | Backup ADS File | ADS File successfully backupped at :\r\n"
                            L"D:\\Saved\\payload | ");
    EXPECT_EQ(store.readData(L"D:\\Saved\\payload"), "hidden on a folder");

    uncheck(L"C:\\Tools:payload");
    dialogs.answerFolder(L"D:\\Saved");
    clickAndWait(&TFrmMain::btnBackupClick);
    EXPECT_EQ(m().shown().body, L"3/3 ADS (Alternate Data Stream) file(s) was successfully Backuped!");
    EXPECT_EQ(store.readData(L"D:\\Saved\\boot_"), "on the root") << "a safe file name";
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone.Identifier"), kZone);
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone(1).Identifier"), "ZoneId=4");
}

TEST_F(FolderStreamCommandsTest, DeletingStreamsOfFoldersAndOfTheDriveRootLeavesTheFoldersAsTheyWere) {
    focus(L"C:\\Tools:payload");
    dialogs.answerButton(plat::IDYES);
    dialogs.answerButton(plat::IDOK);
    click(&TFrmMain::DeleteselectedADS1Click);
    EXPECT_EQ(lastDialog(), L"Information | Delete ADS File | ADS File successfully removed! | ");
    EXPECT_EQ(store.streamNames(L"C:\\Tools"), std::vector<std::wstring>{L"Zone.Identifier"});

    dialogs.answerButton(plat::IDYES);
    clickAndWait(&TFrmMain::btnDeleteClick);
    EXPECT_EQ(m().shown().body, L"3/3 ADS (Alternate Data Stream) file(s) was successfully Removed!");
    EXPECT_TRUE(rows().empty());
    // Only the streams went: both folders and the file are where they were, with their content.
    EXPECT_TRUE(store.streamNames(L"C:\\").empty());
    EXPECT_TRUE(store.streamNames(L"C:\\Tools").empty());
    EXPECT_TRUE(store.isFolder(L"C:\\Tools"));
    EXPECT_EQ(store.readData(L"C:\\Tools\\run.exe"), "main data");
    EXPECT_EQ(store.entryNames(L"C:\\Tools"), std::vector<std::wstring>{L"run.exe"});
}

TEST_F(StreamCommandsTest, BackupSelectedReportsTheErrorOfTheFailedCopy) {
    addFile(L"C:\\a.txt", {{L"locked", "held by another program"}, {L"big", std::string(30000, 'b')}});
    const int hold = store.holdOpen(L"C:\\a.txt:locked", plat::GENERIC_WRITE, 0);
    focus(L"C:\\a.txt:locked");
    dialogs.answerFolder(L"D:\\Saved");
    dialogs.answerButton(plat::IDOK);
    click(&TFrmMain::BackupselectedADS1Click);
    EXPECT_EQ(lastDialog(), L"Error | Backup ADS File | Could not backup ADS File with error=[32] | ");
    store.release(hold);

    store.setFreeSpace(L'D', 10000);
    focus(L"C:\\a.txt:big");
    dialogs.answerFolder(L"D:\\Saved");
    dialogs.answerButton(plat::IDOK);
    click(&TFrmMain::BackupselectedADS1Click);
    EXPECT_EQ(lastDialog(), L"Error | Backup ADS File | Could not backup ADS File with error=[112] | ");
    EXPECT_TRUE(store.entryNames(L"D:\\Saved").empty()) << "no empty or partial copy is left";
}

TEST_F(StreamCommandsTest, DeleteSelectedAsksThenRemovesTheStreamAndItsRows) {
    addFile(L"C:\\a.txt", {{L"only", "1"}});
    addFile(L"C:\\b.txt", {{L"first", "f"}, {L"second", "s"}});
    focus(L"C:\\a.txt:only");
    dialogs.answerButton(plat::IDNO);
    click(&TFrmMain::DeleteselectedADS1Click);
    EXPECT_EQ(lastDialog(), L"Question | Delete ADS File | You are about to delete only ADS (Alternate Data "
                            L"Stream) file, Are you sure? | This action is permanent!");
    EXPECT_EQ(store.streamNames(L"C:\\a.txt").size(), 1u);
    EXPECT_EQ(rows().size(), 5u);

    dialogs.answerButton(plat::IDYES);
    dialogs.answerButton(plat::IDOK);
    click(&TFrmMain::DeleteselectedADS1Click);
    EXPECT_EQ(lastDialog(), L"Information | Delete ADS File | ADS File successfully removed! | ");
    EXPECT_TRUE(store.streamNames(L"C:\\a.txt").empty());
    EXPECT_EQ(rows(), (std::vector<std::wstring>{L"C:\\b.txt", L"  C:\\b.txt:first", L"  C:\\b.txt:second"}))
        << "the only stream's file row goes at once";

    focus(L"C:\\b.txt:first");
    dialogs.answerButton(plat::IDYES);
    dialogs.answerButton(plat::IDOK);
    click(&TFrmMain::DeleteselectedADS1Click);
    EXPECT_EQ(rows(), (std::vector<std::wstring>{L"C:\\b.txt", L"  C:\\b.txt:second"}));
    EXPECT_EQ(m().FMode, amIdle);
}

TEST_F(StreamCommandsTest, DeleteSelectedThatFailsKeepsTheRowAndReportsNothing) {
    addFile(L"C:\\a.txt", {{L"busy", "in use"}});
    const int hold = store.holdOpen(L"C:\\a.txt:busy", plat::GENERIC_READ, plat::FILE_SHARE_READ);
    focus(L"C:\\a.txt:busy");
    dialogs.answerButton(plat::IDYES);
    click(&TFrmMain::DeleteselectedADS1Click);
    EXPECT_EQ(dialogs.taskDialogs().size(), 1u) << "the question only";
    EXPECT_EQ(rows(), (std::vector<std::wstring>{L"C:\\a.txt", L"  C:\\a.txt:busy"}));
    store.release(hold);
}

// A name written with the escape ("a|3Fb.txt" for "a?b.txt") is one Windows cannot open: its rows come
// from a direct read, and neither delete command reaches Windows with it. Both say why, ask nothing,
// and leave every row (and, for Delete Checked, every other checked stream) as it was.
TEST_F(StreamCommandsTest, DeletesOfNamesWindowsCannotOpenAreRefusedWithTheReason) {
    addFile(L"C:\\plain.txt", {{L"s", "kept"}});
    const TScanNode fileNode = m().fileFound(L"C:\\a|3Fb.txt", L"n/a", L"n/a");
    m().streamFound(TADSObject(L"hidden", 6), L"C:\\a|3Fb.txt", L"n/a", L"n/a", 30, fileNode);
    const std::vector<std::wstring> before = rows();

    dialogs.answerButton(plat::IDOK);
    click(&TFrmMain::btnDeleteClick);
    EXPECT_EQ(lastDialog(),
              L"Information | Delete ADS File(s) | Windows cannot open a name written with the | escape (a "
              L"character Windows does not allow in a name): such a stream is read from the volume directly "
              L"and cannot be deleted. Nothing was deleted. | ");
    EXPECT_EQ(m().FBackupADS, nullptr) << "no run";

    focus(L"C:\\a|3Fb.txt:hidden");
    dialogs.answerButton(plat::IDOK);
    click(&TFrmMain::DeleteselectedADS1Click);
    EXPECT_EQ(lastDialog(),
              L"Information | Delete ADS File | Windows cannot open this name, written with the | escape (a "
              L"character Windows does not allow in a name): the stream is read from the volume directly and "
              L"cannot be deleted. It is left as it is. | ");
    EXPECT_EQ(dialogs.taskDialogs().size(), 2u) << "no question";
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(store.streamNames(L"C:\\plain.txt"), (std::vector<std::wstring>{L"s"}));
}

TEST_F(StreamCommandsTest, SingleStreamCommandsSwitchRedirectionOffAroundTheirFileCallsOnly) {
    addFile(L"C:\\Windows\\System32\\a.dll", {{L"s", "x"}, {L"t", "y"}});
    std::vector<int> offAtCalls;
    store.beforeCall(TCall::DeleteFileW, 0, [&] { offAtCalls.push_back(store.redirectionOffCount()); });
    store.beforeCall(TCall::ReadFile, 0, [&] { offAtCalls.push_back(store.redirectionOffCount()); });
    focus(L"C:\\Windows\\System32\\a.dll:s");
    dialogs.answerButton(plat::IDYES);
    dialogs.answerButton(plat::IDOK);
    click(&TFrmMain::DeleteselectedADS1Click);
    focus(L"C:\\Windows\\System32\\a.dll:t");
    dialogs.answerFolder(L"D:\\Saved");
    dialogs.answerButton(plat::IDOK);
    click(&TFrmMain::BackupselectedADS1Click);
    store.clearFaults();
    EXPECT_EQ(offAtCalls, (std::vector<int>{1, 1, 1}))
        << "the delete, the read of the block, the read of the end";
    EXPECT_EQ(store.readData(L"D:\\Saved\\t"), "y");
}

TEST_F(StreamCommandsTest, CopyFullPathPutsTheFocusedRowsStreamPathOnTheClipboard) {
    addFile(L"C:\\Downloads\\setup.exe", {{L"Zone.Identifier", kZone}});
    click(&TFrmMain::CopyfullADSPath1Click);
    EXPECT_EQ(clipboard.setCount(), 0) << "no focused row: nothing";
    focus(L"C:\\Downloads\\setup.exe:Zone.Identifier");
    click(&TFrmMain::CopyfullADSPath1Click);
    EXPECT_EQ(clipboard.clipboardText(), L"C:\\Downloads\\setup.exe:Zone.Identifier");
}

TEST_F(StreamCommandsTest, FileRowsAndABusyWindowTakeNoSingleStreamCommand) {
    addFile(L"C:\\a.txt", {{L"s", "x"}});
    focus(L"C:\\a.txt");
    click(&TFrmMain::BackupselectedADS1Click);
    click(&TFrmMain::DeleteselectedADS1Click);
    // While a run or a scan is busy the rows are the job's: no command reaches them.
    focus(L"C:\\a.txt:s");
    m().switchAlertPanel(amBusy);
    click(&TFrmMain::BackupselectedADS1Click);
    click(&TFrmMain::DeleteselectedADS1Click);
    click(&TFrmMain::btnBackupClick);
    click(&TFrmMain::btnDeleteClick);
    EXPECT_TRUE(dialogs.folderBrowsers().empty());
    EXPECT_TRUE(dialogs.taskDialogs().empty());
    EXPECT_EQ(rows().size(), 2u);
}

} // namespace
