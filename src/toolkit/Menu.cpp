#include "toolkit/Menu.h"

#include "toolkit/Control.h"

#include <functional>

TMenuItem::TMenuItem(std::wstring caption, int imageIndex)
    : FCaption(std::move(caption)), FImageIndex(imageIndex) {}

TMenuItem* TMenuItem::add(std::unique_ptr<TMenuItem> item) {
    if (item == nullptr) {
        return nullptr;
    }
    item->FParent = this;
    FItems.push_back(std::move(item));
    return FItems.back().get();
}

TMenuItem* TMenuItem::addItem(const std::wstring& caption, int imageIndex, TNotifyEvent onClick) {
    auto item = std::make_unique<TMenuItem>(caption, imageIndex);
    item->OnClick = std::move(onClick);
    return add(std::move(item));
}

TMenuItem* TMenuItem::items(int index) const {
    if (index < 0 || index >= count()) {
        return nullptr;
    }
    return FItems[static_cast<std::size_t>(index)].get();
}

TMenuItem* TMenuItem::find(const std::wstring& name) {
    if (!name.empty() && this->name() == name) {
        return this;
    }
    for (auto& item : FItems) {
        if (TMenuItem* found = item->find(name)) {
            return found;
        }
    }
    return nullptr;
}

void TMenuItem::click() {
    if (OnClick) {
        OnClick(this);
    }
}

TPopupMenu::TPopupMenu() : FItems(std::make_unique<TMenuItem>()) {}

namespace {

// Hidden items can leave a separator at either end or two in a row; such lines separate nothing.
std::vector<plat::TMenuEntry> withoutStraySeparators(std::vector<plat::TMenuEntry> entries) {
    std::vector<plat::TMenuEntry> kept;
    for (plat::TMenuEntry& entry : entries) {
        if (entry.separator && (kept.empty() || kept.back().separator)) {
            continue;
        }
        kept.push_back(std::move(entry));
    }
    if (!kept.empty() && kept.back().separator) {
        kept.pop_back();
    }
    return kept;
}

// The visible sub-items of item as menu entries; commands number the clickable items depth first
// from next, and clickable collects them in that order.
std::vector<plat::TMenuEntry> entriesOf(const TMenuItem& item, const TImageList* images, int& next,
                                        std::vector<TMenuItem*>* clickable) {
    std::vector<plat::TMenuEntry> entries;
    for (int i = 0; i < item.count(); ++i) {
        TMenuItem* child = item.items(i);
        if (!child->visible()) {
            continue;
        }
        plat::TMenuEntry entry;
        entry.enabled = child->enabled();
        if (child->isSeparator()) {
            entry.separator = true;
            entries.push_back(std::move(entry));
            continue;
        }
        entry.caption = child->caption();
        if (!child->bitmap().empty()) {
            entry.image = child->bitmap();
        } else if (images != nullptr) {
            if (const TBitmap32* picture = images->image(child->imageIndex())) {
                entry.image = *picture;
            }
        }
        if (child->count() > 0) {
            entry.items = entriesOf(*child, images, next, clickable);
        } else {
            entry.command = next++;
            if (clickable != nullptr) {
                clickable->push_back(child);
            }
        }
        entries.push_back(std::move(entry));
    }
    return withoutStraySeparators(std::move(entries));
}

bool anyShown(const std::vector<plat::TMenuEntry>& entries) {
    for (const plat::TMenuEntry& entry : entries) {
        if (!entry.separator) {
            return true;
        }
    }
    return false;
}

} // namespace

std::vector<plat::TMenuEntry> TPopupMenu::visibleEntries() const {
    int next = 1;
    return entriesOf(*FItems, FImages, next, nullptr);
}

void TPopupMenu::Popup(int x, int y) {
    if (OnPopup) {
        OnPopup(this);
    }
    int next = 1;
    std::vector<TMenuItem*> clickable;
    const std::vector<plat::TMenuEntry> entries = entriesOf(*FItems, FImages, next, &clickable);
    plat::TWidgetServices* services = plat::widgetServices();
    if (services == nullptr || !anyShown(entries)) {
        return;
    }
    const int chosen = services->popupMenu(entries, TPoint{x, y},
                                           FPopupComponent != nullptr ? FPopupComponent->peer() : nullptr);
    if (chosen >= 1 && chosen <= static_cast<int>(clickable.size())) {
        TMenuItem* item = clickable[static_cast<std::size_t>(chosen - 1)];
        if (item->enabled()) {
            item->click();
        }
    }
}
