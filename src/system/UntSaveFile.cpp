#include "system/UntSaveFile.h"

#include "platform/DialogServices.h"

#include <algorithm>

using namespace plat;

namespace {

// Long paths fit: the dialog fails instead of cutting a path longer than its buffer.
constexpr DWORD kPathBufferLength = 32768;

// "name.ext" has an extension; "name", "dir.x\name" and "name." do not.
bool hasExtension(const std::wstring& path) {
    const std::size_t dot = path.find_last_of(L'.');
    const std::size_t slash = path.find_last_of(L"\\/");
    return dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash) && dot + 1 < path.size();
}

} // namespace

std::wstring chooseSaveFile(const std::wstring& title, const std::vector<TSaveFileType>& types,
                            const std::wstring& fileName, std::size_t& chosenType) {
    std::wstring filter;
    for (const TSaveFileType& type : types) {
        filter += type.description + L'\0' + L"*." + type.extension + L'\0';
    }
    filter += L'\0';
    std::wstring buffer(kPathBufferLength, L'\0');
    fileName.copy(buffer.data(), std::min<std::size_t>(fileName.size(), kPathBufferLength - 1));

    TDialogServices& services = dialogs();
    OPENFILENAMEW info;
    info.hwndOwner = services.applicationWindow();
    info.lpstrFilter = filter.c_str();
    info.nFilterIndex = 1;
    info.lpstrFile = buffer.data();
    info.nMaxFile = kPathBufferLength;
    info.lpstrTitle = title.c_str();
    info.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST;
    info.lpstrDefExt = types.empty() ? nullptr : types.front().extension.c_str();
    info.extensionFollowsType = true; // "streams.csv" becomes "streams.jsonl" when JSON Lines is chosen
    if (services.GetSaveFileNameW(&info) == FALSE) {
        return {};
    }
    chosenType = info.nFilterIndex >= 1 && info.nFilterIndex <= types.size() ? info.nFilterIndex - 1 : 0;
    std::wstring path(buffer.c_str());
    // Where the dialog did not add the chosen type's extension itself.
    if (!path.empty() && !hasExtension(path) && !types.empty()) {
        path += L"." + types[chosenType].extension;
    }
    return path;
}
