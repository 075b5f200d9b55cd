// The image button: its picture per state, its own enabled flag, and clicks raised regardless.

#include "StyledFixture.h"
#include "ui/styled/SEImages.h"
#include "ui/styled/SEPanel.h"

#include <functional>
#include <string>
#include <vector>

using plat::headless::THeadlessPeer;
using rastertest::regionIs;
using rastertest::TPngOnFailure;

namespace {

TBitmap32 solid(int w, int h, std::uint8_t r) {
    return TBitmap32(w, h, TRGBA{r, 0, 0, 255});
}

class ImageTest : public StyledTest {
protected:
    ImageTest()
        : normal(solid(4, 3, 1)), hover(solid(4, 3, 2)), action(solid(4, 3, 3)), disabled(solid(4, 3, 4)) {}
    void SetUp() override {
        StyledTest::SetUp();
        host.create<TSEImage>();
        image = static_cast<TSEImage*>(host.controls(0));
        image->setPictureNormal(normal);
        image->setPictureHover(hover);
        image->setPictureAction(action);
        image->setPictureDisabled(disabled);
        image->setEnabled(true); // shows the normal picture
        host.createHandle();
        peer = &peerOf(*image);
        image->OnClick = [this](TControl*) { events.push_back("click"); };
        image->OnMouseDown = [this](TControl*, TMouseButton, int, int) { events.push_back("down"); };
        image->OnMouseUp = [this](TControl*, TMouseButton, int, int) { events.push_back("up"); };
        image->OnMouseEnter = [this](TControl*) { events.push_back("enter"); };
        image->OnMouseLeave = [this](TControl*) { events.push_back("leave"); };
    }

    TBitmap32 normal, hover, action, disabled;
    TSEPanel host;
    TSEImage* image = nullptr;
    THeadlessPeer* peer = nullptr;
    std::vector<std::string> events;
};

TEST_F(ImageTest, ConstructorValues) {
    TSEImage fresh;
    EXPECT_TRUE(fresh.autoSize());
    EXPECT_EQ(fresh.cursor(), crHandPoint);
    EXPECT_TRUE(fresh.enabled());
    EXPECT_TRUE(fresh.picture().empty());
    EXPECT_TRUE(fresh.pictureNormal().empty());
    EXPECT_TRUE(fresh.pictureHover().empty());
    EXPECT_TRUE(fresh.pictureAction().empty());
    EXPECT_TRUE(fresh.pictureDisabled().empty());
}

TEST_F(ImageTest, StatesWhenEnabled) {
    struct Step {
        const char* name;
        std::function<void()> action;
        const TBitmap32* shown;
    };
    const std::vector<Step> steps = {
        {"enter", [&] { peer->mouseEnter(); }, &hover},
        {"right press", [&] { peer->mouseDown(TMouseButton::mbRight, 1, 1); }, &action},
        {"right release over it", [&] { peer->mouseUp(TMouseButton::mbRight, 1, 1); }, &normal},
        {"left press", [&] { peer->mouseDown(TMouseButton::mbLeft, 1, 1); }, &action},
        {"left release over it", [&] { peer->mouseUp(TMouseButton::mbLeft, 1, 1); }, &normal},
        {"leave", [&] { peer->mouseLeave(); }, &normal},
        {"enter again", [&] { peer->mouseEnter(); }, &hover},
        {"leave again", [&] { peer->mouseLeave(); }, &normal},
    };
    for (const Step& step : steps) {
        step.action();
        EXPECT_EQ(image->picture(), *step.shown) << step.name;
    }
    // Its handling replaces the events, but the left click is still raised.
    EXPECT_EQ(events, std::vector<std::string>{"click"});
}

TEST_F(ImageTest, DisabledShowsItsPictureAndDefaultCursorYetStillClicks) {
    image->setEnabled(false);
    EXPECT_EQ(image->picture(), disabled);
    EXPECT_EQ(image->cursor(), crDefault);
    EXPECT_EQ(peer->cursor(), crDefault);
    EXPECT_TRUE(static_cast<TControl*>(image)->enabled()); // the toolkit's flag is untouched
    peer->click(1, 1);
    EXPECT_EQ(image->picture(), disabled);
    EXPECT_EQ(events, std::vector<std::string>{"click"});

    image->setEnabled(true);
    EXPECT_EQ(image->picture(), normal);
    EXPECT_EQ(image->cursor(), crHandPoint);
}

TEST_F(ImageTest, PicturesAreCopiedAndShownAtTheNextStateChange) {
    TBitmap32 other = solid(4, 3, 9);
    image->setPictureNormal(other);
    other.at(0, 0).r = 77; // the image keeps its own copy
    EXPECT_EQ(image->picture(), normal);
    peer->mouseEnter();
    peer->mouseLeave();
    EXPECT_EQ(image->picture(), solid(4, 3, 9));

    image->setStatePicture(7, solid(1, 1, 1)); // no such state: ignored
    image->setPictureHover(TBitmap32());
    peer->mouseEnter();
    EXPECT_TRUE(image->picture().empty()); // an empty hover picture shows nothing
}

TEST_F(ImageTest, SizesItselfToThePictureAndPaintsItOverTheParent) {
    EXPECT_EQ(image->width(), 4);
    EXPECT_EQ(image->height(), 3);
    TBitmap32 big(6, 5, TRGBA{0, 0, 0, 0});
    big.at(1, 1) = TRGBA{0, 0, 255, 255};
    image->setPictureHover(big);
    peer->mouseEnter();
    EXPECT_EQ(image->width(), 6);
    EXPECT_EQ(image->height(), 5);
    const plat::headless::TRasterCanvas& surface = painted(*image);
    TPngOnFailure png(surface);
    EXPECT_EQ(surface.at(1, 1), RGBColor(0, 0, 255));
    EXPECT_EQ(surface.at(0, 0), host.backgroundColor());
}

} // namespace
