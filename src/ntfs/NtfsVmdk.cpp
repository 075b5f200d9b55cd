// VMDK through libvmdk: a descriptor file with its extents (flat or sparse, found beside it), a
// monolithic sparse or stream-optimised file with the descriptor inside, and a child disk over its
// parent (looked for beside it by the name its descriptor records).

#include "ntfs/NtfsLibraryDevice.h"

#if defined(_WIN32) && !defined(HAVE_WIDE_CHARACTER_TYPE)
#define HAVE_WIDE_CHARACTER_TYPE 1 // libvmdk.h declares its wide path setter under this name only
#endif
#include <libvmdk.h>

#include <algorithm>
#include <cstring>
#include <system_error>

namespace ntfs {

namespace {

struct TVmdkError {
    libvmdk_error_t* error = nullptr;
    ~TVmdkError() { libvmdk_error_free(&error); }
    std::wstring text() const {
        char buffer[2048] = {};
        if (error == nullptr || libvmdk_error_backtrace_sprint(error, buffer, sizeof buffer) < 0) {
            return L"unknown error";
        }
        return libraryMessage(buffer);
    }
};

// The descriptor's text: the file itself, or the one a sparse file carries (bounded).
std::string descriptorText(const std::filesystem::path& path) {
    constexpr std::uint64_t kLargestDescriptor = 1 << 20;
    const std::unique_ptr<TNtfsDevice> file = openImageFile(path);
    if (!file) {
        return "";
    }
    std::uint64_t offset = 0;
    std::uint64_t length = file->size();
    std::uint8_t header[44] = {};
    if (file->read(0, header, sizeof header) && std::memcmp(header, "KDMV", 4) == 0) {
        const auto u64 = [&](int at) {
            std::uint64_t value = 0;
            for (int i = 7; i >= 0; --i) {
                value = value << 8 | header[at + i];
            }
            return value;
        };
        offset = u64(28) <= UINT64_MAX / 512 ? u64(28) * 512 : 0; // descriptor offset and size, in sectors
        length = u64(36) <= UINT64_MAX / 512 ? u64(36) * 512 : 0;
    }
    length = std::min(length, kLargestDescriptor);
    if (offset == 0 && length != file->size() && length < file->size() && header[0] == 'K') {
        return ""; // a sparse file without an embedded descriptor
    }
    std::string text(static_cast<std::size_t>(length), '\0');
    while (!text.empty() && !file->read(offset, text.data(), text.size())) {
        text.resize(text.size() / 2); // a descriptor that claims more than the file holds
    }
    return text;
}

// An extent the descriptor names with a folder in its name ("RW 128 FLAT "dir/disk-f001.vmdk" 0"), or
// empty. libvmdk mis-measures such a name when it joins it to the descriptor's folder and reads past it,
// so the descriptor is refused before the library sees it; extents lie beside their descriptor.
std::string extentInAnotherFolder(const std::filesystem::path& path) {
    const std::string text = descriptorText(path);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\n\r", start);
        end = end == std::string::npos ? text.size() : end;
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        const std::size_t access = line.find_first_not_of(" \t");
        if (access == std::string::npos ||
            (line.compare(access, 3, "RW ") != 0 && line.compare(access, 7, "RDONLY ") != 0 &&
             line.compare(access, 9, "NOACCESS ") != 0)) {
            continue;
        }
        const std::size_t open = line.find('"');
        const std::size_t close = open == std::string::npos ? open : line.find('"', open + 1);
        const std::string name =
            line.substr(open == std::string::npos ? line.size() : open + 1,
                        close == std::string::npos ? std::string::npos : close - open - 1);
        if (name.find_first_of("/\\") != std::string::npos) {
            return name;
        }
    }
    return "";
}

// The handles of one disk, the child first, each parent after the disk that needs it.
class TVmdkChain final : public TDiskChain {
public:
    TVmdkChain() = default;
    TVmdkChain(const TVmdkChain&) = delete;
    TVmdkChain& operator=(const TVmdkChain&) = delete;
    ~TVmdkChain() override {
        for (libvmdk_handle_t*& handle : FHandles) {
            libvmdk_handle_close(handle, nullptr);
            libvmdk_handle_free(&handle, nullptr);
        }
    }
    // Opens the descriptor (or monolithic file) at path and its extents, as the next disk of the chain.
    bool open(const std::filesystem::path& path, std::wstring& reason) override {
        if (const std::string extent = extentInAnotherFolder(path); !extent.empty()) {
            reason = L"it names an extent in another folder (";
            for (const char c : extent) {
                reason += static_cast<wchar_t>(static_cast<unsigned char>(c));
            }
            reason += L"), which is not read";
            return false;
        }
        TVmdkError error;
        libvmdk_handle_t* handle = nullptr;
        if (libvmdk_handle_initialize(&handle, &error.error) != 1) {
            reason = error.text();
            return false;
        }
        const TLibraryPath file = libraryPath(path);
        const TLibraryPath folder =
            libraryPath(path.parent_path().empty() ? std::filesystem::path(".") : path.parent_path());
#if defined(_WIN32)
        int opened = libvmdk_handle_open_wide(handle, file.c_str(), LIBVMDK_OPEN_READ, &error.error);
        if (opened == 1) {
            FHandles.push_back(handle);
            opened = libvmdk_handle_set_extent_data_files_path_wide(handle, folder.c_str(), folder.size(),
                                                                    &error.error);
        }
#else
        int opened = libvmdk_handle_open(handle, file.c_str(), LIBVMDK_OPEN_READ, &error.error);
        if (opened == 1) {
            FHandles.push_back(handle);
            opened = libvmdk_handle_set_extent_data_files_path(handle, folder.c_str(), folder.size(),
                                                               &error.error);
        }
#endif
        if (opened == 1) {
            opened = libvmdk_handle_open_extent_data_files(handle, &error.error);
        }
        if (opened != 1) {
            reason = error.text();
            if (FHandles.empty() || FHandles.back() != handle) {
                libvmdk_handle_free(&handle, nullptr);
            }
            return false;
        }
        return true;
    }
    libvmdk_handle_t* first() const {
        return FHandles.front();
    }
    std::optional<std::wstring> parentOfLast() override;
    bool linkLast(std::wstring& reason) override {
        TVmdkError error;
        if (libvmdk_handle_set_parent_handle(FHandles[FHandles.size() - 2], FHandles.back(), &error.error) !=
            1) {
            reason = error.text();
            return false;
        }
        return true;
    }

private:
    std::vector<libvmdk_handle_t*> FHandles;
};

class TVmdkDevice final : public TLibraryDevice {
public:
    TVmdkDevice(std::unique_ptr<TVmdkChain> chain, std::uint64_t size)
        : TLibraryDevice(size), FChain(std::move(chain)) {}

protected:
    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        return libvmdk_handle_read_buffer_at_offset(FChain->first(), buffer, count,
                                                    static_cast<off64_t>(offset), nullptr);
    }

private:
    std::unique_ptr<TVmdkChain> FChain;
};

// The parent's file name as a child's descriptor records it, its last part; a disk without one has none.
std::optional<std::wstring> TVmdkChain::parentOfLast() {
    std::uint16_t name[1024] = {};
    if (libvmdk_handle_get_utf16_parent_filename(FHandles.back(), name, std::size(name), nullptr) != 1 ||
        name[0] == 0) {
        return std::nullopt;
    }
    std::wstring path = fromUtf16Units(name, std::size(name));
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring diskTypeName(int type) {
    switch (type) {
    case LIBVMDK_DISK_TYPE_MONOLITHIC_SPARSE:
        return L"VMDK (monolithic sparse)";
    case LIBVMDK_DISK_TYPE_MONOLITHIC_FLAT:
        return L"VMDK (monolithic flat)";
    case LIBVMDK_DISK_TYPE_2GB_EXTENT_FLAT:
        return L"VMDK (2 GB flat extents)";
    case LIBVMDK_DISK_TYPE_2GB_EXTENT_SPARSE:
        return L"VMDK (2 GB sparse extents)";
    case LIBVMDK_DISK_TYPE_STREAM_OPTIMIZED:
        return L"VMDK (stream-optimised)";
    case LIBVMDK_DISK_TYPE_VMFS_FLAT:
    case LIBVMDK_DISK_TYPE_VMFS_FLAT_PRE_ALLOCATED:
    case LIBVMDK_DISK_TYPE_VMFS_FLAT_ZEROED:
        return L"VMDK (VMFS flat)";
    case LIBVMDK_DISK_TYPE_VMFS_SPARSE:
    case LIBVMDK_DISK_TYPE_VMFS_SPARSE_THIN:
        return L"VMDK (VMFS sparse)";
    default:
        return L"VMDK";
    }
}

// The extents' file names, as the descriptor gives them.
void readExtents(libvmdk_handle_t* handle, TContainerFacts& facts) {
    int count = 0;
    if (libvmdk_handle_get_number_of_extents(handle, &count, nullptr) != 1) {
        return;
    }
    for (int i = 0; i < count && i < 4096; ++i) {
        libvmdk_extent_descriptor_t* extent = nullptr;
        if (libvmdk_handle_get_extent_descriptor(handle, i, &extent, nullptr) != 1) {
            continue;
        }
        std::uint16_t name[1024] = {};
        if (libvmdk_extent_descriptor_get_utf16_filename(extent, name, std::size(name), nullptr) == 1) {
            const std::wstring extentName = fromUtf16Units(name, std::size(name));
            if (!extentName.empty() && extentName != facts.segments.front()) {
                facts.segments.push_back(extentName);
            }
        }
        libvmdk_extent_descriptor_free(&extent, nullptr);
    }
}

} // namespace

TContainer openVmdkContainer(const std::filesystem::path& path) {
    TContainer container;
    const std::wstring name = displayName(path);
    container.facts.format = TContainerFormat::vmdk;
    container.facts.segments.push_back(name);
    auto chain = std::make_unique<TVmdkChain>();
    std::wstring reason;
    if (!chain->open(path, reason)) {
        container.error = name + L" cannot be read as a VMDK: " + reason;
        return container;
    }
    int diskType = 0;
    libvmdk_handle_get_disk_type(chain->first(), &diskType, nullptr);
    container.facts.formatName = diskTypeName(diskType);
    readExtents(chain->first(), container.facts);
    if (std::wstring error = openParents(*chain, path, container.facts); !error.empty()) {
        container.error = std::move(error);
        return container;
    }
    size64_t mediaSize = 0;
    TVmdkError error;
    if (libvmdk_handle_get_media_size(chain->first(), &mediaSize, &error.error) != 1) {
        container.error = name + L" cannot be read as a VMDK: " + error.text();
        return container;
    }
    container.facts.mediaSize = mediaSize;
    container.device = std::make_shared<TVmdkDevice>(std::move(chain), mediaSize);
    return container;
}

} // namespace ntfs
