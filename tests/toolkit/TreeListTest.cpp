// The tree-list's model: node records, the check-box rules, check all, expansion and the flattened
// rows, suspended updates, deletion, iteration order and sorting.

#include "toolkit/TreeListFixture.h"

#include <map>
#include <sstream>

namespace {

std::string stateName(TCheckState state) {
    switch (state) {
    case TCheckState::csUncheckedNormal:
        return "unchecked";
    case TCheckState::csCheckedNormal:
        return "checked";
    case TCheckState::csMixedNormal:
        return "mixed";
    default:
        return "pressed";
    }
}

std::vector<std::wstring> names(std::initializer_list<const wchar_t*> list) {
    return std::vector<std::wstring>(list.begin(), list.end());
}

} // namespace

// ---- Records.

namespace {
struct TCounted {
    static inline int alive = 0;
    std::wstring text = L"a text long enough to live on the heap, so a leak shows";
    TCounted() { ++alive; }
    ~TCounted() { --alive; }
};
} // namespace

TEST_F(TreeListTest, RecordsAreMadeWithTheirNodeAndDestroyedAfterOnFreeNode) {
    std::vector<std::wstring> freed; // outlives the tree, whose destructor frees the last node
    TTreeList records;
    ASSERT_TRUE(records.setNodeDataType<TCounted>());
    records.OnFreeNode = [&](TTreeList* sender, TTreeNode* node) {
        freed.push_back(sender->getNodeData<TCounted>(node)->text); // still alive here
    };
    TTreeNode* file = records.addChild(nullptr);
    records.addChild(file);
    records.addChild(nullptr);
    EXPECT_EQ(3, TCounted::alive);
    EXPECT_FALSE(records.setNodeDataType<TTestRow>()) << "the record type is fixed while nodes exist";
    EXPECT_EQ(nullptr, records.getNodeData<TTestRow>(file)) << "a record asked as another type";
    records.deleteNode(file);
    EXPECT_EQ(1, TCounted::alive);
    EXPECT_EQ(2u, freed.size());
    records.clear();
    EXPECT_EQ(0, TCounted::alive);
    EXPECT_EQ(0u, records.totalCount());
    records.addChild(nullptr);
    EXPECT_EQ(1, TCounted::alive); // the destructor frees the rest
}

TEST_F(TreeListTest, NodeHandlesStayValidWhileManyNodesAreAdded) {
    TTreeNode* first = add(nullptr, L"first");
    for (int i = 0; i < 20000; ++i) {
        add(first, L"child");
    }
    EXPECT_EQ(L"first", nameOf(first));
    EXPECT_EQ(20001u, tree.totalCount());
    EXPECT_EQ(20000u, tree.childCount(first));
    EXPECT_EQ(1u, tree.childCount(nullptr));
}

// ---- Check boxes.

// Each case starts from one file with streams A, B and C, all checked, and applies its steps:
// "click X" toggles X as the user does, "uncheck X" / "check X" set X's box, "delete X" deletes
// the row, "add X" adds an unchecked stream X.
struct TCheckCase {
    const char* steps;
    const char* expected; // F A B C (D) after the steps; "-" for a deleted row
};

class TriStateRules : public TreeListTest, public testing::WithParamInterface<TCheckCase> {};

TEST_P(TriStateRules, FileRowFollowsItsStreamsAndDrivesThem) {
    TTreeNode* file = add(nullptr, L"F");
    std::map<std::string, TTreeNode*> nodes{{"F", file}};
    for (const char* name : {"A", "B", "C"}) {
        nodes[name] = add(file, std::wstring(name, name + 1));
    }
    std::istringstream steps(GetParam().steps);
    std::string verb, name;
    while (steps >> verb >> name) {
        if (verb == "add") {
            nodes[name] = add(file, L"D");
            tree.setCheckState(nodes[name], TCheckState::csUncheckedNormal);
        } else if (verb == "delete") {
            tree.deleteNode(nodes[name]);
            nodes[name] = nullptr;
        } else if (verb == "click") {
            tree.setFocusedNode(nodes[name]);
            tree.handleKeyDown(TTreeList::kKeySpace);
        } else {
            tree.setCheckState(nodes[name], verb == "check" ? TCheckState::csCheckedNormal
                                                            : TCheckState::csUncheckedNormal);
        }
    }
    std::string shown;
    for (const char* name : {"F", "A", "B", "C", "D"}) {
        if (nodes.count(name) == 0) {
            continue;
        }
        shown += std::string(shown.empty() ? "" : " ") +
                 (nodes[name] ? stateName(tree.checkState(nodes[name])) : "-");
    }
    EXPECT_EQ(GetParam().expected, shown) << GetParam().steps;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TriStateRules,
    testing::Values(TCheckCase{"", "checked checked checked checked"},
                    TCheckCase{"uncheck A", "mixed unchecked checked checked"},
                    TCheckCase{"uncheck A uncheck B uncheck C", "unchecked unchecked unchecked unchecked"},
                    TCheckCase{"uncheck A uncheck B uncheck C check B", "mixed unchecked checked unchecked"},
                    TCheckCase{"click A", "mixed unchecked checked checked"},
                    TCheckCase{"click A click A", "checked checked checked checked"},
                    TCheckCase{"click F", "unchecked unchecked unchecked unchecked"},
                    TCheckCase{"click F click F", "checked checked checked checked"},
                    TCheckCase{"uncheck A click F", "checked checked checked checked"},
                    TCheckCase{"uncheck A delete A", "checked - checked checked"},
                    TCheckCase{"uncheck A delete B delete C", "unchecked unchecked - -"},
                    TCheckCase{"uncheck A uncheck B uncheck C delete A delete B delete C", "unchecked - - -"},
                    TCheckCase{"add D", "mixed checked checked checked unchecked"},
                    TCheckCase{"add D delete D", "checked checked checked checked -"},
                    TCheckCase{"uncheck A uncheck B uncheck C add D",
                               "unchecked unchecked unchecked unchecked unchecked"}));

TEST_F(TreeListTest, OnlyThePlainCheckedStateCountsAsChecked) {
    TTreeNode* file = add(nullptr, L"F");
    TTreeNode* a = add(file, L"A");
    add(file, L"B");
    tree.setCheckState(a, TCheckState::csUncheckedNormal);
    EXPECT_EQ(TCheckState::csMixedNormal, tree.checkState(file));
    EXPECT_FALSE(tree.isChecked(file));
    tree.setCheckState(a, TCheckState::csCheckedPressed);
    EXPECT_FALSE(tree.isChecked(a));
    EXPECT_TRUE(tree.isChecked(file)) << "a pressed box counts as its state for its parent";
}

TEST_F(TreeListTest, CheckedEventComesForTheChangedRowOnlyAndNotDuringInit) {
    std::vector<std::wstring> checked;
    tree.OnChecked = [&](TTreeList*, TTreeNode* node) { checked.push_back(nameOf(node)); };
    TTreeNode* file = addFiles(1, 3).front();
    EXPECT_TRUE(checked.empty()) << "the initial state is not a change";
    tree.setCheckState(file, TCheckState::csUncheckedNormal);
    tree.setCheckState(file, TCheckState::csUncheckedNormal); // no change, no event
    EXPECT_EQ(names({L"f0"}), checked);
}

TEST_F(TreeListTest, PlainBoxParentKeepsItsOwnState) {
    TTreeNode* parent = add(nullptr, L"P");
    tree.setCheckType(parent, TCheckType::ctCheckBox);
    TTreeNode* child = add(parent, L"C");
    tree.setCheckState(child, TCheckState::csUncheckedNormal);
    EXPECT_EQ(TCheckState::csCheckedNormal, tree.checkState(parent));
    tree.setCheckState(parent, TCheckState::csUncheckedNormal);
    tree.setCheckState(parent, TCheckState::csCheckedNormal);
    EXPECT_EQ(TCheckState::csUncheckedNormal, tree.checkState(child));
}

TEST_F(TreeListTest, CheckAllAndUncheckAllReachCollapsedRowsWithoutEventsOrRules) {
    const auto files = addFiles(3, 2);
    tree.setExpanded(files[1], true);
    tree.setCheckState(find(L"f0:s1"), TCheckState::csUncheckedNormal);
    TTreeNode* noBox = add(files[2], L"plain");
    tree.setCheckType(noBox, TCheckType::ctNone);
    int events = 0;
    tree.OnChecked = [&](TTreeList*, TTreeNode*) { ++events; };
    auto& peer = realise(300, 200);

    tree.uncheckAll();
    for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNext(node)) {
        if (node != noBox) {
            EXPECT_EQ(TCheckState::csUncheckedNormal, tree.checkState(node)) << nameOf(node);
        }
    }
    tree.checkAll();
    for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNext(node)) {
        EXPECT_EQ(node != noBox, tree.isChecked(node)) << nameOf(node);
    }
    EXPECT_EQ(TCheckType::ctNone, tree.checkType(noBox));
    EXPECT_EQ(0, events);
    EXPECT_GE(peer.invalidateCount(), 2);
}

// ---- Expansion and the rows of the view.

TEST_F(TreeListTest, RowsFollowExpandAndCollapse) {
    const auto files = addFiles(3, 2);
    EXPECT_EQ(names({L"f0", L"f1", L"f2"}), rows());
    tree.setExpanded(files[1], true);
    EXPECT_EQ(names({L"f0", L"f1", L"f1:s0", L"f1:s1", L"f2"}), rows());
    EXPECT_EQ(3, tree.rowOf(find(L"f1:s1")));
    EXPECT_EQ(-1, tree.rowOf(find(L"f0:s0")));
    tree.fullExpand();
    EXPECT_EQ(9, tree.rowCount());
    EXPECT_EQ(8, tree.rowOf(find(L"f2:s1")));
    tree.fullCollapse();
    EXPECT_EQ(names({L"f0", L"f1", L"f2"}), rows());
    EXPECT_EQ(-1, tree.rowOf(find(L"f2:s1")));
    tree.toggleNode(files[2]);
    EXPECT_EQ(names({L"f0", L"f1", L"f2", L"f2:s0", L"f2:s1"}), rows());
}

TEST_F(TreeListTest, DeeperLevelsShowOnlyUnderExpandedAncestors) {
    TTreeNode* top = add(nullptr, L"top");
    TTreeNode* middle = add(top, L"middle");
    add(middle, L"leaf");
    add(nullptr, L"next");
    tree.setExpanded(middle, true);
    EXPECT_EQ(names({L"top", L"next"}), rows()) << "an expanded row under a collapsed one stays hidden";
    tree.setExpanded(top, true);
    EXPECT_EQ(names({L"top", L"middle", L"leaf", L"next"}), rows());
    EXPECT_EQ(2, tree.getNodeLevel(find(L"leaf")));
    tree.fullCollapse(top);
    tree.fullExpand(middle);
    EXPECT_EQ(names({L"top", L"next"}), rows());
    EXPECT_TRUE(tree.expanded(middle));
}

TEST_F(TreeListTest, RowsAddedUnderExpandedRowsShow) {
    TTreeNode* file = add(nullptr, L"F");
    tree.setExpanded(file, true); // as the scan does, each time a stream is added
    add(file, L"A");
    EXPECT_EQ(names({L"F", L"A"}), rows());
    add(file, L"B");
    add(nullptr, L"G");
    EXPECT_EQ(names({L"F", L"A", L"B", L"G"}), rows());
}

TEST_F(TreeListTest, CollapsingMovesTheFocusFromAHiddenRowToItsShownAncestor) {
    const auto files = addFiles(2, 2, true);
    std::vector<std::wstring> focus;
    tree.OnFocusChanged = [&](TTreeList*, TTreeNode* node, int) { focus.push_back(nameOf(node)); };
    tree.setFocusedNode(find(L"f1:s1"));
    tree.setExpanded(files[1], false);
    EXPECT_EQ(files[1], tree.focusedNode());
    EXPECT_TRUE(tree.selected(files[1]));
    tree.setFocusedNode(find(L"f0:s0"));
    tree.fullCollapse();
    EXPECT_EQ(files[0], tree.focusedNode());
    EXPECT_EQ(names({L"f1:s1", L"f1", L"f0:s0", L"f0"}), focus);
}

TEST_F(TreeListTest, SuspendedUpdatesNeitherRepaintNorPaintUntilTheLastEnd) {
    auto& peer = realise(300, 200);
    int texts = 0;
    auto getText = tree.OnGetText;
    tree.OnGetText = [&](TTreeList* sender, TTreeNode* node, int column, std::wstring& text) {
        ++texts;
        getText(sender, node, column, text);
    };
    tree.beginUpdate();
    tree.beginUpdate();
    tree.clear();
    addFiles(50, 3, true);
    tree.checkAll();
    tree.setFocusedNode(find(L"f3"));
    tree.endUpdate();
    EXPECT_EQ(0, peer.invalidateCount());
    peer.paintNow();
    EXPECT_EQ(0, texts) << "a paint while suspended draws nothing";
    EXPECT_TRUE(tree.updating());
    tree.endUpdate();
    EXPECT_FALSE(tree.updating());
    EXPECT_EQ(1, peer.invalidateCount());
    EXPECT_EQ(1, backend.paintCycle());
    EXPECT_GT(texts, 0);
    EXPECT_EQ(200, tree.rowCount());
    tree.endUpdate(); // one too many: harmless
    EXPECT_FALSE(tree.updating());
}

// ---- Deletion.

TEST_F(TreeListTest, DeletingARowDeletesItsChildrenFirst) {
    const auto files = addFiles(3, 2, true);
    std::vector<std::wstring> freed;
    tree.OnFreeNode = [&](TTreeList*, TTreeNode* node) { freed.push_back(nameOf(node)); };
    tree.setFocusedNode(find(L"f1:s0"));
    TTreeNode* focusAfter = find(L"f0");
    tree.OnFocusChanged = [&](TTreeList*, TTreeNode* node, int) { focusAfter = node; };
    tree.deleteNode(files[1]);
    EXPECT_EQ(names({L"f1:s0", L"f1:s1", L"f1"}), freed);
    EXPECT_EQ(6u, tree.totalCount());
    EXPECT_EQ(names({L"f0", L"f0:s0", L"f0:s1", L"f2", L"f2:s0", L"f2:s1"}), rows());
    EXPECT_EQ(nullptr, tree.focusedNode());
    EXPECT_EQ(nullptr, focusAfter) << "the focus change is reported";
    EXPECT_EQ(nullptr, tree.getFirstSelected());
    tree.deleteNode(nullptr);
    EXPECT_EQ(6u, tree.totalCount());
}

TEST_F(TreeListTest, AHandlerThatPaintsWhileRowsAreFreedSeesOnlyLiveRows) {
    // The window repaints on focus changes; a paint from inside a deletion must not reach the rows
    // being freed (the sanitizer would catch it).
    addFiles(20, 3, true);
    realise(300, 400);
    int paints = 0;
    tree.OnFreeNode = [&](TTreeList* sender, TTreeNode*) {
        sender->paintNow();
        ++paints;
    };
    tree.OnFocusChanged = [](TTreeList* sender, TTreeNode*, int) { sender->paintNow(); };
    tree.setFocusedNode(find(L"f2:s1"));
    tree.paintNow();
    tree.deleteNode(find(L"f2"));
    tree.setFocusedNode(find(L"f5:s0"));
    tree.setExpanded(find(L"f5"), false);
    tree.clear();
    EXPECT_EQ(80, paints);
    EXPECT_EQ(0, tree.rowCount());
}

TEST_F(TreeListTest, AWalkCanDeleteAsItGoes) {
    // As the removal does: delete some streams, then every file left without streams.
    addFiles(3, 2);
    add(nullptr, L"lonely");
    for (TTreeNode* node = tree.getFirst(); node != nullptr;) {
        TTreeNode* following = tree.getNext(node);
        if (nameOf(node) == L"f0:s0" || nameOf(node) == L"f0:s1" || nameOf(node) == L"f2:s0") {
            tree.deleteNode(node);
        }
        node = following;
    }
    for (TTreeNode* node = tree.getFirst(); node != nullptr;) {
        TTreeNode* following = tree.getNextSibling(node);
        if (!tree.hasChildren(node)) {
            tree.deleteNode(node);
        }
        node = following;
    }
    EXPECT_EQ(names({L"f1", L"f1:s0", L"f1:s1", L"f2", L"f2:s1"}), treeOrder());
}

TEST_F(TreeListTest, DeletedNodesAreReusedAndClearGivesTheMemoryBack) {
    addFiles(100, 10);
    const std::size_t full = tree.allocatedBytes();
    tree.deleteNode(tree.getFirst());
    addFiles(1, 10);
    EXPECT_EQ(full, tree.allocatedBytes()) << "11 new nodes fit where 11 were freed";
    tree.clear();
    EXPECT_LT(tree.allocatedBytes(), full / 10);
}

// ---- Iteration.

TEST_F(TreeListTest, IterationFollowsTreeOrderWhateverIsCollapsed) {
    TTreeNode* a = add(nullptr, L"a");
    TTreeNode* a1 = add(a, L"a1");
    add(a1, L"a1x");
    TTreeNode* a2 = add(a, L"a2");
    TTreeNode* b = add(nullptr, L"b");
    TTreeNode* c = add(nullptr, L"c");
    TTreeNode* c1 = add(c, L"c1");
    tree.setExpanded(c, true);
    EXPECT_EQ(names({L"a", L"a1", L"a1x", L"a2", L"b", L"c", L"c1"}), treeOrder());
    std::vector<std::wstring> backwards;
    for (TTreeNode* node = tree.getLast(); node != nullptr; node = tree.getPrevious(node)) {
        backwards.push_back(nameOf(node));
    }
    EXPECT_EQ(names({L"c1", L"c", L"b", L"a2", L"a1x", L"a1", L"a"}), backwards);
    EXPECT_EQ(a, tree.getFirstChild(nullptr));
    EXPECT_EQ(c, tree.getLastChild(nullptr));
    EXPECT_EQ(a1, tree.getFirstChild(a));
    EXPECT_EQ(a2, tree.getLastChild(a));
    EXPECT_EQ(a2, tree.getNextSibling(a1));
    EXPECT_EQ(nullptr, tree.getNextSibling(a2));
    EXPECT_EQ(a1, tree.getPreviousSibling(a2));
    EXPECT_EQ(nullptr, tree.getFirstChild(b));
    EXPECT_EQ(c, tree.getParent(c1));
    EXPECT_EQ(nullptr, tree.getParent(c));
    EXPECT_EQ(0, tree.getNodeLevel(b));
    EXPECT_EQ(1, tree.getNodeLevel(c1));
    EXPECT_EQ(-1, tree.getNodeLevel(nullptr));
    EXPECT_EQ(nullptr, tree.getNext(nullptr));
}

// ---- Sorting.

class TreeListSortTest : public TreeListTest {
protected:
    void SetUp() override {
        TreeListTest::SetUp();
        for (int i = 0; i < 6; ++i) {
            tree.addColumn(TTreeColumn{L"c" + std::to_wstring(i), 60, 10, TColumnAlignment::taLeftJustify,
                                       i >= 3, i >= 3, true});
        }
        tree.OnCompareNodes = [this](TTreeList*, TTreeNode* a, TTreeNode* b, int column) {
            ++compares;
            lastColumn = column;
            return tree.getNodeData<TTestRow>(a)->key - tree.getNodeData<TTestRow>(b)->key;
        };
        // Keys with ties: x and z share 2, the streams of x share 1 in pairs.
        TTreeNode* x = add(nullptr, L"x", 2);
        add(x, L"x:a", 1);
        add(x, L"x:b", 0);
        add(x, L"x:c", 1);
        add(nullptr, L"y", 1);
        TTreeNode* z = add(nullptr, L"z", 2);
        add(z, L"z:a", 5);
        add(z, L"z:b", 3);
    }
    int compares = 0;
    int lastColumn = -1;
};

TEST_F(TreeListSortTest, SortingOrdersFilesAndEachFilesStreamsStably) {
    tree.sortTree(4, TSortDirection::sdAscending);
    EXPECT_EQ(names({L"y", L"x", L"x:b", L"x:a", L"x:c", L"z", L"z:b", L"z:a"}), treeOrder());
    EXPECT_EQ(4, lastColumn);
    tree.sortTree(4, TSortDirection::sdDescending);
    EXPECT_EQ(names({L"x", L"x:a", L"x:c", L"x:b", L"z", L"z:a", L"z:b", L"y"}), treeOrder())
        << "equal rows keep the order they had";
}

TEST_F(TreeListSortTest, HeaderClicksSortAscendingThenDescending) {
    std::vector<int> clicks;
    tree.OnHeaderClick = [&](TTreeList*, int column, TMouseButton) { clicks.push_back(column); };
    realise(400, 200);
    const TRect header = tree.columnRect(3);
    auto clickHeader = [&](int column) {
        const TRect rect = tree.columnRect(column);
        plat::headless::headlessPeer(tree.peer())->click(rect.left + rect.width() / 2, 10);
    };
    ASSERT_EQ(180, header.left);

    clickHeader(3);
    EXPECT_EQ(3, tree.sortColumn());
    EXPECT_EQ(TSortDirection::sdAscending, tree.sortDirection());
    EXPECT_EQ(names({L"y", L"x", L"x:b", L"x:a", L"x:c", L"z", L"z:b", L"z:a"}), treeOrder());
    clickHeader(3);
    EXPECT_EQ(TSortDirection::sdDescending, tree.sortDirection());
    EXPECT_EQ(names({L"x", L"x:a", L"x:c", L"x:b", L"z", L"z:a", L"z:b", L"y"}), treeOrder());
    clickHeader(5);
    EXPECT_EQ(5, tree.sortColumn());
    EXPECT_EQ(TSortDirection::sdAscending, tree.sortDirection()) << "a new sort column starts ascending";
    EXPECT_EQ(5, lastColumn);

    compares = 0;
    clickHeader(1); // not clickable
    EXPECT_EQ(5, tree.sortColumn());
    EXPECT_EQ(0, compares);
    EXPECT_EQ((std::vector<int>{3, 3, 5, 1}), clicks);
}

TEST_F(TreeListSortTest, WithoutACompareRuleTheMarkChangesAndTheRowsStay) {
    tree.OnCompareNodes = nullptr;
    const auto before = treeOrder();
    tree.setSortColumn(3);
    tree.setSortDirection(TSortDirection::sdDescending);
    EXPECT_EQ(3, tree.sortColumn());
    EXPECT_EQ(before, treeOrder());
}

TEST_F(TreeListSortTest, RowsAddedWhileSortedTakeTheirPlaceWhenUpdatesResume) {
    tree.setSortColumn(3);
    tree.beginUpdate();
    add(nullptr, L"w", 0);
    add(find(L"z"), L"z:c", 4);
    EXPECT_EQ(L"w", treeOrder().back()) << "nothing moves while suspended";
    tree.endUpdate();
    EXPECT_EQ(names({L"w", L"y", L"x", L"x:b", L"x:a", L"x:c", L"z", L"z:b", L"z:c", L"z:a"}), treeOrder());
    tree.setSortColumn(-1);
    add(nullptr, L"v", 0);
    EXPECT_EQ(L"v", treeOrder().back()) << "no sort column, no sorting";
}
