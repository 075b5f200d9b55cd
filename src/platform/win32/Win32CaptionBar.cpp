#include "platform/win32/Win32CaptionBar.h"
#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Canvas.h"
#include "platform/win32/Win32Dpi.h"
#include "platform/win32/Win32Gdi.h"
#include "toolkit/Dpi.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <type_traits>

namespace plat::win32 {

namespace {

constexpr UINT_PTR kCaptionSubclassId = 0x4B4E4341; // "KNCA"
// Posted to the form's window to press the button (a screen reader's default action).
constexpr UINT kPressMessage = WM_APP + 0x4E43;
// The window names its caption-bar peer through a property: the 64-bit import library of the
// common controls has no GetWindowSubclass.
constexpr wchar_t kCaptionPeerProp[] = L"KorvaneCaptionBarPeer";
// What the button's place answers to the hit test: a border that neither sizes nor moves the
// window, so the default handling leaves its presses to us.
constexpr LRESULT kButtonHit = HTBORDER;
// The gap between the icon (or the window's edge) and the button, and between button and text.
constexpr int kGap = 4;

// The parts of the caption bar, in window coordinates.
struct TCaptionLayout {
    RECT bar{};        // the whole caption bar
    int contentLeft{}; // after the icon: where this drawing starts
    int buttonsLeft{}; // where the caption buttons start: where this drawing ends
    RECT button{};     // the toolbar's button
    bool small{};      // the button's small form
};

bool emptyRect(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

// Lays the caption bar out for pictures of the given sizes. The bar is found from the client
// area's place in the window, so it holds for every frame the window may have.
TCaptionLayout layoutOf(HWND window, const TBitmap32& large, const TBitmap32& small) {
    TCaptionLayout layout;
    RECT outer{};
    POINT origin{0, 0};
    if (!GetWindowRect(window, &outer) || !ClientToScreen(window, &origin)) {
        return layout;
    }
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
    if ((style & WS_CAPTION) != WS_CAPTION) {
        return layout;
    }
    const bool toolWindow = (exStyle & WS_EX_TOOLWINDOW) != 0;
    // The frame's metrics at the window's DPI: a per-monitor aware window's frame follows its monitor.
    const int dpi = windowDpi(window);
    const int border = origin.x - outer.left;
    const int clientTop = origin.y - outer.top;
    // The caption's height counts the line below it.
    const int captionHeight = systemMetricForDpi(toolWindow ? SM_CYSMCAPTION : SM_CYCAPTION, dpi) - 1;
    const int width = outer.right - outer.left;
    layout.bar = RECT{border, clientTop - 1 - captionHeight, width - border, clientTop - 1};
    if (emptyRect(layout.bar)) {
        return layout;
    }
    const bool icon = (style & WS_SYSMENU) != 0 && (exStyle & WS_EX_DLGMODALFRAME) == 0 && !toolWindow;
    layout.contentLeft = layout.bar.left + (icon ? systemMetricForDpi(SM_CXSMICON, dpi) + scaled(2, dpi) : 0);
    int buttons = 0;
    if ((style & WS_SYSMENU) != 0) {
        buttons = 1 + ((style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) != 0 ? 2 : 0) +
                  ((exStyle & WS_EX_CONTEXTHELP) != 0 ? 1 : 0);
    }
    layout.buttonsLeft = layout.bar.right -
                         buttons * systemMetricForDpi(toolWindow ? SM_CXSMSIZE : SM_CXSIZE, dpi) -
                         (buttons > 0 ? scaled(2, dpi) : 0);
    const int barHeight = layout.bar.bottom - layout.bar.top;
    layout.small = large.height > barHeight || large.empty();
    const TBitmap32& picture = layout.small ? small : large;
    const int left = layout.contentLeft + scaled(kGap, dpi);
    const int top = layout.bar.top + (barHeight - picture.height) / 2;
    if (!picture.empty() && left + picture.width <= layout.buttonsLeft) {
        layout.button = RECT{left, top, left + picture.width, top + picture.height};
    }
    return layout;
}

// The window's own device context, released on every path.
class TWindowDc {
public:
    explicit TWindowDc(HWND window) : FWindow(window), FDc(GetWindowDC(window)) {}
    ~TWindowDc() {
        if (FDc != nullptr) {
            ReleaseDC(FWindow, FDc);
        }
    }
    TWindowDc(const TWindowDc&) = delete;
    TWindowDc& operator=(const TWindowDc&) = delete;
    HDC get() const { return FDc; }

private:
    HWND FWindow;
    HDC FDc;
};

// Asks the desktop for the classic frame, which the window draws itself, where the desktop
// composes frames (dwmapi.dll, Vista and later); elsewhere nothing happens.
void useClassicFrame(HWND window) {
    using TSetAttribute = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    struct TLibraryRelease {
        void operator()(HMODULE module) const { FreeLibrary(module); }
    };
    const std::unique_ptr<std::remove_pointer_t<HMODULE>, TLibraryRelease> dwm(LoadLibraryW(L"dwmapi.dll"));
    if (!dwm) {
        return;
    }
    auto setAttribute = reinterpret_cast<TSetAttribute>(
        reinterpret_cast<void (*)()>(GetProcAddress(dwm.get(), "DwmSetWindowAttribute")));
    if (setAttribute != nullptr) {
        const DWORD kNcRenderingPolicy = 2; // DWMWA_NCRENDERING_POLICY
        const DWORD kDisabled = 1;          // DWMNCRP_DISABLED
        setAttribute(window, kNcRenderingPolicy, &kDisabled, sizeof(kDisabled));
    }
}

class TWin32CaptionBarPeer;
TWin32CaptionBarPeer* peerOfWindow(HWND window);

class TWin32CaptionBarPeer final : public TCaptionBarPeer {
public:
    TWin32CaptionBarPeer(HWND window, TCaptionBarSink& sink) : FWindow(window), FSink(sink) {
        FActive = GetActiveWindow() == window;
        FAttached =
            SetWindowSubclass(FWindow, subclassProc, kCaptionSubclassId, reinterpret_cast<DWORD_PTR>(this));
        if (FAttached) {
            SetPropW(FWindow, kCaptionPeerProp, this);
            useClassicFrame(FWindow);
            RedrawWindow(FWindow, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        }
    }
    ~TWin32CaptionBarPeer() override {
        if (FAttached && IsWindow(FWindow)) {
            RemoveWindowSubclass(FWindow, subclassProc, kCaptionSubclassId);
            RemovePropW(FWindow, kCaptionPeerProp);
            RedrawWindow(FWindow, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
        }
    }
    TWin32CaptionBarPeer(const TWin32CaptionBarPeer&) = delete;
    TWin32CaptionBarPeer& operator=(const TWin32CaptionBarPeer&) = delete;

    bool attached() const { return FAttached != FALSE; }

    void invalidate() override {
        if (IsWindowVisible(FWindow)) {
            paint();
        }
    }

    TCaptionLayout layout() {
        return layoutOf(FWindow, FSink.sinkCaptionPicture(false), FSink.sinkCaptionPicture(true));
    }

    TRect buttonBounds() override {
        RECT outer{};
        POINT client{0, 0};
        const RECT button = layout().button;
        if (emptyRect(button) || !GetWindowRect(FWindow, &outer) || !ClientToScreen(FWindow, &client)) {
            return TRect{};
        }
        const int dx = outer.left - client.x;
        const int dy = outer.top - client.y;
        return TRect{button.left + dx, button.top + dy, button.right + dx, button.bottom + dy};
    }

    void pressLater() override { PostMessageW(FWindow, kPressMessage, 0, 0); }

private:
    // Draws the caption bar from the icon to the caption buttons: its background as the platform
    // draws it, the button, and the caption text after the button.
    void paint() {
        const TCaptionLayout at = layout();
        if (emptyRect(at.bar) || at.buttonsLeft <= at.contentLeft) {
            return;
        }
        const int width = at.bar.right - at.bar.left;
        const int height = at.bar.bottom - at.bar.top;
        TWindowDc windowDc(FWindow);
        if (windowDc.get() == nullptr) {
            return;
        }
        TMemoryDc memory(CreateCompatibleDC(windowDc.get()));
        TGdiObject bitmap = adoptGdiObject(CreateCompatibleBitmap(windowDc.get(), width, height));
        if (!memory || !bitmap) {
            return;
        }
        HDC dc = static_cast<HDC>(memory.get());
        TSelectGuard selectBitmap(dc, bitmap.get());
        BOOL gradient = FALSE;
        SystemParametersInfoW(SPI_GETGRADIENTCAPTIONS, 0, &gradient, 0);
        RECT whole{0, 0, width, height};
        const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(FWindow, GWL_EXSTYLE));
        const bool toolWindow = (exStyle & WS_EX_TOOLWINDOW) != 0;
        DrawCaption(FWindow, dc, &whole,
                    (FActive ? DC_ACTIVE : 0) | (gradient ? DC_GRADIENT : 0) |
                        (toolWindow ? DC_SMALLCAP : 0));

        int textLeft = at.contentLeft - at.bar.left + kGap;
        if (!emptyRect(at.button)) {
            TGdiCanvas canvas(dc, width, height);
            canvas.drawBitmap(at.button.left - at.bar.left, at.button.top - at.bar.top,
                              FSink.sinkCaptionPicture(at.small));
            textLeft = at.button.right - at.bar.left + kGap;
        }

        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof(metrics);
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
            TGdiObject font = adoptGdiObject(
                CreateFontIndirectW(toolWindow ? &metrics.lfSmCaptionFont : &metrics.lfCaptionFont));
            if (font) {
                const int length = GetWindowTextLengthW(FWindow);
                std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
                text.resize(static_cast<std::size_t>(GetWindowTextW(FWindow, text.data(), length + 1)));
                TSelectGuard selectFont(dc, font.get());
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, GetSysColor(FActive ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
                RECT textBox{textLeft, 0, at.buttonsLeft - at.bar.left, height};
                DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textBox,
                          DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
            }
        }
        const int from = at.contentLeft - at.bar.left;
        BitBlt(windowDc.get(), at.contentLeft, at.bar.top, at.buttonsLeft - at.contentLeft, height, dc, from,
               0, SRCCOPY);
    }

    bool overButton(POINT screen) {
        RECT outer{};
        GetWindowRect(FWindow, &outer);
        const RECT button = layout().button;
        const POINT at{screen.x - outer.left, screen.y - outer.top};
        return !emptyRect(button) && PtInRect(&button, at);
    }

    void enter() {
        if (FHovered) {
            return;
        }
        FHovered = true;
        TRACKMOUSEEVENT track{};
        track.cbSize = sizeof(track);
        track.dwFlags = TME_LEAVE | TME_NONCLIENT;
        track.hwndTrack = FWindow;
        TrackMouseEvent(&track);
        FSink.sinkCaptionEnter();
    }

    void leave() {
        if (FHovered) {
            FHovered = false;
            FSink.sinkCaptionLeave();
        }
    }

    void press() {
        RECT outer{};
        GetWindowRect(FWindow, &outer);
        const TCaptionLayout at = layout();
        // The menu drops down from the caption bar's lower edge, at the button's left.
        const TPoint below{outer.left + at.button.left, outer.top + at.bar.bottom + 1};
        FSink.sinkCaptionPress(below);
        // The pointer may have gone while the menu was open.
        POINT pointer{};
        if (!GetCursorPos(&pointer) || !overButton(pointer)) {
            leave();
        }
    }

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
        case WM_NCPAINT:
        case WM_SETTEXT:
        case WM_SETICON: {
            const LRESULT result = DefSubclassProc(FWindow, message, wParam, lParam);
            invalidate();
            return result;
        }
        case WM_NCACTIVATE: {
            FActive = wParam != FALSE;
            const LRESULT result = DefSubclassProc(FWindow, message, wParam, lParam);
            invalidate();
            return result;
        }
        case WM_NCHITTEST: {
            const POINT screen{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (overButton(screen)) {
                return kButtonHit;
            }
            break;
        }
        case WM_NCMOUSEMOVE: {
            const POINT screen{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (wParam == static_cast<WPARAM>(kButtonHit) && overButton(screen)) {
                enter();
            } else {
                leave();
            }
            break;
        }
        case WM_NCMOUSELEAVE:
        case WM_MOUSEMOVE: // the pointer is in the client area now
            leave();
            break;
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONDBLCLK: {
            const POINT screen{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            if (wParam == static_cast<WPARAM>(kButtonHit) && overButton(screen)) {
                press();
                return 0;
            }
            break;
        }
        default:
            break;
        }
        return DefSubclassProc(FWindow, message, wParam, lParam);
    }

    static LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR /*id*/, DWORD_PTR data) {
        auto* self = reinterpret_cast<TWin32CaptionBarPeer*>(data);
        if (message == kPressMessage) {
            self->press();
            return 0;
        }
        if (message == WM_NCDESTROY) {
            RemoveWindowSubclass(window, subclassProc, kCaptionSubclassId);
            RemovePropW(window, kCaptionPeerProp);
            self->FAttached = FALSE;
            return DefSubclassProc(window, message, wParam, lParam);
        }
        try {
            return self->handle(message, wParam, lParam);
        } catch (...) {
            // A failing handler leaves the window as the platform has it.
            return DefSubclassProc(window, message, wParam, lParam);
        }
    }

    friend TWin32CaptionBarPeer* peerOfWindow(HWND window);

    HWND FWindow;
    TCaptionBarSink& FSink;
    BOOL FAttached = FALSE;
    bool FActive = false;
    bool FHovered = false;
};

TWin32CaptionBarPeer* peerOfWindow(HWND window) {
    if (window == nullptr) {
        return nullptr;
    }
    return static_cast<TWin32CaptionBarPeer*>(GetPropW(window, kCaptionPeerProp));
}

} // namespace

std::unique_ptr<TCaptionBarPeer> TWin32CaptionBarBackend::attachCaptionBar(TControlPeer& formPeer,
                                                                           TCaptionBarSink& sink) {
    HWND window = static_cast<HWND>(windowOf(&formPeer));
    if (window == nullptr) {
        return nullptr;
    }
    auto peer = std::make_unique<TWin32CaptionBarPeer>(window, sink);
    if (!peer->attached()) {
        return nullptr;
    }
    return peer;
}

TRect captionButtonOnScreen(void* window) {
    HWND handle = static_cast<HWND>(window);
    TWin32CaptionBarPeer* peer = peerOfWindow(handle);
    RECT outer{};
    if (peer == nullptr || !GetWindowRect(handle, &outer)) {
        return TRect{};
    }
    const RECT button = peer->layout().button;
    if (emptyRect(button)) {
        return TRect{};
    }
    return TRect{outer.left + button.left, outer.top + button.top, outer.left + button.right,
                 outer.top + button.bottom};
}

} // namespace plat::win32
