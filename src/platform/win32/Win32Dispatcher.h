#pragma once
// The Windows UI dispatcher: a worker's step is a message sent to a hidden window of the UI thread,
// so it is served wherever that thread takes its messages, inside modal loops too.

#include "platform/Thread.h"

#include <chrono>
#include <functional>

namespace plat::win32 {

class TWin32Dispatcher : public TUiDispatcher {
public:
    // Made on the UI thread: the hidden window belongs to the thread that makes it.
    TWin32Dispatcher();
    ~TWin32Dispatcher() override;
    TWin32Dispatcher(const TWin32Dispatcher&) = delete;
    TWin32Dispatcher& operator=(const TWin32Dispatcher&) = delete;

    void runOnUiThread(const std::function<void()>& step) override;
    bool valid() const { return FWindow != nullptr; }

private:
    void* FWindow = nullptr;
    unsigned long FThreadId = 0;
};

// Maps a worker's priority onto the Windows thread priorities; installed at start-up.
void applyThreadPriority(TThreadPriority priority);

// Serves the calling thread's messages (and so the steps sent to it) until done() holds or the time
// is up; answers whether done() held. For a UI thread that has to wait without blocking its workers.
bool serveMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

} // namespace plat::win32
