// What the tree-list tells screen readers: the outline and its rows.

#include "toolkit/TreeList.h"
#include "toolkit/TreeListNode.h"

namespace {

// Tells whether two rectangles share any pixel.
bool overlaps(const TRect& a, const TRect& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

} // namespace

plat::TAccessibleItem TTreeList::accessible() const {
    plat::TAccessibleItem item = TControl::accessible();
    item.role = plat::TAccRole::outline;
    return item;
}

int TTreeList::accessibleItemCount() const {
    return rowCount();
}

plat::TAccessibleItem TTreeList::accessibleItem(int index) const {
    plat::TAccessibleItem item;
    TTreeNode* node = index >= 1 ? rowNode(index - 1) : nullptr;
    if (node == nullptr) {
        return item;
    }
    item.role = plat::TAccRole::outlineItem;
    // OnGetText takes the tree as its sender but only reads the row's record.
    auto* self = const_cast<TTreeList*>(this);
    auto textOf = [&](int column) {
        std::wstring text;
        if (OnGetText) {
            OnGetText(self, node, column, text);
        }
        return text;
    };
    item.name = textOf(FMainColumn);
    item.value = std::to_wstring(getNodeLevel(node) + 1);
    for (int position = 0; position < columnCount(); ++position) {
        const int column = FPositions[static_cast<std::size_t>(position)];
        if (column == FMainColumn) {
            continue;
        }
        const std::wstring text = textOf(column);
        if (text.empty()) {
            continue;
        }
        if (!item.description.empty()) {
            item.description += L", ";
        }
        const std::wstring& header = FColumns[static_cast<std::size_t>(column)].text;
        item.description += header.empty() ? text : header + L": " + text;
    }

    item.states = plat::asSelectable | plat::asFocusable;
    if (!enabled()) {
        item.states |= plat::asUnavailable;
    }
    if (hasChildren(node)) {
        item.states |= expanded(node) ? plat::asExpanded : plat::asCollapsed;
    }
    if (checkType(node) != TCheckType::ctNone) {
        const TCheckState state = treelist::baseState(checkState(node));
        if (state == TCheckState::csCheckedNormal) {
            item.states |= plat::asChecked;
        } else if (state == TCheckState::csMixedNormal) {
            item.states |= plat::asMixed;
        }
        item.defaultAction = state == TCheckState::csCheckedNormal ? L"Uncheck" : L"Check";
    }
    if (selected(node)) {
        item.states |= plat::asSelected;
    }
    if (node == FFocusedNode && focused()) {
        item.states |= plat::asFocused;
    }
    item.location = rowRect(node);
    if (!overlaps(item.location, rowsRect())) {
        item.states |= plat::asOffscreen;
    }
    return item;
}

bool TTreeList::accessibleDefaultAction(int item) {
    TTreeNode* node = item >= 1 ? rowNode(item - 1) : nullptr;
    if (node == nullptr || !enabled() || !FOptions.checkSupport || checkType(node) == TCheckType::ctNone) {
        return false;
    }
    toggleCheck(node);
    return true;
}

int TTreeList::accessibleFocusItem() const {
    const int row = rowOf(FFocusedNode);
    return row >= 0 ? row + 1 : 0;
}

int TTreeList::accessibleItemAt(int x, int y) const {
    const THitInfo hit = hitTest(x, y);
    const bool onRow = hit.node != nullptr && hit.area != THitArea::haHeader &&
                       hit.area != THitArea::haHeaderDivider && hit.area != THitArea::haScrollBar;
    const int row = onRow ? rowOf(hit.node) : -1;
    return row >= 0 ? row + 1 : 0;
}

void TTreeList::accessibleRowEvent(const TTreeNode* node, plat::TAccEvent event) {
    // Screen readers follow the rows of the tree that has the focus. Finding a row may rebuild the
    // view, so a tree being filled, or changed by the program while the user is elsewhere, says
    // nothing (the view is not rebuilt once per row).
    if (!handleAllocated() || updating() || !focused()) {
        return;
    }
    const int row = rowOf(node);
    if (row >= 0) {
        accessibleNotify(event, row + 1);
    }
}
