#include "toolkit/Timer.h"

TTimer::TTimer() {
    restart();
}

TTimer::~TTimer() {
    FPeer.reset();
}

void TTimer::setInterval(unsigned value) {
    if (value != FInterval) {
        FInterval = value;
        restart();
    }
}

void TTimer::setEnabled(bool value) {
    if (value != FEnabled) {
        FEnabled = value;
        restart();
    }
}

void TTimer::restart() {
    FPeer.reset();
    plat::TWidgetServices* services = plat::widgetServices();
    if (FEnabled && FInterval > 0 && services != nullptr) {
        FPeer = services->startTimer(FInterval, *this);
    }
}

void TTimer::sinkTimer() {
    if (FPeer == nullptr) {
        return; // a tick already queued when the timer stopped
    }
    if (FOneShot) {
        setEnabled(false);
    }
    try {
        if (OnTimer) {
            OnTimer(this);
        }
    } catch (...) {
        // A failing handler leaves the timer as it is; the message loop goes on.
    }
}
