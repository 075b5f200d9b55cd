#pragma once
// A dialog-services double for tests: every dialog shown is recorded with all its parts, and each
// one is answered from a script the test fills beforehand, in the order the dialogs come. A dialog
// the script does not answer (nothing left, or an answer meant for the other kind of dialog) is a
// failure the test hears of at once.

#include "platform/DialogServices.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace plat {

class TScriptedDialogs : public TDialogServices {
public:
    TScriptedDialogs();
    ~TScriptedDialogs() override;
    TScriptedDialogs(const TScriptedDialogs&) = delete;
    TScriptedDialogs& operator=(const TScriptedDialogs&) = delete;

    // ---- The script.
    // The next task dialog ends with this button (IDOK, IDYES, IDNO; IDCANCEL for a dialog closed
    // with Escape or its close button).
    void answerButton(int button);
    // The next folder browser: the user chooses this file-system folder.
    void answerFolder(std::wstring path);
    // The next folder browser: the user chooses an item that has no file-system path.
    void answerItemWithoutPath(std::wstring displayName);
    // The next folder browser, file-open or save dialog: the user cancels.
    void answerCancel();
    // The next file-open dialog: the user chooses this file.
    void answerFile(std::wstring path);
    // The next save dialog: the user chooses this path and this type (from 1).
    void answerSaveFile(std::wstring path, DWORD filterIndex);
    // The next save dialog: the user keeps the name offered, in this folder, and chooses this type
    // (from 1); the name then follows the type as the system's dialog makes it when asked to.
    void answerSaveFileType(const std::wstring& folder, DWORD filterIndex);
    // Answers not yet taken.
    std::size_t pendingAnswers() const { return FAnswers.size(); }

    // Hears of a dialog the script did not answer, and of an identifier list the browser did not give
    // (freed twice, say); the dialog then ends as cancelled. Without a handler the message goes to
    // the standard error stream and the program stops.
    void onUnscripted(std::function<void(const std::wstring&)> handler) {
        FOnUnscripted = std::move(handler);
    }

    // ---- The windows the dialogs are owned by (null by default).
    void setActiveWindow(void* window) { FActiveWindow = window; }
    void setApplicationWindow(void* window) { FApplicationWindow = window; }

    // ---- What was shown, in order.
    struct TShownBrowser {
        void* owner = nullptr;
        bool hasRoot = false;
        bool hasDisplayNameBuffer = false;
        std::wstring title;
        UINT flags = 0;
        bool hasCallback = false;
    };
    struct TShownSave {
        void* owner = nullptr;
        std::wstring title;
        std::vector<std::wstring> filter; // description, patterns, description, patterns...
        DWORD filterIndex = 0;
        std::wstring fileName; // the name offered
        DWORD flags = 0;
        std::wstring defaultExtension;
    };
    const std::vector<TTaskDialogConfig>& taskDialogs() const { return FTaskDialogs; }
    const std::vector<TShownSave>& saveDialogs() const { return FSaves; }
    const std::vector<TShownBrowser>& folderBrowsers() const { return FBrowsers; }
    struct TShownFileDialog {
        void* owner = nullptr;
        std::wstring title;
        // The filter's texts in order (name, patterns, name, patterns...).
        std::vector<std::wstring> filter;
        DWORD filterIndex = 0;
        DWORD flags = 0;
    };
    const std::vector<TShownFileDialog>& fileDialogs() const { return FFileDialogs; }
    // Identifier lists given by the browser and not yet released.
    std::size_t liveIdLists() const { return FIdLists.size(); }

    // ---- The dialog services.
    int TaskDialogIndirect(const TTaskDialogConfig& config) override;
    void* SHBrowseForFolderW(BROWSEINFOW* info) override;
    BOOL SHGetPathFromIDListW(const void* idList, wchar_t* path) override;
    void CoTaskMemFree(void* memory) override;
    BOOL GetOpenFileNameW(OPENFILENAMEW* info) override;
    BOOL GetSaveFileNameW(OPENFILENAMEW* info) override;
    void* GetActiveWindow() override { return FActiveWindow; }
    void* applicationWindow() override { return FApplicationWindow; }

private:
    enum class TKind { button, folder, itemWithoutPath, cancel, file, saveFile, saveFileType };
    struct TAnswer {
        TKind kind;
        int button = 0;
        std::wstring text; // saveFileType: the folder the name offered is saved in
    };
    // The chosen item behind an identifier list.
    struct TItem {
        std::wstring path; // empty: no file-system path
        std::wstring displayName;
    };

    void unscripted(const std::wstring& message);

    std::deque<TAnswer> FAnswers;
    std::function<void(const std::wstring&)> FOnUnscripted;
    void* FActiveWindow = nullptr;
    void* FApplicationWindow = nullptr;
    std::vector<TTaskDialogConfig> FTaskDialogs;
    std::vector<TShownBrowser> FBrowsers;
    std::vector<TShownFileDialog> FFileDialogs;
    std::vector<TShownSave> FSaves;
    std::map<const void*, std::unique_ptr<TItem>> FIdLists;
};

} // namespace plat
