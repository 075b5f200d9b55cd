#pragma once
// A window's components kept as data: a table of rows, one per component, from which TForm::declare
// creates the component objects in the rows' order. A row names the component, its kind, its
// parent (a control for controls, a pop-up menu or menu item for menu items; empty for the form),
// its bounds and the properties it declares. Rows read best with designated initialisers:
//
//     {.name = L"labelCount", .kind = L"TLabel", .parent = L"pRefresh", .left = 8, .top = 8,
//      .props = {.caption = L"n/A", .font = countFont, .autoSize = true}},
//
// What a row's fields mean:
// - left, top, width, height: the control's bounds; a width or height of 0 keeps the kind's
//   default. For an image list, the size of its pictures. Unused by the other components.
// - props: only the properties a row gives are set. A control without a font takes its parent's
//   (the form's font for the form's own children). images and menu name an image list and a pop-up
//   menu declared in an earlier row. align and anchors need a parent that places its children
//   (TAlignedContainer).
// A property the kind does not have is a table error, like an unknown kind or parent or a name used
// twice: TForm::declare throws std::logic_error for each, since the table is the program's own.
//
// Kinds: TComponentKinds::standard() knows the toolkit's (TPanel, TW7Panel, TLabel, TJstLabel,
// TImage, TShape, TW7ToolBar, TW7ToolButton, TVistaProBar, TPopupMenu, TMenuItem, TTimer,
// TImageList); a window adds its own controls with add<T>(kind) on a copy.

#include "toolkit/AlignedContainer.h"
#include "toolkit/Form.h"
#include "toolkit/Graphics.h"
#include "toolkit/ImageList.h"
#include "toolkit/Menu.h"
#include "toolkit/Timer.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <type_traits>

struct TDeclaredProps {
    std::optional<std::wstring> caption{};
    std::optional<TColor> color{};
    std::optional<TFont> font{};
    std::optional<bool> visible{};
    std::optional<bool> enabled{};
    std::optional<bool> autoSize{};
    std::optional<int> imageIndex{};
    std::optional<int> tag{};
    std::optional<TCursor> cursor{};
    std::optional<std::wstring> hint{};
    std::wstring images{}; // an image list's name
    std::wstring menu{};   // a pop-up menu's name: a tool button's drop-down menu
    TAlign align = alNone;
    TAnchors anchors = akLeft | akTop;
    std::optional<unsigned> interval{}; // timers
};

struct TDeclaredComponent {
    std::wstring name{};
    std::wstring kind{};
    std::wstring parent{}; // empty: the form
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    TDeclaredProps props{};
};

class TComponentKinds {
public:
    // Creates the component of row in form.
    using TMaker = std::function<void(TForm& form, const TDeclaredComponent& row)>;

    // The toolkit's kinds.
    static const TComponentKinds& standard();

    // Registers T (a control, a pop-up menu, menu item, timer, image list, or any other component
    // made without arguments) under kind.
    template <typename T> void add(const std::wstring& kind);
    void addMaker(const std::wstring& kind, TMaker maker) { FMakers[kind] = std::move(maker); }
    const TMaker* maker(const std::wstring& kind) const {
        auto found = FMakers.find(kind);
        return found != FMakers.end() ? &found->second : nullptr;
    }

private:
    std::map<std::wstring, TMaker> FMakers;
};

namespace declared {

[[noreturn]] void tableError(const TDeclaredComponent& row, const std::string& what);
// The parent control of a control's row: the form, or the control named; throws when none.
TControl& parentControl(TForm& form, const TDeclaredComponent& row);
// The image list or menu a row names; throws when there is none of that kind by that name.
TImageList& imageListNamed(TForm& form, const TDeclaredComponent& row, const std::wstring& name);
TPopupMenu& menuNamed(TForm& form, const TDeclaredComponent& row, const std::wstring& name);
// Places a control made for row: its parent, bounds, the parent's font unless it has its own,
// alignment and anchors.
void placeControl(TForm& form, const TDeclaredComponent& row, TControl& parent,
                  std::unique_ptr<TControl> control);
// Adds a menu item under the menu or menu item the row names.
void placeMenuItem(TForm& form, const TDeclaredComponent& row, std::unique_ptr<TMenuItem> item);

// Sets the row's properties that T has; a given property T lacks is a table error.
template <typename T> void applyProps(TForm& form, const TDeclaredComponent& row, T& c) {
    const TDeclaredProps& p = row.props;
    auto lacks = [&row](const char* property) { tableError(row, std::string("no property ") + property); };
    if (p.font) {
        if constexpr (requires { c.setFont(TFont{}); }) {
            c.setFont(*p.font);
        } else {
            lacks("font");
        }
    }
    if (p.color) {
        if constexpr (requires { c.setColor(TColor{}); }) {
            c.setColor(*p.color);
        } else {
            lacks("color");
        }
    }
    if (p.autoSize) {
        if constexpr (requires { c.setAutoSize(true); }) {
            c.setAutoSize(*p.autoSize);
        } else {
            lacks("autoSize");
        }
    }
    if (!p.images.empty()) {
        if constexpr (requires(TImageList * list) { c.setImages(list); }) {
            c.setImages(&imageListNamed(form, row, p.images));
        } else {
            lacks("images");
        }
    }
    if (!p.menu.empty()) {
        if constexpr (requires(TPopupMenu * menu) { c.setDropdownMenu(menu); }) {
            c.setDropdownMenu(&menuNamed(form, row, p.menu));
        } else {
            lacks("menu");
        }
    }
    if (p.imageIndex) {
        if constexpr (requires { c.setImageIndex(0); }) {
            c.setImageIndex(*p.imageIndex);
        } else {
            lacks("imageIndex");
        }
    }
    if (p.tag) {
        if constexpr (requires { c.setTag(0); }) {
            c.setTag(*p.tag);
        } else {
            lacks("tag");
        }
    }
    if (p.cursor) {
        if constexpr (requires { c.setCursor(crDefault); }) {
            c.setCursor(*p.cursor);
        } else {
            lacks("cursor");
        }
    }
    if (p.hint) {
        if constexpr (requires { c.setHint(std::wstring()); }) {
            c.setHint(*p.hint);
        } else {
            lacks("hint");
        }
    }
    if (p.interval) {
        if constexpr (requires { c.setInterval(1u); }) {
            c.setInterval(*p.interval);
        } else {
            lacks("interval");
        }
    }
    if (p.enabled) {
        if constexpr (requires { c.setEnabled(true); }) {
            c.setEnabled(*p.enabled);
        } else {
            lacks("enabled");
        }
    }
    // Last: an auto-sized control sizes itself to its text in its final font.
    if (p.caption) {
        if constexpr (requires { c.setCaption(std::wstring()); }) {
            c.setCaption(*p.caption);
        } else {
            lacks("caption");
        }
    }
    if (p.visible) {
        if constexpr (requires { c.setVisible(true); }) {
            c.setVisible(*p.visible);
        } else {
            lacks("visible");
        }
    }
}

} // namespace declared

template <typename T> void TComponentKinds::add(const std::wstring& kind) {
    addMaker(kind, [](TForm& form, const TDeclaredComponent& row) {
        if constexpr (std::is_base_of_v<TControl, T>) {
            TControl& parent = declared::parentControl(form, row);
            auto control = std::make_unique<T>();
            T& made = *control;
            made.setName(row.name);
            // A control that is not to size itself must know it before its font and bounds come.
            if constexpr (requires { made.setAutoSize(true); }) {
                if (row.props.autoSize) {
                    made.setAutoSize(*row.props.autoSize);
                }
            }
            declared::placeControl(form, row, parent, std::move(control));
            declared::applyProps(form, row, made);
        } else if constexpr (std::is_same_v<T, TImageList>) {
            auto list = std::make_unique<TImageList>(row.width, row.height);
            list->setName(row.name);
            declared::applyProps(form, row, *list);
            form.addComponent(std::move(list));
        } else if constexpr (std::is_same_v<T, TMenuItem>) {
            auto item = std::make_unique<TMenuItem>();
            item->setName(row.name);
            declared::applyProps(form, row, *item);
            declared::placeMenuItem(form, row, std::move(item));
        } else {
            static_assert(std::is_base_of_v<TComponent, T>, "a declared kind is a control or a component");
            auto component = std::make_unique<T>();
            component->setName(row.name);
            declared::applyProps(form, row, *component);
            form.addComponent(std::move(component));
        }
    });
}
