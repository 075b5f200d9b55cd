// The worker thread: suspended until started, frees itself, hands its steps to the UI thread.

#include "platform/StandInUiThread.h"
#include "platform/Thread.h"
#include "support/DoneSignal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stdexcept>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

// A worker whose body is given by the test and whose destruction the test can wait for.
class TProbeThread : public plat::TThread {
public:
    TProbeThread(std::function<void(TProbeThread&)> body, testsupport::TDoneSignal destroyed)
        : FBody(std::move(body)), FDestroyed(destroyed) {}
    ~TProbeThread() override { FDestroyed.set(); }
    using plat::TThread::Synchronize;

protected:
    void Execute() override { FBody(*this); }

private:
    std::function<void(TProbeThread&)> FBody;
    testsupport::TDoneSignal FDestroyed;
};

class ThreadTest : public testing::Test {
protected:
    void SetUp() override { plat::installUiDispatcher(&ui); }
    void TearDown() override { plat::installUiDispatcher(nullptr); }

    // Starts a worker that frees itself and waits until it has.
    void runToEnd(std::function<void(TProbeThread&)> body) {
        testsupport::TDoneSignal destroyed;
        auto* thread = new TProbeThread(std::move(body), destroyed);
        thread->setFreeOnTerminate(true);
        thread->Start();
        ASSERT_TRUE(destroyed.waitFor(10s));
    }

    plat::TStandInUiThread ui;
};

TEST_F(ThreadTest, RunsOnlyAfterStartAndFreesItselfWhenItsBodyReturns) {
    testsupport::TDoneSignal destroyed;
    std::promise<std::thread::id> ranOn;
    auto* thread =
        new TProbeThread([&](TProbeThread&) { ranOn.set_value(std::this_thread::get_id()); }, destroyed);
    thread->setFreeOnTerminate(true);
    auto ran = ranOn.get_future();
    EXPECT_EQ(ran.wait_for(50ms), std::future_status::timeout) << "created suspended";
    EXPECT_FALSE(thread->started());
    thread->Start();
    ASSERT_EQ(ran.wait_for(10s), std::future_status::ready);
    EXPECT_NE(ran.get(), std::this_thread::get_id());
    EXPECT_TRUE(destroyed.waitFor(10s));
}

TEST_F(ThreadTest, StepsRunOnTheUiThreadInOrderWhileTheWorkerWaits) {
    std::vector<std::string> events;
    std::vector<std::thread::id> stepThreads;
    std::thread::id workerId;
    runToEnd([&](TProbeThread& self) {
        workerId = std::this_thread::get_id();
        for (int i = 0; i < 5; ++i) {
            self.Synchronize([&, i] {
                std::this_thread::sleep_for(1ms); // a worker that did not wait would overtake the step
                stepThreads.push_back(std::this_thread::get_id());
                events.push_back("step " + std::to_string(i));
            });
            events.push_back("after " + std::to_string(i));
        }
    });
    EXPECT_EQ(events, (std::vector<std::string>{"step 0", "after 0", "step 1", "after 1", "step 2", "after 2",
                                                "step 3", "after 3", "step 4", "after 4"}));
    ASSERT_EQ(stepThreads.size(), 5u);
    for (const std::thread::id& id : stepThreads) {
        EXPECT_EQ(id, ui.threadId());
        EXPECT_NE(id, workerId);
    }
}

TEST_F(ThreadTest, AStepHandedOverFromTheUiThreadItselfRunsAtOnce) {
    bool inner = false;
    runToEnd([&](TProbeThread& self) {
        self.Synchronize([&] { plat::uiDispatcher().runOnUiThread([&] { inner = true; }); });
    });
    EXPECT_TRUE(inner) << "a nested hand-over would otherwise wait for itself";
}

TEST_F(ThreadTest, TheBodySeesTerminate) {
    testsupport::TDoneSignal destroyed;
    std::promise<void> running;
    std::atomic<int> rounds{0};
    auto* thread = new TProbeThread(
        [&](TProbeThread& self) {
            running.set_value();
            while (!self.Terminated()) {
                ++rounds;
                std::this_thread::sleep_for(1ms);
            }
        },
        destroyed);
    thread->setFreeOnTerminate(true);
    thread->Start();
    ASSERT_EQ(running.get_future().wait_for(10s), std::future_status::ready);
    EXPECT_FALSE(destroyed.waitFor(30ms)) << "runs until asked to stop";
    thread->Terminate();
    EXPECT_TRUE(destroyed.waitFor(10s));
}

TEST_F(ThreadTest, AStepErrorReachesTheWorkerAndAnEscapedErrorStillFreesIt) {
    std::string caught;
    runToEnd([&](TProbeThread& self) {
        try {
            self.Synchronize([] { throw std::runtime_error("step failed"); });
        } catch (const std::runtime_error& error) {
            caught = error.what();
        }
        self.Synchronize([] {}); // the UI thread still serves steps
        throw std::runtime_error("escapes the body");
    });
    EXPECT_EQ(caught, "step failed");
}

std::atomic<int> gAppliedPriority{-1};
std::thread::id gAppliedOn;
void recordPriority(plat::TThreadPriority priority) {
    gAppliedOn = std::this_thread::get_id();
    gAppliedPriority = priority;
}

TEST_F(ThreadTest, PriorityIsAppliedOnTheWorkerBeforeItsBody) {
    plat::installThreadPriorityHandler(recordPriority);
    testsupport::TDoneSignal destroyed;
    int seenInBody = -1;
    std::thread::id workerId;
    auto* thread = new TProbeThread(
        [&](TProbeThread&) {
            seenInBody = gAppliedPriority;
            workerId = std::this_thread::get_id();
        },
        destroyed);
    EXPECT_EQ(thread->priority(), plat::tpNormal);
    thread->setPriority(plat::tpHighest);
    EXPECT_EQ(thread->priority(), plat::tpHighest);
    thread->setFreeOnTerminate(true);
    thread->Start();
    ASSERT_TRUE(destroyed.waitFor(10s));
    plat::installThreadPriorityHandler(nullptr);
    EXPECT_EQ(seenInBody, plat::tpHighest);
    EXPECT_EQ(gAppliedOn, workerId);
}

TEST_F(ThreadTest, AThreadThatDoesNotFreeItselfIsWaitedForByItsOwner) {
    testsupport::TDoneSignal destroyed;
    bool ran = false;
    auto* thread = new TProbeThread([&](TProbeThread&) { ran = true; }, destroyed);
    thread->Start();
    thread->WaitFor();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(destroyed.waitFor(20ms)) << "not freed by itself";
    delete thread;
    EXPECT_TRUE(destroyed.isSet());
}

} // namespace
