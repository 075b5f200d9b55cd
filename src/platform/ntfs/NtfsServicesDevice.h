#pragma once
// A raw volume as the NTFS engine's device, read through the file services (on Windows "\\.\C:",
// read only).

#include "ntfs/NtfsDevice.h"
#include "platform/FileServices.h"

#include <memory>
#include <string>

namespace plat::ntfs {

// A raw volume opened for reading through the services (reads are made in whole aligned blocks, as a
// volume handle requires); null when it cannot be opened. Its size is found at open by a few reads,
// since a volume handle does not tell it. The services must outlive the device.
std::unique_ptr<::ntfs::TNtfsDevice> openServicesDevice(TFileServices& services, const std::wstring& path);

} // namespace plat::ntfs
