#pragma once
// The Windows caption-bar backend: the toolkit's caption-bar toolbar drawn in the non-client area
// of a form's window. The window is subclassed: after the platform has drawn its frame and caption
// (WM_NCPAINT, WM_NCACTIVATE, and a new caption text or icon), the caption bar between the icon and
// the caption buttons is drawn again with the toolbar's button first and the caption text after it;
// WM_NCHITTEST makes the button's place a border that the user cannot drag the window by, so
// WM_NCMOUSEMOVE, WM_NCMOUSELEAVE and WM_NCLBUTTONDOWN there are the button's hover and press.
// Where the desktop composes the frame itself (Vista and later), the window asks for the classic
// frame so that the drawing shows.
//
// Installed once on the UI thread at start-up (plat::installCaptionBarBackend).

#include "platform/CaptionBarBackend.h"

namespace plat::win32 {

class TWin32CaptionBarBackend : public TCaptionBarBackend {
public:
    std::unique_ptr<TCaptionBarPeer> attachCaptionBar(TControlPeer& formPeer, TCaptionBarSink& sink) override;
};

// Where the button of the caption bar attached to window (an HWND) lies, in screen coordinates;
// empty when the window has none. For tests that point at it.
TRect captionButtonOnScreen(void* window);

} // namespace plat::win32
