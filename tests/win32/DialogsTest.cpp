// The message dialogs and the folder chooser with the real windows: the platform's task dialog and
// the look-alike window, each driven from a helper thread as a user would answer it while the test
// waits in the modal call on the UI thread; and the shell's folder browser.

#include "platform/DialogServices.h"
#include "platform/win32/Win32DialogServices.h"
#include "platform/win32/Win32FileServices.h"
#include "platform/win32/Win32Gdi.h"
#include "platform/win32/Win32LookAlikeDialog.h"
#include "system/UntBrowseFolder.h"
#include "system/UntKorvaneLib.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cwctype>
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using TKind = plat::TWin32DialogServices::TTaskDialogKind;

namespace {

// One child window of a dialog as the helper saw it.
struct TChild {
    int id = 0;
    std::wstring windowClass;
    std::wstring text;
    bool visible = false;
    RECT bounds{};
};

// What the helper saw of a dialog before answering it.
struct TSeen {
    HWND window = nullptr;
    std::wstring title;
    std::wstring windowClass;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    int height = 0;
    RECT bounds{};
    std::vector<TChild> children;

    const TChild* child(int id) const {
        for (const TChild& c : children) {
            if (c.id == id) {
                return &c;
            }
        }
        return nullptr;
    }
    bool hasText(const std::wstring& text) const {
        for (const TChild& c : children) {
            if (c.visible && c.text == text) {
                return true;
            }
        }
        return false;
    }
};

std::wstring classOf(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

std::wstring textOf(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

BOOL CALLBACK collectChild(HWND child, LPARAM list) {
    TChild c;
    c.id = GetDlgCtrlID(child);
    c.windowClass = classOf(child);
    c.text = textOf(child);
    c.visible = IsWindowVisible(child) != FALSE;
    GetWindowRect(child, &c.bounds);
    reinterpret_cast<std::vector<TChild>*>(list)->push_back(c);
    return TRUE;
}

TSeen observe(HWND window) {
    TSeen seen;
    seen.window = window;
    seen.title = textOf(window);
    seen.windowClass = classOf(window);
    seen.owner = GetWindow(window, GW_OWNER);
    seen.ownerEnabled = seen.owner == nullptr || IsWindowEnabled(seen.owner);
    RECT outer{};
    GetWindowRect(window, &outer);
    seen.height = outer.bottom - outer.top;
    seen.bounds = outer;
    EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&seen.children));
    return seen;
}

struct TSearch {
    const std::function<bool(HWND)>* match;
    HWND found;
};

BOOL CALLBACK matchOwnWindow(HWND window, LPARAM data) {
    auto* s = reinterpret_cast<TSearch*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == GetCurrentProcessId() && IsWindowVisible(window) && (*s->match)(window)) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of this process that match accepts, or null.
HWND findOwnWindow(const std::function<bool(HWND)>& match) {
    TSearch search{&match, nullptr};
    EnumWindows(matchOwnWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::function<bool(HWND)> titled(const std::wstring& title) {
    return [title](HWND window) { return textOf(window) == title; };
}

// Answers the next dialog that match accepts as a user would, from a helper thread, while the test's
// thread waits in the modal call. It observes the dialog first; answer then posts the user's input.
// A dialog still open a few seconds after the answer is closed all the same, so that a failing test
// does not hang, and the test is told.
class TDialogHelper {
public:
    TDialogHelper(std::function<bool(HWND)> match, std::function<void(HWND)> answer)
        : FMatch(std::move(match)), FAnswer(std::move(answer)), FThread([this] { run(); }) {}
    ~TDialogHelper() { finish(); }

    // Waits for the helper; what it saw.
    const TSeen& seen() {
        finish();
        return FSeen;
    }
    bool found() {
        finish();
        return FSeen.window != nullptr;
    }
    bool closedByAnswer() {
        finish();
        return FClosedByAnswer;
    }

private:
    void finish() {
        if (FThread.joinable()) {
            FThread.join();
        }
    }

    static bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }

    void run() {
        HWND window = nullptr;
        if (!waitFor([&] { return (window = findOwnWindow(FMatch)) != nullptr; }, 10s)) {
            return;
        }
        std::this_thread::sleep_for(100ms); // let it finish its first paint
        FSeen = observe(window);
        // KW_DIALOG_HOLD_MS keeps the dialog on screen for a screenshot.
        if (const char* hold = std::getenv("KW_DIALOG_HOLD_MS")) {
            std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(hold)));
        }
        FAnswer(window);
        FClosedByAnswer = waitFor([&] { return !IsWindow(window); }, 5s);
        for (int id : {IDCANCEL, IDNO, IDOK}) {
            if (!IsWindow(window)) {
                break;
            }
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            waitFor([&] { return !IsWindow(window); }, 2s);
        }
    }

    std::function<bool(HWND)> FMatch;
    std::function<void(HWND)> FAnswer;
    TSeen FSeen;
    bool FClosedByAnswer = false;
    std::thread FThread;
};

// The user's answers.
std::function<void(HWND)> click(int button) {
    return [button](HWND dialog) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    };
}

std::function<void(HWND)> pressKey(int button, WPARAM key) {
    return [button, key](HWND dialog) {
        HWND target = GetDlgItem(dialog, button);
        PostMessageW(target != nullptr ? target : dialog, WM_KEYDOWN, key, 1);
        PostMessageW(target != nullptr ? target : dialog, WM_KEYUP, key, 0xC0000001);
    };
}

std::function<void(HWND)> closeButton() {
    return [](HWND dialog) { PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); };
}

const std::wstring kContent = L"The stream was saved to:\r\nC:\\backup\\notes.txt";
const std::wstring kFooter = L"This action is permanent!";

// Both kinds of task dialog: the platform's and the look-alike.
class Win32DialogsTest : public testing::TestWithParam<TKind> {
protected:
    void SetUp() override { plat::installDialogServices(&services); }
    void TearDown() override { plat::installDialogServices(nullptr); }

    bool lookAlike() const { return GetParam() == TKind::lookAlike; }

    plat::TWin32DialogServices services{GetParam()};
};

TEST(Win32DialogServices, FindsThePlatformTaskDialog) {
    plat::TWin32DialogServices services;
    EXPECT_TRUE(services.usesPlatformTaskDialog()) << "comctl32 version 6 has TaskDialogIndirect";
    plat::TWin32DialogServices forced(TKind::lookAlike);
    EXPECT_FALSE(forced.usesPlatformTaskDialog());
}

TEST_P(Win32DialogsTest, QuestionIsTrueOnlyForYes) {
    struct TCase {
        const char* name;
        std::function<void(HWND)> answer;
        bool expected;
    };
    const TCase cases[] = {
        {"Yes clicked", click(IDYES), true},
        {"No clicked", click(IDNO), false},
        {"Enter on Yes", pressKey(IDYES, VK_RETURN), true},
        {"close button", closeButton(), false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TDialogHelper helper(titled(L"Question"), c.answer);
        EXPECT_EQ(askQuestion(L"Delete ADS File", kContent, kFooter), c.expected);
        EXPECT_TRUE(helper.found()) << "no dialog titled Question";
        EXPECT_TRUE(helper.closedByAnswer());
    }
}

TEST_P(Win32DialogsTest, EscapeAnswersTheQuestionWithNo) {
    if (!lookAlike() && plat::TWin32FileServices::runningOnWine()) {
        GTEST_SKIP()
            << "Wine's task dialog ignores Escape when it has no Cancel button (Windows ends it with "
               "IDCANCEL when cancellation is allowed)";
    }
    TDialogHelper helper(titled(L"Question"), pressKey(IDYES, VK_ESCAPE));
    EXPECT_FALSE(askQuestion(L"Delete ADS File", kContent, kFooter));
    EXPECT_TRUE(helper.found());
    EXPECT_TRUE(helper.closedByAnswer());
}

TEST_P(Win32DialogsTest, EachKindShowsItsPartsAndButtons) {
    struct TCase {
        const char* title;
        std::function<void()> show;
        std::vector<int> buttons;
        bool footer;
        int answer;
    };
    const TCase cases[] = {
        {"Information", [] { showInformation(L"Backup ADS File", kContent); }, {IDOK}, false, IDOK},
        {"Error", [] { showError(L"Backup ADS File", kContent); }, {IDOK}, false, IDOK},
        {"Question", [] { askQuestion(L"Backup ADS File", kContent, kFooter); }, {IDYES, IDNO}, true, IDNO},
        {"Question", [] { askQuestion(L"Backup ADS File", kContent, L""); }, {IDYES, IDNO}, false, IDNO},
    };
    int heightWithFooter = 0;
    int heightWithoutFooter = 0;
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.title) + (c.footer ? " with footer" : ""));
        std::wstring title(c.title, c.title + std::char_traits<char>::length(c.title));
        TDialogHelper helper(titled(title), click(c.answer));
        c.show();
        const TSeen& seen = helper.seen();
        ASSERT_TRUE(helper.found());
        EXPECT_TRUE(helper.closedByAnswer());
        EXPECT_EQ(seen.windowClass, L"#32770");
        EXPECT_TRUE(seen.hasText(L"Backup ADS File"));
        EXPECT_TRUE(seen.hasText(kContent)) << "the content with its CR LF";
        EXPECT_EQ(seen.hasText(kFooter), c.footer);
        for (int id : {IDOK, IDYES, IDNO, IDCANCEL}) {
            const TChild* button = seen.child(id);
            const bool expected = std::find(c.buttons.begin(), c.buttons.end(), id) != c.buttons.end();
            EXPECT_EQ(button != nullptr && button->visible, expected) << "button " << id;
        }
        if (std::string(c.title) == "Question") {
            (c.footer ? heightWithFooter : heightWithoutFooter) = seen.height;
        }
    }
    EXPECT_GT(heightWithFooter, heightWithoutFooter) << "an empty footer shows no footer area";
}

TEST_P(Win32DialogsTest, IsModalToTheActiveWindow) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"Dialog owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300,
                                 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    SetForegroundWindow(owner);
    SetActiveWindow(owner);
    ASSERT_EQ(GetActiveWindow(), owner);

    TDialogHelper helper(titled(L"Question"), click(IDYES));
    EXPECT_TRUE(askQuestion(L"Interupt Scan", L"Stop the scan?", L""));
    const TSeen& seen = helper.seen();
    EXPECT_EQ(seen.owner, owner);
    EXPECT_FALSE(seen.ownerEnabled) << "the owner takes no input while the dialog is open";
    EXPECT_TRUE(IsWindowEnabled(owner));
    DestroyWindow(owner);
}

// The owner sits away from the screen's middle, so that a dialog the platform centres on the
// screen (or leaves at the top left) is told from one centred on its owner.
TEST_P(Win32DialogsTest, OpensCentredOnTheWindowThatAsks) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"Dialog owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 620,
                                 460, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    SetForegroundWindow(owner);
    SetActiveWindow(owner);
    RECT ownerBounds{};
    GetWindowRect(owner, &ownerBounds);
    for (const wchar_t* title : {L"Information", L"Question"}) {
        SCOPED_TRACE(std::string(title, title + std::char_traits<wchar_t>::length(title)));
        TDialogHelper helper(titled(title), click(std::wstring(title) == L"Question" ? IDNO : IDOK));
        if (std::wstring(title) == L"Question") {
            askQuestion(L"Delete ADS File", kContent, kFooter);
        } else {
            showInformation(L"Backup ADS File", kContent);
        }
        ASSERT_TRUE(helper.found());
        const RECT& dialog = helper.seen().bounds;
        EXPECT_NEAR((dialog.left + dialog.right) / 2, (ownerBounds.left + ownerBounds.right) / 2, 2);
        EXPECT_NEAR((dialog.top + dialog.bottom) / 2, (ownerBounds.top + ownerBounds.bottom) / 2, 2);
    }
    DestroyWindow(owner);
}

TEST(Win32LookAlikeDialog, HasABoldInstructionAndTheContentOnTwoLines) {
    plat::TWin32DialogServices services(TKind::lookAlike);
    plat::installDialogServices(&services);
    const int gdiObjectsBefore = plat::win32::liveGdiObjects();
    LOGFONTW instructionFont{};
    int contentHeight = 0;
    int lineHeight = 0;
    TDialogHelper helper(titled(L"Information"), [&](HWND dialog) {
        HWND instruction = GetDlgItem(dialog, plat::win32::kLookAlikeInstructionId);
        HWND content = GetDlgItem(dialog, plat::win32::kLookAlikeContentId);
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(instruction, WM_GETFONT, 0, 0)),
                   sizeof(instructionFont), &instructionFont);
        RECT bounds{};
        GetClientRect(content, &bounds);
        contentHeight = bounds.bottom;
        HDC dc = GetDC(content);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(content, WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        lineHeight = metrics.tmHeight;
        SelectObject(dc, old);
        ReleaseDC(content, dc);
        click(IDOK)(dialog);
    });
    showInformation(L"Backup ADS File", kContent);
    EXPECT_TRUE(helper.found());
    EXPECT_GE(instructionFont.lfWeight, FW_BOLD);
    EXPECT_EQ(contentHeight, 2 * lineHeight);
    EXPECT_EQ(plat::win32::liveGdiObjects(), gdiObjectsBefore) << "fonts and brushes released";
    plat::installDialogServices(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Win32DialogsTest,
                         testing::Values(TKind::platformWhenPresent, TKind::lookAlike),
                         [](const testing::TestParamInfo<TKind>& info) {
                             return info.param == TKind::lookAlike ? "LookAlike" : "TaskDialog";
                         });

// ---- The folder browser.

std::wstring lower(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

// The browser window: the one showing this prompt.
std::function<bool(HWND)> browserWithPrompt(const std::wstring& prompt) {
    return [prompt](HWND window) { return observe(window).hasText(prompt); };
}

// Selects a folder in the browser, then presses OK.
std::function<void(HWND)> chooseFolder(const std::wstring& path) {
    return [path](HWND browser) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
        std::this_thread::sleep_for(200ms);
        click(IDOK)(browser);
    };
}

class Win32FolderBrowserTest : public testing::Test {
protected:
    void SetUp() override { plat::installDialogServices(&services); }
    void TearDown() override { plat::installDialogServices(nullptr); }

    plat::TWin32DialogServices services;
};

TEST_F(Win32FolderBrowserTest, CancelGivesNothing) {
    for (bool allowNewFolder : {false, true}) {
        const std::wstring prompt =
            allowNewFolder ? L"Choose destination path" : L"Choose the target folder:";
        TDialogHelper helper(browserWithPrompt(prompt), click(IDCANCEL));
        EXPECT_EQ(browseForFolder(prompt, allowNewFolder), L"");
        ASSERT_TRUE(helper.found()) << "no browser showing " << testing::PrintToString(prompt);
        EXPECT_TRUE(helper.closedByAnswer());
        // Its button for making a new folder shows only when new folders are allowed.
        const bool newFolderButton = [&] {
            for (const TChild& c : helper.seen().children) {
                if (c.visible && c.windowClass == L"Button" &&
                    lower(c.text).find(L"new folder") != std::wstring::npos) {
                    return true;
                }
            }
            return false;
        }();
        EXPECT_EQ(newFolderButton, allowNewFolder) << "allowNewFolder " << allowNewFolder;
    }
}

TEST_F(Win32FolderBrowserTest, GivesTheChosenFolderWithoutTrailingBackslashExceptForARoot) {
    wchar_t windows[MAX_PATH] = {};
    ASSERT_GT(GetWindowsDirectoryW(windows, MAX_PATH), 0u);
    const std::wstring windowsFolder = windows;
    const std::wstring root = windowsFolder.substr(0, 3);
    for (const std::wstring& folder : {windowsFolder, root}) {
        TDialogHelper helper(browserWithPrompt(L"Choose destination path"), chooseFolder(folder));
        const std::wstring chosen = browseForFolder(L"Choose destination path", true);
        ASSERT_TRUE(helper.found());
        EXPECT_EQ(lower(chosen), lower(folder));
    }
}

} // namespace
