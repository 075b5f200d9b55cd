#pragma once
// A byte range of another device: a partition inside a disk image. Reads outside the range are refused,
// so a volume in one partition can never read its neighbours' bytes.

#include "ntfs/NtfsDevice.h"

#include <cstdint>
#include <memory>

namespace ntfs {

// The bytes [offset, offset + length) of the base; null when the range does not lie within the base
// (as far as its size is known) or its end does not fit in 64 bits. Several ranges may share one base.
std::unique_ptr<TNtfsDevice> openDeviceRange(std::shared_ptr<TNtfsDevice> base, std::uint64_t offset,
                                             std::uint64_t length);

} // namespace ntfs
