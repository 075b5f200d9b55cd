#include "ntfs/NtfsLibraryDevice.h"

#include "ntfs/Utf16.h"

#include <algorithm>

namespace ntfs {

bool TLibraryDevice::read(std::uint64_t offset, void* buffer, std::size_t count) {
    if (offset > FSize || count > FSize - offset) {
        return false;
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::lock_guard lock(FMutex);
    while (count > 0) {
        // The libraries count in ssize_t: at most 16 MiB at a time keeps every count well inside it.
        const std::size_t wanted = std::min<std::size_t>(count, std::size_t{1} << 24);
        const std::int64_t got = readAt(offset, out, wanted);
        if (got <= 0 || static_cast<std::uint64_t>(got) > wanted) {
            return false;
        }
        out += got;
        offset += static_cast<std::uint64_t>(got);
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

std::wstring libraryMessage(const char* text) {
    // The backtrace holds one message a line, the outermost first; each starts with its function's name.
    std::string last;
    for (const char* line = text; *line != '\0';) {
        const char* end = line;
        while (*end != '\0' && *end != '\n') {
            ++end;
        }
        if (end > line) {
            last.assign(line, end);
        }
        line = *end == '\n' ? end + 1 : end;
    }
    if (const std::size_t colon = last.find(": "); colon != std::string::npos && last.find(' ') > colon) {
        last.erase(0, colon + 2);
    }
    while (!last.empty() && (last.back() == '.' || last.back() == '\r' || last.back() == ' ')) {
        last.pop_back();
    }
    std::wstring message;
    for (const char c : last) {
        message += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return message.empty() ? L"unknown error" : message;
}

std::wstring fromUtf16Units(const std::uint16_t* units, std::size_t capacity) {
    const std::size_t length = static_cast<std::size_t>(std::find(units, units + capacity, 0) - units);
    std::string bytes;
    for (std::size_t i = 0; i < length; ++i) {
        bytes += static_cast<char>(units[i] & 0xFF);
        bytes += static_cast<char>(units[i] >> 8);
    }
    return decodeUtf16Le(reinterpret_cast<const std::uint8_t*>(bytes.data()), length);
}

TLibraryPath libraryPath(const std::filesystem::path& path) {
#if defined(_WIN32)
    return path.wstring();
#else
    return path.string();
#endif
}

} // namespace ntfs
