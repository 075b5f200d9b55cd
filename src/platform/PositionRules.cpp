#include "platform/PositionRules.h"

#include <algorithm>

namespace plat {

TMovedPosition movedFilePointer(std::uint64_t position, std::uint64_t size, LONG distance,
                                const LONG* distanceHigh, DWORD method) {
    const std::int64_t move = distanceHigh != nullptr
                                  ? makeInt64(static_cast<DWORD>(*distanceHigh), static_cast<DWORD>(distance))
                                  : static_cast<std::int64_t>(distance);
    std::int64_t base = 0;
    switch (method) {
    case FILE_BEGIN:
        break;
    case FILE_CURRENT:
        base = static_cast<std::int64_t>(position);
        break;
    case FILE_END:
        base = static_cast<std::int64_t>(size);
        break;
    default:
        return {ERROR_INVALID_PARAMETER, position};
    }
    std::int64_t target = 0;
    if (__builtin_add_overflow(base, move, &target)) {
        return {ERROR_INVALID_PARAMETER, position};
    }
    if (target < 0) {
        return {ERROR_NEGATIVE_SEEK, position};
    }
    if (distanceHigh == nullptr && target > 0xFFFFFFFFLL) {
        return {ERROR_INVALID_PARAMETER, position};
    }
    return {ERROR_SUCCESS, static_cast<std::uint64_t>(target)};
}

TBackupSkip backupSkipWithin(std::uint64_t headSize, std::uint64_t total, std::uint64_t position, DWORD low,
                             DWORD high) {
    if (position < headSize) {
        return {ERROR_SEEK, 0}; // a header or name is never skipped
    }
    const std::uint64_t wanted = (static_cast<std::uint64_t>(high) << 32) | low;
    const std::uint64_t left = total - position;
    const std::uint64_t moved = std::min(wanted, left);
    return {wanted > left ? ERROR_SEEK : ERROR_SUCCESS, moved};
}

} // namespace plat
