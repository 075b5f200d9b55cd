// The Setup Scan dialog's behaviour: its buttons' places, what each showing resets, its keys, and
// the values the caller reads.

#include "ui/main/UntWildCard.h"

#include "system/UntKorvaneLib.h"

#include <algorithm>

TFrmWC* FrmWC = nullptr;

namespace {

// The client width of the design, and the client height with and without the row of the fourth box
// ("Scan target folder recursively" for a folder, "Read NTFS volumes directly" for drives).
constexpr int kDesignWidth = 337;
constexpr int kHeightWithFourthRow = 160;
constexpr int kHeightWithoutFourthRow = 137;
// What a preview length that is not a number reads as.
constexpr std::int32_t kPreviewLengthNotANumber = 5;

} // namespace

TFrmWC::TFrmWC() {
    declareComponents();
    OnShow = [this](TForm*) { FormShow(); };
    OnResize = [this](TControl*) { FormResize(); };
    OnKeyDown = [this](TControl*, int& key, TShiftState) { FormKeyDown(key); };
    OnClose = [this](TForm*) { FormClose(); };
    btnOk->OnClick = [this](TControl*) { btnOkClick(); };
    btnCancel->OnClick = [this](TControl*) { btnCancelClick(); };
    FormCreate();
    FrmWC = this;
}

TFrmWC::~TFrmWC() {
    if (FrmWC == this) {
        FrmWC = nullptr;
    }
    OnShow = nullptr;
    OnResize = nullptr;
    OnKeyDown = nullptr;
    OnClose = nullptr;
    btnOk->OnClick = nullptr;
    btnCancel->OnClick = nullptr;
}

void TFrmWC::FormCreate() {
    // Screen readers name the edit and the spin box by the labels beside them, without the colon.
    auto labelName = [](const TLabel& label) {
        std::wstring name = label.caption();
        while (!name.empty() && (name.back() == L':' || name.back() == L' ')) {
            name.pop_back();
        }
        return name;
    };
    edtwc->setAccessibleName(labelName(*Label1));
    spleft->setAccessibleName(labelName(*Label2));
    FormResize();
}

void TFrmWC::FormResize() {
    cdirect->setWidth(clientWidth() - cdirect->left());
    btnOk->setLeft(clientWidth() - btnOk->width() - scale(4));
    btnCancel->setLeft(btnOk->left() - btnCancel->width() - scale(4));
}

void TFrmWC::fitWidth() {
    const int width =
        std::max(scale(kDesignWidth), cdirect->visible() ? cdirect->left() + cdirect->fittingWidth() : 0);
    setClientWidth(width);
    FormResize();
}

void TFrmWC::FormShow() {
    FCanceled = false;
    setClientHeight(
        scale(crecursive->visible() || cdirect->visible() ? kHeightWithFourthRow : kHeightWithoutFourthRow));
    fitWidth();
    // Reading a raw volume needs administrator rights; the box keeps its last state either way.
    cdirect->setEnabled(isAdministrator());
    edtwc->setFocus();
    edtwc->selectAll();
}

void TFrmWC::FormKeyDown(int& key) {
    if (key == VK_ESCAPE) {
        FCanceled = true;
        key = 0;
        close();
    } else if (key == VK_RETURN) {
        // Enter presses the focused button (Cancel cancels), else it is Valid's key.
        FCanceled = btnCancel->focused();
        key = 0;
        close();
    }
}

void TFrmWC::FormClose() {
    // Enter may close the dialog before the spin box corrected a length typed outside its range.
    spleft->correctText();
}

void TFrmWC::btnOkClick() {
    close();
}

void TFrmWC::btnCancelClick() {
    FCanceled = true;
    close();
}

std::int32_t TFrmWC::previewLength() const {
    return TSpinEdit::parseInteger(spleft->text()).value_or(kPreviewLengthNotANumber);
}
