#pragma once
// Scoped switches of process and thread modes that file access needs, undone on every path.

#include "platform/WinTypes.h"

namespace plat {

// Critical-error dialogs off (a drive without a medium raises no system message box); the previous
// error mode is put back when the scope ends.
class TCriticalErrorsOff {
public:
    TCriticalErrorsOff();
    ~TCriticalErrorsOff();
    TCriticalErrorsOff(const TCriticalErrorsOff&) = delete;
    TCriticalErrorsOff& operator=(const TCriticalErrorsOff&) = delete;

private:
    UINT FPrevious;
};

// The file-system redirection of 32-bit processes off for the calling thread, so a 32-bit process
// sees the real system folder. Scopes nest on one thread: only the outermost one switches, so an
// inner scope never switches redirection back on under an outer one. Does nothing where the
// switches do not exist.
class TRedirectionOff {
public:
    TRedirectionOff();
    ~TRedirectionOff();
    TRedirectionOff(const TRedirectionOff&) = delete;
    TRedirectionOff& operator=(const TRedirectionOff&) = delete;

private:
    bool FSwitched = false;
};

} // namespace plat
