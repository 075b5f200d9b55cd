#pragma once
// A trust-services double for tests: one of the answers the platform gives for a file (signed and
// trusted, not signed, signed with a signature that is not valid), with the signer's name, and a
// gate that holds the check until the test lets it go, so that the state before the answer can be
// seen. It may be called from any thread; set the answer before the code under test runs.

#include "platform/TrustServices.h"

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace plat {

class TScriptedTrust : public TTrustServices {
public:
    // ---- Set-up.
    void answerTrusted(std::wstring signer) { answer(0, std::move(signer)); }
    void answerNotSigned() { answer(TRUST_E_NOSIGNATURE, L""); }
    // Signed by signer, but the check failed with status (TRUST_E_BAD_DIGEST for an altered file).
    void answerNotValid(LONG status, std::wstring signer) { answer(status, std::move(signer)); }
    // Any status WinVerifyTrust may give; signer is the name of the embedded signature's signer
    // (empty: the file has none).
    void answer(LONG status, std::wstring signer);
    // Checks wait in verifyFileTrust until release().
    void hold();
    void release();

    // ---- What happened.
    std::vector<std::wstring> checkedFiles() const;
    std::vector<std::wstring> namedFiles() const;
    // Waits until a check is waiting at the gate; false when none came in time.
    bool waitUntilHeld(int timeoutMs);

    // ---- The services.
    LONG verifyFileTrust(const wchar_t* file) override;
    std::wstring signerName(const wchar_t* file) override;

private:
    mutable std::mutex FLock;
    std::condition_variable FChanged;
    LONG FStatus = TRUST_E_NOSIGNATURE;
    std::wstring FSigner;
    bool FHeld = false;
    int FWaiting = 0;
    std::vector<std::wstring> FChecked;
    std::vector<std::wstring> FNamed;
};

} // namespace plat
