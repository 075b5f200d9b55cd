#include "platform/store/StoreModel.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace plat::store::detail {

void TData::read(std::uint64_t position, char* out, std::size_t count) const {
    // Bytes past the stored ones (a sparse tail) read as zeros.
    const std::size_t stored =
        position < bytes.size()
            ? std::min<std::size_t>(count, bytes.size() - static_cast<std::size_t>(position))
            : 0;
    if (stored > 0) {
        std::memcpy(out, bytes.data() + position, stored);
    }
    std::memset(out + stored, 0, count - stored);
}

void TData::write(std::uint64_t position, const char* in, std::size_t count) {
    const std::uint64_t end = position + count;
    if (bytes.size() < end) {
        bytes.resize(static_cast<std::size_t>(end), '\0');
    }
    std::memcpy(bytes.data() + position, in, count);
    size = std::max(size, end);
}

void TData::resize(std::uint64_t newSize) {
    if (bytes.size() > newSize) {
        bytes.resize(static_cast<std::size_t>(newSize));
    }
    size = newSize;
}

void TData::assign(const std::string& content) {
    bytes = content;
    size = content.size();
}

std::shared_ptr<TData> TNode::findStream(const std::wstring& streamName) const {
    for (const auto& stream : streams) {
        if (sameName(stream->name, streamName)) {
            return stream;
        }
    }
    return nullptr;
}

std::shared_ptr<TNode> TNode::findChild(const std::wstring& childName) const {
    const std::wstring key = upper(childName);
    auto it = children.find(key);
    if (it == children.end()) {
        if (auto byShort = shortIndex.find(key); byShort != shortIndex.end()) {
            it = children.find(byShort->second);
        }
    }
    return it == children.end() ? nullptr : it->second;
}

bool TNode::nameTaken(const std::wstring& upperName) const {
    return children.count(upperName) > 0 || shortIndex.count(upperName) > 0;
}

void TNode::addChild(const std::shared_ptr<TNode>& child) {
    const std::wstring key = upper(child->name);
    children[key] = child;
    if (!child->shortName.empty()) {
        shortIndex[upper(child->shortName)] = key;
    }
}

void TNode::removeChild(const TNode& child) {
    if (!child.shortName.empty()) {
        shortIndex.erase(upper(child.shortName));
    }
    children.erase(upper(child.name));
}

void TNode::renameShort(TNode& child, const std::wstring& newShortName) {
    if (!child.shortName.empty()) {
        shortIndex.erase(upper(child.shortName));
    }
    child.shortName = newShortName;
    if (!newShortName.empty()) {
        shortIndex[upper(newShortName)] = upper(child.name);
    }
}

DWORD TNode::reportedAttributes() const {
    if (folder) {
        return (attributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_DIRECTORY;
    }
    const DWORD bits = attributes & ~(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_NORMAL);
    return bits == 0 ? FILE_ATTRIBUTE_NORMAL : bits;
}

bool TDrive::hasNamedStreams() const {
    return sameName(fileSystem, L"NTFS") || sameName(fileSystem, L"ReFS");
}

// NTFS compares names through its upper-case table; this covers the Latin, Greek and Cyrillic letters.
wchar_t upperChar(wchar_t c) {
    const auto u = static_cast<std::uint32_t>(c);
    if (u >= 'a' && u <= 'z') {
        return static_cast<wchar_t>(u - 32);
    }
    if (u < 0x80) {
        return c;
    }
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) {
        return static_cast<wchar_t>(u - 0x20);
    }
    if (u == 0xFF) {
        return static_cast<wchar_t>(0x178);
    }
    if (u >= 0x100 && u <= 0x17F) {
        if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E)) {
            return static_cast<wchar_t>(u % 2 == 0 ? u - 1 : u);
        }
        if (u == 0x130 || u == 0x131 || u == 0x138 || u == 0x149 || u == 0x178 || u == 0x17F) {
            return c;
        }
        return static_cast<wchar_t>(u % 2 == 1 ? u - 1 : u);
    }
    if (u >= 0x3B1 && u <= 0x3C9 && u != 0x3C2) {
        return static_cast<wchar_t>(u - 0x20);
    }
    if (u >= 0x430 && u <= 0x44F) {
        return static_cast<wchar_t>(u - 0x20);
    }
    if (u >= 0x450 && u <= 0x45F) {
        return static_cast<wchar_t>(u - 0x50);
    }
    return c;
}

std::wstring upper(const std::wstring& text) {
    std::wstring result = text;
    for (auto& c : result) {
        c = upperChar(c);
    }
    return result;
}

bool sameName(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && upper(a) == upper(b);
}

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

bool isShortChar(wchar_t c) {
    const auto u = static_cast<std::uint32_t>(c);
    if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z')) {
        return true;
    }
    return u < 0x80 && u != 0 && std::wcschr(L"!#$%&'()-@^_`{}~", c) != nullptr;
}

bool allShortChars(const std::wstring& text) {
    return std::all_of(text.begin(), text.end(), isShortChar);
}

// Upper case, without spaces and dots; characters DOS names cannot hold become '_'.
std::wstring cleanForShortName(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L' ' || c == L'.') {
            continue;
        }
        out += isShortChar(c) ? upperChar(c) : L'_';
    }
    return out;
}

} // namespace

bool fitsShortName(const std::wstring& name) {
    const auto dot = name.find(L'.');
    const std::wstring base = name.substr(0, dot);
    const std::wstring ext = dot == std::wstring::npos ? std::wstring() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3) {
        return false;
    }
    if (dot != std::wstring::npos && (ext.empty() || ext.find(L'.') != std::wstring::npos)) {
        return false;
    }
    return allShortChars(base) && allShortChars(ext);
}

std::wstring makeShortName(const std::wstring& longName, const TNode& folder) {
    std::wstring body = longName;
    body.erase(0, body.find_first_not_of(L'.'));
    const auto lastDot = body.rfind(L'.');
    std::wstring base = cleanForShortName(body.substr(0, lastDot));
    const std::wstring ext = lastDot == std::wstring::npos
                                 ? std::wstring()
                                 : cleanForShortName(body.substr(lastDot + 1)).substr(0, 3);
    if (base.empty()) {
        base = L"_";
    }
    auto withExtension = [&ext](std::wstring name) { return ext.empty() ? name : name + L"." + ext; };
    // NAME~1 to NAME~4 first; then, as Windows does, two characters and a hash of the long name.
    for (unsigned n = 1; n <= 4; ++n) {
        const std::wstring candidate = withExtension(base.substr(0, 6) + L"~" + std::to_wstring(n));
        if (!folder.nameTaken(candidate)) {
            return candidate;
        }
    }
    std::uint32_t hash = 0;
    for (wchar_t c : longName) {
        hash = hash * 31 + static_cast<std::uint32_t>(c);
    }
    for (;; ++hash) {
        wchar_t hex[5];
        for (int i = 0; i < 4; ++i) {
            hex[i] = L"0123456789ABCDEF"[(hash >> (12 - 4 * i)) & 0xF];
        }
        hex[4] = L'\0';
        for (unsigned n = 1; n <= 9; ++n) {
            const std::wstring candidate = withExtension(base.substr(0, 2) + hex + L"~" + std::to_wstring(n));
            if (!folder.nameTaken(candidate)) {
                return candidate;
            }
        }
    }
}

namespace {

// The DOS wildcards the Win32 layer turns a mask into before the file system matches it.
constexpr wchar_t kDosStar = L'<'; // any characters up to the last dot of the name
constexpr wchar_t kDosQm = L'>';   // one character; at a dot or the end, the rest of a run of them
constexpr wchar_t kDosDot = L'"';  // a dot, or nothing at the end of the name

std::wstring toExpression(const std::wstring& mask) {
    if (mask == L"*.*") {
        return L"*";
    }
    std::wstring expression;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        const wchar_t c = mask[i];
        const wchar_t next = i + 1 < mask.size() ? mask[i + 1] : L'\0';
        if (c == L'?') {
            expression += kDosQm;
        } else if (c == L'*' && next == L'.') {
            expression += kDosStar;
        } else if (c == L'.' && (next == L'?' || next == L'*' || next == L'\0')) {
            expression += kDosDot;
        } else {
            expression += upperChar(c);
        }
    }
    return expression;
}

class TMatcher {
public:
    TMatcher(const std::wstring& expression, const std::wstring& name)
        : FExpr(expression), FName(upper(name)), FLastDot(FName.rfind(L'.')),
          FMemo((expression.size() + 1) * (name.size() + 1), -1) {}

    bool match(std::size_t e, std::size_t n) {
        signed char& memo = FMemo[e * (FName.size() + 1) + n];
        if (memo < 0) {
            memo = compute(e, n) ? 1 : 0;
        }
        return memo == 1;
    }

private:
    bool compute(std::size_t e, std::size_t n) {
        const std::size_t nameEnd = FName.size();
        if (e == FExpr.size()) {
            return n == nameEnd;
        }
        const wchar_t c = FExpr[e];
        if (c == L'*') {
            return match(e + 1, n) || (n < nameEnd && match(e, n + 1));
        }
        if (c == kDosStar) {
            const bool mayTake = n < nameEnd && (FLastDot == std::wstring::npos || n < FLastDot);
            return match(e + 1, n) || (mayTake && match(e, n + 1));
        }
        if (c == kDosQm) {
            if (n == nameEnd || FName[n] == L'.') {
                std::size_t after = e;
                while (after < FExpr.size() && FExpr[after] == kDosQm) {
                    ++after;
                }
                return match(after, n);
            }
            return match(e + 1, n + 1);
        }
        if (c == kDosDot) {
            if (n == nameEnd) {
                return match(e + 1, n);
            }
            return FName[n] == L'.' && match(e + 1, n + 1);
        }
        return n < nameEnd && FName[n] == c && match(e + 1, n + 1);
    }

    const std::wstring& FExpr;
    const std::wstring FName;
    const std::size_t FLastDot;
    std::vector<signed char> FMemo;
};

} // namespace

bool matchesMask(const std::wstring& mask, const std::wstring& name) {
    const std::wstring expression = toExpression(mask);
    return TMatcher(expression, name).match(0, 0);
}

std::string utf16Bytes(const std::wstring& text) {
    std::string bytes;
    auto put = [&bytes](std::uint32_t unit) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>((unit >> 8) & 0xFF);
    };
    for (wchar_t c : text) {
        if constexpr (sizeof(wchar_t) == 2) {
            put(static_cast<std::uint16_t>(c));
        } else {
            const auto u = static_cast<std::uint32_t>(c);
            if (u > 0xFFFF) {
                put(0xD800 + ((u - 0x10000) >> 10));
                put(0xDC00 + ((u - 0x10000) & 0x3FF));
            } else {
                put(u);
            }
        }
    }
    return bytes;
}

FILETIME currentFileTime() {
    constexpr std::uint64_t kUnixEpochIn1601 = 116444736000000000ULL;
    const auto since1970 = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count();
    const std::uint64_t ticks = kUnixEpochIn1601 + static_cast<std::uint64_t>(since1970) * 10;
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
}

// ---- Paths.

namespace {

TPath pathError(DWORD error) {
    TPath path;
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
bool splitStream(std::wstring& component, TPath& path) {
    const auto colon = component.find(L':');
    if (colon == std::wstring::npos) {
        return true;
    }
    const std::wstring suffix = component.substr(colon + 1);
    component.erase(colon);
    const auto typeColon = suffix.find(L':');
    const std::wstring streamName = suffix.substr(0, typeColon);
    if (typeColon != std::wstring::npos) {
        if (upper(suffix.substr(typeColon + 1)) != L"$DATA") {
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

TPath parsePath(const wchar_t* text) {
    if (text == nullptr) {
        return pathError(ERROR_PATH_NOT_FOUND);
    }
    std::wstring s(text);
    std::replace(s.begin(), s.end(), L'/', L'\\');
    const bool verbatim = s.rfind(L"\\\\?\\", 0) == 0;
    if (verbatim) {
        s.erase(0, 4);
    }
    const bool letter =
        s.size() >= 2 && s[1] == L':' && ((s[0] >= L'A' && s[0] <= L'Z') || (s[0] >= L'a' && s[0] <= L'z'));
    if (!letter || (s.size() > 2 && s[2] != L'\\')) {
        return pathError(ERROR_PATH_NOT_FOUND); // relative, drive-relative and UNC paths are not modelled
    }
    TPath path;
    path.drive = upperChar(s[0]);
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

std::wstring pathText(const TPath& path) {
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

} // namespace plat::store::detail
