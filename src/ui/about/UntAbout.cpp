#include "ui/about/UntAbout.h"

TFrmAbout::TFrmAbout() {
    setName(L"FrmAbout");
    setCaption(L"About ");
    setFont(TFont{L"Tahoma", 8, 0, clBlack});
    setColor(hexColor(0xE2E6EA));
    setClientSize(458, 457);
    setDoubleBuffered(true);
}
