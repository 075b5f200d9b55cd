#pragma once
// SHA-256 through the platform's own implementation: Windows' cryptography functions (BCrypt) in the
// Windows build, OpenSSL's libcrypto elsewhere. Streaming: update as often as needed, then final.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace plat {

class TSha256 {
public:
    using TDigest = std::array<std::uint8_t, 32>;

    TSha256();
    ~TSha256();
    TSha256(const TSha256&) = delete;
    TSha256& operator=(const TSha256&) = delete;

    // False once the platform has failed (it never does in practice); final then answers false too.
    bool update(const void* bytes, std::size_t count);
    // The digest of everything given; the object starts afresh afterwards.
    bool final(TDigest& digest);

    static std::string hex(const TDigest& digest);

    struct TImpl;

private:
    std::unique_ptr<TImpl> FImpl;
};

} // namespace plat
