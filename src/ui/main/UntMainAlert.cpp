// The alert panel: its four modes, its texts and icon, and the detail view that replaces the body
// text while a job lists items.

#include "ui/main/UntMain.h"

namespace {

// One row of the mode table: the panel's colours, the text colour and the action button's colours
// (the busy mode leaves the button as it is: it is hidden then).
struct TModeLook {
    TColor background;
    TColor border;
    TColor text;
    bool actionButton; // shown; otherwise pb, pbSec and btnStop show
    TColor actionBackground;
    TColor actionBorder;
    TColor actionText;
};

const TModeLook& modeLook(TAlertMode mode) {
    static const TModeLook looks[] = {
        /* amIdle */ {hexColor(0xD9EDF7), hexColor(0xBCE8F1), hexColor(0x31709C), true, hexColor(0xAEDAEE),
                      hexColor(0x78C0E2), hexColor(0x247EAA)},
        /* amBusy */ {hexColor(0xFCF8E3), hexColor(0xFAEBCC), hexColor(0x8A6D3B), false, 0, 0, 0},
        /* amError */
        {hexColor(0xFFE6E6), hexColor(0xFFAEAE), hexColor(0xFF8080), true, hexColor(0xFFCACA),
         hexColor(0xFFB0B0), hexColor(0xFF6464)},
        /* amFinished */
        {hexColor(0xDFF0D8), hexColor(0xD6E9C6), hexColor(0x3C763D), true, hexColor(0xC8E2B4),
         hexColor(0xB4D898), hexColor(0x6CA840)},
    };
    return looks[static_cast<int>(mode) <= amFinished ? mode : amIdle];
}

} // namespace

void TFrmMain::switchAlertPanel(TAlertMode mode) {
    FMode = mode;
    btnStop->setVisible(false);

    const TModeLook& look = modeLook(mode);
    pAlert->setBackgroundColor(look.background);
    pAlert->setBorderLeftColor(look.border);
    pAlert->setBorderTopColor(look.border);
    pAlert->setBorderRightColor(look.border);
    pAlert->setBorderBottomColor(look.border);
    alertTitle->recolorFont(look.text);
    alertBody->recolorFont(look.text);
    btnAction->setVisible(look.actionButton);
    pb->setVisible(!look.actionButton);
    pbSec->setVisible(!look.actionButton);
    if (look.actionButton) {
        btnAction->setBackgroundColor(look.actionBackground);
        btnAction->setBorderColor(look.actionBorder);
        btnAction->recolorFont(look.actionText);
    } else {
        btnStop->setVisible(true);
        pbSec->setBackgroundColor(hexColor(0xFCF8E3));
        pbSec->setBorderColor(hexColor(0xFAEBCC));
        pbSec->setProgressColor(hexColor(0xFAEBCC));
    }

    // Whatever the mode: the button's stored text colour follows its font, and its hover and
    // pressed looks take its border colour.
    btnAction->setFontColor(btnAction->font().color);
    btnAction->setHoverColor(btnAction->borderColor());
    btnAction->setActionColor(btnAction->borderColor());
    btnAction->setBorderColorAction(btnAction->borderColor());
    btnAction->setBorderColorHover(btnAction->borderColor());
    pAlert->invalidate();
    btnAction->invalidate();
    invalidate();
    // Screen readers read the panel again once its new texts are in (setAlert follows).
    FAlertToAnnounce = true;
}

void TFrmMain::setAlert(const std::wstring& title, const std::wstring& body) {
    alertTitle->setCaption(title);
    alertBody->setCaption(body);
    processResize();
    // The panel is a group named by its title, its text read as its description.
    pAlert->setAccessibleName(title);
    if (FAlertToAnnounce) {
        FAlertToAnnounce = false;
        pAlert->accessibleNotify(plat::TAccEvent::alert);
    }
}

void TFrmMain::setDetailAlert(const std::wstring& line1, const std::wstring& line2) {
    labelDetailL1->setCaption(line1);
    labelDetailL2->setCaption(line2);
}

void TFrmMain::setImageAlertIndex(int index) {
    FAlertImageIndex = index;
    const TBitmap32* picture = Img48->image(index);
    ImgAlert->setPicture(picture != nullptr ? *picture : TBitmap32());
}

void TFrmMain::pDetailAlertMode(bool on) {
    // The detail view takes the panel's colours as they are now: callers switch the mode first.
    pDetailAlert->setVisible(on);
    pDetailAlert->setColor(pAlert->backgroundColor());
    alertBody->setVisible(!on);
    labelDetailL1->recolorFont(alertTitle->font().color);
    labelDetailL2->recolorFont(alertTitle->font().color);
    shapeTopDetail->setPenColor(pAlert->borderLeftColor());
    shapeTopDetail->setBrushColor(pAlert->borderLeftColor());
    processResize();
}

void TFrmMain::reset() {
    btnAction->setCaption(L"Run Scan");
    btnAction->setImageIndex(kActionRunScan);
    switchAlertPanel(amIdle);
    setImageAlertIndex(0);
    pDetailAlertMode(false);
    btnAction->setArrowDirection(atDown);
    setAlert(L"Korvane ADS (Alternate Data Stream) Ombrolux",
             L"This program will scan all available fixed drives and removable drives formated in NTFS to "
             L"detect the presence of files stored in the Alternate Data Stream (ADS), A location invisible "
             L"from explorer that could bloat your hard drive or hide malicious contents.");
}
