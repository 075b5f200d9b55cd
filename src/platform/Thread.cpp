#include "platform/Thread.h"

#include <cstdlib>

namespace plat {

namespace {
TUiDispatcher* gDispatcher = nullptr;
TPriorityHandler gPriorityHandler = nullptr;
} // namespace

TUiDispatcher& uiDispatcher() {
    if (gDispatcher == nullptr) {
        std::abort(); // installed at start-up; a missing install is a programming error
    }
    return *gDispatcher;
}

void installUiDispatcher(TUiDispatcher* dispatcher) {
    gDispatcher = dispatcher;
}

void installThreadPriorityHandler(TPriorityHandler handler) {
    gPriorityHandler = handler;
}

TThread::TThread() = default;

TThread::~TThread() {
    if (FThread.joinable()) {
        Terminate();
        if (FThread.get_id() == std::this_thread::get_id()) {
            FThread.detach(); // deleted by its own body: nothing left to wait for
        } else {
            FThread.join();
        }
    }
}

void TThread::Start() {
    if (FStarted) {
        return;
    }
    FStarted = true;
    if (FFreeOnTerminate) {
        // The object may be gone as soon as the new thread runs, so nothing of it is touched after
        // the thread has been created.
        std::thread(&TThread::run, this).detach();
    } else {
        FThread = std::thread(&TThread::run, this);
    }
}

void TThread::WaitFor() {
    if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) {
        FThread.join();
    }
}

void TThread::Synchronize(const std::function<void()>& step) {
    uiDispatcher().runOnUiThread(step);
}

void TThread::run() {
    if (gPriorityHandler != nullptr) {
        gPriorityHandler(FPriority);
    }
    try {
        Execute();
    } catch (...) {
        // A worker reports through its window only; an escaped error just ends it.
    }
    if (FFreeOnTerminate) {
        delete this;
    }
}

} // namespace plat
