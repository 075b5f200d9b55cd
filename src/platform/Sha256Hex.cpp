#include "platform/Sha256.h"

namespace plat {

std::string TSha256::hex(const TDigest& digest) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * digest.size());
    for (const std::uint8_t byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

} // namespace plat
