#pragma once
// The platform's trust verification of a signed file: WinVerifyTrust with the generic verification
// of Authenticode signatures (WINTRUST_ACTION_GENERIC_VERIFY_V2), and the name of the signer from
// the certificate of the file's embedded signature. Installed once at start-up; the calls may come
// from any thread, so an implementation keeps no unguarded state. Tests install TScriptedTrust
// (shell/ScriptedTrust.h).

#include "platform/WinTypes.h"

#include <string>

namespace plat {

// The results of WinVerifyTrust the program tells apart (HRESULT values, read as LONG).
constexpr LONG TRUST_E_PROVIDER_UNKNOWN = static_cast<LONG>(0x800B0001);
constexpr LONG TRUST_E_SUBJECT_FORM_UNKNOWN = static_cast<LONG>(0x800B0003);
constexpr LONG TRUST_E_SUBJECT_NOT_TRUSTED = static_cast<LONG>(0x800B0004);
constexpr LONG TRUST_E_NOSIGNATURE = static_cast<LONG>(0x800B0100);
constexpr LONG TRUST_E_EXPLICIT_DISTRUST = static_cast<LONG>(0x800B0111);
constexpr LONG TRUST_E_BAD_DIGEST = static_cast<LONG>(0x80096010);
constexpr LONG CERT_E_EXPIRED = static_cast<LONG>(0x800B0101);
constexpr LONG CERT_E_UNTRUSTEDROOT = static_cast<LONG>(0x800B0109);

class TTrustServices {
public:
    virtual ~TTrustServices() = default;

    // WinVerifyTrust of the file's embedded signature, without user interface and without fetching
    // revocation lists: 0 when the file is signed and the signature is trusted, otherwise the
    // status WinVerifyTrust gives (TRUST_E_NOSIGNATURE for a file without a signature).
    virtual LONG verifyFileTrust(const wchar_t* file) = 0;
    // The simple display name of the signer of the file's embedded signature (CryptQueryObject,
    // then CertGetNameStringW of the signer's certificate); empty when the file has no signature.
    virtual std::wstring signerName(const wchar_t* file) = 0;
};

// The process-wide services; calling trust() before one is installed stops the program.
TTrustServices& trust();
void installTrustServices(TTrustServices* services);

} // namespace plat
