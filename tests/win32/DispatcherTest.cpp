// The Windows UI dispatcher: a worker's steps are messages sent to a window of the UI thread.

#include "platform/Thread.h"
#include "platform/win32/Win32Dispatcher.h"
#include "support/DoneSignal.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// What the worker saw; owned by the test, since the worker frees itself.
struct TStepsSeen {
    std::vector<std::thread::id> stepThreads;
    std::vector<int> order;
    std::thread::id workerId;
    std::string caught;
};

class TStepsThread : public plat::TThread {
public:
    TStepsThread(TStepsSeen& seen, testsupport::TDoneSignal destroyed) : FSeen(seen), FDestroyed(destroyed) {}
    ~TStepsThread() override { FDestroyed.set(); }

protected:
    void Execute() override {
        FSeen.workerId = std::this_thread::get_id();
        for (int i = 0; i < 3; ++i) {
            Synchronize([this, i] {
                FSeen.stepThreads.push_back(std::this_thread::get_id());
                FSeen.order.push_back(i);
            });
        }
        try {
            Synchronize([] { throw std::runtime_error("step failed"); });
        } catch (const std::runtime_error& error) {
            FSeen.caught = error.what();
        }
    }

private:
    TStepsSeen& FSeen;
    testsupport::TDoneSignal FDestroyed;
};

TEST(Win32Dispatcher, WorkerStepsRunOnTheWindowThreadWhileItServesMessages) {
    plat::win32::TWin32Dispatcher dispatcher;
    ASSERT_TRUE(dispatcher.valid());
    plat::installUiDispatcher(&dispatcher);
    plat::installThreadPriorityHandler(plat::win32::applyThreadPriority);

    TStepsSeen seen;
    testsupport::TDoneSignal destroyed;
    auto* thread = new TStepsThread(seen, destroyed);
    thread->setFreeOnTerminate(true);
    thread->setPriority(plat::tpHighest);
    thread->Start();
    const bool ended = plat::win32::serveMessagesUntil([&] { return destroyed.isSet(); }, 10000ms);

    plat::installThreadPriorityHandler(nullptr);
    plat::installUiDispatcher(nullptr);
    ASSERT_TRUE(ended);
    EXPECT_EQ(seen.order, (std::vector<int>{0, 1, 2}));
    ASSERT_EQ(seen.stepThreads.size(), 3u);
    for (const std::thread::id& id : seen.stepThreads) {
        EXPECT_EQ(id, std::this_thread::get_id());
        EXPECT_NE(id, seen.workerId);
    }
    EXPECT_EQ(seen.caught, "step failed") << "a step's error is carried back to the worker";
}

TEST(Win32Dispatcher, AStepHandedOverOnTheUiThreadRunsAtOnce) {
    plat::win32::TWin32Dispatcher dispatcher;
    bool ran = false;
    dispatcher.runOnUiThread([&] { ran = true; });
    EXPECT_TRUE(ran);
}

} // namespace
