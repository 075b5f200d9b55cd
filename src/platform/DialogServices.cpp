#include "platform/DialogServices.h"

#include <cstdlib>
#include <cwctype>
#include <vector>

namespace plat {

namespace {
TDialogServices* gDialogs = nullptr;
} // namespace

TDialogServices& dialogs() {
    if (gDialogs == nullptr) {
        std::abort(); // installed at start-up; a missing install is a programming error
    }
    return *gDialogs;
}

void installDialogServices(TDialogServices* services) {
    gDialogs = services;
}

namespace {

// The filter's patterns, one list per type ("*.csv" -> "csv"; "*.*" and "*" -> "").
std::vector<std::wstring> filterExtensions(const wchar_t* filter) {
    std::vector<std::wstring> extensions;
    if (filter == nullptr) {
        return extensions;
    }
    const wchar_t* at = filter;
    while (*at != L'\0') {
        const std::wstring description(at);
        at += description.size() + 1;
        const std::wstring patterns(at);
        at += patterns.size() + 1;
        const std::wstring first = patterns.substr(0, patterns.find(L';'));
        const std::size_t dot = first.rfind(L'.');
        const std::wstring extension = dot == std::wstring::npos ? L"" : first.substr(dot + 1);
        extensions.push_back(extension.find_first_of(L"*?") == std::wstring::npos ? extension : L"");
        if (patterns.empty()) {
            break;
        }
    }
    return extensions;
}

bool sameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towlower(a[i]) != std::towlower(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace

std::wstring filterTypeExtension(const wchar_t* filter, DWORD filterIndex) {
    const std::vector<std::wstring> extensions = filterExtensions(filter);
    return filterIndex >= 1 && filterIndex <= extensions.size() ? extensions[filterIndex - 1]
                                                                : std::wstring();
}

std::wstring nameForFileType(const std::wstring& name, const wchar_t* filter, DWORD filterIndex) {
    const std::wstring chosen = filterTypeExtension(filter, filterIndex);
    const std::size_t dot = name.rfind(L'.');
    const std::size_t slash = name.find_last_of(L"\\/");
    if (chosen.empty() || dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) {
        return name;
    }
    const std::wstring current = name.substr(dot + 1);
    for (const std::wstring& extension : filterExtensions(filter)) {
        if (!extension.empty() && sameIgnoringCase(extension, current)) {
            return name.substr(0, dot + 1) + chosen;
        }
    }
    return name;
}

} // namespace plat
