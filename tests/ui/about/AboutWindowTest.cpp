// The About window: its declared components with their bounds, colours, fonts and pictures, the
// texts FormCreate fills in (with and without version information), the links and the showing.

#include "ui/about/AboutFixture.h"

#include "toolkit/PngDecoder.h"
#include "toolkit/RasterExpect.h"
#include "toolkit/TextLayout.h"
#include "ui/about/UntAboutArt.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using rastertest::regionIs;

namespace {

constexpr TColor kHeader = hexColor(0x28323C);

TColor colorOf(TRGBA pixel) {
    return RGBColor(pixel.r, pixel.g, pixel.b);
}

} // namespace

TEST_F(AboutWindowTest, TheWindowItself) {
    makeWindowAndFinishCheck();
    EXPECT_EQ(w().caption(), L"About ") << "with the trailing space";
    EXPECT_EQ(w().clientWidth(), 458);
    EXPECT_EQ(w().clientHeight(), 457);
    EXPECT_EQ(w().color(), hexColor(0xE2E6EA));
    EXPECT_TRUE(w().doubleBuffered());
    EXPECT_EQ(w().font(), (TFont{L"Tahoma", 8, 0, clBlack})) << "Tahoma 11 px";
    EXPECT_FALSE(w().visible()) << "made hidden";
}

TEST_F(AboutWindowTest, EveryControlInItsPlace) {
    makeWindowAndFinishCheck();
    w().show();
    const struct {
        const wchar_t* name;
        const wchar_t* parent; // empty: the window
        TRect bounds;          // in the parent's client area
    } cases[] = {
        {L"pHeader", L"", boundsRect(0, 0, 458, 89)},
        {L"imgLogo", L"pHeader", boundsRect(0, 0, 458, 89)},
        {L"SELinkedin", L"pHeader", boundsRect(83, 54, 32, 32)},
        {L"SEImage1", L"pHeader", boundsRect(118, 54, 32, 32)},
        {L"SEImage2", L"pHeader", boundsRect(153, 54, 32, 32)},
        {L"Label1", L"", TRect{8, 95, 8 + w().Label1->width(), 95 + w().Label1->height()}},
        {L"labelName", L"", TRect{130, 95, 130 + w().labelName->width(), 95 + w().labelName->height()}},
        {L"Label2", L"", TRect{8, 120, 8 + w().Label2->width(), 120 + w().Label2->height()}},
        {L"LabelVersion", L"",
         TRect{130, 120, 130 + w().LabelVersion->width(), 120 + w().LabelVersion->height()}},
        {L"JstLabel1", L"", boundsRect(8, 145, 443, 120)},
        {L"Shape", L"", boundsRect(8, 272, 443, 3)},
        {L"ImgInfo", L"", boundsRect(8, 285, 16, 16)},
        {L"JstLabel2", L"", boundsRect(30, 281, 419, 64)},
        {L"pStatus", L"", boundsRect(30, 360, 419, 57)},
        {L"pFooter", L"", boundsRect(0, 431, 458, 26)},
        {L"link", L"pFooter", boundsRect(147, 5, 165, w().link->height())},
        // Inside the status panel: its icon and two lines of text.
        {L"imgStatus", L"pStatus", boundsRect(10, 4, 48, 48)},
        {L"labelStatusTitle", L"pStatus",
         TRect{66, 10, 66 + w().labelStatusTitle->width(), 10 + w().labelStatusTitle->height()}},
        {L"labelStatusDetail", L"pStatus", boundsRect(66, 27, 345, 26)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + std::wcslen(c.name)));
        TControl* control = w().findControl(c.name);
        ASSERT_NE(control, nullptr);
        const TControl* parent = *c.parent != L'\0' ? w().findControl(c.parent) : &w();
        EXPECT_EQ(control->parent(), parent);
        EXPECT_EQ(control->boundsRect(), c.bounds);
        EXPECT_TRUE(control->visible());
        EXPECT_EQ(peerOf(*control).bounds(), c.bounds) << "as realised";
    }
    // Auto-sized labels have a size of their own; the version labels are empty without information.
    EXPECT_GT(w().Label1->width(), 0);
    EXPECT_GT(w().link->height(), 0);
}

TEST_F(AboutWindowTest, AtOtherScalesEveryControlInItsPlaceScaled) {
    makeWindowAndFinishCheck();
    widgets.setDpi(144); // shown on a 150 % monitor, then moved to a 200 % one
    w().show();
    for (int dpi : {144, 192}) {
        SCOPED_TRACE(dpi);
        auto s = [dpi](int length) { return scaled(length, dpi); };
        if (dpi != w().dpi()) {
            widgets.formPeerOf(w().peer())->moveToMonitor(dpi, boundsRect(10, 10, s(458), s(457)));
        }
        ASSERT_EQ(w().dpi(), dpi);
        EXPECT_EQ(w().clientWidth(), s(458));
        EXPECT_EQ(w().clientHeight(), s(457));
        const struct {
            const wchar_t* name;
            TRect design; // at 96 DPI, in the parent's client area
        } cases[] = {
            {L"pHeader", boundsRect(0, 0, 458, 89)},
            {L"SELinkedin", boundsRect(83, 54, 32, 32)},
            {L"SEImage2", boundsRect(153, 54, 32, 32)},
            {L"JstLabel1", boundsRect(8, 145, 443, 120)},
            {L"Shape", boundsRect(8, 272, 443, 3)},
            {L"ImgInfo", boundsRect(8, 285, 16, 16)},
            {L"JstLabel2", boundsRect(30, 281, 419, 64)},
            {L"pStatus", boundsRect(30, 360, 419, 57)},
            {L"pFooter", boundsRect(0, 431, 458, 26)},
            {L"imgStatus", boundsRect(10, 4, 48, 48)},
            {L"labelStatusDetail", boundsRect(66, 27, 345, 26)},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name, c.name + std::wcslen(c.name)));
            TControl* control = w().findControl(c.name);
            ASSERT_NE(control, nullptr);
            EXPECT_EQ(control->boundsRect(), boundsRect(s(c.design.left), s(c.design.top),
                                                        s(c.design.width()), s(c.design.height())));
            EXPECT_EQ(peerOf(*control).bounds(), control->boundsRect()) << "as realised";
        }
        // Labels sized to their text: placed by the design, sized in fonts made for the DPI.
        EXPECT_EQ((TPoint{w().labelName->left(), w().labelName->top()}), (TPoint{s(130), s(95)}));
        EXPECT_EQ(w().labelName->font().pixelsPerInch, dpi);
        EXPECT_EQ(w().Label1->height(), lineHeightOf(w().Label1->font()));
        EXPECT_EQ(w().link->left(), w().pFooter->width() / 2 - w().link->width() / 2)
            << "centred in the footer";
        // The status panel's left band is 5 design pixels wide.
        EXPECT_EQ(w().pStatus->borderLeftSize(), s(5));
        EXPECT_EQ(w().pStatus->borderTopSize(), s(1));
    }
}

TEST_F(AboutWindowTest, FontsColoursAndTexts) {
    makeWindowAndFinishCheck();
    const TFont caption{L"Tahoma", 10, fsBold, clBlack}; // 13 px
    const TFont value{L"Tahoma", 9, 0, clBlack};         // 12 px
    const TFont notice{L"Tahoma", 10, 0, clBlack};
    EXPECT_EQ(w().Label1->caption(), L"Product Name : ");
    EXPECT_EQ(w().Label1->font(), caption);
    EXPECT_EQ(w().Label2->caption(), L"Product Version : ");
    EXPECT_EQ(w().Label2->font(), caption);
    EXPECT_EQ(w().labelName->font(), value);
    EXPECT_EQ(w().LabelVersion->font(), value);
    EXPECT_EQ(w().JstLabel1->font(), notice);
    EXPECT_EQ(w().JstLabel2->font(), notice);
    // The legal notice: the maker's property, not to be reproduced without written permission.
    const std::wstring& legal = w().JstLabel1->caption();
    EXPECT_NE(legal.find(L"property of Korvane"), std::wstring::npos);
    EXPECT_NE(legal.find(L"without the prior written permission of Korvane"), std::wstring::npos);
    EXPECT_FALSE(w().JstLabel2->caption().empty());

    EXPECT_EQ(w().pHeader->color(), kHeader);
    EXPECT_EQ(w().pHeader->bevelOuter(), bvNone);
    EXPECT_EQ(w().pFooter->color(), kHeader);
    EXPECT_EQ(w().pFooter->bevelOuter(), bvNone);
    EXPECT_EQ(w().Shape->penColor(), kHeader);
    EXPECT_EQ(w().Shape->brushColor(), kHeader);

    EXPECT_EQ(w().link->caption(), L"www.korvane.example");
    EXPECT_EQ(w().link->font(), (TFont{L"Segoe UI", 9, 0, clWhite}));
    EXPECT_EQ(w().link->cursor(), crHandPoint);
    EXPECT_EQ(w().link->alignment(), taCenter);
}

TEST_F(AboutWindowTest, HeaderAndFooterAsPainted) {
    makeWindowAndFinishCheck();
    w().show();
    // The banner from the top-left corner, cut at the header's right edge; below it the header.
    const TBitmap32 banner = decodePng(aboutart::kBanner);
    ASSERT_EQ(banner.width, 600);
    ASSERT_EQ(banner.height, 86);
    const auto& logo = painted(*w().imgLogo);
    rastertest::TPngOnFailure keep(logo, "logo");
    for (const TPoint p : {TPoint{0, 0}, TPoint{40, 40}, TPoint{300, 20}, TPoint{457, 85}}) {
        EXPECT_EQ(logo.at(p.x, p.y), colorOf(banner.at(p.x, p.y))) << p.x << ", " << p.y;
    }
    EXPECT_TRUE(regionIs(logo, TRect{0, 86, 458, 89}, kHeader));

    EXPECT_TRUE(regionIs(painted(*w().Shape), TRect{0, 0, 443, 3}, kHeader)) << "the separator bar";
    EXPECT_TRUE(regionIs(painted(*w().pFooter), TRect{0, 0, 147, 26}, kHeader));
    const auto& link = painted(*w().link);
    EXPECT_GT(rastertest::countOf(link, TRect{0, 0, 165, link.height()}, clWhite), 0) << "white text";
    EXPECT_EQ(link.at(0, 0), kHeader) << "on the footer's colour";
}

TEST_F(AboutWindowTest, LinkIconsAndPictures) {
    makeWindowAndFinishCheck();
    w().show();
    const struct {
        TSEImage* image;
        const std::vector<std::uint8_t>* grey;
        const std::vector<std::uint8_t>* colour;
    } icons[] = {
        {w().SELinkedin, &aboutart::kLinkLinkedinGrey, &aboutart::kLinkLinkedinColour},
        {w().SEImage1, &aboutart::kLinkTwitterGrey, &aboutart::kLinkTwitterColour},
        {w().SEImage2, &aboutart::kLinkFacebookGrey, &aboutart::kLinkFacebookColour},
    };
    for (const auto& icon : icons) {
        SCOPED_TRACE(icon.image->name());
        const TBitmap32 grey = decodePng(*icon.grey);
        const TBitmap32 colour = decodePng(*icon.colour);
        ASSERT_EQ(grey.width, 32);
        ASSERT_NE(grey, colour);
        EXPECT_TRUE(icon.image->enabled());
        EXPECT_TRUE(icon.image->autoSize());
        EXPECT_EQ(icon.image->cursor(), crHandPoint);
        EXPECT_EQ(icon.image->pictureNormal(), grey);
        EXPECT_EQ(icon.image->pictureHover(), colour);
        EXPECT_EQ(icon.image->pictureAction(), colour);
        EXPECT_TRUE(icon.image->pictureDisabled().empty());
        EXPECT_EQ(icon.image->picture(), grey) << "grey at rest";

        // Coloured under the pointer and while pressed, grey again at the release.
        auto& peer = peerOf(*icon.image);
        peer.mouseEnter();
        EXPECT_EQ(icon.image->picture(), colour);
        peer.mouseDown(TMouseButton::mbLeft, 5, 5);
        EXPECT_EQ(icon.image->picture(), colour);
        peer.mouseUp(TMouseButton::mbLeft, 5, 5);
        EXPECT_EQ(icon.image->picture(), grey) << "even with the pointer still on it";
        peer.mouseLeave();
        EXPECT_EQ(icon.image->picture(), grey);
    }
    EXPECT_EQ(w().ImgInfo->picture(), decodePng(aboutart::kInfo16));
    EXPECT_EQ(w().Img48->width(), 48);
    EXPECT_EQ(w().Img48->count(), 4);
}

// At each DPI the window takes the pictures the art script drew at the nearest scale (the files of
// 150 and 200 % lie in subfolders), each in its place.
TEST_F(AboutWindowTest, PicturesDrawnForTheDpi) {
    makeWindowAndFinishCheck();
    const std::filesystem::path art =
        std::filesystem::path(__FILE__).parent_path() / "../../../src/app/art/about";
    const auto file = [&](const std::string& folder, const std::string& name) {
        std::ifstream in(art / folder / name, std::ios::binary);
        return decodePng(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {}));
    };
    const struct {
        int dpi;
        std::string folder;
        int bannerWidth, side48;
    } cases[] = {{96, "", 600, 48},     {120, "", 600, 48},     {144, "150", 900, 72},
                 {168, "150", 900, 72}, {192, "200", 1200, 96}, {288, "200", 1200, 96}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.dpi) + " DPI");
        w().setPictures(c.dpi);
        EXPECT_EQ(w().imgLogo->picture().width, c.bannerWidth);
        EXPECT_EQ(w().imgLogo->picture(), file(c.folder, "banner.png"));
        const struct {
            TSEImage* image;
            const char* network;
        } links[] = {{w().SELinkedin, "linkedin"}, {w().SEImage1, "twitter"}, {w().SEImage2, "facebook"}};
        for (const auto& link : links) {
            const std::string name = std::string("link_") + link.network;
            EXPECT_EQ(link.image->pictureNormal(), file(c.folder, name + "_grey.png")) << name;
            EXPECT_EQ(link.image->pictureHover(), file(c.folder, name + "_colour.png")) << name;
        }
        EXPECT_EQ(w().ImgInfo->picture(), file(c.folder, "info16.png"));
        ASSERT_EQ(w().Img48->width(), c.side48);
        ASSERT_EQ(w().Img48->count(), 4) << "every status icon in the list's size";
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(*w().Img48->image(i), file(c.folder, "status48_0" + std::to_string(i) + ".png")) << i;
        }
        EXPECT_EQ(w().imgStatus->picture().width, c.side48) << "the status shown, in the new size";
    }
}

// Shown on a monitor of another scale, and moved between them, the window takes the pictures drawn
// for its DPI by itself, each control sized to its picture once (not scaled again with the layout).
TEST_F(AboutWindowTest, ShownAndMovedItTakesThePicturesOfItsScale) {
    makeWindowAndFinishCheck();
    widgets.setDpi(144);
    w().show();
    const struct {
        int dpi, bannerWidth, side48, side32;
    } steps[] = {{144, 900, 72, 48}, {192, 1200, 96, 64}, {96, 600, 48, 32}};
    for (const auto& step : steps) {
        SCOPED_TRACE(std::to_string(step.dpi) + " DPI");
        if (step.dpi != w().dpi()) {
            widgets.formPeerOf(w().peer())
                ->moveToMonitor(step.dpi, boundsRect(10, 10, scaled(458, step.dpi), scaled(457, step.dpi)));
        }
        const aboutart::TAboutPictures& drawn = aboutPictures(step.dpi);
        EXPECT_EQ(w().imgLogo->picture().width, step.bannerWidth);
        EXPECT_EQ(w().imgLogo->picture(), decodePng(*drawn.banner));
        EXPECT_EQ(w().SELinkedin->pictureNormal(), decodePng(*drawn.linkedinGrey));
        EXPECT_EQ(w().SELinkedin->width(), step.side32);
        EXPECT_EQ(w().Img48->width(), step.side48);
        EXPECT_EQ(w().imgStatus->picture().width, step.side48) << "the status shown, in the new size";
    }
}

TEST_F(AboutWindowTest, NameAndVersionFromTheProgramsVersionInformation) {
    giveVersionInformation();
    makeWindowAndFinishCheck();
    EXPECT_EQ(w().labelName->caption(), L"Korvane ADS Ombrolux");
    EXPECT_EQ(w().LabelVersion->caption(), L"v2.4.1 build 317");
    EXPECT_EQ(w().link->left(), 147) << "centred in the footer: 458 div 2 - 165 div 2";
}

TEST_F(AboutWindowTest, WithoutVersionInformationBothLabelsStayEmpty) {
    makeWindowAndFinishCheck();
    EXPECT_EQ(w().labelName->caption(), L"");
    EXPECT_EQ(w().LabelVersion->caption(), L"");
}

TEST_F(AboutWindowTest, EachLinkOpensItsAddress) {
    makeWindowAndFinishCheck();
    w().show();
    const struct {
        TControl* control;
        const wchar_t* address;
    } cases[] = {
        {w().link, L"https://www.korvane.example/"},
        {w().SELinkedin, L"https://www.korvane.example/follow/linkedin"},
        {w().SEImage1, L"https://www.korvane.example/follow/twitter"},
        {w().SEImage2, L"https://www.korvane.example/follow/facebook"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control->name());
        const std::size_t before = privilege.shellStarts().size();
        peerOf(*c.control).click(3, 3);
        ASSERT_EQ(privilege.shellStarts().size(), before + 1);
        const plat::TShellStart& start = privilege.shellStarts().back();
        EXPECT_EQ(start.verb, L"open");
        EXPECT_EQ(start.file, c.address);
        EXPECT_EQ(start.showCommand, 5);
    }
    EXPECT_EQ(privilege.shellStarts().size(), 4u) << "one start per click";
}

TEST_F(AboutWindowTest, TheWebAddressIsUnderlinedWhileThePointerIsOverIt) {
    makeWindowAndFinishCheck();
    w().show();
    auto& peer = peerOf(*w().link);
    peer.mouseEnter();
    EXPECT_TRUE(w().link->font().style & fsUnderline);
    peer.mouseLeave();
    EXPECT_EQ(w().link->font(), (TFont{L"Segoe UI", 9, 0, clWhite}));
}

TEST_F(AboutWindowTest, ShownCentredOverTheMainWindowInAFixedFrameAndAgainUnchanged) {
    giveVersionInformation();
    makeWindowAndFinishCheck();
    TForm main;
    main.setMainForm(true);
    main.setBounds(100, 100, 540, 433);
    main.show();
    w().show();
    EXPECT_TRUE(w().visible());
    EXPECT_EQ(w().boundsRect(), boundsRect(141, 88, 458, 457));
    plat::headless::THeadlessFormPeer* frame = widgets.formPeerOf(w().peer());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->frame(), plat::TFormFrame::fixedSingle) << "single border, close box only";

    // Closing hides it; showing it again, after the main window moved, centres it again and shows
    // the same texts without reading or checking anything again.
    EXPECT_TRUE(w().close());
    EXPECT_FALSE(w().visible());
    EXPECT_TRUE(main.visible()) << "not modal: the main window goes on";
    shell.setVersionString(kProgram, L"\\StringFileInfo\\040904b0\\ProductName", L"Something else");
    trustDouble.answerTrusted(L"Korvane");
    main.setBounds(300, 200, 540, 433);
    w().show();
    EXPECT_TRUE(w().visible());
    EXPECT_EQ(w().boundsRect(), boundsRect(341, 188, 458, 457));
    EXPECT_EQ(w().labelName->caption(), L"Korvane ADS Ombrolux");
    EXPECT_EQ(w().LabelVersion->caption(), L"v2.4.1 build 317");
    EXPECT_EQ(w().signStatus(), ssNotSigned);
    EXPECT_EQ(trustDouble.checkedFiles().size(), 1u) << "one check for the whole run";
    main.setMainForm(false);
}

TEST_F(AboutWindowTest, FromTheKeyboardTabReachesTheWebAddressEnterOpensItAndEscCloses) {
    makeWindowAndFinishCheck();
    w().show();
    const plat::TAccessibleItem link = w().link->accessible();
    EXPECT_EQ(link.role, plat::TAccRole::link);
    EXPECT_EQ(link.name, w().link->caption());
    EXPECT_EQ(link.defaultAction, L"Open");

    peerOf(w()).pressKey(VK_TAB);
    ASSERT_TRUE(w().link->focused()) << "the web address is the window's Tab stop";
    peerOf(*w().link).pressKey(VK_RETURN);
    ASSERT_EQ(privilege.shellStarts().size(), 1u);
    EXPECT_EQ(privilege.shellStarts().back().file, L"https://www.korvane.example/");

    peerOf(*w().link).pressKey(VK_ESCAPE);
    EXPECT_FALSE(w().visible()) << "Esc closes the window";
}
