// What the toolkit's controls tell screen readers, and the changes they pass on.

#include "toolkit/WidgetFixture.h"
#include "toolkit/TreeListFixture.h"

#include "toolkit/CheckBox.h"
#include "toolkit/Edit.h"
#include "toolkit/Image.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "toolkit/SpinEdit.h"
#include "toolkit/ToolBar.h"
#include "toolkit/VistaProBar.h"

#include <functional>
#include <memory>

using plat::TAccEvent;
using plat::TAccRole;

namespace {

struct TDescribedCase {
    const char* what;
    std::function<std::unique_ptr<TControl>()> make;
    TAccRole role;
    std::wstring name;
    std::wstring value;
    plat::TAccStates mustHave;
    plat::TAccStates mustLack;
    std::wstring defaultAction;
};

template <typename T> std::unique_ptr<TControl> made(std::function<void(T&)> setUp) {
    auto control = std::make_unique<T>();
    setUp(*control);
    return control;
}

} // namespace

class AccessibleWidgetsTest : public WidgetTest {};

TEST_F(AccessibleWidgetsTest, EachControlDescribesItselfFromItsState) {
    const TDescribedCase cases[] = {
        {"tool button", [] { return made<TW7ToolButton>([](auto& b) { b.setCaption(L"Backup Checked"); }); },
         TAccRole::pushButton, L"Backup Checked", L"", plat::asFocusable,
         plat::asUnavailable | plat::asHasPopup, L"Press"},
        {"disabled tool button",
         [] {
             return made<TW7ToolButton>([](auto& b) {
                 b.setCaption(L"Delete Checked");
                 b.setEnabled(false);
             });
         },
         TAccRole::pushButton, L"Delete Checked", L"", plat::asUnavailable, 0, L"Press"},
        {"tool button named by its hint",
         [] { return made<TW7ToolButton>([](auto& b) { b.setHint(L"Restart as administrator"); }); },
         TAccRole::pushButton, L"Restart as administrator", L"", 0, 0, L"Press"},
        {"tool button with a menu",
         [] {
             return made<TW7ToolButton>([](auto& b) {
                 static TPopupMenu menu;
                 b.setCaption(L"Scan");
                 b.setDropdownMenu(&menu);
             });
         },
         TAccRole::menuButton, L"Scan", L"", plat::asHasPopup, 0, L"Press"},
        {"unchecked check box", [] { return made<TCheckBox>([](auto& c) { c.setCaption(L"Recurse"); }); },
         TAccRole::checkButton, L"Recurse", L"", plat::asFocusable, plat::asChecked, L"Check"},
        {"checked check box",
         [] {
             return made<TCheckBox>([](auto& c) {
                 c.setCaption(L"Recurse");
                 c.setChecked(true);
             });
         },
         TAccRole::checkButton, L"Recurse", L"", plat::asChecked, 0, L"Uncheck"},
        {"edit named by its label",
         [] {
             return made<TEdit>([](auto& e) {
                 e.setText(L"*.exe");
                 e.setAccessibleName(L"File wildcard");
             });
         },
         TAccRole::editText, L"File wildcard", L"*.exe", plat::asFocusable, plat::asReadOnly, L""},
        {"spin box",
         [] {
             return made<TSpinEdit>([](auto& s) {
                 s.setMaxValue(1024);
                 s.setValue(40);
                 s.setAccessibleName(L"Preview length");
             });
         },
         TAccRole::editText, L"Preview length", L"40", plat::asFocusable, 0, L""},
        {"label", [] { return made<TLabel>([](auto& l) { l.setCaption(L"Scanning"); }); },
         TAccRole::staticText, L"Scanning", L"", plat::asReadOnly, plat::asFocusable, L""},
        {"hidden label",
         [] {
             return made<TLabel>([](auto& l) {
                 l.setCaption(L"gone");
                 l.setVisible(false);
             });
         },
         TAccRole::staticText, L"gone", L"", plat::asInvisible, 0, L""},
        {"picture", [] { return made<TImage>([](auto&) {}); }, TAccRole::graphic, L"", L"", plat::asReadOnly,
         0, L""},
        {"progress bar a third done",
         [] {
             return made<TVistaProBar>([](auto& p) {
                 p.setMax(3);
                 p.setPosition(1);
             });
         },
         TAccRole::progressBar, L"", L"33%", plat::asReadOnly, 0, L""},
        {"progress bar past its end",
         [] {
             return made<TVistaProBar>([](auto& p) {
                 p.setMax(10);
                 p.setPosition(12);
             });
         },
         TAccRole::progressBar, L"", L"100%", 0, 0, L""},
        {"progress bar without a maximum",
         [] {
             return made<TVistaProBar>([](auto& p) {
                 p.setMax(0);
                 p.setPosition(5);
             });
         },
         TAccRole::progressBar, L"", L"0%", 0, 0, L""},
        {"running marquee", [] { return made<TVistaProBar>([](auto& p) { p.setMarquee(true); }); },
         TAccRole::progressBar, L"", L"", 0, 0, L""},
        {"tool bar", [] { return made<TW7ToolBar>([](auto&) {}); }, TAccRole::toolBar, L"", L"", 0, 0, L""},
    };
    TPanel parent;
    parent.setBounds(0, 0, 400, 300);
    for (const TDescribedCase& each : cases) {
        SCOPED_TRACE(each.what);
        TControl* control = parent.insertControl(each.make());
        ASSERT_NE(control, nullptr);
        control->setBounds(5, 6, 70, 20);
        const plat::TAccessibleItem item = control->accessible();
        EXPECT_EQ(item.role, each.role);
        EXPECT_EQ(item.name, each.name);
        EXPECT_EQ(item.value, each.value);
        EXPECT_EQ(item.states & each.mustHave, each.mustHave);
        EXPECT_EQ(item.states & each.mustLack, 0u);
        EXPECT_EQ(item.defaultAction, each.defaultAction);
        EXPECT_EQ(item.location, (TRect{0, 0, 70, 20})); // the control's own client area
        EXPECT_EQ(control->accessibleItemCount(), 0);
    }
}

TEST_F(AccessibleWidgetsTest, TheDefaultActionPressesAndChecksOnlyWhatIsEnabled) {
    TW7ToolButton button;
    int clicks = 0;
    button.OnClick = [&](TControl*) { ++clicks; };
    EXPECT_TRUE(button.accessibleDefaultAction(0));
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button.accessibleDefaultAction(1)); // no such item
    button.setEnabled(false);
    EXPECT_FALSE(button.accessibleDefaultAction(0));
    EXPECT_EQ(clicks, 1);

    TCheckBox box;
    EXPECT_TRUE(box.accessibleDefaultAction(0));
    EXPECT_TRUE(box.checked());
    EXPECT_TRUE(box.accessible().has(plat::asChecked));

    TLabel label; // nothing to do
    EXPECT_FALSE(label.accessibleDefaultAction(0));
}

TEST_F(AccessibleWidgetsTest, ChangesArePassedOnAsTheirEvents) {
    TPanel window;
    window.setBounds(0, 0, 300, 200);
    auto* button = window.create<TW7ToolButton>();
    auto* box = window.create<TCheckBox>();
    auto* bar = window.create<TVistaProBar>();
    auto* edit = window.create<TEdit>();
    edit->setAccessibleName(L"Wildcard");
    bar->setBounds(0, 0, 100, 10);
    bar->setMax(200);
    window.createHandle();
    auto* buttonPeer = &peerOf(*button);
    auto* boxPeer = &peerOf(*box);
    auto* barPeer = &peerOf(*bar);
    auto* editPeer = &peerOf(*edit);

    struct TStep {
        const char* what;
        std::function<void()> act;
        std::vector<plat::headless::TAccEventRecord> events;
    };
    const TStep steps[] = {
        {"disabled", [&] { button->setEnabled(false); }, {{buttonPeer, TAccEvent::stateChange, 0}}},
        {"disabled again: no change", [&] { button->setEnabled(false); }, {}},
        {"renamed", [&] { button->setCaption(L"Run"); }, {{buttonPeer, TAccEvent::nameChange, 0}}},
        {"hidden", [&] { button->setVisible(false); }, {{buttonPeer, TAccEvent::hide, 0}}},
        {"shown", [&] { button->setVisible(true); }, {{buttonPeer, TAccEvent::show, 0}}},
        {"checked", [&] { box->setChecked(true); }, {{boxPeer, TAccEvent::stateChange, 0}}},
        {"half a percent: the value reads the same", [&] { bar->setPosition(1); }, {}},
        {"one percent", [&] { bar->setPosition(2); }, {{barPeer, TAccEvent::valueChange, 0}}},
        {"typed into", [&] { edit->setText(L"*.txt"); }, {{editPeer, TAccEvent::valueChange, 0}}},
        {"focused", [&] { backend.moveFocus(editPeer); }, {{editPeer, TAccEvent::focus, 0}}},
    };
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.what);
        backend.clearAccessibleEvents();
        step.act();
        const auto& got = backend.accessibleEvents();
        ASSERT_EQ(got.size(), step.events.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].peer, step.events[i].peer);
            EXPECT_EQ(got[i].event, step.events[i].event);
            EXPECT_EQ(got[i].item, step.events[i].item);
        }
    }
}

// ---- The tree-list.

class AccessibleTreeTest : public TreeListTest {
protected:
    void SetUp() override {
        TreeListTest::SetUp();
        tree.addColumn(TTreeColumn{L"Name", 120, 30});
        tree.addColumn(TTreeColumn{L"Size", 60, 20});
        tree.addColumn(TTreeColumn{L"", 60, 20}); // a column without a header
    }
    plat::TAccessibleItem row(int item) { return tree.accessibleItem(item); }
};

TEST_F(AccessibleTreeTest, EveryRowShownIsAnItemOfTheOutline) {
    auto& peer = realise(300, 200);
    const auto files = addFiles(2, 2);
    tree.setExpanded(files[0], true);
    tree.setCheckState(find(L"f0:s1"), TCheckState::csUncheckedNormal); // f0 becomes mixed
    tree.setFocusedNode(find(L"f0:s0"));
    backend.moveFocus(&peer);

    EXPECT_EQ(peer.accessible().role, TAccRole::outline);
    ASSERT_EQ(peer.accessibleItemCount(), 4); // f0, f0:s0, f0:s1, f1 (f1 collapsed)

    struct TRowCase {
        int item;
        std::wstring name;
        std::wstring value;
        plat::TAccStates states;
        std::wstring defaultAction;
    };
    const plat::TAccStates base = plat::asSelectable | plat::asFocusable;
    const TRowCase cases[] = {
        {1, L"f0", L"1", base | plat::asExpanded | plat::asMixed, L"Check"},
        {2, L"f0:s0", L"2", base | plat::asChecked | plat::asSelected | plat::asFocused, L"Uncheck"},
        {3, L"f0:s1", L"2", base, L"Check"},
        {4, L"f1", L"1", base | plat::asCollapsed | plat::asChecked, L"Uncheck"},
    };
    for (const TRowCase& each : cases) {
        SCOPED_TRACE(each.item);
        const plat::TAccessibleItem item = peer.accessible(each.item);
        EXPECT_EQ(item.role, TAccRole::outlineItem);
        EXPECT_EQ(item.name, each.name);
        EXPECT_EQ(item.value, each.value);
        EXPECT_EQ(item.states, each.states);
        EXPECT_EQ(item.defaultAction, each.defaultAction);
        EXPECT_EQ(item.description, L"Size: " + each.name + L"#1, " + each.name + L"#2");
        EXPECT_EQ(item.location, tree.rowRect(tree.rowNode(each.item - 1)));
    }
    EXPECT_EQ(peer.accessible(0).role, TAccRole::outline);
    EXPECT_EQ(peer.accessible(5).role, TAccRole::client); // past the last row: nothing
    EXPECT_TRUE(peer.accessible(5).name.empty());
}

TEST_F(AccessibleTreeTest, RowsScrolledAwayAreOffscreenAndRowsFollowTheDisplayScale) {
    for (int dpi : {96, 144}) {
        SCOPED_TRACE(dpi);
        tree.clear();
        tree.changeDpi(dpi);
        auto& peer = realise(tree.scale(300), tree.scale(100));
        addFiles(40, 0);
        const int perPage = tree.rowsPerPage();
        ASSERT_LT(perPage, 40);
        const plat::TAccessibleItem first = peer.accessible(1);
        EXPECT_EQ(first.location.top, tree.headerHeight());
        EXPECT_EQ(first.location.height(), tree.rowRect(tree.rowNode(0)).height());
        EXPECT_FALSE(first.has(plat::asOffscreen));
        EXPECT_TRUE(peer.accessible(perPage + 2).has(plat::asOffscreen));
        const plat::TAccessibleItem second = peer.accessible(2);
        EXPECT_EQ(second.location.top, first.location.bottom);
    }
}

TEST_F(AccessibleTreeTest, HitTestingAnswersTheRowUnderThePointScrolledOrNot) {
    auto& peer = realise(300, 120);
    addFiles(20, 0);
    const int h = tree.rowRect(tree.rowNode(0)).height();
    const int top = tree.headerHeight();
    struct TPointCase {
        const char* where;
        int x;
        int y;
        int item;
    };
    const TPointCase before[] = {
        {"the header", 20, top / 2, 0},
        {"the first row's top", 20, top, 1},
        {"the first row's last pixel", 20, top + h - 1, 1},
        {"the third row, in another column", 200, top + 2 * h + 1, 3},
    };
    for (const TPointCase& each : before) {
        EXPECT_EQ(peer.accessibleItemAt(each.x, each.y), each.item) << each.where;
    }
    // Scrolled down by three rows, the same point lies on the fourth row; past the last row, nothing.
    tree.setOffsetY(3 * h);
    EXPECT_EQ(peer.accessibleItemAt(20, top + 1), 4);
    tree.clear();
    addFiles(1, 0);
    EXPECT_EQ(peer.accessibleItemAt(20, top + 3 * h), 0) << "below the last row";
}

TEST_F(AccessibleTreeTest, TheDefaultActionTogglesTheRowsCheck) {
    auto& peer = realise(300, 200);
    const auto files = addFiles(1, 1, true);
    int checkedEvents = 0;
    tree.OnChecked = [&](TTreeList*, TTreeNode*) { ++checkedEvents; };
    EXPECT_TRUE(peer.accessibleDefaultAction(2));
    EXPECT_FALSE(tree.isChecked(find(L"f0:s0")));
    EXPECT_EQ(checkedEvents, 1); // the window hears of it as of a click
    EXPECT_FALSE(peer.accessible(2).has(plat::asChecked));
    EXPECT_TRUE(peer.accessibleDefaultAction(2));
    EXPECT_TRUE(tree.isChecked(find(L"f0:s0")));

    tree.setCheckType(files[0], TCheckType::ctNone);
    EXPECT_FALSE(peer.accessibleDefaultAction(1)); // no box: nothing to do
    EXPECT_TRUE(peer.accessible(1).defaultAction.empty());
    EXPECT_FALSE(peer.accessibleDefaultAction(3)); // no such row
    tree.setEnabled(false);
    EXPECT_FALSE(peer.accessibleDefaultAction(2));
    tree.OnChecked = nullptr;
}

TEST_F(AccessibleTreeTest, KeyboardMovesRaiseFocusAndSelectionOnTheRow) {
    auto& peer = realise(300, 200);
    addFiles(2, 1, true); // rows: f0, f0:s0, f1, f1:s0
    backend.moveFocus(&peer);

    struct TKeyCase {
        const char* what;
        int key;
        std::vector<std::pair<TAccEvent, int>> events;
    };
    const TKeyCase cases[] = {
        {"first Down focuses the first row",
         TTreeList::kKeyDown,
         {{TAccEvent::focus, 1}, {TAccEvent::selection, 1}}},
        {"Down", TTreeList::kKeyDown, {{TAccEvent::focus, 2}, {TAccEvent::selection, 2}}},
        {"Space unchecks", VK_SPACE, {{TAccEvent::stateChange, 2}}},
        {"End", TTreeList::kKeyEnd, {{TAccEvent::focus, 4}, {TAccEvent::selection, 4}}},
        {"End again: no move", TTreeList::kKeyEnd, {}},
        {"Left on a stream goes to its file",
         TTreeList::kKeyLeft,
         {{TAccEvent::focus, 3}, {TAccEvent::selection, 3}}},
        {"Left collapses the file",
         TTreeList::kKeyLeft,
         {{TAccEvent::stateChange, 3}, {TAccEvent::reorder, 0}}},
    };
    for (const TKeyCase& each : cases) {
        SCOPED_TRACE(each.what);
        backend.clearAccessibleEvents();
        peer.pressKey(each.key);
        std::vector<std::pair<TAccEvent, int>> got;
        for (const auto& record : backend.accessibleEvents()) {
            EXPECT_EQ(record.peer, &peer);
            got.emplace_back(record.event, record.item);
        }
        EXPECT_EQ(got, each.events);
    }

    // The tree taking the focus says which row has it.
    backend.moveFocus(nullptr);
    backend.clearAccessibleEvents();
    backend.moveFocus(&peer);
    ASSERT_EQ(backend.accessibleEvents().size(), 1u);
    EXPECT_EQ(backend.accessibleEvents()[0].event, TAccEvent::focus);
    EXPECT_EQ(backend.accessibleEvents()[0].item, 3);

    // Changes the program makes while the tree is being filled say nothing.
    backend.clearAccessibleEvents();
    tree.beginUpdate();
    tree.setFocusedNode(find(L"f0"));
    tree.endUpdate();
    EXPECT_TRUE(backend.accessibleEvents().empty());
}
