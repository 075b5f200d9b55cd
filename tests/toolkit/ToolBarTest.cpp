// The flat toolbar and its buttons: images from the bar's list, captions, the hover, pressed and
// disabled looks, clicks, and the drop-down menu shown below the button.

#include "toolkit/Form.h"
#include "toolkit/ToolBar.h"

#include "toolkit/WidgetFixture.h"

using rastertest::countOf;
using rastertest::regionIs;
using rastertest::TPngOnFailure;

namespace {

constexpr TRGBA kIconPixel{200, 0, 0, 255};

class ToolBarTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        icons.add(TBitmap32(16, 16, kIconPixel));
        form.setBounds(100, 50, 300, 200);
        bar = form.create<TW7ToolBar>();
        bar->setBounds(5, 10, 290, 30);
        bar->setImages(&icons);
        button = bar->create<TW7ToolButton>();
        button->setBounds(4, 2, 122, 25);
        button->setImageIndex(0);
        form.show();
    }

    TImageList icons{16, 16};
    TForm form;
    TW7ToolBar* bar = nullptr;
    TW7ToolButton* button = nullptr;
};

} // namespace

TEST_F(ToolBarTest, ButtonShowsImageAndCaptionInItsLooks) {
    TFont font;
    font.color = hexColor(0x1E395B);
    button->setFont(font);
    button->setCaption(L"Backup Checked"); // 14 cells of 5 px after a 16 px image and a 4 px gap
    const int contentLeft = (122 - (16 + 4 + 70)) / 2;
    {
        auto& surface = painted(*button);
        TPngOnFailure keep(surface, "rest");
        EXPECT_TRUE(regionIs(surface, TRect{contentLeft, 4, contentLeft + 16, 20}, hexColor(0xC80000)));
        EXPECT_GT(countOf(surface, TRect{contentLeft + 20, 0, 122, 25}, hexColor(0x1E395B)), 0);
        EXPECT_EQ(surface.at(0, 0), bar->color()); // flat: no frame at rest
    }
    peerOf(*button).mouseEnter();
    peerOf(*button).mouseMove(5, 5);
    {
        auto& surface = painted(*button);
        TPngOnFailure keep(surface, "hover");
        EXPECT_EQ(surface.at(0, 0), TW7ToolButton::kHoverFrame);
        EXPECT_EQ(surface.at(1, 1), TW7ToolButton::kHoverFill);
    }
    peerOf(*button).mouseDown(TMouseButton::mbLeft, 5, 5);
    EXPECT_EQ(painted(*button).at(0, 0), TW7ToolButton::kPressedFrame);
    peerOf(*button).mouseUp(TMouseButton::mbLeft, 5, 5);
    peerOf(*button).mouseLeave();
    EXPECT_EQ(painted(*button).at(0, 0), bar->color());

    // Disabled: grey caption, faded image, and no hover look.
    button->setEnabled(false);
    peerOf(*button).mouseEnter();
    auto& surface = painted(*button);
    TPngOnFailure keep(surface, "disabled");
    EXPECT_EQ(surface.at(0, 0), bar->color());
    EXPECT_EQ(countOf(surface, button->clientRect(), hexColor(0x1E395B)), 0);
    EXPECT_GT(countOf(surface, button->clientRect(), TW7ToolButton::kDisabledText), 0);
    const TColor faded = surface.at(contentLeft + 8, 12);
    EXPECT_NE(faded, hexColor(0xC80000));
    EXPECT_GT(redOf(faded), 200 / 2);
}

TEST_F(ToolBarTest, ImageAloneIsCentredAndTheBarDrawsItsBottomLine) {
    button->setBounds(100, 3, 28, 24);
    auto& surface = painted(*button);
    TPngOnFailure keep(surface);
    EXPECT_TRUE(regionIs(surface, TRect{6, 4, 22, 20}, hexColor(0xC80000)));
    auto& barSurface = painted(*bar);
    EXPECT_TRUE(regionIs(barSurface, TRect{0, 29, 290, 30}, bar->lineColor()));
    EXPECT_TRUE(regionIs(barSurface, TRect{0, 0, 290, 29}, bar->color()));
    // An index outside the list draws no image.
    button->setImageIndex(5);
    EXPECT_EQ(countOf(painted(*button), button->clientRect(), hexColor(0xC80000)), 0);
}

TEST_F(ToolBarTest, ClickRaisesOnClickThenDropsDownItsMenuBelowTheButton) {
    int clicks = 0;
    button->OnClick = [&](TControl*) { ++clicks; };
    peerOf(*button).click(5, 5);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(widgets.shownMenus().empty());

    TPopupMenu menu;
    bool about = false;
    menu.items().addItem(L"About", -1, [&](TMenuItem*) { about = true; });
    button->setDropdownMenu(&menu);
    widgets.chooseNext(L"About");
    peerOf(*button).click(5, 5);
    EXPECT_EQ(clicks, 2);
    ASSERT_EQ(widgets.shownMenus().size(), 1u);
    // The form's client area starts at (100, 50); the bar at (5, 10) in it, the button at (4, 2) in
    // the bar and 25 high: its bottom-left corner.
    EXPECT_EQ(widgets.shownMenus()[0].at, (TPoint{100 + 5 + 4, 50 + 10 + 2 + 25}));
    EXPECT_TRUE(about);
    // A disabled button does nothing.
    button->setEnabled(false);
    peerOf(*button).click(5, 5);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(widgets.shownMenus().size(), 1u);
}
