#include "toolkit/Form.h"

#include "toolkit/CaptionToolBar.h"
#include "toolkit/Declared.h"

#include <algorithm>

namespace {

// The form that was made the program's main form, while it exists.
TForm* theMainForm = nullptr;

// Whether control and every control above it show.
bool showing(const TControl& control) {
    for (const TControl* node = &control; node != nullptr; node = node->parent()) {
        if (!node->visible()) {
            return false;
        }
    }
    return true;
}

// The controls under control, in tree order (depth first, parents before children).
void collect(TControl& control, std::vector<TControl*>& into) {
    for (int i = 0; i < control.controlCount(); ++i) {
        TControl* child = control.controls(i);
        into.push_back(child);
        collect(*child, into);
    }
}

} // namespace

TForm::TForm() {
    setVisible(false);
    setBounds(0, 0, 320, 240);
}

TForm::~TForm() {
    if (theMainForm == this) {
        theMainForm = nullptr;
    }
    // The platform's form handling goes before the window it is attached to.
    FFormPeer.reset();
}

void TForm::setMainForm(bool value) {
    FMainForm = value;
    if (value) {
        theMainForm = this;
    } else if (theMainForm == this) {
        theMainForm = nullptr;
    }
}

plat::TControlPeer* TForm::ownerPeer() {
    if (theMainForm == nullptr || theMainForm == this) {
        return nullptr;
    }
    theMainForm->createHandle();
    return theMainForm->peer();
}

void TForm::setClientSize(int width, int height) {
    setBounds(left(), top(), std::max(width, FMinClientWidth), std::max(height, FMinClientHeight));
}

void TForm::setMinClientSize(int width, int height) {
    FMinClientWidth = std::max(width, 0);
    FMinClientHeight = std::max(height, 0);
    if (FFormPeer) {
        FFormPeer->setMinClientSize(FMinClientWidth, FMinClientHeight);
    }
    if (clientWidth() < FMinClientWidth || clientHeight() < FMinClientHeight) {
        setClientSize(clientWidth(), clientHeight());
    }
}

void TForm::attachFormPeer() {
    if (!handleAllocated()) {
        return;
    }
    if (FFormPeer != nullptr && FAttachedTo == peer()) {
        return;
    }
    FFormPeer.reset();
    FAttachedTo = nullptr;
    plat::TWidgetServices* services = plat::widgetServices();
    if (services == nullptr) {
        return;
    }
    FFormPeer = services->attachForm(*peer(), *this);
    if (FFormPeer != nullptr) {
        FAttachedTo = peer();
        FFormPeer->setMinClientSize(FMinClientWidth, FMinClientHeight);
        if (FFrame != plat::TFormFrame::sizeable) {
            FFormPeer->setFrame(FFrame);
        }
        changeDpi(FFormPeer->dpi());
    }
}

void TForm::dpiChanged(int oldDpi, int newDpi) {
    FMinClientWidth = rescaled(FMinClientWidth, oldDpi, newDpi);
    FMinClientHeight = rescaled(FMinClientHeight, oldDpi, newDpi);
    if (FFormPeer) {
        FFormPeer->setMinClientSize(FMinClientWidth, FMinClientHeight);
    }
    TAlignedContainer::dpiChanged(oldDpi, newDpi);
}

void TForm::sinkDpiChanged(int dpi) {
    changeDpi(dpi);
}

namespace {

void invalidateTree(TControl& control) {
    control.invalidate();
    for (int i = 0; i < control.controlCount(); ++i) {
        invalidateTree(*control.controls(i));
    }
}

} // namespace

TCaptionToolBar* TForm::captionToolBar() const {
    for (const std::unique_ptr<TComponent>& component : FComponents) {
        auto* bar = dynamic_cast<TCaptionToolBar*>(component.get());
        if (bar != nullptr && bar->attachedTo(*this)) {
            return bar;
        }
    }
    return nullptr;
}

int TForm::accessibleItemCount() const {
    return captionToolBar() != nullptr ? 1 : 0;
}

plat::TAccessibleItem TForm::accessibleItem(int index) const {
    TCaptionToolBar* bar = index == 1 ? captionToolBar() : nullptr;
    return bar != nullptr ? bar->accessible() : TAlignedContainer::accessibleItem(index);
}

bool TForm::accessibleDefaultAction(int item) {
    if (item == 1) {
        TCaptionToolBar* bar = captionToolBar();
        return bar != nullptr && bar->accessiblePress();
    }
    return TAlignedContainer::accessibleDefaultAction(item);
}

void TForm::sinkSystemColorsChanged() {
    // Every custom-drawn control asks for its colours when it paints (toolkit/ColorRoles.h).
    invalidateTree(*this);
}

void TForm::show() {
    createHandle();
    attachFormPeer();
    if (FPosition == poScreenCenter && !FCentred && FFormPeer != nullptr) {
        FCentred = true;
        FFormPeer->centreOnScreen();
    }
    const bool onMainForm = FPosition == poMainFormCenter && FFormPeer != nullptr && theMainForm != nullptr &&
                            theMainForm != this && theMainForm->peer() != nullptr;
    if (onMainForm) {
        FFormPeer->centreOver(*theMainForm->peer());
    }
    const TRect shownBounds = boundsRect();
    setVisible(true);
    if (FFormPeer != nullptr) {
        FFormPeer->bringToFront();
    }
    if (OnShow) {
        OnShow(this);
    }
    // A form that sized itself on showing stays centred on the main form.
    if (onMainForm && boundsRect() != shownBounds && theMainForm != nullptr &&
        theMainForm->peer() != nullptr) {
        FFormPeer->centreOver(*theMainForm->peer());
    }
}

bool TForm::close() {
    bool canClose = true;
    if (OnCloseQuery) {
        OnCloseQuery(this, canClose);
    }
    if (!canClose) {
        return false;
    }
    hide();
    if (OnClose) {
        OnClose(this);
    }
    if (FMainForm) {
        if (plat::TWidgetServices* services = plat::widgetServices()) {
            services->endMessageLoop();
        }
    }
    return true;
}

bool TForm::showModal() {
    createHandle();
    attachFormPeer();
    bool closed = false;
    FModal = true;
    try {
        if (FFormPeer != nullptr) {
            closed = FFormPeer->runModal([this] { show(); }, [this] { return !visible(); });
        }
    } catch (...) {
        FModal = false;
        hide();
        throw;
    }
    FModal = false;
    // Without the platform's form handling there is no loop to wait in: the form closes at once.
    if (visible()) {
        hide();
        closed = false;
    }
    return closed;
}

void TForm::selectNext(TControl* current, bool forward) {
    std::vector<TControl*> all;
    collect(*this, all);
    std::vector<TControl*> stops;
    for (TControl* control : all) {
        if (control->tabStop() && control->enabled() && showing(*control) && control->handleAllocated()) {
            stops.push_back(control);
        }
    }
    if (stops.empty()) {
        return;
    }
    const auto at = std::find(stops.begin(), stops.end(), current);
    std::size_t next = 0;
    if (at == stops.end()) {
        next = forward ? 0 : stops.size() - 1;
    } else {
        const std::size_t index = static_cast<std::size_t>(at - stops.begin());
        next = forward ? (index + 1) % stops.size() : (index + stops.size() - 1) % stops.size();
    }
    stops[next]->setFocus();
}

void TForm::keyDown(int& key, TShiftState shift) {
    // With key preview the form's handler has heard of the key already.
    if (!FKeyPreview) {
        TControl::keyDown(key, shift);
    }
}

void TForm::previewKeyDown(int& key, TShiftState shift) {
    if (FKeyPreview && OnKeyDown) {
        OnKeyDown(this, key, shift);
    }
}

void TForm::unhandledKeyDown(TControl& focused, int key, TShiftState shift) {
    if (key == VK_TAB && (shift & (ssCtrl | ssAlt)) == 0) {
        selectNext(&focused, (shift & ssShift) == 0);
    } else if (key == VK_F10 && (shift & (ssShift | ssCtrl | ssAlt)) == 0) {
        // F10 is Windows' key for a window's menu; this window's is the caption tab's. It drops down
        // once the key's handling has returned, as for a screen reader's press.
        if (TCaptionToolBar* bar = captionToolBar(); bar != nullptr) {
            bar->accessiblePress();
        }
    }
}

void TForm::sinkCloseRequested() {
    try {
        close();
    } catch (...) {
        // A failing handler leaves the window open; the message loop goes on.
    }
}

void TForm::declare(const std::vector<TDeclaredComponent>& rows) {
    declare(rows, TComponentKinds::standard());
}

void TForm::declare(const std::vector<TDeclaredComponent>& rows, const TComponentKinds& kinds) {
    for (const TDeclaredComponent& row : rows) {
        if (row.name.empty() || component(row.name) != nullptr || findControl(row.name) != nullptr) {
            declared::tableError(row, "a name missing or used twice");
        }
        const TComponentKinds::TMaker* maker = kinds.maker(row.kind);
        if (maker == nullptr) {
            declared::tableError(row, "unknown kind");
        }
        (*maker)(*this, row);
    }
}

TComponent* TForm::addComponent(std::unique_ptr<TComponent> component) {
    FComponents.push_back(std::move(component));
    return FComponents.back().get();
}

TComponent* TForm::component(const std::wstring& name) const {
    if (name.empty()) {
        return nullptr;
    }
    for (const auto& each : FComponents) {
        if (each->name() == name) {
            return each.get();
        }
    }
    // Menu items are found through their menus.
    for (const auto& each : FComponents) {
        if (auto* menu = dynamic_cast<TPopupMenu*>(each.get())) {
            if (TMenuItem* item = menu->items().find(name)) {
                return item;
            }
        }
    }
    return nullptr;
}

TPoint clientToScreen(const TControl& control, TPoint point) {
    for (const TControl* node = &control; node != nullptr; node = node->parent()) {
        point.x += node->left();
        point.y += node->top();
    }
    return point;
}
