// The caption-bar toolbar with a recording caption-bar backend: it is drawn only once its form is
// realised, each change of state draws it again, the platform's pointer reports change its state,
// and its drawing goes with it.

#include "platform/CaptionBarBackend.h"
#include "toolkit/CaptionToolBar.h"
#include "toolkit/Edit.h"
#include "toolkit/Form.h"
#include "toolkit/WidgetFixture.h"

#include <memory>
#include <vector>

namespace {

struct TRecord {
    int attached = 0;
    int released = 0;
    int draws = 0;
    int pressesLater = 0;
    const plat::TControlPeer* formPeer = nullptr;
    plat::TCaptionBarSink* sink = nullptr;
};

class TRecordingCaptionPeer : public plat::TCaptionBarPeer {
public:
    explicit TRecordingCaptionPeer(TRecord& record) : FRecord(record) {}
    ~TRecordingCaptionPeer() override { ++FRecord.released; }
    void invalidate() override { ++FRecord.draws; }
    TRect buttonBounds() override { return TRect{30, -22, 108, -4}; }
    void pressLater() override { ++FRecord.pressesLater; }

private:
    TRecord& FRecord;
};

class TRecordingCaptionBackend : public plat::TCaptionBarBackend {
public:
    TRecord record;
    std::unique_ptr<plat::TCaptionBarPeer> attachCaptionBar(plat::TControlPeer& formPeer,
                                                            plat::TCaptionBarSink& sink) override {
        ++record.attached;
        record.formPeer = &formPeer;
        record.sink = &sink;
        return std::make_unique<TRecordingCaptionPeer>(record);
    }
};

class CaptionToolBarTest : public WidgetTest {
protected:
    void SetUp() override {
        WidgetTest::SetUp();
        plat::installCaptionBarBackend(&captionBackend);
    }
    void TearDown() override {
        plat::installCaptionBarBackend(nullptr);
        WidgetTest::TearDown();
    }
    static TCaptionButtonPictures picturesOf(int width, int height) {
        return TCaptionButtonPictures{TBitmap32(width, height, TRGBA{1, 0, 0, 255}),
                                      TBitmap32(width, height, TRGBA{2, 0, 0, 255}),
                                      TBitmap32(width, height, TRGBA{3, 0, 0, 255})};
    }

    TRecordingCaptionBackend captionBackend;
};

TEST_F(CaptionToolBarTest, IsDrawnInTheCaptionBarOfTheShownFormAndFollowsThePointer) {
    TForm form;
    TPopupMenu menu;
    menu.items().addItem(L"About");
    auto bar = std::make_unique<TCaptionToolBar>();
    bar->setPictures(picturesOf(78, 18), picturesOf(28, 14));
    bar->setDropdownMenu(&menu);
    int clicks = 0;
    bar->OnClick = [&](TCaptionToolBar*) { ++clicks; };

    bar->attach(form); // not realised yet: nothing to draw in
    EXPECT_EQ(captionBackend.record.attached, 0);
    EXPECT_FALSE(bar->attached());
    form.show();
    bar->attach(form);
    bar->attach(form); // once is enough
    ASSERT_EQ(captionBackend.record.attached, 1);
    EXPECT_EQ(captionBackend.record.formPeer, form.peer());
    plat::TCaptionBarSink& sink = *captionBackend.record.sink;

    // The platform asks for the picture of the present state, in the size its caption bar holds.
    EXPECT_EQ(sink.sinkCaptionPicture(false).at(0, 0).r, 1);
    EXPECT_EQ(sink.sinkCaptionPicture(true).width, 28);
    sink.sinkCaptionEnter();
    sink.sinkCaptionEnter(); // no change, no drawing
    EXPECT_EQ(captionBackend.record.draws, 1);
    EXPECT_EQ(sink.sinkCaptionPicture(false).at(0, 0).r, 2);

    sink.sinkCaptionPress(TPoint{40, 60});
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(widgets.shownMenus().size(), 1u);
    EXPECT_EQ(widgets.shownMenus()[0].at, (TPoint{40, 60}));
    EXPECT_EQ(captionBackend.record.draws, 3) << "pressed, then hover again";
    sink.sinkCaptionLeave();
    EXPECT_EQ(captionBackend.record.draws, 4);
    EXPECT_EQ(bar->state(), TCaptionButtonState::normal);

    bar.reset();
    EXPECT_EQ(captionBackend.record.released, 1) << "the drawing goes with the toolbar";
}

TEST_F(CaptionToolBarTest, APressEndsPressedEvenWhenItsHandlerFails) {
    TCaptionToolBar bar;
    bar.OnClick = [&](TCaptionToolBar* sender) {
        EXPECT_EQ(sender->state(), TCaptionButtonState::pressed);
        throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(bar.buttonPress(TPoint{}), std::runtime_error);
    EXPECT_EQ(bar.state(), TCaptionButtonState::normal);
}

TEST_F(CaptionToolBarTest, IsAnItemOfItsFormForScreenReadersOnceDrawn) {
    TForm form;
    auto* bar = static_cast<TCaptionToolBar*>(form.addComponent(std::make_unique<TCaptionToolBar>()));
    bar->setAccessibleName(L"About");
    form.show();
    plat::headless::THeadlessPeer& peer = peerOf(form);
    EXPECT_EQ(peer.accessibleItemCount(), 0) << "not drawn yet: nothing to find";
    EXPECT_FALSE(peer.accessibleDefaultAction(1));

    bar->attach(form);
    ASSERT_EQ(peer.accessibleItemCount(), 1);
    const plat::TAccessibleItem item = peer.accessible(1);
    EXPECT_EQ(item.role, plat::TAccRole::menuButton);
    EXPECT_EQ(item.name, L"About");
    EXPECT_EQ(item.defaultAction, L"Press");
    EXPECT_TRUE(item.has(plat::asHasPopup));
    EXPECT_EQ(item.location, (TRect{30, -22, 108, -4}))
        << "where the platform draws it, above the client area";
    // The press waits until the screen reader's call has returned: a menu's loop must not hold it.
    EXPECT_TRUE(peer.accessibleDefaultAction(1));
    EXPECT_EQ(captionBackend.record.pressesLater, 1);
    EXPECT_TRUE(widgets.shownMenus().empty());
}

TEST_F(CaptionToolBarTest, F10DropsItsMenuDownFromTheKeyboardWhereverTheFocusIs) {
    TForm form;
    auto* bar = static_cast<TCaptionToolBar*>(form.addComponent(std::make_unique<TCaptionToolBar>()));
    auto* edit = form.create<TEdit>();
    form.show();
    bar->attach(form);
    edit->setFocus();
    struct TCase {
        TShiftState shift;
        int presses;
    };
    // Shift+F10 is the focused control's context menu and Alt+F10 the platform's: neither is the tab's.
    for (const TCase& c : {TCase{ssShift, 0}, TCase{ssAlt, 0}, TCase{ssCtrl, 0}, TCase{0, 1}}) {
        captionBackend.record.pressesLater = 0;
        backend.focused()->pressKey(VK_F10, c.shift);
        EXPECT_EQ(captionBackend.record.pressesLater, c.presses) << "shift state " << c.shift;
    }
    // With no control focused the window itself hears the key.
    captionBackend.record.pressesLater = 0;
    peerOf(form).pressKey(VK_F10, 0);
    EXPECT_EQ(captionBackend.record.pressesLater, 1);
}

} // namespace
