// The main window's preparation and its caption-bar button: the elevation button set from the
// program's rights, the caption-bar button's six pictures loaded from the resources and shown by
// state, and its menu with the About command, which shows the one About window modelessly.

#include "ui/main/MainFixture.h"

#include "platform/headless/PngWriter.h"
#include "toolkit/PngDecoder.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kPictureNames[] = {L"NCABUTTONLINK",      L"NCABUTTONHOVER",
                                            L"NCABUTTONACTION",    L"NCABUTTONLINK_MIN",
                                            L"NCABUTTONHOVER_MIN", L"NCABUTTONACTION_MIN"};

// A picture of one colour, as PNG bytes.
std::vector<std::uint8_t> solidPng(int width, int height, std::uint8_t red) {
    std::vector<std::uint8_t> rgb;
    for (int i = 0; i < width * height; ++i) {
        rgb.insert(rgb.end(), {red, 0x40, 0x80});
    }
    return plat::headless::encodePng(width, height, rgb);
}

class PreparationTest : public MainWindowTest {
protected:
    // The window made again, as start-up makes it, after the test has set the world up.
    void remake(TNCAPictureStore* pictures = nullptr) {
        window.reset();
        window = std::make_unique<TFrmMain>(pictures);
        window->show();
    }
    // The six pictures in the resources: large 78 x 18, small 28 x 14, each of its own red.
    void givePictureResources() {
        for (int i = 0; i < 6; ++i) {
            const bool small = i >= 3;
            shell.setResource(
                L"KORVANE_IMAGES", kPictureNames[i],
                solidPng(small ? 28 : 78, small ? 14 : 18, static_cast<std::uint8_t>(10 * (i + 1))));
        }
    }
    // The caption-bar pictures as the program's resource script lists them, with the drawn files'
    // bytes; answers how many.
    int giveTheProgramsPictureResources() {
        const std::filesystem::path app = std::filesystem::path(__FILE__).parent_path() / "../../../src/app";
        std::ifstream script(app / "ADSOmbrolux.rc");
        EXPECT_TRUE(script) << "the resource script";
        const std::regex line(R"re(^(NCABUTTON\w*) KORVANE_IMAGES "([^"]+)"\s*$)re");
        int given = 0;
        for (std::string text; std::getline(script, text);) {
            std::smatch m;
            if (std::regex_match(text, m, line)) {
                std::ifstream file(app / m[2].str(), std::ios::binary);
                EXPECT_TRUE(file) << m[2].str();
                shell.setResource(L"KORVANE_IMAGES", std::wstring(m[1].first, m[1].second),
                                  std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file), {}));
                ++given;
            }
        }
        return given;
    }
    static std::uint8_t redOfPicture(const TBitmap32& picture) {
        return picture.empty() ? 0 : picture.at(0, 0).r;
    }
};

TEST_F(PreparationTest, TheElevationButtonFollowsTheProgramsRights) {
    struct TCase {
        const char* what;
        unsigned major;
        bool administrator;
        bool enabled;
        int image;
    };
    const TCase cases[] = {
        {"a user", 10, false, true, 19},
        {"an elevated administrator", 10, true, false, 20},
        {"any user before Vista counts as administrator", 5, false, false, 20},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.what);
        privilege.setVersion(c.major, 0);
        privilege.setAdministrator(c.administrator);
        remake();
        EXPECT_EQ(w().tbUAC->enabled(), c.enabled);
        EXPECT_EQ(w().tbUAC->imageIndex(), c.image);
    }

    // A user's click restarts the program elevated through the shell.
    privilege.setVersion(10, 0);
    privilege.setAdministrator(false);
    shell.setModuleFileName(L"C:\\Tools\\ADSOmbrolux.exe");
    remake();
    ASSERT_TRUE(w().tbUAC->OnClick);
    w().tbUAC->OnClick(w().tbUAC);
    ASSERT_EQ(privilege.shellStarts().size(), 1u);
    EXPECT_EQ(privilege.shellStarts()[0].verb, L"RunAs");
    EXPECT_EQ(privilege.shellStarts()[0].file, L"C:\\Tools\\ADSOmbrolux.exe");
    EXPECT_EQ(process.exitCount(), 1) << "the first instance ends once the new one runs";
    EXPECT_EQ(process.lastExitCode(), 0u);
}

TEST_F(PreparationTest, TheCaptionButtonShowsItsPictureForEachStateAndSize) {
    givePictureResources();
    TNCAPictureStore pictures;
    remake(&pictures);
    TCaptionToolBar& bar = *w().NCA;
    EXPECT_EQ(bar.pictures(false).normal, decodePng(pictures.forDpi(96).link->bytes));
    EXPECT_EQ(bar.pictures(false).normal.width, 78);
    EXPECT_EQ(bar.pictures(true).normal.width, 28);

    // (state reached by, large picture's red, small picture's red)
    EXPECT_EQ(bar.state(), TCaptionButtonState::normal);
    EXPECT_EQ(redOfPicture(bar.picture(false)), 10);
    EXPECT_EQ(redOfPicture(bar.picture(true)), 40);
    bar.buttonEnter();
    EXPECT_EQ(bar.state(), TCaptionButtonState::hover);
    EXPECT_EQ(redOfPicture(bar.picture(false)), 20);
    EXPECT_EQ(redOfPicture(bar.picture(true)), 50);

    // Pressed while its menu is open, whatever is chosen; hover again once it has closed.
    std::vector<std::uint8_t> whileOpen;
    w().popaction->OnPopup = [&](TPopupMenu*) {
        whileOpen = {redOfPicture(bar.picture(false)), redOfPicture(bar.picture(true))};
    };
    bar.buttonPress(TPoint{300, 120});
    EXPECT_EQ(whileOpen, (std::vector<std::uint8_t>{30, 60}));
    EXPECT_EQ(bar.state(), TCaptionButtonState::hover);
    bar.buttonLeave();
    EXPECT_EQ(bar.state(), TCaptionButtonState::normal);
    EXPECT_EQ(redOfPicture(bar.picture(false)), 10);
}

// The program's resource script names a drawn file for every caption-bar picture the loader asks for
// at each DPI: the resources are given here as the script lists them, with the files' bytes.
TEST_F(PreparationTest, TheCaptionButtonsPicturesAreLoadedAsDrawnForTheDpi) {
    EXPECT_EQ(giveTheProgramsPictureResources(), 18) << "six pictures at three scales";

    const struct {
        int dpi;
        int percent;
    } cases[] = {{96, 100}, {120, 100}, {144, 150}, {168, 150}, {192, 200}, {288, 200}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.dpi) + " DPI");
        const TNCAPictures pictures = loadNCAPictures(c.dpi);
        // Large 78 x 18 and small 28 x 14 at 100 %.
        for (const TPngPicture* large : {pictures.link.get(), pictures.hover.get(), pictures.action.get()}) {
            const TBitmap32 picture = decodePng(large->bytes);
            EXPECT_EQ(picture.width, 78 * c.percent / 100);
            EXPECT_EQ(picture.height, 18 * c.percent / 100);
        }
        for (const TPngPicture* small :
             {pictures.linkMin.get(), pictures.hoverMin.get(), pictures.actionMin.get()}) {
            const TBitmap32 picture = decodePng(small->bytes);
            EXPECT_EQ(picture.width, 28 * c.percent / 100);
            EXPECT_EQ(picture.height, 14 * c.percent / 100);
        }
    }
}

// The button shows the pictures drawn for its window's scale: where the window starts, and after
// each move to a monitor of another scale (each scale loaded once, then kept).
TEST_F(PreparationTest, TheCaptionButtonShowsThePicturesOfItsWindowsScale) {
    giveTheProgramsPictureResources();
    widgets.setDpi(144);
    TNCAPictureStore pictures;
    remake(&pictures);
    const struct { int dpi, percent; } steps[] = {{144, 150}, {192, 200}, {96, 100}, {144, 150}};
    for (const auto& step : steps) {
        if (step.dpi != w().dpi()) {
            formPeer().moveToMonitor(step.dpi,
                                     boundsRect(10, 10, scaled(540, step.dpi), scaled(433, step.dpi)));
        }
        SCOPED_TRACE(std::to_string(step.dpi) + " DPI");
        const TCaptionToolBar& bar = *w().NCA;
        EXPECT_EQ(bar.pictures(false).normal.width, 78 * step.percent / 100);
        EXPECT_EQ(bar.pictures(false).normal.height, 18 * step.percent / 100);
        EXPECT_EQ(bar.pictures(true).pressed.width, 28 * step.percent / 100);
        EXPECT_EQ(bar.pictures(false).normal, decodePng(pictures.forDpi(step.dpi).link->bytes));
    }
}

TEST_F(PreparationTest, PicturesMissingFromTheResourcesStopTheStart) {
    givePictureResources();
    plat::TTestShell partial; // every picture but one
    for (const wchar_t* name : kPictureNames) {
        if (std::wstring(name) != L"NCABUTTONHOVER_MIN") {
            partial.setResource(L"KORVANE_IMAGES", name, solidPng(4, 4, 1));
        }
    }
    plat::installShellServices(&partial);
    EXPECT_THROW(loadNCAPictures(), std::runtime_error);
    plat::installShellServices(&shell);
    EXPECT_NO_THROW(loadNCAPictures());
}

TEST_F(PreparationTest, TheCaptionButtonDropsDownTheAboutMenuBelowItself) {
    TFrmAbout& about = makeAboutWindow();
    widgets.chooseNext(L"About");
    w().NCA->buttonPress(TPoint{210, 95});

    ASSERT_EQ(widgets.shownMenus().size(), 1u);
    const plat::headless::TShownMenu& menu = widgets.shownMenus()[0];
    EXPECT_EQ(menu.at, (TPoint{210, 95}));
    EXPECT_EQ(menu.owner, w().peer()) << "the menu belongs to the main window";
    ASSERT_EQ(menu.entries.size(), 1u);
    EXPECT_EQ(menu.entries[0].caption, L"About");
    EXPECT_EQ(menu.entries[0].image, *w().Img16->image(18));
    EXPECT_TRUE(about.visible());
}

TEST_F(PreparationTest, AboutTwiceShowsTheSameWindowWithoutMakingItModal) {
    TFrmAbout& about = makeAboutWindow();

    w().About1Click();
    ASSERT_TRUE(about.visible());
    const plat::TControlPeer* shownAs = about.peer();
    EXPECT_FALSE(about.modal());
    EXPECT_EQ(widgets.modalCount(), 0) << "no modal loop: the main window stays usable";
    EXPECT_TRUE(w().enabled());

    // Chosen again while it shows, and again after the user closed it: the same window each time.
    w().About1Click();
    EXPECT_TRUE(about.visible());
    EXPECT_TRUE(about.close());
    EXPECT_FALSE(about.visible());
    widgets.chooseNext(L"About");
    w().NCA->buttonPress(TPoint{0, 0});
    EXPECT_TRUE(about.visible());
    EXPECT_EQ(about.peer(), shownAs);
    EXPECT_EQ(w().aboutWindow(), &about);
    EXPECT_EQ(peerOf(about).owner(), &peerOf(w())) << "it belongs to the main window";
    EXPECT_EQ(widgets.modalCount(), 0);
}

} // namespace
