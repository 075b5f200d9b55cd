#pragma once
// The trust services over the real Windows functions: WinVerifyTrust for the verdict and the
// cryptography functions for the signer's name. Keeps no state, so any thread may call it.

#include "platform/TrustServices.h"

namespace plat {

class TWin32TrustServices final : public TTrustServices {
public:
    LONG verifyFileTrust(const wchar_t* file) override;
    std::wstring signerName(const wchar_t* file) override;
};

} // namespace plat
