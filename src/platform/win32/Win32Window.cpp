#include "platform/win32/Win32Window.h"

namespace plat::win32 {

namespace {

constexpr const wchar_t* kWindowClass = L"KorvaneToolkitWindow";

int xOf(LPARAM lParam) {
    return static_cast<short>(LOWORD(lParam)); // signed: a captured pointer may lie left of the window
}
int yOf(LPARAM lParam) {
    return static_cast<short>(HIWORD(lParam));
}
bool buttonsHeld(WPARAM wParam) {
    return (wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON)) != 0;
}
TShiftState shiftHeld() {
    TShiftState shift = 0;
    if (GetKeyState(VK_SHIFT) < 0) {
        shift |= ssShift;
    }
    if (GetKeyState(VK_CONTROL) < 0) {
        shift |= ssCtrl;
    }
    if (GetKeyState(VK_MENU) < 0) {
        shift |= ssAlt;
    }
    return shift;
}

// Ends the paint that BeginPaint started, on every path.
class TPaintScope {
public:
    explicit TPaintScope(HWND window) : FWindow(window), FDc(BeginPaint(window, &FPaint)) {}
    ~TPaintScope() { EndPaint(FWindow, &FPaint); }
    TPaintScope(const TPaintScope&) = delete;
    TPaintScope& operator=(const TPaintScope&) = delete;
    HDC dc() const { return FDc; }

private:
    HWND FWindow;
    PAINTSTRUCT FPaint{};
    HDC FDc;
};

} // namespace

TWin32Window::TWin32Window() : FAlive(std::make_shared<int>(0)) {}

TWin32Window::~TWin32Window() {
    destroyWindow();
    if (FHandle != nullptr) {
        // The window outlives its object (destroyed from another thread): it must not find it again.
        SetWindowLongPtrW(FHandle, GWLP_USERDATA, 0);
    }
}

bool TWin32Window::createWindow(DWORD exStyle, DWORD style, const std::wstring& text, const RECT& outer,
                                HWND parent) {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        // Every window paints all of itself, and its content depends on its size.
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = windowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    if (!registered || FHandle != nullptr) {
        return false;
    }
    CreateWindowExW(exStyle, kWindowClass, text.c_str(), style, outer.left, outer.top,
                    outer.right - outer.left, outer.bottom - outer.top, parent, nullptr,
                    GetModuleHandleW(nullptr), this);
    return FHandle != nullptr;
}

void TWin32Window::destroyWindow() {
    if (FHandle != nullptr) {
        DestroyWindow(FHandle); // WM_NCDESTROY clears FHandle
    }
}

LRESULT CALLBACK TWin32Window::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TWin32Window* self = nullptr;
    if (message == WM_NCCREATE) {
        self = static_cast<TWin32Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->FHandle = window;
    } else {
        self = reinterpret_cast<TWin32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (self == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->FHandle = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    try {
        return self->dispatch(message, wParam, lParam);
    } catch (...) {
        // A failed handler leaves the window as it is; the message loop goes on.
        return 0;
    }
}

TWin32Window& TWin32Window::wheelTarget(POINT screen) {
    HWND under = WindowFromPoint(screen);
    if (under == nullptr || under == FHandle ||
        GetAncestor(under, GA_ROOT) != GetAncestor(FHandle, GA_ROOT)) {
        return *this;
    }
    wchar_t className[64] = {};
    if (GetClassNameW(under, className, 64) == 0 || lstrcmpW(className, kWindowClass) != 0) {
        return *this;
    }
    auto* other = reinterpret_cast<TWin32Window*>(GetWindowLongPtrW(under, GWLP_USERDATA));
    return other != nullptr && other->FHandle == under ? *other : *this;
}

LRESULT TWin32Window::dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // onPaint covers every pixel: erasing first would only flicker
    case WM_PAINT: {
        TPaintScope paint(FHandle);
        if (paint.dc() != nullptr) {
            onPaint(paint.dc());
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        onMouseMove(xOf(lParam), yOf(lParam));
        return 0;
    case WM_MOUSELEAVE:
        onMouseLeave();
        return 0;
    case WM_LBUTTONDOWN:
        onButtonDown(TMouseButton::mbLeft, xOf(lParam), yOf(lParam));
        return 0;
    case WM_RBUTTONDOWN:
        onButtonDown(TMouseButton::mbRight, xOf(lParam), yOf(lParam));
        return 0;
    case WM_MBUTTONDOWN:
        onButtonDown(TMouseButton::mbMiddle, xOf(lParam), yOf(lParam));
        return 0;
    case WM_LBUTTONUP:
        onButtonUp(TMouseButton::mbLeft, xOf(lParam), yOf(lParam), buttonsHeld(wParam));
        return 0;
    case WM_RBUTTONUP:
        onButtonUp(TMouseButton::mbRight, xOf(lParam), yOf(lParam), buttonsHeld(wParam));
        return 0;
    case WM_MBUTTONUP:
        onButtonUp(TMouseButton::mbMiddle, xOf(lParam), yOf(lParam), buttonsHeld(wParam));
        return 0;
    case WM_KEYDOWN: {
        // The character this key types is already queued (TranslateMessage posted it): it is taken
        // out first and handed over after the key. A menu the key opens (a menu button pressed with
        // Enter or Space) would otherwise read it in its own loop as a choice and close at once.
        const HWND window = FHandle;
        MSG typed{};
        const bool hasChar = PeekMessageW(&typed, window, WM_CHAR, WM_CHAR, PM_REMOVE | PM_NOYIELD) != FALSE;
        onKeyDown(static_cast<int>(wParam), shiftHeld());
        if (hasChar && IsWindow(window)) {
            onChar(static_cast<wchar_t>(typed.wParam));
        }
        return 0;
    }
    case WM_CHAR:
        onChar(static_cast<wchar_t>(wParam));
        return 0;
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        // F10 is a system key: F10 alone (the window's menu: the caption tab's) and Shift+F10 (a
        // context menu, as the menu key) go to the control; Alt keeps the platform's menu handling.
        if (wParam == VK_F10 && GetKeyState(VK_MENU) >= 0) {
            if (message == WM_SYSKEYDOWN) {
                onKeyDown(VK_F10, shiftHeld());
            }
            return 0;
        }
        break;
    case WM_GETOBJECT:
        if (const LRESULT object = onGetObject(wParam, lParam); object != 0) {
            return object;
        }
        break;
    case WM_MOUSEWHEEL: {
        POINT at{xOf(lParam), yOf(lParam)}; // on the screen
        TWin32Window& target = wheelTarget(at);
        ScreenToClient(target.FHandle, &at);
        target.onMouseWheel(GET_WHEEL_DELTA_WPARAM(wParam), shiftHeld(), at.x, at.y);
        return 0;
    }
    case WM_SETFOCUS:
        onFocus(true);
        return 0;
    case WM_KILLFOCUS:
        onFocus(false);
        return 0;
    case WM_SIZE:
        onBoundsChanged(true);
        return 0;
    case WM_MOVE:
        onBoundsChanged(false);
        return 0;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == FHandle && LOWORD(lParam) == HTCLIENT) {
            const HCURSOR cursor = clientCursor();
            SetCursor(cursor != nullptr ? cursor : LoadCursorW(nullptr, IDC_ARROW));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(FHandle, message, wParam, lParam);
}

} // namespace plat::win32
