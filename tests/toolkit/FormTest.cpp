// Forms (client size and its minimum, centring, showing, closing) and windows built from a table of
// declared components; the system icon list.

#include "toolkit/Declared.h"
#include "toolkit/Form.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "toolkit/Shape.h"
#include "toolkit/TextLayout.h"
#include "toolkit/ToolBar.h"
#include "toolkit/VistaProBar.h"

#include "toolkit/WidgetFixture.h"

namespace {

using FormTest = WidgetTest;
using DeclaredTest = WidgetTest;

plat::headless::THeadlessFormPeer& formPeer(plat::headless::THeadlessWidgets& widgets, const TForm& form) {
    plat::headless::THeadlessFormPeer* peer = widgets.formPeerOf(form.peer());
    if (peer == nullptr) {
        throw std::logic_error("form not shown");
    }
    return *peer;
}

TFont arial(int size, TFontStyles style = 0) {
    TFont font;
    font.name = L"Arial";
    font.size = size;
    font.style = style;
    return font;
}

} // namespace

TEST_F(FormTest, KeepsItsMinimumClientSizeAndCentresOnTheScreenWhenFirstShown) {
    TForm form;
    EXPECT_FALSE(form.visible());
    form.setCaption(L"Korvane ADS Ombrolux");
    form.setClientSize(540, 433);
    form.setMinClientSize(540, 433);
    form.setPosition(poScreenCenter);
    int shows = 0;
    form.OnShow = [&](TForm*) { ++shows; };
    widgets.setScreenWorkArea(TRect{0, 0, 1280, 1000});
    form.show();
    EXPECT_TRUE(form.visible());
    EXPECT_EQ(shows, 1);
    EXPECT_EQ(peerOf(form).text(), L"Korvane ADS Ombrolux");
    EXPECT_EQ(form.boundsRect(), (TRect{370, 283, 910, 716}));
    auto& peer = formPeer(widgets, form);
    EXPECT_EQ(peer.minClientWidth(), 540);
    EXPECT_EQ(peer.minClientHeight(), 433);

    // The user drags the edge: wider works, narrower stops at the minimum; the code cannot go
    // below it either.
    int resizes = 0;
    form.OnResize = [&](TControl*) { ++resizes; };
    peer.resizeAsUser(700, 300);
    EXPECT_EQ(form.clientWidth(), 700);
    EXPECT_EQ(form.clientHeight(), 433);
    EXPECT_EQ(resizes, 1);
    form.setClientWidth(100);
    EXPECT_EQ(form.clientWidth(), 540);
    form.setClientWidth(form.clientWidth() + 1);
    EXPECT_EQ(form.clientWidth(), 541);

    // Shown again: OnShow again, but it stays where it is.
    form.hide();
    form.setBounds(10, 10, 541, 433);
    form.show();
    EXPECT_EQ(shows, 2);
    EXPECT_EQ(form.left(), 10);
    EXPECT_EQ(peer.centreCount(), 1);
}

TEST_F(FormTest, EveryOtherFormBelongsToTheMainForm) {
    TForm main;
    main.setMainForm(true);
    TForm dialog;
    TForm about;
    about.show(); // the main form, still hidden, is realised first to own it
    dialog.show();
    ASSERT_NE(main.peer(), nullptr);
    EXPECT_EQ(peerOf(about).owner(), &peerOf(main));
    EXPECT_EQ(peerOf(dialog).owner(), &peerOf(main));
    EXPECT_EQ(peerOf(main).owner(), nullptr) << "the main form has a window of its own";
    EXPECT_FALSE(main.visible());
    TForm withoutMain;
    main.setMainForm(false);
    withoutMain.show();
    EXPECT_EQ(peerOf(withoutMain).owner(), nullptr);
}

TEST_F(FormTest, ClosesOnlyWhenTheCloseQueryAllows) {
    TForm form;
    form.setMainForm(true);
    bool allow = false;
    int closed = 0;
    form.OnCloseQuery = [&](TForm*, bool& canClose) { canClose = allow; };
    form.OnClose = [&](TForm*) { ++closed; };
    form.show();
    formPeer(widgets, form).requestClose(); // the close button
    EXPECT_TRUE(form.visible());
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(widgets.loopEnds(), 0);
    allow = true;
    formPeer(widgets, form).requestClose();
    EXPECT_FALSE(form.visible());
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(widgets.loopEnds(), 1); // the main form ends the program

    TForm dialog;
    dialog.show();
    EXPECT_TRUE(dialog.close());
    EXPECT_EQ(widgets.loopEnds(), 1);
}

TEST_F(DeclaredTest, BuildsAWindowFromItsTable) {
    const TFont countFont = arial(18, fsBold | fsItalic);
    const std::vector<TDeclaredComponent> rows = {
        {.name = L"Img16", .kind = L"TImageList", .width = 16, .height = 16},
        {.name = L"popaction", .kind = L"TPopupMenu", .props = {.images = L"Img16"}},
        {.name = L"About1",
         .kind = L"TMenuItem",
         .parent = L"popaction",
         .props = {.caption = L"About", .imageIndex = 18}},
        {.name = L"TimerPatchGUI", .kind = L"TTimer", .props = {.enabled = false, .interval = 1}},
        {.name = L"pCore", .kind = L"TW7Panel", .props = {.align = alClient}},
        {.name = L"pListview",
         .kind = L"TPanel",
         .parent = L"pCore",
         .left = 5,
         .top = 100,
         .width = 530,
         .height = 300,
         .props = {.anchors = akLeft | akTop | akRight | akBottom}},
        {.name = L"toolbar",
         .kind = L"TW7ToolBar",
         .parent = L"pListview",
         .height = 30,
         .props = {.images = L"Img16", .align = alTop}},
        {.name = L"btnBackup",
         .kind = L"TW7ToolButton",
         .parent = L"toolbar",
         .left = 4,
         .top = 2,
         .width = 122,
         .height = 25,
         .props = {.caption = L"Backup Checked", .enabled = false, .imageIndex = 17}},
        {.name = L"tbUAC",
         .kind = L"TW7ToolButton",
         .parent = L"toolbar",
         .width = 28,
         .height = 24,
         .props = {.imageIndex = 19, .hint = L"Restart", .menu = L"popaction"}},
        {.name = L"labelCount",
         .kind = L"TLabel",
         .parent = L"pCore",
         .left = 10,
         .top = 10,
         .props = {.caption = L"n/A", .color = hexColor(0xFFFFFF), .font = countFont, .visible = false}},
        {.name = L"alertBody",
         .kind = L"TJstLabel",
         .parent = L"pCore",
         .left = 62,
         .top = 30,
         .width = 200,
         .height = 40},
        {.name = L"labelLink",
         .kind = L"TLabel",
         .parent = L"pCore",
         .left = 5,
         .top = 5,
         .width = 165,
         .height = 16,
         .props = {.caption = L"www.example.com", .font = countFont, .autoSize = false}},
        {.name = L"pb",
         .kind = L"TVistaProBar",
         .parent = L"pCore",
         .height = 10,
         .props = {.color = hexColor(0x80FF00)}},
    };
    TForm form;
    form.setFont(arial(8));
    form.setClientSize(540, 433);
    form.declare(rows);

    auto* pCore = form.find<TW7Panel>(L"pCore");
    auto* pListview = form.find<TPanel>(L"pListview");
    auto* btnBackup = form.find<TW7ToolButton>(L"btnBackup");
    auto* tbUAC = form.find<TW7ToolButton>(L"tbUAC");
    auto* labelCount = form.find<TLabel>(L"labelCount");
    auto* images = form.find<TImageList>(L"Img16");
    auto* popaction = form.find<TPopupMenu>(L"popaction");
    auto* timer = form.find<TTimer>(L"TimerPatchGUI");
    ASSERT_TRUE(pCore && pListview && btnBackup && tbUAC && labelCount && images && popaction && timer);
    EXPECT_EQ(form.find<TLabel>(L"pCore"), nullptr); // another type
    EXPECT_EQ(form.find<TLabel>(L"nothing"), nullptr);

    EXPECT_EQ(pCore->boundsRect(), (TRect{0, 0, 540, 433}));
    EXPECT_EQ(pListview->parent(), pCore);
    EXPECT_EQ(btnBackup->parent()->parent(), pListview);
    EXPECT_EQ(form.find<TW7ToolBar>(L"toolbar")->boundsRect(), (TRect{0, 0, 530, 30}));
    EXPECT_EQ(btnBackup->boundsRect(), (TRect{4, 2, 126, 27}));
    EXPECT_EQ(btnBackup->caption(), L"Backup Checked");
    EXPECT_FALSE(btnBackup->enabled());
    EXPECT_EQ(btnBackup->imageIndex(), 17);
    EXPECT_EQ(btnBackup->images(), images);
    EXPECT_EQ(btnBackup->font(), arial(8)); // the form's font, through its parents
    EXPECT_EQ(tbUAC->hint(), L"Restart");
    EXPECT_EQ(tbUAC->dropdownMenu(), popaction);
    EXPECT_EQ(tbUAC->boundsRect(), (TRect{0, 0, 28, 24})); // width and height given, place not
    EXPECT_EQ(labelCount->font(), countFont);
    EXPECT_FALSE(labelCount->visible());
    EXPECT_FALSE(labelCount->parentColor());
    EXPECT_EQ(labelCount->width(), textWidthIn(countFont, L"n/A")); // auto-sized in its own font
    EXPECT_TRUE(labelCount->width() > 0);
    EXPECT_EQ(form.find<TLabel>(L"labelLink")->boundsRect(), (TRect{5, 5, 170, 21})); // as declared
    EXPECT_EQ(form.find<TVistaProBar>(L"pb")->width(), TVistaProBar().width());       // width 0: the default
    EXPECT_EQ(form.find<TVistaProBar>(L"pb")->height(), 10);
    EXPECT_FALSE(timer->enabled());
    EXPECT_EQ(timer->interval(), 1u);
    EXPECT_EQ(popaction->images(), images);
    auto* about = form.find<TMenuItem>(L"About1");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->caption(), L"About");
    EXPECT_EQ(about->imageIndex(), 18);
    EXPECT_EQ(about->parent(), &popaction->items());

    // The table's alignment and anchors hold when the window grows.
    form.setClientSize(640, 483);
    EXPECT_EQ(pCore->boundsRect(), (TRect{0, 0, 640, 483}));
    EXPECT_EQ(pListview->boundsRect(), (TRect{5, 100, 635, 450}));
    EXPECT_EQ(form.find<TW7ToolBar>(L"toolbar")->width(), 630);
}

TEST_F(DeclaredTest, RefusesTableErrors) {
    struct TCase {
        const char* what;
        std::vector<TDeclaredComponent> rows;
    };
    const std::vector<TCase> cases = {
        {"unknown kind", {{.name = L"x", .kind = L"TNothing"}}},
        {"unknown parent", {{.name = L"x", .kind = L"TPanel", .parent = L"pNone"}}},
        {"a parent that takes no children",
         {{.name = L"l", .kind = L"TLabel"}, {.name = L"x", .kind = L"TPanel", .parent = L"l"}}},
        {"a name used twice", {{.name = L"x", .kind = L"TPanel"}, {.name = L"x", .kind = L"TLabel"}}},
        {"no name", {{.kind = L"TPanel"}}},
        {"a property the kind lacks", {{.name = L"x", .kind = L"TPanel", .props = {.imageIndex = 3}}}},
        {"an image list that is none", {{.name = L"m", .kind = L"TPopupMenu", .props = {.images = L"m"}}}},
        {"a menu item outside a menu", {{.name = L"i", .kind = L"TMenuItem", .parent = L"nowhere"}}},
        {"alignment in a parent that does not place children",
         {{.name = L"pb", .kind = L"TVistaProBar"},
          {.name = L"s", .kind = L"TShape", .parent = L"pb", .props = {.align = alTop}}}},
    };
    for (const TCase& c : cases) {
        TForm form;
        EXPECT_THROW(form.declare(c.rows), std::logic_error) << c.what;
    }
}

TEST_F(DeclaredTest, WindowsAddKindsOfTheirOwn) {
    class TOwnPanel : public TPanel {};
    TComponentKinds kinds = TComponentKinds::standard();
    kinds.add<TOwnPanel>(L"TOwnPanel");
    TForm form;
    form.declare({{.name = L"pAlert", .kind = L"TOwnPanel", .width = 50, .props = {.caption = L"x"}}}, kinds);
    auto* panel = form.find<TOwnPanel>(L"pAlert");
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->width(), 50);
    EXPECT_EQ(panel->caption(), L"x");
}

TEST_F(FormTest, SystemIconListShowsThePlatformsIcons) {
    TImageList sys(16, 16);
    EXPECT_EQ(sys.count(), 0);
    sys.attachSystemList(0x1234);
    EXPECT_EQ(sys.count(), plat::headless::THeadlessWidgets::kSystemIconCount);
    const TBitmap32* icon = sys.image(5);
    ASSERT_NE(icon, nullptr);
    const TColor expected = plat::headless::THeadlessWidgets::systemIconColor(5);
    EXPECT_EQ(icon->at(8, 8), (TRGBA{redOf(expected), greenOf(expected), blueOf(expected), 255}));
    EXPECT_EQ(sys.image(5), icon); // fetched once, then kept
    EXPECT_EQ(sys.image(-1), nullptr);
    EXPECT_EQ(sys.image(plat::headless::THeadlessWidgets::kSystemIconCount), nullptr);
    EXPECT_EQ(sys.add(TBitmap32(16, 16)), -1); // the platform's list takes no pictures of ours
    sys.attachSystemList(0);
    EXPECT_EQ(sys.count(), 0);
    EXPECT_EQ(sys.add(TBitmap32(16, 16)), 0);
}
