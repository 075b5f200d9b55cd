#pragma once
// The worker thread of the program: created suspended, given its settings, started; it frees itself
// when its body returns if asked to; it stops only cooperatively, through its stop flag; and it
// hands every step that touches a window to the UI thread, waiting until the step has run.

#include <atomic>
#include <functional>
#include <thread>

namespace plat {

// Runs steps on the UI thread for workers. One object is installed at start-up: on Windows a
// message sent to a hidden window of the UI thread; in tests a stand-in thread.
class TUiDispatcher {
public:
    virtual ~TUiDispatcher() = default;
    // Runs the step on the UI thread and returns when it has run. An exception thrown by the step is
    // thrown again here, on the calling thread. Called on the UI thread itself, the step runs at once.
    virtual void runOnUiThread(const std::function<void()>& step) = 0;
};

TUiDispatcher& uiDispatcher();
void installUiDispatcher(TUiDispatcher* dispatcher);

// Scheduling priority of a worker. Windows maps tpHighest to THREAD_PRIORITY_HIGHEST (the highest
// normal priority, below time-critical); elsewhere the value is only recorded.
enum TThreadPriority { tpNormal, tpHighest };

// Applies a priority to the calling thread; installed at start-up by the Windows implementation.
using TPriorityHandler = void (*)(TThreadPriority priority);
void installThreadPriorityHandler(TPriorityHandler handler);

class TThread {
public:
    TThread(); // suspended: the body runs only after Start
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    // Runs the body on a new thread. A thread that frees itself must not be touched after Start
    // except through what its body hands out (its steps run while it waits).
    void Start();
    bool started() const { return FStarted; }

    // The stop flag: set from any thread, polled by the body.
    void Terminate() { FTerminated.store(true); }
    bool Terminated() const { return FTerminated.load(); }
    // The same flag, for long reads that poll it themselves (a volume's catalogue while it loads).
    const std::atomic<bool>& stopFlag() const { return FTerminated; }

    // Settings, to be given before Start.
    bool freeOnTerminate() const { return FFreeOnTerminate; }
    void setFreeOnTerminate(bool value) { FFreeOnTerminate = value; }
    TThreadPriority priority() const { return FPriority; }
    void setPriority(TThreadPriority value) { FPriority = value; }

    // Waits until the body has returned; for threads that do not free themselves.
    void WaitFor();

protected:
    // The body. An exception that escapes it ends the thread quietly.
    virtual void Execute() = 0;
    // Runs the step on the UI thread and waits for it; the step's exception is thrown again here.
    void Synchronize(const std::function<void()>& step);

private:
    void run();

    std::thread FThread;
    std::atomic<bool> FTerminated{false};
    bool FFreeOnTerminate = false;
    TThreadPriority FPriority = tpNormal;
    bool FStarted = false;
};

} // namespace plat
