#include "platform/StreamRecord.h"

#include <cstdio>

namespace plat {

std::string fileIdText(std::uint32_t volumeSerial, std::uint64_t fileIndex) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%08lx-%016llx", static_cast<unsigned long>(volumeSerial),
                  static_cast<unsigned long long>(fileIndex));
    return buffer;
}

} // namespace plat
