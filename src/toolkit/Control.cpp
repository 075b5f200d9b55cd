#include "toolkit/Control.h"

#include "toolkit/ColorRoles.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Runs a notification without letting an exception reach the platform's window procedure.
template <typename F> void guarded(F&& action) noexcept {
    try {
        action();
    } catch (...) {
        // A handler that fails leaves the control as it is; the message loop goes on.
    }
}

template <typename Event, typename... Args> void raise(const Event& event, Args&&... args) {
    if (event) {
        event(std::forward<Args>(args)...);
    }
}

} // namespace

TControl::TControl() = default;

TControl::~TControl() {
    // Children go first, so that their peers are destroyed before ours.
    while (!FControls.empty()) {
        FControls.pop_back();
    }
    FPeer.reset();
}

TControl* TControl::insertControl(std::unique_ptr<TControl> child) {
    if (child == nullptr || !FAcceptsControls) {
        return nullptr;
    }
    for (const TControl* node = this; node != nullptr; node = node->FParent) {
        if (node == child.get()) {
            std::abort(); // a control made its own ancestor: a programming error
        }
    }
    TControl* raw = child.get();
    FControls.push_back(std::move(child));
    raw->FParent = this;
    raw->changeDpi(FDpi);
    if (handleAllocated()) {
        raw->realise();
    }
    return raw;
}

std::unique_ptr<TControl> TControl::removeControl(TControl* child) {
    auto found = std::find_if(FControls.begin(), FControls.end(),
                              [child](const std::unique_ptr<TControl>& each) { return each.get() == child; });
    if (found == FControls.end()) {
        return nullptr;
    }
    std::unique_ptr<TControl> result = std::move(*found);
    FControls.erase(found);
    result->unrealise();
    result->FParent = nullptr;
    return result;
}

TControl* TControl::controls(int index) const {
    if (index < 0 || index >= controlCount()) {
        return nullptr;
    }
    return FControls[static_cast<std::size_t>(index)].get();
}

TControl* TControl::findControl(const std::wstring& name) {
    if (FName == name) {
        return this;
    }
    for (auto& child : FControls) {
        if (TControl* found = child->findControl(name)) {
            return found;
        }
    }
    return nullptr;
}

void TControl::createHandle() {
    if (FParent != nullptr && !FParent->handleAllocated()) {
        FParent->createHandle();
        return; // the parent realises its children, this one among them
    }
    realise();
}

void TControl::realise() {
    plat::TControlBackend* backend = plat::controlBackend();
    if (backend == nullptr) {
        return;
    }
    if (FPeer == nullptr) {
        plat::TPeerParams params;
        params.bounds = boundsRect();
        params.visible = FVisible;
        params.enabled = FEnabled;
        params.text = FText;
        params.cursor = FCursor;
        params.acceptsControls = FAcceptsControls;
        params.owner = FParent == nullptr ? ownerPeer() : nullptr;
        FPeer = backend->createPeer(*this, FParent != nullptr ? FParent->peer() : nullptr, params);
    }
    for (auto& child : FControls) {
        child->realise();
    }
}

void TControl::unrealise() {
    for (auto& child : FControls) {
        child->unrealise();
    }
    FPeer.reset();
    FFocused = false;
    FClicked = false;
}

void TControl::setBounds(int left, int top, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) {
        return;
    }
    const bool sized = width != FWidth || height != FHeight;
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    if (FPeer) {
        FPeer->setBounds(boundsRect());
    }
    if (sized) {
        resize();
    }
}

void TControl::setVisible(bool value) {
    if (value == FVisible) {
        return;
    }
    FVisible = value;
    if (FPeer) {
        FPeer->setVisible(value);
    }
    accessibleNotify(value ? plat::TAccEvent::show : plat::TAccEvent::hide);
}

void TControl::setEnabled(bool value) {
    if (value == FEnabled) {
        return;
    }
    FEnabled = value;
    FClicked = false;
    if (FPeer) {
        FPeer->setEnabled(value);
    }
    enabledChanged();
    accessibleNotify(plat::TAccEvent::stateChange);
}

void TControl::setCaption(const std::wstring& value) {
    if (value == FText) {
        return;
    }
    FText = value;
    if (FPeer) {
        FPeer->setText(value);
    }
    textChanged();
    if (FAccessibleName.empty() && accessible().name == FText) {
        accessibleNotify(plat::TAccEvent::nameChange); // the caption is what screen readers call it
    }
}

void TControl::setFont(const TFont& value) {
    TFont made = value;
    made.pixelsPerInch = FDpi; // fonts are always made for the control's DPI
    if (made == FFont) {
        return;
    }
    FFont = made;
    fontChanged();
}

void TControl::changeDpi(int newDpi) {
    if (newDpi <= 0 || newDpi == FDpi) {
        return;
    }
    rescaleTree(newDpi, FParent == nullptr);
    fontChangedTree();
    resizeTree();
    dpiApplied();
}

void TControl::rescaleTree(int newDpi, bool keepPlace) {
    const int oldDpi = FDpi;
    FDpi = newDpi;
    if (!keepPlace) {
        FLeft = rescaled(FLeft, oldDpi, newDpi);
        FTop = rescaled(FTop, oldDpi, newDpi);
    }
    FWidth = rescaled(FWidth, oldDpi, newDpi);
    FHeight = rescaled(FHeight, oldDpi, newDpi);
    FFont.pixelsPerInch = newDpi;
    if (FPeer) {
        FPeer->setBounds(boundsRect());
    }
    dpiChanged(oldDpi, newDpi);
    for (auto& child : FControls) {
        child->rescaleTree(newDpi, false);
    }
}

void TControl::fontChangedTree() {
    fontChanged();
    for (auto& child : FControls) {
        child->fontChangedTree();
    }
}

void TControl::resizeTree() {
    resize();
    for (auto& child : FControls) {
        child->resizeTree();
    }
}

void TControl::dpiChanged(int /*oldDpi*/, int /*newDpi*/) {}

void TControl::recolorFont(TColor value) {
    TFont changed = FFont;
    changed.color = value;
    setFont(changed);
}

void TControl::setColor(TColor value) {
    if (value == FColor) {
        return;
    }
    FColor = value;
    invalidate();
}

void TControl::setCursor(TCursor value) {
    FCursor = value;
    if (FPeer) {
        FPeer->setCursor(value);
    }
}

void TControl::invalidate() {
    if (FPeer) {
        FPeer->invalidate();
    }
}

void TControl::paintNow() {
    if (FPeer) {
        FPeer->paintNow();
    }
}

TControl* TControl::topLevel() {
    TControl* top = this;
    while (top->FParent != nullptr) {
        top = top->FParent;
    }
    return top;
}

void TControl::setFocus() {
    if (FPeer) {
        FPeer->setFocus();
    }
}

// ---- Accessibility.

plat::TAccStates TControl::commonAccStates() const {
    plat::TAccStates states = 0;
    if (!FEnabled) {
        states |= plat::asUnavailable;
    }
    for (const TControl* node = this; node != nullptr; node = node->FParent) {
        if (!node->FVisible) {
            states |= plat::asInvisible;
            break;
        }
    }
    if (FTabStop) {
        states |= plat::asFocusable;
    }
    if (FFocused) {
        states |= plat::asFocused;
    }
    return states;
}

plat::TAccessibleItem TControl::accessible() const {
    plat::TAccessibleItem item;
    item.role = FParent == nullptr ? plat::TAccRole::client : plat::TAccRole::pane;
    item.name = accessibleName();
    item.states = commonAccStates();
    item.location = clientRect();
    return item;
}

plat::TAccessibleItem TControl::accessibleItem(int /*index*/) const {
    return {};
}

bool TControl::accessibleDefaultAction(int item) {
    if (item != 0 || !FEnabled || accessible().defaultAction.empty()) {
        return false;
    }
    click();
    return true;
}

void TControl::setAccessibleName(const std::wstring& value) {
    if (value == FAccessibleName) {
        return;
    }
    FAccessibleName = value;
    accessibleNotify(plat::TAccEvent::nameChange);
}

void TControl::accessibleNotify(plat::TAccEvent event, int item) {
    if (FPeer) {
        FPeer->accessibleEvent(event, item);
    }
}

plat::TAccessibleItem TControl::sinkAccessible(int item) {
    plat::TAccessibleItem result;
    guarded([&] { result = item == 0 ? accessible() : accessibleItem(item); });
    return result;
}

int TControl::sinkAccessibleItemCount() {
    int count = 0;
    guarded([&] { count = accessibleItemCount(); });
    return count;
}

bool TControl::sinkAccessibleDefaultAction(int item) {
    bool done = false;
    guarded([&] { done = accessibleDefaultAction(item); });
    return done;
}

int TControl::sinkAccessibleFocusItem() {
    int item = 0;
    guarded([&] { item = accessibleFocusItem(); });
    return item;
}

int TControl::sinkAccessibleItemAt(int x, int y) {
    int item = 0;
    guarded([&] { item = accessibleItemAt(x, y); });
    return item;
}

// ---- Default hooks.

TColor TControl::surfaceColor() const {
    return roleColor(TColorRole::window, FColor);
}

void TControl::paint(TCanvas& canvas) {
    canvas.brush().setColor(surfaceColor());
    canvas.FillRect(clientRect());
}

void TControl::mouseEnter() {
    raise(OnMouseEnter, this);
}

void TControl::mouseLeave() {
    raise(OnMouseLeave, this);
}

void TControl::mouseMove(int x, int y) {
    raise(OnMouseMove, this, x, y);
}

void TControl::buttonPressed(TMouseButton button, int x, int y) {
    mouseDown(button, x, y);
}

void TControl::buttonReleased(TMouseButton button, int x, int y) {
    if (button == TMouseButton::mbLeft && FReleaseClicks) {
        FReleaseClicks = false;
        if (clientRect().contains(x, y)) {
            click();
        }
    }
    mouseUp(button, x, y);
}

void TControl::mouseDown(TMouseButton button, int x, int y) {
    raise(OnMouseDown, this, button, x, y);
}

void TControl::mouseUp(TMouseButton button, int x, int y) {
    raise(OnMouseUp, this, button, x, y);
}

void TControl::click() {
    raise(OnClick, this);
}

void TControl::focusGained() {
    raise(OnEnter, this);
}

void TControl::focusLost() {
    raise(OnExit, this);
}

void TControl::enabledChanged() {
    invalidate();
    raise(OnEnabledChanged, this);
}

void TControl::textChanged() {
    raise(OnTextChanged, this);
}

void TControl::fontChanged() {
    invalidate();
}

void TControl::resize() {
    raise(OnResize, this);
}

void TControl::keyDown(int& key, TShiftState shift) {
    raise(OnKeyDown, this, key, shift);
}

void TControl::keyPress(wchar_t /*ch*/) {}

bool TControl::mouseWheel(int /*delta*/, TShiftState /*shift*/, int /*x*/, int /*y*/) {
    return false;
}

void TControl::previewKeyDown(int& /*key*/, TShiftState /*shift*/) {}

void TControl::unhandledKeyDown(TControl& /*focused*/, int /*key*/, TShiftState /*shift*/) {}

// ---- What the peer reports.

void TControl::sinkPaint(TCanvas& canvas) {
    guarded([&] { paint(canvas); });
}

void TControl::sinkMouseEnter() {
    guarded([&] { mouseEnter(); });
}

void TControl::sinkMouseLeave() {
    guarded([&] { mouseLeave(); });
}

void TControl::sinkMouseMove(int x, int y) {
    if (!FEnabled) {
        return;
    }
    guarded([&] { mouseMove(x, y); });
}

void TControl::sinkMouseDown(TMouseButton button, int x, int y) {
    if (!FEnabled) {
        return;
    }
    if (button == TMouseButton::mbLeft) {
        FClicked = true;
    }
    guarded([&] { buttonPressed(button, x, y); });
}

void TControl::sinkMouseUp(TMouseButton button, int x, int y) {
    if (!FEnabled) {
        return;
    }
    // Decided before the handling, which may destroy the control through a click handler.
    FReleaseClicks = button == TMouseButton::mbLeft && FClicked;
    if (button == TMouseButton::mbLeft) {
        FClicked = false;
    }
    guarded([&] { buttonReleased(button, x, y); });
}

void TControl::sinkFocusGained() {
    FFocused = true;
    guarded([&] {
        focusGained();
        accessibleNotify(plat::TAccEvent::focus, accessibleFocusItem());
    });
}

void TControl::sinkFocusLost() {
    FFocused = false;
    FClicked = false;
    guarded([&] { focusLost(); });
}

void TControl::sinkBoundsChanged(const TRect& bounds) {
    const bool sized = bounds.width() != FWidth || bounds.height() != FHeight;
    FLeft = bounds.left;
    FTop = bounds.top;
    FWidth = std::max(bounds.width(), 0);
    FHeight = std::max(bounds.height(), 0);
    if (sized) {
        guarded([&] { resize(); });
    }
}

void TControl::sinkKeyDown(int key, unsigned shift) {
    if (!FEnabled) {
        return;
    }
    guarded([&] {
        // The window hears of the key first, then the control, then the window again if the
        // control left it. A window never closes from under its controls (it only hides).
        TControl* top = topLevel();
        top->previewKeyDown(key, shift);
        if (key != 0) {
            keyDown(key, shift);
        }
        if (key != 0) {
            top->unhandledKeyDown(*this, key, shift);
        }
    });
}

void TControl::sinkChar(wchar_t ch) {
    if (!FEnabled) {
        return;
    }
    guarded([&] { keyPress(ch); });
}

void TControl::sinkMouseWheel(int delta, unsigned shift, int x, int y) {
    guarded([&] {
        // Up the tree until a control takes the turn, as Windows hands an untaken turn to the parent.
        for (TControl* control = this; control != nullptr; control = control->FParent) {
            if (control->FEnabled && control->mouseWheel(delta, shift, x, y)) {
                return;
            }
            x += control->FLeft;
            y += control->FTop;
        }
    });
}
