#pragma once
// The virtual tree-list: a custom-drawn control that shows a tree of rows in columns under a header,
// with tree lines, expand buttons, check boxes (plain and tri-state), state images and icons, grid
// lines, full-row selection with one focused row, its own scroll bars, keyboard and mouse handling,
// and sorting through the caller's compare event.
//
// The model and the view:
// - Nodes live in chunks owned by the tree; a node handle (TTreeNode*) stays valid until the node is
//   deleted. Appending a child is O(1). Each node can carry a record of the caller's type
//   (setNodeDataType), made with the node and destroyed with it after OnFreeNode.
// - The view is a flattened list of the visible rows (every node whose ancestors are all expanded),
//   rebuilt in one walk when it is next needed after a change of the tree's shape; nothing is
//   inserted in the middle of it. A paint asks for texts, images, check states and colours only for
//   the rows and columns on screen.
// - beginUpdate / endUpdate suspend repaint requests, painting and the rebuilding of the view; the
//   last endUpdate rebuilds once and repaints. A query of the view (rowCount, rowOf, hitTest...)
//   made while suspended rebuilds it on demand.
//
// The texts come only from OnGetText; the tree stores none. Keys come from the control core (the
// control's OnKeyDown hears each first and may take it), and so does the mouse wheel (or through
// handleMouseWheel); double clicks are recognised from two presses (or delivered through
// handleDoubleClick).

#include "toolkit/Control.h"
#include "toolkit/ImageList.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

// A row of the tree; opaque, reached through the tree's operations.
class TTreeNode;
using PVirtualNode = TTreeNode*;

enum class TCheckType : std::uint8_t { ctNone, ctCheckBox, ctTriStateCheckBox };

// The pressed states last while the left button is held on a box.
enum class TCheckState : std::uint8_t {
    csUncheckedNormal,
    csUncheckedPressed,
    csCheckedNormal,
    csCheckedPressed,
    csMixedNormal,
    csMixedPressed
};

enum class TColumnAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };
enum class TSortDirection : std::uint8_t { sdAscending, sdDescending };
enum class TImageKind : std::uint8_t { ikNormal, ikSelected, ikState };

// What lies under a point of the control.
enum class THitArea : std::uint8_t {
    haNowhere,       // outside the control or below the last row
    haHeader,        // a column's header
    haHeaderDivider, // the right edge of a column's header (resizing, fitting)
    haIndent,        // a row's indentation, tree lines included
    haButton,        // a row's expand button
    haCheckBox,      // a row's check box
    haStateImage,
    haImage,
    haItem, // the rest of a row's cell
    haScrollBar,
};

struct THitInfo {
    THitArea area = THitArea::haNowhere;
    TTreeNode* node = nullptr; // the row, for the row areas
    int column = -1;           // column index, for the header and row areas; -1 for none
};

// One column of the header. The index of a column is its position at creation; position is where
// it shows now (the user can move the draggable ones).
struct TTreeColumn {
    std::wstring text;
    int width = 50;
    int minWidth = 10;
    TColumnAlignment alignment = TColumnAlignment::taLeftJustify;
    bool clickable = false; // a click makes it the sort column
    bool draggable = false; // the user may move it among the draggable columns
    bool resizable = true;
};

struct TTreeOptions {
    bool showHeader = true;
    bool showRoot = true;          // lines and buttons for the top-level rows too
    bool showButtons = true;       // expand buttons on rows with children
    bool showTreeLines = true;     // solid lines in treeLineColor
    bool showVertGridLines = true; // a line at each column's right edge ...
    bool fullVertGridLines = true; // ... down to the bottom, below the last row too
    bool showHorzGridLines = false;
    bool checkSupport = true;
    bool autoTristateTracking = true; // tri-state rows follow their children and drive them
    bool autoScrollOnExpand = true;   // expanding brings the new rows into view
    bool dblClickExpands = true;      // a double click on a row toggles it
    bool rightClickSelect = false;    // a right click moves the focus
    bool headerResize = true;         // dividers can be dragged
    bool headerDblClickFit = true;    // a double click on a divider fits the column to its content
    bool headerDrag = true;           // draggable columns can be moved
    bool headerClickSorts = true;     // a click on a clickable column sets the sort column and direction
    bool autoSort = true;             // the rows follow the sort column and direction
};

struct TTreeColors {
    TColor background = clWhite;
    TColor treeLine = hexColor(0xA0A0A0);
    TColor gridLine = hexColor(0xF0F0F0);
    TColor selectionFrame = hexColor(0x7DA2CE);          // the selected row while the tree has the focus
    TColor selectionFrameUnfocused = hexColor(0xD9D9D9); // ... and while it has not
    TColor headerBackground = clWhite;
    TColor headerDivider = hexColor(0xE5E5E5);
    TColor headerPressed = hexColor(0xE0EAF5);
    TColor sortMark = hexColor(0x569DE5);
    TColor dropMark = hexColor(0x3399FF);
    TColor button = hexColor(0x919191);
    TColor buttonSign = hexColor(0x404040);
    TColor checkFrame = hexColor(0x8E8F8F);
    TColor checkFill = clWhite;
    TColor checkPressedFill = hexColor(0xDADADA);
    TColor checkMark = hexColor(0x202020);
    TColor scrollTrack = hexColor(0xF0F0F0);
    TColor scrollThumb = hexColor(0xCDCDCD);
    TColor scrollArrow = hexColor(0x606060);
};

class TTreeList : public TControl {
public:
    // Windows virtual-key codes the tree reacts to (toolkit/Keys.h has the common ones).
    static constexpr int kKeySpace = 0x20;
    static constexpr int kKeyPageUp = 0x21;
    static constexpr int kKeyPageDown = 0x22;
    static constexpr int kKeyEnd = 0x23;
    static constexpr int kKeyHome = 0x24;
    static constexpr int kKeyLeft = 0x25;
    static constexpr int kKeyUp = 0x26;
    static constexpr int kKeyRight = 0x27;
    static constexpr int kKeyDown = 0x28;
    static constexpr int kKeyApps = 0x5D; // the context-menu key
    static constexpr int kKeyAdd = 0x6B;  // numeric keypad +
    static constexpr int kKeySubtract = 0x6D;
    static constexpr int kKeyF10 = 0x79;
    static constexpr int kKeyOemPlus = 0xBB;
    static constexpr int kKeyOemMinus = 0xBD;

    static constexpr int kScrollBarSize = 17;
    static constexpr int kCheckBoxSize = 13;

    using TNodeEvent = std::function<void(TTreeList* sender, TTreeNode* node)>;
    using TGetTextEvent =
        std::function<void(TTreeList* sender, TTreeNode* node, int column, std::wstring& text)>;
    // imageIndex starts at -1 (no image).
    using TGetImageIndexEvent =
        std::function<void(TTreeList* sender, TTreeNode* node, TImageKind kind, int column, int& imageIndex)>;
    // Called with the canvas's font set to the tree's font, before a cell's text is drawn.
    using TPaintTextEvent =
        std::function<void(TTreeList* sender, TCanvas& canvas, TTreeNode* node, int column)>;
    // Called after the cell has its background, before its content is drawn.
    // Drawn over a row's picture right after it (imageRect: where the picture lies), so that a mark can
    // lie over it at the tree's scale.
    using TImageOverlayEvent = std::function<void(TTreeList* sender, TCanvas& canvas, TTreeNode* node,
                                                  TImageKind kind, const TRect& imageRect)>;
    using TBeforeCellPaintEvent = std::function<void(TTreeList* sender, TCanvas& canvas, TTreeNode* node,
                                                     int column, const TRect& cellRect)>;
    using TFocusChangedEvent = std::function<void(TTreeList* sender, TTreeNode* node, int column)>;
    // Negative when node1 sorts before node2, 0 when equal, positive after.
    using TCompareEvent =
        std::function<int(TTreeList* sender, TTreeNode* node1, TTreeNode* node2, int column)>;
    using THeaderClickEvent = std::function<void(TTreeList* sender, int column, TMouseButton button)>;
    using TColumnEvent = std::function<void(TTreeList* sender, int column)>;
    // A request to show the context menu, at a point of the control's client area.
    using TContextPopupEvent = std::function<void(TTreeList* sender, int x, int y)>;

    TTreeList();
    ~TTreeList() override;

    // ---- Node records.
    // Gives every node a T (default constructed with the node, destroyed after OnFreeNode). Only
    // while the tree is empty; answers whether it took effect.
    template <typename T> bool setNodeDataType() {
        static_assert(alignof(T) <= alignof(std::max_align_t), "over-aligned node data");
        return setNodeDataOps(TDataOps{sizeof(T), alignof(T), &dataTag<T>, [](void* p) { ::new (p) T(); },
                                       [](void* p) { static_cast<T*>(p)->~T(); }});
    }
    // The node's record; null for a null node or when the records are not of type T.
    template <typename T> T* getNodeData(TTreeNode* node) const {
        return static_cast<T*>(nodeData(node, &dataTag<T>));
    }

    // ---- The tree.
    // Appends a new last child of parent (null: a new top-level node), raises OnInitNode and answers
    // the node. O(1).
    TTreeNode* addChild(TTreeNode* parent);
    // Deletes node with its children (each raises OnFreeNode, children first).
    void deleteNode(TTreeNode* node);
    // Deletes every node.
    void clear();
    std::size_t totalCount() const { return FTotalCount; }
    // Children of node (null: top-level nodes).
    std::size_t childCount(const TTreeNode* node) const;
    bool hasChildren(const TTreeNode* node) const { return childCount(node) > 0; }
    // 0 for a top-level node.
    int getNodeLevel(const TTreeNode* node) const;

    // Iteration in tree order (a node, then its children, then its next sibling), children of
    // collapsed nodes included. Each answers null when there is none.
    TTreeNode* getFirst() const;
    TTreeNode* getNext(const TTreeNode* node) const;
    TTreeNode* getPrevious(const TTreeNode* node) const;
    TTreeNode* getLast() const;
    // First or last child of node (null: of the invisible root).
    TTreeNode* getFirstChild(const TTreeNode* node) const;
    TTreeNode* getLastChild(const TTreeNode* node) const;
    TTreeNode* getNextSibling(const TTreeNode* node) const;
    TTreeNode* getPreviousSibling(const TTreeNode* node) const;
    // Null for a top-level node.
    TTreeNode* getParent(const TTreeNode* node) const;

    // ---- Expansion.
    bool expanded(const TTreeNode* node) const;
    void setExpanded(TTreeNode* node, bool value);
    void toggleNode(TTreeNode* node) { setExpanded(node, !expanded(node)); }
    // Every node below node (null: the whole tree), node included.
    void fullExpand(TTreeNode* node = nullptr);
    void fullCollapse(TTreeNode* node = nullptr);

    // ---- Check boxes.
    TCheckType checkType(const TTreeNode* node) const;
    void setCheckType(TTreeNode* node, TCheckType value);
    TCheckState checkState(const TTreeNode* node) const;
    // The user's way: with tri-state tracking, a tri-state node gives its state to its children and
    // every tri-state ancestor follows its children; raises OnChecked for node. Inside OnInitNode the
    // state is only stored (the parent follows once the node is made).
    void setCheckState(TTreeNode* node, TCheckState value);
    // A check box in exactly the csCheckedNormal state.
    bool isChecked(const TTreeNode* node) const {
        return checkType(node) != TCheckType::ctNone && checkState(node) == TCheckState::csCheckedNormal;
    }
    // Every node with a check box, collapsed ones included, gets the state directly: no events,
    // no tri-state rules. Repaints.
    void checkAll();
    void uncheckAll();

    // ---- Selection and focus (one selected row at most, full-row).
    TTreeNode* focusedNode() const { return FFocusedNode; }
    int focusedColumn() const { return FFocusedColumn; }
    // Focuses and selects node (null: neither), raising OnFocusChanged and OnChange on a change.
    void setFocusedNode(TTreeNode* node);
    bool selected(const TTreeNode* node) const { return node != nullptr && node == FSelectedNode; }
    void setSelected(TTreeNode* node, bool value);
    TTreeNode* getFirstSelected() const { return FSelectedNode; }

    // ---- Suspended updates.
    void beginUpdate();
    void endUpdate();
    bool updating() const { return FUpdateCount > 0; }

    // ---- Columns and header.
    // Answers the new column's index.
    int addColumn(const TTreeColumn& column);
    int columnCount() const { return static_cast<int>(FColumns.size()); }
    const TTreeColumn& column(int index) const;
    void setColumnText(int index, const std::wstring& text);
    // Clamped to the column's minimum width.
    void setColumnWidth(int index, int width);
    int columnPosition(int index) const;
    // The index of the column at position; -1 outside.
    int columnAtPosition(int position) const;
    // Moves a column to position, shifting the ones between.
    void setColumnPosition(int index, int position);
    // The column's left and right edges in client coordinates (horizontal scrolling included).
    TRect columnRect(int index) const;
    // The column with the tree lines, buttons, check boxes and images.
    int mainColumn() const { return FMainColumn; }
    void setMainColumn(int index);
    int headerHeight() const { return FHeaderHeight; }
    void setHeaderHeight(int value);
    const TFont& headerFont() const { return FHeaderFont; }
    void setHeaderFont(const TFont& value);
    // -1: none.
    int sortColumn() const { return FSortColumn; }
    void setSortColumn(int index);
    TSortDirection sortDirection() const { return FSortDirection; }
    void setSortDirection(TSortDirection value);
    // Sorts every node's children, the top-level nodes included, by OnCompareNodes for column;
    // stable: rows that compare equal keep their order.
    void sortTree(int column, TSortDirection direction);

    // ---- Look.
    int defaultNodeHeight() const { return FNodeHeight; }
    void setDefaultNodeHeight(int value);
    int indent() const { return FIndent; }
    void setIndent(int value);
    int margin() const { return FMargin; }
    int textMargin() const { return FTextMargin; }
    const TTreeOptions& options() const { return FOptions; }
    void setOptions(const TTreeOptions& value);
    const TTreeColors& colors() const { return FColors; }
    void setColors(const TTreeColors& value);
    // Neither owned nor watched: the lists must outlive the tree.
    TImageList* images() const { return FImages; }
    void setImages(TImageList* value);
    TImageList* stateImages() const { return FStateImages; }
    void setStateImages(TImageList* value);

    // ---- The view.
    // Rows shown when scrolled through: nodes whose ancestors are all expanded, in tree order.
    int rowCount() const;
    TTreeNode* rowNode(int row) const;
    // -1 for a node hidden under a collapsed ancestor.
    int rowOf(const TTreeNode* node) const;
    // The rows area (below the header, beside the scroll bars) and how many rows fit in it.
    TRect rowsRect() const;
    int rowsPerPage() const;
    int offsetX() const { return FOffsetX; }
    std::int64_t offsetY() const { return FOffsetY; }
    // Both are clamped to the scrollable range.
    void setOffsetX(int value);
    void setOffsetY(std::int64_t value);
    void scrollIntoView(const TTreeNode* node);
    bool verticalScrollBarVisible() const;
    bool horizontalScrollBarVisible() const;
    // The row's rectangle across every column, in client coordinates.
    TRect rowRect(const TTreeNode* node) const;
    THitInfo hitTest(int x, int y) const;

    // ---- Input.
    // A key as the focused tree gets it from the platform (OnKeyDown first); answers whether the
    // key was taken.
    bool handleKeyDown(int key, TShiftState shift = 0);
    void handleDoubleClick(int x, int y);
    // delta in wheel units (120 a notch, positive away from the user): the user's rows a notch
    // (3 unless set otherwise; or a page), whole rows only, with the parts of a notch that finer
    // wheels send gathered until they make a row.
    void handleMouseWheel(int delta);
    // Two left presses closer than this in time and 4 pixels in space make a double click.
    void setDoubleClickTime(int milliseconds) { FDoubleClickTime = milliseconds; }
    // The clock double clicks are timed with, in milliseconds (tests replace it).
    void setClock(std::function<std::int64_t()> clock) { FClock = std::move(clock); }

    // Bytes the tree holds for its nodes and its view (node records included, their own heap
    // blocks not).
    std::size_t allocatedBytes() const;

    // ---- Accessibility (toolkit/TreeListAccess.cpp): an outline whose items are the rows shown
    // when scrolled through, item n being row n - 1. A row is named by its main column's text, its
    // level (1 for a top-level row) is its value and the other columns make its description
    // ("Size: 32 bytes, Created: ..."); its states are expanded or collapsed, checked, selected and
    // focused. The default action of a row with a check box toggles it.
    plat::TAccessibleItem accessible() const override;
    int accessibleItemCount() const override;
    plat::TAccessibleItem accessibleItem(int index) const override;
    bool accessibleDefaultAction(int item) override;

    // ---- Events.
    TNodeEvent OnInitNode;
    TNodeEvent OnFreeNode;
    TGetTextEvent OnGetText;
    TGetImageIndexEvent OnGetImageIndex;
    TPaintTextEvent OnPaintText;
    TBeforeCellPaintEvent OnBeforeCellPaint;
    TImageOverlayEvent OnPaintImageOverlay;
    TNodeEvent OnChecked;
    TNodeEvent OnExpanded;
    TNodeEvent OnCollapsed;
    TNodeEvent OnChange; // the selection changed
    TFocusChangedEvent OnFocusChanged;
    TCompareEvent OnCompareNodes;
    THeaderClickEvent OnHeaderClick;
    TColumnEvent OnColumnResize;
    TColumnEvent OnHeaderDragged;
    TNodeEvent OnDblClick; // node: the row under the pointer, or null
    TContextPopupEvent OnContextPopup;

protected:
    void paint(TCanvas& canvas) override;
    void buttonPressed(TMouseButton button, int x, int y) override;
    void buttonReleased(TMouseButton button, int x, int y) override;
    void mouseMove(int x, int y) override;
    void focusGained() override;
    void focusLost() override;
    void resize() override;
    // Row and header heights, indent, margins and column widths scale; the header font follows.
    void dpiChanged(int oldDpi, int newDpi) override;
    void keyDown(int& key, TShiftState shift) override;
    bool mouseWheel(int delta, TShiftState shift, int x, int y) override;
    int accessibleFocusItem() const override;
    // The row under the point; 0 over the header, the scroll bars and below the last row.
    int accessibleItemAt(int x, int y) const override;

private:
    struct TDataOps {
        std::size_t size = 0;
        std::size_t align = 1;
        const void* tag = nullptr;
        void (*construct)(void*) = nullptr;
        void (*destroy)(void*) = nullptr;
    };
    template <typename T> static inline const char dataTag = 0;

    class TNodePool;
    struct TLayout;
    struct TDrag;
    struct TCellGeometry;

    bool setNodeDataOps(const TDataOps& ops);
    void* nodeData(TTreeNode* node, const void* tag) const;

    TTreeNode* allocateNode();
    void freeSubtree(TTreeNode* node);
    void unlink(TTreeNode* node);
    void childStateChanged(TTreeNode* parent, bool added, TCheckState childState);
    void recomputeCheckState(TTreeNode* node);
    void propagateDown(TTreeNode* node, TCheckState state);
    void propagateUp(TTreeNode* node);
    void toggleCheck(TTreeNode* node);
    void setExpandedFlag(TTreeNode* node, bool value, bool notify);
    void focusHiddenAncestor();
    void shapeChanged();
    void changed();

    // The view.
    void validate() const;
    void rebuildRows() const;
    TLayout layout() const;
    std::int64_t maxOffsetY() const;
    int maxOffsetX() const;
    int totalColumnsWidth() const;
    void clampOffsets();
    void autoScrollExpanded(const TTreeNode* node);
    void moveFocusToRow(int row);
    // Passes a change of node's row on to screen readers (nothing for a row not shown).
    void accessibleRowEvent(const TTreeNode* node, plat::TAccEvent event);
    TCellGeometry cellGeometry(TTreeNode* node, int column, int cellLeft) const;
    int fitWidth(TCanvas& canvas, int column);
    void sortChildren(TTreeNode* parent, int column, TSortDirection direction,
                      std::vector<TTreeNode*>& buffer);
    void requestSort();
    TRect thumbRect(const TLayout& lay, bool vertical) const;

    // Painting.
    void paintRows(TCanvas& canvas, const TLayout& lay);
    void paintCell(TCanvas& canvas, TTreeNode* node, int column, const TRect& cell);
    void paintTreeLines(TCanvas& canvas, const TTreeNode* node, const TRect& cell, const TCellGeometry& geo);
    void paintButton(TCanvas& canvas, int cx, int cy, bool expanded);
    void paintCheckBox(TCanvas& canvas, int x, int y, TCheckState state);
    void paintHeader(TCanvas& canvas, const TLayout& lay);
    void paintScrollBars(TCanvas& canvas, const TLayout& lay);
    int imageIndex(TTreeNode* node, TImageKind kind, int column) const;

    // Input.
    void leftPressed(int x, int y, bool twice);
    void headerReleased(int x, int y);
    void headerClicked(int column, TMouseButton button);
    void scrollBarPressed(int x, int y);
    void scrollBarDragged(int x, int y);
    void finishCheckPress(int x, int y);
    void contextPopupAtFocus();
    bool treeKey(int key, TShiftState shift);

    std::unique_ptr<TNodePool> FPool;
    TDataOps FDataOps;
    TTreeNode* FFirstTop = nullptr;
    TTreeNode* FLastTop = nullptr;
    std::size_t FTopCount = 0;
    std::size_t FTotalCount = 0;
    TTreeNode* FInitializing = nullptr;

    TTreeNode* FFocusedNode = nullptr;
    TTreeNode* FSelectedNode = nullptr;
    int FFocusedColumn = 0;

    int FUpdateCount = 0;
    bool FSortPending = false;

    // The view, rebuilt lazily; the offsets are clamped whenever the layout is worked out.
    mutable std::vector<TTreeNode*> FRows;
    mutable bool FRowsValid = true;
    mutable int FOffsetX = 0;
    mutable std::int64_t FOffsetY = 0;

    std::vector<TTreeColumn> FColumns;
    std::vector<int> FPositions; // column index at each position
    int FMainColumn = 0;
    int FHeaderHeight = 24;
    TFont FHeaderFont;
    int FSortColumn = -1;
    TSortDirection FSortDirection = TSortDirection::sdAscending;
    int FPendingFit = -1;

    int FNodeHeight = 18;
    int FIndent = 18;
    int FMargin = 4;
    int FTextMargin = 4;
    TTreeOptions FOptions;
    TTreeColors FColors;
    TImageList* FImages = nullptr;
    TImageList* FStateImages = nullptr;

    std::unique_ptr<TDrag> FDrag;
    int FDoubleClickTime = 500;
    std::function<std::int64_t()> FClock;
    std::int64_t FLastPressTime = -1;
    TPoint FLastPressPoint;
    std::int64_t FWheelPending = 0; // wheel units times rows a notch, short of a whole row
};
