#include "platform/shell/ScriptedTrust.h"

#include <chrono>

namespace plat {

void TScriptedTrust::answer(LONG status, std::wstring signer) {
    std::lock_guard<std::mutex> lock(FLock);
    FStatus = status;
    FSigner = std::move(signer);
}

void TScriptedTrust::hold() {
    std::lock_guard<std::mutex> lock(FLock);
    FHeld = true;
}

void TScriptedTrust::release() {
    std::lock_guard<std::mutex> lock(FLock);
    FHeld = false;
    FChanged.notify_all();
}

std::vector<std::wstring> TScriptedTrust::checkedFiles() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FChecked;
}

std::vector<std::wstring> TScriptedTrust::namedFiles() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FNamed;
}

bool TScriptedTrust::waitUntilHeld(int timeoutMs) {
    std::unique_lock<std::mutex> lock(FLock);
    return FChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return FWaiting > 0; });
}

LONG TScriptedTrust::verifyFileTrust(const wchar_t* file) {
    std::unique_lock<std::mutex> lock(FLock);
    FChecked.emplace_back(file != nullptr ? file : L"");
    ++FWaiting;
    FChanged.notify_all();
    FChanged.wait(lock, [&] { return !FHeld; });
    --FWaiting;
    return FStatus;
}

std::wstring TScriptedTrust::signerName(const wchar_t* file) {
    std::lock_guard<std::mutex> lock(FLock);
    FNamed.emplace_back(file != nullptr ? file : L"");
    return FSigner;
}

} // namespace plat
