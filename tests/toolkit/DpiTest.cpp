// Display scale: the rounding of scaled lengths, and a form laid out for the DPI of its monitor when
// shown and again when it moves to a monitor of another scale.

#include "toolkit/Declared.h"
#include "toolkit/Dpi.h"
#include "toolkit/Form.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "toolkit/TextLayout.h"

#include "toolkit/WidgetFixture.h"

namespace {

using DpiFormTest = WidgetTest;

plat::headless::THeadlessFormPeer& formPeer(plat::headless::THeadlessWidgets& widgets, const TForm& form) {
    plat::headless::THeadlessFormPeer* peer = widgets.formPeerOf(form.peer());
    if (peer == nullptr) {
        throw std::logic_error("form not shown");
    }
    return *peer;
}

const TFont kBold{L"Tahoma", 8, fsBold};

// A small window: a panel anchored to the right and bottom edges, a label sized to its text in a
// font of its own, and a panel of fixed bounds that takes the form's font.
class TSmallForm : public TForm {
public:
    TSmallForm() {
        setClientSize(200, 100);
        setMinClientSize(200, 100);
        declare({
            {.name = L"pCorner",
             .kind = L"TPanel",
             .left = 150,
             .top = 60,
             .width = 40,
             .height = 30,
             .props = {.anchors = akRight | akBottom}},
            {.name = L"lblTitle",
             .kind = L"TLabel",
             .left = 8,
             .top = 7,
             .props = {.caption = L"Title", .font = kBold, .autoSize = true}},
            {.name = L"pPlain", .kind = L"TPanel", .left = 9, .top = 31, .width = 101, .height = 15},
        });
    }
    TControl& corner() { return *findControl(L"pCorner"); }
    TLabel& title() { return *find<TLabel>(L"lblTitle"); }
    TControl& plain() { return *findControl(L"pPlain"); }
};

} // namespace

TEST(ScaledTest, RoundsToTheNearestWithHalvesAwayFromZero) {
    struct TCase {
        int length;
        int dpi;
        int expected;
    };
    const TCase cases[] = {
        {540, 96, 540},  {0, 144, 0},           {1, 120, 1}, // 1.25
        {1, 144, 2},                                         // 1.5: a half goes up, not down
        {3, 144, 5},                                         // 4.5
        {5, 120, 6},                                         // 6.25
        {7, 120, 9},                                         // 8.75
        {109, 144, 164},                                     // 163.5
        {433, 192, 866}, {-3, 144, -5},                      // -4.5: away from zero
        {-1, 120, -1},   {100000, 480, 500000},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(scaled(c.length, c.dpi), c.expected) << c.length << " at " << c.dpi;
    }
    // A design length moved between scales lands where scaling the design puts it, however many
    // steps it took: no pixel of drift.
    const int scales[] = {96, 120, 144, 168, 192, 240};
    for (int length = -50; length <= 600; ++length) {
        for (int from : scales) {
            for (int to : scales) {
                ASSERT_EQ(rescaled(scaled(length, from), from, to), scaled(length, to))
                    << length << " from " << from << " to " << to;
            }
        }
    }
    EXPECT_EQ(mulDiv(1000000000, 3, 4), 750000000) << "the product is worked out in 64 bits";
    EXPECT_EQ(mulDiv(17, 5, 0), 17) << "no scale to apply";
}

TEST_F(DpiFormTest, AFormShownAtAnotherDpiIsLaidOutInProportion) {
    widgets.setDpi(144);
    TSmallForm form;
    ASSERT_EQ(form.dpi(), 96) << "its design, until it is shown";
    form.show();
    EXPECT_EQ(form.dpi(), 144);
    EXPECT_EQ(form.clientWidth(), 300);
    EXPECT_EQ(form.clientHeight(), 150);
    EXPECT_EQ(form.minClientWidth(), 300);
    EXPECT_EQ(formPeer(widgets, form).minClientWidth(), 300);
    EXPECT_EQ(formPeer(widgets, form).minClientHeight(), 150);
    EXPECT_EQ(form.corner().boundsRect(), boundsRect(225, 90, 60, 45));
    EXPECT_EQ(peerOf(form.corner()).bounds(), boundsRect(225, 90, 60, 45)) << "the peer follows";
    EXPECT_EQ(form.plain().boundsRect(), boundsRect(14, 47, 152, 23)) << "13.5, 46.5, 151.5, 22.5 rounded up";

    // Fonts are made for the window's DPI, the form's own and those the rows give.
    EXPECT_EQ(form.font().pixelsPerInch, 144);
    EXPECT_EQ(form.plain().font().pixelsPerInch, 144);
    EXPECT_EQ(form.title().font().pixelsPerInch, 144);
    EXPECT_EQ(form.title().font().style, fsBold);
    // The label that sizes itself measures its text in the scaled font.
    EXPECT_EQ(form.title().width(), textWidthIn(form.title().font(), L"Title"));
    EXPECT_EQ(form.title().height(), lineHeightOf(form.title().font()));
    EXPECT_GT(form.title().height(), lineHeightOf(kBold)) << "taller than at 96 DPI";

    // The anchored panel keeps its scaled distances to the right and bottom edges.
    formPeer(widgets, form).resizeAsUser(400, 200);
    EXPECT_EQ(form.corner().boundsRect(), boundsRect(325, 140, 60, 45));

    // A control added at run time gives its design bounds and is scaled as it joins.
    auto* late = form.create<TPanel>();
    EXPECT_EQ(late->dpi(), 144);
    late->setBounds(late->scale(10), late->scale(10), late->scale(20), late->scale(20));
    EXPECT_EQ(late->boundsRect(), boundsRect(15, 15, 30, 30));
    auto free = std::make_unique<TPanel>();
    free->setBounds(2, 4, 10, 6);
    TControl* joined = form.insertControl(std::move(free));
    EXPECT_EQ(joined->boundsRect(), boundsRect(3, 6, 15, 9));
}

TEST_F(DpiFormTest, MovingToAMonitorOfAnotherScaleLaysTheFormOutAgainAndTakesTheSuggestedBounds) {
    TSmallForm form;
    form.show();
    ASSERT_EQ(form.dpi(), 96);
    const TRect designCorner = form.corner().boundsRect();
    const TRect designPlain = form.plain().boundsRect();
    int resizes = 0;
    form.OnResize = [&](TControl*) { ++resizes; };

    auto& peer = formPeer(widgets, form);
    peer.moveToMonitor(192, boundsRect(1500, 40, 400, 200));
    EXPECT_EQ(form.dpi(), 192);
    EXPECT_EQ(form.boundsRect(), boundsRect(1500, 40, 400, 200)) << "the suggested place and size";
    EXPECT_EQ(peer.minClientWidth(), 400);
    EXPECT_EQ(peer.minClientHeight(), 200);
    EXPECT_EQ(form.corner().boundsRect(), boundsRect(300, 120, 80, 60));
    EXPECT_EQ(form.plain().font().pixelsPerInch, 192);
    EXPECT_EQ(form.title().height(), lineHeightOf(form.title().font()));
    EXPECT_GE(resizes, 1) << "the window hears of its new size";

    // Back on a 100 % monitor the design returns exactly.
    peer.moveToMonitor(96, boundsRect(100, 40, 200, 100));
    EXPECT_EQ(form.corner().boundsRect(), designCorner);
    EXPECT_EQ(form.plain().boundsRect(), designPlain);
    EXPECT_EQ(form.title().font(), (TFont{kBold}));
    EXPECT_EQ(peer.minClientWidth(), 200);

    // Steps through 144 and 192 land where a start at 192 would, and back where they began.
    peer.moveToMonitor(144, boundsRect(0, 0, 300, 150));
    peer.moveToMonitor(192, boundsRect(0, 0, 400, 200));
    EXPECT_EQ(form.corner().boundsRect(), boundsRect(300, 120, 80, 60));
    EXPECT_EQ(form.plain().boundsRect(), boundsRect(18, 62, 202, 30));
    peer.moveToMonitor(96, boundsRect(0, 0, 200, 100));
    EXPECT_EQ(form.plain().boundsRect(), designPlain);
}
