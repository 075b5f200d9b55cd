// Size texts, file sizes and names, the system drive and Windows folder, and shell icons.

#include "system/UntKorvaneLib.h"

#include "platform/FileServices.h"
#include "platform/Owned.h"
#include "platform/ScopedModes.h"
#include "platform/ShellServices.h"
#include "platform/WinPath.h"

#include <cmath>
#include <cwctype>

using namespace plat;

namespace {

// "#.##": the integer digits, then at most two rounded decimals without trailing zeros.
std::wstring formatTwoDecimals(double value) {
    const long long hundredths = std::llround(value * 100.0);
    std::wstring text = std::to_wstring(hundredths / 100);
    long long fraction = hundredths % 100;
    if (fraction != 0) {
        std::wstring digits = fraction < 10 ? L"0" + std::to_wstring(fraction) : std::to_wstring(fraction);
        if (digits.back() == L'0') {
            digits.pop_back();
        }
        text += shell().decimalSeparator() + digits;
    }
    return text;
}

// The longest name of a file or folder.
constexpr std::size_t kMaxFileNameLength = 255;

bool fileExists(const std::wstring& path) {
    const DWORD attributes = files().GetFileAttributesW(exactPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool folderExists(const std::wstring& path) {
    const DWORD attributes = files().GetFileAttributesW(exactPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The Windows folder as the system gives it, empty when it cannot be had.
std::wstring windowsDirectory() {
    std::wstring buffer(MAX_PATH, L'\0');
    UINT length = files().GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length >= buffer.size()) { // too small: the answer is the size needed
        buffer.assign(length, L'\0');
        length = files().GetWindowsDirectoryW(buffer.data(), static_cast<UINT>(buffer.size()));
        if (length >= buffer.size()) {
            return {};
        }
    }
    buffer.resize(length);
    return buffer;
}

// The drive part of a path: "C:" of "C:\Windows", "\\server\share" of "\\server\share\Windows".
std::wstring extractFileDrive(const std::wstring& path) {
    if (path.size() >= 2 && path[1] == L':') {
        return path.substr(0, 2);
    }
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        const std::size_t serverEnd = path.find(L'\\', 2);
        if (serverEnd == std::wstring::npos) {
            return path;
        }
        const std::size_t shareEnd = path.find(L'\\', serverEnd + 1);
        return shareEnd == std::wstring::npos ? path : path.substr(0, shareEnd);
    }
    return {};
}

} // namespace

std::wstring formatFileSize(std::int64_t size) {
    constexpr std::int64_t kKB = 1024;
    constexpr std::int64_t kMB = kKB * 1024;
    constexpr std::int64_t kGB = kMB * 1024;
    if (size == 0) {
        return {};
    }
    if (size > kGB) {
        return formatTwoDecimals(static_cast<double>(size) / kGB) + L" GB";
    }
    if (size > kMB) {
        return formatTwoDecimals(static_cast<double>(size) / kMB) + L" MB";
    }
    if (size > kKB) {
        return formatTwoDecimals(static_cast<double>(size) / kKB) + L" KB";
    }
    return std::to_wstring(size) + L" bytes"; // whole counts, negative ones included
}

std::int64_t getFileSize(const std::wstring& path) {
    // The size of the file the path names, in the real system folder too, whatever thread asks (the
    // window asks for the files a scan lists). Where the redirection switches are missing there is
    // no redirection to switch off, so the queries are made as they are.
    TRedirectionOff redirectionOff;
    TFileServices& fs = files();
    WIN32_FIND_DATAW data{};
    TFindHandle find(fs.FindFirstFileW(exactPath(path).c_str(), &data));
    if (find) {
        return makeInt64(data.nFileSizeHigh, data.nFileSizeLow);
    }
    // A stream path is not found by the directory search; its attributes give its size.
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    const BOOL found = fs.GetFileAttributesExW(exactPath(path).c_str(), GetFileExInfoStandard, &attributes);
    return found ? makeInt64(attributes.nFileSizeHigh, attributes.nFileSizeLow) : 0;
}

std::wstring makeUniqueFileName(const std::wstring& path) {
    if (!fileExists(path)) {
        return path;
    }
    const std::size_t dot = path.find_last_of(L".\\:");
    const bool hasExtension = dot != std::wstring::npos && path[dot] == L'.';
    const std::wstring extension = hasExtension ? path.substr(dot) : std::wstring();
    const std::wstring rest = path.substr(0, path.size() - extension.size());
    const std::size_t nameStart =
        rest.find_last_of(L"\\:") == std::wstring::npos ? 0 : rest.find_last_of(L"\\:") + 1;
    for (unsigned long long n = 1;; ++n) {
        const std::wstring suffix = L"(" + std::to_wstring(n) + L")" + extension;
        std::wstring stem = rest;
        // A file name holds at most 255 characters: the number takes its room from the end of the
        // name, or the numbered name of a stream with a long name could never be made.
        const std::size_t length = stem.size() - nameStart + suffix.size();
        if (length > kMaxFileNameLength && stem.size() - nameStart > length - kMaxFileNameLength) {
            stem.resize(stem.size() - (length - kMaxFileNameLength));
            if (stem.size() > nameStart && stem.back() >= 0xD800 && stem.back() <= 0xDBFF) {
                stem.pop_back(); // never half of a surrogate pair
            }
        }
        std::wstring candidate = stem + suffix;
        if (!fileExists(candidate)) {
            return candidate;
        }
    }
}

bool isBlank(const std::wstring& text) {
    for (const wchar_t c : text) {
        if (static_cast<std::uint32_t>(c) > 32) {
            return false;
        }
    }
    return true;
}

std::wstring getSystemDriveRoot() {
    const std::wstring windows = windowsDirectory();
    if (windows.empty()) {
        return L"c:\\";
    }
    return extractFileDrive(windows) + L"\\";
}

std::wstring getWindowsFolder() {
    std::wstring windows = windowsDirectory();
    if (!windows.empty() && windows.back() != L'\\') {
        windows += L'\\';
    }
    return windows;
}

int getShellIconIndex(const std::wstring& path) {
    SHFILEINFOW info{};
    bool folder = false;
    {
        // The folder or file the path names, in the real system folder too. The shell's own call
        // stays outside: it may load the shell's extensions, which needs the redirection.
        TRedirectionOff redirectionOff;
        folder = folderExists(path);
    }
    if (folder) {
        shell().SHGetFileInfoW(path.c_str(), 0, &info, sizeof(info), SHGFI_SYSICONINDEX);
    } else {
        // The icon of the name and extension alone; the file need not exist and is never opened.
        shell().SHGetFileInfoW(path.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                               SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
    }
    return info.iIcon;
}

int getShellIconIndexOf(const std::wstring& name, bool folder) {
    SHFILEINFOW info{};
    shell().SHGetFileInfoW(name.c_str(), folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL, &info,
                           sizeof(info), SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES);
    return info.iIcon;
}

int compareNamesLogically(const std::wstring& a, const std::wstring& b) {
    const auto isDigit = [](wchar_t ch) { return ch >= L'0' && ch <= L'9'; };
    const auto folded = [](wchar_t ch) { return static_cast<wchar_t>(std::towlower(ch)); };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Two numbers: by value (leading zeros skipped, then the longer is larger), then the one
            // with fewer leading zeros first, as Explorer does.
            std::size_t ai = i;
            std::size_t bj = j;
            while (ai < a.size() && a[ai] == L'0') {
                ++ai;
            }
            while (bj < b.size() && b[bj] == L'0') {
                ++bj;
            }
            std::size_t ae = ai;
            std::size_t be = bj;
            while (ae < a.size() && isDigit(a[ae])) {
                ++ae;
            }
            while (be < b.size() && isDigit(b[be])) {
                ++be;
            }
            if (ae - ai != be - bj) {
                return ae - ai < be - bj ? -1 : 1;
            }
            if (const int digits = a.compare(ai, ae - ai, b, bj, be - bj); digits != 0) {
                return digits < 0 ? -1 : 1;
            }
            if (ai - i != bj - j) {
                return ai - i < bj - j ? -1 : 1;
            }
            i = ae;
            j = be;
            continue;
        }
        const wchar_t ca = folded(a[i]);
        const wchar_t cb = folded(b[j]);
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size()) {
        return i < a.size() ? 1 : -1;
    }
    return 0;
}
