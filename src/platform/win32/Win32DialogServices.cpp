#include "platform/win32/Win32DialogServices.h"
#include "platform/win32/Win32LookAlikeDialog.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>
#include <objbase.h>
#include <ole2.h>
#include <shlobj.h>

namespace plat {

namespace {

using TTaskDialogIndirectFunction = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

// Empty texts are left out, so that an empty footer shows no footer area.
PCWSTR textOrNull(const std::wstring& text) {
    return text.empty() ? nullptr : text.c_str();
}

// The task dialog's own icons; the question mark is not among them and comes as the system's icon.
PCWSTR standardIcon(TTaskDialogIcon icon) {
    switch (icon) {
    case TTaskDialogIcon::information:
        return TD_INFORMATION_ICON;
    case TTaskDialogIcon::error:
        return TD_ERROR_ICON;
    case TTaskDialogIcon::warning:
        return TD_WARNING_ICON;
    case TTaskDialogIcon::question:
    case TTaskDialogIcon::none:
        break;
    }
    return nullptr;
}

// The task dialog's notifications: once made, it is centred on its owner by the program itself, as
// some task dialogs (Wine's) leave it elsewhere even when told to place it relative to the owner.
HRESULT CALLBACK taskDialogCallback(HWND dialog, UINT notification, WPARAM, LPARAM, LONG_PTR owner) {
    if (notification == TDN_CREATED) {
        win32::centreOnOwner(dialog, reinterpret_cast<HWND>(owner));
    }
    return S_OK;
}

} // namespace

TWin32DialogServices::TWin32DialogServices(TTaskDialogKind kind) {
    // S_FALSE (already initialised on this thread) is to be balanced as well.
    FComInitialised = SUCCEEDED(OleInitialize(nullptr));
    if (kind == TTaskDialogKind::lookAlike) {
        return;
    }
    // Version 6 of the common controls, as the manifest asks, exports the task dialog; older ones
    // do not.
    HMODULE module = LoadLibraryW(L"comctl32.dll");
    if (module == nullptr) {
        return;
    }
    FARPROC function = GetProcAddress(module, "TaskDialogIndirect");
    if (function == nullptr) {
        FreeLibrary(module);
        return;
    }
    FCommonControls = module;
    FTaskDialogIndirect = reinterpret_cast<void*>(function);
}

TWin32DialogServices::~TWin32DialogServices() {
    if (FCommonControls != nullptr) {
        FreeLibrary(static_cast<HMODULE>(FCommonControls));
    }
    if (FComInitialised) {
        OleUninitialize();
    }
}

int TWin32DialogServices::TaskDialogIndirect(const TTaskDialogConfig& config) {
    if (FTaskDialogIndirect == nullptr) {
        return win32::showLookAlikeTaskDialog(config);
    }
    TASKDIALOGCONFIG description{};
    description.cbSize = sizeof(description);
    description.hwndParent = static_cast<HWND>(config.parent);
    description.dwFlags = config.flags;
    if ((config.flags & TDF_POSITION_RELATIVE_TO_WINDOW) != 0) {
        description.pfCallback = &taskDialogCallback;
        description.lpCallbackData = reinterpret_cast<LONG_PTR>(description.hwndParent);
    }
    description.dwCommonButtons = static_cast<TASKDIALOG_COMMON_BUTTON_FLAGS>(config.commonButtons);
    description.pszWindowTitle = textOrNull(config.windowTitle);
    if (config.mainIcon == TTaskDialogIcon::question) {
        description.dwFlags |= TDF_USE_HICON_MAIN;
        description.hMainIcon = LoadIconW(nullptr, IDI_QUESTION); // shared: not destroyed
    } else {
        description.pszMainIcon = standardIcon(config.mainIcon);
    }
    description.pszMainInstruction = textOrNull(config.mainInstruction);
    description.pszContent = textOrNull(config.content);
    description.nDefaultButton = config.defaultButton;
    description.pszFooter = textOrNull(config.footer);
    if (description.pszFooter != nullptr) {
        description.pszFooterIcon = standardIcon(config.footerIcon);
    }

    const auto taskDialogIndirect = reinterpret_cast<TTaskDialogIndirectFunction>(FTaskDialogIndirect);
    int button = 0;
    if (FAILED(taskDialogIndirect(&description, &button, nullptr, nullptr))) {
        return 0;
    }
    return button;
}

void* TWin32DialogServices::SHBrowseForFolderW(BROWSEINFOW* info) {
    if (info == nullptr) {
        return nullptr;
    }
    ::BROWSEINFOW browse{};
    browse.hwndOwner = static_cast<HWND>(info->hwndOwner);
    browse.pidlRoot = static_cast<PCIDLIST_ABSOLUTE>(info->pidlRoot);
    browse.pszDisplayName = info->pszDisplayName;
    browse.lpszTitle = info->lpszTitle;
    browse.ulFlags = info->ulFlags;
    browse.lpfn = reinterpret_cast<BFFCALLBACK>(info->lpfn);
    browse.lParam = static_cast<LPARAM>(info->lParam);
    PIDLIST_ABSOLUTE chosen = ::SHBrowseForFolderW(&browse);
    info->iImage = browse.iImage;
    return chosen;
}

BOOL TWin32DialogServices::SHGetPathFromIDListW(const void* idList, wchar_t* path) {
    return ::SHGetPathFromIDListW(static_cast<PCIDLIST_ABSOLUTE>(idList), path);
}

namespace {

// The hook of a dialog whose name follows the chosen type: at each change of type, the name in the
// box takes the type's extension when it ends in one of the filter's, and the default extension
// becomes the type's, before the dialog checks the name (and asks before replacing a file).
UINT_PTR CALLBACK typeFollowingHook(HWND hook, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_NOTIFY) {
        return 0;
    }
    const auto* notify = reinterpret_cast<const OFNOTIFYW*>(lParam);
    if (notify == nullptr || notify->hdr.code != CDN_TYPECHANGE || notify->lpOFN == nullptr) {
        return 0;
    }
    HWND dialog = ::GetParent(hook);
    const ::OPENFILENAMEW& shown = *notify->lpOFN;
    const std::wstring extension = filterTypeExtension(shown.lpstrFilter, shown.nFilterIndex);
    if (extension.empty()) {
        return 0;
    }
    ::SendMessageW(dialog, CDM_SETDEFEXT, 0, reinterpret_cast<LPARAM>(extension.c_str()));
    wchar_t name[MAX_PATH] = {};
    const LRESULT length = ::SendMessageW(dialog, CDM_GETSPEC, MAX_PATH, reinterpret_cast<LPARAM>(name));
    if (length <= 1 || length > MAX_PATH) {
        return 0;
    }
    const std::wstring followed = nameForFileType(name, shown.lpstrFilter, shown.nFilterIndex);
    if (followed != name) {
        ::SendMessageW(dialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(followed.c_str()));
        ::SendMessageW(dialog, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(followed.c_str()));
    }
    return 0;
}

// Shows the system's file-open or save dialog (show) for the program's description of it; the type
// the user chose goes back into info.
bool showFileDialog(OPENFILENAMEW& info, BOOL(WINAPI* show)(::OPENFILENAMEW*)) {
    ::OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = static_cast<HWND>(info.hwndOwner);
    dialog.lpstrFilter = info.lpstrFilter;
    dialog.nFilterIndex = info.nFilterIndex;
    dialog.lpstrFile = info.lpstrFile;
    dialog.nMaxFile = info.nMaxFile;
    dialog.lpstrTitle = info.lpstrTitle;
    dialog.Flags = info.Flags | OFN_EXPLORER;
    dialog.lpstrDefExt = info.lpstrDefExt;
    if (info.extensionFollowsType) {
        dialog.Flags |= OFN_ENABLEHOOK | OFN_ENABLESIZING;
        dialog.lpfnHook = &typeFollowingHook;
    }
    const BOOL chosen = show(&dialog);
    info.nFilterIndex = dialog.nFilterIndex;
    return chosen != FALSE;
}

} // namespace

BOOL TWin32DialogServices::GetOpenFileNameW(OPENFILENAMEW* info) {
    return info != nullptr && showFileDialog(*info, &::GetOpenFileNameW);
}

void TWin32DialogServices::CoTaskMemFree(void* memory) {
    ::CoTaskMemFree(memory);
}

BOOL TWin32DialogServices::GetSaveFileNameW(OPENFILENAMEW* info) {
    return info != nullptr && showFileDialog(*info, &::GetSaveFileNameW);
}

void* TWin32DialogServices::GetActiveWindow() {
    return ::GetActiveWindow();
}

} // namespace plat
