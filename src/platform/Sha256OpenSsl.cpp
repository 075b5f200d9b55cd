// SHA-256 through OpenSSL's libcrypto, everywhere but in the Windows build (see win32/Win32Sha256.cpp).
#ifndef _WIN32

#include "platform/Sha256.h"

#include <openssl/evp.h>

namespace plat {

struct TSha256::TImpl {
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    bool ok = context != nullptr && EVP_DigestInit_ex(context, EVP_sha256(), nullptr) == 1;
    ~TImpl() { EVP_MD_CTX_free(context); }
};

TSha256::TSha256() : FImpl(std::make_unique<TImpl>()) {}
TSha256::~TSha256() = default;

bool TSha256::update(const void* bytes, std::size_t count) {
    FImpl->ok = FImpl->ok && EVP_DigestUpdate(FImpl->context, bytes, count) == 1;
    return FImpl->ok;
}

bool TSha256::final(TDigest& digest) {
    unsigned int length = 0;
    const bool ok = FImpl->ok && EVP_DigestFinal_ex(FImpl->context, digest.data(), &length) == 1 &&
                    length == digest.size();
    FImpl->ok = EVP_DigestInit_ex(FImpl->context, EVP_sha256(), nullptr) == 1;
    return ok;
}

} // namespace plat

#endif
