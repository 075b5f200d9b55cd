#include "platform/headless/HeadlessBackend.h"

#include "toolkit/Keys.h"

#include <algorithm>

namespace plat::headless {

THeadlessPeer::THeadlessPeer(THeadlessBackend& backend, TControlSink& sink, THeadlessPeer* parent,
                             const TPeerParams& params)
    : FBackend(backend), FSink(sink), FParent(parent), FBounds(params.bounds), FVisible(params.visible),
      FEnabled(params.enabled), FText(params.text), FCursor(params.cursor),
      FAcceptsControls(params.acceptsControls), FOwner(headlessPeer(params.owner)),
      FSurface(params.bounds.width(), params.bounds.height(), THeadlessBackend::kUnpainted) {
    // A new window is painted at the first paint cycle.
    FRepaintPending = true;
}

THeadlessPeer::~THeadlessPeer() {
    FBackend.forget(this);
}

void THeadlessPeer::setBounds(const TRect& bounds) {
    const bool sized = bounds.width() != FBounds.width() || bounds.height() != FBounds.height();
    FBounds = bounds;
    if (sized) {
        FSurface.resize(bounds.width(), bounds.height(), THeadlessBackend::kUnpainted);
        FRepaintPending = true;
    }
}

void THeadlessPeer::setVisible(bool visible) {
    FVisible = visible;
    if (visible) {
        FRepaintPending = true;
    }
}

void THeadlessPeer::setEnabled(bool enabled) {
    FEnabled = enabled;
}

void THeadlessPeer::setText(const std::wstring& text) {
    FText = text;
}

void THeadlessPeer::setCursor(TCursor cursor) {
    FCursor = cursor;
}

void THeadlessPeer::invalidate() {
    ++FInvalidateCount;
    FRepaintPending = true;
}

void THeadlessPeer::paintNow() {
    if (showing()) {
        paint();
    }
}

void THeadlessPeer::accessibleEvent(TAccEvent event, int item) {
    FBackend.FAccEvents.push_back(TAccEventRecord{this, event, item});
}

void THeadlessPeer::setFocus() {
    FBackend.moveFocus(this);
}

bool THeadlessPeer::showing() const {
    for (const THeadlessPeer* peer = this; peer != nullptr; peer = peer->FParent) {
        if (!peer->FVisible) {
            return false;
        }
    }
    return true;
}

void THeadlessPeer::resetCounts() {
    FInvalidateCount = 0;
    FPaintCount = 0;
    FRepaintPending = false;
}

void THeadlessPeer::click(int x, int y) {
    mouseEnter();
    mouseMove(x, y);
    mouseDown(TMouseButton::mbLeft, x, y);
    mouseUp(TMouseButton::mbLeft, x, y);
    mouseLeave();
}

void THeadlessPeer::pressKey(int key, unsigned shift) {
    FSink.sinkKeyDown(key, shift);
    switch (key) {
    case VK_BACK:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_SPACE:
        if ((shift & (ssCtrl | ssAlt)) == 0) {
            FSink.sinkChar(static_cast<wchar_t>(key));
        }
        break;
    default:
        break;
    }
}

void THeadlessPeer::typeText(const std::wstring& text) {
    for (const wchar_t ch : text) {
        FSink.sinkChar(ch);
    }
}

void THeadlessPeer::platformResize(const TRect& bounds) {
    setBounds(bounds);
    FSink.sinkBoundsChanged(bounds);
}

bool THeadlessPeer::update() {
    if (!FRepaintPending || !showing()) {
        return false;
    }
    paint();
    return true;
}

void THeadlessPeer::paint() {
    // A paint covers the whole surface, so a request pending before it is served by it.
    FRepaintPending = false;
    ++FPaintCount;
    FSink.sinkPaint(FSurface);
}

std::unique_ptr<TControlPeer> THeadlessBackend::createPeer(TControlSink& sink, TControlPeer* parent,
                                                           const TPeerParams& params) {
    auto peer = std::make_unique<THeadlessPeer>(*this, sink, headlessPeer(parent), params);
    FPeers.push_back(peer.get());
    return peer;
}

int THeadlessBackend::paintCycle() {
    int painted = 0;
    // A paint may create or destroy peers; walk a copy and skip those gone meanwhile.
    const std::vector<THeadlessPeer*> snapshot = FPeers;
    for (THeadlessPeer* peer : snapshot) {
        if (std::find(FPeers.begin(), FPeers.end(), peer) != FPeers.end() && peer->update()) {
            ++painted;
        }
    }
    return painted;
}

void THeadlessBackend::moveFocus(THeadlessPeer* peer) {
    if (peer == FFocused) {
        return;
    }
    THeadlessPeer* previous = FFocused;
    FFocused = peer;
    if (previous != nullptr) {
        previous->FSink.sinkFocusLost();
    }
    if (peer != nullptr) {
        peer->FSink.sinkFocusGained();
    }
}

void THeadlessBackend::forget(THeadlessPeer* peer) {
    FPeers.erase(std::remove(FPeers.begin(), FPeers.end(), peer), FPeers.end());
    if (FFocused == peer) {
        FFocused = nullptr;
    }
    // Windows it owned are left without an owner, as the record of what is there.
    for (THeadlessPeer* owned : FPeers) {
        if (owned->FOwner == peer) {
            owned->FOwner = nullptr;
        }
    }
}

} // namespace plat::headless
