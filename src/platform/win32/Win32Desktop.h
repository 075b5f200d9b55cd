#pragma once
// The desktop as a user meets it, for tests that look at real windows: what the screen shows of a
// window, the pointer and its left button, and the process's GDI count. Windows are HWNDs given as
// void*, so callers need no <windows.h>.

#include "toolkit/Graphics.h"

#include <vector>

namespace plat::win32 {

// Colours read back from the screen, rows top to bottom.
struct TScreenPicture {
    int width = 0;
    int height = 0;
    std::vector<TColor> pixels;

    TColor at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The client area of window as the screen shows it now; empty when it cannot be read.
TScreenPicture captureClientArea(void* window);
// A point of window's client area in screen coordinates.
TPoint clientToScreen(void* window, TPoint point);
// Puts window in front of the others and makes it the active one.
void bringToFront(void* window);
// Whether window still exists.
bool windowExists(void* window);
// Gives a top-level window another client size, as the user dragging its edge would.
void resizeAsUser(void* window, int clientWidth, int clientHeight);
// The cursor shown now (an HCURSOR).
void* currentCursor();

// The pointer, moved and pressed as the user would; the platform sends the messages.
void movePointerTo(TPoint screen);
void pressLeftButton();
void releaseLeftButton();

// The GDI objects of this process as the platform counts them; 0 where it keeps no count (Wine).
unsigned long processGdiObjects();

} // namespace plat::win32
