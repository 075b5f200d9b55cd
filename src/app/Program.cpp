#include "app/Program.h"

#include "platform/ClipboardServices.h"
#include "platform/ControlBackend.h"
#include "platform/DialogServices.h"
#include "platform/PrivilegeServices.h"
#include "platform/ProcessServices.h"
#include "platform/ShellServices.h"
#include "platform/Thread.h"
#include "platform/TrustServices.h"
#include "platform/WidgetServices.h"
#include "platform/ntfs/NtfsImageDrives.h"
#include "platform/CaptionBarBackend.h"
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32CaptionBar.h"
#include "platform/win32/Win32ClipboardServices.h"
#include "platform/win32/Win32DialogServices.h"
#include "platform/win32/Win32Dispatcher.h"
#include "platform/win32/Win32Form.h"
#include "platform/win32/Win32PrivilegeServices.h"
#include "platform/win32/Win32ProcessServices.h"
#include "platform/win32/Win32ShellServices.h"
#include "platform/win32/Win32TrustServices.h"
#include "ui/about/UntAbout.h"
#include "ui/main/UntMain.h"
#include "ui/main/UntWildCard.h"

#include <windows.h>
#include <commctrl.h>

namespace {

// Installs a service for the scope and takes it away again at its end.
template <typename T> class TInstalled {
public:
    TInstalled(void (*install)(T*), T* service) : FInstall(install) { FInstall(service); }
    ~TInstalled() { FInstall(nullptr); }
    TInstalled(const TInstalled&) = delete;
    TInstalled& operator=(const TInstalled&) = delete;

private:
    void (*FInstall)(T*);
};

int serveMessages() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

} // namespace

int runProgram(plat::TFileServices& files, const std::function<void(TFrmMain&)>& afterShow) {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    plat::TWin32ShellServices shell;
    plat::TWin32ProcessServices process;
    plat::TWin32PrivilegeServices privilege;
    plat::TWin32TrustServices trust;
    plat::TWin32DialogServices dialogs;
    plat::TWin32ClipboardServices clipboard;
    plat::win32::TWin32Backend backend;
    plat::win32::TWin32CaptionBarBackend captionBar;
    plat::win32::TWin32WidgetServices widgets;
    plat::win32::TWin32Dispatcher dispatcher;
    // A scanned disk image's volumes sit beside the live drives, for every thread, while its rows exist.
    plat::ntfs::TImageDriveServices imageDrives(files);
    TInstalled<plat::TFileServices> installedFiles(&plat::installFileServices, &imageDrives);
    TInstalled<plat::TShellServices> installedShell(&plat::installShellServices, &shell);
    TInstalled<plat::TProcessServices> installedProcess(&plat::installProcessServices, &process);
    TInstalled<plat::TPrivilegeServices> installedPrivilege(&plat::installPrivilegeServices, &privilege);
    TInstalled<plat::TTrustServices> installedTrust(&plat::installTrustServices, &trust);
    TInstalled<plat::TDialogServices> installedDialogs(&plat::installDialogServices, &dialogs);
    TInstalled<plat::TClipboardServices> installedClipboard(&plat::installClipboardServices, &clipboard);
    TInstalled<plat::TControlBackend> installedBackend(&plat::installControlBackend, &backend);
    TInstalled<plat::TCaptionBarBackend> installedCaptionBar(&plat::installCaptionBarBackend, &captionBar);
    TInstalled<plat::TWidgetServices> installedWidgets(&plat::installWidgetServices, &widgets);
    TInstalled<plat::TUiDispatcher> installedDispatcher(&plat::installUiDispatcher, &dispatcher);
    plat::installThreadPriorityHandler(&plat::win32::applyThreadPriority);

    // The caption-bar button's pictures stay until the program ends. Those of 100 % are loaded now,
    // before any window, so that a missing one stops the start; the others when a window needs them.
    TNCAPictureStore ncaPictures;
    ncaPictures.forDpi(kArtDesignDpi);
    // The main window first (it is the program's main window), then the two others, hidden.
    TFrmMain main(&ncaPictures);
    TFrmWC wildCard;
    TFrmAbout about;
    main.setAboutWindow(&about);
    main.setImageDrives(&imageDrives);
    main.show();
    dialogs.setApplicationWindow(plat::win32::windowOf(main.peer()));
    if (afterShow) {
        afterShow(main);
    }
    return serveMessages();
}
