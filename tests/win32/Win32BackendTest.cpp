// The Windows toolkit backend with real windows: realisation as a window tree, repaint requests and
// synchronous paints, bounds both ways, the pointer as the platform reports it (enter, leave through
// mouse tracking, capture), focus, the cursor, and destruction.

#include "platform/win32/Win32Backend.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Dispatcher.h"
#include "platform/win32/Win32Gdi.h"
#include "toolkit/Control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using plat::win32::captureClientArea;
using plat::win32::clientToScreen;
using plat::win32::movePointerTo;
using plat::win32::windowOf;

namespace {

constexpr TColor kFormFill = hexColor(0x336699);
constexpr TColor kChildFill = hexColor(0xF0C020);
constexpr TColor kInnerFill = hexColor(0x20B040);
constexpr TPoint kFarAway{1270, 1010}; // a corner of the test display, away from every window

// A control that fills itself with one colour and writes down what happens to it.
class TProbe : public TControl {
public:
    explicit TProbe(TColor fill) : fill(fill) { setAcceptsControls(true); }

    TColor fill;
    int paints = 0;
    std::vector<std::string> log;

    bool logged(const std::string& entry) const {
        return std::find(log.begin(), log.end(), entry) != log.end();
    }

protected:
    void paint(TCanvas& canvas) override {
        ++paints;
        canvas.brush().setColor(fill);
        canvas.FillRect(clientRect());
    }
    void mouseEnter() override { log.push_back("enter"); }
    void mouseLeave() override { log.push_back("leave"); }
    void mouseDown(TMouseButton, int x, int y) override { log.push_back(at("down", x, y)); }
    void mouseUp(TMouseButton, int x, int y) override { log.push_back(at("up", x, y)); }
    void click() override { log.push_back("click"); }
    void focusGained() override { log.push_back("focus"); }
    void focusLost() override { log.push_back("blur"); }
    void resize() override { log.push_back("resize"); }

private:
    static std::string at(const char* what, int x, int y) {
        return std::string(what) + " " + std::to_string(x) + "," + std::to_string(y);
    }
};

// One form for the whole suite (Wine without a window manager takes seconds to close a top-level
// window); each test gets a fresh child with a child of its own.
class Win32BackendTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        plat::installControlBackend(&backend);
        form = new TProbe(kFormFill);
        form->setBounds(100, 100, 200, 120);
        form->createHandle();
        plat::win32::bringToFront(windowOf(form->peer()));
    }
    static void TearDownTestSuite() {
        delete form;
        form = nullptr;
        plat::installControlBackend(nullptr);
    }
    void SetUp() override {
        movePointerTo(kFarAway);
        form->setBounds(100, 100, 200, 120);
        child = form->create<TProbe>(kChildFill);
        child->setBounds(20, 10, 60, 40);
        inner = child->create<TProbe>(kInnerFill);
        inner->setBounds(5, 5, 10, 10);
        serveUntil([&] { return child->paints > 0 && inner->paints > 0; });
        form->paints = 0;
        form->log.clear();
        child->log.clear();
    }
    void TearDown() override {
        movePointerTo(kFarAway);
        while (form->controlCount() > 0) {
            form->removeControl(form->controls(0)).reset();
        }
        serveFor(50ms);
    }

    static bool serveUntil(const std::function<bool()>& done) {
        return plat::win32::serveMessagesUntil(done, 3000ms);
    }
    static void serveFor(std::chrono::milliseconds time) {
        plat::win32::serveMessagesUntil([] { return false; }, time);
    }
    static void* formWindow() { return windowOf(form->peer()); }
    static TPoint onScreen(const TControl& control, int x, int y) {
        return clientToScreen(windowOf(control.peer()), TPoint{x, y});
    }

    static inline plat::win32::TWin32Backend backend;
    static inline TProbe* form = nullptr;
    TProbe* child = nullptr;
    TProbe* inner = nullptr;
};

TEST_F(Win32BackendTest, TheTreeBecomesWindowsPaintedAtTheirBounds) {
    ASSERT_NE(formWindow(), nullptr);
    ASSERT_NE(windowOf(child->peer()), nullptr);
    ASSERT_NE(windowOf(inner->peer()), nullptr);
    EXPECT_EQ(onScreen(*form, 0, 0), (TPoint{100, 100}))
        << "a top-level control's bounds are its client area";
    EXPECT_EQ(onScreen(*child, 0, 0), (TPoint{120, 110}));

    const plat::win32::TScreenPicture shot = captureClientArea(formWindow());
    ASSERT_EQ(shot.width, 200);
    ASSERT_EQ(shot.height, 120);
    EXPECT_EQ(shot.at(0, 0), kFormFill);
    EXPECT_EQ(shot.at(20, 10), kChildFill);
    EXPECT_EQ(shot.at(79, 49), kChildFill);
    EXPECT_EQ(shot.at(80, 50), kFormFill);
    EXPECT_EQ(shot.at(25, 15), kInnerFill);
    EXPECT_EQ(shot.at(34, 24), kInnerFill);
    EXPECT_EQ(shot.at(35, 25), kChildFill);
}

TEST_F(Win32BackendTest, RepaintRequestsWaitForThePaintCycleAndAreServedOnce) {
    const int before = child->paints;
    child->fill = hexColor(0x884422);
    child->invalidate();
    child->invalidate();
    child->invalidate();
    EXPECT_EQ(child->paints, before) << "a request paints nothing by itself";
    serveFor(200ms);
    EXPECT_EQ(child->paints, before + 1);
    EXPECT_EQ(captureClientArea(formWindow()).at(40, 30), hexColor(0x884422));
    EXPECT_EQ(form->paints, 0) << "the parent was not asked to paint";
}

TEST_F(Win32BackendTest, ASynchronousPaintIsOnTheScreenWhenItReturns) {
    const int before = child->paints;
    child->fill = hexColor(0x123456);
    child->paintNow();
    EXPECT_EQ(child->paints, before + 1);
    // Wine hands a window's pixels to the X server when messages are next served.
    serveFor(100ms);
    EXPECT_EQ(child->paints, before + 1) << "nothing was left due";
    EXPECT_EQ(captureClientArea(formWindow()).at(40, 30), hexColor(0x123456));
}

TEST_F(Win32BackendTest, AHiddenControlDoesNotPaintAndItsParentShowsThrough) {
    child->setVisible(false);
    const int before = child->paints;
    child->paintNow();
    serveFor(200ms);
    EXPECT_EQ(child->paints, before);
    EXPECT_EQ(captureClientArea(formWindow()).at(40, 30), kFormFill);

    child->setVisible(true);
    serveFor(200ms);
    EXPECT_GT(child->paints, before);
    EXPECT_EQ(captureClientArea(formWindow()).at(40, 30), kChildFill);
}

TEST_F(Win32BackendTest, BoundsGoToTheWindowAndTheUsersResizeComesBack) {
    child->setBounds(100, 60, 50, 30);
    EXPECT_EQ(std::count(child->log.begin(), child->log.end(), "resize"), 1) << "not echoed by the window";
    serveFor(200ms);
    plat::win32::TScreenPicture shot = captureClientArea(formWindow());
    EXPECT_EQ(shot.at(100, 60), kChildFill);
    EXPECT_EQ(shot.at(149, 89), kChildFill);
    EXPECT_EQ(shot.at(30, 20), kFormFill);

    plat::win32::resizeAsUser(formWindow(), 260, 150);
    EXPECT_EQ(form->width(), 260);
    EXPECT_EQ(form->height(), 150);
    EXPECT_EQ(form->left(), 100);
    EXPECT_TRUE(form->logged("resize"));
    serveFor(200ms);
    shot = captureClientArea(formWindow());
    ASSERT_EQ(shot.width, 260);
    EXPECT_EQ(shot.at(259, 149), kFormFill) << "painted in the new size";
}

TEST_F(Win32BackendTest, ThePointerEntersMovesAndLeavesThroughMouseTracking) {
    movePointerTo(onScreen(*child, 30, 20));
    ASSERT_TRUE(serveUntil([&] { return child->logged("enter"); })) << "no pointer enter";
    EXPECT_EQ(child->log.front(), "enter") << "the enter comes before any move";

    movePointerTo(onScreen(*form, 150, 100));
    ASSERT_TRUE(serveUntil([&] { return child->logged("leave"); })) << "no pointer leave";
    EXPECT_EQ(std::count(child->log.begin(), child->log.end(), "enter"), 1);
}

TEST_F(Win32BackendTest, APressAndReleaseOverTheControlIsAClick) {
    movePointerTo(onScreen(*child, 30, 20));
    ASSERT_TRUE(serveUntil([&] { return child->logged("enter"); }));
    plat::win32::pressLeftButton();
    ASSERT_TRUE(serveUntil([&] { return child->logged("down 30,20"); }));
    plat::win32::releaseLeftButton();
    ASSERT_TRUE(serveUntil([&] { return child->logged("up 30,20"); }));
    EXPECT_TRUE(child->logged("click"));
    EXPECT_FALSE(form->logged("click"));
}

TEST_F(Win32BackendTest, APressCapturesThePointerUntilTheRelease) {
    movePointerTo(onScreen(*child, 30, 20));
    ASSERT_TRUE(serveUntil([&] { return child->logged("enter"); }));
    plat::win32::pressLeftButton();
    ASSERT_TRUE(serveUntil([&] { return child->logged("down 30,20"); }));
    movePointerTo(onScreen(*child, 120, 70)); // over the form, outside the child
    serveFor(100ms);
    plat::win32::releaseLeftButton();
    ASSERT_TRUE(serveUntil([&] { return child->logged("up 120,70"); }))
        << "the release goes to the pressed control";
    EXPECT_FALSE(child->logged("click")) << "released outside";
    EXPECT_FALSE(form->logged("up 140,80")) << "the control under the pointer got nothing";
}

TEST_F(Win32BackendTest, ADisabledControlGetsNoPresses) {
    child->setEnabled(false);
    movePointerTo(onScreen(*child, 30, 20));
    serveFor(100ms);
    plat::win32::pressLeftButton();
    plat::win32::releaseLeftButton();
    serveFor(200ms);
    for (const std::string& entry : child->log) {
        EXPECT_TRUE(entry.rfind("down", 0) != 0 && entry.rfind("up", 0) != 0 && entry != "click") << entry;
    }
}

TEST_F(Win32BackendTest, FocusMovesBetweenControls) {
    TProbe* other = form->create<TProbe>(kChildFill);
    other->setBounds(120, 10, 40, 40);
    child->setFocus();
    serveFor(50ms);
    EXPECT_TRUE(child->focused());
    other->setFocus();
    serveFor(50ms);
    EXPECT_FALSE(child->focused());
    EXPECT_TRUE(other->focused());
    EXPECT_TRUE(child->logged("focus"));
    EXPECT_TRUE(child->logged("blur"));
}

TEST_F(Win32BackendTest, TheCursorFollowsTheControl) {
    child->setCursor(crHandPoint);
    movePointerTo(onScreen(*child, 30, 20));
    ASSERT_TRUE(serveUntil([&] { return child->logged("enter"); }));
    serveFor(50ms);
    EXPECT_EQ(plat::win32::currentCursor(), plat::win32::cursorHandle(crHandPoint));
    child->setCursor(crDefault);
    EXPECT_EQ(plat::win32::currentCursor(), plat::win32::cursorHandle(crArrow)) << "shown at once";
}

TEST_F(Win32BackendTest, ARemovedControlTakesItsWindowsAlong) {
    void* childWindow = windowOf(child->peer());
    void* innerWindow = windowOf(inner->peer());
    std::unique_ptr<TControl> removed = form->removeControl(child);
    EXPECT_FALSE(plat::win32::windowExists(childWindow));
    EXPECT_FALSE(plat::win32::windowExists(innerWindow));
    EXPECT_TRUE(plat::win32::windowExists(formWindow()));
    EXPECT_TRUE(child->log.empty()) << "a peer being destroyed tells its control nothing";
    serveFor(100ms);
    EXPECT_EQ(captureClientArea(formWindow()).at(40, 30), kFormFill);
}

TEST_F(Win32BackendTest, AWindowsBackBufferGoesWithIt) {
    const int before = plat::win32::liveGdiObjects();
    TProbe* extra = form->create<TProbe>(kInnerFill);
    extra->setBounds(120, 60, 30, 30);
    ASSERT_TRUE(serveUntil([&] { return extra->paints > 0; }));
    EXPECT_EQ(plat::win32::liveGdiObjects(), before + 1) << "one back buffer, kept between paints";
    extra->paintNow();
    extra->setBounds(120, 60, 40, 30);
    extra->paintNow();
    EXPECT_EQ(plat::win32::liveGdiObjects(), before + 1) << "a new size replaces it";
    form->removeControl(extra).reset();
    EXPECT_EQ(plat::win32::liveGdiObjects(), before);
}

} // namespace
