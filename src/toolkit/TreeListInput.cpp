// The tree-list's mouse and keyboard handling: the header (clicks, resizing, fitting, moving
// columns), rows (focus, check boxes, expand buttons, double clicks, context menu requests), the
// scroll bars, the wheel and the keys.

#include "toolkit/TreeList.h"
#include "toolkit/TreeListNode.h"

#include "platform/WidgetServices.h"

#include <algorithm>
#include <cstdlib>

using treelist::pressedState;

namespace {

constexpr int kDragThreshold = 4;
constexpr int kDoubleClickDistance = 4;
constexpr int kHorizontalStep = 16;
constexpr TCursor kSplitCursor = static_cast<TCursor>(-14); // the toolkit's horizontal split cursor

} // namespace

// ---- Mouse.

void TTreeList::buttonPressed(TMouseButton button, int x, int y) {
    TControl::buttonPressed(button, x, y);
    setFocus();
    if (updating()) {
        return;
    }
    if (button == TMouseButton::mbLeft) {
        const std::int64_t now = FClock();
        const bool twice = FLastPressTime >= 0 && now - FLastPressTime <= FDoubleClickTime &&
                           std::abs(x - FLastPressPoint.x) <= scale(kDoubleClickDistance) &&
                           std::abs(y - FLastPressPoint.y) <= scale(kDoubleClickDistance);
        FLastPressTime = twice ? -1 : now; // a third press starts over
        FLastPressPoint = TPoint{x, y};
        leftPressed(x, y, twice);
    } else if (button == TMouseButton::mbRight && FOptions.rightClickSelect) {
        const THitInfo hit = hitTest(x, y);
        if (hit.node != nullptr) {
            setFocusedNode(hit.node);
        }
    }
}

void TTreeList::handleDoubleClick(int x, int y) {
    if (!updating()) {
        leftPressed(x, y, true);
    }
}

void TTreeList::leftPressed(int x, int y, bool twice) {
    const THitInfo hit = hitTest(x, y);
    switch (hit.area) {
    case THitArea::haScrollBar:
        scrollBarPressed(x, y);
        return;
    case THitArea::haHeaderDivider: {
        const TTreeColumn& col = column(hit.column);
        if (twice && FOptions.headerDblClickFit && col.resizable) {
            FPendingFit = hit.column; // measured at the next paint, where a canvas is at hand
            invalidate();
        } else if (FOptions.headerResize && col.resizable) {
            *FDrag = TDrag{};
            FDrag->kind = TDrag::dkHeaderResize;
            FDrag->column = hit.column;
            FDrag->startX = x;
            FDrag->startWidth = col.width;
        }
        return;
    }
    case THitArea::haHeader:
        if (hit.column >= 0) {
            *FDrag = TDrag{};
            FDrag->kind = TDrag::dkHeaderPress;
            FDrag->column = hit.column;
            FDrag->startX = x;
            invalidate();
        }
        return;
    case THitArea::haButton:
        toggleNode(hit.node);
        return;
    case THitArea::haCheckBox:
        if (!FOptions.checkSupport || hit.node->checkType == TCheckType::ctNone) {
            break; // an empty slot acts as the row
        }
        if (twice) {
            toggleCheck(hit.node); // the second press of a quick double click is a click of its own
        } else {
            hit.node->checkState = pressedState(hit.node->checkState);
            *FDrag = TDrag{};
            FDrag->kind = TDrag::dkCheckPress;
            FDrag->node = hit.node;
            changed();
        }
        return;
    case THitArea::haNowhere:
        if (twice && OnDblClick) {
            OnDblClick(this, nullptr);
        }
        return;
    default:
        break;
    }
    if (hit.node == nullptr) {
        return;
    }
    if (hit.column >= 0) {
        FFocusedColumn = hit.column;
    }
    setFocusedNode(hit.node);
    if (twice) {
        if (OnDblClick) {
            OnDblClick(this, hit.node);
        }
        if (FOptions.dblClickExpands && hit.node->childCount > 0) {
            toggleNode(hit.node);
        }
    }
}

void TTreeList::buttonReleased(TMouseButton button, int x, int y) {
    TControl::buttonReleased(button, x, y);
    if (button == TMouseButton::mbLeft) {
        const TDrag drag = *FDrag;
        *FDrag = TDrag{};
        switch (drag.kind) {
        case TDrag::dkHeaderPress:
            invalidate();
            headerClicked(drag.column, TMouseButton::mbLeft);
            break;
        case TDrag::dkHeaderMove:
            invalidate();
            if (drag.dropPosition >= 0 && drag.dropPosition != columnPosition(drag.column)) {
                setColumnPosition(drag.column, drag.dropPosition);
                if (OnHeaderDragged) {
                    OnHeaderDragged(this, drag.column);
                }
            }
            break;
        case TDrag::dkCheckPress:
            FDrag->node = drag.node;
            finishCheckPress(x, y);
            FDrag->node = nullptr;
            break;
        default:
            break;
        }
        return;
    }
    if (button != TMouseButton::mbRight || updating()) {
        return;
    }
    const THitInfo hit = hitTest(x, y);
    if (hit.area == THitArea::haHeader || hit.area == THitArea::haHeaderDivider) {
        if (hit.column >= 0 && OnHeaderClick) {
            OnHeaderClick(this, hit.column, TMouseButton::mbRight);
        }
    } else if (hit.area != THitArea::haScrollBar && clientRect().contains(x, y) && OnContextPopup) {
        OnContextPopup(this, x, y);
    }
}

void TTreeList::finishCheckPress(int x, int y) {
    TTreeNode* node = FDrag->node;
    if (node == nullptr) {
        return;
    }
    const THitInfo hit = hitTest(x, y);
    if (hit.area == THitArea::haCheckBox && hit.node == node) {
        toggleCheck(node);
    } else {
        node->checkState = treelist::baseState(node->checkState); // released elsewhere: no change
        changed();
    }
}

void TTreeList::mouseMove(int x, int y) {
    TControl::mouseMove(x, y);
    switch (FDrag->kind) {
    case TDrag::dkHeaderResize:
        setColumnWidth(FDrag->column, FDrag->startWidth + x - FDrag->startX);
        return;
    case TDrag::dkHeaderPress:
        if (std::abs(x - FDrag->startX) <= scale(kDragThreshold) || !FOptions.headerDrag ||
            !column(FDrag->column).draggable) {
            return;
        }
        FDrag->kind = TDrag::dkHeaderMove;
        [[fallthrough]];
    case TDrag::dkHeaderMove: {
        // A draggable column goes only where another draggable column is.
        const THitInfo hit = hitTest(std::clamp(x, 0, std::max(0, width() - 1)), 0);
        const int target = hit.column >= 0 && column(hit.column).draggable ? columnPosition(hit.column) : -1;
        if (target != FDrag->dropPosition) {
            FDrag->dropPosition = target;
            invalidate();
        }
        return;
    }
    case TDrag::dkVThumb:
    case TDrag::dkHThumb:
        scrollBarDragged(x, y);
        return;
    default:
        break;
    }
    const THitInfo hit = hitTest(x, y);
    const bool divider =
        hit.area == THitArea::haHeaderDivider && FOptions.headerResize && column(hit.column).resizable;
    setCursor(divider ? kSplitCursor : crDefault);
}

void TTreeList::headerClicked(int index, TMouseButton button) {
    if (index < 0 || index >= columnCount()) {
        return;
    }
    if (button == TMouseButton::mbLeft && column(index).clickable && FOptions.headerClickSorts) {
        if (index == FSortColumn) {
            setSortDirection(FSortDirection == TSortDirection::sdAscending ? TSortDirection::sdDescending
                                                                           : TSortDirection::sdAscending);
        } else {
            // A new sort column starts ascending; the sort runs once, for both changes.
            const bool sortsBy = FOptions.autoSort;
            FOptions.autoSort = false;
            setSortColumn(index);
            setSortDirection(TSortDirection::sdAscending);
            FOptions.autoSort = sortsBy;
            requestSort();
        }
    }
    if (OnHeaderClick) {
        OnHeaderClick(this, index, button);
    }
}

// ---- Scroll bars and wheel.

void TTreeList::scrollBarPressed(int x, int y) {
    const TLayout lay = layout();
    const int s = scale(kScrollBarSize);
    if (lay.vertical && lay.vbar.contains(x, y)) {
        const TRect thumb = thumbRect(lay, true);
        if (y < lay.vbar.top + s) {
            setOffsetY(FOffsetY - FNodeHeight);
        } else if (y >= lay.vbar.bottom - s) {
            setOffsetY(FOffsetY + FNodeHeight);
        } else if (y < thumb.top) {
            setOffsetY(FOffsetY - lay.rows.height());
        } else if (y >= thumb.bottom) {
            setOffsetY(FOffsetY + lay.rows.height());
        } else {
            *FDrag = TDrag{};
            FDrag->kind = TDrag::dkVThumb;
            FDrag->startY = y;
            FDrag->startOffset = FOffsetY;
        }
    } else if (lay.horizontal && lay.hbar.contains(x, y)) {
        const TRect thumb = thumbRect(lay, false);
        if (x < lay.hbar.left + s) {
            setOffsetX(FOffsetX - scale(kHorizontalStep));
        } else if (x >= lay.hbar.right - s) {
            setOffsetX(FOffsetX + scale(kHorizontalStep));
        } else if (x < thumb.left) {
            setOffsetX(FOffsetX - lay.rows.width());
        } else if (x >= thumb.right) {
            setOffsetX(FOffsetX + lay.rows.width());
        } else {
            *FDrag = TDrag{};
            FDrag->kind = TDrag::dkHThumb;
            FDrag->startX = x;
            FDrag->startOffset = FOffsetX;
        }
    }
}

void TTreeList::scrollBarDragged(int x, int y) {
    const TLayout lay = layout();
    const bool vertical = FDrag->kind == TDrag::dkVThumb;
    const TRect thumb = thumbRect(lay, vertical);
    const TRect bar = vertical ? lay.vbar : lay.hbar;
    const int free =
        (vertical ? bar.height() - thumb.height() : bar.width() - thumb.width()) - 2 * scale(kScrollBarSize);
    if (free <= 0) {
        return;
    }
    const std::int64_t range = vertical ? maxOffsetY() : maxOffsetX();
    const int moved = vertical ? y - FDrag->startY : x - FDrag->startX;
    const std::int64_t offset = FDrag->startOffset + static_cast<std::int64_t>(moved) * range / free;
    if (vertical) {
        setOffsetY(offset);
    } else {
        setOffsetX(static_cast<int>(std::clamp<std::int64_t>(offset, 0, range)));
    }
}

void TTreeList::handleMouseWheel(int delta) {
    constexpr std::int64_t kNotch = 120;
    if (updating() || delta == 0) {
        return;
    }
    const int lines = plat::inputSettings().wheelLines;
    const std::int64_t rowsPerNotch = lines == plat::TInputSettings::kWheelPage ? rowsPerPage() : lines;
    if (rowsPerNotch <= 0) {
        return;
    }
    // What was gathered the other way is dropped when the wheel turns back.
    if ((FWheelPending < 0) != (delta < 0)) {
        FWheelPending = 0;
    }
    FWheelPending += delta * rowsPerNotch;
    const std::int64_t rows = FWheelPending / kNotch;
    FWheelPending -= rows * kNotch;
    if (rows != 0) {
        setOffsetY(FOffsetY - rows * FNodeHeight);
    }
}

bool TTreeList::mouseWheel(int delta, TShiftState /*shift*/, int /*x*/, int /*y*/) {
    handleMouseWheel(delta);
    return true;
}

// ---- Keys.

void TTreeList::moveFocusToRow(int row) {
    TTreeNode* node = rowNode(row);
    if (node == nullptr) {
        return;
    }
    setFocusedNode(node);
    scrollIntoView(node);
}

void TTreeList::contextPopupAtFocus() {
    if (!OnContextPopup) {
        return;
    }
    const TRect row = rowRect(FFocusedNode);
    if (row.empty()) {
        OnContextPopup(this, 0, 0);
    } else {
        OnContextPopup(this, std::max(row.left, 0) + FIndent, row.bottom);
    }
}

bool TTreeList::handleKeyDown(int key, TShiftState shift) {
    keyDown(key, shift);
    return key == 0;
}

void TTreeList::keyDown(int& key, TShiftState shift) {
    TControl::keyDown(key, shift); // OnKeyDown may take the key
    if (key != 0 && treeKey(key, shift)) {
        key = 0;
    }
}

bool TTreeList::treeKey(int key, TShiftState shift) {
    if (updating()) {
        return false;
    }
    const int rows = rowCount();
    const int current = rowOf(FFocusedNode);
    const int page = rowsPerPage();
    TTreeNode* node = FFocusedNode;
    switch (key) {
    case kKeyUp:
        moveFocusToRow(current < 0 ? 0 : std::max(0, current - 1));
        return rows > 0;
    case kKeyDown:
        moveFocusToRow(current < 0 ? 0 : std::min(rows - 1, current + 1));
        return rows > 0;
    case kKeyHome:
        moveFocusToRow(0);
        return rows > 0;
    case kKeyEnd:
        moveFocusToRow(rows - 1);
        return rows > 0;
    case kKeyPageUp:
        moveFocusToRow(current < 0 ? 0 : std::max(0, current - page));
        return rows > 0;
    case kKeyPageDown:
        moveFocusToRow(current < 0 ? 0 : std::min(rows - 1, current + page));
        return rows > 0;
    case kKeySpace:
        if (node == nullptr || !FOptions.checkSupport || node->checkType == TCheckType::ctNone) {
            return false;
        }
        toggleCheck(node);
        return true;
    case kKeyAdd:
    case kKeyOemPlus:
        if (node == nullptr || node->childCount == 0) {
            return false;
        }
        setExpanded(node, true);
        return true;
    case kKeySubtract:
    case kKeyOemMinus:
        if (node == nullptr || node->childCount == 0) {
            return false;
        }
        setExpanded(node, false);
        return true;
    case kKeyLeft:
        if (node == nullptr) {
            return false;
        }
        if (node->isExpanded() && node->childCount > 0) {
            setExpanded(node, false);
        } else if (node->parent != nullptr) {
            moveFocusToRow(rowOf(node->parent));
        }
        return true;
    case kKeyRight:
        if (node == nullptr || node->childCount == 0) {
            return false;
        }
        if (!node->isExpanded()) {
            setExpanded(node, true);
        } else {
            moveFocusToRow(rowOf(node->firstChild));
        }
        return true;
    case kKeyApps:
        contextPopupAtFocus();
        return true;
    case kKeyF10:
        if ((shift & ssShift) == 0) {
            return false;
        }
        contextPopupAtFocus();
        return true;
    default:
        return false;
    }
}

// ---- Focus and size.

void TTreeList::focusGained() {
    TControl::focusGained();
    invalidate();
}

void TTreeList::focusLost() {
    TControl::focusLost();
    if (FDrag->kind == TDrag::dkCheckPress && FDrag->node != nullptr) {
        FDrag->node->checkState = treelist::baseState(FDrag->node->checkState);
    }
    *FDrag = TDrag{};
    invalidate();
}

void TTreeList::resize() {
    TControl::resize();
    invalidate();
}
