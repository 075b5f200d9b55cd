// Forms as dialogs: keys previewed by the form, Tab between the controls, modal showing with the
// scripted user of the headless services, the fixed dialog frame and centring on the main form;
// menu items with pictures of their own.

#include "toolkit/CheckBox.h"
#include "toolkit/Edit.h"
#include "toolkit/Form.h"
#include "toolkit/Menu.h"
#include "toolkit/Panel.h"

#include "toolkit/WidgetFixture.h"

#include <string>
#include <vector>

namespace {

using FormKeysTest = WidgetTest;
using ModalTest = WidgetTest;

// A form with a panel holding an edit box, a check box and a second edit box.
struct TDialogForm : TForm {
    TDialogForm() {
        setClientSize(200, 100);
        panel = create<TPanel>();
        panel->setBounds(0, 0, 200, 100);
        first = panel->create<TEdit>();
        box = panel->create<TCheckBox>();
        second = panel->create<TEdit>();
        label = panel->create<TPanel>(); // Tab does not stop here
    }
    TPanel* panel;
    TEdit* first;
    TCheckBox* box;
    TEdit* second;
    TPanel* label;
};

} // namespace

TEST_F(FormKeysTest, WithKeyPreviewTheFormHearsAKeyBeforeTheFocusedControlAndCanTakeIt) {
    TDialogForm form;
    form.show();
    std::vector<std::wstring> heard;
    form.setKeyPreview(true);
    form.OnKeyDown = [&](TControl*, int& key, TShiftState) {
        heard.push_back(L"form " + std::to_wstring(key));
        if (key == VK_RETURN) {
            key = 0;
        }
    };
    form.first->OnKeyDown = [&](TControl*, int& key, TShiftState) {
        heard.push_back(L"edit " + std::to_wstring(key));
    };
    form.first->setText(L"abc");
    form.first->setFocus();
    auto& peer = peerOf(*form.first);
    peer.pressKey(VK_RETURN);
    peer.pressKey(VK_UP);
    peer.pressKey(VK_HOME);
    EXPECT_EQ(heard, (std::vector<std::wstring>{L"form 13", L"form 38", L"edit 38", L"form 36"}));
    EXPECT_EQ(form.first->caretPos(), 0) << "a key the form leaves goes on to the control";

    heard.clear();
    form.setKeyPreview(false);
    peer.pressKey(VK_UP);
    peerOf(form).pressKey(VK_ESCAPE);
    EXPECT_EQ(heard, (std::vector<std::wstring>{L"edit 38", L"form 27"}))
        << "without preview the form hears only its own keys, once";

    form.first->setEnabled(false);
    heard.clear();
    peer.pressKey(VK_UP);
    EXPECT_TRUE(heard.empty()) << "a disabled control takes no keys";
}

TEST_F(FormKeysTest, TabMovesTheFocusRoundTheShowingEnabledTabStops) {
    TDialogForm form;
    form.show();
    form.first->setFocus();
    auto pressTab = [&](TShiftState shift) { backend.focused()->pressKey(VK_TAB, shift); };
    pressTab(0);
    EXPECT_TRUE(form.box->focused());
    pressTab(0);
    EXPECT_TRUE(form.second->focused());
    pressTab(0);
    EXPECT_TRUE(form.first->focused()) << "round to the first";
    pressTab(ssShift);
    EXPECT_TRUE(form.second->focused()) << "Shift+Tab goes back";
    EXPECT_EQ(form.second->selLength(), 0) << "the Tab typed no character";

    form.first->setFocus();
    form.box->setVisible(false);
    form.second->setEnabled(false);
    pressTab(0);
    EXPECT_TRUE(form.first->focused()) << "hidden and disabled controls are passed over";
    form.second->setEnabled(true);
    pressTab(0);
    EXPECT_TRUE(form.second->focused());
}

TEST_F(ModalTest, ShowModalRunsTheScriptedUserWhileTheFormShowsAndReturnsOnceItClosed) {
    TDialogForm form;
    int shows = 0;
    form.OnShow = [&](TForm*) { ++shows; };
    bool modalWhileShown = false;
    widgets.answerModal([&](plat::headless::THeadlessFormPeer& peer) {
        modalWhileShown = form.modal() && form.visible() && &peer.peer() == form.peer();
        form.first->setFocus();
        backend.focused()->typeText(L"typed");
        form.close();
    });
    EXPECT_TRUE(form.showModal());
    EXPECT_TRUE(modalWhileShown);
    EXPECT_FALSE(form.visible());
    EXPECT_FALSE(form.modal());
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(form.first->text(), L"typed");

    // A form nobody answers, and one whose answer leaves it open: the loop ends as the program's
    // would, the form is hidden and the call says it did not close.
    EXPECT_FALSE(form.showModal());
    EXPECT_FALSE(form.visible());
    widgets.answerModal([](plat::headless::THeadlessFormPeer&) {});
    EXPECT_FALSE(form.showModal());
    EXPECT_FALSE(form.visible());
    EXPECT_EQ(widgets.unansweredModals(), 2);
    EXPECT_EQ(widgets.modalCount(), 3);
    EXPECT_EQ(widgets.pendingModalAnswers(), 0u);
    EXPECT_EQ(shows, 3);
}

TEST_F(ModalTest, ADialogGetsItsFixedFrameAndIsCentredOnTheMainFormEachTimeItShows) {
    TForm mainForm;
    mainForm.setMainForm(true);
    mainForm.setClientSize(540, 433);
    mainForm.show();
    auto& mainPeer = *widgets.formPeerOf(mainForm.peer());
    mainPeer.peer().platformResize(boundsRect(100, 50, 540, 433)); // the user moved it

    TDialogForm dialog;
    dialog.setFrame(plat::TFormFrame::fixedDialog);
    dialog.setPosition(poMainFormCenter);
    dialog.setClientSize(337, 137);
    widgets.answerModal([&](plat::headless::THeadlessFormPeer& peer) {
        EXPECT_EQ(peer.frame(), plat::TFormFrame::fixedDialog);
        dialog.close();
    });
    ASSERT_TRUE(dialog.showModal());
    EXPECT_EQ(dialog.boundsRect(), boundsRect(100 + (540 - 337) / 2, 50 + (433 - 137) / 2, 337, 137));
    EXPECT_EQ(widgets.formPeerOf(mainForm.peer())->frame(), plat::TFormFrame::sizeable);

    mainPeer.peer().platformResize(boundsRect(300, 200, 600, 433));
    dialog.setClientHeight(160);
    widgets.answerModal([&](plat::headless::THeadlessFormPeer&) { dialog.close(); });
    ASSERT_TRUE(dialog.showModal());
    EXPECT_EQ(dialog.boundsRect(), boundsRect(300 + (600 - 337) / 2, 200 + (433 - 160) / 2, 337, 160));
}

TEST_F(ModalTest, AMenuItemsOwnPictureShowsInsteadOfItsImageIndex) {
    TImageList images(16, 16);
    images.add(TBitmap32(16, 16, TRGBA{1, 2, 3, 255}));
    TPopupMenu menu;
    menu.setImages(&images);
    TMenuItem* listed = menu.items().addItem(L"Listed", 0);
    TMenuItem* own = menu.items().addItem(L"Own", 0);
    own->setBitmap(TBitmap32(16, 16, TRGBA{9, 9, 9, 255}));
    const std::vector<plat::TMenuEntry> entries = menu.visibleEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].image, *images.image(0));
    EXPECT_EQ(entries[1].image, own->bitmap());
    EXPECT_EQ(listed->bitmap(), TBitmap32());
}
