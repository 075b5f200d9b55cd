// The results tree as the window presents it: columns and look, the rows' texts, icons, fonts and
// colours, the check boxes, and the tree's context menu.

#include "ui/main/UntMain.h"

#include "system/UntKorvaneLib.h"
#include "toolkit/Form.h"

namespace {

const TFont kTreeFont{L"Arial", 8, 0, clBlack};
const TFont kHeaderFont{L"Arial", 9, 0, clBlack};
constexpr TColor kFocusedText = hexColor(0xFF0080);
constexpr TColor kStreamRowFill = hexColor(0xF7F7F7);

} // namespace

void TFrmMain::setupTree() {
    VST->setNodeDataType<TTreeData>();
    VST->setFont(kTreeFont);
    VST->setDefaultNodeHeight(VST->scale(17));
    VST->setHeaderHeight(VST->scale(24));
    VST->setHeaderFont(kHeaderFont);
    VST->setImages(ImgSys);
    VST->setStateImages(Img16);

    TTreeOptions options;
    options.showHeader = true;
    options.showRoot = true;
    options.showButtons = true;
    options.showTreeLines = true;
    options.showVertGridLines = true;
    options.fullVertGridLines = true;
    options.checkSupport = true;
    options.autoTristateTracking = true;
    options.autoScrollOnExpand = true;
    options.dblClickExpands = true;
    // A right click focuses and selects the row under the pointer before the menu opens, so that the
    // menu's stream commands act on the row pointed at (on empty space the focus stays).
    options.rightClickSelect = true;
    options.headerResize = true;
    options.headerDblClickFit = true;
    options.headerDrag = true;
    options.headerClickSorts = true;
    options.autoSort = true;
    VST->setOptions(options);
    TTreeColors colors = VST->colors();
    colors.background = clWhite;
    colors.headerBackground = clWhite;
    colors.treeLine = hexColor(0xF0F0F0);
    VST->setColors(colors);

    struct TColumnRow {
        const wchar_t* text;
        int width;
        TColumnAlignment alignment;
        bool movable; // draggable; every header sorts
    };
    static const TColumnRow columns[] = {
        {L"File Name", 210, TColumnAlignment::taLeftJustify, false},
        {L"Full Stream Name", 150, TColumnAlignment::taLeftJustify, false},
        {L"File/Stream Size", 90, TColumnAlignment::taRightJustify, false},
        {L"File Creation", 150, TColumnAlignment::taLeftJustify, true},
        {L"Last Modification", 150, TColumnAlignment::taLeftJustify, true},
        {L"First Bytes / Content", 400, TColumnAlignment::taLeftJustify, true},
        {L"What it holds", 220, TColumnAlignment::taLeftJustify, true},
    };
    for (const TColumnRow& row : columns) {
        TTreeColumn column;
        column.text = row.text;
        column.width = VST->scale(row.width);
        column.alignment = row.alignment;
        column.clickable = true;
        column.draggable = row.movable;
        VST->addColumn(column);
    }
}

void TFrmMain::VSTInitNode(TTreeNode* node) {
    const int level = VST->getNodeLevel(node);
    if (level > 1) {
        return;
    }
    VST->setCheckType(node, level == 0 ? TCheckType::ctTriStateCheckBox : TCheckType::ctCheckBox);
    VST->setCheckState(node, TCheckState::csCheckedNormal);
}

void TFrmMain::VSTFreeNode(TTreeNode* node) {
    if (PTreeData data = treeData(node)) {
        *data = TTreeData{};
    }
}

void TFrmMain::VSTGetText(TTreeNode* node, int column, std::wstring& text) {
    const PTreeData data = treeData(node);
    if (data == nullptr) {
        return;
    }
    switch (column) {
    case 0:
        text = data->Column1;
        break;
    case 1:
        text = data->Column2;
        break;
    case 2:
        text = data->Column3;
        break;
    case 3:
        text = data->Column4;
        break;
    case 4:
        text = data->Column5;
        break;
    case 5:
        text = data->Column6;
        break;
    case 6:
        text = data->Column7;
        break;
    default:
        break;
    }
}

void TFrmMain::VSTGetImageIndex(TTreeNode* node, TImageKind kind, int column, int& imageIndex) {
    imageIndex = -1;
    if (column != 0) {
        return;
    }
    const int level = VST->getNodeLevel(node);
    if (kind == TImageKind::ikNormal && level == 0) {
        if (const PTreeData data = treeData(node)) {
            imageIndex = data->InImage ? getShellIconIndexOf(data->Column1, data->IsFolder)
                                       : getShellIconIndex(data->Column1);
        }
    } else if (kind == TImageKind::ikState) {
        imageIndex = level == 0 ? 0 : 1;
    }
}

void TFrmMain::VSTPaintText(TCanvas& canvas, TTreeNode* node, int /*column*/) {
    if (VST->getNodeLevel(node) == 0) {
        canvas.font().style |= fsBold;
    }
    if (node == VST->focusedNode()) {
        canvas.font().color = kFocusedText;
    }
}

void TFrmMain::VSTBeforeCellPaint(TCanvas& canvas, TTreeNode* node, int /*column*/, const TRect& cellRect) {
    if (VST->getNodeLevel(node) >= 1) {
        canvas.brush().setColor(kStreamRowFill);
        canvas.FillRect(cellRect);
    }
}

int TFrmMain::VSTCompareNodes(TTreeNode* node1, TTreeNode* node2, int column) {
    const PTreeData data1 = treeData(node1);
    const PTreeData data2 = treeData(node2);
    if (data1 == nullptr || data2 == nullptr) {
        return 0;
    }
    auto order = [](const auto& a, const auto& b) { return a < b ? -1 : (b < a ? 1 : 0); };
    const bool streams = VST->getNodeLevel(node1) >= 1;
    switch (column) {
    case 0: // paths of files and names of streams, as Explorer orders names
        return compareNamesLogically(data1->Column1, data2->Column1);
    case 1:
        return compareNamesLogically(data1->Column2, data2->Column2);
    case 2: // by bytes, not by the rounded text
        return streams ? order(data1->StreamSize, data2->StreamSize)
                       : order(data1->FileSize, data2->FileSize);
    case 3:
        return order(data1->CreationKey, data2->CreationKey);
    case 4:
        return order(data1->ModificationKey, data2->ModificationKey);
    case 5:
        return order(data1->Column6, data2->Column6);
    case 6:
        return order(data1->Column7, data2->Column7);
    default:
        return 0;
    }
}

void TFrmMain::VSTChange() {
    VST->invalidate();
}

void TFrmMain::VSTFocusChanged() {
    VST->invalidate();
    showStreamReasons();
}

void TFrmMain::VSTContextPopup(int x, int y) {
    const TPoint screen = clientToScreen(*VST, TPoint{x, y});
    poplist->setPopupComponent(VST);
    poplist->Popup(screen.x, screen.y);
}

void TFrmMain::poplistPopup() {
    // The stream commands follow the focused row, which a right click has moved to the row under the
    // pointer.
    TTreeNode* focused = VST->focusedNode();
    const bool streamRow = focused != nullptr && VST->getNodeLevel(focused) >= 1;
    BackupselectedADS1->setVisible(streamRow);
    DeleteselectedADS1->setVisible(streamRow);
    CopyfullADSPath1->setVisible(streamRow);
    ExportResults1->setEnabled(VST->getFirst() != nullptr && !jobRunning());
}

void TFrmMain::FullExpand1Click() {
    VST->fullExpand();
}

void TFrmMain::FullCollapse1Click() {
    VST->fullCollapse();
}

void TFrmMain::Checkallitems1Click() {
    setAllChecked(VST, true);
}

void TFrmMain::UncheckallItems1Click() {
    setAllChecked(VST, false);
}

void TFrmMain::setAllChecked(TTreeList* tree, bool checked) {
    // Every node, under collapsed ones too, gets the state directly: no check events, no tri-state
    // rules (they would agree, as all nodes get the same state); the tree repaints.
    if (checked) {
        tree->checkAll();
    } else {
        tree->uncheckAll();
    }
}
