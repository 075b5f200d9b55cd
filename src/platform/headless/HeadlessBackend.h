#pragma once
// The toolkit backend for tests: controls are kept as data. Each peer records what the control told
// it and every repaint request and paint, paints into a raster surface of the control's size, and
// lets a test play the platform: pointer, button and key input, focus, a paint cycle, a resize.

#include "platform/ControlBackend.h"
#include "platform/headless/RasterCanvas.h"

#include <vector>

namespace plat::headless {

class THeadlessBackend;

class THeadlessPeer : public TControlPeer {
public:
    THeadlessPeer(THeadlessBackend& backend, TControlSink& sink, THeadlessPeer* parent,
                  const TPeerParams& params);
    ~THeadlessPeer() override;

    // What the control told the peer.
    void setBounds(const TRect& bounds) override;
    void setVisible(bool visible) override;
    void setEnabled(bool enabled) override;
    void setText(const std::wstring& text) override;
    void setCursor(TCursor cursor) override;
    void invalidate() override;
    void paintNow() override;
    void setFocus() override;
    void accessibleEvent(TAccEvent event, int item) override;

    // The records.
    const TRect& bounds() const { return FBounds; }
    bool visible() const { return FVisible; }
    // Visible with every parent visible: only then does the control paint.
    bool showing() const;
    bool enabled() const { return FEnabled; }
    const std::wstring& text() const { return FText; }
    TCursor cursor() const { return FCursor; }
    bool acceptsControls() const { return FAcceptsControls; }
    THeadlessPeer* parent() const { return FParent; }
    // The window a top-level control's window belongs to; null for none.
    THeadlessPeer* owner() const { return FOwner; }
    bool repaintRequested() const { return FRepaintPending; }
    int invalidateCount() const { return FInvalidateCount; }
    int paintCount() const { return FPaintCount; }
    void resetCounts();
    // What the paints so far have drawn; sized like the control.
    TRasterCanvas& surface() { return FSurface; }

    // The platform's side. A disabled control still gets them: the toolkit filters.
    void mouseEnter() { FSink.sinkMouseEnter(); }
    void mouseLeave() { FSink.sinkMouseLeave(); }
    void mouseMove(int x, int y) { FSink.sinkMouseMove(x, y); }
    void mouseDown(TMouseButton button, int x, int y) { FSink.sinkMouseDown(button, x, y); }
    void mouseUp(TMouseButton button, int x, int y) { FSink.sinkMouseUp(button, x, y); }
    // The wheel turned over this control (or while it has the focus), the pointer at (x, y).
    void mouseWheel(int delta, int x, int y, unsigned shift = 0) { FSink.sinkMouseWheel(delta, shift, x, y); }
    // Enter, move, press and release at (x, y), then leave.
    void click(int x, int y);
    // A key pressed while this control has the focus, then the character it types as the
    // platform translates it: Enter, Escape, Backspace and Tab type their control characters,
    // Space a space; other keys type nothing here (type their characters with typeText).
    void pressKey(int key, unsigned shift = 0);
    // The characters typed one by one, each without a key press of its own.
    void typeText(const std::wstring& text);
    // The platform resized the control (the user dragged a window's edge).
    void platformResize(const TRect& bounds);
    // The pending repaint request, if any, is served now; answers whether a paint ran.
    bool update();
    // What assistive technology asks: the description of the control (item 0) or of an item, the
    // number of items, and the default action.
    TAccessibleItem accessible(int item = 0) { return FSink.sinkAccessible(item); }
    int accessibleItemCount() { return FSink.sinkAccessibleItemCount(); }
    int accessibleItemAt(int x, int y) { return FSink.sinkAccessibleItemAt(x, y); }
    bool accessibleDefaultAction(int item = 0) { return FSink.sinkAccessibleDefaultAction(item); }

private:
    friend class THeadlessBackend;
    void paint();

    THeadlessBackend& FBackend;
    TControlSink& FSink;
    THeadlessPeer* FParent;
    TRect FBounds;
    bool FVisible;
    bool FEnabled;
    std::wstring FText;
    TCursor FCursor;
    bool FAcceptsControls;
    THeadlessPeer* FOwner;
    bool FRepaintPending = false;
    int FInvalidateCount = 0;
    int FPaintCount = 0;
    TRasterCanvas FSurface;
};

// A change a control passed on to assistive technology, as the backend recorded it.
struct TAccEventRecord {
    THeadlessPeer* peer = nullptr;
    TAccEvent event = TAccEvent::focus;
    int item = 0;
};

class THeadlessBackend : public TControlBackend {
public:
    // The colour a surface starts with, so that unpainted pixels stand out.
    static constexpr TColor kUnpainted = 0xFF00FF;

    std::unique_ptr<TControlPeer> createPeer(TControlSink& sink, TControlPeer* parent,
                                             const TPeerParams& params) override;

    // The paint cycle: every peer with a pending repaint request paints once. Answers how many did.
    int paintCycle();
    const std::vector<THeadlessPeer*>& peers() const { return FPeers; }
    THeadlessPeer* focused() const { return FFocused; }
    // Moves the focus to peer (null: nowhere), reporting the loss and the gain.
    void moveFocus(THeadlessPeer* peer);
    // The accessibility events every peer raised, in order (a peer destroyed since stays named by
    // its former address: compare, never follow).
    const std::vector<TAccEventRecord>& accessibleEvents() const { return FAccEvents; }
    void clearAccessibleEvents() { FAccEvents.clear(); }

private:
    friend class THeadlessPeer;
    void forget(THeadlessPeer* peer);

    std::vector<THeadlessPeer*> FPeers; // in creation order, parents before children
    THeadlessPeer* FFocused = nullptr;
    std::vector<TAccEventRecord> FAccEvents;
};

// The headless peer of a realised control's peer pointer; null for none.
inline THeadlessPeer* headlessPeer(TControlPeer* peer) {
    return dynamic_cast<THeadlessPeer*>(peer);
}

} // namespace plat::headless
