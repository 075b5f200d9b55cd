// EnCase's Expert Witness Format (E01, Ex01, SMART's S01) through libewf: every segment found from the
// first, a segment missing from the run named before the library is asked.

#include "ntfs/NtfsLibraryDevice.h"

#include <libewf.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <system_error>

namespace ntfs {

namespace {

struct TEwfError {
    libewf_error_t* error = nullptr;
    ~TEwfError() { libewf_error_free(&error); }
    std::wstring text() const {
        char buffer[2048] = {};
        if (error == nullptr || libewf_error_backtrace_sprint(error, buffer, sizeof buffer) < 0) {
            return L"unknown error";
        }
        return libraryMessage(buffer);
    }
};

class TEwfDevice final : public TLibraryDevice {
public:
    TEwfDevice(libewf_handle_t* handle, std::uint64_t size, std::size_t chunkSize)
        : TLibraryDevice(size, chunkSize), FHandle(handle) {}
    ~TEwfDevice() override {
        libewf_handle_close(FHandle, nullptr);
        libewf_handle_free(&FHandle, nullptr);
    }
    TEwfDevice(const TEwfDevice&) = delete;
    TEwfDevice& operator=(const TEwfDevice&) = delete;

protected:
    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        return libewf_handle_read_random(FHandle, buffer, count, static_cast<off64_t>(offset), nullptr);
    }

private:
    libewf_handle_t* FHandle;
};

// The segment number an EWF extension gives (E01 → 1, E99 → 99, EAA → 100, …, ZZZ), 0 for none. The
// first letter is the format's (E, L, S), kept by the caller.
unsigned segmentNumber(const std::wstring& extension) {
    if (extension.size() != 4 || extension[0] != L'.') {
        return 0;
    }
    const wchar_t a = static_cast<wchar_t>(std::towupper(extension[1]));
    const wchar_t b = static_cast<wchar_t>(std::towupper(extension[2]));
    const wchar_t c = static_cast<wchar_t>(std::towupper(extension[3]));
    if (std::iswdigit(b) && std::iswdigit(c)) {
        return static_cast<unsigned>((b - L'0') * 10 + (c - L'0'));
    }
    if (a < L'E' || a > L'Z' || b < L'A' || b > L'Z' || c < L'A' || c > L'Z') {
        return 0;
    }
    return 100 + static_cast<unsigned>((a - L'E') * 26 * 26 + (b - L'A') * 26 + (c - L'A'));
}

std::wstring segmentExtension(wchar_t first, unsigned number, bool lower) {
    std::wstring extension;
    if (number < 100) {
        extension = {first, static_cast<wchar_t>(L'0' + number / 10),
                     static_cast<wchar_t>(L'0' + number % 10)};
    } else {
        const unsigned n = number - 100;
        extension = {static_cast<wchar_t>(first + n / 676), static_cast<wchar_t>(L'A' + n / 26 % 26),
                     static_cast<wchar_t>(L'A' + n % 26)};
    }
    if (lower) {
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    }
    return L"." + extension;
}

// Whether the file starts as the first segment does: evidence.img beside evidence.E01 fits the naming
// (as segment 3122) but is no segment.
bool sameSignature(const std::filesystem::path& first, const std::filesystem::path& other) {
    std::uint8_t a[8] = {};
    std::uint8_t b[8] = {};
    const std::unique_ptr<TNtfsDevice> one = openImageFile(first);
    const std::unique_ptr<TNtfsDevice> two = openImageFile(other);
    return one && two && one->read(0, a, sizeof a) && two->read(0, b, sizeof b) &&
           std::memcmp(a, b, sizeof a) == 0;
}

// The first segment missing below the highest one beside it ("evidence.E03 is missing: the image has 5
// segments"), or empty when the run has no gap.
std::wstring missingSegment(const std::filesystem::path& first) {
    const std::wstring extension = first.extension().wstring();
    if (segmentNumber(extension) != 1) {
        return L"";
    }
    const bool lower = std::iswlower(extension[1]) != 0;
    const wchar_t letter = static_cast<wchar_t>(std::towupper(extension[1]));
    const std::wstring stem = first.stem().wstring();
    unsigned highest = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(
             first.parent_path().empty() ? "." : first.parent_path(), error)) {
        const std::filesystem::path name = entry.path().filename();
        const std::wstring ext = name.extension().wstring();
        const unsigned number = segmentNumber(ext);
        if (name.stem().wstring() == stem && number > 0 &&
            (number >= 100 || static_cast<wchar_t>(std::towupper(ext[1])) == letter) &&
            sameSignature(first, entry.path())) {
            highest = std::max(highest, number);
        }
    }
    for (unsigned n = 2; n < highest; ++n) {
        std::filesystem::path segment = first;
        segment.replace_extension(segmentExtension(letter, n, lower));
        if (!std::filesystem::exists(segment, error)) {
            return displayName(segment) + L" is missing: the image has " + std::to_wstring(highest) +
                   L" segments";
        }
    }
    return L"";
}

// How an EWF 1 segment file ends: its last section is "next" when another segment follows, "done" in the
// last one; anything else is a segment cut short or overwritten.
std::string lastSection(const std::filesystem::path& segment) {
    constexpr std::size_t kSectionDescriptor = 76;
    const std::unique_ptr<TNtfsDevice> file = openImageFile(segment);
    char type[16] = {};
    if (!file || file->size() < kSectionDescriptor ||
        !file->read(file->size() - kSectionDescriptor, type, sizeof type)) {
        return "";
    }
    return std::string(type, strnlen(type, sizeof type));
}

// Why segments libewf opened are not the whole image, when their ends tell: "multi.E09 is missing: the
// image goes on after multi.E08", "multi.E05 is cut short or damaged"; empty when they do not.
std::wstring incompleteSegments(const std::vector<std::filesystem::path>& segments) {
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const std::string end = lastSection(segments[i]);
        const bool last = i + 1 == segments.size();
        if (last && end == "next") {
            const std::wstring extension = segments[i].extension().wstring();
            std::filesystem::path next = segments[i];
            next.replace_extension(segmentExtension(static_cast<wchar_t>(std::towupper(extension[1])),
                                                    segmentNumber(extension) + 1,
                                                    std::iswlower(extension[1]) != 0));
            return displayName(next) + L" is missing: the image goes on after " + displayName(segments[i]);
        }
        if (end != (last ? "done" : "next")) {
            return displayName(segments[i]) + L" is cut short or damaged";
        }
    }
    return L"";
}

std::wstring formatName(std::uint8_t format) {
    switch (format) {
    case LIBEWF_FORMAT_ENCASE1:
    case LIBEWF_FORMAT_ENCASE2:
    case LIBEWF_FORMAT_ENCASE3:
    case LIBEWF_FORMAT_ENCASE4:
    case LIBEWF_FORMAT_ENCASE5:
    case LIBEWF_FORMAT_ENCASE6:
    case LIBEWF_FORMAT_ENCASE7:
        return L"EWF (EnCase " + std::to_wstring(format) + L")";
    case LIBEWF_FORMAT_SMART:
        return L"EWF (SMART)";
    case LIBEWF_FORMAT_FTK_IMAGER:
        return L"EWF (FTK Imager)";
    case LIBEWF_FORMAT_LINEN5:
    case LIBEWF_FORMAT_LINEN6:
    case LIBEWF_FORMAT_LINEN7:
        return L"EWF (linen " + std::to_wstring(format - LIBEWF_FORMAT_LINEN5 + 5) + L")";
    default:
        return L"EWF";
    }
}

// The acquisition notes the segments' headers and hash sections hold, under names for people.
void readNotes(libewf_handle_t* handle, TContainerFacts& facts) {
    static const std::pair<const char*, const wchar_t*> headers[] = {
        {"case_number", L"case number"},
        {"evidence_number", L"evidence number"},
        {"description", L"description"},
        {"examiner_name", L"examiner"},
        {"notes", L"notes"},
        {"acquiry_date", L"acquisition date"},
        {"system_date", L"system date"},
        {"acquiry_software", L"acquisition software"},
        {"acquiry_software_version", L"acquisition software version"},
        {"acquiry_operating_system", L"acquisition operating system"},
        {"model", L"model"},
        {"serial_number", L"serial number"},
    };
    static const std::pair<const char*, const wchar_t*> hashes[] = {{"MD5", L"MD5"}, {"SHA1", L"SHA-1"}};
    const auto add = [&](auto get, const char* identifier, const wchar_t* label) {
        std::uint16_t value[1024] = {};
        const std::size_t length = std::char_traits<char>::length(identifier);
        if (get(handle, reinterpret_cast<const std::uint8_t*>(identifier), length, value, std::size(value),
                nullptr) == 1 &&
            value[0] != 0) {
            facts.notes.emplace_back(label, fromUtf16Units(value, std::size(value)));
        }
    };
    for (const auto& [identifier, label] : headers) {
        add(libewf_handle_get_utf16_header_value, identifier, label);
    }
    for (const auto& [identifier, label] : hashes) {
        add(libewf_handle_get_utf16_hash_value, identifier, label);
    }
}

} // namespace

TContainer openEwfContainer(const std::filesystem::path& path) {
    TContainer container;
    const std::wstring name = displayName(path);
    container.facts.format = TContainerFormat::ewf;
    if (std::wstring missing = missingSegment(path); !missing.empty()) {
        container.error = std::move(missing);
        return container;
    }
    const TLibraryPath first = libraryPath(path);
    TEwfError error;
#if defined(_WIN32)
    wchar_t** names = nullptr;
    int count = 0;
    if (libewf_glob_wide(first.c_str(), first.size(), LIBEWF_FORMAT_UNKNOWN, &names, &count, &error.error) !=
        1) {
        container.error = name + L" cannot be read as an EWF image: " + error.text();
        return container;
    }
    const auto freeNames = [&] { libewf_glob_wide_free(names, count, nullptr); };
#else
    char** names = nullptr;
    int count = 0;
    if (libewf_glob(first.c_str(), first.size(), LIBEWF_FORMAT_UNKNOWN, &names, &count, &error.error) != 1) {
        container.error = name + L" cannot be read as an EWF image: " + error.text();
        return container;
    }
    const auto freeNames = [&] { libewf_glob_free(names, count, nullptr); };
#endif
    std::vector<std::filesystem::path> segments;
    for (int i = 0; i < count; ++i) {
        segments.emplace_back(names[i]);
        container.facts.segments.push_back(displayName(segments.back()));
    }
    libewf_handle_t* handle = nullptr;
    if (libewf_handle_initialize(&handle, &error.error) != 1) {
        freeNames();
        container.error = name + L" cannot be read as an EWF image: " + error.text();
        return container;
    }
#if defined(_WIN32)
    const int opened = libewf_handle_open_wide(handle, names, count, LIBEWF_OPEN_READ, &error.error);
#else
    const int opened = libewf_handle_open(handle, names, count, LIBEWF_OPEN_READ, &error.error);
#endif
    freeNames();
    size64_t mediaSize = 0;
    if (opened != 1 || libewf_handle_get_media_size(handle, &mediaSize, &error.error) != 1) {
        container.error = name + L" cannot be read as an EWF image: " + error.text();
        if (opened == 1) {
            libewf_handle_close(handle, nullptr);
        }
        libewf_handle_free(&handle, nullptr);
        return container;
    }
    if (libewf_handle_segment_files_corrupted(handle, nullptr) != 0) {
        // A segment missing from the end refuses the image; a damaged one is read as far as libewf can
        // (the chunks it cannot find or whose checksum fails read as zeros), and the damage is named.
        std::wstring damage = incompleteSegments(segments);
        if (damage.find(L" is missing: ") != std::wstring::npos) {
            container.error = std::move(damage);
            libewf_handle_close(handle, nullptr);
            libewf_handle_free(&handle, nullptr);
            return container;
        }
        container.facts.damage =
            (damage.empty() ? name + L" is damaged: a section of its segments does not match its checksum"
                            : std::move(damage)) +
            L"; what can be read is read, the rest as zeros";
    }
    std::uint8_t format = 0;
    libewf_handle_get_format(handle, &format, nullptr);
    container.facts.formatName = formatName(format);
    std::uint32_t bytesPerSector = 0;
    if (libewf_handle_get_bytes_per_sector(handle, &bytesPerSector, nullptr) == 1) {
        container.facts.bytesPerSector = bytesPerSector;
    }
    readNotes(handle, container.facts);
    container.facts.mediaSize = mediaSize;
    // Reads are made a chunk at a time, the unit libewf decompresses and checks: a chunk beyond 1 MiB
    // (EWF's own writers use 32 KiB) is read as asked instead of being held.
    size32_t chunkSize = 0;
    if (libewf_handle_get_chunk_size(handle, &chunkSize, nullptr) != 1 || chunkSize > (1u << 20)) {
        chunkSize = 0;
    }
    container.device = std::make_shared<TEwfDevice>(handle, mediaSize, chunkSize);
    return container;
}

} // namespace ntfs
