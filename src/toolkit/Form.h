#pragma once
// A top-level window. Its bounds are its client area in screen coordinates. It is hidden until
// show(); it can be centred on the screen or on the main form when shown, keeps a minimum client size
// the user cannot drag below, asks OnCloseQuery before it closes, and raises OnShow each time it is
// shown. Its font is the one the declared components without a font of their own take.
//
// showModal() shows it as a dialog: the program's other windows are disabled and the platform's
// messages are served until the form closes. With keyPreview the form's OnKeyDown hears every key
// pressed in its controls before they do; Tab and Shift+Tab move the focus between the controls
// that Tab stops at.
//
// Display scale: a form is laid out for the DPI of the monitor its window is on, once the platform's
// form handling is attached (on showing), and again when the window moves to a monitor of another
// scale; the minimum client size scales with it. Its design (tables, sizes set before showing) is
// in 96-DPI pixels.
//
// A form can be built from a table of declared components (toolkit/Declared.h) and keeps the
// components that are not controls; find<T>(name) answers any of them by name.

#include "platform/WidgetServices.h"
#include "toolkit/AlignedContainer.h"
#include "toolkit/Component.h"
#include "toolkit/Menu.h"

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

struct TDeclaredComponent;
class TComponentKinds;

// poMainFormCenter: centred on the main form each time it is shown.
enum TPosition { poDesigned, poScreenCenter, poMainFormCenter };

class TCaptionToolBar;

class TForm : public TAlignedContainer, private plat::TFormSink {
public:
    using TCloseQueryEvent = std::function<void(TForm* sender, bool& canClose)>;
    using TFormEvent = std::function<void(TForm* sender)>;

    TForm();
    ~TForm() override;

    // ---- Size and place.
    int clientWidth() const { return width(); }
    int clientHeight() const { return height(); }
    // Never below the minimum client size.
    void setClientWidth(int value) { setClientSize(value, clientHeight()); }
    void setClientHeight(int value) { setClientSize(clientWidth(), value); }
    void setClientSize(int width, int height);
    int minClientWidth() const { return FMinClientWidth; }
    int minClientHeight() const { return FMinClientHeight; }
    // 0 means no limit. A form smaller than the new minimum grows to it.
    void setMinClientSize(int width, int height);
    TPosition position() const { return FPosition; }
    void setPosition(TPosition value) { FPosition = value; }
    // Stored: the toolkit's windows always paint through a back buffer.
    bool doubleBuffered() const { return FDoubleBuffered; }
    void setDoubleBuffered(bool value) { FDoubleBuffered = value; }
    // A main form that closes ends the program's message loop.
    bool mainForm() const { return FMainForm; }
    void setMainForm(bool value);
    // The window's frame, given to the platform when the form is first shown.
    plat::TFormFrame frame() const { return FFrame; }
    void setFrame(plat::TFormFrame value) { FFrame = value; }

    // ---- Showing and closing.
    // Realises the form if needed, centres it the first time when its position says so, shows it,
    // brings it in front and raises OnShow.
    void show();
    void hide() { setVisible(false); }
    // Asks OnCloseQuery; when allowed, hides the form, raises OnClose, and ends the message loop
    // for a main form. Answers whether the form closed. The user's close request comes here too.
    bool close();
    // Shows the form modally and returns once it has closed: true when it closed, false when the
    // modal loop ended without it (the program is ending); the form is then hidden.
    bool showModal();
    bool modal() const { return FModal; }

    // ---- Keys.
    bool keyPreview() const { return FKeyPreview; }
    void setKeyPreview(bool value) { FKeyPreview = value; }
    // Moves the focus to the next control after current (or before it) that Tab stops at and that
    // shows and is enabled, round the form; current may be null.
    void selectNext(TControl* current, bool forward);

    TCloseQueryEvent OnCloseQuery;
    TFormEvent OnShow;
    TFormEvent OnClose;

    // ---- Declared components.
    // Creates the rows' components in order (see toolkit/Declared.h). Throws std::logic_error on a
    // table error (unknown kind or parent, a name used twice): a fault of the program's own table.
    void declare(const std::vector<TDeclaredComponent>& rows);
    void declare(const std::vector<TDeclaredComponent>& rows, const TComponentKinds& kinds);
    // Takes ownership of a component that is not a control.
    TComponent* addComponent(std::unique_ptr<TComponent> component);
    // The control, component or menu item with that name; null for none or another type.
    TComponent* component(const std::wstring& name) const;
    template <typename T> T* find(const std::wstring& name) {
        if constexpr (std::is_base_of_v<TControl, T>) {
            return dynamic_cast<T*>(findControl(name));
        } else {
            return dynamic_cast<T*>(component(name));
        }
    }

    // The platform's part of the window once shown; null before, or with no services installed.
    plat::TFormPeer* formPeer() const { return FFormPeer.get(); }

protected:
    void keyDown(int& key, TShiftState shift) override;
    void previewKeyDown(int& key, TShiftState shift) override;
    void unhandledKeyDown(TControl& focused, int key, TShiftState shift) override;
    void dpiChanged(int oldDpi, int newDpi) override;
    // The form's one item: the button of a caption-bar toolbar drawn in its caption bar, if any.
    int accessibleItemCount() const override;
    plat::TAccessibleItem accessibleItem(int index) const override;
    bool accessibleDefaultAction(int item) override;
    // Every form but the main form belongs to the main form, realised first when need be: it stays
    // above it and the main form alone has the task-bar button.
    plat::TControlPeer* ownerPeer() override;

private:
    void sinkCloseRequested() override;
    void sinkDpiChanged(int dpi) override;
    void sinkSystemColorsChanged() override;
    // Attaches the platform's form handling to the realised window.
    void attachFormPeer();
    // The caption-bar toolbar among the form's components drawn in its caption bar; null for none.
    TCaptionToolBar* captionToolBar() const;

    int FMinClientWidth = 0;
    int FMinClientHeight = 0;
    TPosition FPosition = poDesigned;
    bool FDoubleBuffered = false;
    bool FMainForm = false;
    bool FCentred = false;
    plat::TFormFrame FFrame = plat::TFormFrame::sizeable;
    bool FKeyPreview = false;
    bool FModal = false;
    std::vector<std::unique_ptr<TComponent>> FComponents;
    std::unique_ptr<plat::TFormPeer> FFormPeer;
    const plat::TControlPeer* FAttachedTo = nullptr;
};

// A point of control's client area in screen coordinates, from the bounds of the control and its
// parents (a top-level control's bounds are its client area on the screen).
TPoint clientToScreen(const TControl& control, TPoint point);
