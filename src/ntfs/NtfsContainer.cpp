#include "ntfs/NtfsContainer.h"

#include "ntfs/NtfsLibraryDevice.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <system_error>

namespace ntfs {

namespace {

// A split image of more segments than this is refused (each is a file kept open).
constexpr std::size_t kMaxSegments = 10000;
// How many names past a missing segment are looked for, to tell a missing one from the end of the run.
constexpr std::size_t kLookPastGap = 16;

bool startsWith(const std::array<std::uint8_t, 64>& head, std::size_t got, const char* magic,
                std::size_t length) {
    return got >= length && std::memcmp(head.data(), magic, length) == 0;
}

// A VHD's footer copy at the start of the file, which dynamic and differencing disks have (a fixed
// one has its footer at the end only and is read as a raw disk).
bool vhdCopyAtStart(const std::array<std::uint8_t, 64>& head, std::size_t got) {
    if (!startsWith(head, got, "conectix", 8) || got < 64) {
        return false;
    }
    const std::uint32_t diskType =
        static_cast<std::uint32_t>(head[60]) << 24 | head[61] << 16 | head[62] << 8 | head[63];
    return diskType == 3 || diskType == 4;
}

// The next name of a split image's run: image.001 → image.002 (as many digits as the first), xaa → xab.
std::wstring nextSegmentName(std::wstring name, TSplitNames names) {
    for (std::size_t i = name.size(); i-- > 0;) {
        wchar_t& c = name[i];
        if (names == TSplitNames::numbered ? c == L'9' : c == L'z') {
            c = names == TSplitNames::numbered ? L'0' : L'a';
            continue;
        }
        ++c;
        return name;
    }
    return L""; // the run is exhausted
}

// Where a split image's counter starts in its name: image.001 (3 digits or more after a dot) or xaa
// (the letters after the last character that is not one); npos when the name is not a first segment.
std::size_t counterStart(const std::wstring& name, TSplitNames names) {
    if (names == TSplitNames::numbered) {
        const std::size_t dot = name.rfind(L'.');
        if (dot == std::wstring::npos || name.size() - dot - 1 < 3) {
            return std::wstring::npos;
        }
        const std::wstring digits = name.substr(dot + 1);
        const bool first =
            std::all_of(digits.begin(), digits.end() - 1, [](wchar_t c) { return c == L'0'; }) &&
            digits.back() == L'1';
        return first ? dot + 1 : std::wstring::npos;
    }
    std::size_t start = name.size();
    while (start > 0 && name[start - 1] == L'a') {
        --start;
    }
    return name.size() - start >= 2 ? start : std::wstring::npos;
}

std::filesystem::path sibling(const std::filesystem::path& first, const std::wstring& name) {
    return first.parent_path() / std::filesystem::path(name);
}

// A raw image in segments: every one but the last as long as the first, the last no longer and not
// empty, a gap in the names named.
TContainer openSplitRaw(const std::filesystem::path& first, TSplitNames names) {
    TContainer container;
    container.facts.format = TContainerFormat::splitRaw;
    container.facts.formatName = L"split raw";
    const std::wstring firstName = first.filename().wstring();
    const std::size_t start = counterStart(firstName, names);
    std::vector<std::shared_ptr<TNtfsDevice>> parts;
    std::vector<std::filesystem::path> paths;
    std::error_code error;
    for (std::wstring name = firstName; !name.empty() && paths.size() <= kMaxSegments;
         name = name.substr(0, start) + nextSegmentName(name.substr(start), names)) {
        const std::filesystem::path path = sibling(first, name);
        if (!std::filesystem::exists(path, error)) {
            break;
        }
        paths.push_back(path);
        if (nextSegmentName(name.substr(start), names).empty()) {
            break;
        }
    }
    if (paths.size() > kMaxSegments) {
        container.error =
            displayName(first) + L" has more than " + std::to_wstring(kMaxSegments) + L" segments";
        return container;
    }
    // Segments beside them past a break in the run: the first one missing is named.
    if (!paths.empty()) {
        const auto next = [&](const std::wstring& name) {
            const std::wstring counter = nextSegmentName(name.substr(start), names);
            return counter.empty() ? counter : name.substr(0, start) + counter;
        };
        const std::wstring missing = next(paths.back().filename().wstring());
        std::size_t highest = 0;
        std::wstring probe = missing;
        for (std::size_t ahead = 1; ahead <= kLookPastGap && !probe.empty(); ++ahead) {
            probe = next(probe);
            if (!probe.empty() && std::filesystem::exists(sibling(first, probe), error)) {
                highest = paths.size() + 1 + ahead;
            }
        }
        if (highest > 0) {
            container.error = displayName(sibling(first, missing)) + L" is missing: the image has " +
                              std::to_wstring(highest) + L" segments";
            return container;
        }
    }
    for (const std::filesystem::path& path : paths) {
        std::shared_ptr<TNtfsDevice> part(openImageFile(path));
        if (!part) {
            container.error = displayName(path) + L" cannot be opened for reading";
            return container;
        }
        container.facts.segments.push_back(displayName(path));
        parts.push_back(std::move(part));
    }
    const std::uint64_t segmentSize = parts.front()->size();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::uint64_t size = parts[i]->size();
        const bool last = i + 1 == parts.size();
        if (size == 0) {
            container.error = displayName(paths[i]) + L" is empty";
        } else if (!last && size != segmentSize) {
            container.error = displayName(paths[i]) + L" is " + std::to_wstring(size) + L" bytes where " +
                              displayName(paths[0]) + L" is " + std::to_wstring(segmentSize) +
                              L": the segments are not of one image, or one was cut short";
        } else if (last && size > segmentSize) {
            container.error = displayName(paths[i]) + L" is longer than the segments before it (" +
                              std::to_wstring(size) + L" bytes where " + displayName(paths[0]) + L" is " +
                              std::to_wstring(segmentSize) + L")";
        }
        if (!container.error.empty()) {
            return container;
        }
    }
    container.device = openConcatenatedDevice(std::move(parts));
    container.facts.mediaSize = container.device->size();
    return container;
}

// The devices one after another.
class TConcatenatedDevice final : public TNtfsDevice {
public:
    explicit TConcatenatedDevice(std::vector<std::shared_ptr<TNtfsDevice>> parts) : FParts(std::move(parts)) {
        std::uint64_t offset = 0;
        for (const auto& part : FParts) {
            FStarts.push_back(offset);
            offset += part->size();
        }
        FSize = offset;
    }

    bool read(std::uint64_t offset, void* buffer, std::size_t count) override {
        if (offset > FSize || count > FSize - offset) {
            return false;
        }
        auto* out = static_cast<std::uint8_t*>(buffer);
        // The last part starting at or before the offset.
        std::size_t i = static_cast<std::size_t>(std::upper_bound(FStarts.begin(), FStarts.end(), offset) -
                                                 FStarts.begin()) -
                        1;
        while (count > 0) {
            const std::uint64_t within = offset - FStarts[i];
            const std::size_t take =
                static_cast<std::size_t>(std::min<std::uint64_t>(count, FParts[i]->size() - within));
            if (take > 0 && !FParts[i]->read(within, out, take)) {
                return false;
            }
            out += take;
            offset += take;
            count -= take;
            ++i;
        }
        return true;
    }
    std::uint64_t size() const override { return FSize; }

private:
    std::vector<std::shared_ptr<TNtfsDevice>> FParts;
    std::vector<std::uint64_t> FStarts;
    std::uint64_t FSize = 0;
};

} // namespace

std::wstring displayName(const std::filesystem::path& path) {
    try {
        return path.filename().wstring();
    } catch (const std::exception&) { // a Linux name that is not UTF-8: its bytes as they are
        std::wstring name;
        for (const char byte : path.filename().string()) {
            name += static_cast<wchar_t>(static_cast<unsigned char>(byte));
        }
        return name;
    }
}

std::unique_ptr<TNtfsDevice> openConcatenatedDevice(std::vector<std::shared_ptr<TNtfsDevice>> parts) {
    std::uint64_t total = 0;
    for (const auto& part : parts) {
        if (!part || part->size() == TNtfsDevice::kUnknownSize || part->size() > UINT64_MAX - total) {
            return nullptr;
        }
        total += part->size();
    }
    if (parts.empty()) {
        return nullptr;
    }
    return std::make_unique<TConcatenatedDevice>(std::move(parts));
}

TContainer openContainer(const std::filesystem::path& path, TSplitNames names) {
    const std::wstring name = displayName(path);
    std::shared_ptr<TNtfsDevice> file(openImageFile(path));
    if (!file) {
        TContainer container;
        container.error = name + L" cannot be opened for reading";
        return container;
    }
    std::array<std::uint8_t, 64> head{};
    const std::uint64_t fileSize = file->size();
    const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(head.size(), fileSize));
    if (got > 0 && !file->read(0, head.data(), got)) {
        TContainer container;
        container.error = name + L" cannot be read";
        return container;
    }
    if (startsWith(head, got, "EVF\x09\x0d\x0a\xff\x00", 8) ||
        startsWith(head, got, "EVF2\x0d\x0a\x81\x00", 8)) {
        return openEwfContainer(path);
    }
    if (startsWith(head, got, "LVF\x09\x0d\x0a\xff\x00", 8) ||
        startsWith(head, got, "LEF2\x0d\x0a\x81\x00", 8)) {
        TContainer container;
        container.error = name + L" is a logical evidence file: it holds files, not a disk, and is not read";
        return container;
    }
    if (startsWith(head, got, "vhdxfile", 8)) {
        return openVhdContainer(path, true);
    }
    if (vhdCopyAtStart(head, got)) {
        return openVhdContainer(path, false);
    }
    if (startsWith(head, got, "KDMV", 4) || startsWith(head, got, "COWD", 4) ||
        startsWith(head, got, "# Disk DescriptorFile", 21)) {
        return openVmdkContainer(path);
    }
    const std::wstring fileName = path.filename().wstring();
    if (const std::size_t start = counterStart(fileName, names); start != std::wstring::npos) {
        // A first segment with a later one beside it (the second may be the one missing).
        std::wstring later = fileName;
        for (std::size_t ahead = 0; ahead <= kLookPastGap; ++ahead) {
            const std::wstring counter = nextSegmentName(later.substr(start), names);
            if (counter.empty()) {
                break;
            }
            later = later.substr(0, start) + counter;
            std::error_code error;
            if (names == TSplitNames::letters || std::filesystem::exists(sibling(path, later), error)) {
                return openSplitRaw(path, names);
            }
        }
    }
    TContainer container;
    container.facts.formatName = L"raw";
    container.facts.segments.push_back(name);
    container.facts.mediaSize = fileSize;
    container.device = std::move(file);
    return container;
}

std::wstring describeContainer(const TContainerFacts& facts) {
    std::wstring text = facts.formatName.empty() ? L"raw" : facts.formatName;
    if (facts.segments.size() > 1) {
        text += L", " + std::to_wstring(facts.segments.size()) +
                (facts.format == TContainerFormat::vhd || facts.format == TContainerFormat::vhdx ||
                         facts.format == TContainerFormat::vmdk
                     ? L" files"
                     : L" segments");
    }
    return text;
}

} // namespace ntfs
