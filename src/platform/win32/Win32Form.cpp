#include "platform/win32/Win32Form.h"
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Canvas.h"
#include "platform/win32/Win32Dpi.h"
#include "platform/win32/Win32ProgramIcon.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <vector>

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

// The program's other windows, disabled while a form is modal and enabled again at the end of the
// scope, on every path; the one that was active (or else the first) becomes the dialog's owner and
// is activated again.
class TDisabledWindows {
public:
    explicit TDisabledWindows(HWND dialog) : FDialog(dialog) {
        EnumThreadWindows(GetCurrentThreadId(), collect, reinterpret_cast<LPARAM>(this));
        HWND active = GetActiveWindow();
        for (HWND window : FWindows) {
            if (window == active) {
                FOwner = window;
            }
        }
        if (FOwner == nullptr && !FWindows.empty()) {
            FOwner = FWindows.front();
        }
        for (HWND window : FWindows) {
            EnableWindow(window, FALSE);
        }
    }
    ~TDisabledWindows() {
        for (HWND window : FWindows) {
            if (IsWindow(window)) {
                EnableWindow(window, TRUE);
            }
        }
        if (FOwner != nullptr && IsWindow(FOwner)) {
            SetActiveWindow(FOwner);
        }
    }
    TDisabledWindows(const TDisabledWindows&) = delete;
    TDisabledWindows& operator=(const TDisabledWindows&) = delete;

    HWND owner() const { return FOwner; }

private:
    static BOOL CALLBACK collect(HWND window, LPARAM data) {
        auto* self = reinterpret_cast<TDisabledWindows*>(data);
        if (window != self->FDialog && IsWindowVisible(window) && IsWindowEnabled(window)) {
            self->FWindows.push_back(window);
        }
        return TRUE;
    }

    HWND FDialog;
    HWND FOwner = nullptr;
    std::vector<HWND> FWindows;
};

// The form's window: its minimum tracking size, the close request handed to the toolkit, and
// centring in its monitor's work area.
class TWin32FormPeer final : public TFormPeer {
public:
    TWin32FormPeer(TWin32WidgetServices& services, HWND window, TFormSink& sink)
        : FServices(services), FWindow(window), FSink(sink), FColors(services.systemColors()) {
        FAttached =
            SetWindowSubclass(FWindow, subclassProc, kFormSubclassId, reinterpret_cast<DWORD_PTR>(this));
        giveProgramIcon(FWindow, windowDpi(FWindow));
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

    void setFrame(TFormFrame frame) override {
        if (frame == TFormFrame::sizeable) {
            return; // windows are made sizeable
        }
        // The client area stays where it is: the window's frame changes around it.
        RECT client{};
        GetClientRect(FWindow, &client);
        POINT origin{0, 0};
        ClientToScreen(FWindow, &origin);
        DWORD style = static_cast<DWORD>(GetWindowLongPtrW(FWindow, GWL_STYLE));
        style &= ~static_cast<DWORD>(WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_SYSMENU);
        style |= WS_CAPTION;
        DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(FWindow, GWL_EXSTYLE));
        if (frame == TFormFrame::fixedDialog) {
            exStyle |= WS_EX_DLGMODALFRAME;
        } else {
            style |= WS_SYSMENU; // the close box, without the minimise and maximise boxes
        }
        SetWindowLongPtrW(FWindow, GWL_STYLE, static_cast<LONG_PTR>(style));
        SetWindowLongPtrW(FWindow, GWL_EXSTYLE, static_cast<LONG_PTR>(exStyle));
        RECT outer{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
        adjustWindowRectForDpi(&outer, style, exStyle, windowDpi(FWindow));
        SetWindowPos(FWindow, nullptr, outer.left, outer.top, outer.right - outer.left,
                     outer.bottom - outer.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }

    void centreOver(TControlPeer& other) override {
        HWND otherWindow = static_cast<HWND>(windowOf(&other));
        RECT outer{};
        RECT area{};
        if (otherWindow == nullptr || !GetWindowRect(FWindow, &outer) || !GetWindowRect(otherWindow, &area)) {
            return;
        }
        const int w = outer.right - outer.left;
        const int h = outer.bottom - outer.top;
        int x = area.left + ((area.right - area.left) - w) / 2;
        int y = area.top + ((area.bottom - area.top) - h) / 2;
        // Kept on the screen where the other window lies partly outside it.
        const RECT work = workAreaOf(otherWindow);
        x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - w));
        y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - h));
        SetWindowPos(FWindow, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    bool runModal(const std::function<void()>& show, const std::function<bool()>& ended) override {
        TDisabledWindows others(FWindow);
        // The dialog belongs to the window that was active: it stays in front of it, and has no
        // button of its own on the task bar.
        if (others.owner() != nullptr) {
            SetWindowLongPtrW(FWindow, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(others.owner()));
        }
        show();
        bool closed = true;
        MSG message{};
        while (!ended()) {
            const BOOL got = GetMessageW(&message, nullptr, 0, 0);
            if (got == 0) {
                // The program is ending: the main loop hears of it too.
                PostQuitMessage(static_cast<int>(message.wParam));
                closed = false;
                break;
            }
            if (got == -1) {
                closed = false;
                break;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        return closed;
    }

    int dpi() override { return windowDpi(FWindow); }

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
                adjustWindowRectOf(window, &frame);
                auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
                info->ptMinTrackSize.x = frame.right - frame.left;
                info->ptMinTrackSize.y = frame.bottom - frame.top;
            }
            return result;
        }
        case WM_DPICHANGED: {
            // The form lays itself out at the new DPI first, then the window takes the place the
            // system suggests, so that it stays under the pointer that moved it.
            self->FSink.sinkDpiChanged(HIWORD(wParam));
            giveProgramIcon(window, HIWORD(wParam));
            const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
            SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                         suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
            return 0;
        }
        case WM_SETTINGCHANGE:
        case WM_SYSCOLORCHANGE:
            // Either may tell of a new colour scheme or of high contrast turned on or off. Every
            // top-level window hears of it: the first re-reads, and each repaints once when the
            // colours differ from the ones it last painted with.
            self->FServices.refreshSystemColors();
            if (self->FServices.systemColors() != self->FColors) {
                self->FColors = self->FServices.systemColors();
                self->FSink.sinkSystemColorsChanged();
            }
            break;
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

    TWin32WidgetServices& FServices;
    HWND FWindow;
    TFormSink& FSink;
    TSystemColors FColors;
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
    FSystemColors = readSystemColors();
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
    auto form = std::make_unique<TWin32FormPeer>(*this, window, sink);
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
