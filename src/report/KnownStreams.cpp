#include "report/KnownStreams.h"

#include <string>

namespace report {

namespace {

using enum TKnownContent;

// clang-format off
constexpr TKnownStream kKnownStreams[] = {
    {L"Zone.Identifier", false, "download-mark", "Download mark",
     "Browsers, mail programs and archivers (Windows' attachment manager), on what they save from elsewhere",
     downloadMark, 64 * 1024},
    {L"SmartScreen", false, "smartscreen", "SmartScreen mark",
     "Microsoft Edge, on downloads its SmartScreen filter has checked", shortText, 4096},
    {L"WofCompressedData", false, "wof-compressed", "System file compression",
     "Windows' overlay filter (Compact OS, compact /EXE): the file's data, compressed", anyData},
    {L"$CI.CATALOGCACHE", false, "ci-catalog-cache", "Code integrity cache",
     "Windows Code Integrity, remembering a file's signature check", anyData},
    {L"$KERNEL.PURGE.", true, "kernel-purge-cache", "Kernel cache",
     "The Windows kernel (App Control, AppX): caches dropped when the file changes", anyData},
    {L"encryptable", false, "encryptable", "Thumbnail cache marker",
     "Windows Explorer, on its thumbnail caches (Thumbs.db)", anyData, 16},
    {L"favicon", false, "favicon", "Web site icon",
     "Internet Explorer, on the shortcuts of its favourites", picture, 1024 * 1024},
    {L"ms-properties", false, "ms-properties", "Windows property store",
     "The Windows property system, for properties a file's own format cannot hold", propertyStore},
    {L"{4c8cc155-6c1e-11d1-8e41-00c04fb9386d}", false, "property-set-storage", "Property set storage",
     "NTFS's storage of document properties (the Summary tab of Windows 2000 and XP)", propertySet},
    {L"\x05", true, "property-set", "Document properties",
     "OLE property sets such as SummaryInformation, kept beside files of any format", propertySet},
    {L"OECustomProperty", false, "outlook-express", "Outlook Express property",
     "Outlook Express, on the mail it keeps", anyData},
    {L"AFP_AfpInfo", false, "afp-info", "Mac file information",
     "Services for Macintosh and SMB file servers, for Mac clients' Finder information", afpInfo, 1024},
    {L"AFP_Resource", false, "afp-resource", "Mac resource fork",
     "Services for Macintosh and SMB file servers, for Mac clients' resource forks", anyData},
    {L"com.apple.", true, "apple-metadata", "macOS metadata",
     "macOS, copying files to a Windows share (quarantine, Finder information, where from)", anyData},
    {L"com.dropbox.attrs", false, "dropbox-attributes", "Dropbox sync tag",
     "The Dropbox client, on the files it syncs", anyData},
    {L"com.dropbox.attributes", false, "dropbox-attributes", "Dropbox sync tag",
     "The Dropbox client, on the files it syncs", anyData},
    {L"KAVICHS", false, "antivirus-tag", "Antivirus check tag",
     "Kaspersky anti-virus, marking files already checked (iChecker)", anyData},
};
// clang-format on

wchar_t lowerAscii(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool sameNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

bool matches(const TKnownStream& known, std::wstring_view name) {
    if (known.prefix) {
        return name.size() > known.name.size() && sameNoCase(name.substr(0, known.name.size()), known.name);
    }
    return sameNoCase(name, known.name);
}

// Characters that show as nothing, or as a blank.
bool invisible(wchar_t c) {
    const auto u = static_cast<std::uint32_t>(c);
    return u < 0x20 || u == 0x7F || u == 0x20 || u == 0xA0 || u == 0xAD || u == 0x34F || u == 0x115F ||
           u == 0x1160 || u == 0x1680 || u == 0x180E || (u >= 0x2000 && u <= 0x200F) ||
           (u >= 0x2028 && u <= 0x202F) || (u >= 0x205F && u <= 0x2064) || u == 0x3000 || u == 0x3164 ||
           u == 0xFEFF || u == 0xFFA0;
}

// A letter as it looks: the Cyrillic and Greek letters that look Latin, and the digits and marks that
// look like letters, become those letters, lower case.
wchar_t looks(wchar_t c) {
    struct TLook {
        std::uint32_t from;
        wchar_t to;
    };
    static constexpr TLook looksLike[] = {
        {0x0430, L'a'}, {0x0410, L'a'}, {0x0412, L'b'}, {0x0435, L'e'}, {0x0415, L'e'}, {0x041A, L'k'},
        {0x041C, L'm'}, {0x041D, L'h'}, {0x043E, L'o'}, {0x041E, L'o'}, {0x0440, L'p'}, {0x0420, L'p'},
        {0x0441, L'c'}, {0x0421, L'c'}, {0x0422, L't'}, {0x0443, L'y'}, {0x0445, L'x'}, {0x0425, L'x'},
        {0x0455, L's'}, {0x0456, L'i'}, {0x0406, L'i'}, {0x0458, L'j'}, {0x03BF, L'o'}, {0x039F, L'o'},
        {0x03B1, L'a'}, {0x0391, L'a'}, {0x0399, L'i'}, {0x03B9, L'i'}, {0x0395, L'e'}, {0x0396, L'z'},
        {0x039D, L'n'}, {0x03BD, L'v'}, {0x0131, L'i'}, {L'0', L'o'},   {L'1', L'i'},   {L'l', L'i'},
        {L'|', L'i'},   {L'!', L'i'},   {0x2024, L'.'}, {0xFF0E, L'.'}, {0x3002, L'.'}};
    c = lowerAscii(c);
    for (const TLook& look : looksLike) {
        if (static_cast<std::uint32_t>(c) == look.from) {
            return look.to;
        }
    }
    return c;
}

// The name as it shows: invisible characters out, trailing dots and blanks out, look-alikes folded.
std::wstring shownForm(std::wstring_view name) {
    std::wstring out;
    for (const wchar_t c : name) {
        if (!invisible(c) || c == L'\x05') {
            out += looks(c);
        }
    }
    while (!out.empty() && out.back() == L'.') {
        out.pop_back();
    }
    return out;
}

} // namespace

std::span<const TKnownStream> knownStreams() {
    return kKnownStreams;
}

const TKnownStream* findKnownStream(std::wstring_view name) {
    for (const TKnownStream& known : kKnownStreams) {
        if (matches(known, name)) {
            return &known;
        }
    }
    return nullptr;
}

const TKnownStream* lookalikeKnownStream(std::wstring_view name) {
    if (findKnownStream(name) != nullptr) {
        return nullptr;
    }
    const std::wstring shown = shownForm(name);
    for (const TKnownStream& known : kKnownStreams) {
        const std::wstring knownShown = shownForm(known.name);
        if (known.prefix ? (shown.size() > knownShown.size() && shown.starts_with(knownShown))
                         : shown == knownShown) {
            return &known;
        }
    }
    return nullptr;
}

bool looksEmptyName(std::wstring_view name) {
    for (const wchar_t c : name) {
        if (!invisible(c)) {
            return false;
        }
    }
    return true;
}

bool looksLikeSystemName(std::wstring_view name) {
    std::size_t start = 0;
    while (start < name.size() && invisible(name[start])) {
        ++start;
    }
    return start < name.size() && (name[start] == L'$' || name[start] == 0xFF04) &&
           findKnownStream(name) == nullptr;
}

} // namespace report
