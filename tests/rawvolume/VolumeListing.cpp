#include "rawvolume/VolumeListing.h"

#include "ntfs/NtfsServicesView.h"
#include "ntfs/Utf16.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace rawvolume {

namespace {

std::string printable(const std::wstring& text) {
    std::string out;
    for (const char16_t unit : ntfs::toUtf16Units(text)) {
        if (unit >= 0x20 && unit < 0x7F) {
            out += static_cast<char>(unit);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(unit));
            out += escaped;
        }
    }
    return out;
}

std::string hashOf(const std::string& bytes) {
    std::uint64_t hash = 0xCBF29CE484222325ULL;
    for (const char byte : bytes) {
        hash = (hash ^ static_cast<std::uint8_t>(byte)) * 0x100000001B3ULL;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(hash));
    return text;
}

std::string dataLine(const std::string& name, std::uint64_t size, bool unavailable, plat::DWORD error,
                     const std::string& bytes) {
    return name + "\t" + std::to_string(size) + "\t" +
           (unavailable ? "unreadable " + std::to_string(error) : hashOf(bytes));
}

} // namespace

std::string volumeListing(plat::TFileServices& services, wchar_t letter) {
    std::vector<std::string> lines;
    for (const ntfstest::TSeenFile& file : ntfstest::walkServices(services, letter)) {
        const std::string path = printable(file.path);
        if (file.folder) {
            lines.push_back(path + "\\\tfolder");
        } else {
            lines.push_back(dataLine(path, file.size, file.dataUnavailable, file.readError, file.data));
        }
        for (const ntfstest::TSeenStream& stream : file.streams) {
            lines.push_back(dataLine(path + ":" + printable(stream.name), stream.size, stream.unavailable,
                                     stream.readError, stream.bytes));
        }
    }
    std::sort(lines.begin(), lines.end());
    std::string listing;
    for (const std::string& line : lines) {
        listing += line + "\n";
    }
    return listing;
}

} // namespace rawvolume
