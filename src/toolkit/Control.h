#pragma once
// The control every widget of the program is: a node of the window tree with bounds, visibility,
// enabled state, caption, font, colour and cursor, the input and focus events, repaint requests and
// synchronous paints. Widgets derive from it and override the protected hooks.
//
// Ownership: a parent owns its children (create / insertControl) and destroys them with itself;
// removeControl hands a child back. A control without a parent is owned by whoever made it.
// Realisation: a control is data until createHandle() realises it through the installed backend
// (platform/ControlBackend.h); a child inserted into a realised parent is realised at once, and
// children are realised after their parent.
// Display scale: a control is laid out for a DPI, 96 until it joins a window of another DPI. Its
// bounds and lengths are pixels at that DPI; a free control's bounds are the 96-DPI design, scaled
// when it is inserted. A window that changes DPI lays its whole tree out again (changeDpi).

#include "platform/ControlBackend.h"
#include "toolkit/Canvas.h"
#include "toolkit/Dpi.h"
#include "toolkit/Graphics.h"
#include "toolkit/Keys.h"

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class TControl : private plat::TControlSink {
public:
    using TNotifyEvent = std::function<void(TControl* sender)>;
    using TMouseEvent = std::function<void(TControl* sender, TMouseButton button, int x, int y)>;
    using TMouseMoveEvent = std::function<void(TControl* sender, int x, int y)>;
    // A handler that takes the key sets it to 0, so that nobody after it acts on it.
    using TKeyEvent = std::function<void(TControl* sender, int& key, TShiftState shift)>;

    TControl();
    virtual ~TControl();
    TControl(const TControl&) = delete;
    TControl& operator=(const TControl&) = delete;

    // ---- The tree.
    // Makes a child of type T owned by this control; null when this control takes no children.
    template <typename T, typename... Args> T* create(Args&&... args) {
        auto child = std::make_unique<T>(std::forward<Args>(args)...);
        T* result = child.get();
        return insertControl(std::move(child)) != nullptr ? result : nullptr;
    }
    // Takes ownership of a free child (one without a parent). Answers the child, or null when this
    // control takes no children (the child is then destroyed).
    TControl* insertControl(std::unique_ptr<TControl> child);
    // Hands a child back to the caller, unrealised; null when it is not a child of this control.
    std::unique_ptr<TControl> removeControl(TControl* child);
    TControl* parent() const { return FParent; }
    int controlCount() const { return static_cast<int>(FControls.size()); }
    TControl* controls(int index) const;
    bool acceptsControls() const { return FAcceptsControls; }
    // The component name a window's table of declared components gives it (btnAction).
    const std::wstring& name() const { return FName; }
    void setName(const std::wstring& value) { FName = value; }
    // This control or the first of its descendants (depth first) with that name; null for none.
    TControl* findControl(const std::wstring& name);

    // ---- Realisation.
    void createHandle();
    bool handleAllocated() const { return FPeer != nullptr; }
    plat::TControlPeer* peer() const { return FPeer.get(); }

    // ---- Properties.
    int left() const { return FLeft; }
    int top() const { return FTop; }
    int width() const { return FWidth; }
    int height() const { return FHeight; }
    void setLeft(int value) { setBounds(value, FTop, FWidth, FHeight); }
    void setTop(int value) { setBounds(FLeft, value, FWidth, FHeight); }
    void setWidth(int value) { setBounds(FLeft, FTop, value, FHeight); }
    void setHeight(int value) { setBounds(FLeft, FTop, FWidth, value); }
    // Negative sizes count as 0.
    void setBounds(int left, int top, int width, int height);
    TRect boundsRect() const { return ::boundsRect(FLeft, FTop, FWidth, FHeight); }
    TRect clientRect() const { return TRect{0, 0, FWidth, FHeight}; }

    bool visible() const { return FVisible; }
    void setVisible(bool value);
    bool enabled() const { return FEnabled; }
    void setEnabled(bool value);
    const std::wstring& caption() const { return FText; }
    // A different text raises the text-changed notification.
    void setCaption(const std::wstring& value);
    const TFont& font() const { return FFont; }
    void setFont(const TFont& value);
    // Changes only the font's colour.
    void recolorFont(TColor value);
    TColor color() const { return FColor; }
    void setColor(TColor value);
    // The colour that shows behind a child that does not cover itself (an image with transparent
    // parts): the colour, or the system's window colour in high contrast (toolkit/ColorRoles.h);
    // controls that paint their own background report it.
    virtual TColor surfaceColor() const;
    TCursor cursor() const { return FCursor; }
    void setCursor(TCursor value);
    int tag() const { return FTag; }
    void setTag(int value) { FTag = value; }

    // ---- Display scale.
    int dpi() const { return FDpi; }
    // A 96-DPI design length at this control's DPI.
    int scale(int length) const { return scaled(length, FDpi); }
    // Lays this control and its children out for newDpi: bounds (a top-level control keeps its
    // place), fonts and each control's own lengths are scaled from the DPI they had, then every
    // control hears of its new size, parents first.
    void changeDpi(int newDpi);

    // ---- Painting and focus.
    // Whether Tab stops at this control (the controls that take typed input do).
    bool tabStop() const { return FTabStop; }
    void setTabStop(bool value) { FTabStop = value; }
    // The control at the top of this one's tree: its window.
    TControl* topLevel();

    // A repaint request: the control paints at the next paint cycle.
    void invalidate();
    // A synchronous paint: the control paints now, before this returns.
    void paintNow();
    void setFocus();
    bool focused() const { return FFocused; }

    // ---- Accessibility (platform/Accessibility.h): what the control tells screen readers.
    // The control's description, from its state. The default: a pane (a window's client area for a
    // top-level control) with the accessible name, and the states every control has.
    virtual plat::TAccessibleItem accessible() const;
    // The control's own items (rows it draws), numbered from 1; none by default.
    virtual int accessibleItemCount() const { return 0; }
    virtual plat::TAccessibleItem accessibleItem(int index) const;
    // Does the default action of the control (item 0) or of an item; answers whether there was one.
    // The default: a control whose description names an action is clicked.
    virtual bool accessibleDefaultAction(int item);
    // The name screen readers say: the one set here (the label beside an edit), else the caption.
    std::wstring accessibleName() const { return FAccessibleName.empty() ? FText : FAccessibleName; }
    void setAccessibleName(const std::wstring& value);
    // The name set with setAccessibleName, else fallback (a control's own caption).
    std::wstring accessibleNameOr(const std::wstring& fallback) const {
        return FAccessibleName.empty() ? fallback : FAccessibleName;
    }
    // Passes a change on to the platform (item 0: the control itself).
    void accessibleNotify(plat::TAccEvent event, int item = 0);

    // ---- Events.
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TNotifyEvent OnClick;
    TNotifyEvent OnEnter; // focus gained
    TNotifyEvent OnExit;  // focus lost
    TNotifyEvent OnEnabledChanged;
    TNotifyEvent OnTextChanged;
    TNotifyEvent OnResize;
    TKeyEvent OnKeyDown; // a key pressed while the control has the focus

protected:
    void setAcceptsControls(bool value) { FAcceptsControls = value; }

    // Hooks, each called on the UI thread; the defaults raise the matching event.
    // paint draws the whole client area; the default fills it with color().
    virtual void paint(TCanvas& canvas);
    virtual void mouseEnter();
    virtual void mouseLeave();
    virtual void mouseMove(int x, int y);
    // A press or release as the platform delivers it. The defaults are the toolkit's handling: a
    // press calls mouseDown; a left release over the control that was pressed on it calls click(),
    // then any release calls mouseUp. Override these to act around the whole handling, and
    // mouseDown / mouseUp to replace only the events.
    virtual void buttonPressed(TMouseButton button, int x, int y);
    virtual void buttonReleased(TMouseButton button, int x, int y);
    virtual void mouseDown(TMouseButton button, int x, int y);
    virtual void mouseUp(TMouseButton button, int x, int y);
    virtual void click();
    virtual void focusGained();
    virtual void focusLost();
    // The default also requests a repaint.
    virtual void enabledChanged();
    virtual void textChanged();
    // The font was changed; the default requests a repaint.
    virtual void fontChanged();
    virtual void resize();
    // A key pressed while this control has the focus; set key to 0 when it is taken. The default
    // raises OnKeyDown.
    virtual void keyDown(int& key, TShiftState shift);
    // A character typed while this control has the focus.
    virtual void keyPress(wchar_t ch);
    // The mouse wheel turned by delta (120 a notch, positive away from the user) over this control,
    // or while it has the focus; (x, y) is the pointer in client coordinates. Answers whether the
    // control took the turn; one left goes to the parent. The default takes none.
    virtual bool mouseWheel(int delta, TShiftState shift, int x, int y);
    // Hooks of the top-level control (the window) for keys pressed in any of its controls: before
    // the focused control hears of the key, and after it left the key untaken.
    virtual void previewKeyDown(int& key, TShiftState shift);
    virtual void unhandledKeyDown(TControl& focused, int key, TShiftState shift);
    // The realised window a top-level control's window belongs to; null for none.
    virtual plat::TControlPeer* ownerPeer() { return nullptr; }
    // The control is now laid out for newDpi (its bounds and font already are): a control that
    // keeps lengths of its own scales them here, with rescaled(length, oldDpi, newDpi).
    virtual void dpiChanged(int oldDpi, int newDpi);
    // The whole tree is laid out for a new DPI (called on the control changeDpi ran on, once every
    // control has its new size): a window takes the pictures drawn for its DPI here, so that a
    // picture that sizes its control is not scaled again with it.
    virtual void dpiApplied() {}
    // The states every control has: unavailable, invisible (it or a parent hidden), focused, and
    // focusable for a Tab stop.
    plat::TAccStates commonAccStates() const;
    // The item that has the focus inside the control when it gains it (0: the control itself).
    virtual int accessibleFocusItem() const { return 0; }
    // The item at a point of the client area; 0 (the control itself) by default.
    virtual int accessibleItemAt(int /*x*/, int /*y*/) const { return 0; }

private:
    // What the peer reports; disabled controls get enter and leave but no moves, presses or releases.
    void sinkPaint(TCanvas& canvas) override;
    void sinkMouseEnter() override;
    void sinkMouseLeave() override;
    void sinkMouseMove(int x, int y) override;
    void sinkMouseDown(TMouseButton button, int x, int y) override;
    void sinkMouseUp(TMouseButton button, int x, int y) override;
    void sinkFocusGained() override;
    void sinkFocusLost() override;
    void sinkBoundsChanged(const TRect& bounds) override;
    void sinkKeyDown(int key, unsigned shift) override;
    void sinkChar(wchar_t ch) override;
    void sinkMouseWheel(int delta, unsigned shift, int x, int y) override;
    plat::TAccessibleItem sinkAccessible(int item) override;
    int sinkAccessibleItemCount() override;
    bool sinkAccessibleDefaultAction(int item) override;
    int sinkAccessibleFocusItem() override;
    int sinkAccessibleItemAt(int x, int y) override;

    void realise();
    void unrealise();
    // The steps of changeDpi, each over the whole tree.
    void rescaleTree(int newDpi, bool keepPlace);
    void fontChangedTree();
    void resizeTree();

    TControl* FParent = nullptr;
    std::vector<std::unique_ptr<TControl>> FControls;
    std::unique_ptr<plat::TControlPeer> FPeer;
    bool FAcceptsControls = false;
    std::wstring FName;
    std::wstring FAccessibleName;

    int FLeft = 0;
    int FTop = 0;
    int FWidth = 0;
    int FHeight = 0;
    bool FVisible = true;
    bool FEnabled = true;
    std::wstring FText;
    TFont FFont;
    TColor FColor = hexColor(0xF0F0F0);
    TCursor FCursor = crDefault;
    int FTag = 0;
    int FDpi = kDesignDpi;
    bool FTabStop = false;
    bool FFocused = false;
    bool FClicked = false;       // the left button went down on this control
    bool FReleaseClicks = false; // the release being handled ends such a press
};
