#include "platform/StandInUiThread.h"

namespace plat {

TStandInUiThread::TStandInUiThread() : FThread(&TStandInUiThread::serve, this) {}

TStandInUiThread::~TStandInUiThread() {
    {
        std::lock_guard<std::mutex> lock(FLock);
        FStopping = true;
    }
    FQueued.notify_all();
    FThread.join();
}

void TStandInUiThread::runOnUiThread(const std::function<void()>& step) {
    if (std::this_thread::get_id() == FThread.get_id()) {
        step();
        return;
    }
    TRequest request{&step, nullptr};
    {
        std::lock_guard<std::mutex> lock(FLock);
        FQueue.push_back(&request);
    }
    FQueued.notify_one(); // outside the lock, so the woken thread does not block on it at once
    {
        std::unique_lock<std::mutex> lock(FLock);
        FDone.wait(lock, [&] { return request.done; });
    }
    if (request.error) {
        std::rethrow_exception(request.error);
    }
}

void TStandInUiThread::serve() {
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        FQueued.wait(lock, [&] { return FStopping || !FQueue.empty(); });
        if (FQueue.empty()) {
            return; // stopping, and nothing left to serve
        }
        TRequest* request = FQueue.front();
        FQueue.pop_front();
        lock.unlock();
        try {
            (*request->step)();
        } catch (...) {
            request->error = std::current_exception();
        }
        lock.lock();
        request->done = true;
        lock.unlock();
        FDone.notify_all();
        lock.lock();
    }
}

} // namespace plat
