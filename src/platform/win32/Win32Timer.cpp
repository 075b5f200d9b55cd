// Timers of the widget services: SetTimer on the services' hidden window, so that every tick is a
// message of the UI thread that made the services.

#include "platform/win32/Win32Form.h"

#include <windows.h>

namespace plat::win32 {

namespace {

class TWin32Timer final : public TTimerPeer {
public:
    TWin32Timer(TWin32WidgetServices& services, unsigned id) : FServices(services), FId(id) {}
    ~TWin32Timer() override { FServices.killPlatformTimer(FId); }
    TWin32Timer(const TWin32Timer&) = delete;
    TWin32Timer& operator=(const TWin32Timer&) = delete;

private:
    TWin32WidgetServices& FServices;
    unsigned FId;
};

} // namespace

bool TWin32WidgetServices::setPlatformTimer(unsigned id, unsigned intervalMs, TTimerSink& sink) {
    if (FWindow == nullptr || SetTimer(static_cast<HWND>(FWindow), id, intervalMs, nullptr) == 0) {
        return false;
    }
    FTimers[id] = &sink;
    return true;
}

void TWin32WidgetServices::killPlatformTimer(unsigned id) {
    if (FTimers.erase(id) != 0) {
        KillTimer(static_cast<HWND>(FWindow), id);
    }
}

void TWin32WidgetServices::timerTicked(unsigned id) {
    // A tick already queued when its timer was stopped finds no sink and is dropped.
    auto found = FTimers.find(id);
    if (found != FTimers.end()) {
        found->second->sinkTimer();
    }
}

std::unique_ptr<TTimerPeer> TWin32WidgetServices::startTimer(unsigned intervalMs, TTimerSink& sink) {
    const unsigned id = FNextTimerId++;
    if (FNextTimerId == 0) {
        FNextTimerId = 1;
    }
    if (!setPlatformTimer(id, intervalMs < USER_TIMER_MINIMUM ? USER_TIMER_MINIMUM : intervalMs, sink)) {
        return nullptr;
    }
    return std::make_unique<TWin32Timer>(*this, id);
}

} // namespace plat::win32
