// The three message dialogs and the folder chooser, over the scripted dialog double: what each
// dialog is made of, its owner, and what the user's answer becomes.

#include "system/UntBrowseFolder.h"
#include "system/UntKorvaneLib.h"

#include "platform/shell/ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using plat::TScriptedDialogs;
using plat::TTaskDialogConfig;
using plat::TTaskDialogIcon;

namespace {

void* const kMainWindow = reinterpret_cast<void*>(0x1010);
void* const kApplicationWindow = reinterpret_cast<void*>(0x2020);

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialogs.onUnscripted([](const std::wstring& message) { ADD_FAILURE() << message; });
        dialogs.setApplicationWindow(kApplicationWindow);
        plat::installDialogServices(&dialogs);
    }
    void TearDown() override {
        plat::installDialogServices(nullptr);
        EXPECT_EQ(dialogs.pendingAnswers(), 0u) << "a scripted answer was not asked for";
        EXPECT_EQ(dialogs.liveIdLists(), 0u) << "an identifier list of the folder browser was not released";
    }

    // The one dialog shown so far.
    const TTaskDialogConfig& shownDialog() {
        EXPECT_EQ(dialogs.taskDialogs().size(), 1u);
        return dialogs.taskDialogs().back();
    }

    TScriptedDialogs dialogs;
};

TEST_F(DialogsTest, EachKindOfMessageHasItsTitleIconsAndButtons) {
    struct TCase {
        const char* name;
        std::function<void()> show;
        int answer;
        const wchar_t* title;
        TTaskDialogIcon mainIcon;
        int commonButtons;
        const wchar_t* footer;
        TTaskDialogIcon footerIcon;
    };
    const TCase cases[] = {
        {"information", [] { showInformation(L"Delete ADS File", L"The stream was deleted."); }, plat::IDOK,
         L"Information", TTaskDialogIcon::information, 0, L"", TTaskDialogIcon::none},
        {"error", [] { showError(L"Delete ADS File", L"The stream was deleted."); }, plat::IDOK, L"Error",
         TTaskDialogIcon::error, 0, L"", TTaskDialogIcon::none},
        {"question",
         [] { askQuestion(L"Delete ADS File", L"The stream was deleted.", L"This action is permanent!"); },
         plat::IDNO, L"Question", TTaskDialogIcon::question, plat::TDCBF_YES_BUTTON | plat::TDCBF_NO_BUTTON,
         L"This action is permanent!", TTaskDialogIcon::warning},
        {"question without footer", [] { askQuestion(L"Delete ADS File", L"The stream was deleted.", L""); },
         plat::IDNO, L"Question", TTaskDialogIcon::question, plat::TDCBF_YES_BUTTON | plat::TDCBF_NO_BUTTON,
         L"", TTaskDialogIcon::none},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TScriptedDialogs fresh;
        fresh.onUnscripted([](const std::wstring& message) { ADD_FAILURE() << message; });
        fresh.setActiveWindow(kMainWindow);
        plat::installDialogServices(&fresh);
        fresh.answerButton(c.answer);

        c.show();

        ASSERT_EQ(fresh.taskDialogs().size(), 1u);
        const TTaskDialogConfig& shown = fresh.taskDialogs().front();
        EXPECT_EQ(shown.windowTitle, c.title);
        EXPECT_EQ(shown.mainInstruction, L"Delete ADS File");
        EXPECT_EQ(shown.content, L"The stream was deleted.");
        EXPECT_EQ(shown.mainIcon, c.mainIcon);
        // No button named for the reports: the platform's single OK button, which is the default.
        EXPECT_EQ(shown.commonButtons, c.commonButtons);
        EXPECT_EQ(shown.defaultButton, 0);
        EXPECT_EQ(shown.footer, c.footer);
        EXPECT_EQ(shown.footerIcon, c.footerIcon);
        EXPECT_EQ(shown.parent, kMainWindow);
        EXPECT_EQ(shown.flags, plat::TDF_ALLOW_DIALOG_CANCELLATION | plat::TDF_POSITION_RELATIVE_TO_WINDOW);
        EXPECT_EQ(fresh.pendingAnswers(), 0u);
        plat::installDialogServices(&dialogs);
    }
}

TEST_F(DialogsTest, OwnedByTheActiveWindowElseByTheApplicationWindow) {
    dialogs.answerButton(plat::IDOK);
    showError(L"Backup ADS File", L"Not saved.");
    dialogs.setActiveWindow(kMainWindow);
    dialogs.answerButton(plat::IDYES);
    askQuestion(L"Interupt Scan", L"Stop?", L"");

    ASSERT_EQ(dialogs.taskDialogs().size(), 2u);
    EXPECT_EQ(dialogs.taskDialogs()[0].parent, kApplicationWindow);
    EXPECT_EQ(dialogs.taskDialogs()[1].parent, kMainWindow);
}

TEST_F(DialogsTest, QuestionIsTrueOnlyForYes) {
    const std::pair<int, bool> cases[] = {
        {plat::IDYES, true},     {plat::IDNO, false},
        {plat::IDCANCEL, false},             // Escape, Alt+F4 or the close button
        {plat::IDOK, false},     {0, false}, // the dialog could not be shown
    };
    for (const auto& [button, expected] : cases) {
        dialogs.answerButton(button);
        EXPECT_EQ(askQuestion(L"Delete ADS File(s)", L"Delete 3 streams?", L"This action is permanent!"),
                  expected)
            << "button " << button;
    }
    EXPECT_EQ(dialogs.taskDialogs().size(), std::size(cases));
}

TEST_F(DialogsTest, ContentKeepsItsLineBreaks) {
    const std::wstring content = L"The stream was saved to:\r\nD:\\backup\\notes.txt";
    dialogs.answerButton(plat::IDOK);
    showInformation(L"Backup ADS File", content);
    EXPECT_EQ(shownDialog().content, content);
}

// ---- The folder chooser.

TEST_F(DialogsTest, FolderBrowserOffersNewFolderOnlyWhenAllowed) {
    dialogs.setActiveWindow(kMainWindow); // the browser is owned by the application window all the same
    dialogs.answerCancel();
    dialogs.answerCancel();

    browseForFolder(L"Choose the target folder:", false);
    browseForFolder(L"Choose destination path", true);

    ASSERT_EQ(dialogs.folderBrowsers().size(), 2u);
    const auto& scan = dialogs.folderBrowsers()[0];
    const auto& destination = dialogs.folderBrowsers()[1];
    EXPECT_EQ(scan.title, L"Choose the target folder:");
    EXPECT_EQ(scan.flags, 0x241u);
    EXPECT_EQ(destination.title, L"Choose destination path");
    EXPECT_EQ(destination.flags, 0x41u);
    for (const auto& shown : dialogs.folderBrowsers()) {
        EXPECT_EQ(shown.owner, kApplicationWindow);
        EXPECT_TRUE(shown.hasDisplayNameBuffer);
        EXPECT_FALSE(shown.hasRoot) << "the browser opens on its default view";
        EXPECT_FALSE(shown.hasCallback);
    }
}

TEST_F(DialogsTest, FolderBrowserAnswersAFileSystemPathOrNothing) {
    const std::wstring longest = L"C:\\" + std::wstring(plat::MAX_PATH - 4, L'x');
    const std::wstring tooLong = L"C:\\" + std::wstring(plat::MAX_PATH - 3, L'x');
    struct TCase {
        const char* name;
        std::function<void(TScriptedDialogs&)> answer;
        std::wstring expected;
    };
    const TCase cases[] = {
        {"folder", [](TScriptedDialogs& d) { d.answerFolder(L"C:\\Users\\Ada\\Documents"); },
         L"C:\\Users\\Ada\\Documents"},
        {"drive root keeps its backslash", [](TScriptedDialogs& d) { d.answerFolder(L"D:\\"); }, L"D:\\"},
        {"trailing backslash dropped", [](TScriptedDialogs& d) { d.answerFolder(L"E:\\Mounted\\"); },
         L"E:\\Mounted"},
        {"network share", [](TScriptedDialogs& d) { d.answerFolder(L"\\\\server\\share"); },
         L"\\\\server\\share"},
        {"path as long as the buffer holds", [&](TScriptedDialogs& d) { d.answerFolder(longest); }, longest},
        {"path longer than the shell gives", [&](TScriptedDialogs& d) { d.answerFolder(tooLong); }, L""},
        {"cancelled", [](TScriptedDialogs& d) { d.answerCancel(); }, L""},
        // The path is used as it stands, so its names stay as written and it must be clean.
        {"folder name ending in a dot", [](TScriptedDialogs& d) { d.answerFolder(L"C:\\Data\\dir. "); },
         L"C:\\Data\\dir. "},
        {"'..' in the path", [](TScriptedDialogs& d) { d.answerFolder(L"C:\\Data\\..\\Windows"); }, L""},
        {"'.' in the path", [](TScriptedDialogs& d) { d.answerFolder(L"C:\\.\\Data"); }, L""},
        {"forward slash", [](TScriptedDialogs& d) { d.answerFolder(L"C:/Data"); }, L""},
        {"empty name", [](TScriptedDialogs& d) { d.answerFolder(L"C:\\Data\\\\x"); }, L""},
        {"relative path", [](TScriptedDialogs& d) { d.answerFolder(L"Data"); }, L""},
        {"not a file-system folder", [](TScriptedDialogs& d) { d.answerItemWithoutPath(L"Control Panel"); },
         L""},
    };
    for (const TCase& c : cases) {
        c.answer(dialogs);
        EXPECT_EQ(browseForFolder(L"Choose destination path", true), c.expected) << c.name;
        EXPECT_EQ(dialogs.liveIdLists(), 0u) << c.name << ": the identifier list was not released";
    }
}

} // namespace
