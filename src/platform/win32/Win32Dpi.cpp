#include "platform/win32/Win32Dpi.h"

#include <windows.h>

namespace plat::win32 {

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

template <typename F> F user32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    // A cast through void* between function types: the address is of the documented signature.
    return user32 != nullptr ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
                             : nullptr;
}

int screenDpi() {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return USER_DEFAULT_SCREEN_DPI;
    }
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : USER_DEFAULT_SCREEN_DPI;
}

} // namespace

int windowDpi(void* window) {
    static const auto getDpiForWindow = user32Function<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow != nullptr && window != nullptr) {
        const UINT dpi = getDpiForWindow(static_cast<HWND>(window));
        if (dpi > 0) {
            return static_cast<int>(dpi);
        }
    }
    return screenDpi();
}

void adjustWindowRectForDpi(void* rect, unsigned long style, unsigned long exStyle, int dpi) {
    static const auto adjustForDpi = user32Function<AdjustWindowRectExForDpiFn>("AdjustWindowRectExForDpi");
    auto* outer = static_cast<RECT*>(rect);
    if (adjustForDpi != nullptr && adjustForDpi(outer, style, FALSE, exStyle, static_cast<UINT>(dpi))) {
        return;
    }
    AdjustWindowRectEx(outer, style, FALSE, exStyle);
}

void adjustWindowRectOf(void* window, void* rect) {
    HWND handle = static_cast<HWND>(window);
    adjustWindowRectForDpi(rect, static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_STYLE)),
                           static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_EXSTYLE)), windowDpi(handle));
}

int systemMetricForDpi(int index, int dpi) {
    static const auto metricForDpi = user32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (metricForDpi != nullptr) {
        return metricForDpi(index, static_cast<UINT>(dpi));
    }
    return GetSystemMetrics(index);
}

} // namespace plat::win32
