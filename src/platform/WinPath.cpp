#include "platform/WinPath.h"

#include "platform/ShownName.h"

#include <algorithm>
#include <cwchar>

namespace plat {

namespace {

wchar_t asciiUpper(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : c;
}

bool sameAsciiText(const std::wstring& text, const wchar_t* upperText) {
    const std::size_t length = std::wcslen(upperText);
    if (text.size() != length) {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (asciiUpper(text[i]) != upperText[i]) {
            return false;
        }
    }
    return true;
}

TWinPath pathError(DWORD error) {
    TWinPath path;
    path.error = error;
    return path;
}

bool startsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

// Windows' clean-up of one name of a plain path: the last name loses every trailing dot and space,
// a folder name on the way one trailing dot ("dir.\x" is "dir\x", "dir \x" stays).
void cleanUpName(std::wstring& component, bool last) {
    if (last) {
        component = cleanedLastName(component);
    } else if (component != L"." && component != L".." && !component.empty() && component.back() == L'.') {
        component.pop_back();
    }
}

// Splits "name:stream[:$DATA]" of the last component; false for a malformed suffix.
bool splitStream(std::wstring& component, TWinPath& path, bool shownNames) {
    const auto colon = component.find(L':');
    if (colon == std::wstring::npos) {
        return true;
    }
    const std::wstring suffix = component.substr(colon + 1);
    component.erase(colon);
    const auto typeColon = suffix.find(L':');
    const std::wstring streamName = suffix.substr(0, typeColon);
    if (typeColon != std::wstring::npos) {
        if (!sameAsciiText(suffix.substr(typeColon + 1), L"$DATA")) {
            return false;
        }
    } else if (streamName.empty()) {
        return false;
    }
    if (!streamName.empty() && !isValidStreamName(streamName)) {
        return false;
    }
    path.hasStream = true;
    path.stream = streamName;
    if (shownNames) {
        std::optional<std::wstring> name = trueName(streamName);
        if (!name) {
            return false;
        }
        path.stream = std::move(*name);
    }
    return true;
}

// A name of the path as it stands in it: the name itself, or for shown names the name it stands for;
// nothing when it is no name.
std::optional<std::wstring> nameOf(const std::wstring& component, bool shownNames) {
    if (!shownNames) {
        return isValidLongName(component) ? std::optional<std::wstring>(component) : std::nullopt;
    }
    std::optional<std::wstring> name = trueName(component);
    if (!name || name->empty() || name->size() > 255) {
        return std::nullopt;
    }
    return name;
}

} // namespace

bool isValidLongName(const std::wstring& name) {
    if (name.empty() || name.size() > 255 || name == L"." || name == L"..") {
        return false;
    }
    for (wchar_t c : name) {
        if (static_cast<std::uint32_t>(c) < 32 || std::wcschr(L"<>:\"/\\|?*", c) != nullptr) {
            return false;
        }
    }
    return true;
}

bool isDosDeviceName(const std::wstring& name) {
    std::wstring stem = name.substr(0, name.find_first_of(L".:"));
    while (!stem.empty() && stem.back() == L' ') {
        stem.pop_back();
    }
    for (wchar_t& c : stem) {
        c = asciiUpper(c);
    }
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || stem == L"CONIN$" ||
        stem == L"CONOUT$") {
        return true;
    }
    if (stem.size() != 4 || (stem.compare(0, 3, L"COM") != 0 && stem.compare(0, 3, L"LPT") != 0)) {
        return false;
    }
    const wchar_t digit = stem[3];
    return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
}

bool isValidStreamName(const std::wstring& name) {
    if (name.empty() || name.size() > 255) {
        return false;
    }
    for (wchar_t c : name) {
        if (c == L'\0' || c == L'\\' || c == L'/' || c == L':') {
            return false;
        }
    }
    return true;
}

namespace {

TWinPath parsePath(const wchar_t* text, bool shownNames) {
    if (text == nullptr) {
        return pathError(ERROR_PATH_NOT_FOUND);
    }
    std::wstring s(text);
    std::replace(s.begin(), s.end(), L'/', L'\\');
    const bool verbatim = s.rfind(L"\\\\?\\", 0) == 0;
    if (verbatim) {
        s.erase(0, 4);
    }
    const bool letter = s.size() >= 2 && s[1] == L':' && asciiUpper(s[0]) >= L'A' && asciiUpper(s[0]) <= L'Z';
    if (!letter || (s.size() > 2 && s[2] != L'\\')) {
        return pathError(ERROR_PATH_NOT_FOUND);
    }
    TWinPath path;
    path.drive = asciiUpper(s[0]);
    const std::wstring rest = s.substr(2);
    std::vector<std::wstring> components;
    std::size_t start = 0;
    while (start <= rest.size()) {
        const auto end = std::min(rest.find(L'\\', start), rest.size());
        if (end > start) {
            components.push_back(rest.substr(start, end - start));
        }
        start = end + 1;
    }
    const bool endsWithSlash = rest.size() > 1 && rest.back() == L'\\';
    for (std::size_t i = 0; i < components.size(); ++i) {
        std::wstring component = components[i];
        if (!verbatim) {
            cleanUpName(component, i + 1 == components.size() && !endsWithSlash);
        }
        if (component.empty() || component == L".") {
            continue;
        }
        if (component == L"..") {
            if (!path.parts.empty()) {
                path.parts.pop_back();
            }
            continue;
        }
        if (component.find(L':') != std::wstring::npos) {
            if (i + 1 != components.size() || endsWithSlash || !splitStream(component, path, shownNames)) {
                return pathError(ERROR_INVALID_NAME);
            }
            if (component.empty() && path.parts.empty()) {
                continue; // "C:\:name": a stream of the drive's root folder
            }
        }
        std::optional<std::wstring> name = nameOf(component, shownNames);
        if (!name) {
            return pathError(ERROR_INVALID_NAME);
        }
        path.parts.push_back(std::move(*name));
    }
    path.trailingSlash = endsWithSlash && !path.parts.empty();
    path.device = !verbatim && !endsWithSlash && !path.parts.empty() && isDosDeviceName(path.parts.back());
    return path;
}

} // namespace

TWinPath parseWinPath(const wchar_t* text) {
    return parsePath(text, false);
}

TWinPath parseShownPath(const wchar_t* text) {
    return parsePath(text, true);
}

std::wstring winPathText(const TWinPath& path) {
    std::wstring text{path.drive, L':'};
    for (const auto& part : path.parts) {
        text += L"\\" + part;
    }
    if (path.parts.empty()) {
        text += L"\\";
    }
    if (path.hasStream) {
        text += L":" + path.stream + (path.stream.empty() ? L":$DATA" : L"");
    }
    return text;
}

bool isVerbatimPath(const std::wstring& path) {
    return startsWith(path, L"\\\\?\\");
}

std::wstring cleanedLastName(const std::wstring& name) {
    if (name == L"." || name == L"..") {
        return name;
    }
    std::wstring cleaned = name;
    while (!cleaned.empty() && (cleaned.back() == L'.' || cleaned.back() == L' ')) {
        cleaned.pop_back();
    }
    return cleaned;
}

std::wstring searchMask(const std::wstring& pattern) {
    std::wstring mask = pattern.substr(pattern.find_last_of(L"\\/") + 1);
    if (isVerbatimPath(pattern) || mask.find_first_of(L"*?<>\"") != std::wstring::npos) {
        return mask;
    }
    mask = cleanedLastName(mask);
    return mask != L"." && mask != L".." && isDosDeviceName(mask) ? std::wstring() : mask;
}

std::wstring exactPath(const std::wstring& path) {
    if (isVerbatimPath(path) || startsWith(path, L"\\\\.\\") || startsWith(path, L"\\??\\")) {
        return path;
    }
    if (startsWith(path, L"\\\\")) {
        return L"\\\\?\\UNC\\" + path.substr(2);
    }
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\') {
        return L"\\\\?\\" + path;
    }
    return path;
}

bool isCleanFullPath(const std::wstring& path) {
    std::size_t start = 0;
    if (path.size() >= 3 && asciiUpper(path[0]) >= L'A' && asciiUpper(path[0]) <= L'Z' && path[1] == L':' &&
        path[2] == L'\\') {
        start = 3;
    } else if (startsWith(path, L"\\\\") && !startsWith(path, L"\\\\?\\") && !startsWith(path, L"\\\\.\\")) {
        start = 2;
    } else {
        return false;
    }
    if (path.find(L'/') != std::wstring::npos) {
        return false;
    }
    // Every name after the root (a final backslash ends the loop): none empty, none "." or "..".
    while (start < path.size()) {
        const std::size_t end = std::min(path.find(L'\\', start), path.size());
        const std::wstring name = path.substr(start, end - start);
        if (name.empty() || name == L"." || name == L"..") {
            return false;
        }
        start = end + 1;
    }
    return true;
}

} // namespace plat
