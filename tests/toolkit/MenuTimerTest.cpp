// Pop-up menus (what shows, images, sub-menus, the chosen item's click), timers (periodic, one-shot,
// stopped) and the marquee progress bar that a timer moves.

#include "toolkit/Menu.h"
#include "toolkit/Timer.h"
#include "toolkit/VistaProBar.h"

#include "toolkit/WidgetFixture.h"

using rastertest::countOf;
using rastertest::regionIs;
using rastertest::TPngOnFailure;

namespace {

using MenuTest = WidgetTest;
using TimerTest = WidgetTest;

std::vector<std::wstring> captionsOf(const std::vector<plat::TMenuEntry>& entries) {
    std::vector<std::wstring> captions;
    for (const plat::TMenuEntry& entry : entries) {
        captions.push_back(entry.separator ? L"-" : entry.caption);
    }
    return captions;
}

} // namespace

TEST_F(MenuTest, ShowsTheVisibleItemsAfterOnPopupAndClicksTheChosenOne) {
    TImageList images(16, 16);
    images.add(TBitmap32(16, 16, TRGBA{1, 2, 3, 255}));
    images.add(TBitmap32(16, 16, TRGBA{4, 5, 6, 255}));
    TPopupMenu menu;
    menu.setImages(&images);
    std::vector<std::wstring> clicked;
    auto note = [&](TMenuItem* item) { clicked.push_back(item->caption()); };
    menu.items().addItem(L"Full Expand", 1, note);
    menu.items().addItem(L"-");
    TMenuItem* stream = menu.items().addItem(L"Copy full ADS Path", 0, note);
    TMenuItem* disabled = menu.items().addItem(L"Disabled", -1, note);
    disabled->setEnabled(false);
    TMenuItem* drives = menu.items().addItem(L"Scan Target NTFS Drive");
    drives->addItem(L"C:\\", 7, note); // an index outside the list: no image
    bool streamRow = false;
    int popups = 0;
    menu.OnPopup = [&](TPopupMenu*) {
        ++popups;
        stream->setVisible(streamRow);
    };

    menu.Popup(10, 20);
    ASSERT_EQ(widgets.shownMenus().size(), 1u);
    const plat::headless::TShownMenu& shown = widgets.shownMenus()[0];
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(shown.at, (TPoint{10, 20}));
    EXPECT_EQ(captionsOf(shown.entries),
              (std::vector<std::wstring>{L"Full Expand", L"-", L"Disabled", L"Scan Target NTFS Drive"}));
    EXPECT_EQ(shown.entries[0].image.at(0, 0), (TRGBA{4, 5, 6, 255}));
    EXPECT_TRUE(shown.entries[2].image.empty());
    EXPECT_FALSE(shown.entries[2].enabled);
    ASSERT_EQ(shown.entries[3].items.size(), 1u);
    EXPECT_TRUE(shown.entries[3].items[0].image.empty());
    EXPECT_TRUE(clicked.empty()); // nothing chosen

    streamRow = true;
    widgets.chooseNext(L"Copy full ADS Path");
    menu.Popup(0, 0);
    EXPECT_EQ(captionsOf(widgets.shownMenus()[1].entries).size(), 5u);
    widgets.chooseNext(L"C:\\"); // in the sub-menu
    menu.Popup(0, 0);
    widgets.chooseNext(L"Disabled"); // cannot be chosen
    menu.Popup(0, 0);
    EXPECT_EQ(clicked, (std::vector<std::wstring>{L"Copy full ADS Path", L"C:\\"}));

    // Nothing visible: nothing shows, though OnPopup ran.
    for (int i = 0; i < menu.items().count(); ++i) {
        menu.items().items(i)->setVisible(i == 1); // only the separator
    }
    menu.OnPopup = nullptr;
    menu.Popup(0, 0);
    EXPECT_EQ(widgets.shownMenus().size(), 4u);
}

TEST_F(MenuTest, SeparatorsLeftAtAnEndOrTwoInARowByHiddenItemsAreNotShown) {
    struct TCase {
        std::vector<bool> shown; // for A, -, B, -, C
        std::vector<std::wstring> expected;
    };
    const TCase cases[] = {
        {{true, true, true, true, true}, {L"A", L"-", L"B", L"-", L"C"}},
        {{false, true, true, true, true}, {L"B", L"-", L"C"}},
        {{true, true, true, true, false}, {L"A", L"-", L"B"}},
        {{true, true, false, true, true}, {L"A", L"-", L"C"}},
        {{true, true, false, true, false}, {L"A"}},
    };
    for (const TCase& c : cases) {
        TPopupMenu menu;
        const wchar_t* captions[] = {L"A", L"-", L"B", L"-", L"C"};
        for (std::size_t i = 0; i < 5; ++i) {
            menu.items().addItem(captions[i])->setVisible(c.shown[i]);
        }
        EXPECT_EQ(captionsOf(menu.visibleEntries()), c.expected);
    }
    // The same within a sub-menu.
    TPopupMenu menu;
    TMenuItem* sub = menu.items().addItem(L"Sub");
    sub->addItem(L"-");
    sub->addItem(L"D");
    sub->addItem(L"-");
    const std::vector<plat::TMenuEntry> entries = menu.visibleEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(captionsOf(entries[0].items), (std::vector<std::wstring>{L"D"}));
}

TEST_F(TimerTest, FiresWhileEnabledAndOneShotOnlyOnce) {
    TTimer periodic;
    int ticks = 0;
    periodic.OnTimer = [&](TTimer*) { ++ticks; };
    periodic.setInterval(25);
    ASSERT_TRUE(periodic.running());
    ASSERT_EQ(widgets.timers().size(), 1u);
    EXPECT_EQ(widgets.timers()[0]->interval(), 25u);
    widgets.fireTimers();
    widgets.fireTimers();
    EXPECT_EQ(ticks, 2);
    periodic.setEnabled(false);
    EXPECT_FALSE(periodic.running());
    EXPECT_EQ(widgets.fireTimers(), 0);
    periodic.setEnabled(true);
    periodic.setInterval(0); // no interval: stopped
    EXPECT_FALSE(periodic.running());
    periodic.setInterval(5);

    TTimer once;
    once.setEnabled(false);
    once.setInterval(1);
    once.setOneShot(true);
    int onceTicks = 0;
    bool enabledInHandler = true;
    once.OnTimer = [&](TTimer* sender) {
        ++onceTicks;
        enabledInHandler = sender->enabled();
    };
    EXPECT_FALSE(once.running());
    once.setEnabled(true);
    widgets.fireTimers();
    widgets.fireTimers();
    EXPECT_EQ(onceTicks, 1);
    EXPECT_FALSE(enabledInHandler);
    EXPECT_FALSE(once.enabled());
    EXPECT_EQ(ticks, 4); // the periodic one went on

    // A handler that stops its own periodic timer (the window's one-shot re-layout) ends it too.
    periodic.OnTimer = [&](TTimer* sender) {
        ++ticks;
        sender->setEnabled(false);
    };
    widgets.fireTimers();
    widgets.fireTimers();
    EXPECT_EQ(ticks, 5);

    // Without services a timer never runs.
    plat::installWidgetServices(nullptr);
    TTimer unserved;
    EXPECT_FALSE(unserved.running());
}

TEST_F(TimerTest, MarqueeMovesOnlyWhileItRuns) {
    TVistaProBar bar;
    realise(bar, 202, 10); // 200 px inside a one-pixel frame
    bar.setColor(hexColor(0x80FF00));
    bar.setMarqueeBlock(40);
    bar.setFade(30);
    bar.setSpeed(25);
    EXPECT_FALSE(bar.marqueeTimer().running());

    bar.setMarquee(true);
    ASSERT_TRUE(bar.marqueeTimer().running());
    EXPECT_EQ(bar.marqueeTimer().interval(), 25u);
    const int start = bar.marqueeOffset();
    for (int i = 0; i < 30; ++i) {
        widgets.fireTimers();
    }
    const int moved = bar.marqueeOffset();
    EXPECT_EQ(moved, start + 30 * TVistaProBar::kStep);
    {
        auto& surface = painted(bar);
        TPngOnFailure keep(surface, "marquee");
        // The full block at 1 + offset, 40 px, faded ends on both sides, background beyond.
        const int left = 1 + moved;
        EXPECT_TRUE(regionIs(surface, TRect{left, 1, left + 40, 9}, hexColor(0x80FF00)));
        EXPECT_NE(surface.at(left - 1, 5), hexColor(0x80FF00));
        EXPECT_NE(surface.at(left - 1, 5), bar.backgroundColor());
        EXPECT_EQ(surface.at(left - 31, 5), bar.backgroundColor());
        EXPECT_EQ(surface.at(left + 70, 5), bar.backgroundColor());
        EXPECT_TRUE(regionIs(surface, TRect{0, 0, 202, 1}, bar.borderColor()));
    }
    // It comes round again from the left.
    for (int i = 0; i < 200; ++i) {
        widgets.fireTimers();
    }
    EXPECT_LE(bar.marqueeOffset(), 200 + 30);
    EXPECT_GE(bar.marqueeOffset(), -(40 + 30));

    bar.setMarquee(false);
    EXPECT_FALSE(bar.marqueeTimer().running());
    const int stopped = bar.marqueeOffset();
    EXPECT_EQ(widgets.fireTimers(), 0);
    EXPECT_EQ(bar.marqueeOffset(), stopped);

    // Normal mode: position of max.
    bar.setMax(4);
    bar.setPosition(1);
    auto& surface = painted(bar);
    TPngOnFailure keep(surface, "position");
    EXPECT_EQ(bar.fillWidth(), 50);
    EXPECT_TRUE(regionIs(surface, TRect{1, 1, 51, 9}, hexColor(0x80FF00)));
    EXPECT_TRUE(regionIs(surface, TRect{51, 1, 201, 9}, bar.backgroundColor()));
    bar.setMax(0);
    EXPECT_EQ(bar.fillWidth(), 0);
    bar.setMax(4);
    bar.setPosition(9);
    EXPECT_EQ(bar.fillWidth(), 200);
}
