#include "ntfs/NtfsLibraryDevice.h"

#include "ntfs/Utf16.h"

#include <algorithm>
#include <cstring>
#include <system_error>

namespace ntfs {

bool TLibraryDevice::readWhole(std::uint64_t offset, std::uint8_t* out, std::size_t count) {
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

bool TLibraryDevice::read(std::uint64_t offset, void* buffer, std::size_t count) {
    if (offset > FSize || count > FSize - offset) {
        return false;
    }
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::lock_guard lock(FMutex);
    if (FBlockSize == 0) {
        return readWhole(offset, out, count);
    }
    while (count > 0) {
        if (offset % FBlockSize == 0 && count >= FBlockSize) { // whole blocks go straight through
            const std::size_t whole = count - count % FBlockSize;
            if (!readWhole(offset, out, whole)) {
                return false;
            }
            out += whole;
            offset += whole;
            count -= whole;
            continue;
        }
        const std::uint64_t block = offset - offset % FBlockSize;
        if (FBlock.empty() || FBlockAt != block) {
            FBlock.resize(static_cast<std::size_t>(std::min<std::uint64_t>(FBlockSize, FSize - block)));
            if (!readWhole(block, FBlock.data(), FBlock.size())) {
                FBlock.clear();
                return false;
            }
            FBlockAt = block;
        }
        const std::size_t within = static_cast<std::size_t>(offset - block);
        const std::size_t take = std::min(count, FBlock.size() - within);
        std::memcpy(out, FBlock.data() + within, take);
        out += take;
        offset += take;
        count -= take;
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

std::wstring openParents(TDiskChain& chain, const std::filesystem::path& path, TContainerFacts& facts) {
    // A chain deeper than this is refused: every level is one more file open and one more lookup a read.
    constexpr int kMaxParents = 16;
    std::filesystem::path child = path;
    for (int level = 0;; ++level) {
        const std::optional<std::wstring> parentName = chain.parentOfLast();
        if (!parentName) {
            return L"";
        }
        const std::wstring childName = displayName(child);
        if (parentName->empty()) {
            return L"the parent disk of " + childName + L" is not named in it";
        }
        if (level == kMaxParents) {
            return L"the chain of parent disks of " + displayName(path) + L" is more than " +
                   std::to_wstring(kMaxParents) + L" disks deep";
        }
        const std::filesystem::path parent = child.parent_path() / std::filesystem::path(*parentName);
        std::error_code missing;
        if (!std::filesystem::is_regular_file(parent, missing)) {
            return L"the parent disk of " + childName + L" was not found: " + *parentName;
        }
        std::wstring reason;
        if (!chain.open(parent, reason)) {
            return L"the parent disk of " + childName + L", " + *parentName + L", cannot be read: " + reason;
        }
        if (!chain.linkLast(reason)) {
            return *parentName + L" is not the parent disk of " + childName + L": " + reason;
        }
        facts.segments.push_back(*parentName);
        child = parent;
    }
}

TLibraryPath libraryPath(const std::filesystem::path& path) {
#if defined(_WIN32)
    // The libraries split a Windows path at '\' alone: "E:/cases/x.E01" would be taken as relative.
    std::filesystem::path preferred = path;
    return preferred.make_preferred().wstring();
#else
    return path.string();
#endif
}

} // namespace ntfs
