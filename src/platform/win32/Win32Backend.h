#pragma once
// The Windows backend of the widget toolkit: a realised control is a window. A control without a
// parent becomes a top-level window whose bounds are its client area in screen coordinates; every
// other control is a child window of its parent's window, its bounds in the parent's client area.
//
// Each window paints through a back buffer (a memory bitmap kept until its size changes) and never
// has its background erased, so nothing flickers. The pointer's leave comes from the platform's
// mouse tracking; a press captures the pointer until the last button is released.
//
// Installed once on the UI thread at start-up (plat::installControlBackend); every window it makes
// belongs to that thread.

#include "platform/ControlBackend.h"

namespace plat::win32 {

class TWin32Backend : public TControlBackend {
public:
    std::unique_ptr<TControlPeer> createPeer(TControlSink& sink, TControlPeer* parent,
                                             const TPeerParams& params) override;
};

// The window (an HWND) of a peer this backend made; null for any other peer, or when the platform
// refused the window.
void* windowOf(const TControlPeer* peer);

// The platform's cursor (an HCURSOR) for a toolkit cursor.
void* cursorHandle(TCursor cursor);

} // namespace plat::win32
