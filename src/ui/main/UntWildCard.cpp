#include "ui/main/UntWildCard.h"

TFrmWC::TFrmWC() {
    setName(L"FrmWC");
    setCaption(L"Setup Scan");
    setFont(TFont{L"Tahoma", 8, 0, clBlack});
    setClientSize(337, 159);
}
