// The Setup Scan dialog's declared components: the table the dialog is built from, and the looks
// the table's common columns do not hold.

#include "ui/main/UntWildCard.h"

#include "toolkit/Declared.h"
#include "ui/main/UntMainArt.h"

#include <cwchar>
#include <stdexcept>

namespace {

const TFont kFormFont{L"Tahoma", 8, 0, clBlack};
// Arial 13 px: 10 pt at 96 dots per inch.
const TFont kCheckFont{L"Arial", 10, 0, clBlack};
const TFont kButtonFont{L"Tahoma", 8, 0, hexColor(0x3C3C3C)};

} // namespace

// Rows name only the fields they set; the others keep their defaults.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

const std::vector<TDeclaredComponent>& TFrmWC::declaredComponents() {
    static const std::vector<TDeclaredComponent> rows = {
        {.name = L"Img16", .kind = L"TImageList", .width = 16, .height = 16},
        {.name = L"pCore", .kind = L"TW7Panel", .width = 337, .height = 159, .props = {.align = alClient}},
        {.name = L"Label1",
         .kind = L"TLabel",
         .parent = L"pCore",
         .left = 10,
         .top = 15,
         .props = {.caption = L"Search Filter (Wildcard) :", .autoSize = true}},
        {.name = L"edtwc",
         .kind = L"TEdit",
         .parent = L"pCore",
         .left = 152,
         .top = 10,
         .width = 176,
         .height = 23,
         .props = {.caption = L"*.*"}},
        {.name = L"Label2",
         .kind = L"TLabel",
         .parent = L"pCore",
         .left = 10,
         .top = 45,
         .props = {.caption = L"Content Preview Length :", .autoSize = true}},
        {.name = L"spleft",
         .kind = L"TSpinEdit",
         .parent = L"pCore",
         .left = 152,
         .top = 40,
         .width = 176,
         .height = 24},
        {.name = L"czone",
         .kind = L"TcxCheckBox",
         .parent = L"pCore",
         .left = 6,
         .top = 70,
         .width = 325,
         .height = 21,
         .props = {.caption = L"Include Zone.Identifier ADS Files (Might be huge)", .font = kCheckFont}},
        {.name = L"crecursive",
         .kind = L"TcxCheckBox",
         .parent = L"pCore",
         .left = 6,
         .top = 94,
         .width = 325,
         .height = 21,
         .props = {.caption = L"Scan target folder recursively", .font = kCheckFont}},
        // Drive scopes only, in the row the folder scope's box takes, to the dialog's right edge, in
        // the look of the boxes above it. Its caption is longer than theirs: the dialog widens to
        // show it whole while it shows (FormShow).
        {.name = L"cdirect",
         .kind = L"TcxCheckBox",
         .parent = L"pCore",
         .left = 6,
         .top = 94,
         .width = 331,
         .height = 21,
         .props = {.caption = L"Read NTFS volumes directly (fast, needs administrator)", .font = kCheckFont}},
        {.name = L"SEPanel1",
         .kind = L"TSEPanel",
         .parent = L"pCore",
         .height = 38,
         .props = {.align = alBottom}},
        {.name = L"btnOk",
         .kind = L"TSEMenuItem",
         .parent = L"SEPanel1",
         .top = 5,
         .width = 86,
         .height = 28,
         .props = {.caption = L"Valid", .font = kButtonFont, .imageIndex = 11, .images = L"Img16"}},
        {.name = L"btnCancel",
         .kind = L"TSEMenuItem",
         .parent = L"SEPanel1",
         .top = 5,
         .width = 86,
         .height = 28,
         .props = {.caption = L"Cancel", .font = kButtonFont, .imageIndex = 10, .images = L"Img16"}},
    };
    return rows;
}

#pragma GCC diagnostic pop

namespace {

// The declared component of that name and type; a missing one is a fault of the table.
template <typename T> T* must(TForm& form, const wchar_t* name) {
    T* found = form.find<T>(name);
    if (found == nullptr) {
        throw std::logic_error("setup scan dialog: no component " +
                               std::string(name, name + std::wcslen(name)));
    }
    return found;
}

// The looks the two dialog buttons share: a pale face, an icon left of the text.
void dialogButtonLook(TSEMenuItem& button) {
    button.setFontColor(hexColor(0x3C3C3C));
    button.setBackgroundColor(hexColor(0xF5F6F7));
    button.setBorderColor(hexColor(0xF5F6F7));
    button.setIcoSize(ico16px);
    button.setImgAlign(seAlLeft);
    button.setBorders(bLeft | bTop | bRight | bBottom);
}

} // namespace

void TFrmWC::declareComponents() {
    setName(L"FrmWC");
    setCaption(L"Setup Scan");
    setFont(kFormFont);
    setClientSize(337, 159);
    setFrame(plat::TFormFrame::fixedDialog);
    setPosition(poMainFormCenter);
    setKeyPreview(true);

    TComponentKinds kinds = TComponentKinds::standard();
    kinds.add<TEdit>(L"TEdit");
    kinds.add<TSpinEdit>(L"TSpinEdit");
    kinds.add<TCheckBox>(L"TcxCheckBox");
    kinds.add<TSEPanel>(L"TSEPanel");
    kinds.add<TSEMenuItem>(L"TSEMenuItem");
    declare(declaredComponents(), kinds);

    Img16 = must<TImageList>(*this, L"Img16");
    pCore = must<TW7Panel>(*this, L"pCore");
    Label1 = must<TLabel>(*this, L"Label1");
    edtwc = must<TEdit>(*this, L"edtwc");
    Label2 = must<TLabel>(*this, L"Label2");
    spleft = must<TSpinEdit>(*this, L"spleft");
    czone = must<TCheckBox>(*this, L"czone");
    crecursive = must<TCheckBox>(*this, L"crecursive");
    cdirect = must<TCheckBox>(*this, L"cdirect");
    SEPanel1 = must<TSEPanel>(*this, L"SEPanel1");
    btnOk = must<TSEMenuItem>(*this, L"btnOk");
    btnCancel = must<TSEMenuItem>(*this, L"btnCancel");

    fillImg16(*Img16, dpi());

    spleft->setMinValue(5);
    spleft->setMaxValue(1024);
    spleft->setValue(30);
    czone->setChecked(false);
    crecursive->setChecked(true);
    cdirect->setChecked(false);

    SEPanel1->setBackgroundColor(hexColor(0xF5F6F7));
    SEPanel1->setBorders(bTop);
    SEPanel1->setBorderColor(hexColor(0xDADBDC));
    SEPanel1->setShowCaption(false);

    dialogButtonLook(*btnOk);
    btnOk->setArrow(true);
    btnOk->setArrowDirection(atRight);
    btnOk->setHoverColor(hexColor(0xE8EFF7));
    btnOk->setBorderColorHover(hexColor(0xA4CEF9));
    btnOk->setActionColor(hexColor(0xC9E0F7));
    btnOk->setBorderColorAction(hexColor(0x62A2E4));

    dialogButtonLook(*btnCancel);
    btnCancel->setArrow(false);
    btnCancel->setHoverColor(hexColor(0xF7E9E9));
    btnCancel->setBorderColorHover(hexColor(0xF9A5A6));
    btnCancel->setActionColor(hexColor(0xF7CACB));
    btnCancel->setBorderColorAction(hexColor(0xE46365));
}

void TFrmWC::dpiApplied() {
    fillImg16(*Img16, dpi());
    invalidate();
}
