#pragma once
// A toolbar drawn in a form's caption bar, before the caption text, with one button that drops
// down a menu. The button shows one of three pictures: normal, with the pointer over it (hover),
// and pressed, which it keeps while its menu is open; each picture comes in a large form and in a
// small one for a low caption bar. A press raises OnClick and then drops down the button's menu,
// if it has one, below the button.
//
// The toolbar is data until attach() puts it into the caption bar of a shown form through the
// platform's caption-bar backend (platform/CaptionBarBackend.h); the backend reports the pointer
// through buttonEnter, buttonLeave and buttonPress, which tests call as the user's pointer would.

#include "platform/Accessibility.h"
#include "platform/CaptionBarBackend.h"
#include "toolkit/Component.h"
#include "toolkit/Graphics.h"
#include "toolkit/Menu.h"

#include <functional>
#include <memory>
#include <string>

class TForm;

enum class TCaptionButtonState { normal, hover, pressed };

// The button's pictures in one size.
struct TCaptionButtonPictures {
    TBitmap32 normal;
    TBitmap32 hover;
    TBitmap32 pressed;
};

class TCaptionToolBar : public TComponent, private plat::TCaptionBarSink {
public:
    using TNotifyEvent = std::function<void(TCaptionToolBar* sender)>;

    TCaptionToolBar() = default;
    ~TCaptionToolBar() override;
    TCaptionToolBar(const TCaptionToolBar&) = delete;
    TCaptionToolBar& operator=(const TCaptionToolBar&) = delete;

    void setPictures(TCaptionButtonPictures large, TCaptionButtonPictures small);
    const TCaptionButtonPictures& pictures(bool small) const { return small ? FSmall : FLarge; }
    // The picture the button shows now, in the large or the small form.
    const TBitmap32& picture(bool small) const;
    TCaptionButtonState state() const;

    // Not owned: the menu must outlive the toolbar.
    TPopupMenu* dropdownMenu() const { return FDropdownMenu; }
    void setDropdownMenu(TPopupMenu* value) { FDropdownMenu = value; }

    // Draws the toolbar in the caption bar of form, once the form is realised (shown); a toolbar
    // already attached to it stays as it is. The form must outlive the toolbar's attachment.
    void attach(TForm& form);
    bool attached() const { return FPeer != nullptr; }
    // Whether the toolbar is drawn in the caption bar of form.
    bool attachedTo(const TForm& form) const;

    // ---- The pointer over the button, as the platform reports it.
    void buttonEnter();
    void buttonLeave();
    // below: the point of the screen where the menu drops down. Returns once the menu has closed.
    void buttonPress(TPoint below);

    TNotifyEvent OnClick;

    // ---- What screen readers hear of the button: an item of the form it is attached to.
    const std::wstring& accessibleName() const { return FAccessibleName; }
    void setAccessibleName(const std::wstring& value) { FAccessibleName = value; }
    // A menu button with a pop-up, named by accessibleName, pressed by its default action, placed
    // in the form's client coordinates (above its client area).
    plat::TAccessibleItem accessible() const;
    // Presses the button once the screen reader's call has returned; false when not attached.
    bool accessiblePress();

private:
    const TBitmap32& sinkCaptionPicture(bool small) override { return picture(small); }
    void sinkCaptionEnter() override { buttonEnter(); }
    void sinkCaptionLeave() override { buttonLeave(); }
    void sinkCaptionPress(TPoint below) override { buttonPress(below); }
    void invalidate();

    TCaptionButtonPictures FLarge;
    TCaptionButtonPictures FSmall;
    TPopupMenu* FDropdownMenu = nullptr;
    bool FHovered = false;
    bool FPressed = false;
    const plat::TControlPeer* FAttachedTo = nullptr;
    std::wstring FAccessibleName;
    std::unique_ptr<plat::TCaptionBarPeer> FPeer;
};
