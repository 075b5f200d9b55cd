#include "platform/shell/ScriptedDialogs.h"

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace plat {

namespace {

std::wstring describe(const TTaskDialogConfig& config) {
    return L"task dialog \"" + config.windowTitle + L"\": \"" + config.mainInstruction + L"\"";
}

std::wstring describe(const BROWSEINFOW& info) {
    return L"folder browser \"" + std::wstring(info.lpszTitle != nullptr ? info.lpszTitle : L"") + L"\"";
}

// Copies text into a buffer of MAX_PATH characters, cut to fit, as the shell fills its buffers.
void copyToPathBuffer(const std::wstring& text, wchar_t* buffer) {
    const std::size_t length = text.size() < std::size_t(MAX_PATH) ? text.size() : std::size_t(MAX_PATH - 1);
    text.copy(buffer, length);
    buffer[length] = L'\0';
}

// The last part of a path, or the whole path for a drive root.
std::wstring lastPart(const std::wstring& path) {
    std::wstring trimmed = path;
    while (trimmed.size() > 3 && trimmed.back() == L'\\') {
        trimmed.pop_back();
    }
    const std::size_t slash = trimmed.find_last_of(L'\\');
    if (slash == std::wstring::npos || slash + 1 == trimmed.size()) {
        return trimmed;
    }
    return trimmed.substr(slash + 1);
}

} // namespace

TScriptedDialogs::TScriptedDialogs() = default;
TScriptedDialogs::~TScriptedDialogs() = default;

void TScriptedDialogs::answerButton(int button) {
    FAnswers.push_back({TKind::button, button, {}});
}

void TScriptedDialogs::answerFolder(std::wstring path) {
    FAnswers.push_back({TKind::folder, 0, std::move(path)});
}

void TScriptedDialogs::answerItemWithoutPath(std::wstring displayName) {
    FAnswers.push_back({TKind::itemWithoutPath, 0, std::move(displayName)});
}

void TScriptedDialogs::answerCancel() {
    FAnswers.push_back({TKind::cancel, 0, {}});
}

void TScriptedDialogs::answerFile(std::wstring path) {
    FAnswers.push_back({TKind::file, 0, std::move(path)});
}

void TScriptedDialogs::answerSaveFile(std::wstring path, DWORD filterIndex) {
    FAnswers.push_back({TKind::saveFile, static_cast<int>(filterIndex), std::move(path)});
}

void TScriptedDialogs::answerSaveFileType(const std::wstring& folder, DWORD filterIndex) {
    FAnswers.push_back({TKind::saveFileType, static_cast<int>(filterIndex), folder});
}

void TScriptedDialogs::unscripted(const std::wstring& message) {
    if (FOnUnscripted) {
        FOnUnscripted(message);
        return;
    }
    std::fprintf(stderr, "TScriptedDialogs: %ls\n", message.c_str());
    std::abort();
}

int TScriptedDialogs::TaskDialogIndirect(const TTaskDialogConfig& config) {
    FTaskDialogs.push_back(config);
    if (FAnswers.empty() || FAnswers.front().kind != TKind::button) {
        unscripted(FAnswers.empty() ? L"no answer scripted for the " + describe(config)
                                    : L"the next scripted answer is for a folder browser, but came the " +
                                          describe(config));
        return IDCANCEL;
    }
    const int button = FAnswers.front().button;
    FAnswers.pop_front();
    return button;
}

void* TScriptedDialogs::SHBrowseForFolderW(BROWSEINFOW* info) {
    if (info == nullptr) {
        unscripted(L"folder browser without a description");
        return nullptr;
    }
    TShownBrowser shown;
    shown.owner = info->hwndOwner;
    shown.hasRoot = info->pidlRoot != nullptr;
    shown.hasDisplayNameBuffer = info->pszDisplayName != nullptr;
    shown.title = info->lpszTitle != nullptr ? info->lpszTitle : L"";
    shown.flags = info->ulFlags;
    shown.hasCallback = info->lpfn != nullptr;
    FBrowsers.push_back(shown);

    if (FAnswers.empty() || FAnswers.front().kind == TKind::button ||
        FAnswers.front().kind == TKind::saveFile || FAnswers.front().kind == TKind::saveFileType) {
        unscripted(FAnswers.empty()
                       ? L"no answer scripted for the " + describe(*info)
                       : L"the next scripted answer is for another dialog, but came the " + describe(*info));
        return nullptr;
    }
    const TAnswer answer = FAnswers.front();
    FAnswers.pop_front();
    if (answer.kind == TKind::cancel) {
        return nullptr;
    }
    if (answer.kind == TKind::file) {
        unscripted(L"the next scripted answer is a file, but came the " + describe(*info));
        return nullptr;
    }
    auto item = std::make_unique<TItem>();
    if (answer.kind == TKind::folder) {
        item->path = answer.text;
        item->displayName = lastPart(answer.text);
    } else {
        item->displayName = answer.text;
    }
    if (info->pszDisplayName != nullptr) {
        copyToPathBuffer(item->displayName, info->pszDisplayName);
    }
    void* idList = item.get();
    FIdLists.emplace(idList, std::move(item));
    return idList;
}

BOOL TScriptedDialogs::SHGetPathFromIDListW(const void* idList, wchar_t* path) {
    const auto found = FIdLists.find(idList);
    if (found == FIdLists.end()) {
        unscripted(L"SHGetPathFromIDListW with an identifier list the browser did not give");
        if (path != nullptr) {
            path[0] = L'\0';
        }
        return FALSE;
    }
    const TItem& item = *found->second;
    // The shell fails for an item without a path and for a path longer than its buffer.
    if (path == nullptr || item.path.empty() || item.path.size() >= std::size_t(MAX_PATH)) {
        if (path != nullptr) {
            path[0] = L'\0';
        }
        return FALSE;
    }
    copyToPathBuffer(item.path, path);
    return TRUE;
}

void TScriptedDialogs::CoTaskMemFree(void* memory) {
    if (memory == nullptr) {
        return;
    }
    if (FIdLists.erase(memory) == 0) {
        unscripted(L"CoTaskMemFree of memory the browser did not give (freed twice?)");
    }
}

namespace {

// A file dialog's filter as its texts in order: name, patterns, name, patterns...
std::vector<std::wstring> filterTexts(const wchar_t* filter) {
    std::vector<std::wstring> texts;
    for (const wchar_t* text = filter; text != nullptr && *text != L'\0'; text += std::wcslen(text) + 1) {
        texts.emplace_back(text);
    }
    return texts;
}

} // namespace

BOOL TScriptedDialogs::GetOpenFileNameW(OPENFILENAMEW* info) {
    if (info == nullptr) {
        unscripted(L"file-open dialog without a description");
        return FALSE;
    }
    TShownFileDialog shown;
    shown.owner = info->hwndOwner;
    shown.title = info->lpstrTitle != nullptr ? info->lpstrTitle : L"";
    shown.filter = filterTexts(info->lpstrFilter);
    shown.filterIndex = info->nFilterIndex;
    shown.flags = info->Flags;
    FFileDialogs.push_back(shown);

    if (FAnswers.empty() ||
        (FAnswers.front().kind != TKind::file && FAnswers.front().kind != TKind::cancel)) {
        unscripted(FAnswers.empty()
                       ? L"no answer scripted for the file-open dialog \"" + shown.title + L"\""
                       : L"the next scripted answer is not a file, but came the file-open dialog");
        return FALSE;
    }
    const TAnswer answer = FAnswers.front();
    FAnswers.pop_front();
    if (answer.kind == TKind::cancel) {
        return FALSE;
    }
    // The dialog fails when the path does not fit the caller's buffer.
    if (info->lpstrFile == nullptr || answer.text.size() >= info->nMaxFile) {
        return FALSE;
    }
    answer.text.copy(info->lpstrFile, answer.text.size());
    info->lpstrFile[answer.text.size()] = L'\0';
    return TRUE;
}

BOOL TScriptedDialogs::GetSaveFileNameW(OPENFILENAMEW* info) {
    if (info == nullptr || info->lpstrFile == nullptr || info->nMaxFile == 0) {
        unscripted(L"save dialog without a file-name buffer");
        return FALSE;
    }
    TShownSave shown;
    shown.owner = info->hwndOwner;
    shown.title = info->lpstrTitle != nullptr ? info->lpstrTitle : L"";
    shown.filter = filterTexts(info->lpstrFilter);
    shown.filterIndex = info->nFilterIndex;
    shown.fileName = info->lpstrFile;
    shown.flags = info->Flags;
    shown.defaultExtension = info->lpstrDefExt != nullptr ? info->lpstrDefExt : L"";
    FSaves.push_back(shown);

    if (FAnswers.empty() ||
        (FAnswers.front().kind != TKind::saveFile && FAnswers.front().kind != TKind::saveFileType &&
         FAnswers.front().kind != TKind::cancel)) {
        unscripted(FAnswers.empty() ? L"no answer scripted for the save dialog \"" + shown.title + L"\""
                                    : L"the next scripted answer is for another dialog, but came the save "
                                      L"dialog \"" +
                                          shown.title + L"\"");
        return FALSE;
    }
    TAnswer answer = FAnswers.front();
    FAnswers.pop_front();
    if (answer.kind == TKind::saveFileType) { // the name offered, perhaps another type
        const auto index = static_cast<DWORD>(answer.button);
        answer.text = answer.text + L"\\" +
                      (info->extensionFollowsType && index != info->nFilterIndex
                           ? nameForFileType(shown.fileName, info->lpstrFilter, index)
                           : shown.fileName);
    }
    if (answer.kind == TKind::cancel || answer.text.size() >= info->nMaxFile) {
        return FALSE;
    }
    answer.text.copy(info->lpstrFile, answer.text.size());
    info->lpstrFile[answer.text.size()] = L'\0';
    info->nFilterIndex = static_cast<DWORD>(answer.button);
    return TRUE;
}

} // namespace plat
