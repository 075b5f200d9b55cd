// The tree-list's view: the flattened rows, the layout of header, rows and scroll bars, scrolling,
// the geometry of a row's cell and hit testing.

#include "toolkit/TreeList.h"
#include "toolkit/TreeListNode.h"

#include <algorithm>

namespace {

constexpr int kDividerGrip = 3; // pixels each side of a header divider that grab it
constexpr int kCheckSlot = 16;  // the check box and the space after it
constexpr int kMinThumb = 8;

} // namespace

// ---- The flattened rows.

void TTreeList::validate() const {
    if (!FRowsValid) {
        rebuildRows();
    }
}

void TTreeList::rebuildRows() const {
    FRows.clear();
    for (TTreeNode* node = FFirstTop; node != nullptr;) {
        node->row = static_cast<std::int32_t>(FRows.size());
        FRows.push_back(node);
        if (node->isExpanded() && node->firstChild != nullptr) {
            node = node->firstChild;
            continue;
        }
        while (node != nullptr && node->next == nullptr) {
            node = node->parent;
        }
        if (node != nullptr) {
            node = node->next;
        }
    }
    FRowsValid = true;
}

int TTreeList::rowCount() const {
    validate();
    return static_cast<int>(FRows.size());
}

TTreeNode* TTreeList::rowNode(int row) const {
    validate();
    if (row < 0 || row >= static_cast<int>(FRows.size())) {
        return nullptr;
    }
    return FRows[static_cast<std::size_t>(row)];
}

int TTreeList::rowOf(const TTreeNode* node) const {
    if (node == nullptr) {
        return -1;
    }
    validate();
    const std::int32_t row = node->row;
    if (row < 0 || static_cast<std::size_t>(row) >= FRows.size() ||
        FRows[static_cast<std::size_t>(row)] != node) {
        return -1; // a row number left from a view in which the node still showed
    }
    return row;
}

// ---- Layout and scrolling.

int TTreeList::totalColumnsWidth() const {
    int total = 0;
    for (const TTreeColumn& each : FColumns) {
        total += each.width;
    }
    return total;
}

TTreeList::TLayout TTreeList::layout() const {
    validate();
    TLayout lay;
    const int w = width();
    const int h = height();
    lay.headerBottom = FOptions.showHeader ? std::min(FHeaderHeight, h) : 0;
    lay.contentHeight = static_cast<std::int64_t>(FRows.size()) * FNodeHeight;
    lay.contentWidth = totalColumnsWidth();
    const int availH = std::max(0, h - lay.headerBottom);
    lay.vertical = lay.contentHeight > availH;
    lay.horizontal = lay.contentWidth > w - (lay.vertical ? scale(kScrollBarSize) : 0);
    if (lay.horizontal && !lay.vertical) {
        lay.vertical = lay.contentHeight > availH - scale(kScrollBarSize);
    }
    const int right = std::max(0, w - (lay.vertical ? scale(kScrollBarSize) : 0));
    const int bottom = std::max(lay.headerBottom, h - (lay.horizontal ? scale(kScrollBarSize) : 0));
    lay.rows = TRect{0, lay.headerBottom, right, bottom};
    lay.vbar = TRect{right, lay.headerBottom, w, bottom};
    lay.hbar = TRect{0, bottom, right, h};

    const std::int64_t maxY = std::max<std::int64_t>(0, lay.contentHeight - lay.rows.height());
    const int maxX = std::max(0, lay.contentWidth - lay.rows.width());
    FOffsetY = std::clamp<std::int64_t>(FOffsetY, 0, maxY);
    FOffsetX = std::clamp(FOffsetX, 0, maxX);
    return lay;
}

std::int64_t TTreeList::maxOffsetY() const {
    const TLayout lay = layout();
    return std::max<std::int64_t>(0, lay.contentHeight - lay.rows.height());
}

int TTreeList::maxOffsetX() const {
    const TLayout lay = layout();
    return std::max(0, lay.contentWidth - lay.rows.width());
}

void TTreeList::clampOffsets() {
    layout();
}

TRect TTreeList::rowsRect() const {
    return layout().rows;
}

int TTreeList::rowsPerPage() const {
    return std::max(1, layout().rows.height() / FNodeHeight);
}

bool TTreeList::verticalScrollBarVisible() const {
    return layout().vertical;
}

bool TTreeList::horizontalScrollBarVisible() const {
    return layout().horizontal;
}

void TTreeList::setOffsetX(int value) {
    const int before = FOffsetX;
    FOffsetX = value;
    clampOffsets();
    if (FOffsetX != before) {
        changed();
    }
}

void TTreeList::setOffsetY(std::int64_t value) {
    const std::int64_t before = FOffsetY;
    FOffsetY = value;
    clampOffsets();
    if (FOffsetY != before) {
        changed();
    }
}

void TTreeList::scrollIntoView(const TTreeNode* node) {
    const int row = rowOf(node);
    if (row < 0) {
        return;
    }
    const std::int64_t top = static_cast<std::int64_t>(row) * FNodeHeight;
    const int page = layout().rows.height();
    if (top < FOffsetY) {
        setOffsetY(top);
    } else if (top + FNodeHeight > FOffsetY + page) {
        setOffsetY(top + FNodeHeight - page);
    }
}

void TTreeList::autoScrollExpanded(const TTreeNode* node) {
    const int row = rowOf(node);
    if (row < 0) {
        return;
    }
    // The last row of node's subtree is the one before the next row that is not below node.
    const TTreeNode* after = node;
    while (after != nullptr && after->next == nullptr) {
        after = after->parent;
    }
    const int lastRow = after != nullptr ? rowOf(after->next) - 1 : rowCount() - 1;
    const int page = layout().rows.height();
    const std::int64_t bottom = static_cast<std::int64_t>(lastRow + 1) * FNodeHeight;
    if (bottom > FOffsetY + page) {
        // As much of the subtree as fits, the expanded row itself kept in view.
        setOffsetY(std::min(static_cast<std::int64_t>(row) * FNodeHeight, bottom - page));
    }
}

TRect TTreeList::columnRect(int index) const {
    int x = -FOffsetX;
    for (int column : FPositions) {
        const int w = FColumns[static_cast<std::size_t>(column)].width;
        if (column == index) {
            return TRect{x, 0, x + w, height()};
        }
        x += w;
    }
    return TRect{};
}

TRect TTreeList::rowRect(const TTreeNode* node) const {
    const int row = rowOf(node);
    if (row < 0) {
        return TRect{};
    }
    const TLayout lay = layout();
    const int top = static_cast<int>(lay.rows.top + static_cast<std::int64_t>(row) * FNodeHeight - FOffsetY);
    return TRect{-FOffsetX, top, lay.contentWidth - FOffsetX, top + FNodeHeight};
}

// ---- A row's cell.

int TTreeList::imageIndex(TTreeNode* node, TImageKind kind, int column) const {
    if (!OnGetImageIndex) {
        return -1;
    }
    auto* self = const_cast<TTreeList*>(this);
    int index = -1;
    if (kind == TImageKind::ikNormal && selected(node)) {
        OnGetImageIndex(self, node, TImageKind::ikSelected, column, index);
        if (index >= 0) {
            return index;
        }
    }
    // A selected row without a selected image shows its normal one.
    OnGetImageIndex(self, node, kind, column, index);
    return index;
}

TTreeList::TCellGeometry TTreeList::cellGeometry(TTreeNode* node, int column, int cellLeft) const {
    TCellGeometry geo;
    int x = cellLeft + FMargin;
    if (column == FMainColumn) {
        const int cells = static_cast<int>(node->level) + (FOptions.showRoot ? 1 : 0);
        x += cells * FIndent;
        geo.hasButtonCell = cells > 0;
        geo.buttonLeft = x - FIndent;
        geo.buttonRight = x;
        geo.checkLeft = x;
        if (FOptions.checkSupport && node->checkType != TCheckType::ctNone) {
            x += scale(kCheckSlot);
        }
        geo.stateLeft = x;
        if (FStateImages != nullptr) {
            geo.stateIndex = imageIndex(node, TImageKind::ikState, column);
            if (geo.stateIndex >= 0) {
                x += FStateImages->width() + scale(2);
            }
        }
        geo.imageLeft = x;
        if (FImages != nullptr) {
            geo.imageIndex = imageIndex(node, TImageKind::ikNormal, column);
            if (geo.imageIndex >= 0) {
                x += FImages->width() + scale(2);
            }
        }
    } else {
        geo.buttonLeft = geo.buttonRight = geo.checkLeft = geo.stateLeft = geo.imageLeft = x;
    }
    geo.textLeft = x;
    return geo;
}

TRect TTreeList::thumbRect(const TLayout& lay, bool vertical) const {
    const TRect bar = vertical ? lay.vbar : lay.hbar;
    const int start = (vertical ? bar.top : bar.left) + scale(kScrollBarSize);
    const int track = std::max(0, (vertical ? bar.height() : bar.width()) - 2 * scale(kScrollBarSize));
    const std::int64_t content = vertical ? lay.contentHeight : lay.contentWidth;
    const std::int64_t page = vertical ? lay.rows.height() : lay.rows.width();
    const std::int64_t offset = vertical ? FOffsetY : FOffsetX;
    if (track <= 0 || content <= 0) {
        return TRect{};
    }
    int length = static_cast<int>(std::min<std::int64_t>(track, track * page / content));
    length = std::min(track, std::max(length, scale(kMinThumb)));
    const std::int64_t range = std::max<std::int64_t>(1, content - page);
    const int pos = start + static_cast<int>((track - length) * std::min(offset, range) / range);
    return vertical ? TRect{bar.left, pos, bar.right, pos + length}
                    : TRect{pos, bar.top, pos + length, bar.bottom};
}

THitInfo TTreeList::hitTest(int x, int y) const {
    THitInfo hit;
    if (!clientRect().contains(x, y)) {
        return hit;
    }
    const TLayout lay = layout();
    if ((lay.vertical && x >= lay.vbar.left) || (lay.horizontal && y >= lay.hbar.top)) {
        hit.area = THitArea::haScrollBar;
        return hit;
    }
    // The column under x, and a divider within reach.
    int left = -FOffsetX;
    for (int column : FPositions) {
        const int right = left + FColumns[static_cast<std::size_t>(column)].width;
        if (y < lay.headerBottom && x >= right - scale(kDividerGrip) && x <= right + scale(kDividerGrip)) {
            hit.area = THitArea::haHeaderDivider;
            hit.column = column;
            return hit;
        }
        if (x >= left && x < right) {
            hit.column = column;
            break;
        }
        left = right;
    }
    if (y < lay.headerBottom) {
        hit.area = THitArea::haHeader;
        return hit;
    }
    const std::int64_t row = (y - lay.rows.top + FOffsetY) / FNodeHeight;
    if (row >= static_cast<std::int64_t>(FRows.size())) {
        return hit; // below the last row: nowhere, in that column
    }
    hit.node = FRows[static_cast<std::size_t>(row)];
    hit.area = THitArea::haItem;
    const bool treeCell = FColumns.empty() || (hit.column >= 0 && hit.column == FMainColumn);
    if (!treeCell) {
        return hit;
    }
    const TCellGeometry geo = cellGeometry(hit.node, FMainColumn, FColumns.empty() ? -FOffsetX : left);
    if (x < geo.checkLeft) {
        const bool button = FOptions.showButtons && geo.hasButtonCell && hit.node->childCount > 0 &&
                            x >= geo.buttonLeft && x < geo.buttonRight;
        hit.area = button ? THitArea::haButton : THitArea::haIndent;
    } else if (x < geo.stateLeft) {
        hit.area = THitArea::haCheckBox;
    } else if (x < geo.imageLeft) {
        hit.area = THitArea::haStateImage;
    } else if (x < geo.textLeft) {
        hit.area = THitArea::haImage;
    }
    return hit;
}
