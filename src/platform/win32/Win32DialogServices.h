#pragma once
// The dialog services over the real Windows functions: the task dialog of the common controls
// (version 6, which the program's manifest asks for), looked up at run time, with a look-alike window
// where it is missing; and the shell's folder browser.
//
// Made and destroyed on the UI thread: it initialises COM there, as the folder browser needs.

#include "platform/DialogServices.h"

namespace plat {

class TWin32DialogServices final : public TDialogServices {
public:
    enum class TTaskDialogKind { platformWhenPresent, lookAlike };

    explicit TWin32DialogServices(TTaskDialogKind kind = TTaskDialogKind::platformWhenPresent);
    ~TWin32DialogServices() override;
    TWin32DialogServices(const TWin32DialogServices&) = delete;
    TWin32DialogServices& operator=(const TWin32DialogServices&) = delete;

    // The program's main window, once it exists: it owns the folder browser, and the message dialogs
    // when none of the program's windows is active. Without it they have no owner.
    void setApplicationWindow(void* window) { FApplicationWindow = window; }
    // Whether the platform's task dialog is shown (otherwise the look-alike).
    bool usesPlatformTaskDialog() const { return FTaskDialogIndirect != nullptr; }

    int TaskDialogIndirect(const TTaskDialogConfig& config) override;
    void* SHBrowseForFolderW(BROWSEINFOW* info) override;
    BOOL SHGetPathFromIDListW(const void* idList, wchar_t* path) override;
    void CoTaskMemFree(void* memory) override;
    BOOL GetOpenFileNameW(OPENFILENAMEW* info) override;
    BOOL GetSaveFileNameW(OPENFILENAMEW* info) override;
    void* GetActiveWindow() override;
    void* applicationWindow() override { return FApplicationWindow; }

private:
    void* FCommonControls = nullptr;     // comctl32, loaded while the task dialog may be used
    void* FTaskDialogIndirect = nullptr; // its TaskDialogIndirect, or null
    bool FComInitialised = false;
    void* FApplicationWindow = nullptr;
};

} // namespace plat
