// The signature check of the program file: the verdict from the platform's trust service, the
// worker that runs it off the UI thread, and what the status panel shows for each outcome.

#include "ui/about/UntAbout.h"

#include "platform/TrustServices.h"
#include "ui/about/UntAboutArt.h"

TSignCheck checkSignature(const std::wstring& file) {
    TSignCheck check;
    check.code = plat::trust().verifyFileTrust(file.c_str());
    switch (check.code) {
    case 0:
        check.status = ssTrusted;
        break;
    // No signature, or a file of a kind that cannot carry one.
    case plat::TRUST_E_NOSIGNATURE:
    case plat::TRUST_E_SUBJECT_FORM_UNKNOWN:
    case plat::TRUST_E_PROVIDER_UNKNOWN:
        check.status = ssNotSigned;
        break;
    default:
        check.status = ssNotValid;
        break;
    }
    if (check.status != ssNotSigned) {
        check.publisher = plat::trust().signerName(file.c_str());
    }
    return check;
}

void TSignCheckLink::drop() {
    std::lock_guard<std::mutex> lock(FLock);
    FOnChecked = nullptr;
}

bool TSignCheckLink::running() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FRunning;
}

bool TSignCheckLink::wanted() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FOnChecked != nullptr;
}

void TSignCheckLink::handOver(const TSignCheck& check) {
    std::lock_guard<std::mutex> lock(FLock);
    if (FOnChecked) {
        FOnChecked(check);
    }
}

void TSignCheckLink::ended() {
    std::lock_guard<std::mutex> lock(FLock);
    FRunning = false;
}

TCheckSignStatus::TCheckSignStatus(std::wstring file, std::shared_ptr<TSignCheckLink> link)
    : FFile(std::move(file)), FLink(std::move(link)) {}

TCheckSignStatus::~TCheckSignStatus() {
    // The body has returned, whatever way: nothing of the program's is used from here on.
    FLink->ended();
}

void TCheckSignStatus::Execute() {
    const TSignCheck check = checkSignature(FFile);
    // Dropped meanwhile (the window went): the UI thread is not even asked.
    if (FLink->wanted()) {
        Synchronize([&] { FLink->handOver(check); });
    }
}

TSignStatusLook signStatusLook(const TSignCheck& check) {
    const std::wstring publisher = check.publisher.empty() ? L"" : L"Publisher: " + check.publisher + L". ";
    switch (check.status) {
    case ssChecking:
        break;
    case ssTrusted:
        return {
            L"Signed and trusted", publisher + L"The program file is unchanged since its maker signed it.",
            hexColor(0xDFF0D8),    hexColor(0xB2D8A4),
            hexColor(0x3C763D),    kStatusIconTrusted};
    case ssNotSigned:
        return {L"Not signed",
                L"The program file carries no digital signature, so its maker cannot be verified.",
                hexColor(0xFCF8E3),
                hexColor(0xFAEBCC),
                hexColor(0x8A6D3B),
                kStatusIconNotSigned};
    case ssNotValid:
        return {L"Signature not valid",
                publisher + L"The signature does not match the file or is not trusted: the file may "
                            L"have been changed.",
                hexColor(0xF2DEDE),
                hexColor(0xEBCCD1),
                hexColor(0xA94442),
                kStatusIconNotValid};
    }
    return {L"Checking the digital signature...",
            L"The program is verifying its own file. This takes a moment.",
            hexColor(0xD9EDF7),
            hexColor(0xBCE8F1),
            hexColor(0x31708F),
            kStatusIconWaiting};
}
