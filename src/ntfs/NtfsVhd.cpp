// VHDX and dynamic and differencing VHD through libvhdi. A differencing disk's parent is looked for
// beside it, by the file name its header records, and so on up the chain (a few levels at most).

#include "ntfs/NtfsLibraryDevice.h"

#include <libvhdi.h>

#include <system_error>

namespace ntfs {

namespace {

struct TVhdiError {
    libvhdi_error_t* error = nullptr;
    ~TVhdiError() { libvhdi_error_free(&error); }
    std::wstring text() const {
        char buffer[2048] = {};
        if (error == nullptr || libvhdi_error_backtrace_sprint(error, buffer, sizeof buffer) < 0) {
            return L"unknown error";
        }
        return libraryMessage(buffer);
    }
};

// The files of one disk, the child first, each parent after the file that needs it.
class TVhdChain final : public TDiskChain {
public:
    TVhdChain() = default;
    TVhdChain(const TVhdChain&) = delete;
    TVhdChain& operator=(const TVhdChain&) = delete;
    ~TVhdChain() override {
        for (libvhdi_file_t*& file : FFiles) { // the child before its parents
            libvhdi_file_close(file, nullptr);
            libvhdi_file_free(&file, nullptr);
        }
    }
    bool open(const std::filesystem::path& path, std::wstring& reason) override {
        TVhdiError error;
        libvhdi_file_t* file = nullptr;
        if (libvhdi_file_initialize(&file, &error.error) != 1) {
            reason = error.text();
            return false;
        }
#if defined(_WIN32)
        const int opened =
            libvhdi_file_open_wide(file, libraryPath(path).c_str(), LIBVHDI_OPEN_READ, &error.error);
#else
        const int opened =
            libvhdi_file_open(file, libraryPath(path).c_str(), LIBVHDI_OPEN_READ, &error.error);
#endif
        if (opened != 1) {
            reason = error.text();
            libvhdi_file_free(&file, nullptr);
            return false;
        }
        FFiles.push_back(file);
        return true;
    }
    std::optional<std::wstring> parentOfLast() override;
    bool linkLast(std::wstring& reason) override {
        TVhdiError error;
        if (libvhdi_file_set_parent_file(FFiles[FFiles.size() - 2], FFiles.back(), &error.error) != 1) {
            reason = error.text();
            return false;
        }
        return true;
    }
    libvhdi_file_t* first() const {
        return FFiles.front();
    }

private:
    std::vector<libvhdi_file_t*> FFiles;
};

class TVhdDevice final : public TLibraryDevice {
public:
    TVhdDevice(std::unique_ptr<TVhdChain> chain, std::uint64_t size)
        : TLibraryDevice(size), FChain(std::move(chain)) {}

protected:
    std::int64_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        return libvhdi_file_read_buffer_at_offset(FChain->first(), buffer, count,
                                                  static_cast<off64_t>(offset), nullptr);
    }

private:
    std::unique_ptr<TVhdChain> FChain;
};

// The parent's file name as a differencing disk records it (a path of the machine that made it), its
// last part.
std::optional<std::wstring> TVhdChain::parentOfLast() {
    std::uint32_t type = 0;
    libvhdi_file_get_disk_type(FFiles.back(), &type, nullptr);
    if (type != LIBVHDI_DISK_TYPE_DIFFERENTIAL) {
        return std::nullopt;
    }
    std::uint16_t name[1024] = {};
    if (libvhdi_file_get_utf16_parent_filename(FFiles.back(), name, std::size(name), nullptr) != 1) {
        return L"";
    }
    std::wstring path = fromUtf16Units(name, std::size(name));
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

} // namespace

TContainer openVhdContainer(const std::filesystem::path& path, bool vhdx) {
    TContainer container;
    const std::wstring name = displayName(path);
    container.facts.format = vhdx ? TContainerFormat::vhdx : TContainerFormat::vhd;
    container.facts.segments.push_back(name);
    const std::wstring kind = vhdx ? L"VHDX" : L"VHD";
    auto chain = std::make_unique<TVhdChain>();
    std::wstring reason;
    if (!chain->open(path, reason)) {
        container.error = name + L" cannot be read as a " + kind + L": " + reason;
        return container;
    }
    std::uint32_t diskType = 0;
    libvhdi_file_get_disk_type(chain->first(), &diskType, nullptr);
    container.facts.formatName = (diskType == LIBVHDI_DISK_TYPE_DIFFERENTIAL ? L"differencing "
                                  : diskType == LIBVHDI_DISK_TYPE_DYNAMIC    ? L"dynamic "
                                                                             : L"fixed ") +
                                 kind;
    if (std::wstring error = openParents(*chain, path, container.facts); !error.empty()) {
        container.error = std::move(error);
        return container;
    }
    size64_t mediaSize = 0;
    TVhdiError error;
    if (libvhdi_file_get_media_size(chain->first(), &mediaSize, &error.error) != 1) {
        container.error = name + L" cannot be read as a " + kind + L": " + error.text();
        return container;
    }
    std::uint32_t bytesPerSector = 0;
    if (libvhdi_file_get_bytes_per_sector(chain->first(), &bytesPerSector, nullptr) == 1) {
        container.facts.bytesPerSector = bytesPerSector;
    }
    container.facts.mediaSize = mediaSize;
    container.device = std::make_shared<TVhdDevice>(std::move(chain), mediaSize);
    return container;
}

} // namespace ntfs
