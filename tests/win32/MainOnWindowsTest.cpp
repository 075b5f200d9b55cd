// The main window for real: made and shown with the Windows toolkit backend, measured with the real
// fonts, checked on the screen, resized as a user does, and filled by a scan over the simulated
// store whose notifications come through the real UI dispatcher.

#include "platform/PrivilegeServices.h"
#include "platform/ProcessServices.h"
#include "platform/shell/ScriptedPrivilege.h"
#include "platform/store/SimStore.h"
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Dispatcher.h"
#include "platform/win32/Win32Form.h"
#include "support/DoneSignal.h"
#include "toolkit/TextLayout.h"
#include "ui/main/UntMain.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;
using plat::win32::windowOf;

namespace {

// The scan, telling the test when it has freed itself.
class TWatchedScan : public TScanFileSystem {
public:
    TWatchedScan(TScanNotifications& window, testsupport::TDoneSignal gone)
        : TScanFileSystem(window), FGone(gone) {}
    ~TWatchedScan() override { FGone.set(); }

private:
    testsupport::TDoneSignal FGone;
};

class TWatchedMain : public TFrmMain {
public:
    testsupport::TDoneSignal scanGone;

protected:
    TScanFileSystem* createScanThread() override { return new TWatchedScan(*this, scanGone); }
};

class MainOnWindowsTest : public testing::Test {
protected:
    void SetUp() override {
        previousFiles = &plat::files();
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        store.addFolder(L"C:\\Windows");
        store.setWindowsDirectory(L"C:\\Windows");
        plat::installFileServices(&store);
        plat::installControlBackend(&backend);
        plat::installWidgetServices(&widgets);
        plat::installUiDispatcher(&dispatcher);
        plat::installProcessServices(&process);
        plat::installPrivilegeServices(&privilege);
        window = std::make_unique<TWatchedMain>();
        window->show();
        serveFor(300ms); // the first paint and the one-shot re-layout
    }
    void TearDown() override {
        window.reset();
        plat::installPrivilegeServices(nullptr);
        plat::installProcessServices(nullptr);
        plat::installUiDispatcher(nullptr);
        plat::installWidgetServices(nullptr);
        plat::installControlBackend(nullptr);
        plat::installFileServices(previousFiles);
    }

    static void serveFor(std::chrono::milliseconds time) {
        plat::win32::serveMessagesUntil([] { return false; }, time);
    }
    plat::win32::TScreenPicture shot() {
        serveFor(150ms);
        return plat::win32::captureClientArea(windowOf(window->peer()));
    }
    TWatchedMain& w() { return *window; }

    plat::TFileServices* previousFiles = nullptr;
    plat::store::TSimStore store;
    plat::win32::TWin32Backend backend;
    plat::win32::TWin32WidgetServices widgets;
    plat::win32::TWin32Dispatcher dispatcher;
    plat::TRecordingProcess process;
    plat::TScriptedPrivilege privilege;
    std::unique_ptr<TWatchedMain> window;
};

} // namespace

TEST_F(MainOnWindowsTest, ShowsTheIdlePanelLaidOutWithTheRealFonts) {
    EXPECT_EQ(w().clientWidth(), 540) << "the re-layout after showing keeps the size";
    EXPECT_EQ(w().clientHeight(), 433);
    const int lineHeight = lineHeightOf(w().alertBody->font());
    ASSERT_GT(lineHeight, 8) << "text is measured with the platform's fonts";
    const int body = wrappedTextHeight(w().alertBody->font(), w().alertBody->caption(), 462) + 10;
    EXPECT_GE(body, 3 * lineHeight + 10) << "the welcome text wraps";
    EXPECT_EQ(w().alertBody->height(), body);
    const int panel = 30 + body + 8 + 28 + 4;
    EXPECT_EQ(w().pAlert->boundsRect(), boundsRect(4, 4, 532, panel));

    const plat::win32::TScreenPicture screen = shot();
    ASSERT_EQ(screen.width, 540);
    ASSERT_EQ(screen.height, 433);
    EXPECT_EQ(screen.at(4, 4 + 20), hexColor(0xBCE8F1)) << "the left band";
    EXPECT_EQ(screen.at(8, 4 + 20), hexColor(0xBCE8F1));
    EXPECT_EQ(screen.at(9, 4 + 5), hexColor(0xD9EDF7)) << "the panel";
    EXPECT_EQ(screen.at(535, 4 + 20), hexColor(0xBCE8F1)) << "the right border";
    EXPECT_EQ(screen.at(4 + 419 + 3, 4 + panel - 32 + 3), hexColor(0xAEDAEE)) << "the action button";
    const int listTop = 4 + panel + 5;
    EXPECT_EQ(screen.at(4, listTop + 40), hexColor(0xA0AFC3)) << "the list's frame";
    EXPECT_EQ(screen.at(100, 429), hexColor(0xA0AFC3));
}

TEST_F(MainOnWindowsTest, WideningAsTheUserDoesReWrapsTheBody) {
    const int narrow = w().alertBody->height();
    plat::win32::resizeAsUser(windowOf(w().peer()), 1000, 500);
    serveFor(200ms);
    EXPECT_EQ(w().clientWidth(), 1000);
    EXPECT_EQ(w().alertBody->width(), 922);
    EXPECT_LT(w().alertBody->height(), narrow);
    EXPECT_EQ(w().pListview->top() + w().pListview->height(), 500 - 4);
    plat::win32::resizeAsUser(windowOf(w().peer()), 300, 200);
    serveFor(200ms);
    EXPECT_EQ(w().clientWidth(), 540) << "never below the design size";
    EXPECT_EQ(w().clientHeight(), 433);
}

TEST_F(MainOnWindowsTest, AScanOverTheStoreFillsTheTreeThroughTheUiDispatcher) {
    store.addFile(L"C:\\data\\report.txt", "main data");
    store.addStream(L"C:\\data\\report.txt", L"notes", "secret notes");
    store.addStream(L"C:\\data\\report.txt", L"more", "more notes");
    store.addFile(L"C:\\data\\plain.txt", "nothing");
    w().runScan(smFull, L"", L"*.*", true, 30, false);
    ASSERT_TRUE(plat::win32::serveMessagesUntil([&] { return w().scanGone.isSet(); }, 30s));
    EXPECT_EQ(w().FMode, amFinished);
    EXPECT_EQ(w().FScanFileSystem, nullptr);
    EXPECT_EQ(w().clientWidth(), 540);
    ASSERT_EQ(w().VST->totalCount(), 3u);
    EXPECT_EQ(w().treeData(w().VST->getFirst())->Column1, L"C:\\data\\report.txt");
    EXPECT_TRUE(w().btnBackup->enabled());

    const plat::win32::TScreenPicture screen = shot();
    EXPECT_EQ(screen.at(4, 24), hexColor(0xD6E9C6)) << "the finished colours";
    // The two stream rows are filled grey across the tree.
    int greyRows = 0;
    for (int y = w().pListview->top() + 54; y < 429; ++y) {
        greyRows += screen.at(300, y) == hexColor(0xF7F7F7) ? 1 : 0;
    }
    EXPECT_GE(greyRows, 2 * 14);
}
