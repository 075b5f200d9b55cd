#pragma once
// The modal dialogs the program asks the platform for: the task dialog (title, main instruction,
// content, footer, icons, standard buttons; the result is the pressed button's identifier) and the
// shell's folder browser, each shaped like the Windows functions of the same names. One object is
// installed for the process at start-up, on the UI thread: the Windows one in the program, a
// scripted double in tests. Every call happens on the UI thread.

#include "platform/WinTypes.h"

#include <cstdint>
#include <string>

namespace plat {

// Windows are HWNDs given as void*, so that callers need no <windows.h>.

// Button identifiers, as the dialogs answer them.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The task dialog's standard buttons (TASKDIALOG_COMMON_BUTTON_FLAGS). None named: a single OK
// button, which is then the default.
constexpr int TDCBF_OK_BUTTON = 0x1;
constexpr int TDCBF_YES_BUTTON = 0x2;
constexpr int TDCBF_NO_BUTTON = 0x4;
constexpr int TDCBF_CANCEL_BUTTON = 0x8;

// Task dialog flags: Escape, Alt+F4 and the close button end the dialog with IDCANCEL; the dialog
// opens centred on its owner (otherwise the platform places it on the screen as it likes).
constexpr DWORD TDF_ALLOW_DIALOG_CANCELLATION = 0x8;
constexpr DWORD TDF_POSITION_RELATIVE_TO_WINDOW = 0x1000;

enum class TTaskDialogIcon { none, information, error, question, warning };

// What TASKDIALOGCONFIG holds of a dialog the program shows.
struct TTaskDialogConfig {
    void* parent = nullptr; // the owner; null for none
    DWORD flags = 0;        // TDF_*
    int commonButtons = 0;  // TDCBF_*
    std::wstring windowTitle;
    std::wstring mainInstruction;
    std::wstring content; // lines broken by CR LF
    std::wstring footer;  // empty: no footer area
    TTaskDialogIcon mainIcon = TTaskDialogIcon::none;
    TTaskDialogIcon footerIcon = TTaskDialogIcon::none;
    int defaultButton = 0; // 0: the platform's choice (the first button)
};

// The folder browser's flags.
constexpr UINT BIF_RETURNONLYFSDIRS = 0x1;
constexpr UINT BIF_NEWDIALOGSTYLE = 0x40;
constexpr UINT BIF_NONEWFOLDERBUTTON = 0x200;

// BROWSEINFOW. The display-name buffer, when given, holds at least MAX_PATH characters.
struct BROWSEINFOW {
    void* hwndOwner;
    const void* pidlRoot;
    wchar_t* pszDisplayName;
    const wchar_t* lpszTitle;
    UINT ulFlags;
    void* lpfn;
    std::intptr_t lParam;
    int iImage;
};

// The file dialogs' flags.
constexpr DWORD OFN_READONLY = 0x1;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x2;
constexpr DWORD OFN_HIDEREADONLY = 0x4;
constexpr DWORD OFN_NOCHANGEDIR = 0x8;
constexpr DWORD OFN_PATHMUSTEXIST = 0x800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x1000;

// What OPENFILENAMEW holds of a file-open or save dialog the program shows.
struct OPENFILENAMEW {
    void* hwndOwner = nullptr;
    // Pairs of a description and its patterns ("CSV (*.csv)", "*.csv"), each ended by a NUL, the
    // list by one more.
    const wchar_t* lpstrFilter = nullptr;
    // The type shown first (from 1); on return, the type the user chose.
    DWORD nFilterIndex = 0;
    // In: the name offered; out: the chosen file's full path. nMaxFile characters with the NUL.
    wchar_t* lpstrFile = nullptr;
    DWORD nMaxFile = 0;
    const wchar_t* lpstrTitle = nullptr;
    DWORD Flags = 0; // OFN_*
    // Added to a name typed without an extension (the chosen type's own, where the platform can).
    const wchar_t* lpstrDefExt = nullptr;
    // The name follows the type the user chooses: when the type changes, a name that ends in one of
    // the filter's extensions takes the new type's (nameForFileType), and so does the default
    // extension. The dialog's question before replacing a file is then about the name written.
    bool extensionFollowsType = false;
};

// name with its extension changed to the one of the filter's type filterIndex (from 1, its first
// pattern "*.ext") when it ends in the extension of any of the filter's patterns (without regard to
// case); any other name as it is. filter as OPENFILENAMEW's.
std::wstring nameForFileType(const std::wstring& name, const wchar_t* filter, DWORD filterIndex);
// The extension, without its dot, of the filter's type filterIndex (from 1); empty when its first
// pattern names none ("*.*" or "*").
std::wstring filterTypeExtension(const wchar_t* filter, DWORD filterIndex);

class TDialogServices {
public:
    virtual ~TDialogServices() = default;

    // Shows the task dialog modally; answers the pressed button's identifier, or 0 when the dialog
    // could not be shown.
    virtual int TaskDialogIndirect(const TTaskDialogConfig& config) = 0;

    // Shows the folder browser modally. Answers the chosen item's identifier list, to be released with
    // CoTaskMemFree, or null when the user cancelled.
    virtual void* SHBrowseForFolderW(BROWSEINFOW* info) = 0;
    // Writes the item's file-system path (at most MAX_PATH characters with the NUL) into path; FALSE
    // and an empty text when the item has none.
    virtual BOOL SHGetPathFromIDListW(const void* idList, wchar_t* path) = 0;
    virtual void CoTaskMemFree(void* memory) = 0;

    // Shows the file-open dialog modally. TRUE with the chosen file's path in lpstrFile; FALSE when
    // the user cancelled.
    virtual BOOL GetOpenFileNameW(OPENFILENAMEW* info) = 0;
    // Shows the save dialog modally; TRUE with the chosen path and type in info, FALSE when the user
    // cancelled or the dialog could not be shown. With OFN_OVERWRITEPROMPT the dialog itself asks
    // before an existing file is chosen.
    virtual BOOL GetSaveFileNameW(OPENFILENAMEW* info) = 0;

    // The UI thread's active window, or null when none of the program's windows is active.
    virtual void* GetActiveWindow() = 0;
    // The window that owns the program's dialogs when no window is active.
    virtual void* applicationWindow() = 0;
};

// The process-wide services; installed at start-up (a missing install stops the program).
TDialogServices& dialogs();
void installDialogServices(TDialogServices* services);

} // namespace plat
