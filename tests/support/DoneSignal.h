#pragma once
// A one-shot signal between threads whose state outlives both sides: the side that signals keeps its
// own copy, so it may still be inside set() when the waiting side has already moved on.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace testsupport {

class TDoneSignal {
public:
    void set() {
        std::lock_guard<std::mutex> lock(FState->lock);
        FState->done = true;
        FState->changed.notify_all();
    }
    bool isSet() const {
        std::lock_guard<std::mutex> lock(FState->lock);
        return FState->done;
    }
    bool waitFor(std::chrono::milliseconds timeout) const {
        std::unique_lock<std::mutex> lock(FState->lock);
        return FState->changed.wait_for(lock, timeout, [&] { return FState->done; });
    }

private:
    struct TState {
        std::mutex lock;
        std::condition_variable changed;
        bool done = false;
    };
    std::shared_ptr<TState> FState = std::make_shared<TState>();
};

} // namespace testsupport
