#pragma once
// A stand-in for the UI thread where there is no window system (tests, benchmarks): a thread of its
// own that runs the workers' steps one at a time, in the order they were handed over, while each
// worker waits for its step.

#include "platform/Thread.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace plat {

class TStandInUiThread : public TUiDispatcher {
public:
    TStandInUiThread();
    ~TStandInUiThread() override; // serves the steps already handed over, then ends its thread
    TStandInUiThread(const TStandInUiThread&) = delete;
    TStandInUiThread& operator=(const TStandInUiThread&) = delete;

    void runOnUiThread(const std::function<void()>& step) override;
    std::thread::id threadId() const { return FThread.get_id(); }

private:
    struct TRequest {
        const std::function<void()>* step;
        std::exception_ptr error;
        bool done = false;
    };
    void serve();

    std::mutex FLock;
    std::condition_variable FQueued;
    std::condition_variable FDone;
    std::deque<TRequest*> FQueue;
    bool FStopping = false;
    std::thread FThread;
};

} // namespace plat
