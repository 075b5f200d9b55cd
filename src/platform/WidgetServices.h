#pragma once
// What the widget toolkit needs of a platform beyond realising controls (ControlBackend.h): the
// parts of a top-level window a form uses, timers, pop-up menus, the system's small-icon list,
// text measuring outside a paint, the screen's work area and the end of the message loop.
//
// One object is installed for the process at start-up (plat::installWidgetServices), on the UI
// thread, next to the control backend: the Windows one in the program, the headless one in tests.
// Every call happens on the UI thread. Without an installed object the toolkit's widgets still
// work as data: timers never fire, menus show nothing, text measures as empty.

#include "toolkit/Graphics.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TCanvas;

namespace plat {

class TControlPeer;

// ---- Forms.

// The form as the platform's window sees it.
class TFormSink {
public:
    // The user asked to close the window (close button, Alt+F4, system menu). The window stays: the
    // toolkit decides and hides it itself.
    virtual void sinkCloseRequested() = 0;
    // The window's DPI changed (it moved to a monitor of another scale): the form lays itself out
    // again at dpi. The platform then gives the window the size and place it suggests.
    virtual void sinkDpiChanged(int dpi) = 0;
    // The system's colours or its high-contrast mode changed: every control paints again.
    virtual void sinkSystemColorsChanged() = 0;

protected:
    ~TFormSink() = default;
};

// The frame of a form's window: sizeable with the caption bar's buttons (the default), a fixed
// dialog frame: a single border, a caption without buttons, no button of its own on the task bar, or
// a fixed single frame: a single border and a caption with the close box only.
enum class TFormFrame { sizeable, fixedDialog, fixedSingle };

// What a top-level window does for a form beyond every control's peer.
class TFormPeer {
public:
    virtual ~TFormPeer() = default;
    // The user cannot drag the window smaller than this client size; 0 means no limit.
    virtual void setMinClientSize(int width, int height) = 0;
    // Places the whole window (frame included) in the middle of the screen's work area; the control
    // hears of its new bounds as of a move the platform made.
    virtual void centreOnScreen() = 0;
    // Brings the window in front and activates it.
    virtual void bringToFront() = 0;
    // Gives the window this frame; its client area keeps its size and place.
    virtual void setFrame(TFormFrame frame) = 0;
    // Places the whole window in the middle of other's window (another form's); the control hears
    // of its new bounds as of a move the platform made.
    virtual void centreOver(TControlPeer& other) = 0;
    // Runs the form modally: disables the program's other windows, runs show (which shows the form)
    // and serves the platform's messages until ended() answers true (the form has closed); then
    // enables the other windows again and gives the activation back. Answers false when the loop
    // stopped for another reason (the program's message loop is ending).
    virtual bool runModal(const std::function<void()>& show, const std::function<bool()>& ended) = 0;
    // The dots per inch of the monitor the window is on (96 at 100 %).
    virtual int dpi() = 0;
};

// ---- Timers.

class TTimerSink {
public:
    virtual void sinkTimer() = 0;

protected:
    ~TTimerSink() = default;
};

// A running timer: it ticks every interval on the UI thread until destroyed.
class TTimerPeer {
public:
    virtual ~TTimerPeer() = default;
};

// ---- Pop-up menus.

// One entry of a menu as it is shown: only the visible items of the toolkit's menu.
struct TMenuEntry {
    int command = 0; // answered when this entry is chosen; 0 for separators and sub-menus
    std::wstring caption;
    bool enabled = true;
    bool separator = false;
    TBitmap32 image;               // empty for none
    std::vector<TMenuEntry> items; // a sub-menu when not empty
};

// ---- The user's input settings.

// What the user set in the system for the keyboard, the caret and the mouse wheel.
struct TInputSettings {
    // The wheel scrolls a page a notch instead of a number of rows.
    static constexpr int kWheelPage = -1;

    unsigned caretBlinkMs = 530;    // each phase of the caret's blink; 0: it does not blink
    unsigned repeatDelayMs = 500;   // a held key or button repeats after this delay...
    unsigned repeatIntervalMs = 33; // ...and then at this interval
    int wheelLines = 3;             // rows a notch of the wheel scrolls (0: none), or kWheelPage
};

// ---- The system's colours.

// Whether the user turned the system's high-contrast mode on, and the system's colours for the roles
// the custom-drawn controls paint (the values here are the usual ones of a white scheme).
struct TSystemColors {
    bool highContrast = false;
    TColor windowText = clBlack;    // text on a window's background
    TColor window = clWhite;        // a window's background
    TColor highlight = 0xD77800;    // selected items' background
    TColor highlightText = clWhite; // selected items' text
    TColor buttonFace = 0xF0F0F0;   // a button's face
    TColor buttonText = clBlack;    // a button's text
    TColor grayText = 0x6D6D6D;     // the text of what is unavailable
    friend bool operator==(const TSystemColors&, const TSystemColors&) = default;
};

// ---- The services.

class TWidgetServices {
public:
    virtual ~TWidgetServices() = default;

    // Attaches to the window of a realised top-level control; null when peer has no window here.
    virtual std::unique_ptr<TFormPeer> attachForm(TControlPeer& peer, TFormSink& sink) = 0;
    // The screen's work area (without the task bar), in screen coordinates.
    virtual TRect screenWorkArea() = 0;

    // Starts a timer of intervalMs milliseconds (at least 1); null when the platform has none left.
    virtual std::unique_ptr<TTimerPeer> startTimer(unsigned intervalMs, TTimerSink& sink) = 0;

    // Shows a pop-up menu at a point of the screen and waits until it closes; answers the command of
    // the chosen entry, or 0 when none was chosen. owner: the control the menu belongs to, or null.
    virtual int popupMenu(const std::vector<TMenuEntry>& entries, TPoint screen, TControlPeer* owner) = 0;

    // The platform's small system icons, as a handle the shell's icon query answered: the number of
    // icons, their size (the system's small icon size, which follows the display scale: 24 x 24 at
    // 144 DPI; false for no list) and one icon as a 32-bit picture (empty for an index outside the
    // list).
    virtual int systemIconCount(std::uintptr_t list) = 0;
    virtual bool systemIconSize(std::uintptr_t list, int& width, int& height) = 0;
    virtual TBitmap32 systemIcon(std::uintptr_t list, int index) = 0;

    // A canvas to measure text on outside a paint: set its font, then ask TextWidth / TextHeight.
    virtual TCanvas& measureCanvas() = 0;

    // Ends the program's message loop (the main form closed).
    virtual void endMessageLoop() = 0;

    // The user's settings as they are now (they may change while the program runs).
    virtual TInputSettings inputSettings() { return TInputSettings{}; }
    // The system's colours as last read: a form's window hears of a change (sinkSystemColorsChanged)
    // after they were read again.
    virtual TSystemColors systemColors() { return TSystemColors{}; }
};

// The process-wide services; null until installed.
TWidgetServices* widgetServices();
void installWidgetServices(TWidgetServices* services);
// The installed services' input settings, or the usual ones when none are installed.
TInputSettings inputSettings();
// The installed services' system colours, or the usual ones (high contrast off) when none are.
TSystemColors systemColors();

} // namespace plat
