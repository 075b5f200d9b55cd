#include "system/UntBrowseFolder.h"

#include "platform/DialogServices.h"
#include "platform/WinPath.h"

using namespace plat;

namespace {

// Releases the browser's identifier list with the shell's allocator on every path.
class TIdList {
public:
    explicit TIdList(void* idList) : FIdList(idList) {}
    ~TIdList() { dialogs().CoTaskMemFree(FIdList); }
    TIdList(const TIdList&) = delete;
    TIdList& operator=(const TIdList&) = delete;
    const void* get() const { return FIdList; }

private:
    void* FIdList;
};

bool isDriveRoot(const std::wstring& path) {
    return path.size() == 3 && path[1] == L':' && path[2] == L'\\';
}

} // namespace

std::wstring browseForFolder(const std::wstring& prompt, bool allowNewFolder) {
    TDialogServices& services = dialogs();
    wchar_t displayName[MAX_PATH + 1] = {};
    BROWSEINFOW info{};
    info.hwndOwner = services.applicationWindow();
    info.pszDisplayName = displayName;
    info.lpszTitle = prompt.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    if (!allowNewFolder) {
        info.ulFlags |= BIF_NONEWFOLDERBUTTON;
    }

    void* chosen = services.SHBrowseForFolderW(&info);
    if (chosen == nullptr) {
        return {}; // cancelled
    }
    const TIdList idList(chosen);
    wchar_t buffer[MAX_PATH + 1] = {};
    if (!services.SHGetPathFromIDListW(idList.get(), buffer)) {
        return {}; // not a file-system folder
    }
    std::wstring path(buffer);
    if (!isCleanFullPath(path)) {
        // The program hands a folder's path to the file functions as it stands, names and all
        // ("dir." is not "dir"): only a full path without "/", "." or ".." can be taken so.
        return {};
    }
    if (path.size() > 1 && path.back() == L'\\' && !isDriveRoot(path)) {
        path.pop_back();
    }
    return path;
}
