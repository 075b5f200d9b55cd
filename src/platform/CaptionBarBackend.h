#pragma once
// How a toolbar drawn in a window's caption bar is realised on a platform.
//
// The toolkit's caption-bar toolbar (toolkit/CaptionToolBar.h) is plain data until it is attached
// to a realised form: then the installed backend draws its button in the form's caption bar,
// before the caption text, and reports the pointer over the button. On Windows this is the
// non-client area of the form's window (Win32CaptionBar.cpp); without an installed backend the
// toolbar stays data, which is how the headless tests drive it.
//
// What a backend must do:
// - draw sinkCaptionPicture(small) in the caption bar, small when the caption bar is too low for
//   the large picture, each time the caption is drawn and whenever invalidate() is called;
// - report the pointer: enter before the first move over the button, leave once it has left, and a
//   left-button press on it with the point of the screen just below the button's left edge (where
//   its menu drops down). The press is not a drag of the window.
// All calls in both directions happen on the UI thread.

#include "toolkit/Graphics.h"

#include <memory>

namespace plat {

class TControlPeer;

// The toolbar as the platform sees it.
class TCaptionBarSink {
public:
    // The button's picture in its present state; small: the form for a low caption bar.
    virtual const TBitmap32& sinkCaptionPicture(bool small) = 0;
    virtual void sinkCaptionEnter() = 0;
    virtual void sinkCaptionLeave() = 0;
    // May run a menu's loop before it returns.
    virtual void sinkCaptionPress(TPoint below) = 0;

protected:
    ~TCaptionBarSink() = default;
};

// The button as drawn in one form's caption bar.
class TCaptionBarPeer {
public:
    virtual ~TCaptionBarPeer() = default;
    // Draws the button again (its state changed).
    virtual void invalidate() = 0;
    // The button's place in the form's client coordinates (above the client area: y is negative).
    virtual TRect buttonBounds() = 0;
    // Presses the button once the caller has returned (a screen reader's default action must not
    // wait in the menu's loop): the sink hears of it as of a press of the pointer.
    virtual void pressLater() = 0;
};

class TCaptionBarBackend {
public:
    virtual ~TCaptionBarBackend() = default;
    // Draws the sink's button in the caption bar of the form realised as formPeer; null when the
    // form has no caption bar here.
    virtual std::unique_ptr<TCaptionBarPeer> attachCaptionBar(TControlPeer& formPeer,
                                                              TCaptionBarSink& sink) = 0;
};

// The process-wide backend, installed at start-up next to the control backend; null leaves
// caption-bar toolbars as data.
TCaptionBarBackend* captionBarBackend();
void installCaptionBarBackend(TCaptionBarBackend* backend);

} // namespace plat
