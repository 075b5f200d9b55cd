#include "toolkit/CaptionToolBar.h"

#include "toolkit/Form.h"

TCaptionToolBar::~TCaptionToolBar() {
    // The platform's drawing goes first: it must not ask a half-destroyed toolbar for its picture.
    FPeer.reset();
}

void TCaptionToolBar::setPictures(TCaptionButtonPictures large, TCaptionButtonPictures small) {
    FLarge = std::move(large);
    FSmall = std::move(small);
    invalidate();
}

TCaptionButtonState TCaptionToolBar::state() const {
    if (FPressed) {
        return TCaptionButtonState::pressed;
    }
    return FHovered ? TCaptionButtonState::hover : TCaptionButtonState::normal;
}

const TBitmap32& TCaptionToolBar::picture(bool small) const {
    const TCaptionButtonPictures& set = pictures(small);
    switch (state()) {
    case TCaptionButtonState::pressed:
        return set.pressed;
    case TCaptionButtonState::hover:
        return set.hover;
    case TCaptionButtonState::normal:
        break;
    }
    return set.normal;
}

void TCaptionToolBar::attach(TForm& form) {
    plat::TControlPeer* formPeer = form.peer();
    plat::TCaptionBarBackend* backend = plat::captionBarBackend();
    if (formPeer == nullptr || backend == nullptr || (FPeer != nullptr && FAttachedTo == formPeer)) {
        return;
    }
    FPeer.reset();
    FPeer = backend->attachCaptionBar(*formPeer, *this);
    FAttachedTo = FPeer != nullptr ? formPeer : nullptr;
}

bool TCaptionToolBar::attachedTo(const TForm& form) const {
    return FPeer != nullptr && form.peer() != nullptr && FAttachedTo == form.peer();
}

plat::TAccessibleItem TCaptionToolBar::accessible() const {
    plat::TAccessibleItem item;
    item.role = plat::TAccRole::menuButton;
    item.name = FAccessibleName;
    item.states = plat::asHasPopup;
    item.defaultAction = L"Press";
    if (FPeer != nullptr) {
        item.location = FPeer->buttonBounds();
    }
    return item;
}

bool TCaptionToolBar::accessiblePress() {
    if (FPeer == nullptr) {
        return false;
    }
    FPeer->pressLater();
    return true;
}

void TCaptionToolBar::buttonEnter() {
    if (!FHovered) {
        FHovered = true;
        invalidate();
    }
}

void TCaptionToolBar::buttonLeave() {
    if (FHovered) {
        FHovered = false;
        invalidate();
    }
}

void TCaptionToolBar::buttonPress(TPoint below) {
    if (FPressed) {
        return; // a press while the menu is open already
    }
    FPressed = true;
    invalidate();
    // The pressed picture shows until the menu has closed, whatever the handlers do.
    struct TRelease {
        TCaptionToolBar& bar;
        ~TRelease() {
            bar.FPressed = false;
            bar.invalidate();
        }
    } release{*this};
    if (OnClick) {
        OnClick(this);
    }
    if (FDropdownMenu != nullptr) {
        FDropdownMenu->Popup(below.x, below.y);
    }
}

void TCaptionToolBar::invalidate() {
    if (FPeer != nullptr) {
        FPeer->invalidate();
    }
}
