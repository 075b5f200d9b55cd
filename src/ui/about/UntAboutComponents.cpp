// The About window's declared components: the table the window is built from, and the looks of
// the components whose properties the table's common columns do not cover.

#include "ui/about/UntAbout.h"

#include "toolkit/Declared.h"
#include "toolkit/PngDecoder.h"
#include "ui/about/UntAboutArt.h"

#include <cwchar>
#include <stdexcept>

namespace {

// Fonts are in points; at 96 dots per inch 8 pt is 11 px, 9 pt is 12 px and 10 pt is 13 px.
const TFont kFormFont{L"Tahoma", 8, 0, clBlack};
const TFont kCaptionFont{L"Tahoma", 10, fsBold, clBlack};
const TFont kValueFont{L"Tahoma", 9, 0, clBlack};
const TFont kNoticeFont{L"Tahoma", 10, 0, clBlack};
const TFont kLinkFont{L"Segoe UI", 9, 0, clWhite};
const TFont kStatusTitleFont{L"Tahoma", 8, fsBold, clBlack};
const TFont kStatusDetailFont{L"Tahoma", 8, 0, clBlack};

const TColor kHeaderColor = hexColor(0x28323C);

const wchar_t* const kLegalNotice =
    L"Korvane ADS Ombrolux and everything that comes with it (the program, its pictures, its texts and "
    L"its documentation) are the property of Korvane and are protected by copyright law and "
    L"international treaties. No part of them may be reproduced, copied, modified, published or "
    L"distributed, in whole or in part, in any form or by any means, without the prior written "
    L"permission of Korvane. The program is provided as it is, without warranty of any kind.";

const wchar_t* const kStatusNote =
    L"The panel below tells whether this copy of the program carries a valid digital signature of "
    L"its maker. A copy that is not signed, or whose signature is not valid, may have been changed "
    L"by someone else: get the program from the maker's web site only.";

} // namespace

// Rows name only the fields they set; the others keep their defaults.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

const std::vector<TDeclaredComponent>& TFrmAbout::declaredComponents() {
    static const std::vector<TDeclaredComponent> rows = {
        {.name = L"Img48", .kind = L"TImageList", .width = 48, .height = 48},

        // The header: the maker's banner with the three link icons on it. The icons come before the
        // banner because a window system puts a child made later below the ones made before it.
        {.name = L"pHeader",
         .kind = L"TPanel",
         .width = 458,
         .height = 89,
         .props = {.color = kHeaderColor, .align = alTop}},
        {.name = L"SELinkedin",
         .kind = L"TSEImage",
         .parent = L"pHeader",
         .left = 83,
         .top = 54,
         .width = 32,
         .height = 32},
        {.name = L"SEImage1",
         .kind = L"TSEImage",
         .parent = L"pHeader",
         .left = 118,
         .top = 54,
         .width = 32,
         .height = 32},
        {.name = L"SEImage2",
         .kind = L"TSEImage",
         .parent = L"pHeader",
         .left = 153,
         .top = 54,
         .width = 32,
         .height = 32},

        {.name = L"imgLogo", .kind = L"TImage", .parent = L"pHeader", .props = {.align = alClient}},

        // Name, version and the legal notice.
        {.name = L"Label1",
         .kind = L"TLabel",
         .left = 8,
         .top = 95,
         .props = {.caption = L"Product Name : ", .font = kCaptionFont, .autoSize = true}},
        {.name = L"labelName",
         .kind = L"TLabel",
         .left = 130,
         .top = 95,
         .props = {.caption = L"", .font = kValueFont, .autoSize = true}},
        {.name = L"Label2",
         .kind = L"TLabel",
         .left = 8,
         .top = 120,
         .props = {.caption = L"Product Version : ", .font = kCaptionFont, .autoSize = true}},
        {.name = L"LabelVersion",
         .kind = L"TLabel",
         .left = 130,
         .top = 120,
         .props = {.caption = L"", .font = kValueFont, .autoSize = true}},
        {.name = L"JstLabel1",
         .kind = L"TJstLabel",
         .left = 8,
         .top = 145,
         .width = 443,
         .height = 120,
         .props = {.caption = kLegalNotice, .font = kNoticeFont, .autoSize = false}},
        {.name = L"Shape", .kind = L"TShape", .left = 8, .top = 272, .width = 443, .height = 3},

        // The note and the status panel.
        {.name = L"ImgInfo", .kind = L"TImage", .left = 8, .top = 285, .width = 16, .height = 16},
        {.name = L"JstLabel2",
         .kind = L"TJstLabel",
         .left = 30,
         .top = 281,
         .width = 419,
         .height = 64,
         .props = {.caption = kStatusNote, .font = kNoticeFont, .autoSize = false}},
        {.name = L"pStatus", .kind = L"TSEAdvPanel", .left = 30, .top = 360, .width = 419, .height = 57},
        {.name = L"imgStatus",
         .kind = L"TImage",
         .parent = L"pStatus",
         .left = 10,
         .top = 4,
         .width = 48,
         .height = 48},
        {.name = L"labelStatusTitle",
         .kind = L"TLabel",
         .parent = L"pStatus",
         .left = 66,
         .top = 10,
         .props = {.caption = L"", .font = kStatusTitleFont, .autoSize = true}},
        {.name = L"labelStatusDetail",
         .kind = L"TLabel",
         .parent = L"pStatus",
         .left = 66,
         .top = 27,
         .width = 345,
         .height = 26,
         .props = {.caption = L"", .font = kStatusDetailFont, .autoSize = false}},

        // The footer with the maker's web address.
        {.name = L"pFooter",
         .kind = L"TPanel",
         .top = 431,
         .width = 458,
         .height = 26,
         .props = {.color = kHeaderColor, .align = alBottom}},
        {.name = L"link",
         .kind = L"TLabel",
         .parent = L"pFooter",
         .top = 5,
         .width = 165,
         .height = 16,
         .props = {.caption = makerlinks::kHomePageCaption,
                   .font = kLinkFont,
                   .autoSize = false,
                   .cursor = crHandPoint}},
    };
    return rows;
}

#pragma GCC diagnostic pop

namespace {

// The declared component of that name and type; a missing one is a fault of the table.
template <typename T> T* must(TForm& form, const wchar_t* name) {
    T* found = form.find<T>(name);
    if (found == nullptr) {
        throw std::logic_error("About window: no component " + std::string(name, name + std::wcslen(name)));
    }
    return found;
}

void setLinkPictures(TSEImage& image, const std::vector<std::uint8_t>& grey,
                     const std::vector<std::uint8_t>& colour) {
    const TBitmap32 rest = decodePng(grey);
    const TBitmap32 hover = decodePng(colour);
    image.setPictureNormal(rest);
    image.setPictureHover(hover);
    image.setPictureAction(hover);
    image.setPicture(rest); // shown at rest; the image sizes itself to it
}

} // namespace

const aboutart::TAboutPictures& aboutPictures(int dpi) {
    switch (artScaleFor(dpi)) {
    case 150:
        return aboutart::kPictures150;
    case 200:
        return aboutart::kPictures200;
    default:
        return aboutart::kPictures100;
    }
}

void fillAboutImg48(TImageList& list, int dpi) {
    const int side = 48 * artScaleFor(dpi) / 100;
    list.resize(side, side);
    for (const std::vector<std::uint8_t>* png : aboutPictures(dpi).status48) {
        list.addPng(*png);
    }
}

void TFrmAbout::setPictures(int dpi) {
    const aboutart::TAboutPictures& pictures = aboutPictures(dpi);
    fillAboutImg48(*Img48, dpi);
    imgLogo->setPicture(decodePng(*pictures.banner)); // drawn from the corner, cut at the right
    setLinkPictures(*SELinkedin, *pictures.linkedinGrey, *pictures.linkedinColour);
    setLinkPictures(*SEImage1, *pictures.twitterGrey, *pictures.twitterColour);
    setLinkPictures(*SEImage2, *pictures.facebookGrey, *pictures.facebookColour);
    ImgInfo->setPicture(decodePng(*pictures.info16));
    if (const TBitmap32* icon = Img48->image(FStatusIcon)) { // the status shown, at the new size
        imgStatus->setPicture(*icon);
    }
}

void TFrmAbout::dpiApplied() {
    setPictures(dpi());
}

void TFrmAbout::declareComponents() {
    setName(L"FrmAbout");
    setCaption(L"About ");
    setFont(kFormFont);
    setColor(hexColor(0xE2E6EA));
    setClientSize(458, 457);
    setDoubleBuffered(true);
    setFrame(plat::TFormFrame::fixedSingle);
    setPosition(poMainFormCenter);

    TComponentKinds kinds = TComponentKinds::standard();
    kinds.add<TSEImage>(L"TSEImage");
    kinds.add<TSEAdvPanel>(L"TSEAdvPanel");
    declare(declaredComponents(), kinds);

    pHeader = must<TPanel>(*this, L"pHeader");
    imgLogo = must<TImage>(*this, L"imgLogo");
    SELinkedin = must<TSEImage>(*this, L"SELinkedin");
    SEImage1 = must<TSEImage>(*this, L"SEImage1");
    SEImage2 = must<TSEImage>(*this, L"SEImage2");
    Label1 = must<TLabel>(*this, L"Label1");
    labelName = must<TLabel>(*this, L"labelName");
    Label2 = must<TLabel>(*this, L"Label2");
    LabelVersion = must<TLabel>(*this, L"LabelVersion");
    JstLabel1 = must<TJstLabel>(*this, L"JstLabel1");
    Shape = must<TShape>(*this, L"Shape");
    ImgInfo = must<TImage>(*this, L"ImgInfo");
    JstLabel2 = must<TJstLabel>(*this, L"JstLabel2");
    pStatus = must<TSEAdvPanel>(*this, L"pStatus");
    imgStatus = must<TImage>(*this, L"imgStatus");
    labelStatusTitle = must<TLabel>(*this, L"labelStatusTitle");
    labelStatusDetail = must<TLabel>(*this, L"labelStatusDetail");
    pFooter = must<TPanel>(*this, L"pFooter");
    link = must<TLabel>(*this, L"link");
    Img48 = must<TImageList>(*this, L"Img48");

    setPictures(dpi());

    // Looks the table's common columns do not hold.
    pHeader->setBevelOuter(bvNone);
    pFooter->setBevelOuter(bvNone);
    Shape->setPenColor(kHeaderColor);
    Shape->setBrushColor(kHeaderColor);
    pStatus->setBorders(bLeft | bTop | bRight | bBottom);
    pStatus->setBorderLeftSize(5);
    pStatus->setShowCaption(false);
    labelStatusDetail->setWordWrap(true);
    link->setAlignment(taCenter);
}
