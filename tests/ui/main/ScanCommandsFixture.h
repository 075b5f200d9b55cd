#pragma once
// The fixture of the scan commands' tests: the main window and the Setup Scan dialog made as the
// program makes them, over the simulated store, the headless toolkit, scripted dialogs and a UI
// thread that is the test's own thread (scan steps are served while the test waits, as the
// program's message loop serves them, inside modal dialogs too). The user is played through the
// controls: clicks on the action button, menu choices, keys and values in the dialog.

#include "platform/PrivilegeServices.h"
#include "platform/ProcessServices.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/headless/HeadlessWidgets.h"
#include "platform/ntfs/NtfsImageVolumes.h"
#include "platform/shell/ScriptedDialogs.h"
#include "platform/shell/ScriptedPrivilege.h"
#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "support/DoneSignal.h"
#include "support/PumpedUiThread.h"
#include "ui/main/UntMain.h"
#include "ui/main/UntWildCard.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

namespace scancommands {

// The settings a scan thread had when its body began, and whether it has freed itself.
struct TScanStart {
    TScanFileSystemMode mode = smFull;
    std::wstring path;
    std::wstring wildcard;
    bool recursive = false;
    std::int32_t previewLen = 0;
    bool includeZone = false;
    bool freeOnTerminate = false;
    plat::TThreadPriority priority = plat::tpNormal;
    bool direct = false;
};

class TScanRecord {
public:
    void started(const TScanStart& start) {
        std::lock_guard<std::mutex> lock(FLock);
        FStart = start;
    }
    std::optional<TScanStart> start() {
        std::lock_guard<std::mutex> lock(FLock);
        return FStart;
    }
    // The last scan made has freed itself. Replaced (on the UI thread) for every scan made.
    testsupport::TDoneSignal gone;

private:
    std::mutex FLock;
    std::optional<TScanStart> FStart;
};

// The scan, telling the test its settings and when it has freed itself.
class TRecordedScan : public TScanFileSystem {
public:
    TRecordedScan(TScanNotifications& window, std::shared_ptr<TScanRecord> record)
        : TScanFileSystem(window), FRecord(std::move(record)), FGone(FRecord->gone) {}
    ~TRecordedScan() override { FGone.set(); }

protected:
    void Execute() override {
        FRecord->started(TScanStart{scanMode(), path(), wildcard(), recursive(), previewLen(), includeZone(),
                                    freeOnTerminate(), priority(), direct()});
        TScanFileSystem::Execute();
    }

private:
    std::shared_ptr<TScanRecord> FRecord;
    testsupport::TDoneSignal FGone;
};

// The run of a bulk backup or removal, telling the test when it has freed itself.
class TRecordedBackup : public TBackupADS {
public:
    TRecordedBackup(TBackupNotifications& window, testsupport::TDoneSignal gone)
        : TBackupADS(window), FGone(gone) {}
    ~TRecordedBackup() override { FGone.set(); }

private:
    testsupport::TDoneSignal FGone;
};

// The export, telling the test when it has freed itself.
class TRecordedExport : public TExportResults {
public:
    TRecordedExport(TExportNotifications& window, testsupport::TDoneSignal gone)
        : TExportResults(window), FGone(gone) {}
    ~TRecordedExport() override { FGone.set(); }

private:
    testsupport::TDoneSignal FGone;
};

// The main window with recorded workers; it hears when a scan or a bulk run has finished.
class TRecordedMain : public TFrmMain {
public:
    std::shared_ptr<TScanRecord> scans = std::make_shared<TScanRecord>();
    int scansMade = 0;
    bool scanEnded = false;
    bool lastScanTerminated = false;
    testsupport::TDoneSignal backupGone;
    int backupsMade = 0;
    bool backupEnded = false;
    testsupport::TDoneSignal exportGone;
    int exportsMade = 0;
    // Runs on the UI thread when the scan has started (busy mode shown).
    std::function<void()> onScanStarting;
    // Reads a disk image's volumes in the window's place when set (on the scan thread).
    std::function<plat::ntfs::TImageVolumes(const std::wstring&, const std::atomic<bool>&)> readImage;

    void scanStarting(const std::vector<std::wstring>& driveList) override {
        TFrmMain::scanStarting(driveList);
        if (onScanStarting) {
            onScanStarting();
        }
    }
    void scanFinished(bool terminated, std::int64_t foundResults) override {
        TFrmMain::scanFinished(terminated, foundResults);
        lastScanTerminated = terminated;
        scanEnded = true;
    }
    void backupFinished(const TBackupRunState& state) override {
        TFrmMain::backupFinished(state);
        backupEnded = true;
    }

protected:
    plat::ntfs::TImageVolumes readImageVolumes(const std::wstring& image,
                                               const std::atomic<bool>& stop) override {
        return readImage ? readImage(image, stop) : TFrmMain::readImageVolumes(image, stop);
    }
    TScanFileSystem* createScanThread() override {
        ++scansMade;
        scanEnded = false;
        scans->gone = testsupport::TDoneSignal();
        return new TRecordedScan(*this, scans);
    }
    TExportResults* createExportThread() override {
        exportGone = testsupport::TDoneSignal();
        ++exportsMade;
        return new TRecordedExport(*this, exportGone);
    }
    TBackupADS* createBackupThread() override {
        backupEnded = false;
        backupGone = testsupport::TDoneSignal();
        ++backupsMade;
        return new TRecordedBackup(*this, backupGone);
    }
};

// The scripted dialogs, and what goes on in the program while the next task dialog is open.
class TDialogsWhileOpen : public plat::TScriptedDialogs {
public:
    // Runs once, while the next task dialog is open (before it is answered).
    std::function<void()> whileOpen;

    int TaskDialogIndirect(const plat::TTaskDialogConfig& config) override {
        if (whileOpen) {
            const std::function<void()> action = std::move(whileOpen);
            whileOpen = nullptr;
            action();
        }
        return TScriptedDialogs::TaskDialogIndirect(config);
    }
};

class ScanCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        plat::installFileServices(&store);
        plat::installShellServices(&shell);
        plat::installPrivilegeServices(&privilege);
        plat::installUiDispatcher(&ui);
        plat::installControlBackend(&backend);
        plat::installWidgetServices(&widgets);
        plat::installProcessServices(&process);
        plat::installDialogServices(&dialogs);
        dialogs.onUnscripted([](const std::wstring& message) {
            ADD_FAILURE() << "unscripted dialog: " << std::string(message.begin(), message.end());
        });
        shell.setFolderIcon(3);
        shell.setExtensionIcon(L".txt", 7);
    }
    void TearDown() override {
        // No job may outlive the test: its steps would reach a window that is gone.
        if (window != nullptr) {
            EXPECT_TRUE(ui.serveUntil(
                [&] { return window->FScanFileSystem == nullptr && window->FBackupADS == nullptr; },
                std::chrono::seconds(30)));
            EXPECT_TRUE(window->scansMade == 0 || window->scans->gone.waitFor(std::chrono::seconds(30)));
            EXPECT_TRUE(window->backupsMade == 0 || window->backupGone.waitFor(std::chrono::seconds(30)));
            EXPECT_TRUE(
                ui.serveUntil([&] { return window->FExportResults == nullptr; }, std::chrono::seconds(30)));
            EXPECT_TRUE(window->exportsMade == 0 || window->exportGone.waitFor(std::chrono::seconds(30)));
        }
        EXPECT_EQ(dialogs.pendingAnswers(), 0u) << "every scripted answer was asked for";
        EXPECT_EQ(dialogs.liveIdLists(), 0u);
        EXPECT_EQ(widgets.pendingModalAnswers(), 0u) << "every dialog answer was used";
        EXPECT_EQ(widgets.unansweredModals(), 0) << "a dialog was shown that the test did not answer";
        wildCard.reset();
        window.reset();
        EXPECT_EQ(store.openHandles(), 0);
        plat::installDialogServices(nullptr);
        plat::installProcessServices(nullptr);
        plat::installWidgetServices(nullptr);
        plat::installControlBackend(nullptr);
        plat::installUiDispatcher(nullptr);
        plat::installPrivilegeServices(nullptr);
        plat::installShellServices(nullptr);
        plat::installFileServices(nullptr);
    }

    // The windows as the program makes them: the main window first (its creation checks the
    // drives), then the hidden dialog.
    void open() {
        // Each test gives its own drives; the system drive holds the Windows folder.
        if (store.exists(L"C:\\")) {
            store.addFolder(L"C:\\Windows");
            store.setWindowsDirectory(L"C:\\Windows");
        }
        window = std::make_unique<TRecordedMain>();
        wildCard = std::make_unique<TFrmWC>();
        window->show();
    }

    TRecordedMain& w() { return *window; }
    TFrmWC& wc() { return *wildCard; }

    static plat::headless::THeadlessPeer& peerOf(const TControl& control) {
        plat::headless::THeadlessPeer* peer = plat::headless::headlessPeer(control.peer());
        if (peer == nullptr) {
            throw std::logic_error("control not realised");
        }
        return *peer;
    }
    // The user clicks the alert panel's action button.
    void clickAction() { peerOf(*w().btnAction).click(10, 10); }
    // The user opens the scan menu and chooses the entry with this caption (a drive's too).
    void chooseFromScanMenu(const std::wstring& caption) {
        widgets.chooseNext(caption);
        clickAction();
    }
    // The next Setup Scan dialog: the user does what fill does, then presses key where the focus is.
    void answerSetupScan(std::function<void(TFrmWC&)> fill, int key) {
        widgets.answerModal([this, fill = std::move(fill), key](plat::headless::THeadlessFormPeer&) {
            if (fill) {
                fill(wc());
            }
            backend.focused()->pressKey(key);
        });
    }
    // The user types text into a box of the dialog, replacing what it held.
    void typeInto(TEdit& box, const std::wstring& text) {
        box.setFocus();
        box.selectAll();
        peerOf(box).pressKey(VK_DELETE);
        peerOf(box).typeText(text);
    }
    // "Export Results..." from the tree's menu; serves the export's steps until it has ended and freed
    // itself (the save dialog's answer is the test's).
    void exportResults() {
        const int made = w().exportsMade;
        w().ExportResults1->click();
        if (w().exportsMade > made) {
            ASSERT_TRUE(
                ui.serveUntil([&] { return w().FExportResults == nullptr; }, std::chrono::seconds(30)))
                << "the export did not end";
            ASSERT_TRUE(w().exportGone.waitFor(std::chrono::seconds(30))) << "the export did not free itself";
        }
    }
    // Serves the scan's steps until it has ended and freed itself.
    void waitForScanEnd() {
        ASSERT_TRUE(ui.serveUntil([&] { return w().scanEnded; }, std::chrono::seconds(30)))
            << "the scan did not end";
        ASSERT_TRUE(w().scans->gone.waitFor(std::chrono::seconds(30))) << "the scan did not free itself";
    }

    plat::store::TSimStore store;
    plat::TTestShell shell;
    plat::TScriptedPrivilege privilege;
    testsupport::TPumpedUiThread ui;
    plat::headless::THeadlessBackend backend;
    plat::headless::THeadlessWidgets widgets;
    plat::TRecordingProcess process;
    TDialogsWhileOpen dialogs;
    std::unique_ptr<TRecordedMain> window;
    std::unique_ptr<TFrmWC> wildCard;
};

} // namespace scancommands
