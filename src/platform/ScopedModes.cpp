#include "platform/ScopedModes.h"

#include "platform/FileServices.h"

namespace plat {

TCriticalErrorsOff::TCriticalErrorsOff() : FPrevious(files().SetErrorMode(SEM_FAILCRITICALERRORS)) {}

TCriticalErrorsOff::~TCriticalErrorsOff() {
    files().SetErrorMode(FPrevious);
}

namespace {
// Redirection is a per-thread setting, so the nesting depth is per thread too.
thread_local int tRedirectionOffDepth = 0;
} // namespace

TRedirectionOff::TRedirectionOff() {
    if (tRedirectionOffDepth++ > 0 || !files().hasRedirectionFunctions()) {
        return;
    }
    void* oldValue = nullptr;
    FSwitched = files().Wow64DisableWow64FsRedirection(&oldValue) != FALSE;
}

TRedirectionOff::~TRedirectionOff() {
    --tRedirectionOffDepth;
    if (FSwitched) {
        files().Wow64EnableWow64FsRedirection(TRUE);
    }
}

} // namespace plat
