#include "platform/win32/Win32Dispatcher.h"

#include <algorithm>
#include <exception>

#include <windows.h>

namespace plat::win32 {

namespace {

constexpr const wchar_t* kWindowClass = L"KorvaneUiDispatcher";
constexpr UINT kRunStepMessage = WM_APP + 1;

struct TStepCall {
    const std::function<void()>* step;
    std::exception_ptr error;
};

LRESULT CALLBACK dispatcherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunStepMessage) {
        // No exception may cross the window procedure: it is carried back to the worker instead.
        auto* call = reinterpret_cast<TStepCall*>(lParam);
        try {
            (*call->step)();
        } catch (...) {
            call->error = std::current_exception();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void registerWindowClass() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = dispatcherProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kWindowClass;
    RegisterClassExW(&windowClass); // fails harmlessly when already registered
}

} // namespace

TWin32Dispatcher::TWin32Dispatcher() : FThreadId(GetCurrentThreadId()) {
    registerWindowClass();
    FWindow = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
}

TWin32Dispatcher::~TWin32Dispatcher() {
    if (FWindow != nullptr) {
        DestroyWindow(static_cast<HWND>(FWindow));
    }
}

void TWin32Dispatcher::runOnUiThread(const std::function<void()>& step) {
    if (GetCurrentThreadId() == FThreadId) {
        step();
        return;
    }
    TStepCall call{&step, nullptr};
    SendMessageW(static_cast<HWND>(FWindow), kRunStepMessage, 0, reinterpret_cast<LPARAM>(&call));
    if (call.error) {
        std::rethrow_exception(call.error);
    }
}

void applyThreadPriority(TThreadPriority priority) {
    SetThreadPriority(GetCurrentThread(),
                      priority == tpHighest ? THREAD_PRIORITY_HIGHEST : THREAD_PRIORITY_NORMAL);
}

bool serveMessagesUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeout.count());
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE,
                                  static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 10)), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

} // namespace plat::win32
