#pragma once
// The fixture of the About window's tests: the simulated store holding the program's file, the
// shell double with its version information, the privilege and trust doubles, the headless toolkit
// and a stand-in UI thread that serves the signature check's steps.

#include "platform/PrivilegeServices.h"
#include "platform/StandInUiThread.h"
#include "platform/TrustServices.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/headless/HeadlessWidgets.h"
#include "platform/shell/ScriptedPrivilege.h"
#include "platform/shell/ScriptedTrust.h"
#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "support/DoneSignal.h"
#include "ui/about/UntAbout.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>

class AboutWindowTest : public testing::Test {
protected:
    static constexpr const wchar_t* kProgram = L"C:\\Program Files\\Korvane\\ADSOmbrolux.exe";

    void SetUp() override {
        plat::installFileServices(&store);
        plat::installShellServices(&shell);
        plat::installPrivilegeServices(&privilege);
        plat::installTrustServices(&trustDouble);
        plat::installUiDispatcher(&ui);
        plat::installControlBackend(&backend);
        plat::installWidgetServices(&widgets);
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        store.addFile(kProgram, "MZ");
        shell.setModuleFileName(kProgram);
    }
    void TearDown() override {
        window.reset();
        plat::installWidgetServices(nullptr);
        plat::installControlBackend(nullptr);
        plat::installUiDispatcher(nullptr);
        plat::installTrustServices(nullptr);
        plat::installPrivilegeServices(nullptr);
        plat::installShellServices(nullptr);
        plat::installFileServices(nullptr);
    }

    // The program's version information as the product carries it.
    void giveVersionInformation() {
        shell.setFixedVersion(kProgram, 2, 4, 1, 317);
        shell.setTranslation(kProgram, 0x0409, 0x04B0);
        shell.setVersionString(kProgram, L"\\StringFileInfo\\040904b0\\ProductName", L"Korvane ADS Ombrolux");
        shell.setVersionString(kProgram, L"\\StringFileInfo\\040904b0\\CompanyName", L"Korvane");
    }

    // Makes the window as start-up does (hidden) and waits until the signature check's outcome shows.
    void makeWindowAndWaitForCheck() {
        testsupport::TDoneSignal shown;
        window = std::make_unique<TFrmAbout>();
        window->OnSignStatusShown = [shown](TFrmAbout*) mutable { shown.set(); };
        // The outcome may have come before the handler was set: then the status says so already.
        ui.runOnUiThread([&] {
            if (window->signStatus() != ssChecking) {
                shown.set();
            }
        });
        ASSERT_TRUE(shown.waitFor(std::chrono::seconds(10))) << "the check's outcome never showed";
    }

    TFrmAbout& w() { return *window; }

    static plat::headless::THeadlessPeer& peerOf(const TControl& control) {
        plat::headless::THeadlessPeer* peer = plat::headless::headlessPeer(control.peer());
        if (peer == nullptr) {
            throw std::logic_error("control not realised");
        }
        return *peer;
    }
    // What a control shows now, painted afresh.
    static plat::headless::TRasterCanvas& painted(TControl& control) {
        control.paintNow();
        return peerOf(control).surface();
    }

    plat::store::TSimStore store;
    plat::TTestShell shell;
    plat::TScriptedPrivilege privilege;
    plat::TScriptedTrust trustDouble;
    plat::TStandInUiThread ui;
    plat::headless::THeadlessBackend backend;
    plat::headless::THeadlessWidgets widgets;
    std::unique_ptr<TFrmAbout> window;
};
