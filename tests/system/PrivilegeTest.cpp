// Privilege and elevation over the privilege and process doubles: the version test, the
// administrators check and each way it fails, the elevated restart that ends this instance only
// once the new one started, the links, and the elevation button's look and click.

#include "system/UntKorvaneLib.h"

#include "platform/ProcessServices.h"
#include "platform/shell/ScriptedPrivilege.h"
#include "platform/shell/TestShell.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

const std::wstring kProgram = L"C:\\Program Files\\Korvane\\ADSOmbrolux.exe";

class PrivilegeTest : public ::testing::Test {
protected:
    void SetUp() override {
        plat::installPrivilegeServices(&privilege);
        plat::installShellServices(&shell);
        plat::installProcessServices(&process);
        shell.setModuleFileName(kProgram);
    }
    void TearDown() override {
        plat::installProcessServices(nullptr);
        plat::installShellServices(nullptr);
        plat::installPrivilegeServices(nullptr);
    }

    plat::TScriptedPrivilege privilege;
    plat::TTestShell shell;
    plat::TRecordingProcess process;
};

TEST_F(PrivilegeTest, VistaOrLaterFromTheMajorVersion) {
    const struct {
        plat::DWORD major;
        plat::DWORD minor;
        bool expected;
    } cases[] = {{5, 1, false}, {5, 2, false}, {6, 0, true}, {6, 1, true}, {10, 0, true}};
    for (const auto& c : cases) {
        privilege.setVersion(c.major, c.minor);
        EXPECT_EQ(isVistaOrLater(), c.expected) << c.major << "." << c.minor;
    }
}

TEST_F(PrivilegeTest, AdministratorAnswerForEachPlatformAnswer) {
    const struct {
        const char* what;
        plat::DWORD major;
        bool found;
        bool sidFails;
        bool checkFails;
        bool member;
        bool expected;
        int checks;
    } cases[] = {
        {"before Vista every user counts", 5, true, false, false, false, true, 0},
        {"member of the group", 6, true, false, false, true, true, 1},
        {"not a member (or not elevated)", 10, true, false, false, false, false, 1},
        {"CheckTokenMembership missing", 10, false, false, false, true, false, 0},
        {"identifier not built", 10, true, true, false, true, false, 0},
        {"membership call fails", 10, true, false, true, true, false, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        plat::TScriptedPrivilege fresh;
        fresh.setVersion(c.major, 0);
        fresh.setCheckTokenMembershipFound(c.found);
        fresh.setSidFails(c.sidFails);
        fresh.setCheckFails(c.checkFails);
        fresh.setAdministrator(c.member);
        plat::installPrivilegeServices(&fresh);
        EXPECT_EQ(isAdministrator(), c.expected);
        EXPECT_EQ(fresh.membershipChecks(), c.checks);
        EXPECT_TRUE(fresh.checksWereSound()) << "the thread's own token, an identifier still held";
        EXPECT_EQ(fresh.sidsFreed(), fresh.sidsAllocated()) << "every identifier is freed";
        plat::installPrivilegeServices(&privilege);
    }
}

TEST_F(PrivilegeTest, TheIdentifierIsTheBuiltInAdministratorsGroup) {
    privilege.setAdministrator(true);
    ASSERT_TRUE(isAdministrator());
    const plat::SID_IDENTIFIER_AUTHORITY authority = privilege.lastAuthority();
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(authority.Value[i], 0);
    }
    EXPECT_EQ(authority.Value[5], 5) << "SECURITY_NT_AUTHORITY";
    EXPECT_EQ(privilege.lastSubAuthorities(), (std::vector<plat::DWORD>{32, 544}));
}

TEST_F(PrivilegeTest, ElevatedStartAsksTheShellForRunAs) {
    EXPECT_TRUE(shellExecuteElevated(L"C:\\Tools\\x.exe", L"/a b"));
    ASSERT_EQ(privilege.shellStarts().size(), 1u);
    const plat::TShellStart& start = privilege.shellStarts()[0];
    EXPECT_EQ(start.window, nullptr);
    EXPECT_EQ(start.verb, L"RunAs");
    EXPECT_EQ(start.file, L"C:\\Tools\\x.exe");
    EXPECT_EQ(start.parameters, L"/a b");
    EXPECT_FALSE(start.directoryGiven);
    EXPECT_EQ(start.showCommand, 5);

    // Values of 32 and below are the shell's error codes.
    for (std::intptr_t refused : {0, 2, 5, 31, 32}) {
        privilege.setShellResult(refused);
        EXPECT_FALSE(shellExecuteElevated(L"C:\\Tools\\x.exe", L"")) << refused;
    }
    privilege.setShellResult(33);
    EXPECT_TRUE(shellExecuteElevated(L"C:\\Tools\\x.exe", L""));
}

TEST_F(PrivilegeTest, RelaunchEndsThisInstanceOnlyAfterTheNewOneStarted) {
    int exitsWhenStarted = -1;
    privilege.OnShellExecute = [&](const plat::TShellStart&) {
        exitsWhenStarted = process.exitCount();
        EXPECT_EQ(privilege.sleeps(), (std::vector<plat::DWORD>{10})) << "the pause comes first";
    };
    EXPECT_TRUE(relaunchElevated()); // returns only because the double's exit returns
    ASSERT_EQ(privilege.shellStarts().size(), 1u);
    const plat::TShellStart& start = privilege.shellStarts()[0];
    EXPECT_EQ(start.verb, L"RunAs");
    EXPECT_EQ(start.file, kProgram) << "the program's own file";
    EXPECT_TRUE(start.parametersGiven);
    EXPECT_EQ(start.parameters, L"") << "the new instance starts fresh, without parameters";
    EXPECT_EQ(exitsWhenStarted, 0) << "still running while the shell starts the new instance";
    EXPECT_EQ(process.exitCount(), 1);
    EXPECT_EQ(process.lastExitCode(), 0u);
}

TEST_F(PrivilegeTest, ARefusedOrFailedRelaunchKeepsThisInstanceRunning) {
    for (std::intptr_t refused : {5, 2, 0}) {
        plat::TRecordingProcess fresh;
        plat::installProcessServices(&fresh);
        privilege.setShellResult(refused);
        EXPECT_FALSE(relaunchElevated()) << refused;
        EXPECT_EQ(fresh.exitCount(), 0) << refused;
        plat::installProcessServices(&process);
    }
}

TEST_F(PrivilegeTest, RelaunchFindsAProgramPathLongerThanTheClassicLimit) {
    const std::wstring deep = L"C:\\" + std::wstring(300, L'd') + L"\\ADSOmbrolux.exe";
    shell.setModuleFileName(deep);
    EXPECT_TRUE(relaunchElevated());
    ASSERT_EQ(privilege.shellStarts().size(), 1u);
    EXPECT_EQ(privilege.shellStarts()[0].file, deep) << "not cut at 260 characters";
}

TEST_F(PrivilegeTest, RelaunchWithoutTheProgramsPathStartsNothing) {
    shell.setModuleFileName(L"");
    EXPECT_FALSE(relaunchElevated());
    EXPECT_TRUE(privilege.shellStarts().empty());
    EXPECT_EQ(process.exitCount(), 0);
}

TEST_F(PrivilegeTest, ShellOpenUsesTheOpenVerbWithoutParameters) {
    privilege.setShellResult(2); // the outcome is not looked at
    shellOpen(L"https://www.korvane.example/");
    ASSERT_EQ(privilege.shellStarts().size(), 1u);
    const plat::TShellStart& start = privilege.shellStarts()[0];
    EXPECT_EQ(start.window, nullptr);
    EXPECT_EQ(start.verb, L"open");
    EXPECT_EQ(start.file, L"https://www.korvane.example/");
    EXPECT_FALSE(start.parametersGiven);
    EXPECT_FALSE(start.directoryGiven);
    EXPECT_EQ(start.showCommand, 5);
    EXPECT_EQ(process.exitCount(), 0);
}

// A tool button as far as the elevation button's preparation needs one.
struct TFakeButton {
    void setEnabled(bool value) { enabled = value; }
    void setImageIndex(int value) { imageIndex = value; }
    bool enabled = true;
    int imageIndex = -1;
    std::function<void(TFakeButton*)> OnClick;
};

TEST_F(PrivilegeTest, ElevationButtonGreyAndDisabledForAnAdministratorOnly) {
    privilege.setAdministrator(true);
    TFakeButton admin;
    prepareElevationButton(admin);
    EXPECT_FALSE(admin.enabled);
    EXPECT_EQ(admin.imageIndex, 20);

    privilege.setAdministrator(false);
    TFakeButton user;
    prepareElevationButton(user);
    EXPECT_TRUE(user.enabled);
    EXPECT_EQ(user.imageIndex, 19);

    ASSERT_TRUE(user.OnClick);
    user.OnClick(&user);
    ASSERT_EQ(privilege.shellStarts().size(), 1u);
    EXPECT_EQ(privilege.shellStarts()[0].verb, L"RunAs");
    EXPECT_EQ(process.exitCount(), 1);
}

} // namespace
