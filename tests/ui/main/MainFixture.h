#pragma once
// The fixture of the main window's tests: the simulated store with one NTFS drive, the shell double,
// the privilege double (a user who is not an administrator), the headless toolkit (controls, forms,
// timers, menus, text metrics), the process double and a stand-in UI thread for scans; the window
// made and shown as the program does.

#include "platform/PrivilegeServices.h"
#include "platform/ProcessServices.h"
#include "platform/StandInUiThread.h"
#include "platform/TrustServices.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/headless/HeadlessWidgets.h"
#include "platform/shell/ScriptedPrivilege.h"
#include "platform/shell/ScriptedTrust.h"
#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "toolkit/TextLayout.h"
#include "ui/main/UntMain.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <thread>

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override {
        plat::installFileServices(&store);
        plat::installShellServices(&shell);
        plat::installPrivilegeServices(&privilege);
        plat::installUiDispatcher(&ui);
        plat::installControlBackend(&backend);
        plat::installWidgetServices(&widgets);
        plat::installProcessServices(&process);
        plat::installTrustServices(&trust);
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        store.addFolder(L"C:\\Windows");
        store.setWindowsDirectory(L"C:\\Windows");
        shell.setExtensionIcon(L".txt", 7);
        shell.setExtensionIcon(L".dat", 9);
        shell.setFolderIcon(3);
        window = std::make_unique<TFrmMain>();
        window->show();
    }
    void TearDown() override {
        trust.release();
        if (about != nullptr) {
            const std::shared_ptr<const TSignCheckLink> check = about->signCheck();
            window.reset();
            about.reset();
            EXPECT_TRUE(waitUntilEnded(*check)) << "the About window's signature check still runs";
        }
        window.reset();
        EXPECT_EQ(store.openHandles(), 0);
        plat::installTrustServices(nullptr);
        plat::installProcessServices(nullptr);
        plat::installWidgetServices(nullptr);
        plat::installControlBackend(nullptr);
        plat::installUiDispatcher(nullptr);
        plat::installPrivilegeServices(nullptr);
        plat::installShellServices(nullptr);
        plat::installFileServices(nullptr);
    }

    TFrmMain& w() { return *window; }

    // The About window as start-up makes it after the main window, which shows it; its signature
    // check answers at once unless the test holds the trust service.
    TFrmAbout& makeAboutWindow() {
        shell.setModuleFileName(kProgram);
        store.addFile(kProgram, "MZ");
        about = std::make_unique<TFrmAbout>();
        w().setAboutWindow(about.get());
        return *about;
    }
    // Waits until a signature check's worker has marked its end; false when it did not in time.
    static bool waitUntilEnded(const TSignCheckLink& check) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (check.running()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return true;
    }

    static plat::headless::THeadlessPeer& peerOf(const TControl& control) {
        plat::headless::THeadlessPeer* peer = plat::headless::headlessPeer(control.peer());
        if (peer == nullptr) {
            throw std::logic_error("control not realised");
        }
        return *peer;
    }
    plat::headless::THeadlessFormPeer& formPeer() {
        plat::headless::THeadlessFormPeer* peer = widgets.formPeerOf(window->peer());
        if (peer == nullptr) {
            throw std::logic_error("form not attached");
        }
        return *peer;
    }
    // What a control shows now, painted afresh.
    static plat::headless::TRasterCanvas& painted(TControl& control) {
        control.paintNow();
        return peerOf(control).surface();
    }
    // The height the window gives its body text: the wrapped text plus 10.
    int bodyBoxHeight() {
        return wrappedTextHeight(w().alertBody->font(), w().alertBody->caption(), w().alertBody->width()) +
               10;
    }

    plat::store::TSimStore store;
    plat::TTestShell shell;
    plat::TScriptedPrivilege privilege;
    plat::TStandInUiThread ui;
    plat::headless::THeadlessBackend backend;
    plat::headless::THeadlessWidgets widgets;
    plat::TRecordingProcess process;
    plat::TScriptedTrust trust;
    std::unique_ptr<TFrmMain> window;
    std::unique_ptr<TFrmAbout> about; // made by makeAboutWindow
    static constexpr const wchar_t* kProgram = L"C:\\Program Files\\Korvane\\ADSOmbrolux.exe";
};
