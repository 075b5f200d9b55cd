#include "toolkit/Declared.h"

#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "toolkit/Shape.h"
#include "toolkit/ToolBar.h"
#include "toolkit/VistaProBar.h"

namespace {

std::string narrow(const std::wstring& text) {
    std::string result;
    for (wchar_t ch : text) {
        result += ch >= 0x20 && ch < 0x7F ? static_cast<char>(ch) : '?';
    }
    return result;
}

} // namespace

const TComponentKinds& TComponentKinds::standard() {
    static const TComponentKinds kinds = [] {
        TComponentKinds made;
        made.add<TPanel>(L"TPanel");
        made.add<TW7Panel>(L"TW7Panel");
        made.add<TLabel>(L"TLabel");
        made.add<TJstLabel>(L"TJstLabel");
        made.add<TImage>(L"TImage");
        made.add<TShape>(L"TShape");
        made.add<TW7ToolBar>(L"TW7ToolBar");
        made.add<TW7ToolButton>(L"TW7ToolButton");
        made.add<TVistaProBar>(L"TVistaProBar");
        made.add<TPopupMenu>(L"TPopupMenu");
        made.add<TMenuItem>(L"TMenuItem");
        made.add<TTimer>(L"TTimer");
        made.add<TImageList>(L"TImageList");
        return made;
    }();
    return kinds;
}

namespace declared {

void tableError(const TDeclaredComponent& row, const std::string& what) {
    throw std::logic_error("declared component " + narrow(row.name) + " (" + narrow(row.kind) + "): " + what);
}

TControl& parentControl(TForm& form, const TDeclaredComponent& row) {
    if (row.parent.empty()) {
        return form;
    }
    TControl* parent = form.findControl(row.parent);
    if (parent == nullptr || !parent->acceptsControls()) {
        tableError(row, "no parent control " + narrow(row.parent));
    }
    return *parent;
}

TImageList& imageListNamed(TForm& form, const TDeclaredComponent& row, const std::wstring& name) {
    auto* list = dynamic_cast<TImageList*>(form.component(name));
    if (list == nullptr) {
        tableError(row, "no image list " + narrow(name));
    }
    return *list;
}

TPopupMenu& menuNamed(TForm& form, const TDeclaredComponent& row, const std::wstring& name) {
    auto* menu = dynamic_cast<TPopupMenu*>(form.component(name));
    if (menu == nullptr) {
        tableError(row, "no pop-up menu " + narrow(name));
    }
    return *menu;
}

void placeControl(TForm& /*form*/, const TDeclaredComponent& row, TControl& parent,
                  std::unique_ptr<TControl> control) {
    TControl& made = *control;
    const int width = row.width > 0 ? row.width : made.width();
    const int height = row.height > 0 ? row.height : made.height();
    made.setFont(parent.font()); // its own font, if the row gives one, comes with the properties
    made.setBounds(row.left, row.top, width, height);
    if (parent.insertControl(std::move(control)) == nullptr) {
        tableError(row, "the parent takes no children");
    }
    const TDeclaredProps& p = row.props;
    if (p.align != alNone || p.anchors != (akLeft | akTop)) {
        auto* container = dynamic_cast<TAlignedContainer*>(&parent);
        if (container == nullptr) {
            tableError(row, "align or anchors in a parent that does not place its children");
        }
        container->setChildAnchors(&made, p.anchors);
        if (p.align != alNone) {
            container->setChildAlign(&made, p.align);
        }
    }
}

void placeMenuItem(TForm& form, const TDeclaredComponent& row, std::unique_ptr<TMenuItem> item) {
    TComponent* parent = form.component(row.parent);
    if (auto* menu = dynamic_cast<TPopupMenu*>(parent)) {
        menu->items().add(std::move(item));
    } else if (auto* owner = dynamic_cast<TMenuItem*>(parent)) {
        owner->add(std::move(item));
    } else {
        tableError(row, "no menu or menu item " + narrow(row.parent));
    }
}

} // namespace declared
