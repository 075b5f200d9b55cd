#pragma once
// Where a volume's bytes come from: an image file, or a raw volume opened through the file services
// (on Windows "\\.\C:", read only). Reads are safe from several threads at once.

#include "platform/FileServices.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace plat::ntfs {

class TNtfsDevice {
public:
    virtual ~TNtfsDevice() = default;
    // Reads exactly count bytes from the offset; false when they cannot all be read.
    virtual bool read(std::uint64_t offset, void* buffer, std::size_t count) = 0;
};

// An image file of a volume; null when it cannot be opened.
std::unique_ptr<TNtfsDevice> openImageFile(const std::filesystem::path& path);

// A raw volume opened for reading through the services (reads are made in whole aligned blocks, as a
// volume handle requires); null when it cannot be opened. The services must outlive the device.
std::unique_ptr<TNtfsDevice> openServicesDevice(TFileServices& services, const std::wstring& path);

} // namespace plat::ntfs
