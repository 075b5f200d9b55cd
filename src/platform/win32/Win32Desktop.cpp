#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Canvas.h"
#include "platform/win32/Win32Dpi.h"

#include <windows.h>

namespace plat::win32 {

namespace {

HWND hwnd(void* window) {
    return static_cast<HWND>(window);
}

void sendMouse(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof(INPUT));
}

} // namespace

TScreenPicture captureClientArea(void* window) {
    TScreenPicture picture;
    RECT client{};
    if (!GetClientRect(hwnd(window), &client) || client.right <= 0 || client.bottom <= 0) {
        return picture;
    }
    POINT origin{0, 0};
    ClientToScreen(hwnd(window), &origin);
    TGdiBitmap copy(client.right, client.bottom);
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) {
        return picture;
    }
    const BOOL copied = copy.valid() && BitBlt(static_cast<HDC>(copy.dc()), 0, 0, client.right, client.bottom,
                                               screen, origin.x, origin.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    if (!copied) {
        return picture;
    }
    picture.width = client.right;
    picture.height = client.bottom;
    picture.pixels.reserve(static_cast<std::size_t>(picture.width) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            picture.pixels.push_back(copy.pixel(x, y));
        }
    }
    return picture;
}

TPoint clientToScreen(void* window, TPoint point) {
    POINT p{point.x, point.y};
    ClientToScreen(hwnd(window), &p);
    return TPoint{p.x, p.y};
}

void bringToFront(void* window) {
    SetWindowPos(hwnd(window), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(hwnd(window));
}

bool windowExists(void* window) {
    return IsWindow(hwnd(window)) != FALSE;
}

void resizeAsUser(void* window, int clientWidth, int clientHeight) {
    RECT outer{0, 0, clientWidth, clientHeight};
    adjustWindowRectOf(hwnd(window), &outer);
    SetWindowPos(hwnd(window), nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void* currentCursor() {
    return GetCursor();
}

void movePointerTo(TPoint screen) {
    SetCursorPos(screen.x, screen.y);
}

void pressLeftButton() {
    sendMouse(MOUSEEVENTF_LEFTDOWN);
}

void releaseLeftButton() {
    sendMouse(MOUSEEVENTF_LEFTUP);
}

unsigned long processGdiObjects() {
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
}

} // namespace plat::win32
