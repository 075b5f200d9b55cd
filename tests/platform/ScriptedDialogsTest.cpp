// The scripted dialog double: answers in order, and a dialog it cannot answer is reported at once.

#include "platform/shell/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class ScriptedDialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialogs.onUnscripted([this](const std::wstring& message) { complaints.push_back(message); });
    }

    plat::TTaskDialogConfig question() {
        plat::TTaskDialogConfig config;
        config.windowTitle = L"Question";
        config.mainInstruction = L"Interupt Scan";
        return config;
    }

    void* browse(plat::BROWSEINFOW& info) { return dialogs.SHBrowseForFolderW(&info); }

    plat::TScriptedDialogs dialogs;
    std::vector<std::wstring> complaints;
};

TEST_F(ScriptedDialogsTest, ADialogWithoutItsAnswerIsReportedAndCancelled) {
    wchar_t name[plat::MAX_PATH] = {};
    plat::BROWSEINFOW info{};
    info.pszDisplayName = name;
    info.lpszTitle = L"Choose the target folder:";

    EXPECT_EQ(dialogs.TaskDialogIndirect(question()), plat::IDCANCEL); // nothing scripted
    dialogs.answerFolder(L"C:\\data");
    EXPECT_EQ(dialogs.TaskDialogIndirect(question()), plat::IDCANCEL); // answer meant for a browser
    EXPECT_EQ(dialogs.pendingAnswers(), 1u) << "a mismatched answer stays for its own dialog";
    void* chosen = browse(info);
    ASSERT_NE(chosen, nullptr);
    EXPECT_STREQ(name, L"data");
    dialogs.CoTaskMemFree(chosen);
    dialogs.answerButton(plat::IDYES);
    EXPECT_EQ(browse(info), nullptr); // answer meant for a task dialog
    EXPECT_EQ(dialogs.TaskDialogIndirect(question()), plat::IDYES);

    ASSERT_EQ(complaints.size(), 3u);
    EXPECT_NE(complaints[0].find(L"Interupt Scan"), std::wstring::npos) << "the complaint names the dialog";
    EXPECT_NE(complaints[2].find(L"Choose the target folder:"), std::wstring::npos);
    // Unanswered dialogs are recorded all the same.
    EXPECT_EQ(dialogs.taskDialogs().size(), 3u);
    EXPECT_EQ(dialogs.folderBrowsers().size(), 2u);
    EXPECT_EQ(dialogs.pendingAnswers(), 0u);
}

TEST_F(ScriptedDialogsTest, IdentifierListsAreTrackedUntilReleased) {
    plat::BROWSEINFOW info{};
    dialogs.answerFolder(L"D:\\");
    void* chosen = browse(info);
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(dialogs.liveIdLists(), 1u);
    wchar_t path[plat::MAX_PATH] = {};
    EXPECT_TRUE(dialogs.SHGetPathFromIDListW(chosen, path));
    EXPECT_STREQ(path, L"D:\\");

    dialogs.CoTaskMemFree(chosen);
    EXPECT_EQ(dialogs.liveIdLists(), 0u);
    EXPECT_TRUE(complaints.empty());
    dialogs.CoTaskMemFree(chosen); // freed twice
    EXPECT_FALSE(dialogs.SHGetPathFromIDListW(chosen, path));
    EXPECT_STREQ(path, L"");
    EXPECT_EQ(complaints.size(), 2u);
}

TEST(ScriptedDialogsDeathTest, StopsTheProgramWithoutAHandler) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            plat::TScriptedDialogs dialogs;
            plat::TTaskDialogConfig config;
            config.mainInstruction = L"Interupt Backup";
            dialogs.TaskDialogIndirect(config);
        },
        "no answer scripted.*Interupt Backup");
}

} // namespace
