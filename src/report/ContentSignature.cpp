#include "report/ContentSignature.h"

#include "report/TextEncoding.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

namespace report {

namespace {

// A run of base64 characters at least this long makes text "base64-like".
constexpr std::size_t kBase64Run = 256;
// ZIP entries looked at for what the archive holds.
constexpr int kZipEntries = 256;

std::uint32_t u8(std::string_view b, std::size_t at) {
    return static_cast<unsigned char>(b[at]);
}
std::uint32_t le16(std::string_view b, std::size_t at) {
    return u8(b, at) | (u8(b, at + 1) << 8);
}
std::uint32_t le32(std::string_view b, std::size_t at) {
    return le16(b, at) | (le16(b, at + 2) << 16);
}
std::uint32_t be16(std::string_view b, std::size_t at) {
    return (u8(b, at) << 8) | u8(b, at + 1);
}
std::uint32_t be32(std::string_view b, std::size_t at) {
    return (be16(b, at) << 16) | be16(b, at + 2);
}

bool startsWith(std::string_view b, std::string_view prefix) {
    return b.substr(0, prefix.size()) == prefix;
}

TContentKind kind(std::string id, std::string text, TContentClass cls) {
    return TContentKind{std::move(id), std::move(text), cls};
}

// ---- Programs.

std::string peMachine(std::uint32_t machine) {
    switch (machine) {
    case 0x14C:
        return "x86";
    case 0x8664:
        return "x64";
    case 0xAA64:
        return "ARM64";
    case 0x1C0:
    case 0x1C4:
        return "ARM";
    case 0x200:
        return "Itanium";
    case 0xEBC:
        return "EFI byte code";
    default: {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "machine 0x%04X", static_cast<unsigned>(machine));
        return buffer;
    }
    }
}

std::optional<TContentKind> windowsProgram(std::string_view b) {
    if (!startsWith(b, "MZ") || b.size() < 0x40) {
        return std::nullopt;
    }
    const std::uint32_t peAt = le32(b, 0x3C);
    if (peAt <= b.size() - 24 && b.substr(peAt, 4) == std::string_view("PE\0\0", 4)) {
        const std::uint32_t machine = le16(b, peAt + 4);
        const std::uint32_t characteristics = le16(b, peAt + 22);
        std::uint32_t subsystem = 0;
        const std::size_t subsystemAt = std::size_t{peAt} + 24 + 68;
        if (subsystemAt + 2 <= b.size()) {
            subsystem = le16(b, subsystemAt);
        }
        const std::string arch = " (" + peMachine(machine) + ")";
        if ((characteristics & 0x2000) != 0) {
            return kind("pe-dll", "Windows library, DLL" + arch, TContentClass::code);
        }
        if (subsystem == 1) {
            return kind("pe-driver", "Windows driver" + arch, TContentClass::code);
        }
        if (subsystem >= 10 && subsystem <= 13) {
            return kind("pe-efi", "EFI program" + arch, TContentClass::code);
        }
        return kind("pe-exe", "Windows program" + arch, TContentClass::code);
    }
    // A DOS header holds zeros; text that happens to start with "MZ" does not.
    if (b.substr(2, 62).find('\0') == std::string_view::npos) {
        return std::nullopt;
    }
    if (peAt > b.size() - 24) {
        return kind("pe-exe", "Windows program (header past what was read)", TContentClass::code);
    }
    return kind("dos-exe", "MS-DOS program", TContentClass::code);
}

std::string elfMachine(std::uint32_t machine) {
    switch (machine) {
    case 3:
        return "x86";
    case 62:
        return "x86-64";
    case 40:
        return "ARM";
    case 183:
        return "ARM64";
    case 243:
        return "RISC-V";
    default:
        return "machine " + std::to_string(machine);
    }
}

std::optional<TContentKind> otherProgram(std::string_view b) {
    if (startsWith(b, "\x7F"
                      "ELF") &&
        b.size() >= 20) {
        const bool little = u8(b, 5) != 2;
        const std::uint32_t type = little ? le16(b, 16) : be16(b, 16);
        const std::uint32_t machine = little ? le16(b, 18) : be16(b, 18);
        const std::string what = type == 3   ? "Linux or Unix library or program"
                                 : type == 1 ? "Linux or Unix object file"
                                 : type == 4 ? "Linux or Unix core dump"
                                             : "Linux or Unix program";
        return kind("elf", what + " (ELF, " + elfMachine(machine) + ")", TContentClass::code);
    }
    if (b.size() >= 8) {
        const std::uint32_t magic = be32(b, 0);
        if (magic == 0xFEEDFACE || magic == 0xCEFAEDFE || magic == 0xFEEDFACF || magic == 0xCFFAEDFE) {
            return kind("macho", "Mac program (Mach-O)", TContentClass::code);
        }
        if (magic == 0xCAFEBABE) {
            // A universal Mach-O counts its architectures here; a Java class has its version (45 and up).
            if (be32(b, 4) < 45) {
                return kind("macho", "Mac program (Mach-O, universal)", TContentClass::code);
            }
            return kind("java-class", "Java class", TContentClass::code);
        }
    }
    static constexpr std::string_view lnk("\x4C\0\0\0\x01\x14\x02\0\0\0\0\0\xC0\0\0\0\0\0\0\x46", 20);
    if (startsWith(b, lnk)) {
        return kind("lnk", "Windows shortcut (LNK)", TContentClass::code);
    }
    if (startsWith(b, "#@~^")) {
        return kind("script-encoded", "Encoded script (VBScript.Encode or JScript.Encode)",
                    TContentClass::code);
    }
    return std::nullopt;
}

// ---- Archives and documents.

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    text = text.substr(text.size() - suffix.size());
    for (std::size_t i = 0; i < suffix.size(); ++i) {
        const char c = (text[i] >= 'A' && text[i] <= 'Z') ? static_cast<char>(text[i] + 32) : text[i];
        if (c != suffix[i]) {
            return false;
        }
    }
    return true;
}

TContentKind zipArchive(std::string_view b) {
    bool contentTypes = false;
    bool macros = false;
    bool javaClasses = false;
    std::string office; // the part folder that names the application
    std::size_t at = 0;
    for (int entries = 0; entries < kZipEntries && at <= b.size() && b.size() - at >= 30; ++entries) {
        if (b.substr(at, 4) != "PK\x03\x04") {
            break;
        }
        const std::uint32_t flags = le16(b, at + 6);
        const std::uint32_t packed = le32(b, at + 18);
        const std::size_t nameLength = le16(b, at + 26);
        const std::size_t extraLength = le16(b, at + 28);
        const std::string_view name = b.substr(at + 30, nameLength);
        if (name == "[Content_Types].xml") {
            contentTypes = true;
        } else if (name.starts_with("word/") || name.starts_with("xl/") || name.starts_with("ppt/") ||
                   name.starts_with("visio/")) {
            office = office.empty() ? std::string(name.substr(0, name.find('/'))) : office;
        }
        if (endsWithNoCase(name, "vbaproject.bin")) {
            macros = true;
        }
        if (name == "META-INF/MANIFEST.MF" || endsWithNoCase(name, ".class") || name == "classes.dex") {
            javaClasses = true;
        }
        if (name == "mimetype") {
            const std::string_view type =
                b.substr(std::min(b.size(), at + 30 + nameLength + extraLength), 64);
            if (type.starts_with("application/vnd.oasis.opendocument")) {
                return kind("opendocument", "OpenDocument file", TContentClass::document);
            }
            if (type.starts_with("application/epub+zip")) {
                return kind("epub", "EPUB book", TContentClass::document);
            }
        }
        if ((flags & 0x8) != 0 && packed == 0) {
            break; // the size follows the data: the next header cannot be found from here
        }
        at += 30 + nameLength + extraLength + std::size_t{packed};
    }
    if (javaClasses) {
        return kind("jar", "Java or Android program (archive)", TContentClass::code);
    }
    if (contentTypes || !office.empty()) {
        const std::string what = office == "word"    ? "Word document"
                                 : office == "xl"    ? "Excel workbook"
                                 : office == "ppt"   ? "PowerPoint presentation"
                                 : office == "visio" ? "Visio drawing"
                                                     : "Office document";
        if (macros) {
            return kind("office-macro", what + " with macros", TContentClass::code);
        }
        const std::string id = office == "word"    ? "office-word"
                               : office == "xl"    ? "office-excel"
                               : office == "ppt"   ? "office-powerpoint"
                               : office == "visio" ? "office-visio"
                                                   : "office";
        return kind(id, what + " (Office Open XML)", TContentClass::document);
    }
    return kind("zip", "ZIP archive", TContentClass::document);
}

std::optional<TContentKind> documentKind(std::string_view b) {
    struct TMagic {
        std::string_view magic;
        const char* id;
        const char* text;
    };
    using namespace std::string_view_literals;
    static const TMagic magics[] = {
        {"PK\x05\x06"sv, "zip", "ZIP archive (empty)"},
        {"Rar!\x1A\x07\x00"sv, "rar", "RAR archive"},
        {"Rar!\x1A\x07\x01\x00"sv, "rar", "RAR archive (version 5)"},
        {"7z\xBC\xAF\x27\x1C"sv, "7z", "7-Zip archive"},
        {"MSCF\0\0\0\0"sv, "cab", "Cabinet archive (CAB)"},
        {"\x1F\x8B\x08"sv, "gzip", "gzip archive"},
        {"\xFD"
         "7zXZ\0"sv,
         "xz", "xz archive"},
        {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"sv, "ole", "OLE compound file (older Office document, installer)"},
        {"%PDF-"sv, "pdf", "PDF document"},
        {"\x89PNG\r\n\x1A\n"sv, "image-png", "PNG picture"},
        {"\xFF\xD8\xFF"sv, "image-jpeg", "JPEG picture"},
        {"GIF87a"sv, "image-gif", "GIF picture"},
        {"GIF89a"sv, "image-gif", "GIF picture"},
        {"II*\0"sv, "image-tiff", "TIFF picture"},
        {"MM\0*"sv, "image-tiff", "TIFF picture"},
        {"bplist00"sv, "apple-plist", "Apple property list (binary)"},
        {"AFP\0"sv, "afp-info", "Mac file information (AFP)"},
        {"{\\rtf"sv, "rtf", "Rich Text document"},
    };
    for (const TMagic& m : magics) {
        if (startsWith(b, m.magic)) {
            return kind(m.id, m.text, TContentClass::document);
        }
    }
    if (startsWith(b, "PK\x03\x04")) {
        return zipArchive(b);
    }
    if (b.size() >= 12 && startsWith(b, "RIFF") && b.substr(8, 4) == "WEBP") {
        return kind("image-webp", "WebP picture", TContentClass::document);
    }
    // Icons and cursors: reserved 0, type 1 or 2, then a count of pictures.
    if (b.size() >= 22 && le16(b, 0) == 0 && (le16(b, 2) == 1 || le16(b, 2) == 2) && le16(b, 4) > 0 &&
        le16(b, 4) <= 256 && u8(b, 9) == 0) {
        return kind("image-ico", "Icon picture", TContentClass::document);
    }
    if (b.size() >= 26 && startsWith(b, "BM") && le32(b, 6) == 0 && le32(b, 14) >= 12 && le32(b, 14) <= 124) {
        return kind("image-bmp", "BMP picture", TContentClass::document);
    }
    // A property set (the summary information of a document): byte order FFFE, version 0 or 1, then
    // the system, the class and at least one section.
    if (b.size() >= 28 && le16(b, 0) == 0xFFFE && le16(b, 2) <= 1 && le32(b, 24) >= 1 && le32(b, 24) <= 64) {
        return kind("property-set", "Property set (document properties)", TContentClass::document);
    }
    // The Windows property store's serialised form: a size, then "1SPS".
    if (b.size() >= 8 && b.substr(4, 4) == "1SPS") {
        return kind("property-store", "Windows property store", TContentClass::document);
    }
    return std::nullopt;
}

// ---- Text.

struct TText {
    std::string utf8;
    std::string encoding;
};

bool isTextCodePoint(std::uint32_t cp) {
    return cp >= 0x20 || cp == '\t' || cp == '\n' || cp == '\r' || cp == '\f' || cp == 0x1A;
}

bool allText(std::string_view utf8) {
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::uint32_t cp = nextCodePoint(utf8, pos);
        if (!isTextCodePoint(cp) || cp == 0x7F) {
            return false;
        }
    }
    return true;
}

// How many of the bytes are valid UTF-8 when at most one character cut at the end of what was read is
// left out; nothing when they are not UTF-8.
std::optional<std::size_t> utf8Length(std::string_view b) {
    if (isValidUtf8(b)) {
        return b.size();
    }
    for (std::size_t k = 1; k <= 3 && k <= b.size(); ++k) {
        const std::uint32_t c = u8(b, b.size() - k);
        if ((c & 0xC0) == 0x80) {
            continue; // a continuation byte: the character starts further back
        }
        const std::size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        if (need > k && isValidUtf8(b.substr(0, b.size() - k))) {
            return b.size() - k;
        }
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<std::string> utf16Text(std::string_view b, bool bigEndian) {
    std::string units(b.substr(0, b.size() & ~std::size_t{1}));
    if (bigEndian) {
        for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
            std::swap(units[i], units[i + 1]);
        }
    }
    std::optional<std::string> text = strictUtf8FromUtf16Le(units);
    if (!text && units.size() >= 2) {
        text = strictUtf8FromUtf16Le(std::string_view(units).substr(0, units.size() - 2)); // a cut pair
    }
    return text;
}

std::optional<TText> asText(std::string_view b) {
    if (startsWith(b, "\xFF\xFE") || startsWith(b, "\xFE\xFF")) {
        const bool big = b[0] == '\xFE';
        std::optional<std::string> text = utf16Text(b.substr(2), big);
        if (text && allText(*text)) {
            return TText{std::move(*text), big ? "UTF-16BE" : "UTF-16LE"};
        }
        return std::nullopt;
    }
    if (startsWith(b, "\xEF\xBB\xBF")) {
        const std::optional<std::size_t> length = utf8Length(b.substr(3));
        if (length && allText(b.substr(3, *length))) {
            return TText{std::string(b.substr(3, *length)), "UTF-8"};
        }
        return std::nullopt;
    }
    // UTF-16LE without a byte-order mark: most high bytes are zero, hardly any low one is.
    if (b.size() >= 4 && b.size() % 2 == 0) {
        std::size_t zeroHigh = 0;
        std::size_t zeroLow = 0;
        for (std::size_t i = 0; i + 1 < b.size(); i += 2) {
            zeroLow += b[i] == '\0' ? 1 : 0;
            zeroHigh += b[i + 1] == '\0' ? 1 : 0;
        }
        const std::size_t units = b.size() / 2;
        if (zeroHigh * 4 >= units * 3 && zeroLow == 0) {
            std::optional<std::string> text = utf16Text(b, false);
            if (text && allText(*text)) {
                return TText{std::move(*text), "UTF-16LE"};
            }
        }
    }
    if (b.find('\0') != std::string_view::npos) {
        return std::nullopt;
    }
    if (const std::optional<std::size_t> length = utf8Length(b)) {
        const std::string_view valid = b.substr(0, *length);
        if (!allText(valid)) {
            return std::nullopt;
        }
        bool ascii = true;
        for (const char c : valid) {
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        }
        return TText{std::string(valid), ascii ? "ASCII" : "UTF-8"};
    }
    // Another code page: every byte a printable one or white space, and most of them ASCII.
    std::size_t ascii = 0;
    for (const char c : b) {
        const auto byte = static_cast<unsigned char>(c);
        if (!isTextCodePoint(byte) || byte == 0x7F) {
            return std::nullopt;
        }
        ascii += byte < 0x80 ? 1 : 0;
    }
    if (ascii * 10 < b.size() * 7) {
        return std::nullopt;
    }
    // Kept as UTF-8 (each byte as the Latin-1 character of its value), as every text here is.
    std::string utf8;
    for (const char c : b) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return TText{std::move(utf8), "ANSI code page"};
}

std::string lowered(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    }
    return out;
}

bool has(std::string_view text, std::string_view what) {
    if (what.size() < 2) {
        return text.find(what) != std::string_view::npos;
    }
    // The second character is compared before the whole marker: most first-character hits end there.
    for (std::size_t pos = text.find(what[0]);
         pos != std::string_view::npos && pos + what.size() <= text.size();
         pos = text.find(what[0], pos + 1)) {
        if (text[pos + 1] == what[1] && text.compare(pos, what.size(), what) == 0) {
            return true;
        }
    }
    return false;
}

// Whether a line starts with the token (the first one included).
bool lineStarts(std::string_view text, std::string_view token) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t start = pos;
        while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) {
            ++start;
        }
        if (start < text.size() && text[start] == token[0] && text.substr(start, token.size()) == token) {
            return true;
        }
        const std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) {
            break;
        }
        pos = end + 1;
    }
    return false;
}

struct TMarker {
    std::string_view text;
    int weight;
    bool atLineStart;
};

int score(std::string_view text, std::initializer_list<TMarker> markers) {
    int total = 0;
    for (const TMarker& m : markers) {
        if (m.atLineStart ? lineStarts(text, m.text) : has(text, m.text)) {
            total += m.weight;
        }
    }
    return total;
}

std::optional<TContentKind> scriptKind(const std::string& original) {
    std::string_view start = original;
    while (!start.empty() && (start.front() == ' ' || start.front() == '\r' || start.front() == '\n')) {
        start.remove_prefix(1);
    }
    if (start.starts_with("#!")) {
        std::string_view line = start.substr(0, start.find_first_of("\r\n"));
        if (line.size() > 48) {
            std::size_t cut = 48;
            while (cut > 0 && (u8(line, cut) & 0xC0) == 0x80) {
                --cut; // not inside a character
            }
            line = line.substr(0, cut);
        }
        return kind("script-shebang", "Script for " + std::string(line.substr(2)) + " (#!)",
                    TContentClass::code);
    }
    const std::string s = lowered(original);
    constexpr int kEnough = 2;
    if (has(s, "<hta:application")) {
        return kind("script-hta", "HTML application (HTA)", TContentClass::code);
    }
    if (start.starts_with("Windows Registry Editor Version") || start.starts_with("REGEDIT4")) {
        return kind("script-reg", "Registry changes (REG)", TContentClass::code);
    }
    const int powershell = score(s, {{"invoke-expression", 2, false},
                                     {"-encodedcommand", 2, false},
                                     {"downloadstring(", 2, false},
                                     {"downloadfile(", 2, false},
                                     {"set-executionpolicy", 2, false},
                                     {"-executionpolicy", 2, false},
                                     {"invoke-webrequest", 2, false},
                                     {"net.webclient", 2, false},
                                     {"frombase64string(", 1, false},
                                     {"iex ", 1, true},
                                     {"iex(", 1, false},
                                     {"$env:", 1, false},
                                     {"write-host", 1, false},
                                     {"write-output", 1, false},
                                     {"get-childitem", 1, false},
                                     {"start-process", 1, false},
                                     {"param(", 1, true},
                                     {"add-type", 1, false},
                                     {"$psscriptroot", 1, false},
                                     {"foreach-object", 1, false},
                                     {"where-object", 1, false},
                                     {"new-object ", 1, false},
                                     {"invoke-command", 1, false},
                                     {"[system.", 1, false}});
    if (powershell >= kEnough) {
        return kind("script-powershell", "PowerShell script", TContentClass::code);
    }
    const int wsh =
        score(s, {{"wscript.", 1, false}, {"activexobject", 2, false}, {"createobject(", 2, false}});
    const int jscript = score(s, {{"new activexobject", 2, false},
                                  {"var ", 1, true},
                                  {"function ", 1, true},
                                  {"eval(", 1, false},
                                  {"getobject(", 1, false}});
    const int vbscript = score(s, {{"createobject(", 2, false},
                                   {"on error resume next", 2, false},
                                   {"executeglobal", 2, false},
                                   {"dim ", 1, true},
                                   {"set ", 1, true},
                                   {"end sub", 1, true},
                                   {"end function", 1, true},
                                   {"msgbox", 1, false},
                                   {"getobject(", 1, false}});
    if (has(s, "<script")) {
        if (has(s, "vbscript") || has(s, "jscript") || wsh > 0) {
            return kind("script-hta", "Web page with Windows script", TContentClass::code);
        }
        return kind("script-html", "Web page with script", TContentClass::code);
    }
    if (wsh > 0 || jscript >= kEnough || vbscript >= kEnough + 1) {
        if (jscript > vbscript) {
            return kind("script-jscript", "JScript script", TContentClass::code);
        }
        if (vbscript >= kEnough) {
            return kind("script-vbscript", "VBScript script", TContentClass::code);
        }
    }
    const int batch = score(s, {{"@echo off", 2, true},
                                {"echo ", 1, true},
                                {"set ", 1, true},
                                {"goto ", 1, true},
                                {"call ", 1, true},
                                {"rem ", 1, true},
                                {"if exist", 1, true},
                                {"if not exist", 1, true},
                                {"start ", 1, true},
                                {"del ", 1, true},
                                {"copy ", 1, true},
                                {"setlocal", 1, true},
                                {"exit /b", 1, false},
                                {"%~dp0", 2, false},
                                {"cmd /c", 2, false},
                                {"cmd.exe", 1, false},
                                {"powershell ", 1, true},
                                {"powershell.exe", 1, false}});
    if (batch >= kEnough + 1) {
        return kind("script-batch", "Batch script", TContentClass::code);
    }
    return std::nullopt;
}

bool isBase64Char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '/' || c == '=' || c == '-' || c == '_';
}

// The longest run of base64 characters (line breaks inside it allowed) that mixes upper case, lower
// case and digits.
std::size_t longestBase64Run(std::string_view text) {
    std::size_t longest = 0;
    std::size_t run = 0;
    int classes = 0;
    for (const char c : text) {
        if (isBase64Char(c)) {
            ++run;
            classes |= (c >= 'A' && c <= 'Z')   ? 1
                       : (c >= 'a' && c <= 'z') ? 2
                       : (c >= '0' && c <= '9') ? 4
                                                : 0;
            if (classes == 7) {
                longest = std::max(longest, run);
            }
        } else if (c != '\r' && c != '\n') {
            run = 0;
            classes = 0;
        }
    }
    return longest;
}

} // namespace

double byteEntropy(std::string_view bytes) {
    if (bytes.empty()) {
        return 0;
    }
    std::array<std::size_t, 256> counts{};
    for (const char c : bytes) {
        ++counts[static_cast<unsigned char>(c)];
    }
    double entropy = 0;
    const auto total = static_cast<double>(bytes.size());
    for (const std::size_t count : counts) {
        if (count != 0) {
            const double p = static_cast<double>(count) / total;
            entropy -= p * std::log2(p);
        }
    }
    return entropy < 0 ? 0 : entropy;
}

std::size_t embeddedProgramOffset(std::string_view bytes) {
    static constexpr std::string_view stubs[] = {"This program cannot be run in DOS mode",
                                                 "This program must be run under Win32"};
    for (const std::string_view stub : stubs) {
        std::size_t found = bytes.find(stub, 1);
        for (int tries = 0; found != std::string_view::npos && tries < 64; ++tries) {
            // The stub's message lies a little after the DOS header's start.
            const std::size_t from = found > 0x200 ? found - 0x200 : 0;
            const std::size_t mz = bytes.substr(from, found - from).rfind("MZ");
            if (mz != std::string_view::npos && from + mz > 0) {
                return from + mz;
            }
            found = bytes.find(stub, found + 1);
        }
    }
    return std::string_view::npos;
}

TContentKind contentKind(std::string_view b) {
    if (b.empty()) {
        return kind("empty", "Empty", TContentClass::empty);
    }
    if (std::optional<TContentKind> program = windowsProgram(b)) {
        return *program;
    }
    if (std::optional<TContentKind> program = otherProgram(b)) {
        return *program;
    }
    if (std::optional<TContentKind> document = documentKind(b)) {
        return *document;
    }
    if (std::optional<TText> text = asText(b)) {
        if (std::optional<TContentKind> script = scriptKind(text->utf8)) {
            return *script;
        }
        if (longestBase64Run(text->utf8) >= kBase64Run) {
            return kind("base64", "Text with a long base64-like run (encoded data)", TContentClass::text);
        }
        return kind("text", "Text (" + text->encoding + ")", TContentClass::text);
    }
    return kind("data", "Binary data", TContentClass::data);
}

} // namespace report
