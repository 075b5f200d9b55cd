#pragma once
// The fixture of the About window's tests: the simulated store holding the program's file, the
// shell double with its version information, the privilege and trust doubles, the headless toolkit
// and a stand-in UI thread that serves the signature check's steps, watched so that a test can
// wait until a step has run.

#include "platform/PrivilegeServices.h"
#include "platform/StandInUiThread.h"
#include "platform/TrustServices.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/headless/HeadlessWidgets.h"
#include "platform/shell/ScriptedPrivilege.h"
#include "platform/shell/ScriptedTrust.h"
#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "ui/about/UntAbout.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

// Hands steps to the stand-in UI thread and counts those that have run.
class TWatchedDispatcher : public plat::TUiDispatcher {
public:
    void runOnUiThread(const std::function<void()>& step) override {
        FUi.runOnUiThread(step);
        std::lock_guard<std::mutex> lock(FLock);
        ++FServed;
        FChanged.notify_all();
    }
    // Waits until count steps have run in all; false when they did not in time.
    bool waitForSteps(int count) {
        std::unique_lock<std::mutex> lock(FLock);
        return FChanged.wait_for(lock, std::chrono::seconds(10), [&] { return FServed >= count; });
    }
    int served() {
        std::lock_guard<std::mutex> lock(FLock);
        return FServed;
    }

private:
    plat::TStandInUiThread FUi;
    std::mutex FLock;
    std::condition_variable FChanged;
    int FServed = 0;
};

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
        trustDouble.answerNotSigned();
    }
    void TearDown() override {
        trustDouble.release();
        window.reset();
        for (const auto& check : checks) {
            EXPECT_TRUE(waitUntilEnded(*check)) << "a signature check still running";
        }
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

    // Makes the window as start-up does (hidden), its signature check held until the window is
    // made (as on the UI thread, where the check's step waits for the message loop).
    void makeWindow() {
        trustDouble.hold();
        window = std::make_unique<TFrmAbout>();
        checks.push_back(window->signCheck());
        ++checksStarted;
        ASSERT_TRUE(trustDouble.waitUntilHeld(10000)) << "no signature check started";
    }
    // Lets the check answer and waits until its outcome shows.
    void finishCheck() {
        trustDouble.release();
        ASSERT_TRUE(ui.waitForSteps(checksStarted)) << "the check's outcome never showed";
    }
    void makeWindowAndFinishCheck() {
        makeWindow();
        finishCheck();
    }

    TFrmAbout& w() { return *window; }

    // Waits until the check's worker has marked its end; false when it did not in time.
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
    // What a control shows now, painted afresh.
    static plat::headless::TRasterCanvas& painted(TControl& control) {
        control.paintNow();
        return peerOf(control).surface();
    }

    plat::store::TSimStore store;
    plat::TTestShell shell;
    plat::TScriptedPrivilege privilege;
    plat::TScriptedTrust trustDouble;
    TWatchedDispatcher ui;
    plat::headless::THeadlessBackend backend;
    plat::headless::THeadlessWidgets widgets;
    std::unique_ptr<TFrmAbout> window;
    std::vector<std::shared_ptr<const TSignCheckLink>> checks; // every window's, kept past the window
    int checksStarted = 0;
};
