#pragma once
// The DPI of a window and the frame metrics at it. The per-monitor functions exist from Windows 10
// on and are looked up at run time; older systems answer the screen's DPI and its metrics.
// Windows' types stay out of this header (toolkit headers must come before <windows.h>): window
// is an HWND, rect a RECT.

namespace plat::win32 {

// The DPI the window is laid out for: its monitor's where the system tells it, else the screen's.
int windowDpi(void* window);
// AdjustWindowRectEx at dpi (the system's frame metrics where the system has no per-DPI form).
void adjustWindowRectForDpi(void* rect, unsigned long style, unsigned long exStyle, int dpi);
// A window's outer rectangle for a client rectangle, with the window's own style and DPI.
void adjustWindowRectOf(void* window, void* rect);
// GetSystemMetrics at dpi.
int systemMetricForDpi(int index, int dpi);

} // namespace plat::win32
