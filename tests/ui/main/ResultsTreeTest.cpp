// The results tree as the window presents it: columns, icons, fonts and colours, check boxes as the
// window uses them, the check commands, expand and collapse, and the context menu's items.

#include "ui/main/MainFixture.h"

namespace {

// Two files, each with its streams, as a scan adds them.
class ResultsTreeTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        w().scanStarting({L"C:\\"});
        report = static_cast<TTreeNode*>(w().fileFound(L"C:\\report.txt", L"c1", L"m1"));
        notes = static_cast<TTreeNode*>(
            w().streamFound(TADSObject(L"notes", 3), L"C:\\report.txt", L"c1", L"m1", 30, report));
        tags = static_cast<TTreeNode*>(
            w().streamFound(TADSObject(L"tags", 4), L"C:\\report.txt", L"c1", L"m1", 30, report));
        data = static_cast<TTreeNode*>(w().fileFound(L"C:\\x.dat", L"c2", L"m2"));
        thumb = static_cast<TTreeNode*>(
            w().streamFound(TADSObject(L"thumb", 5), L"C:\\x.dat", L"c2", L"m2", 30, data));
        w().scanFinished(false, 3);
    }
    TTreeList& tree() { return *w().VST; }
    std::vector<TCheckState> states() {
        std::vector<TCheckState> all;
        for (TTreeNode* node = tree().getFirst(); node != nullptr; node = tree().getNext(node)) {
            all.push_back(tree().checkState(node));
        }
        return all;
    }
    std::vector<std::wstring> shownCaptions() {
        std::vector<std::wstring> captions;
        w().poplist->OnPopup(w().poplist);
        for (const plat::TMenuEntry& entry : w().poplist->visibleEntries()) {
            captions.push_back(entry.separator ? L"-" : entry.caption);
        }
        return captions;
    }

    TTreeNode* report = nullptr;
    TTreeNode* notes = nullptr;
    TTreeNode* tags = nullptr;
    TTreeNode* data = nullptr;
    TTreeNode* thumb = nullptr;
};

// The record of the row-th node in tree order.
PTreeData treeData(TTreeList& tree, int row) {
    TTreeNode* node = tree.getFirst();
    for (int i = 0; i < row && node != nullptr; ++i) {
        node = tree.getNext(node);
    }
    return tree.getNodeData<TTreeData>(node);
}

constexpr TCheckState kOn = TCheckState::csCheckedNormal;
constexpr TCheckState kOff = TCheckState::csUncheckedNormal;
constexpr TCheckState kMixed = TCheckState::csMixedNormal;

} // namespace

TEST_F(ResultsTreeTest, ColumnsAndLookAreTheDeclaredOnes) {
    struct TColumnCase {
        const wchar_t* text;
        int width;
        TColumnAlignment alignment;
        bool movable;
    };
    const TColumnCase expected[] = {
        {L"File Name", 210, TColumnAlignment::taLeftJustify, false},
        {L"Full Stream Name", 150, TColumnAlignment::taLeftJustify, false},
        {L"File/Stream Size", 90, TColumnAlignment::taRightJustify, false},
        {L"File Creation", 150, TColumnAlignment::taLeftJustify, true},
        {L"Last Modification", 150, TColumnAlignment::taLeftJustify, true},
        {L"First Bytes / Content", 400, TColumnAlignment::taLeftJustify, true},
        {L"What it holds", 220, TColumnAlignment::taLeftJustify, true},
    };
    ASSERT_EQ(tree().columnCount(), 7);
    for (int i = 0; i < 7; ++i) {
        const TTreeColumn& column = tree().column(i);
        EXPECT_EQ(column.text, expected[i].text);
        EXPECT_EQ(column.width, expected[i].width);
        EXPECT_EQ(column.alignment, expected[i].alignment);
        EXPECT_TRUE(column.clickable) << "every column sorts";
        EXPECT_EQ(column.draggable, expected[i].movable);
    }
    EXPECT_EQ(tree().defaultNodeHeight(), 17);
    EXPECT_EQ(tree().headerHeight(), 24);
    EXPECT_EQ(tree().headerFont().name, L"Arial");
    EXPECT_EQ(tree().colors().treeLine, hexColor(0xF0F0F0));
    EXPECT_EQ(tree().images(), w().ImgSys);
    EXPECT_EQ(tree().stateImages(), w().Img16);
    EXPECT_TRUE(tree().options().rightClickSelect) << "a right click moves the focus to the row pointed at";
}

TEST_F(ResultsTreeTest, TextsComeFromTheRecordColumnByColumn) {
    std::wstring text = L"untouched";
    w().VSTGetText(notes, 7, text);
    EXPECT_EQ(text, L"untouched") << "no text for an eighth column";
    w().VSTGetText(notes, 1, text);
    EXPECT_EQ(text, L"C:\\report.txt:notes");
    w().VSTGetText(report, 4, text);
    EXPECT_EQ(text, L"m1");
    w().VSTGetText(thumb, 3, text);
    EXPECT_EQ(text, L"c2") << "a stream row repeats its file's times";
}

TEST_F(ResultsTreeTest, IconsAreTheFilesSystemIconAndTheTwoStateImages) {
    auto icon = [&](TTreeNode* node, TImageKind kind, int column) {
        int index = 42;
        w().VSTGetImageIndex(node, kind, column, index);
        return index;
    };
    EXPECT_EQ(icon(report, TImageKind::ikNormal, 0), 7) << "the .txt icon of the system list";
    EXPECT_EQ(icon(data, TImageKind::ikNormal, 0), 9);
    EXPECT_EQ(icon(notes, TImageKind::ikNormal, 0), -1);
    EXPECT_EQ(icon(report, TImageKind::ikSelected, 0), -1);
    EXPECT_EQ(icon(report, TImageKind::ikNormal, 1), -1);
    EXPECT_EQ(icon(report, TImageKind::ikState, 0), 0);
    EXPECT_EQ(icon(notes, TImageKind::ikState, 0), 1);
    EXPECT_EQ(icon(notes, TImageKind::ikState, 2), -1);
}

TEST_F(ResultsTreeTest, FileRowsAreBoldTheFocusedRowPinkAndStreamRowsGrey) {
    plat::headless::TRasterCanvas canvas(40, 20);
    auto paintText = [&](TTreeNode* node) {
        canvas.setFont(tree().font());
        w().VSTPaintText(canvas, node, 0);
        return canvas.font();
    };
    EXPECT_EQ(paintText(report).style & fsBold, fsBold);
    EXPECT_EQ(paintText(report).color, tree().font().color);
    EXPECT_EQ(paintText(notes).style & fsBold, 0u);
    tree().setFocusedNode(report);
    EXPECT_EQ(paintText(report).color, hexColor(0xFF0080));
    EXPECT_EQ(paintText(report).style & fsBold, fsBold);
    tree().setFocusedNode(notes);
    EXPECT_EQ(paintText(notes).color, hexColor(0xFF0080));
    EXPECT_EQ(paintText(report).color, tree().font().color);

    canvas.brush().setColor(clWhite);
    canvas.FillRect(TRect{0, 0, 40, 20});
    w().VSTBeforeCellPaint(canvas, report, 0, TRect{0, 0, 20, 20});
    EXPECT_EQ(canvas.getPixel(5, 5), clWhite) << "file rows keep the normal background";
    w().VSTBeforeCellPaint(canvas, notes, 3, TRect{20, 0, 40, 20});
    EXPECT_EQ(canvas.getPixel(25, 5), hexColor(0xF7F7F7));
    EXPECT_EQ(canvas.getPixel(19, 5), clWhite) << "only the cell is filled";
}

TEST_F(ResultsTreeTest, EveryRowStartsCheckedAndTheBoxesFollowEachOther) {
    EXPECT_EQ(states(), (std::vector<TCheckState>{kOn, kOn, kOn, kOn, kOn}));
    // A stream row's box turns its file row's box mixed, then unchecked.
    tree().setCheckState(notes, kOff);
    EXPECT_EQ(tree().checkState(report), kMixed);
    EXPECT_FALSE(tree().isChecked(report)) << "a mixed row does not count as checked";
    tree().setCheckState(tags, kOff);
    EXPECT_EQ(tree().checkState(report), kOff);
    // A file row's box gives its state to all its streams.
    tree().setCheckState(report, kOn);
    EXPECT_EQ(states(), (std::vector<TCheckState>{kOn, kOn, kOn, kOn, kOn}));
}

TEST_F(ResultsTreeTest, CheckCommandsSetEveryRowCollapsedOnesIncluded) {
    tree().setCheckState(notes, kOff);
    w().FullCollapse1->click();
    EXPECT_EQ(tree().rowCount(), 2);
    w().UncheckallItems1->click();
    EXPECT_EQ(states(), (std::vector<TCheckState>{kOff, kOff, kOff, kOff, kOff}));
    w().Checkallitems1->click();
    EXPECT_EQ(states(), (std::vector<TCheckState>{kOn, kOn, kOn, kOn, kOn}));
    w().setAllChecked(&tree(), false);
    EXPECT_EQ(states(), (std::vector<TCheckState>{kOff, kOff, kOff, kOff, kOff}));
    w().FullExpand1->click();
    EXPECT_EQ(tree().rowCount(), 5);
}

TEST_F(ResultsTreeTest, ContextMenuShowsTheStreamCommandsOnlyOnAFocusedStreamRow) {
    // Without the stream items the separator before them would stand beside the next one, so one is
    // left out.
    const std::vector<std::wstring> checkItems{
        L"Full Expand",     L"Full Collapse",     L"-",
        L"Check all Items", L"Uncheck all Items", L"Check Suspicious Only"};
    std::vector<std::wstring> treeItems = checkItems;
    treeItems.insert(treeItems.end(), {L"-", L"Export Results..."});
    std::vector<std::wstring> withStreamItems = checkItems;
    withStreamItems.insert(withStreamItems.end(), {L"-", L"Backup Selected ADS", L"Delete Selected ADS",
                                                   L"Copy full ADS Path", L"-", L"Export Results..."});
    ASSERT_EQ(tree().focusedNode(), nullptr) << "right after a scan no row is focused";
    EXPECT_EQ(shownCaptions(), treeItems);
    tree().setFocusedNode(report);
    EXPECT_EQ(shownCaptions(), treeItems);
    tree().setFocusedNode(thumb);
    EXPECT_EQ(shownCaptions(), withStreamItems);

    // A right click focuses and selects the row under the pointer before the menu opens: the
    // stream commands act on the row pointed at, not on the one focused before.
    auto rightClick = [&](int y) {
        peerOf(tree()).mouseDown(TMouseButton::mbRight, 30, y);
        peerOf(tree()).mouseUp(TMouseButton::mbRight, 30, y);
        std::vector<std::wstring> shown;
        for (const plat::TMenuEntry& entry : widgets.shownMenus().back().entries) {
            shown.push_back(entry.separator ? L"-" : entry.caption);
        }
        return shown;
    };
    EXPECT_EQ(rightClick(tree().rowRect(notes).top + 3), withStreamItems);
    EXPECT_EQ(tree().focusedNode(), notes);
    EXPECT_TRUE(tree().selected(notes));
    EXPECT_EQ(rightClick(tree().rowRect(report).top + 3), treeItems);
    EXPECT_EQ(tree().focusedNode(), report);
    // On empty space below the rows the focus stays where it is.
    tree().setFocusedNode(tags);
    EXPECT_EQ(rightClick(tree().rowRect(thumb).bottom + 40), withStreamItems);
    EXPECT_EQ(tree().focusedNode(), tags);
}

// The export and the single-stream backup both write files, but they are different commands: each
// shows its own picture.
TEST_F(ResultsTreeTest, ExportShowsItsOwnPictureNotTheBackupOne) {
    tree().setFocusedNode(thumb);
    w().poplist->OnPopup(w().poplist);
    const std::vector<plat::TMenuEntry> entries = w().poplist->visibleEntries();
    const TBitmap32* backup = nullptr;
    const TBitmap32* exportPicture = nullptr;
    for (const plat::TMenuEntry& entry : entries) {
        if (entry.caption == L"Backup Selected ADS")
            backup = &entry.image;
        if (entry.caption == L"Export Results...")
            exportPicture = &entry.image;
    }
    ASSERT_NE(backup, nullptr);
    ASSERT_NE(exportPicture, nullptr);
    EXPECT_EQ(*exportPicture, *w().Img16->image(23));
    EXPECT_NE(*exportPicture, *backup);
}

TEST_F(MainWindowTest, EveryHeaderSortsNamesAsExplorerSizesByBytesBothWays) {
    store.addFile(L"C:\\file10.txt", std::string(2048, 'x'));
    store.addFile(L"C:\\File2.txt", std::string(900, 'x'));
    store.addFile(L"C:\\a.txt", std::string(1500, 'x'));
    w().scanStarting({L"C:\\"});
    const TScanNode ten = w().fileFound(L"C:\\file10.txt", L"", L"");
    w().streamFound(TADSObject(L"part10", 3ll << 30), L"C:\\file10.txt", L"", L"", 0, ten); // 3 GiB
    w().streamFound(TADSObject(L"Part9", 900), L"C:\\file10.txt", L"", L"", 0, ten);
    w().streamFound(TADSObject(L"part1", 2000), L"C:\\file10.txt", L"", L"", 0, ten);
    w().fileFound(L"C:\\File2.txt", L"", L"");
    w().fileFound(L"C:\\a.txt", L"", L"");
    w().scanFinished(false, 3);
    formPeer().resizeAsUser(1300, 433);
    TTreeList& tree = *w().VST;
    auto order = [&] {
        std::vector<std::wstring> names;
        for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNext(node)) {
            const std::wstring& name = w().treeData(node)->Column1;
            names.push_back(tree.getNodeLevel(node) == 0 ? name.substr(3) : L"  " + name);
        }
        return names;
    };
    auto clickHeader = [&](int column) {
        const TRect rect = tree.columnRect(column);
        peerOf(tree).click(rect.left + 5, 5);
    };
    using names = std::vector<std::wstring>;
    const struct {
        int column;
        TSortDirection direction;
        names expected;
    } cases[] = {
        // Letters without regard to case, numbers by value.
        {0,
         TSortDirection::sdAscending,
         {L"a.txt", L"File2.txt", L"file10.txt", L"  part1", L"  Part9", L"  part10"}},
        {0,
         TSortDirection::sdDescending,
         {L"file10.txt", L"  part10", L"  Part9", L"  part1", L"File2.txt", L"a.txt"}},
        // Streams by their full path; file rows have none and keep their order.
        {1,
         TSortDirection::sdAscending,
         {L"file10.txt", L"  part1", L"  Part9", L"  part10", L"File2.txt", L"a.txt"}},
        // Sizes by bytes: "2.93 GB" is the largest although its text sorts first.
        {2,
         TSortDirection::sdAscending,
         {L"File2.txt", L"a.txt", L"file10.txt", L"  Part9", L"  part1", L"  part10"}},
        {2,
         TSortDirection::sdDescending,
         {L"file10.txt", L"  part10", L"  part1", L"  Part9", L"a.txt", L"File2.txt"}},
    };
    for (const auto& c : cases) {
        clickHeader(c.column);
        EXPECT_EQ(tree.sortColumn(), c.column);
        EXPECT_EQ(tree.sortDirection(), c.direction) << "column " << c.column;
        EXPECT_EQ(order(), c.expected) << "column " << c.column;
    }
}

TEST_F(ResultsTreeTest, MenuImagesAreTheDeclaredOnes) {
    EXPECT_EQ(w().poplist->images(), w().Img16);
    EXPECT_EQ(w().FullExpand1->imageIndex(), 5);
    EXPECT_EQ(w().FullCollapse1->imageIndex(), 4);
    EXPECT_EQ(w().Checkallitems1->imageIndex(), 13);
    EXPECT_EQ(w().UncheckallItems1->imageIndex(), 12);
    EXPECT_EQ(w().BackupselectedADS1->imageIndex(), 15);
    EXPECT_EQ(w().DeleteselectedADS1->imageIndex(), 14);
    EXPECT_EQ(w().CopyfullADSPath1->imageIndex(), 21);
}

TEST_F(MainWindowTest, HeaderClicksSortByTimeAndContentBothWays) {
    const plat::FILETIME kIn2024{1769892144, 31092486}; // 05/03/2024 14:07:09
    const plat::FILETIME kIn2001{1077175408, 29463127}; // 31/12/2001 23:59:58
    store.addFile(L"C:\\new.txt", "n");
    store.setTimes(L"C:\\new.txt", kIn2024, kIn2024, kIn2001);
    store.addFile(L"C:\\old.txt", "o");
    store.setTimes(L"C:\\old.txt", kIn2001, kIn2001, kIn2024);
    // As texts "05/03/2024" sorts before "31/12/2001"; as times it comes after.
    w().scanStarting({L"C:\\"});
    const TScanNode fresh =
        w().fileFound(L"C:\\new.txt", L"05/03/2024 at 14:07:09", L"31/12/2001 at 23:59:58");
    w().streamFound(TADSObject(L"zeta", 1), L"C:\\new.txt", L"", L"", 30, fresh);
    w().streamFound(TADSObject(L"alpha", 1), L"C:\\new.txt", L"", L"", 30, fresh);
    w().fileFound(L"C:\\old.txt", L"31/12/2001 at 23:59:58", L"05/03/2024 at 14:07:09");
    w().scanFinished(false, 2);
    formPeer().resizeAsUser(1300, 433); // every column's header in view
    TTreeList& tree = *w().VST;
    treeData(tree, 1)->Column6 = L"bbb";
    treeData(tree, 2)->Column6 = L"aaa";

    auto order = [&] {
        std::vector<std::wstring> names;
        for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNext(node)) {
            names.push_back(w().treeData(node)->Column1);
        }
        return names;
    };
    auto clickHeader = [&](int column) {
        const TRect rect = tree.columnRect(column);
        peerOf(tree).click(rect.left + 5, 5);
    };
    EXPECT_EQ(order(), (std::vector<std::wstring>{L"C:\\new.txt", L"zeta", L"alpha", L"C:\\old.txt"}));
    clickHeader(3); // "File Creation": oldest first
    EXPECT_EQ(tree.sortColumn(), 3);
    EXPECT_EQ(tree.sortDirection(), TSortDirection::sdAscending);
    EXPECT_EQ(order(), (std::vector<std::wstring>{L"C:\\old.txt", L"C:\\new.txt", L"zeta", L"alpha"}))
        << "times compare as times; streams of one file are equal and keep their order";
    clickHeader(3);
    EXPECT_EQ(tree.sortDirection(), TSortDirection::sdDescending);
    EXPECT_EQ(order(), (std::vector<std::wstring>{L"C:\\new.txt", L"zeta", L"alpha", L"C:\\old.txt"}));
    clickHeader(4); // "Last Modification"
    EXPECT_EQ(tree.sortColumn(), 4);
    EXPECT_EQ(order().front(), L"C:\\new.txt") << "modified in 2001";
    clickHeader(5); // "First Bytes / Content": the streams by their preview
    EXPECT_EQ(order(), (std::vector<std::wstring>{L"C:\\new.txt", L"alpha", L"zeta", L"C:\\old.txt"}));
}

TEST_F(MainWindowTest, AFolderRowShowsItsPathTheFolderPictureNoSizeAndSortsByItsTimes) {
    const plat::FILETIME kIn2024{1769892144, 31092486}; // 05/03/2024 14:07:09
    const plat::FILETIME kIn2001{1077175408, 29463127}; // 31/12/2001 23:59:58
    store.addFile(L"C:\\older.txt", "n");
    store.setTimes(L"C:\\older.txt", kIn2001, kIn2001, kIn2001);
    store.addFolder(L"C:\\newer.txt"); // a folder named like a file: the picture comes from what it is
    store.addStream(L"C:\\newer.txt", L"tag", "folder note");
    store.setTimes(L"C:\\newer.txt", kIn2024, kIn2024, kIn2024);
    store.addStream(L"C:\\", L"root", "r");
    const plat::FILETIME kEarly2002{kIn2001.dwLowDateTime, kIn2001.dwHighDateTime + 1000}; // 5 days later
    store.setTimes(L"C:\\", kEarly2002, kEarly2002, kEarly2002);
    const std::wstring k2024 = L"05/03/2024 at 14:07:09";
    const std::wstring k2001 = L"31/12/2001 at 23:59:58";

    w().scanStarting({L"C:\\"});
    const TScanNode root = w().folderFound(L"C:\\", L"n/a", L"n/a");
    const TScanNode rootStream = w().streamFound(TADSObject(L"root", 1), L"C:\\", L"n/a", L"n/a", 30, root);
    const TScanNode file = w().fileFound(L"C:\\older.txt", k2001, k2001);
    w().streamFound(TADSObject(L"s", 1), L"C:\\older.txt", k2001, k2001, 30, file);
    const TScanNode folder = w().folderFound(L"C:\\newer.txt", k2024, k2024);
    const TScanNode tag = w().streamFound(TADSObject(L"tag", 11), L"C:\\newer.txt", k2024, k2024, 6, folder);
    w().scanFinished(false, 3);
    TTreeList& tree = *w().VST;

    auto texts = [&](TScanNode node) {
        std::vector<std::wstring> columns;
        for (int column = 0; column < 6; ++column) {
            std::wstring text;
            w().VSTGetText(static_cast<TTreeNode*>(node), column, text);
            columns.push_back(text);
        }
        return columns;
    };
    EXPECT_EQ(texts(folder), (std::vector<std::wstring>{L"C:\\newer.txt", L"", L"", k2024, k2024, L""}))
        << "a folder has no size of its own";
    EXPECT_EQ(texts(tag), (std::vector<std::wstring>{L"tag", L"C:\\newer.txt:tag", L"11 bytes", k2024, k2024,
                                                     L"folder"}));
    EXPECT_EQ(texts(root)[2], L"");
    EXPECT_EQ(texts(rootStream)[1], L"C:\\:root");
    EXPECT_EQ(tree.checkType(static_cast<TTreeNode*>(folder)), TCheckType::ctTriStateCheckBox);

    auto icon = [&](TScanNode node) {
        int index = 42;
        w().VSTGetImageIndex(static_cast<TTreeNode*>(node), TImageKind::ikNormal, 0, index);
        return index;
    };
    EXPECT_EQ(icon(folder), 3) << "the system's folder picture";
    EXPECT_EQ(icon(root), 3);
    EXPECT_EQ(icon(file), 7);

    // A folder's own times order it among the files: the file of 2001, the root of 2002, the folder of 2024.
    formPeer().resizeAsUser(1300, 433);
    const TRect rect = tree.columnRect(3);
    peerOf(tree).click(rect.left + 5, 5);
    std::vector<std::wstring> order;
    for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNextSibling(node)) {
        order.push_back(w().treeData(node)->Column1);
    }
    EXPECT_EQ(order, (std::vector<std::wstring>{L"C:\\older.txt", L"C:\\", L"C:\\newer.txt"}));
}
