#pragma once
// A timer that raises OnTimer every interval milliseconds on the UI thread while it is enabled;
// a one-shot timer disables itself before its first OnTimer. It runs through the installed
// platform services (a platform timer on Windows; tests fire the headless one by hand); with none
// installed it never fires.

#include "platform/WidgetServices.h"
#include "toolkit/Component.h"

#include <functional>
#include <memory>

class TTimer : public TComponent, private plat::TTimerSink {
public:
    using TNotifyEvent = std::function<void(TTimer* sender)>;

    TTimer();
    ~TTimer() override;

    // An interval of 0 stops the timer until another is given.
    unsigned interval() const { return FInterval; }
    void setInterval(unsigned value);
    bool enabled() const { return FEnabled; }
    void setEnabled(bool value);
    bool oneShot() const { return FOneShot; }
    void setOneShot(bool value) { FOneShot = value; }
    // Whether a platform timer is running for it now.
    bool running() const { return FPeer != nullptr; }

    TNotifyEvent OnTimer;

private:
    void sinkTimer() override;
    void restart();

    unsigned FInterval = 1000;
    bool FEnabled = true;
    bool FOneShot = false;
    std::unique_ptr<plat::TTimerPeer> FPeer;
};
