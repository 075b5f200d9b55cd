#include "platform/WinPath.h"

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

void dropTrailingDotsAndSpaces(std::wstring& component) {
    if (component == L"." || component == L"..") {
        return;
    }
    while (!component.empty() && (component.back() == L'.' || component.back() == L' ')) {
        component.pop_back();
    }
}

// Splits "name:stream[:$DATA]" of the last component; false for a malformed suffix.
bool splitStream(std::wstring& component, TWinPath& path) {
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
    return true;
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
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL") {
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

TWinPath parseWinPath(const wchar_t* text) {
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
            dropTrailingDotsAndSpaces(component);
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
            if (i + 1 != components.size() || endsWithSlash || !splitStream(component, path)) {
                return pathError(ERROR_INVALID_NAME);
            }
        }
        if (!isValidLongName(component)) {
            return pathError(ERROR_INVALID_NAME);
        }
        path.parts.push_back(component);
    }
    path.trailingSlash = endsWithSlash && !path.parts.empty();
    return path;
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

} // namespace plat
