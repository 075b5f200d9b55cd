// High contrast: while the system's high-contrast mode is on, every custom-drawn control paints
// with the system's colours only (the colour of each part chosen by its role), and with its own
// colours otherwise; a shown form repaints when the system switches.

#include "StyledFixture.h"
#include "platform/headless/HeadlessWidgets.h"
#include "toolkit/CheckBox.h"
#include "toolkit/ColorRoles.h"
#include "toolkit/Edit.h"
#include "toolkit/Form.h"
#include "toolkit/Label.h"
#include "toolkit/SpinEdit.h"
#include "toolkit/ToolBar.h"
#include "toolkit/TreeList.h"
#include "toolkit/VistaProBar.h"
#include "ui/styled/SEAdvPanel.h"
#include "ui/styled/SEMenuItem.h"
#include "ui/styled/SEPanel.h"
#include "ui/styled/SEProgressBar.h"

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

using plat::headless::TRasterCanvas;
using rastertest::hex;

namespace {

// A scheme whose colours none of the controls use of their own, so that each pixel tells its source.
plat::TSystemColors contrastScheme() {
    plat::TSystemColors colors;
    colors.highContrast = true;
    colors.windowText = hexColor(0x10E020);
    colors.window = hexColor(0x200810);
    colors.highlight = hexColor(0x3040F0);
    colors.highlightText = hexColor(0xF0F040);
    colors.buttonFace = hexColor(0x402060);
    colors.buttonText = hexColor(0xE0A0F0);
    colors.grayText = hexColor(0x909070);
    return colors;
}

TColor systemColor(const plat::TSystemColors& colors, TColorRole role) {
    switch (role) {
    case TColorRole::text:
        return colors.windowText;
    case TColorRole::window:
        return colors.window;
    case TColorRole::highlight:
        return colors.highlight;
    case TColorRole::highlightText:
        return colors.highlightText;
    case TColorRole::buttonFace:
        return colors.buttonFace;
    case TColorRole::buttonText:
        return colors.buttonText;
    case TColorRole::grayText:
        return colors.grayText;
    }
    return 0;
}

// The system's colours, and the arrow glyph's edges mixed from two of them (its tip twice).
std::set<TColor> systemPalette(const plat::TSystemColors& colors) {
    const std::vector<TColor> plain = {colors.windowText,    colors.window,     colors.highlight,
                                       colors.highlightText, colors.buttonFace, colors.buttonText,
                                       colors.grayText};
    std::set<TColor> palette(plain.begin(), plain.end());
    for (TColor a : plain) {
        for (TColor b : plain) {
            palette.insert(MixColors(a, b, 222));
            palette.insert(MixColors(a, MixColors(a, b, 222), 222));
        }
    }
    return palette;
}

// A point of a painted control and the colour it shows: its own (high contrast off) and the role
// that gives its colour in high contrast.
struct Probe {
    TPoint at;
    TColor own;
    TColorRole role;
};

struct Case {
    const char* name;
    int width;
    int height;
    // Makes the control (with its parent, when it has one), realised; answers the control painted.
    std::function<TControl*(std::vector<std::unique_ptr<TControl>>& keep, StyledTest& test)> make;
    std::vector<Probe> probes;
    // The role of the text drawn, with its own colour.
    TColor ownText;
    TColorRole textRole;
};

class HighContrastTest : public StyledTest {
protected:
    void SetUp() override {
        StyledTest::SetUp();
        plat::installWidgetServices(&widgets);
    }
    void TearDown() override {
        plat::installWidgetServices(nullptr);
        StyledTest::TearDown();
    }

public:
    using StyledTest::peerOf;
    using StyledTest::realise;
    plat::headless::THeadlessWidgets widgets;
};

int countColor(const TRasterCanvas& canvas, TColor color) {
    return rastertest::countOf(canvas, TRect{0, 0, canvas.width(), canvas.height()}, color);
}

TSEMenuItem* makeButton(std::vector<std::unique_ptr<TControl>>& keep, int w, int h) {
    auto button = std::make_unique<TSEMenuItem>();
    button->setCaption(L"Run Scan");
    button->setBorders(bLeft | bTop | bRight | bBottom);
    TSEMenuItem* result = button.get();
    keep.push_back(std::move(button));
    HighContrastTest::realise(*result, w, h);
    return result;
}

const std::vector<Case>& cases() {
    static const std::vector<Case> table = {
        {"button at rest",
         120,
         30,
         [](auto& keep, StyledTest&) { return makeButton(keep, 120, 30); },
         {{{0, 0}, hexColor(0x40484F), TColorRole::buttonText},
          {{3, 3}, hexColor(0x55606A), TColorRole::buttonFace}},
         hexColor(0xDCDCDC),
         TColorRole::buttonText},
        {"button hovered, with its active bar and menu arrow",
         120,
         30,
         [](auto& keep, StyledTest&) {
             TSEMenuItem* button = makeButton(keep, 120, 30);
             button->setArrow(true);
             button->setArrowDirection(atDown);
             button->setActive(true);
             button->setActivePosition(apLeft);
             HighContrastTest::peerOf(*button).mouseEnter();
             return button;
         },
         {{{60, 0}, hexColor(0x000000), TColorRole::buttonText},
          {{60, 3}, hexColor(0x5B6A75), TColorRole::highlight},
          {{2, 15}, hexColor(0x55C5FF), TColorRole::highlightText}},
         hexColor(0xDCDCDC),
         TColorRole::highlightText},
        {"button disabled and focused",
         120,
         30,
         [](auto& keep, StyledTest&) {
             TSEMenuItem* button = makeButton(keep, 120, 30);
             button->setFocus();
             button->setEnabled(false);
             return button;
         },
         {{{1, 1}, hexColor(0x55606A), TColorRole::buttonFace}},
         hexColor(0xDCDCDC),
         TColorRole::grayText},
        {"alert panel with coloured bands and a caption",
         100,
         40,
         [](auto& keep, StyledTest&) {
             auto panel = std::make_unique<TSEAdvPanel>();
             panel->setBackgroundColor(hexColor(0xDDEED6));
             panel->setBorders(bLeft | bTop);
             panel->setBorderLeftColor(hexColor(0x5CB85C));
             panel->setBorderLeftSize(3);
             panel->setBorderTopColor(hexColor(0x3C763D));
             panel->setCaption(L"Done");
             TSEAdvPanel* result = panel.get();
             keep.push_back(std::move(panel));
             HighContrastTest::realise(*result, 100, 40);
             return result;
         },
         {{{1, 20}, hexColor(0x5CB85C), TColorRole::text},
          {{50, 0}, hexColor(0x3C763D), TColorRole::text},
          {{90, 35}, hexColor(0xDDEED6), TColorRole::window}},
         hexColor(0xDCDCDC),
         TColorRole::text},
        {"plain panel with a caption",
         100,
         40,
         [](auto& keep, StyledTest&) {
             auto panel = std::make_unique<TSEPanel>();
             panel->setBorders(bLeft | bTop | bRight | bBottom);
             panel->setBorderColor(hexColor(0x101010));
             panel->setCaption(L"Panel");
             TSEPanel* result = panel.get();
             keep.push_back(std::move(panel));
             HighContrastTest::realise(*result, 100, 40);
             return result;
         },
         {{{0, 0}, hexColor(0x101010), TColorRole::text}, {{90, 35}, hexColor(0x303030), TColorRole::window}},
         hexColor(0xDCDCDC),
         TColorRole::text},
        {"progress bar half way",
         100,
         6,
         [](auto& keep, StyledTest&) {
             auto bar = std::make_unique<TSEProgressBar>();
             TSEProgressBar* result = bar.get();
             keep.push_back(std::move(bar));
             HighContrastTest::realise(*result, 100, 6);
             result->setPosition(50);
             return result;
         },
         {{{0, 0}, hexColor(0xFF0000), TColorRole::text},
          {{10, 3}, hexColor(0x00FF00), TColorRole::highlight},
          {{90, 3}, hexColor(0x000000), TColorRole::window}},
         0,
         TColorRole::text},
        {"label on an alert panel",
         100,
         20,
         [](auto& keep, StyledTest&) {
             auto panel = std::make_unique<TSEAdvPanel>();
             panel->setBackgroundColor(hexColor(0xDDEED6));
             panel->setShowCaption(false);
             TSEAdvPanel* owner = panel.get();
             keep.push_back(std::move(panel));
             HighContrastTest::realise(*owner, 200, 40);
             TLabel* label = owner->create<TLabel>();
             label->setTransparent(true);
             label->setCaption(L"Scan Complete!");
             label->recolorFont(hexColor(0x3C763D));
             label->setBounds(0, 0, 100, 20);
             return label;
         },
         {{{98, 18}, hexColor(0xDDEED6), TColorRole::window}},
         hexColor(0x3C763D),
         TColorRole::text},
        {"check box, checked",
         100,
         20,
         [](auto& keep, StyledTest&) {
             auto box = std::make_unique<TCheckBox>();
             box->setCaption(L"Zone");
             box->setChecked(true);
             TCheckBox* result = box.get();
             keep.push_back(std::move(box));
             HighContrastTest::realise(*result, 100, 20);
             return result;
         },
         {{{98, 1}, hexColor(0xF0F0F0), TColorRole::window}},
         clBlack,
         TColorRole::text},
        {"edit with its text selected",
         100,
         22,
         [](auto& keep, StyledTest&) {
             auto edit = std::make_unique<TEdit>();
             edit->setText(L"*.*");
             TEdit* result = edit.get();
             keep.push_back(std::move(edit));
             HighContrastTest::realise(*result, 100, 22);
             result->setFocus();
             result->selectAll();
             return result;
         },
         {{{0, 0}, hexColor(0x569DE5), TColorRole::text}, {{95, 11}, clWhite, TColorRole::window}},
         clWhite,
         TColorRole::highlightText},
        {"spin edit",
         80,
         22,
         [](auto& keep, StyledTest&) {
             auto spin = std::make_unique<TSpinEdit>();
             TSpinEdit* result = spin.get();
             keep.push_back(std::move(spin));
             HighContrastTest::realise(*result, 80, 22);
             return result;
         },
         {{{0, 11}, hexColor(0xABADB3), TColorRole::text}},
         clBlack,
         TColorRole::text},
        {"tool button hovered",
         100,
         24,
         [](auto& keep, StyledTest&) {
             auto bar = std::make_unique<TW7ToolBar>();
             TW7ToolBar* owner = bar.get();
             keep.push_back(std::move(bar));
             HighContrastTest::realise(*owner, 200, 30);
             TW7ToolButton* button = owner->create<TW7ToolButton>();
             button->setCaption(L"Backup Checked");
             button->setBounds(0, 0, 100, 24);
             HighContrastTest::peerOf(*button).mouseEnter();
             return button;
         },
         {},
         hexColor(0x000000),
         TColorRole::highlightText},
        {"marquee bar",
         100,
         10,
         [](auto& keep, StyledTest&) {
             auto bar = std::make_unique<TVistaProBar>();
             TVistaProBar* result = bar.get();
             keep.push_back(std::move(bar));
             HighContrastTest::realise(*result, 100, 10);
             return result;
         },
         {{{0, 0}, hexColor(0xBCBCBC), TColorRole::text}},
         0,
         TColorRole::text},
    };
    return table;
}

TEST_F(HighContrastTest, EachCustomDrawnControlPaintsWithTheSystemColoursOnlyWhileHighContrastIsOn) {
    const plat::TSystemColors scheme = contrastScheme();
    const std::set<TColor> palette = systemPalette(scheme);
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        // Off: the control's own colours.
        widgets.setSystemColors(plat::TSystemColors{});
        std::vector<std::unique_ptr<TControl>> keep;
        TControl* control = c.make(keep, *this);
        const TRasterCanvas own = painted(*control);
        for (const Probe& probe : c.probes) {
            EXPECT_EQ(hex(own.at(probe.at.x, probe.at.y)), hex(probe.own))
                << "at (" << probe.at.x << ", " << probe.at.y << ")";
        }
        if (c.ownText != 0) {
            EXPECT_GT(countColor(own, c.ownText), 0) << "text in " << hex(c.ownText);
        }

        // On: only the system's colours, each part in its role's.
        widgets.setSystemColors(scheme);
        const TRasterCanvas contrast = painted(*control);
        for (int y = 0; y < contrast.height(); ++y) {
            for (int x = 0; x < contrast.width(); ++x) {
                ASSERT_TRUE(palette.count(contrast.at(x, y)) != 0)
                    << "pixel (" << x << ", " << y << ") is " << hex(contrast.at(x, y))
                    << ", not one of the system's colours";
            }
        }
        for (const Probe& probe : c.probes) {
            EXPECT_EQ(hex(contrast.at(probe.at.x, probe.at.y)), hex(systemColor(scheme, probe.role)))
                << "at (" << probe.at.x << ", " << probe.at.y << ")";
        }
        if (c.ownText != 0) {
            EXPECT_GT(countColor(contrast, systemColor(scheme, c.textRole)), 0)
                << "text in " << hex(systemColor(scheme, c.textRole));
        }
    }
}

TEST_F(HighContrastTest, TheResultsTreeShowsTheSelectedRowInTheSystemHighlight) {
    const plat::TSystemColors scheme = contrastScheme();
    TTreeList tree;
    tree.addColumn(TTreeColumn{L"File Name", 150});
    tree.OnGetText = [](TTreeList*, TTreeNode*, int, std::wstring& text) { text = L"notes.txt"; };
    // The window's own cell colours: they give way to the system's in high contrast.
    tree.OnBeforeCellPaint = [](TTreeList*, TCanvas& canvas, TTreeNode*, int, const TRect& cell) {
        canvas.brush().setColor(hexColor(0xFFF0F0));
        canvas.FillRect(cell);
    };
    tree.OnPaintText = [](TTreeList*, TCanvas& canvas, TTreeNode*, int) {
        canvas.font().color = hexColor(0xC00000);
    };
    TTreeNode* first = tree.addChild(nullptr);
    tree.addChild(nullptr);
    realise(tree, 200, 100);
    tree.setFocusedNode(first);
    tree.setSelected(first, true);

    const TRasterCanvas own = painted(tree);
    EXPECT_GT(countColor(own, hexColor(0xFFF0F0)), 0);
    EXPECT_GT(countColor(own, hexColor(0xC00000)), 0);

    widgets.setSystemColors(scheme);
    const TRasterCanvas contrast = painted(tree);
    const std::set<TColor> palette = systemPalette(scheme);
    for (int y = 0; y < contrast.height(); ++y) {
        for (int x = 0; x < contrast.width(); ++x) {
            ASSERT_TRUE(palette.count(contrast.at(x, y)) != 0)
                << "pixel (" << x << ", " << y << ") is " << hex(contrast.at(x, y));
        }
    }
    const TRect firstRow = tree.rowRect(first);
    const TRect secondRow = tree.rowRect(tree.getNextSibling(first));
    EXPECT_GT(rastertest::countOf(contrast, firstRow, scheme.highlight), 0);
    EXPECT_GT(rastertest::countOf(contrast, firstRow, scheme.highlightText), 0);
    EXPECT_EQ(rastertest::countOf(contrast, secondRow, scheme.highlight), 0);
    EXPECT_GT(rastertest::countOf(contrast, secondRow, scheme.windowText), 0);
}

TEST_F(HighContrastTest, AShownFormRepaintsItsControlsWhenTheSystemSwitches) {
    TForm form;
    form.setBounds(0, 0, 200, 100);
    TSEMenuItem* button = form.create<TSEMenuItem>();
    button->setCaption(L"Valid");
    button->setBounds(10, 10, 80, 30);
    form.show();
    backend.paintCycle();
    EXPECT_EQ(peerOf(*button).surface().at(40, 2), hexColor(0x55606A));

    const plat::TSystemColors scheme = contrastScheme();
    peerOf(*button).resetCounts();
    widgets.setSystemColors(scheme);
    EXPECT_TRUE(peerOf(*button).repaintRequested());
    backend.paintCycle();
    EXPECT_EQ(hex(peerOf(*button).surface().at(40, 2)), hex(scheme.buttonFace));

    widgets.setSystemColors(plat::TSystemColors{});
    backend.paintCycle();
    EXPECT_EQ(hex(peerOf(*button).surface().at(40, 2)), hex(hexColor(0x55606A)));
}

} // namespace
