#include "platform/ProcessServices.h"

#include <cstdlib>

namespace plat {

namespace {

// Without installed services: the standard library's immediate exit, the same effect.
class TStandardProcess : public TProcessServices {
public:
    void ExitProcess(UINT exitCode) override { std::_Exit(static_cast<int>(exitCode)); }
};

TStandardProcess gStandard;
TProcessServices* gProcess = nullptr;

} // namespace

TProcessServices& processServices() {
    return gProcess != nullptr ? *gProcess : gStandard;
}

void installProcessServices(TProcessServices* services) {
    gProcess = services;
}

} // namespace plat
