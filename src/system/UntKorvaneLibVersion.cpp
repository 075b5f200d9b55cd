// Version information and embedded pictures of the program's own file.

#include "system/UntKorvaneLib.h"

#include "platform/FileServices.h"
#include "platform/ShellServices.h"
#include "platform/WinPath.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <stdexcept>

using namespace plat;

namespace {

// The file's whole version-information block, empty when it has none or it cannot be read.
std::vector<BYTE> readVersionBlock(const std::wstring& file) {
    DWORD handle = 0;
    const DWORD size = shell().GetFileVersionInfoSizeW(file.c_str(), &handle);
    if (size == 0) {
        return {};
    }
    std::vector<BYTE> block(size);
    if (!shell().GetFileVersionInfoW(file.c_str(), handle, size, block.data())) {
        return {};
    }
    return block;
}

std::wstring hex4(unsigned value) {
    wchar_t text[8] = {};
    std::swprintf(text, 8, L"%.4x", value & 0xFFFFu);
    return text;
}

DWORD hiWord(DWORD value) {
    return (value >> 16) & 0xFFFF;
}

DWORD loWord(DWORD value) {
    return value & 0xFFFF;
}

std::uint32_t readBigEndian32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return (static_cast<std::uint32_t>(bytes[offset]) << 24) |
           (static_cast<std::uint32_t>(bytes[offset + 1]) << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 2]) << 8) |
           static_cast<std::uint32_t>(bytes[offset + 3]);
}

// Reads the picture's size from its header chunk; throws when the bytes are not a PNG picture.
void decodePng(TPngPicture& picture, std::vector<std::uint8_t> bytes) {
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    // Signature, then the first chunk: length, "IHDR", width, height (big-endian).
    if (bytes.size() < 24 || std::memcmp(bytes.data(), kSignature, 8) != 0 ||
        std::memcmp(bytes.data() + 12, "IHDR", 4) != 0) {
        throw std::runtime_error("the resource is not a PNG picture");
    }
    const std::uint32_t width = readBigEndian32(bytes, 16);
    const std::uint32_t height = readBigEndian32(bytes, 20);
    if (width == 0 || height == 0 || width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
        throw std::runtime_error("the PNG picture has no valid size");
    }
    picture.width = static_cast<int>(width);
    picture.height = static_cast<int>(height);
    picture.bytes = std::move(bytes);
}

} // namespace

std::wstring getFileVersionText(const std::wstring& file) {
    const std::vector<BYTE> block = readVersionBlock(file);
    if (block.empty()) {
        return {};
    }
    void* value = nullptr;
    UINT length = 0;
    if (!shell().VerQueryValueW(block.data(), L"\\", &value, &length) || value == nullptr ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        return {};
    }
    VS_FIXEDFILEINFO fixed{};
    std::memcpy(&fixed, value, sizeof(fixed));
    wchar_t text[64] = {};
    std::swprintf(text, 64, L"v%d.%d.%d build %d", static_cast<int>(hiWord(fixed.dwFileVersionMS)),
                  static_cast<int>(loWord(fixed.dwFileVersionMS)),
                  static_cast<int>(hiWord(fixed.dwFileVersionLS)),
                  static_cast<int>(loWord(fixed.dwFileVersionLS)));
    return text;
}

void readVersionData(const std::wstring& file, TEXEVersionData& record) {
    const DWORD attributes = files().GetFileAttributesW(exactPath(file).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return;
    }
    const std::vector<BYTE> block = readVersionBlock(file);
    if (block.empty()) {
        return;
    }
    void* value = nullptr;
    UINT length = 0;
    if (!shell().VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &value, &length) ||
        value == nullptr || length < 4) {
        return;
    }
    WORD translation[2] = {};
    std::memcpy(translation, value, sizeof(translation));
    const std::wstring prefix = L"\\StringFileInfo\\" + hex4(translation[0]) + hex4(translation[1]) + L"\\";

    const std::pair<const wchar_t*, std::wstring TEXEVersionData::*> fields[] = {
        {L"CompanyName", &TEXEVersionData::CompanyName},
        {L"FileDescription", &TEXEVersionData::FileDescription},
        {L"FileVersion", &TEXEVersionData::FileVersion},
        {L"InternalName", &TEXEVersionData::InternalName},
        {L"LegalCopyright", &TEXEVersionData::LegalCopyright},
        {L"LegalTrademarks", &TEXEVersionData::LegalTrademarks},
        {L"OriginalFileName", &TEXEVersionData::OriginalFileName},
        {L"ProductName", &TEXEVersionData::ProductName},
        {L"ProductVersion", &TEXEVersionData::ProductVersion},
        {L"Comments", &TEXEVersionData::Comments},
        {L"PrivateBuild", &TEXEVersionData::PrivateBuild},
        {L"SpecialBuild", &TEXEVersionData::SpecialBuild},
    };
    for (const auto& [subBlock, field] : fields) {
        value = nullptr;
        length = 0;
        const std::wstring query = prefix + subBlock;
        if (shell().VerQueryValueW(block.data(), query.c_str(), &value, &length) && value != nullptr) {
            // The length counts characters, the terminator included when there is one.
            const wchar_t* text = static_cast<const wchar_t*>(value);
            std::wstring copied(text, length);
            copied.resize(std::wcslen(copied.c_str()));
            record.*field = std::move(copied);
        }
    }
}

std::unique_ptr<TPngPicture> loadPngResource(const std::wstring& name) {
    bool found = false;
    std::vector<BYTE> bytes = shell().loadResource(L"KORVANE_IMAGES", name.c_str(), &found);
    if (!found) {
        throw std::runtime_error("missing picture resource");
    }
    auto picture = std::make_unique<TPngPicture>();
    if (!bytes.empty()) {
        decodePng(*picture, std::move(bytes));
    }
    return picture;
}
