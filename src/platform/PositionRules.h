#pragma once
// Windows' rules for moving a file position and for skipping data in a backup stream, shared by
// every file services implementation that keeps its own positions (the store, the NTFS reader).

#include "platform/WinTypes.h"

#include <cstdint>

namespace plat {

struct TMovedPosition {
    DWORD error = ERROR_SUCCESS; // the position stays where it was unless this is ERROR_SUCCESS
    std::uint64_t position = 0;
};

// Where SetFilePointer(distance, distanceHigh, method) moves a position in data of this size: a
// negative result is ERROR_NEGATIVE_SEEK, a result past 4 GiB without a high part is refused.
TMovedPosition movedFilePointer(std::uint64_t position, std::uint64_t size, LONG distance,
                                const LONG* distanceHigh, DWORD method);

struct TBackupSkip {
    DWORD error = ERROR_SUCCESS; // ERROR_SEEK when asked to skip more than is left, or a header
    std::uint64_t moved = 0;
};

// How far BackupSeek moves inside the current record (header and name of headSize bytes, then its
// data, total bytes in all) from position: only the rest of the data, never the next header.
TBackupSkip backupSkipWithin(std::uint64_t headSize, std::uint64_t total, std::uint64_t position, DWORD low,
                             DWORD high);

} // namespace plat
