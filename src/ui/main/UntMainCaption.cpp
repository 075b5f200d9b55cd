// The caption-bar button: its six pictures, loaded for the window's DPI and given at the window's
// preparation and at each change of DPI, and its menu with the About command.

#include "ui/main/UntMain.h"

#include "toolkit/ArtScale.h"
#include "toolkit/PngDecoder.h"

#include <string>

TNCAPictures loadNCAPictures(int dpi) {
    // Drawn at 150 and 200 % too: those resources' names end in "_150" and "_200".
    const int scale = artScaleFor(dpi);
    const std::wstring suffix = scale == 100 ? L"" : L"_" + std::to_wstring(scale);
    TNCAPictures pictures;
    pictures.link = loadPngResource(L"NCABUTTONLINK" + suffix);
    pictures.hover = loadPngResource(L"NCABUTTONHOVER" + suffix);
    pictures.action = loadPngResource(L"NCABUTTONACTION" + suffix);
    pictures.linkMin = loadPngResource(L"NCABUTTONLINK_MIN" + suffix);
    pictures.hoverMin = loadPngResource(L"NCABUTTONHOVER_MIN" + suffix);
    pictures.actionMin = loadPngResource(L"NCABUTTONACTION_MIN" + suffix);
    return pictures;
}

const TNCAPictures& TNCAPictureStore::forDpi(int dpi) {
    const int scale = artScaleFor(dpi);
    auto found = FByScale.find(scale);
    if (found == FByScale.end()) {
        found = FByScale.emplace(scale, loadNCAPictures(dpi)).first;
    }
    return found->second;
}

namespace {

TBitmap32 decoded(const std::unique_ptr<TPngPicture>& picture) {
    return picture != nullptr ? decodePng(picture->bytes) : TBitmap32{};
}

} // namespace

void TFrmMain::giveNCAPictures() {
    if (FNCAPictures == nullptr) {
        return;
    }
    const TNCAPictures& p = FNCAPictures->forDpi(dpi());
    NCA->setPictures(TCaptionButtonPictures{decoded(p.link), decoded(p.hover), decoded(p.action)},
                     TCaptionButtonPictures{decoded(p.linkMin), decoded(p.hoverMin), decoded(p.actionMin)});
}

void TFrmMain::bindCaptionCommands() {
    // The menu belongs to this window: it drops down from its caption bar.
    popaction->setPopupComponent(this);
    // Screen readers name the button by the one command its menu holds.
    NCA->setAccessibleName(L"About");
    About1->OnClick = [this](TMenuItem*) { About1Click(); };
}

void TFrmMain::About1Click() {
    // Modeless: the main window stays usable, and the one About window comes back each time.
    if (FAboutWindow != nullptr) {
        FAboutWindow->show();
    }
}
