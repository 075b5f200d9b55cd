#include "toolkit/Form.h"

#include "toolkit/Declared.h"

#include <algorithm>

TForm::TForm() {
    setVisible(false);
    setBounds(0, 0, 320, 240);
}

TForm::~TForm() {
    // The platform's form handling goes before the window it is attached to.
    FFormPeer.reset();
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
    }
}

void TForm::show() {
    createHandle();
    attachFormPeer();
    if (FPosition == poScreenCenter && !FCentred && FFormPeer != nullptr) {
        FCentred = true;
        FFormPeer->centreOnScreen();
    }
    setVisible(true);
    if (FFormPeer != nullptr) {
        FFormPeer->bringToFront();
    }
    if (OnShow) {
        OnShow(this);
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
