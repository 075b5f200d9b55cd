#pragma once
// The DPI of a window and the frame metrics at it. The per-monitor functions exist from Windows 10
// on and are looked up at run time; older systems answer the screen's DPI and its metrics.

#include <windows.h>

namespace plat::win32 {

// The DPI the window is laid out for: its monitor's where the system tells it, else the screen's.
int windowDpi(HWND window);
// AdjustWindowRectEx at dpi (the system's frame metrics where the system has no per-DPI form).
void adjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);
// A window's outer rectangle for a client rectangle, with the window's own style and DPI.
void adjustWindowRectOf(HWND window, RECT& rect);
// GetSystemMetrics at dpi.
int systemMetricForDpi(int index, int dpi);

} // namespace plat::win32
