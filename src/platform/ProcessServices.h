#pragma once
// Process services shaped like the Windows functions of the same names: for now only the immediate
// end of the process. Installed once at start-up; until then (and in programs that install none) the
// standard library's immediate exit stands in. Tests install a double that records the call.

#include "platform/WinTypes.h"

namespace plat {

class TProcessServices {
public:
    virtual ~TProcessServices() = default;
    // Ends the process at once with the exit code: no destructors, no waiting for other threads.
    // The real services never return; a test double records the call and returns.
    virtual void ExitProcess(UINT exitCode) = 0;
};

TProcessServices& processServices();
// Null puts the standard stand-in back.
void installProcessServices(TProcessServices* services);

// The double for tests: records every exit code asked for and returns.
class TRecordingProcess : public TProcessServices {
public:
    void ExitProcess(UINT exitCode) override {
        ++FExitCount;
        FLastExitCode = exitCode;
    }
    int exitCount() const { return FExitCount; }
    UINT lastExitCode() const { return FLastExitCode; }

private:
    int FExitCount = 0;
    UINT FLastExitCode = 0;
};

} // namespace plat
