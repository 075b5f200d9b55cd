#pragma once
// A UI thread for tests in which the test's own thread is the UI thread, as it is in the program:
// a worker hands its step over and waits; the test serves the steps while it waits for something,
// as a message loop does (a modal dialog's loop included). A step handed over on the UI thread
// itself runs at once.

#include "platform/Thread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace testsupport {

class TPumpedUiThread : public plat::TUiDispatcher {
public:
    TPumpedUiThread() : FUiThread(std::this_thread::get_id()) {}

    void runOnUiThread(const std::function<void()>& step) override {
        if (std::this_thread::get_id() == FUiThread) {
            step();
            return;
        }
        auto request = std::make_shared<TRequest>();
        request->step = &step;
        {
            std::lock_guard<std::mutex> lock(FLock);
            FQueue.push_back(request);
        }
        FChanged.notify_all();
        std::unique_lock<std::mutex> lock(FLock);
        FChanged.wait(lock, [&] { return request->done; });
        if (request->error) {
            std::rethrow_exception(request->error);
        }
    }

    // Serves the steps handed over until done() answers true or the time is up; answers done().
    // Called on the UI thread.
    bool serveUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            std::shared_ptr<TRequest> request;
            {
                std::unique_lock<std::mutex> lock(FLock);
                // A short wait: done() may turn true without a step (a worker that ended).
                FChanged.wait_for(lock, std::chrono::milliseconds(5), [&] { return !FQueue.empty(); });
                if (!FQueue.empty()) {
                    request = FQueue.front();
                    FQueue.pop_front();
                }
            }
            if (request != nullptr) {
                try {
                    (*request->step)();
                } catch (...) {
                    request->error = std::current_exception();
                }
                {
                    std::lock_guard<std::mutex> lock(FLock);
                    request->done = true;
                }
                FChanged.notify_all();
            } else if (std::chrono::steady_clock::now() > deadline) {
                return done();
            }
        }
        return true;
    }

    // Steps handed over and not yet served.
    std::size_t waiting() {
        std::lock_guard<std::mutex> lock(FLock);
        return FQueue.size();
    }

private:
    struct TRequest {
        const std::function<void()>* step = nullptr;
        std::exception_ptr error;
        bool done = false;
    };

    const std::thread::id FUiThread;
    std::mutex FLock;
    std::condition_variable FChanged;
    std::deque<std::shared_ptr<TRequest>> FQueue;
};

} // namespace testsupport
