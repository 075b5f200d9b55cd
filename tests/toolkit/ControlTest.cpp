// The control core over the headless backend: the tree and its ownership, realisation, what the
// property writes tell the peer, input dispatch with clicks, focus, repaint requests and paints.

#include "platform/headless/HeadlessBackend.h"
#include "toolkit/Control.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using plat::headless::headlessPeer;
using plat::headless::THeadlessBackend;
using plat::headless::THeadlessPeer;

namespace {

// A container that logs its hooks and fills itself with its colour.
class TProbe : public TControl {
public:
    explicit TProbe(std::vector<std::string>* log = nullptr, int* destroyed = nullptr)
        : FLog(log), FDestroyed(destroyed) {
        setAcceptsControls(true);
    }
    ~TProbe() override {
        if (FDestroyed != nullptr) {
            ++*FDestroyed;
        }
    }
    bool throwInPaint = false;

protected:
    void paint(TCanvas& canvas) override {
        note("paint");
        if (throwInPaint) {
            throw std::runtime_error("paint failed");
        }
        TControl::paint(canvas);
    }
    void click() override {
        note("click");
        TControl::click();
    }
    void enabledChanged() override {
        note("enabledChanged");
        TControl::enabledChanged();
    }
    void textChanged() override {
        note("textChanged");
        TControl::textChanged();
    }

private:
    void note(const std::string& what) {
        if (FLog != nullptr) {
            FLog->push_back(what);
        }
    }
    std::vector<std::string>* FLog;
    int* FDestroyed;
};

class TLeaf : public TControl {};

class ControlTest : public testing::Test {
protected:
    void SetUp() override { plat::installControlBackend(&backend); }
    void TearDown() override { plat::installControlBackend(nullptr); }
    static THeadlessPeer& peerOf(const TControl& control) {
        THeadlessPeer* peer = headlessPeer(control.peer());
        if (peer == nullptr) {
            throw std::logic_error("control not realised");
        }
        return *peer;
    }

    THeadlessBackend backend;
};

TEST_F(ControlTest, ParentOwnsAndDestroysItsChildren) {
    int destroyed = 0;
    auto root = std::make_unique<TProbe>(nullptr, &destroyed);
    TProbe* a = root->create<TProbe>(nullptr, &destroyed);
    TProbe* b = root->create<TProbe>(nullptr, &destroyed);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(a->create<TProbe>(nullptr, &destroyed), nullptr);
    EXPECT_EQ(root->controlCount(), 2);
    EXPECT_EQ(root->controls(1), b);
    EXPECT_EQ(root->controls(2), nullptr);
    EXPECT_EQ(a->parent(), root.get());

    std::unique_ptr<TControl> handed = root->removeControl(b);
    ASSERT_EQ(handed.get(), b);
    EXPECT_EQ(b->parent(), nullptr);
    EXPECT_EQ(root->controlCount(), 1);
    EXPECT_EQ(root->removeControl(b), nullptr); // no longer a child

    root.reset();
    EXPECT_EQ(destroyed, 3); // root, a and a's child; b belongs to the caller now
    handed.reset();
    EXPECT_EQ(destroyed, 4);
}

TEST_F(ControlTest, FindsControlsByName) {
    TProbe root;
    root.setName(L"frm");
    TProbe* panel = root.create<TProbe>();
    panel->setName(L"pAlert");
    TProbe* button = panel->create<TProbe>();
    button->setName(L"btnAction");
    EXPECT_EQ(root.findControl(L"btnAction"), button);
    EXPECT_EQ(root.findControl(L"pAlert"), panel);
    EXPECT_EQ(root.findControl(L"frm"), &root);
    EXPECT_EQ(panel->findControl(L"frm"), nullptr);
    EXPECT_EQ(root.findControl(L"btnStop"), nullptr);
}

TEST_F(ControlTest, AControlThatTakesNoChildrenRefusesThem) {
    TLeaf leaf;
    EXPECT_EQ(leaf.create<TLeaf>(), nullptr);
    EXPECT_EQ(leaf.controlCount(), 0);
}

TEST_F(ControlTest, RealisesTheTreeAndDropsPeersWithTheControls) {
    TProbe root;
    root.setBounds(0, 0, 300, 200);
    TProbe* panel = root.create<TProbe>();
    panel->setBounds(10, 20, 100, 50);
    panel->setCaption(L"p");
    panel->setEnabled(false);
    panel->setCursor(crHandPoint);
    EXPECT_FALSE(panel->handleAllocated());

    root.createHandle();
    ASSERT_TRUE(panel->handleAllocated());
    THeadlessPeer& peer = peerOf(*panel);
    EXPECT_EQ(peer.parent(), headlessPeer(root.peer()));
    EXPECT_EQ(peer.bounds(), (TRect{10, 20, 110, 70}));
    EXPECT_EQ(peer.text(), L"p");
    EXPECT_FALSE(peer.enabled());
    EXPECT_EQ(peer.cursor(), crHandPoint);
    EXPECT_TRUE(peer.acceptsControls());
    EXPECT_EQ(peer.surface().width(), 100);

    // A child added to a realised parent is realised at once.
    TLeaf* late = panel->create<TLeaf>();
    EXPECT_TRUE(late->handleAllocated());
    EXPECT_EQ(backend.peers().size(), 3u);

    std::unique_ptr<TControl> removed = root.removeControl(panel);
    EXPECT_FALSE(removed->handleAllocated());
    EXPECT_FALSE(late->handleAllocated());
    EXPECT_EQ(backend.peers().size(), 1u);
}

TEST_F(ControlTest, PropertyWritesReachThePeer) {
    TProbe control;
    control.createHandle();
    THeadlessPeer& peer = peerOf(control);
    control.setBounds(5, 6, 70, 80);
    control.setVisible(false);
    control.setEnabled(false);
    control.setCaption(L"text");
    control.setCursor(crHourGlass);
    EXPECT_EQ(peer.bounds(), (TRect{5, 6, 75, 86}));
    EXPECT_EQ(peer.surface().height(), 80);
    EXPECT_FALSE(peer.visible());
    EXPECT_FALSE(peer.enabled());
    EXPECT_EQ(peer.text(), L"text");
    EXPECT_EQ(peer.cursor(), crHourGlass);
    control.setWidth(-4);
    EXPECT_EQ(control.width(), 0);
}

TEST_F(ControlTest, NotificationsOnlyForRealChanges) {
    std::vector<std::string> log;
    TProbe control(&log);
    control.createHandle();
    THeadlessPeer& peer = peerOf(control);
    peer.resetCounts();
    int resized = 0;
    control.OnResize = [&](TControl*) { ++resized; };

    control.setCaption(L"a");
    control.setCaption(L"a");
    control.setEnabled(true); // unchanged
    control.setEnabled(false);
    EXPECT_EQ(log, (std::vector<std::string>{"textChanged", "enabledChanged"}));
    EXPECT_EQ(peer.invalidateCount(), 1); // the enabled change

    control.setColor(0x123456);
    control.recolorFont(0x654321);
    control.recolorFont(0x654321);
    EXPECT_EQ(peer.invalidateCount(), 3);

    control.setLeft(7);
    EXPECT_EQ(resized, 0);
    control.setBounds(7, 0, 40, 40);
    EXPECT_EQ(resized, 1);
    peer.platformResize(TRect{7, 0, 60, 30});
    EXPECT_EQ(resized, 2);
    EXPECT_EQ(control.width(), 53);
    EXPECT_EQ(control.height(), 30);
}

TEST_F(ControlTest, ClickNeedsALeftPressAndReleaseOverTheControl) {
    std::vector<std::string> log;
    TProbe control(&log);
    control.setBounds(0, 0, 40, 20);
    control.createHandle();
    THeadlessPeer& peer = peerOf(control);
    control.OnMouseDown = [&](TControl*, TMouseButton b, int x, int y) {
        log.push_back("down " + std::to_string(static_cast<int>(b)) + " " + std::to_string(x) + "," +
                      std::to_string(y));
    };
    control.OnMouseUp = [&](TControl*, TMouseButton, int, int) { log.push_back("up"); };
    control.OnClick = [&](TControl*) { log.push_back("OnClick"); };

    struct Case {
        const char* name;
        TMouseButton button;
        int releaseX;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"left inside", TMouseButton::mbLeft, 39, {"down 0 3,4", "click", "OnClick", "up"}},
        {"left released outside", TMouseButton::mbLeft, 40, {"down 0 3,4", "up"}},
        {"right", TMouseButton::mbRight, 5, {"down 1 3,4", "up"}},
    };
    for (const Case& c : cases) {
        log.clear();
        peer.mouseDown(c.button, 3, 4);
        peer.mouseUp(c.button, c.releaseX, 4);
        EXPECT_EQ(log, c.expected) << c.name;
    }

    // A release without a press on the control is no click.
    log.clear();
    peer.mouseUp(TMouseButton::mbLeft, 5, 5);
    EXPECT_EQ(log, (std::vector<std::string>{"up"}));
}

TEST_F(ControlTest, ADisabledControlGetsEnterAndLeaveButNoPresses) {
    std::vector<std::string> log;
    TProbe control;
    control.setBounds(0, 0, 40, 20);
    control.createHandle();
    control.OnMouseEnter = [&](TControl*) { log.push_back("enter"); };
    control.OnMouseLeave = [&](TControl*) { log.push_back("leave"); };
    control.OnMouseMove = [&](TControl*, int, int) { log.push_back("move"); };
    control.OnMouseDown = [&](TControl*, TMouseButton, int, int) { log.push_back("down"); };
    control.OnClick = [&](TControl*) { log.push_back("click"); };
    control.setEnabled(false);
    peerOf(control).click(3, 3);
    EXPECT_EQ(log, (std::vector<std::string>{"enter", "leave"}));

    // Disabling between press and release cancels the click.
    control.setEnabled(true);
    log.clear();
    peerOf(control).mouseDown(TMouseButton::mbLeft, 3, 3);
    control.setEnabled(false);
    control.setEnabled(true);
    peerOf(control).mouseUp(TMouseButton::mbLeft, 3, 3);
    EXPECT_EQ(log, (std::vector<std::string>{"down"}));
}

TEST_F(ControlTest, FocusMovesBetweenControls) {
    TProbe root;
    TProbe* a = root.create<TProbe>();
    TProbe* b = root.create<TProbe>();
    root.createHandle();
    std::vector<std::string> log;
    a->OnEnter = [&](TControl*) { log.push_back("a enter"); };
    a->OnExit = [&](TControl*) { log.push_back("a exit"); };
    b->OnEnter = [&](TControl*) { log.push_back("b enter"); };
    a->setFocus();
    b->setFocus();
    EXPECT_EQ(log, (std::vector<std::string>{"a enter", "a exit", "b enter"}));
    EXPECT_FALSE(a->focused());
    EXPECT_TRUE(b->focused());
    root.removeControl(b).reset();
    EXPECT_EQ(backend.focused(), nullptr);
}

TEST_F(ControlTest, RepaintRequestsWaitForThePaintCycleAndPaintNowPaintsAtOnce) {
    std::vector<std::string> log;
    TProbe control(&log);
    control.setBounds(0, 0, 4, 3);
    control.setColor(0x0000FF);
    control.createHandle();
    THeadlessPeer& peer = peerOf(control);
    EXPECT_TRUE(peer.repaintRequested()); // a new window paints at the first cycle
    EXPECT_EQ(backend.paintCycle(), 1);
    EXPECT_EQ(backend.paintCycle(), 0);
    EXPECT_EQ(peer.surface().at(3, 2), 0x0000FFu);

    log.clear();
    control.invalidate();
    control.invalidate();
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(peer.invalidateCount(), 2);
    EXPECT_EQ(backend.paintCycle(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"paint"}));

    log.clear();
    control.paintNow();
    EXPECT_EQ(log, (std::vector<std::string>{"paint"}));
    EXPECT_FALSE(peer.repaintRequested());

    // Hidden controls do not paint; a failing paint does not escape.
    control.setVisible(false);
    log.clear();
    control.paintNow();
    control.invalidate();
    EXPECT_EQ(backend.paintCycle(), 0);
    EXPECT_TRUE(log.empty());
    control.setVisible(true);
    control.throwInPaint = true;
    EXPECT_NO_THROW(control.paintNow());
}

TEST(ControlWithoutBackend, StaysDataAndIgnoresPaints) {
    plat::installControlBackend(nullptr);
    TProbe control;
    control.createHandle();
    EXPECT_FALSE(control.handleAllocated());
    control.invalidate();
    control.paintNow();
    control.setCaption(L"x");
    EXPECT_EQ(control.caption(), L"x");
}

} // namespace
