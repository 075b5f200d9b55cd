#include "ui/about/UntAbout.h"

#include "system/UntKorvaneLib.h"
#include "toolkit/Declared.h"

TFrmAbout::TFrmAbout() {
    declareComponents();
    bindEvents();
    FormCreate();
}

TFrmAbout::~TFrmAbout() {
    OnResize = nullptr;
    OnKeyDown = nullptr;
    // A check still running hands nothing over when it ends.
    if (FSignCheck != nullptr) {
        FSignCheck->drop();
    }
}

void TFrmAbout::bindEvents() {
    OnResize = [this](TControl*) { centreLink(); };
    link->OnClick = [this](TControl* sender) { linkClick(sender); };
    link->setLink(true);
    // Esc closes the window, as it closes any dialog.
    setKeyPreview(true);
    OnKeyDown = [this](TControl*, int& key, TShiftState) {
        if (key == VK_ESCAPE) {
            key = 0;
            close();
        }
    };
    SELinkedin->OnClick = [this](TControl* sender) { SELinkedinClick(sender); };
    SEImage1->OnClick = [this](TControl* sender) { SEImage1Click(sender); };
    SEImage2->OnClick = [this](TControl* sender) { SEImage2Click(sender); };
    // The web address reads as a link: underlined while the pointer is over it.
    link->OnMouseEnter = [this](TControl*) {
        TFont font = link->font();
        font.style |= fsUnderline;
        link->setFont(font);
    };
    link->OnMouseLeave = [this](TControl*) {
        TFont font = link->font();
        font.style &= ~static_cast<TFontStyles>(fsUnderline);
        link->setFont(font);
    };
}

void TFrmAbout::centreLink() {
    link->setLeft(pFooter->width() / 2 - link->width() / 2);
}

void TFrmAbout::FormCreate() {
    // 1. The web address centred in the footer.
    centreLink();

    // 2. The signature check, in the background.
    startSignCheck();

    // 3 and 4. Name and version from the program's own version information.
    const std::wstring file = getProgramFileName();
    TEXEVersionData version;
    readVersionData(file, version);
    labelName->setCaption(version.ProductName);
    LabelVersion->setCaption(getFileVersionText(file));
}

void TFrmAbout::startSignCheck() {
    showSignStatus(TSignCheck{});
    FSignCheck =
        std::make_shared<TSignCheckLink>([this](const TSignCheck& outcome) { showSignStatus(outcome); });
    auto* check = new TCheckSignStatus(getProgramFileName(), FSignCheck);
    check->setFreeOnTerminate(true);
    check->Start();
}

void TFrmAbout::showSignStatus(const TSignCheck& check) {
    const TSignStatusLook look = signStatusLook(check);
    pStatus->setBorderLeftColor(look.border);
    pStatus->setBorderTopColor(look.border);
    pStatus->setBorderRightColor(look.border);
    pStatus->setBorderBottomColor(look.border);
    pStatus->setBackgroundColor(look.background);
    pStatus->invalidate();
    FStatusIcon = look.icon;
    if (const TBitmap32* icon = Img48->image(look.icon)) {
        imgStatus->setPicture(*icon);
    }
    labelStatusTitle->recolorFont(look.text);
    labelStatusTitle->setCaption(look.title);
    labelStatusDetail->recolorFont(look.text);
    labelStatusDetail->setCaption(look.detail);
    // The labels and the icon show the panel's colour around their content.
    imgStatus->invalidate();
    labelStatusTitle->invalidate();
    labelStatusDetail->invalidate();
    FSignStatus = check.status;
}

void TFrmAbout::linkClick(TControl* /*sender*/) {
    shellOpen(makerlinks::kHomePage);
}

void TFrmAbout::SELinkedinClick(TControl* /*sender*/) {
    shellOpen(makerlinks::kLinkedinPage);
}

void TFrmAbout::SEImage1Click(TControl* /*sender*/) {
    shellOpen(makerlinks::kTwitterPage);
}

void TFrmAbout::SEImage2Click(TControl* /*sender*/) {
    shellOpen(makerlinks::kFacebookPage);
}
