// The Setup Scan dialog on real windows: shown modally over a main form (which is disabled
// meanwhile and owns the dialog), with its fixed frame, centred on the main form, its bottom panel
// on the screen, typed into through the platform's key messages, accepted with Enter and cancelled
// with Escape.

#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Canvas.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Form.h"
#include "platform/win32/Win32PrivilegeServices.h"
#include "system/UntKorvaneLib.h"
#include "toolkit/Form.h"
#include "ui/main/UntWildCard.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include <windows.h>

using plat::win32::windowOf;

namespace {

// What the user does while the dialog is open, run from a thread timer inside the modal loop.
std::function<void()> whileOpen;

void CALLBACK runWhileOpen(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (whileOpen) {
        const std::function<void()> action = std::move(whileOpen);
        whileOpen = nullptr;
        action();
    }
}

// A key as the keyboard sends it to the window with the focus; the modal loop translates it.
void pressKey(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 1);
    PostMessageW(window, WM_KEYUP, key, 0xC0000001);
}

void typeText(HWND window, const std::wstring& text) {
    for (const wchar_t ch : text) {
        PostMessageW(window, WM_CHAR, ch, 1);
    }
}

class SetupScanOnWindowsTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        plat::installPrivilegeServices(&privilege); // the dialog asks whether we run as an administrator
        plat::installControlBackend(&backend);
        services = new plat::win32::TWin32WidgetServices();
        plat::installWidgetServices(services);
        mainForm = new TForm();
        mainForm->setMainForm(true);
        mainForm->setCaption(L"Korvane main");
        mainForm->setClientSize(540, 433);
        mainForm->setPosition(poScreenCenter);
        mainForm->show();
        dialog = new TFrmWC();
    }
    static void TearDownTestSuite() {
        delete dialog;
        dialog = nullptr;
        mainForm->setMainForm(false); // deleting it must not end a message loop
        delete mainForm;
        mainForm = nullptr;
        plat::installWidgetServices(nullptr);
        delete services;
        services = nullptr;
        plat::installControlBackend(nullptr);
        plat::installPrivilegeServices(nullptr);
    }
    static HWND mainWindow() { return static_cast<HWND>(windowOf(mainForm->peer())); }
    static HWND dialogWindow() { return static_cast<HWND>(windowOf(dialog->peer())); }
    // Runs action from inside the modal loop once the dialog shows.
    static void whenOpen(std::function<void()> action) {
        whileOpen = std::move(action);
        SetTimer(nullptr, 0, 100, runWhileOpen);
    }

    static inline plat::TWin32PrivilegeServices privilege;
    static inline plat::win32::TWin32Backend backend;
    static inline plat::win32::TWin32WidgetServices* services = nullptr;
    static inline TForm* mainForm = nullptr;
    static inline TFrmWC* dialog = nullptr;
};

} // namespace

TEST_F(SetupScanOnWindowsTest, ShowsAsAFixedDialogOverTheDisabledMainWindowAndTakesTypedValues) {
    // A drive scope: the box that reads volumes directly in the fourth row.
    dialog->crecursive->setVisible(false);
    dialog->cdirect->setVisible(true);
    bool ran = false;
    whenOpen([&] {
        ran = true;
        HWND window = dialogWindow();
        ASSERT_NE(window, nullptr);
        EXPECT_FALSE(IsWindowEnabled(mainWindow())) << "the main window waits for the dialog";
        EXPECT_EQ(GetWindow(window, GW_OWNER), mainWindow());
        const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
        EXPECT_EQ(style & WS_THICKFRAME, 0) << "a fixed frame";
        EXPECT_EQ(style & WS_SYSMENU, 0) << "no caption-bar buttons";
        EXPECT_NE(style & WS_CAPTION, 0);
        RECT client{};
        GetClientRect(window, &client);
        // As wide as the fourth row's caption needs in the font of the box above it, never less than
        // the design's 337.
        EXPECT_EQ(client.right, std::max(337, dialog->cdirect->left() + dialog->cdirect->fittingWidth()));
        EXPECT_EQ(dialog->cdirect->font(), dialog->czone->font());
        EXPECT_EQ(dialog->cdirect->left() + dialog->cdirect->width(), client.right) << "to the right edge";
        EXPECT_EQ(client.bottom, 160);
        EXPECT_EQ(IsWindowEnabled(static_cast<HWND>(windowOf(dialog->cdirect->peer()))) != FALSE,
                  isAdministrator())
            << "usable by an administrator only";
        // Its caption shows whole: the box, the gap and the text in its own font (as it paints them) fit.
        HDC dc = GetDC(window);
        int captionWidth = 0;
        {
            plat::win32::TGdiCanvas canvas(dc, 1, 1);
            canvas.setFont(dialog->cdirect->font());
            captionWidth = canvas.TextWidth(dialog->cdirect->caption());
        }
        ReleaseDC(window, dc);
        EXPECT_LE(13 + 4 + captionWidth, dialog->cdirect->width()) << "the caption is cut";
        // Centred on the main window, frames included.
        RECT outer{};
        RECT owner{};
        GetWindowRect(window, &outer);
        GetWindowRect(mainWindow(), &owner);
        EXPECT_NEAR((outer.left + outer.right) / 2, (owner.left + owner.right) / 2, 1);
        EXPECT_NEAR((outer.top + outer.bottom) / 2, (owner.top + owner.bottom) / 2, 1);
        EXPECT_EQ(GetFocus(), static_cast<HWND>(windowOf(dialog->edtwc->peer())))
            << "the filter has the focus";

        // The bottom panel on the screen: its top border line and its face.
        const plat::win32::TScreenPicture screen = plat::win32::captureClientArea(window);
        ASSERT_EQ(screen.height, 160);
        EXPECT_EQ(screen.at(20, 160 - 38), hexColor(0xDADBDC));
        EXPECT_EQ(screen.at(20, 160 - 20), hexColor(0xF5F6F7));

        HWND filter = GetFocus();
        typeText(filter, L"*.log"); // replaces the selected "*.*"
        pressKey(filter, VK_TAB);
        whileOpen = [&] {
            HWND spin = GetFocus();
            EXPECT_EQ(spin, static_cast<HWND>(windowOf(dialog->spleft->peer())));
            pressKey(spin, VK_UP);
            pressKey(spin, VK_RETURN);
        };
        SetTimer(nullptr, 0, 50, runWhileOpen);
    });
    EXPECT_TRUE(dialog->showModal());
    EXPECT_TRUE(ran);
    EXPECT_FALSE(dialog->FCanceled);
    EXPECT_FALSE(dialog->visible());
    EXPECT_TRUE(IsWindowEnabled(mainWindow())) << "enabled again";
    EXPECT_EQ(dialog->wildcard(), L"*.log");
    EXPECT_EQ(dialog->previewLength(), 31);
}

TEST_F(SetupScanOnWindowsTest, EscapeCancelsAndTheFolderScopeShowsTheRecursiveBox) {
    dialog->crecursive->setVisible(true);
    dialog->cdirect->setVisible(false);
    int height = 0;
    whenOpen([&] {
        RECT client{};
        GetClientRect(dialogWindow(), &client);
        height = client.bottom;
        pressKey(GetFocus(), VK_ESCAPE);
    });
    EXPECT_TRUE(dialog->showModal());
    EXPECT_EQ(height, 160);
    EXPECT_TRUE(dialog->FCanceled);
    EXPECT_TRUE(IsWindowEnabled(mainWindow()));
}
