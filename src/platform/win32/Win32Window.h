#pragma once
// The base of the toolkit's windows: one window class and one static window procedure, which
// finds the object from the creation parameters and hands each message to a typed handler. No
// exception leaves the window procedure.
//
// Include after the project's platform and toolkit headers: it brings in <windows.h>.

#include "toolkit/Graphics.h"
#include "toolkit/Keys.h"

#include <memory>
#include <string>

#include <windows.h>

namespace plat::win32 {

class TWin32Window {
public:
    TWin32Window(const TWin32Window&) = delete;
    TWin32Window& operator=(const TWin32Window&) = delete;

    // Null before the window is made and once it has been destroyed.
    HWND handle() const { return FHandle; }

protected:
    TWin32Window();
    // Destroys the window if it still exists; the handlers of a derived object no longer run then.
    virtual ~TWin32Window();

    // Makes the window with this object as its handler; false when the platform refused.
    bool createWindow(DWORD exStyle, DWORD style, const std::wstring& text, const RECT& outer, HWND parent);
    void destroyWindow();
    // Tells whether this object still exists after a handler that may have destroyed it.
    std::weak_ptr<void> aliveToken() const { return FAlive; }

    // The typed handlers; positions are in client coordinates. The window never has its background
    // erased: onPaint draws every pixel of dc.
    virtual void onPaint(HDC /*dc*/) {}
    virtual void onMouseMove(int /*x*/, int /*y*/) {}
    virtual void onMouseLeave() {}
    virtual void onButtonDown(TMouseButton /*button*/, int /*x*/, int /*y*/) {}
    // buttonsHeld: whether any mouse button is still down after this release.
    virtual void onButtonUp(TMouseButton /*button*/, int /*x*/, int /*y*/, bool /*buttonsHeld*/) {}
    virtual void onFocus(bool /*gained*/) {}
    // A key pressed while the window has the focus (with the modifiers held), and the character
    // the platform translated it to.
    virtual void onKeyDown(int /*key*/, TShiftState /*shift*/) {}
    virtual void onChar(wchar_t /*ch*/) {}
    // The mouse wheel turned (120 a notch, positive away from the user), the pointer at (x, y) of
    // the client area. A turn goes to the toolkit window under the pointer within the same
    // top-level window, else to the window that got it (the one with the focus).
    virtual void onMouseWheel(int /*delta*/, TShiftState /*shift*/, int /*x*/, int /*y*/) {}
    // The window was moved or resized; sized tells whether the client size changed.
    virtual void onBoundsChanged(bool /*sized*/) {}
    // Answers the cursor to show over the client area, or null for the platform's default.
    virtual HCURSOR clientCursor() { return nullptr; }
    // WM_GETOBJECT: answers the object assistive technology asks for, or 0 for the platform's own.
    virtual LRESULT onGetObject(WPARAM /*wParam*/, LPARAM /*lParam*/) { return 0; }

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    // The toolkit window a wheel turn at this point of the screen is for.
    TWin32Window& wheelTarget(POINT screen);

    HWND FHandle = nullptr;
    std::shared_ptr<void> FAlive;
};

} // namespace plat::win32
