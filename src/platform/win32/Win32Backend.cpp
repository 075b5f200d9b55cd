#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Canvas.h"
#include "platform/win32/Win32Dpi.h"

#include "platform/win32/Win32Window.h"
#include "platform/win32/Win32Accessible.h"

namespace plat::win32 {

namespace {

constexpr DWORD kTopLevelStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr DWORD kChildStyle = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;

LPCWSTR cursorId(TCursor cursor) {
    switch (cursor) {
    case crIBeam:
        return IDC_IBEAM;
    case crHourGlass:
        return IDC_WAIT;
    case crNo:
        return IDC_NO;
    case crHandPoint:
        return IDC_HAND;
    case crArrow:
    case crDefault:
        break;
    }
    return IDC_ARROW;
}

// One realised control: its window, the back buffer it paints into, and whether the pointer is in.
class TWin32Peer final : public TControlPeer, public TWin32Window {
public:
    TWin32Peer(TControlSink& sink, bool topLevel, TWin32Peer* parent, const TPeerParams& params);
    ~TWin32Peer() override;

    void setBounds(const TRect& bounds) override;
    void setVisible(bool visible) override;
    void setEnabled(bool enabled) override;
    void setText(const std::wstring& text) override;
    void setCursor(TCursor cursor) override;
    void invalidate() override;
    void paintNow() override;
    void setFocus() override;
    void accessibleEvent(TAccEvent event, int item) override;

private:
    void onPaint(HDC dc) override;
    void onMouseMove(int x, int y) override;
    void onMouseLeave() override;
    void onButtonDown(TMouseButton button, int x, int y) override;
    void onButtonUp(TMouseButton button, int x, int y, bool buttonsHeld) override;
    void onFocus(bool gained) override;
    void onKeyDown(int key, TShiftState shift) override;
    void onChar(wchar_t ch) override;
    void onMouseWheel(int delta, TShiftState shift, int x, int y) override;
    void onBoundsChanged(bool sized) override;
    HCURSOR clientCursor() override;
    LRESULT onGetObject(WPARAM wParam, LPARAM lParam) override;

    // The window rectangle that gives bounds as the client area.
    RECT outerRect(const TRect& bounds) const;
    // The client area where the platform has it now, in the coordinates of bounds.
    TRect currentBounds() const;
    bool clientContains(int x, int y) const;
    // Reports bounds the platform chose on its own (the user resized a window).
    void reportBounds();

    TControlSink& FSink;
    const bool FTopLevel;
    bool FSinkConnected = true; // false while the peer is destroyed: the sink hears nothing then
    TRect FBounds;
    TCursor FCursor;
    bool FPointerInside = false;
    bool FApplyingBounds = false;
    std::unique_ptr<TGdiBitmap> FBackBuffer;
};

TWin32Peer::TWin32Peer(TControlSink& sink, bool topLevel, TWin32Peer* parent, const TPeerParams& params)
    : FSink(sink), FTopLevel(topLevel), FBounds(params.bounds), FCursor(params.cursor) {
    DWORD style = FTopLevel ? kTopLevelStyle : kChildStyle;
    if (params.visible) {
        style |= WS_VISIBLE;
    }
    if (!params.enabled) {
        style |= WS_DISABLED;
    }
    HWND parentWindow = parent != nullptr ? parent->handle() : nullptr;
    if (!FTopLevel && parentWindow == nullptr) {
        return; // the parent has no window, so this control cannot have one either
    }
    if (FTopLevel) {
        // A top-level window's "parent" is its owner.
        parentWindow = static_cast<HWND>(windowOf(params.owner));
    }
    FApplyingBounds = true;
    const bool made = createWindow(0, style, params.text, outerRect(params.bounds), parentWindow);
    FApplyingBounds = false;
    if (made) {
        reportBounds(); // a top-level window may have been given another size than asked
    }
}

TWin32Peer::~TWin32Peer() {
    FSinkConnected = false;
    destroyWindow();
}

RECT TWin32Peer::outerRect(const TRect& bounds) const {
    RECT rect{bounds.left, bounds.top, bounds.right, bounds.bottom};
    if (FTopLevel) {
        // The frame the window has now: a form may have been given a dialog frame.
        const DWORD style =
            handle() != nullptr ? static_cast<DWORD>(GetWindowLongPtrW(handle(), GWL_STYLE)) : kTopLevelStyle;
        const DWORD exStyle =
            handle() != nullptr ? static_cast<DWORD>(GetWindowLongPtrW(handle(), GWL_EXSTYLE)) : 0;
        adjustWindowRectForDpi(&rect, style, exStyle, windowDpi(handle()));
    }
    return rect;
}

TRect TWin32Peer::currentBounds() const {
    RECT client{};
    GetClientRect(handle(), &client);
    POINT origin{0, 0};
    if (FTopLevel) {
        ClientToScreen(handle(), &origin);
    } else {
        MapWindowPoints(handle(), GetParent(handle()), &origin, 1);
    }
    return boundsRect(origin.x, origin.y, client.right, client.bottom);
}

bool TWin32Peer::clientContains(int x, int y) const {
    RECT client{};
    GetClientRect(handle(), &client);
    return x >= 0 && y >= 0 && x < client.right && y < client.bottom;
}

void TWin32Peer::reportBounds() {
    if (FApplyingBounds || !FSinkConnected || handle() == nullptr || IsIconic(handle())) {
        return;
    }
    const TRect now = currentBounds();
    if (now != FBounds) {
        FBounds = now;
        FSink.sinkBoundsChanged(now);
    }
}

void TWin32Peer::setBounds(const TRect& bounds) {
    FBounds = bounds;
    if (handle() == nullptr) {
        return;
    }
    const RECT outer = outerRect(bounds);
    FApplyingBounds = true;
    SetWindowPos(handle(), nullptr, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    FApplyingBounds = false;
}

void TWin32Peer::setVisible(bool visible) {
    if (handle() != nullptr) {
        ShowWindow(handle(), visible ? SW_SHOW : SW_HIDE);
    }
}

void TWin32Peer::setEnabled(bool enabled) {
    if (handle() == nullptr) {
        return;
    }
    if (!enabled && GetCapture() == handle()) {
        ReleaseCapture();
    }
    EnableWindow(handle(), enabled ? TRUE : FALSE);
}

void TWin32Peer::setText(const std::wstring& text) {
    if (handle() != nullptr) {
        SetWindowTextW(handle(), text.c_str());
    }
}

void TWin32Peer::setCursor(TCursor cursor) {
    FCursor = cursor;
    if (FPointerInside) {
        SetCursor(clientCursor()); // shows at once, not only at the pointer's next move
    }
}

void TWin32Peer::invalidate() {
    if (handle() != nullptr) {
        InvalidateRect(handle(), nullptr, FALSE);
    }
}

void TWin32Peer::paintNow() {
    // The whole client area becomes due and is painted before UpdateWindow returns; a hidden
    // window is not painted, as it shows nothing.
    if (handle() != nullptr && IsWindowVisible(handle())) {
        InvalidateRect(handle(), nullptr, FALSE);
        UpdateWindow(handle());
    }
}

void TWin32Peer::setFocus() {
    if (handle() != nullptr) {
        ::SetFocus(handle());
    }
}

void TWin32Peer::accessibleEvent(TAccEvent event, int item) {
    if (FSinkConnected && handle() != nullptr) {
        raiseAccessibleEvent(handle(), event, item);
    }
}

LRESULT TWin32Peer::onGetObject(WPARAM wParam, LPARAM lParam) {
    if (!FSinkConnected || handle() == nullptr) {
        return 0;
    }
    return answerGetObject(handle(), FSink, aliveToken(), wParam, lParam);
}

void TWin32Peer::onPaint(HDC dc) {
    RECT client{};
    GetClientRect(handle(), &client);
    const int width = client.right;
    const int height = client.bottom;
    if (width <= 0 || height <= 0 || !FSinkConnected) {
        return;
    }
    if (FBackBuffer == nullptr || FBackBuffer->width() != width || FBackBuffer->height() != height) {
        FBackBuffer.reset();
        auto buffer = std::make_unique<TGdiBitmap>(width, height);
        if (!buffer->valid()) {
            return;
        }
        FBackBuffer = std::move(buffer);
    }
    {
        TGdiCanvas canvas(FBackBuffer->dc(), width, height);
        FSink.sinkPaint(canvas);
    }
    BitBlt(dc, 0, 0, width, height, static_cast<HDC>(FBackBuffer->dc()), 0, 0, SRCCOPY);
}

void TWin32Peer::onMouseMove(int x, int y) {
    if (!FSinkConnected) {
        return;
    }
    // A captured pointer moving outside has not entered.
    if (!FPointerInside && clientContains(x, y)) {
        FPointerInside = true;
        TRACKMOUSEEVENT tracking{sizeof(TRACKMOUSEEVENT), TME_LEAVE, handle(), HOVER_DEFAULT};
        TrackMouseEvent(&tracking);
        const std::weak_ptr<void> alive = aliveToken();
        FSink.sinkMouseEnter();
        if (alive.expired()) {
            return; // the enter handling destroyed the control
        }
    }
    FSink.sinkMouseMove(x, y);
}

void TWin32Peer::onMouseLeave() {
    FPointerInside = false;
    if (FSinkConnected) {
        FSink.sinkMouseLeave();
    }
}

void TWin32Peer::onButtonDown(TMouseButton button, int x, int y) {
    SetCapture(handle());
    if (FSinkConnected) {
        FSink.sinkMouseDown(button, x, y);
    }
}

void TWin32Peer::onButtonUp(TMouseButton button, int x, int y, bool buttonsHeld) {
    // Released before the sink hears of it: a click handler may destroy this peer.
    if (!buttonsHeld && GetCapture() == handle()) {
        ReleaseCapture();
    }
    if (FSinkConnected) {
        FSink.sinkMouseUp(button, x, y);
    }
}

void TWin32Peer::onFocus(bool gained) {
    if (!FSinkConnected) {
        return;
    }
    if (gained) {
        FSink.sinkFocusGained();
    } else {
        FSink.sinkFocusLost();
    }
}

void TWin32Peer::onKeyDown(int key, TShiftState shift) {
    if (FSinkConnected) {
        FSink.sinkKeyDown(key, shift);
    }
}

void TWin32Peer::onChar(wchar_t ch) {
    if (FSinkConnected) {
        FSink.sinkChar(ch);
    }
}

void TWin32Peer::onMouseWheel(int delta, TShiftState shift, int x, int y) {
    if (FSinkConnected) {
        FSink.sinkMouseWheel(delta, shift, x, y);
    }
}

void TWin32Peer::onBoundsChanged(bool sized) {
    if (sized && FBackBuffer != nullptr) {
        RECT client{};
        GetClientRect(handle(), &client);
        if (client.right != FBackBuffer->width() || client.bottom != FBackBuffer->height()) {
            FBackBuffer.reset(); // made anew at the next paint, in the new size
        }
    }
    reportBounds();
}

HCURSOR TWin32Peer::clientCursor() {
    return static_cast<HCURSOR>(cursorHandle(FCursor));
}

} // namespace

std::unique_ptr<TControlPeer> TWin32Backend::createPeer(TControlSink& sink, TControlPeer* parent,
                                                        const TPeerParams& params) {
    // A parent from another backend has no window to hold this one: the peer then stays without.
    return std::make_unique<TWin32Peer>(sink, parent == nullptr, dynamic_cast<TWin32Peer*>(parent), params);
}

void* cursorHandle(TCursor cursor) {
    return LoadCursorW(nullptr, cursorId(cursor));
}

void* windowOf(const TControlPeer* peer) {
    const auto* own = dynamic_cast<const TWin32Peer*>(peer);
    return own != nullptr ? own->handle() : nullptr;
}

} // namespace plat::win32
