// The main window at 100 %, 150 % and 200 % display scale: every view of the alert panel laid out by
// the window's layout table with each design length scaled, in the proportions of the design,
// nothing clipped or overlapping, the body text wrapped at the scaled width; and a window moved to
// a monitor of another scale laid out as if it had started there.

#include "ui/main/MainFixture.h"

#include "ui/main/UntMainArt.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

const std::wstring kLongBody =
    L"This body is long enough to wrap over several lines of the alert panel: it tells the user a great "
    L"deal about what happened, and then it goes on a little more, so that the panel has to grow to hold "
    L"it all, and the list below moves down with it. It ends here, after a last few words to be sure.";

// The views of the alert panel the layout table covers.
struct TView {
    const char* name;
    std::function<void(TFrmMain&)> show;
};

const TView kViews[] = {
    {"idle, short body", [](TFrmMain& w) { w.setAlert(L"Title", L"Short body."); }},
    {"idle, long body", [](TFrmMain& w) { w.setAlert(L"Title", kLongBody); }},
    {"busy, body and bar",
     [](TFrmMain& w) {
         w.switchAlertPanel(amBusy);
         w.setAlert(L"Scanning", kLongBody);
     }},
    {"busy, detail lines and both bars",
     [](TFrmMain& w) {
         w.switchAlertPanel(amBusy);
         w.setDetailAlert(L"C:\\Windows\\System32", L"notepad.exe");
         w.pDetailAlertMode(true);
     }},
    {"busy, detail lines, file bar only",
     [](TFrmMain& w) {
         w.switchAlertPanel(amBusy);
         w.pDetailAlertMode(true);
         w.pb->setVisible(false);
     }},
    {"finished", [](TFrmMain& w) { w.scanFinished(false, 3); }},
    {"error, long body",
     [](TFrmMain& w) {
         w.switchAlertPanel(amError);
         w.setAlert(L"Error", kLongBody);
     }},
    {"overlay with the count",
     [](TFrmMain& w) {
         w.pRefresh->setVisible(true);
         w.labelCount->setCaption(L"We Found 3 Items Already!  ");
     }},
};

bool overlap(const TRect& a, const TRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

} // namespace

class MainWindowDpiTest : public MainWindowTest, public testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        FDpi = GetParam();
        widgets.setDpi(FDpi);
        // Windows makes its small icons for the display scale it started with.
        widgets.setSystemIconSide(scaled(16, FDpi));
        MainWindowTest::SetUp();
    }
    // The DPI the window should be laid out for now.
    int dpi() const { return FDpi; }
    int s(int length) const { return scaled(length, FDpi); }
    int FDpi = 96;

    // Every rule of the window's layout for the view it shows now, at its DPI.
    void expectLaidOut(const char* view) {
        SCOPED_TRACE(view);
        const int width = w().clientWidth();
        const int height = w().clientHeight();
        // Lengths the text does not drive: the design's, scaled (a pixel of rounding where a
        // length is a difference of two scaled ones).
        struct TDesign {
            TControl* control;
            int left, width; // at the design size, 540 x 433
        };
        const int grow = width - s(540); // what the window is wider than its design
        const TDesign across[] = {
            {w().pAlert, 4, 532},      {w().alertBody, 62, 462}, {w().pb, 62, 462},
            {w().btnStop, 506, 22},    {w().pListview, 5, 530},  {w().btnBackup, 4, 122},
            {w().btnDelete, 130, 122}, {w().tbUAC, 498, 28},     {w().VST, 0, 530},
        };
        for (const TDesign& d : across) {
            const bool stretches = d.control == w().pAlert || d.control == w().alertBody ||
                                   d.control == w().pb || d.control == w().pListview || d.control == w().VST;
            const bool followsRight = d.control == w().btnStop || d.control == w().tbUAC;
            EXPECT_LE(std::abs(d.control->left() - (s(d.left) + (followsRight ? grow : 0))), 1)
                << narrow(d.control->name());
            EXPECT_LE(std::abs(d.control->width() - (s(d.width) + (stretches ? grow : 0))), 1)
                << narrow(d.control->name());
        }
        EXPECT_EQ(w().pAlert->top(), s(4));
        EXPECT_EQ(w().alertBody->top(), s(30));
        EXPECT_EQ(w().btnStop->boundsRect(),
                  boundsRect(w().pAlert->width() - s(22) - s(4), s(4), s(22), s(21)));
        EXPECT_EQ(w().btnAction->width(), s(109));
        EXPECT_EQ(w().btnAction->height(), s(28));
        EXPECT_EQ(w().pb->height(), s(10));
        EXPECT_EQ(w().ImgAlert->boundsRect(),
                  boundsRect(s(10), w().pAlert->height() / 2 - s(48) / 2, s(48), s(48)));
        EXPECT_EQ(w().toolbar->height(), s(30));
        EXPECT_EQ(w().btnBackup->top(), s(2));
        EXPECT_EQ(w().btnBackup->height(), s(25));

        // The body text wraps at its scaled width, in a font made for the window's DPI.
        EXPECT_EQ(w().alertBody->font().pixelsPerInch, dpi());
        EXPECT_EQ(w().alertBody->height(),
                  wrappedTextHeight(w().alertBody->font(), w().alertBody->caption(), w().alertBody->width()) +
                      s(10));

        // The panel's height follows what it shows; the list fills the rest, 5 and 4 design pixels
        // from the panel and the bottom.
        const int panel = w().pAlert->height();
        if (w().btnAction->visible()) {
            EXPECT_EQ(w().btnAction->top(), w().alertBody->top() + w().alertBody->height() + s(8));
            EXPECT_EQ(w().btnAction->top() + w().btnAction->height() + s(4), panel);
            EXPECT_EQ(w().btnAction->left() + w().btnAction->width() + s(4), w().pAlert->width());
        } else if (w().alertBody->visible()) {
            EXPECT_EQ(panel, w().alertBody->top() + w().alertBody->height() + s(8) + w().pb->height() + s(4));
        } else {
            EXPECT_EQ(panel,
                      w().pDetailAlert->top() + w().pDetailAlert->height() + s(8) + w().pb->height() + s(8));
        }
        EXPECT_EQ(w().pb->top() + w().pb->height() + s(4), panel);
        if (w().pbSec->visible() && w().pb->visible()) {
            EXPECT_EQ(w().pbSec->height(), s(7));
            EXPECT_EQ(w().pbSec->top() + w().pbSec->height() + s(2), w().pb->top());
        } else if (w().pbSec->visible()) {
            EXPECT_EQ(w().pbSec->height(), s(16));
            EXPECT_EQ(w().pbSec->top() + w().pbSec->height(), w().pb->top() + w().pb->height());
        }
        // Both sides of the panel and of the list keep the same margin.
        EXPECT_EQ(w().pAlert->left(), width - (w().pAlert->left() + w().pAlert->width()));
        EXPECT_EQ(w().pListview->left(), width - (w().pListview->left() + w().pListview->width()));
        EXPECT_EQ(w().pListview->top(), s(4) + panel + s(5));
        EXPECT_EQ(w().pListview->top() + w().pListview->height(), height - s(4));
        EXPECT_EQ(w().shapeListview->boundsRect(),
                  (TRect{w().pListview->left() - s(1), w().pListview->top() - s(1),
                         w().pListview->left() + w().pListview->width() + s(1),
                         w().pListview->top() + w().pListview->height() + s(1)}));
        if (w().pRefresh->visible()) {
            EXPECT_EQ(w().pRefresh->boundsRect(), w().pListview->boundsRect());
            EXPECT_EQ(w().ImgRefresh->top(),
                      w().pRefresh->height() / 2 - w().ImgRefresh->height() / 2 - s(15));
            EXPECT_EQ(w().labelCount->top(), w().ImgRefresh->top() + w().ImgRefresh->height() + s(15));
            EXPECT_EQ(w().labelCount->height(), lineHeightOf(w().labelCount->font()));
        }
        expectInsideAndApart(*w().pCore);
    }

    // Every showing control lies inside its parent, and showing siblings do not overlap, except
    // the list's frame, which lies round the list by design, and the overlay, which covers it.
    void expectInsideAndApart(TControl& parent) {
        std::vector<TControl*> showing;
        std::vector<TRect> boxes;
        for (int i = 0; i < parent.controlCount(); ++i) {
            TControl* child = parent.controls(i);
            if (!child->visible()) {
                continue;
            }
            const TRect inside = parent.clientRect();
            TRect b = child->boundsRect();
            if (child == w().alertBody) {
                // The body's box ends in 10 design pixels of room below its text; only the text counts.
                b.bottom -= s(10);
            }
            EXPECT_TRUE(b.left >= inside.left && b.top >= inside.top && b.right <= inside.right &&
                        b.bottom <= inside.bottom)
                << narrow(child->name()) << " clipped by " << narrow(parent.name());
            showing.push_back(child);
            boxes.push_back(b);
            expectInsideAndApart(*child);
        }
        for (std::size_t i = 0; i < showing.size(); ++i) {
            for (std::size_t j = i + 1; j < showing.size(); ++j) {
                if (showing[i] == w().shapeListview || showing[j] == w().shapeListview) {
                    continue;
                }
                EXPECT_FALSE(overlap(boxes[i], boxes[j]))
                    << narrow(showing[i]->name()) << " overlaps " << narrow(showing[j]->name());
            }
        }
    }

    static std::string narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
};

TEST_P(MainWindowDpiTest, StartsAtItsDesignSizeScaledWithFontsForItsDpi) {
    EXPECT_EQ(w().dpi(), dpi());
    EXPECT_EQ(w().clientWidth(), s(540));
    EXPECT_EQ(w().clientHeight(), s(433));
    EXPECT_EQ(formPeer().minClientWidth(), s(540));
    EXPECT_EQ(formPeer().minClientHeight(), s(433));
    // Every control's font is made for the window's DPI, its point size kept.
    std::function<void(TControl&)> fontsOf = [&](TControl& control) {
        EXPECT_EQ(control.font().pixelsPerInch, dpi()) << narrow(control.name());
        for (int i = 0; i < control.controlCount(); ++i) {
            fontsOf(*control.controls(i));
        }
    };
    fontsOf(w());
    EXPECT_EQ(w().labelCount->font().size, 18);
    // The results list's rows, header and columns.
    EXPECT_EQ(w().VST->defaultNodeHeight(), s(17));
    EXPECT_EQ(w().VST->headerHeight(), s(24));
    EXPECT_EQ(w().VST->headerFont().pixelsPerInch, dpi());
    EXPECT_EQ(w().VST->columnCount(), 7);
    EXPECT_EQ(w().VST->column(0).width, s(210));
    EXPECT_EQ(w().VST->column(5).width, s(400));
    EXPECT_EQ(w().VST->column(6).width, s(220));
}

TEST_P(MainWindowDpiTest, EveryViewIsLaidOutByTheTableAtItsScale) {
    for (const TView& view : kViews) {
        view.show(w());
        w().processResize();
        expectLaidOut(view.name);
    }
    // Wider than the design, the stretching controls take the room.
    formPeer().resizeAsUser(s(540) + 300, s(433) + 100);
    w().setAlert(L"Title", kLongBody);
    expectLaidOut("widened, long body");
}

TEST_P(MainWindowDpiTest, MovedToAMonitorOfAnotherScaleItIsLaidOutAsIfStartedThere) {
    w().setAlert(L"Title", kLongBody);
    for (int next : {144, 96, 192, GetParam()}) {
        formPeer().moveToMonitor(next, boundsRect(20, 20, scaled(540, next), scaled(433, next)));
        FDpi = next;
        ASSERT_EQ(w().dpi(), next);
        EXPECT_EQ(w().boundsRect(), boundsRect(20, 20, s(540), s(433))) << "the suggested bounds";
        EXPECT_EQ(formPeer().minClientWidth(), s(540));
        EXPECT_EQ(formPeer().minClientHeight(), s(433));
        EXPECT_EQ(w().VST->defaultNodeHeight(), s(17));
        EXPECT_EQ(w().VST->column(0).width, s(210));
        expectLaidOut(("moved to " + std::to_string(next)).c_str());
    }
}

// The window's pictures are those drawn for the scale of its DPI, not the 96-DPI ones stretched:
// where it starts, and again after each move to a monitor of another scale.
TEST_P(MainWindowDpiTest, ItsPicturesAreThoseDrawnForItsScale) {
    w().setImageAlertIndex(4);
    const struct {
        int dpi, side16, side48, side128;
    } scales[] = {{96, 16, 48, 128}, {144, 24, 72, 192}, {192, 32, 96, 256}};
    std::vector<int> steps{GetParam(), 144, 96, 192};
    for (int next : steps) {
        if (next != w().dpi()) {
            formPeer().moveToMonitor(next, boundsRect(20, 20, scaled(540, next), scaled(433, next)));
        }
        SCOPED_TRACE(std::to_string(next) + " DPI");
        ASSERT_EQ(w().dpi(), next);
        const auto& sizes =
            *std::find_if(std::begin(scales), std::end(scales), [&](const auto& c) { return c.dpi == next; });
        TImageList drawn16(1, 1);
        TImageList drawn48(1, 1);
        fillImg16(drawn16, next);
        fillImg48(drawn48, next);
        const struct {
            TImageList* list;
            const TImageList& drawn;
            int side;
        } lists[] = {{w().Img16, drawn16, sizes.side16}, {w().Img48, drawn48, sizes.side48}};
        for (const auto& l : lists) {
            EXPECT_EQ(l.list->width(), l.side);
            ASSERT_EQ(l.list->count(), l.drawn.count());
            for (int i = 0; i < l.drawn.count(); ++i) {
                EXPECT_EQ(*l.list->image(i), *l.drawn.image(i)) << "picture " << i << " of " << l.side;
            }
        }
        EXPECT_EQ(w().ImgRefresh->picture().width, sizes.side128);
        EXPECT_EQ(w().ImgRefresh->picture(), pictureRefresh(next));
        EXPECT_EQ(w().ImgBackup->picture(), pictureBackup(next));
        EXPECT_EQ(w().ImgAlert->picture(), *w().Img48->image(4)) << "the alert's picture, in the new size";
    }
}

// The results rows at the window's scale: the expand box, the check box and its tick are their design
// sizes scaled, and a file row's system icon, which Windows makes at the display's scale too, is drawn
// whole, the path's text beginning after it.
TEST_P(MainWindowDpiTest, ResultsRowsDrawTheirBoxesAndIconsAtItsScale) {
    w().scanStarting({L"C:\\"});
    const TScanNode file = w().fileFound(L"C:\\report.txt", L"c1", L"m1");
    w().streamFound(TADSObject(L"notes", 3), L"C:\\report.txt", L"c1", L"m1", 30, file);
    w().scanFinished(false, 1);
    TTreeList& tree = *w().VST;
    TTreeNode* fileRow = tree.getFirst();
    ASSERT_NE(fileRow, nullptr);
    plat::headless::TRasterCanvas& canvas = [&]() -> plat::headless::TRasterCanvas& {
        tree.paintNow();
        return peerOf(tree).surface();
    }();
    const TTreeColors colors = tree.colors();
    // The box of the pixels of colour within area; empty when there are none.
    auto boxOf = [&](const TRect& area, TColor colour, int* count = nullptr) {
        TRect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y) {
            for (int x = area.left; x < area.right; ++x) {
                if (canvas.getPixel(x, y) == colour) {
                    ++n;
                    box = TRect{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                                std::max(box.bottom, y + 1)};
                }
            }
        }
        if (count != nullptr) {
            *count = n;
        }
        return n == 0 ? TRect{} : box;
    };
    const TRect row = tree.rowRect(fileRow);
    const TRect cell{row.left, row.top, row.left + tree.column(0).width, row.bottom};
    // Lengths drawn from a scaled half or from scaled end points may differ from the scaled whole by
    // a pixel of rounding.
    auto near = [](int actual, int expected) { return std::abs(actual - expected) <= 1; };

    const TRect button = boxOf(cell, colors.button);
    EXPECT_TRUE(near(button.width(), s(9))) << "expand box " << button.width() << " wide";
    EXPECT_TRUE(near(button.height(), s(9))) << "expand box " << button.height() << " high";
    const TRect sign = boxOf(button, colors.buttonSign);
    EXPECT_TRUE(near(sign.width(), s(5))) << "its sign " << sign.width() << " wide";

    const TRect check = boxOf(cell, colors.checkFrame);
    EXPECT_EQ(check.width(), s(13));
    EXPECT_EQ(check.height(), s(13));
    EXPECT_GE(check.left, button.right) << "the check box right of the expand box";
    const TRect tick = boxOf(check, colors.checkMark);
    EXPECT_TRUE(near(tick.width(), s(7))) << "tick " << tick.width() << " wide";
    EXPECT_TRUE(near(tick.height(), s(6))) << "tick " << tick.height() << " high";

    // The stand-in system icon is a dark frame one pixel inside its square: whole, it is a frame
    // of side - 2 with every pixel of it shown.
    const int side = s(16);
    int framePixels = 0;
    const TRect icon =
        boxOf(TRect{check.right, cell.top, cell.right, cell.bottom}, RGBColor(40, 40, 40), &framePixels);
    EXPECT_EQ(icon.width(), side - 2);
    EXPECT_EQ(icon.height(), side - 2);
    EXPECT_EQ(framePixels, 4 * (side - 3)) << "nothing drawn over the icon's frame";
    EXPECT_EQ(w().ImgSys->width(), side) << "the list takes the size of the icons it shows";
}

INSTANTIATE_TEST_SUITE_P(Scales, MainWindowDpiTest, testing::Values(96, 144, 192),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param) + "dpi";
                         });
