#include "platform/win32/Win32TrustServices.h"

#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>

#include <memory>
#include <type_traits>
#include <vector>

namespace plat {

namespace {

struct TStoreCloser {
    void operator()(HCERTSTORE store) const { ::CertCloseStore(store, 0); }
};
struct TMessageCloser {
    void operator()(HCRYPTMSG message) const { ::CryptMsgClose(message); }
};
struct TCertificateFreer {
    void operator()(PCCERT_CONTEXT certificate) const { ::CertFreeCertificateContext(certificate); }
};
using TStore = std::unique_ptr<std::remove_pointer_t<HCERTSTORE>, TStoreCloser>;
using TMessage = std::unique_ptr<std::remove_pointer_t<HCRYPTMSG>, TMessageCloser>;
using TCertificate = std::unique_ptr<const CERT_CONTEXT, TCertificateFreer>;

} // namespace

LONG TWin32TrustServices::verifyFileTrust(const wchar_t* file) {
    WINTRUST_FILE_INFO fileInfo{};
    fileInfo.cbStruct = sizeof(fileInfo);
    fileInfo.pcwszFilePath = file;

    WINTRUST_DATA data{};
    data.cbStruct = sizeof(data);
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    // No waiting on the network for certificate lists: the check answers from what is at hand.
    data.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;

    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    const LONG status = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);

    // The verification keeps state until it is closed, whatever the verdict.
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return status;
}

std::wstring TWin32TrustServices::signerName(const wchar_t* file) {
    DWORD encoding = 0;
    DWORD contentType = 0;
    DWORD formatType = 0;
    HCERTSTORE rawStore = nullptr;
    HCRYPTMSG rawMessage = nullptr;
    if (!::CryptQueryObject(CERT_QUERY_OBJECT_FILE, file, CERT_QUERY_CONTENT_FLAG_PKCS7_SIGNED_EMBED,
                            CERT_QUERY_FORMAT_FLAG_BINARY, 0, &encoding, &contentType, &formatType, &rawStore,
                            &rawMessage, nullptr)) {
        return {}; // no embedded signature
    }
    TStore store(rawStore);
    TMessage message(rawMessage);

    DWORD size = 0;
    if (!::CryptMsgGetParam(message.get(), CMSG_SIGNER_INFO_PARAM, 0, nullptr, &size) || size == 0) {
        return {};
    }
    std::vector<BYTE> buffer(size);
    if (!::CryptMsgGetParam(message.get(), CMSG_SIGNER_INFO_PARAM, 0, buffer.data(), &size)) {
        return {};
    }
    const auto* signer = reinterpret_cast<const CMSG_SIGNER_INFO*>(buffer.data());

    CERT_INFO wanted{};
    wanted.Issuer = signer->Issuer;
    wanted.SerialNumber = signer->SerialNumber;
    TCertificate certificate(
        ::CertFindCertificateInStore(store.get(), encoding, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr));
    if (!certificate) {
        return {};
    }
    const DWORD length =
        ::CertGetNameStringW(certificate.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    if (length <= 1) {
        return {};
    }
    std::wstring name(length, L'\0');
    ::CertGetNameStringW(certificate.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(), length);
    name.resize(length - 1); // without the terminator
    return name;
}

} // namespace plat
