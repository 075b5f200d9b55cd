#include "platform/shell/TestShell.h"

#include "platform/FileServices.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwctype>

namespace plat {

namespace {

constexpr std::uint32_t kBlockMagic = 0x4B565649; // marks a version block made by this double
constexpr std::size_t kEntryHeaderSize = 16;

std::wstring lowerCase(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    }
    return text;
}

// "\VarFileInfo\Translation\" and "\varfileinfo\translation" name the same value.
std::wstring normalizeSubBlock(const std::wstring& subBlock) {
    std::wstring normalized;
    std::size_t start = 0;
    while (start <= subBlock.size()) {
        std::size_t end = subBlock.find(L'\\', start);
        if (end == std::wstring::npos) {
            end = subBlock.size();
        }
        if (end > start) {
            normalized += L'\\' + subBlock.substr(start, end - start);
        }
        start = end + 1;
    }
    return normalized.empty() ? L"\\" : lowerCase(normalized);
}

std::size_t padded(std::size_t size) {
    return (size + 7) / 8 * 8;
}

void put32(std::vector<BYTE>& block, std::size_t offset, std::uint32_t value) {
    std::memcpy(block.data() + offset, &value, sizeof(value));
}

std::uint32_t get32(const BYTE* bytes) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes, sizeof(value));
    return value;
}

template <typename T> std::vector<BYTE> bytesOf(const T* values, std::size_t count) {
    std::vector<BYTE> bytes(count * sizeof(T));
    std::memcpy(bytes.data(), values, bytes.size());
    return bytes;
}

std::wstring extensionOf(const std::wstring& path) {
    const std::size_t dot = path.find_last_of(L".\\:");
    return dot != std::wstring::npos && path[dot] == L'.' ? lowerCase(path.substr(dot)) : std::wstring();
}

} // namespace

void TTestShell::setExtensionIcon(const std::wstring& extension, int index) {
    FExtensionIcons[lowerCase(extension)] = index;
}

void TTestShell::setFixedVersion(const std::wstring& file, WORD major, WORD minor, WORD release, WORD build) {
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = 0xFEEF04BD;
    fixed.dwStrucVersion = 0x00010000;
    fixed.dwFileVersionMS = (DWORD(major) << 16) | minor;
    fixed.dwFileVersionLS = (DWORD(release) << 16) | build;
    fixed.dwProductVersionMS = fixed.dwFileVersionMS;
    fixed.dwProductVersionLS = fixed.dwFileVersionLS;
    FVersionInfo[file][L"\\"] = {bytesOf(&fixed, 1), sizeof(fixed)};
}

void TTestShell::setTranslation(const std::wstring& file, WORD language, WORD codePage) {
    const WORD translation[2] = {language, codePage};
    FVersionInfo[file][normalizeSubBlock(L"\\VarFileInfo\\Translation")] = {bytesOf(translation, 2), 4};
}

void TTestShell::setVersionString(const std::wstring& file, const std::wstring& subBlock,
                                  const std::wstring& text) {
    // Like the system: the text with its terminator, the length in characters.
    FVersionInfo[file][normalizeSubBlock(subBlock)] = {bytesOf(text.c_str(), text.size() + 1),
                                                       static_cast<UINT>(text.size() + 1)};
}

void TTestShell::setResource(const std::wstring& type, const std::wstring& name, std::vector<BYTE> bytes) {
    FResources[{lowerCase(type), lowerCase(name)}] = std::move(bytes);
}

std::wstring TTestShell::formatShortDate(const SYSTEMTIME& time) {
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"%02u/%02u/%04u", unsigned(time.wDay), unsigned(time.wMonth),
                  unsigned(time.wYear));
    return text;
}

std::wstring TTestShell::formatLongTime(const SYSTEMTIME& time) {
    wchar_t text[32] = {};
    std::swprintf(text, 32, L"%02u:%02u:%02u", unsigned(time.wHour), unsigned(time.wMinute),
                  unsigned(time.wSecond));
    return text;
}

std::wstring TTestShell::ansiToWide(const BYTE* bytes, std::size_t count) {
    std::wstring text(count, L'\0');
    for (std::size_t i = 0; i < count; ++i) {
        text[i] = static_cast<wchar_t>(bytes[i]);
    }
    return text;
}

std::uintptr_t TTestShell::SHGetFileInfoW(const wchar_t* path, DWORD attributes, SHFILEINFOW* info,
                                          UINT infoSize, UINT flags) {
    if (info == nullptr || infoSize < sizeof(SHFILEINFOW) || (flags & SHGFI_SYSICONINDEX) == 0) {
        return 0;
    }
    const std::wstring name = path;
    bool folder = false;
    if ((flags & SHGFI_USEFILEATTRIBUTES) != 0) {
        folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    } else {
        const DWORD found = files().GetFileAttributesW(path);
        if (found == INVALID_FILE_ATTRIBUTES) {
            return 0; // the shell looks at the real item, and there is none
        }
        folder = (found & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
    if (folder) {
        info->iIcon = FFolderIcon;
    } else {
        const auto icon = FExtensionIcons.find(extensionOf(name));
        info->iIcon = icon != FExtensionIcons.end() ? icon->second : FDefaultFileIcon;
    }
    return 1; // stands for the system image list
}

std::vector<BYTE> TTestShell::serialize(const TVersionInfo& info) const {
    std::size_t size = 8;
    for (const auto& [key, value] : info) {
        size += kEntryHeaderSize + padded(key.size() * sizeof(wchar_t)) + padded(value.bytes.size());
    }
    std::vector<BYTE> block(size, 0);
    put32(block, 0, kBlockMagic);
    put32(block, 4, static_cast<std::uint32_t>(info.size()));
    std::size_t offset = 8;
    for (const auto& [key, value] : info) {
        put32(block, offset, static_cast<std::uint32_t>(key.size()));
        put32(block, offset + 4, static_cast<std::uint32_t>(value.bytes.size()));
        put32(block, offset + 8, value.reportedLength);
        offset += kEntryHeaderSize;
        std::memcpy(block.data() + offset, key.data(), key.size() * sizeof(wchar_t));
        offset += padded(key.size() * sizeof(wchar_t));
        std::memcpy(block.data() + offset, value.bytes.data(), value.bytes.size());
        offset += padded(value.bytes.size());
    }
    return block;
}

DWORD TTestShell::GetFileVersionInfoSizeW(const wchar_t* file, DWORD* handle) {
    if (handle != nullptr) {
        *handle = 0;
    }
    const auto info = FVersionInfo.find(file);
    return info == FVersionInfo.end() ? 0 : static_cast<DWORD>(serialize(info->second).size());
}

BOOL TTestShell::GetFileVersionInfoW(const wchar_t* file, DWORD, DWORD size, void* data) {
    const auto info = FVersionInfo.find(file);
    if (info == FVersionInfo.end() || data == nullptr) {
        return FALSE;
    }
    const std::vector<BYTE> block = serialize(info->second);
    if (size < block.size()) {
        return FALSE;
    }
    std::memcpy(data, block.data(), block.size());
    return TRUE;
}

BOOL TTestShell::VerQueryValueW(const void* block, const wchar_t* subBlock, void** buffer, UINT* length) {
    const BYTE* bytes = static_cast<const BYTE*>(block);
    if (bytes == nullptr || subBlock == nullptr || get32(bytes) != kBlockMagic) {
        return FALSE;
    }
    const std::wstring wanted = normalizeSubBlock(subBlock);
    const std::uint32_t count = get32(bytes + 4);
    std::size_t offset = 8;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t keyUnits = get32(bytes + offset);
        const std::uint32_t valueBytes = get32(bytes + offset + 4);
        const std::uint32_t reportedLength = get32(bytes + offset + 8);
        offset += kEntryHeaderSize;
        std::wstring key(keyUnits, L'\0');
        std::memcpy(key.data(), bytes + offset, keyUnits * sizeof(wchar_t));
        offset += padded(keyUnits * sizeof(wchar_t));
        if (key == wanted) {
            *buffer = const_cast<BYTE*>(bytes + offset);
            *length = reportedLength;
            return TRUE;
        }
        offset += padded(valueBytes);
    }
    return FALSE;
}

DWORD TTestShell::GetModuleFileNameW(wchar_t* buffer, DWORD size) {
    if (size == 0) {
        return 0;
    }
    // Like the system: a name too long is cut and the full buffer size returned.
    const std::size_t copied = std::min<std::size_t>(FModuleFileName.size(), size - 1);
    std::copy_n(FModuleFileName.data(), copied, buffer);
    buffer[copied] = L'\0';
    return FModuleFileName.size() < size ? static_cast<DWORD>(copied) : size;
}

std::vector<BYTE> TTestShell::loadResource(const wchar_t* type, const wchar_t* name, bool* found) {
    const auto resource = FResources.find({lowerCase(type), lowerCase(name)});
    if (found != nullptr) {
        *found = resource != FResources.end();
    }
    return resource != FResources.end() ? resource->second : std::vector<BYTE>();
}

} // namespace plat
