// The notification behaviour every styled control inherits, seen through a panel (which keeps all
// of it) and the progress bar (whose caption is the control text).

#include "StyledFixture.h"
#include "ui/styled/SEPanel.h"
#include "ui/styled/SEProgressBar.h"

#include <functional>
#include <string>
#include <vector>

using plat::headless::THeadlessPeer;

namespace {

using SEControlTest = StyledTest;

TEST_F(SEControlTest, NotificationsRequestRepaintsAndTrackTheLeftButton) {
    TSEPanel panel;
    THeadlessPeer& peer = realise(panel, 100, 100);
    std::vector<std::string> events;
    panel.OnMouseEnter = [&](TControl*) { events.push_back("enter"); };
    panel.OnMouseLeave = [&](TControl*) { events.push_back("leave"); };
    panel.OnMouseMove = [&](TControl*, int, int) { events.push_back("move"); };
    panel.OnMouseDown = [&](TControl*, TMouseButton, int, int) { events.push_back("down"); };
    panel.OnMouseUp = [&](TControl*, TMouseButton, int, int) { events.push_back("up"); };

    struct Step {
        const char* name;
        std::function<void()> action;
        bool requests;
        bool mouseInClient;
        bool leftPressed;
        std::vector<std::string> events;
    };
    const std::vector<Step> steps = {
        {"enter", [&] { peer.mouseEnter(); }, true, false, false, {"enter"}},
        {"move", [&] { peer.mouseMove(5, 5); }, false, true, false, {}},
        {"right press", [&] { peer.mouseDown(TMouseButton::mbRight, 5, 5); }, true, true, false, {"down"}},
        {"right release", [&] { peer.mouseUp(TMouseButton::mbRight, 5, 5); }, true, true, false, {"up"}},
        {"left press", [&] { peer.mouseDown(TMouseButton::mbLeft, 5, 5); }, true, true, true, {"down"}},
        {"left release", [&] { peer.mouseUp(TMouseButton::mbLeft, 5, 5); }, true, true, false, {"up"}},
        {"press again", [&] { peer.mouseDown(TMouseButton::mbLeft, 5, 5); }, true, true, true, {"down"}},
        {"focus gained", [&] { panel.setFocus(); }, true, true, true, {}},
        {"focus lost", [&] { backend.moveFocus(nullptr); }, true, true, false, {}},
        {"press once more", [&] { peer.mouseDown(TMouseButton::mbLeft, 5, 5); }, true, true, true, {"down"}},
        {"disabled", [&] { panel.setEnabled(false); }, true, true, false, {}},
        {"enabled", [&] { panel.setEnabled(true); }, true, true, false, {}},
        {"text changed", [&] { static_cast<TControl&>(panel).setCaption(L"t"); }, true, true, false, {}},
        {"leave", [&] { peer.mouseLeave(); }, true, false, false, {"leave"}},
    };
    for (const Step& step : steps) {
        peer.resetCounts();
        events.clear();
        step.action();
        EXPECT_EQ(peer.invalidateCount() > 0, step.requests) << step.name;
        EXPECT_EQ(peer.paintCount(), 0) << step.name;
        EXPECT_EQ(panel.MouseInClient(), step.mouseInClient) << step.name;
        EXPECT_EQ(panel.leftButtonPressed(), step.leftPressed) << step.name;
        EXPECT_EQ(events, step.events) << step.name;
    }
}

TEST_F(SEControlTest, ProgressBarCaptionIsTheControlTextAndNeverDrawn) {
    TSEProgressBar bar;
    THeadlessPeer& peer = realise(bar, 50, 6);
    const plat::headless::TRasterCanvas before = painted(bar);
    peer.resetCounts();
    bar.setCaption(L"text");
    EXPECT_EQ(peer.text(), L"text");
    EXPECT_TRUE(peer.repaintRequested());
    backend.paintCycle();
    for (int x = 0; x < 50; ++x) {
        for (int y = 0; y < 6; ++y) {
            ASSERT_EQ(peer.surface().at(x, y), before.at(x, y));
        }
    }
}

} // namespace
