#pragma once
// How the widget toolkit's controls are realised on a platform.
//
// A control (toolkit/Control.h) is plain data until it is realised: then the installed backend
// makes a peer for it (a child window on Windows, a record in the headless backend) and the two
// talk only through the interfaces below. All calls in both directions happen on the UI thread.
//
// What a backend must do:
// - createPeer makes the peer of one control inside its parent's peer (null for a top-level
//   control). Parents are realised before their children, and a child's peer is always destroyed
//   before its parent's. A peer's destructor removes what it realised and must not call the sink.
// - The peer follows what the control tells it (bounds in the parent's client coordinates,
//   visibility, enabled state, text, cursor) without calling back for those.
// - invalidate() is a repaint request: the control is painted at the next paint cycle, once, however
//   many requests came before. paintNow() paints at once: it calls sink.sinkPaint with a canvas over
//   the whole client area and shows the result before it returns. Painting must not flicker: the
//   Windows backend paints into a back buffer and answers the erase message itself.
// - Input is reported to the sink: pointer enter before the first move over the control, pointer
//   leave once it has left (on Windows through the platform's mouse tracking), moves, button presses
//   and releases with the position in client coordinates. A press captures the pointer so that its
//   release is reported to the same control even outside it. Input may be reported to a disabled
//   control: the toolkit drops its moves, presses and releases but keeps enter and leave, because
//   the styled controls show their hover look whatever the enabled state.
// - A turn of the mouse wheel goes to the control under the pointer when it is one of the same
//   window's controls, else to the control that has the focus: sinkMouseWheel with the turn (120 a
//   notch, positive away from the user; finer wheels send parts of it), the modifiers held and the
//   pointer in that control's client coordinates. The toolkit hands a turn the control leaves to
//   its parent.
// - Focus changes are reported with sinkFocusGained / sinkFocusLost; setFocus asks for the focus.
// - Keys go to the control that has the focus: sinkKeyDown for each key pressed (a virtual-key code
//   of toolkit/Keys.h with the modifiers held), then sinkChar for the character it types, if any,
//   as the platform translates it (Enter, Escape, Backspace and Tab type their control characters).
// - A change of size made by the platform (the user resizing a window) is reported with
//   sinkBoundsChanged; changes the control made itself are not reported back.
// - Accessibility (platform/Accessibility.h): the peer asks the sink for the control's description
//   and its items' whenever assistive technology asks (the Windows backend on WM_GETOBJECT), and
//   performs default actions through it; accessibleEvent passes on the changes the control raises.
// - The sink never lets an exception out, so a window procedure needs no guard of its own for it.

#include "platform/Accessibility.h"
#include "toolkit/Graphics.h"

#include <memory>
#include <string>

class TCanvas;

namespace plat {

// The control as its peer sees it.
class TControlSink {
public:
    virtual void sinkPaint(TCanvas& canvas) = 0;
    virtual void sinkMouseEnter() = 0;
    virtual void sinkMouseLeave() = 0;
    virtual void sinkMouseMove(int x, int y) = 0;
    virtual void sinkMouseDown(TMouseButton button, int x, int y) = 0;
    virtual void sinkMouseUp(TMouseButton button, int x, int y) = 0;
    virtual void sinkFocusGained() = 0;
    virtual void sinkFocusLost() = 0;
    virtual void sinkBoundsChanged(const TRect& bounds) = 0;
    virtual void sinkKeyDown(int key, unsigned shift) = 0;
    virtual void sinkChar(wchar_t ch) = 0;
    virtual void sinkMouseWheel(int delta, unsigned shift, int x, int y) = 0;
    // Item 0 is the control, 1 to sinkAccessibleItemCount() its own items (an out-of-range item
    // answers an empty description). The default action answers whether it was done.
    virtual TAccessibleItem sinkAccessible(int item) = 0;
    virtual int sinkAccessibleItemCount() = 0;
    virtual bool sinkAccessibleDefaultAction(int item) = 0;
    // The item that has the focus while the control has it (0: the control itself).
    virtual int sinkAccessibleFocusItem() = 0;
    // The item at a point of the client area (0: the control itself, or none of its items).
    virtual int sinkAccessibleItemAt(int x, int y) = 0;

protected:
    ~TControlSink() = default;
};

// What the toolkit tells the realised control.
class TControlPeer {
public:
    virtual ~TControlPeer() = default;
    virtual void setBounds(const TRect& bounds) = 0;
    virtual void setVisible(bool visible) = 0;
    virtual void setEnabled(bool enabled) = 0;
    virtual void setText(const std::wstring& text) = 0;
    virtual void setCursor(TCursor cursor) = 0;
    virtual void invalidate() = 0;
    virtual void paintNow() = 0;
    virtual void setFocus() = 0;
    // A change assistive technology should hear of (item 0: the control, else one of its items).
    virtual void accessibleEvent(TAccEvent /*event*/, int /*item*/) {}
};

// The state a peer starts with.
struct TPeerParams {
    TRect bounds;
    bool visible = true;
    bool enabled = true;
    std::wstring text;
    TCursor cursor = crDefault;
    bool acceptsControls = false; // may hold child controls
    // A top-level control's owner: its window stays above the owner's, goes with it, and has no
    // task-bar button of its own. Null: a window of its own.
    TControlPeer* owner = nullptr;
};

class TControlBackend {
public:
    virtual ~TControlBackend() = default;
    virtual std::unique_ptr<TControlPeer> createPeer(TControlSink& sink, TControlPeer* parent,
                                                     const TPeerParams& params) = 0;
};

// The process-wide backend, installed once at start-up (or by a test) before any control is
// realised; null means controls stay unrealised data.
TControlBackend* controlBackend();
void installControlBackend(TControlBackend* backend);

} // namespace plat
