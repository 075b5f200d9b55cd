// SHA-256 through Windows' cryptography functions (CNG), in the Windows build.
#include "platform/Sha256.h"

#include <windows.h>

#include <bcrypt.h>

namespace plat {

namespace {
bool succeeded(NTSTATUS status) {
    return status >= 0;
}
} // namespace

struct TSha256::TImpl {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool ok = false;

    TImpl() {
        ok = succeeded(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
             restart();
    }
    ~TImpl() {
        if (hash != nullptr) {
            BCryptDestroyHash(hash);
        }
        if (algorithm != nullptr) {
            BCryptCloseAlgorithmProvider(algorithm, 0);
        }
    }
    bool restart() {
        if (hash != nullptr) {
            BCryptDestroyHash(hash);
            hash = nullptr;
        }
        // The object memory is left to the system (allowed since Windows 7).
        return algorithm != nullptr &&
               succeeded(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    }
};

TSha256::TSha256() : FImpl(std::make_unique<TImpl>()) {}
TSha256::~TSha256() = default;

bool TSha256::update(const void* bytes, std::size_t count) {
    const auto* next = static_cast<const UCHAR*>(bytes);
    while (FImpl->ok && count > 0) {
        const ULONG chunk = count > 0x40000000u ? 0x40000000u : static_cast<ULONG>(count);
        FImpl->ok = succeeded(BCryptHashData(FImpl->hash, const_cast<UCHAR*>(next), chunk, 0));
        next += chunk;
        count -= chunk;
    }
    return FImpl->ok;
}

bool TSha256::final(TDigest& digest) {
    const bool ok = FImpl->ok && succeeded(BCryptFinishHash(FImpl->hash, digest.data(),
                                                            static_cast<ULONG>(digest.size()), 0));
    FImpl->ok = FImpl->restart();
    return ok;
}

} // namespace plat
