#pragma once
// The Setup Scan dialog: asks for the file-name filter, the preview length and the two options of a
// scan. It is made once at start-up, hidden, and shown modally for every scan, so its controls keep
// the values of the last use while the program runs. The caller reads FCanceled after it returns,
// and the values when it was not cancelled. Its components are declared in a table
// (UntWildCardComponents.cpp).

#include "toolkit/CheckBox.h"
#include "toolkit/Edit.h"
#include "toolkit/Form.h"
#include "toolkit/ImageList.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "toolkit/SpinEdit.h"
#include "ui/styled/SEMenuItem.h"
#include "ui/styled/SEPanel.h"

#include <cstdint>
#include <string>
#include <vector>

struct TDeclaredComponent;

class TFrmWC : public TForm {
public:
    // Builds the dialog from its declared components, hidden; it becomes the program's FrmWC.
    TFrmWC();
    ~TFrmWC() override;

    // ---- Declared components (owned by the dialog).
    TImageList* Img16 = nullptr;
    TW7Panel* pCore = nullptr;
    TLabel* Label1 = nullptr;
    TEdit* edtwc = nullptr;
    TLabel* Label2 = nullptr;
    TSpinEdit* spleft = nullptr;
    TCheckBox* czone = nullptr;
    TCheckBox* crecursive = nullptr;
    TCheckBox* cdirect = nullptr; // drive scopes: read NTFS volumes directly
    TSEPanel* SEPanel1 = nullptr;
    TSEMenuItem* btnOk = nullptr;
    TSEMenuItem* btnCancel = nullptr;

    // Whether the user cancelled the dialog the last time it was shown.
    bool FCanceled = false;

    // ---- What the caller reads once the dialog has closed.
    // The filter as typed.
    std::wstring wildcard() const { return edtwc->text(); }
    // The spin box's text as a number, or 5 when it is not one.
    std::int32_t previewLength() const;
    bool includeZone() const { return czone->checked(); }
    bool recursive() const { return crecursive->checked(); }
    // Checked and usable: the box is enabled only for an administrator.
    bool direct() const { return cdirect->visible() && cdirect->enabled() && cdirect->checked(); }

    // ---- Dialog behaviour.
    void FormCreate();
    void FormShow();
    // The direct-read box reaches the right edge; Valid and Cancel stand at the bottom bar's right end.
    void FormResize();
    void FormKeyDown(int& key);
    void FormClose();
    void btnOkClick();
    void btnCancelClick();

    // The table of the dialog's declared components.
    static const std::vector<TDeclaredComponent>& declaredComponents();

private:
    void declareComponents();
    // The direct-read box speaks in the font of the boxes above it, and its caption is the longest:
    // while it shows, the dialog is as wide as the box needs at its DPI, never narrower than its
    // design.
    void fitWidth();
    // The buttons' pictures drawn for the dialog's new DPI.
    void dpiApplied() override;
};

// The program's Setup Scan dialog while it exists; null before it is made.
extern TFrmWC* FrmWC;
