#include "platform/store/StoreModel.h"

#include "ntfs/NtfsUpcase.h"
#include "platform/Wildcard.h"

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

void TNode::insertStream(const std::shared_ptr<TData>& stream) {
    const auto place =
        std::upper_bound(streams.begin(), streams.end(), stream, [](const auto& a, const auto& b) {
            return ::ntfs::compareNtfsNames(a->name, b->name) < 0;
        });
    streams.insert(place, stream);
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

wchar_t upperChar(wchar_t c) {
    return ::ntfs::ntfsUpper(c);
}

std::wstring upper(const std::wstring& text) {
    return ::ntfs::ntfsUpper(text);
}

bool sameName(const std::wstring& a, const std::wstring& b) {
    return a.size() == b.size() && upper(a) == upper(b);
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

bool matchesMask(const std::wstring& mask, const std::wstring& name) {
    return matchesUpperMask(upper(mask), upper(name));
}

FILETIME currentFileTime() {
    constexpr std::uint64_t kUnixEpochIn1601 = 116444736000000000ULL;
    const auto since1970 = std::chrono::duration_cast<std::chrono::microseconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count();
    const std::uint64_t ticks = kUnixEpochIn1601 + static_cast<std::uint64_t>(since1970) * 10;
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
}

} // namespace plat::store::detail
