#pragma once
// Pop-up menus. A TMenuItem has a caption (the caption "-" makes it a separator), an image index
// into its menu's image list or a picture of its own, visible and enabled flags, a tag, sub-items and a click
// event. A TPopupMenu owns its items; Popup(x, y) raises OnPopup (where a window adjusts its items), shows
// the visible items through the platform at that point of the screen, waits until the menu closes
// and then clicks the chosen item.

#include "platform/WidgetServices.h"
#include "toolkit/Component.h"
#include "toolkit/ImageList.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TControl;

class TMenuItem : public TComponent {
public:
    using TNotifyEvent = std::function<void(TMenuItem* sender)>;

    TMenuItem() = default;
    explicit TMenuItem(std::wstring caption, int imageIndex = -1);

    const std::wstring& caption() const { return FCaption; }
    void setCaption(const std::wstring& value) { FCaption = value; }
    bool isSeparator() const { return FCaption == L"-"; }
    int imageIndex() const { return FImageIndex; }
    void setImageIndex(int value) { FImageIndex = value; }
    // A picture of the item's own, shown instead of its image index's when not empty.
    const TBitmap32& bitmap() const { return FBitmap; }
    void setBitmap(const TBitmap32& value) { FBitmap = value; }
    bool visible() const { return FVisible; }
    void setVisible(bool value) { FVisible = value; }
    bool enabled() const { return FEnabled; }
    void setEnabled(bool value) { FEnabled = value; }
    int tag() const { return FTag; }
    void setTag(int value) { FTag = value; }

    // Sub-items, owned.
    TMenuItem* add(std::unique_ptr<TMenuItem> item);
    // Makes and adds a sub-item.
    TMenuItem* addItem(const std::wstring& caption, int imageIndex = -1, TNotifyEvent onClick = {});
    int count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* items(int index) const;
    TMenuItem* parent() const { return FParent; }
    // Removes and destroys every sub-item.
    void clear() { FItems.clear(); }
    // This item or the first of its descendants with that name; null for none.
    TMenuItem* find(const std::wstring& name);

    // Raises OnClick, as choosing the item does.
    void click();
    TNotifyEvent OnClick;

private:
    std::wstring FCaption;
    int FImageIndex = -1;
    TBitmap32 FBitmap;
    bool FVisible = true;
    bool FEnabled = true;
    int FTag = 0;
    TMenuItem* FParent = nullptr;
    std::vector<std::unique_ptr<TMenuItem>> FItems;
};

class TPopupMenu : public TComponent {
public:
    using TNotifyEvent = std::function<void(TPopupMenu* sender)>;

    TPopupMenu();

    // The root item; the menu's items are its sub-items.
    TMenuItem& items() { return *FItems; }
    const TMenuItem& items() const { return *FItems; }
    // Not owned: the list must outlive the menu.
    TImageList* images() const { return FImages; }
    void setImages(TImageList* value) { FImages = value; }
    // The control the menu is shown for (its window owns the platform's menu); may be null.
    TControl* popupComponent() const { return FPopupComponent; }
    void setPopupComponent(TControl* value) { FPopupComponent = value; }

    // x, y in screen coordinates. Shows nothing when no item is visible after OnPopup.
    void Popup(int x, int y);
    // The entries Popup would show now: visible items with their images, and
    // the separators between them (none at either end, never two in a row).
    std::vector<plat::TMenuEntry> visibleEntries() const;

    TNotifyEvent OnPopup;

private:
    std::unique_ptr<TMenuItem> FItems;
    TImageList* FImages = nullptr;
    TControl* FPopupComponent = nullptr;
};
