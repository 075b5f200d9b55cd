#include "platform/win32/Win32Form.h"
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Canvas.h"

#include <windows.h>

#include <commctrl.h>

namespace plat::win32 {

namespace {

constexpr const wchar_t* kMessageClass = L"KorvaneWidgetServices";
constexpr UINT_PTR kFormSubclassId = 0x4B464F52; // "KFOR"

LRESULT CALLBACK messageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) {
        auto* services = reinterpret_cast<TWin32WidgetServices*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (services != nullptr) {
            try {
                services->timerTicked(static_cast<unsigned>(wParam));
            } catch (...) {
                // A failing tick leaves the timer running; the message loop goes on.
            }
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The form's window: its minimum tracking size, the close request handed to the toolkit, and
// centring in its monitor's work area.
class TWin32FormPeer final : public TFormPeer {
public:
    TWin32FormPeer(HWND window, TFormSink& sink) : FWindow(window), FSink(sink) {
        FAttached =
            SetWindowSubclass(FWindow, subclassProc, kFormSubclassId, reinterpret_cast<DWORD_PTR>(this));
    }
    ~TWin32FormPeer() override {
        if (FAttached && IsWindow(FWindow)) {
            RemoveWindowSubclass(FWindow, subclassProc, kFormSubclassId);
        }
    }
    TWin32FormPeer(const TWin32FormPeer&) = delete;
    TWin32FormPeer& operator=(const TWin32FormPeer&) = delete;

    bool attached() const { return FAttached != FALSE; }

    void setMinClientSize(int width, int height) override {
        FMinWidth = width;
        FMinHeight = height;
    }

    void centreOnScreen() override {
        RECT outer{};
        if (!GetWindowRect(FWindow, &outer)) {
            return;
        }
        const RECT work = workAreaOf(FWindow);
        const int w = outer.right - outer.left;
        const int h = outer.bottom - outer.top;
        const int x = work.left + ((work.right - work.left) - w) / 2;
        const int y = work.top + ((work.bottom - work.top) - h) / 2;
        // The window reports its move to the control, as any move the platform makes.
        SetWindowPos(FWindow, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    void bringToFront() override {
        BringWindowToTop(FWindow);
        SetForegroundWindow(FWindow);
    }

    static RECT workAreaOf(HWND window) {
        MONITORINFO info{};
        info.cbSize = sizeof(info);
        const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
        if (monitor != nullptr && GetMonitorInfoW(monitor, &info)) {
            return info.rcWork;
        }
        RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
        return work;
    }

private:
    static LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR /*id*/, DWORD_PTR data) {
        auto* self = reinterpret_cast<TWin32FormPeer*>(data);
        switch (message) {
        case WM_GETMINMAXINFO: {
            const LRESULT result = DefSubclassProc(window, message, wParam, lParam);
            if (self->FMinWidth > 0 || self->FMinHeight > 0) {
                RECT frame{0, 0, self->FMinWidth, self->FMinHeight};
                AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                                   static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
                auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
                info->ptMinTrackSize.x = frame.right - frame.left;
                info->ptMinTrackSize.y = frame.bottom - frame.top;
            }
            return result;
        }
        case WM_CLOSE:
            // The toolkit decides and hides the form itself; the window is never destroyed here.
            self->FSink.sinkCloseRequested();
            return 0;
        case WM_NCDESTROY:
            RemoveWindowSubclass(window, subclassProc, kFormSubclassId);
            self->FAttached = FALSE;
            break;
        default:
            break;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }

    HWND FWindow;
    TFormSink& FSink;
    BOOL FAttached = FALSE;
    int FMinWidth = 0;
    int FMinHeight = 0;
};

} // namespace

TWin32WidgetServices::TWin32WidgetServices() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = messageWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kMessageClass;
        return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    if (registered) {
        HWND window = CreateWindowExW(0, kMessageClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
        if (window != nullptr) {
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
            FWindow = window;
        }
    }
    FMeasureDc = TMemoryDc(CreateCompatibleDC(nullptr));
    FMeasure = std::make_unique<TGdiCanvas>(FMeasureDc.get(), 1, 1);
}

TWin32WidgetServices::~TWin32WidgetServices() {
    for (const auto& [id, sink] : FTimers) {
        KillTimer(static_cast<HWND>(FWindow), id);
    }
    FTimers.clear();
    FMeasure.reset(); // before its device context
    if (FWindow != nullptr) {
        SetWindowLongPtrW(static_cast<HWND>(FWindow), GWLP_USERDATA, 0);
        DestroyWindow(static_cast<HWND>(FWindow));
    }
}

std::unique_ptr<TFormPeer> TWin32WidgetServices::attachForm(TControlPeer& peer, TFormSink& sink) {
    HWND window = static_cast<HWND>(windowOf(&peer));
    if (window == nullptr) {
        return nullptr;
    }
    auto form = std::make_unique<TWin32FormPeer>(window, sink);
    if (!form->attached()) {
        return nullptr;
    }
    return form;
}

TRect TWin32WidgetServices::screenWorkArea() {
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return TRect{work.left, work.top, work.right, work.bottom};
}

TCanvas& TWin32WidgetServices::measureCanvas() {
    return *FMeasure;
}

void TWin32WidgetServices::endMessageLoop() {
    PostQuitMessage(0);
}

} // namespace plat::win32
