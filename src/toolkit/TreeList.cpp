// The tree-list's model: nodes and their records, iteration, expansion, check boxes, selection,
// suspended updates, columns and sorting.

#include "toolkit/TreeList.h"
#include "toolkit/TreeListNode.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>

using treelist::baseState;

namespace {

constexpr std::size_t kFirstChunk = 64;
constexpr std::size_t kLargestChunk = 4096;

std::size_t roundUp(std::size_t value, std::size_t step) {
    return (value + step - 1) / step * step;
}

constexpr std::align_val_t kChunkAlign{alignof(std::max_align_t)};

bool hasCheckBox(const TTreeNode* node) {
    return node->checkType != TCheckType::ctNone;
}

// The next node of root's subtree in tree order (root itself excluded); null after the last.
// A null root means the whole tree.
TTreeNode* nextInSubtree(TTreeNode* node, const TTreeNode* root) {
    if (node->firstChild != nullptr) {
        return node->firstChild;
    }
    while (node != nullptr && node != root) {
        if (node->next != nullptr) {
            return node->next;
        }
        node = node->parent;
    }
    return nullptr;
}

} // namespace

// ---- The pool.

void TTreeList::TNodePool::TChunkDelete::operator()(std::byte* chunk) const {
    ::operator delete[](chunk, kChunkAlign);
}

TTreeList::TNodePool::TNodePool(std::size_t dataSize, std::size_t dataAlign) {
    const std::size_t align = std::max(alignof(TTreeNode), dataAlign);
    FDataOffset = roundUp(sizeof(TTreeNode), std::max<std::size_t>(dataAlign, 1));
    FStride = roundUp(FDataOffset + dataSize, align);
}

TTreeList::TNodePool::~TNodePool() = default;

void* TTreeList::TNodePool::allocate() {
    if (FFree != nullptr) {
        TFree* node = FFree;
        FFree = node->next;
        return node;
    }
    if (FChunks.empty() || FChunkUsed == FChunkSize) {
        FChunkSize = FChunks.empty() ? kFirstChunk : std::min(FChunkSize * 2, kLargestChunk);
        const std::size_t size = FChunkSize * FStride;
        FChunks.emplace_back(static_cast<std::byte*>(::operator new[](size, kChunkAlign)));
        FBytes += size;
        FChunkUsed = 0;
    }
    return FChunks.back().get() + FStride * FChunkUsed++;
}

void TTreeList::TNodePool::release(void* memory) {
    auto* node = ::new (memory) TFree{FFree};
    FFree = node;
}

// ---- Construction and records.

TTreeList::TTreeList()
    : FPool(std::make_unique<TNodePool>(0, 1)), FDrag(std::make_unique<TDrag>()), FClock([] {
          using namespace std::chrono;
          return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
      }) {
    setBounds(left(), top(), 200, 100);
    setTabStop(true); // it takes the keyboard: the arrows, Space, the menu key
}

TTreeList::~TTreeList() {
    // OnFreeNode sees every node go; the selection events would reach a window being torn down.
    OnChange = nullptr;
    OnFocusChanged = nullptr;
    clear();
}

bool TTreeList::setNodeDataOps(const TDataOps& ops) {
    if (FTotalCount != 0) {
        return false;
    }
    FDataOps = ops;
    FPool = std::make_unique<TNodePool>(ops.size, ops.align);
    return true;
}

void* TTreeList::nodeData(TTreeNode* node, const void* tag) const {
    if (node == nullptr || tag != FDataOps.tag || FDataOps.size == 0) {
        return nullptr;
    }
    return reinterpret_cast<std::byte*>(node) + FPool->dataOffset();
}

std::size_t TTreeList::allocatedBytes() const {
    return FPool->bytes() + FRows.capacity() * sizeof(TTreeNode*) + sizeof(TTreeList);
}

// ---- Adding and deleting.

TTreeNode* TTreeList::allocateNode() {
    void* memory = FPool->allocate();
    auto* node = ::new (memory) TTreeNode();
    if (FDataOps.construct != nullptr) {
        try {
            FDataOps.construct(static_cast<std::byte*>(memory) + FPool->dataOffset());
        } catch (...) {
            FPool->release(memory);
            throw;
        }
    }
    return node;
}

TTreeNode* TTreeList::addChild(TTreeNode* parent) {
    TTreeNode* node = allocateNode();
    node->parent = parent;
    node->level = parent != nullptr ? parent->level + 1 : 0;
    TTreeNode*& first = parent != nullptr ? parent->firstChild : FFirstTop;
    TTreeNode*& last = parent != nullptr ? parent->lastChild : FLastTop;
    node->prev = last;
    if (last != nullptr) {
        last->next = node;
    } else {
        first = node;
    }
    last = node;
    if (parent != nullptr) {
        ++parent->childCount;
    } else {
        ++FTopCount;
    }
    ++FTotalCount;

    if (OnInitNode) {
        struct TInitScope {
            TTreeNode*& slot;
            ~TInitScope() { slot = nullptr; }
        } scope{FInitializing};
        FInitializing = node;
        OnInitNode(this, node);
    }
    if (parent != nullptr && hasCheckBox(node)) {
        childStateChanged(parent, true, node->checkState);
    }
    if (FOptions.autoSort && FSortColumn >= 0 && OnCompareNodes) {
        FSortPending = true;
    }
    if (parent == nullptr || parent->isExpanded()) {
        shapeChanged();
    } else {
        changed(); // the parent may show its button now
    }
    return node;
}

void TTreeList::unlink(TTreeNode* node) {
    TTreeNode* parent = node->parent;
    TTreeNode*& first = parent != nullptr ? parent->firstChild : FFirstTop;
    TTreeNode*& last = parent != nullptr ? parent->lastChild : FLastTop;
    if (node->prev != nullptr) {
        node->prev->next = node->next;
    } else {
        first = node->next;
    }
    if (node->next != nullptr) {
        node->next->prev = node->prev;
    } else {
        last = node->prev;
    }
    node->prev = node->next = nullptr;
    if (parent != nullptr) {
        --parent->childCount;
    } else {
        --FTopCount;
    }
}

void TTreeList::freeSubtree(TTreeNode* node) {
    for (TTreeNode* child = node->firstChild; child != nullptr;) {
        TTreeNode* following = child->next;
        freeSubtree(child);
        child = following;
    }
    if (FFocusedNode == node) {
        FFocusedNode = nullptr;
    }
    if (FSelectedNode == node) {
        FSelectedNode = nullptr;
    }
    if (FDrag->node == node) {
        *FDrag = TDrag{};
    }
    if (OnFreeNode) {
        try {
            OnFreeNode(this, node);
        } catch (...) {
            // The node goes all the same; a failing handler must not leak the rest of the tree.
        }
    }
    void* memory = node;
    if (FDataOps.destroy != nullptr) {
        FDataOps.destroy(static_cast<std::byte*>(memory) + FPool->dataOffset());
    }
    node->~TTreeNode();
    FPool->release(memory);
    --FTotalCount;
}

void TTreeList::deleteNode(TTreeNode* node) {
    if (node == nullptr) {
        return;
    }
    TTreeNode* const focused = FFocusedNode;
    TTreeNode* const selectedBefore = FSelectedNode;
    TTreeNode* parent = node->parent;
    const bool checkable = hasCheckBox(node);
    const TCheckState state = node->checkState;
    // Out of the tree and out of the view first: an OnFreeNode handler may paint.
    unlink(node);
    FRowsValid = false;
    freeSubtree(node);
    if (parent != nullptr && checkable) {
        childStateChanged(parent, false, state);
    }
    if (FTotalCount == 0) {
        FPool = std::make_unique<TNodePool>(FDataOps.size, FDataOps.align); // give the memory back
    }
    shapeChanged();
    if (focused != FFocusedNode && OnFocusChanged) {
        OnFocusChanged(this, nullptr, FFocusedColumn);
    }
    if (selectedBefore != FSelectedNode && OnChange) {
        OnChange(this, nullptr);
    }
}

void TTreeList::clear() {
    TTreeNode* const focused = FFocusedNode;
    TTreeNode* const selectedBefore = FSelectedNode;
    // Out of the tree and out of the view first: an OnFreeNode handler may paint.
    TTreeNode* node = FFirstTop;
    FFirstTop = FLastTop = nullptr;
    FTopCount = 0;
    FRowsValid = false;
    while (node != nullptr) {
        TTreeNode* following = node->next;
        freeSubtree(node);
        node = following;
    }
    FPool = std::make_unique<TNodePool>(FDataOps.size, FDataOps.align);
    FRows.clear();
    FRows.shrink_to_fit();
    FOffsetY = 0;
    FSortPending = false;
    shapeChanged();
    if (focused != nullptr && OnFocusChanged) {
        OnFocusChanged(this, nullptr, FFocusedColumn);
    }
    if (selectedBefore != nullptr && OnChange) {
        OnChange(this, nullptr);
    }
}

std::size_t TTreeList::childCount(const TTreeNode* node) const {
    return node != nullptr ? node->childCount : FTopCount;
}

int TTreeList::getNodeLevel(const TTreeNode* node) const {
    return node != nullptr ? static_cast<int>(node->level) : -1;
}

// ---- Iteration.

TTreeNode* TTreeList::getFirst() const {
    return FFirstTop;
}

TTreeNode* TTreeList::getNext(const TTreeNode* node) const {
    return node != nullptr ? nextInSubtree(const_cast<TTreeNode*>(node), nullptr) : nullptr;
}

TTreeNode* TTreeList::getPrevious(const TTreeNode* node) const {
    if (node == nullptr) {
        return nullptr;
    }
    TTreeNode* previous = node->prev;
    if (previous == nullptr) {
        return node->parent;
    }
    while (previous->lastChild != nullptr) {
        previous = previous->lastChild;
    }
    return previous;
}

TTreeNode* TTreeList::getLast() const {
    TTreeNode* node = FLastTop;
    while (node != nullptr && node->lastChild != nullptr) {
        node = node->lastChild;
    }
    return node;
}

TTreeNode* TTreeList::getFirstChild(const TTreeNode* node) const {
    return node != nullptr ? node->firstChild : FFirstTop;
}

TTreeNode* TTreeList::getLastChild(const TTreeNode* node) const {
    return node != nullptr ? node->lastChild : FLastTop;
}

TTreeNode* TTreeList::getNextSibling(const TTreeNode* node) const {
    return node != nullptr ? node->next : nullptr;
}

TTreeNode* TTreeList::getPreviousSibling(const TTreeNode* node) const {
    return node != nullptr ? node->prev : nullptr;
}

TTreeNode* TTreeList::getParent(const TTreeNode* node) const {
    return node != nullptr ? node->parent : nullptr;
}

// ---- Expansion.

bool TTreeList::expanded(const TTreeNode* node) const {
    return node != nullptr && node->isExpanded();
}

void TTreeList::setExpandedFlag(TTreeNode* node, bool value, bool notify) {
    if (value) {
        node->flags |= TTreeNode::kExpanded;
    } else {
        node->flags &= static_cast<std::uint8_t>(~TTreeNode::kExpanded);
    }
    if (notify) {
        const TNodeEvent& event = value ? OnExpanded : OnCollapsed;
        if (event) {
            event(this, node);
        }
    }
}

void TTreeList::setExpanded(TTreeNode* node, bool value) {
    if (node == nullptr || node->isExpanded() == value) {
        return;
    }
    setExpandedFlag(node, value, false);
    shapeChanged();
    accessibleRowEvent(node, plat::TAccEvent::stateChange);
    accessibleNotify(plat::TAccEvent::reorder);
    if (!value) {
        focusHiddenAncestor();
    }
    setExpandedFlag(node, value, true);
    if (value && FOptions.autoScrollOnExpand && !updating() && node->childCount > 0) {
        autoScrollExpanded(node);
    }
}

void TTreeList::fullExpand(TTreeNode* node) {
    for (TTreeNode* each = node != nullptr ? node : FFirstTop; each != nullptr;
         each = nextInSubtree(each, node)) {
        if (each->childCount > 0) {
            setExpandedFlag(each, true, false);
        }
    }
    shapeChanged();
}

void TTreeList::fullCollapse(TTreeNode* node) {
    for (TTreeNode* each = node != nullptr ? node : FFirstTop; each != nullptr;
         each = nextInSubtree(each, node)) {
        setExpandedFlag(each, false, false);
    }
    shapeChanged();
    focusHiddenAncestor();
}

void TTreeList::focusHiddenAncestor() {
    if (FFocusedNode == nullptr) {
        return;
    }
    // The highest collapsed ancestor is the row that now stands for the focused one.
    TTreeNode* shown = nullptr;
    for (TTreeNode* ancestor = FFocusedNode->parent; ancestor != nullptr; ancestor = ancestor->parent) {
        if (!ancestor->isExpanded()) {
            shown = ancestor;
        }
    }
    if (shown != nullptr) {
        setFocusedNode(shown);
    }
}

// ---- Check boxes.

TCheckType TTreeList::checkType(const TTreeNode* node) const {
    return node != nullptr ? node->checkType : TCheckType::ctNone;
}

void TTreeList::setCheckType(TTreeNode* node, TCheckType value) {
    if (node == nullptr || node->checkType == value) {
        return;
    }
    node->checkType = value;
    if (node != FInitializing && node->parent != nullptr && FOptions.autoTristateTracking) {
        propagateUp(node);
    }
    changed();
}

TCheckState TTreeList::checkState(const TTreeNode* node) const {
    return node != nullptr ? node->checkState : TCheckState::csUncheckedNormal;
}

void TTreeList::setCheckState(TTreeNode* node, TCheckState value) {
    if (node == nullptr) {
        return;
    }
    if (node == FInitializing) {
        node->checkState = value;
        return;
    }
    if (!hasCheckBox(node) || node->checkState == value) {
        return;
    }
    const TCheckState base = baseState(value);
    if (FOptions.autoTristateTracking && node->checkType == TCheckType::ctTriStateCheckBox &&
        base != TCheckState::csMixedNormal) {
        propagateDown(node, base);
    }
    node->checkState = value;
    if (FOptions.autoTristateTracking) {
        propagateUp(node);
    }
    if (OnChecked) {
        OnChecked(this, node);
    }
    changed();
    accessibleRowEvent(node, plat::TAccEvent::stateChange);
}

void TTreeList::toggleCheck(TTreeNode* node) {
    const bool checked = baseState(node->checkState) == TCheckState::csCheckedNormal;
    // Set the normal state first, so that a box released from its pressed look still changes.
    node->checkState = baseState(node->checkState);
    setCheckState(node, checked ? TCheckState::csUncheckedNormal : TCheckState::csCheckedNormal);
}

void TTreeList::propagateDown(TTreeNode* node, TCheckState state) {
    for (TTreeNode* child = node->firstChild; child != nullptr; child = child->next) {
        if (!hasCheckBox(child)) {
            continue;
        }
        child->checkState = state;
        if (child->checkType == TCheckType::ctTriStateCheckBox) {
            propagateDown(child, state);
        }
    }
}

void TTreeList::recomputeCheckState(TTreeNode* node) {
    bool anyChecked = false;
    bool anyUnchecked = false;
    for (TTreeNode* child = node->firstChild; child != nullptr; child = child->next) {
        if (!hasCheckBox(child)) {
            continue;
        }
        switch (baseState(child->checkState)) {
        case TCheckState::csCheckedNormal:
            anyChecked = true;
            break;
        case TCheckState::csUncheckedNormal:
            anyUnchecked = true;
            break;
        default:
            anyChecked = anyUnchecked = true;
            break;
        }
        if (anyChecked && anyUnchecked) {
            break; // mixed whatever follows
        }
    }
    if (anyChecked && anyUnchecked) {
        node->checkState = TCheckState::csMixedNormal;
    } else if (anyChecked) {
        node->checkState = TCheckState::csCheckedNormal;
    } else if (anyUnchecked) {
        node->checkState = TCheckState::csUncheckedNormal;
    }
    // No child with a box: the node keeps its own state.
}

void TTreeList::propagateUp(TTreeNode* node) {
    for (TTreeNode* parent = node->parent; parent != nullptr; parent = parent->parent) {
        if (parent->checkType != TCheckType::ctTriStateCheckBox) {
            return;
        }
        const TCheckState before = parent->checkState;
        recomputeCheckState(parent);
        if (parent->checkState == before) {
            return;
        }
    }
}

// A child with a box was added (with childState) or deleted (having had childState). The parent's
// state agreed with its children before, so most cases need no walk over the siblings.
void TTreeList::childStateChanged(TTreeNode* parent, bool added, TCheckState childState) {
    if (!FOptions.autoTristateTracking || parent->checkType != TCheckType::ctTriStateCheckBox) {
        return;
    }
    const TCheckState before = parent->checkState;
    const TCheckState parentBase = baseState(before);
    if (added) {
        if (parent->childCount == 1) {
            parent->checkState = baseState(childState);
        } else if (parentBase != TCheckState::csMixedNormal && parentBase != baseState(childState)) {
            recomputeCheckState(parent);
        }
    } else if (parentBase == TCheckState::csMixedNormal) {
        recomputeCheckState(parent); // the rest may all agree now
    }
    if (parent->checkState != before) {
        propagateUp(parent);
    }
}

void TTreeList::checkAll() {
    for (TTreeNode* node = FFirstTop; node != nullptr; node = nextInSubtree(node, nullptr)) {
        if (hasCheckBox(node)) {
            node->checkState = TCheckState::csCheckedNormal;
        }
    }
    changed();
}

void TTreeList::uncheckAll() {
    for (TTreeNode* node = FFirstTop; node != nullptr; node = nextInSubtree(node, nullptr)) {
        if (hasCheckBox(node)) {
            node->checkState = TCheckState::csUncheckedNormal;
        }
    }
    changed();
}

// ---- Selection and focus.

void TTreeList::setFocusedNode(TTreeNode* node) {
    const bool focusChanged = node != FFocusedNode;
    const bool selectionChanged = node != FSelectedNode;
    FFocusedNode = node;
    FSelectedNode = node;
    if (!focusChanged && !selectionChanged) {
        return;
    }
    changed();
    if (focusChanged) {
        accessibleRowEvent(node, plat::TAccEvent::focus);
    }
    if (selectionChanged) {
        accessibleRowEvent(node, plat::TAccEvent::selection);
    }
    if (selectionChanged && OnChange) {
        OnChange(this, node);
    }
    if (focusChanged && OnFocusChanged) {
        OnFocusChanged(this, node, FFocusedColumn);
    }
}

void TTreeList::setSelected(TTreeNode* node, bool value) {
    if (node == nullptr) {
        return;
    }
    TTreeNode* after = value ? node : (FSelectedNode == node ? nullptr : FSelectedNode);
    if (after == FSelectedNode) {
        return;
    }
    FSelectedNode = after;
    changed();
    if (OnChange) {
        OnChange(this, after);
    }
}

// ---- Suspended updates.

void TTreeList::beginUpdate() {
    ++FUpdateCount;
}

void TTreeList::endUpdate() {
    if (FUpdateCount == 0) {
        return;
    }
    if (--FUpdateCount > 0) {
        return;
    }
    if (FSortPending) {
        sortTree(FSortColumn, FSortDirection);
    }
    invalidate();
}

void TTreeList::shapeChanged() {
    FRowsValid = false;
    changed();
}

void TTreeList::changed() {
    if (!updating()) {
        invalidate();
    }
}

// ---- Columns and sorting.

int TTreeList::addColumn(const TTreeColumn& column) {
    FColumns.push_back(column);
    FColumns.back().minWidth = std::max(column.minWidth, 0);
    FColumns.back().width = std::max(column.width, FColumns.back().minWidth);
    FPositions.push_back(columnCount() - 1);
    changed();
    return columnCount() - 1;
}

const TTreeColumn& TTreeList::column(int index) const {
    if (index < 0 || index >= columnCount()) {
        throw std::out_of_range("no such column");
    }
    return FColumns[static_cast<std::size_t>(index)];
}

void TTreeList::setColumnText(int index, const std::wstring& text) {
    if (index < 0 || index >= columnCount()) {
        return;
    }
    FColumns[static_cast<std::size_t>(index)].text = text;
    changed();
}

void TTreeList::setColumnWidth(int index, int width) {
    if (index < 0 || index >= columnCount()) {
        return;
    }
    TTreeColumn& column = FColumns[static_cast<std::size_t>(index)];
    width = std::max(width, column.minWidth);
    if (width == column.width) {
        return;
    }
    column.width = width;
    changed();
    if (OnColumnResize) {
        OnColumnResize(this, index);
    }
}

int TTreeList::columnPosition(int index) const {
    const auto found = std::find(FPositions.begin(), FPositions.end(), index);
    return found != FPositions.end() ? static_cast<int>(found - FPositions.begin()) : -1;
}

int TTreeList::columnAtPosition(int position) const {
    if (position < 0 || position >= columnCount()) {
        return -1;
    }
    return FPositions[static_cast<std::size_t>(position)];
}

void TTreeList::setColumnPosition(int index, int position) {
    const int from = columnPosition(index);
    if (from < 0 || position < 0 || position >= columnCount() || position == from) {
        return;
    }
    FPositions.erase(FPositions.begin() + from);
    FPositions.insert(FPositions.begin() + position, index);
    changed();
}

void TTreeList::setMainColumn(int index) {
    FMainColumn = index;
    changed();
}

void TTreeList::dpiChanged(int oldDpi, int newDpi) {
    auto rescale = [&](int& length) { length = rescaled(length, oldDpi, newDpi); };
    rescale(FHeaderHeight);
    rescale(FNodeHeight);
    rescale(FIndent);
    rescale(FMargin);
    rescale(FTextMargin);
    for (TTreeColumn& column : FColumns) {
        rescale(column.width);
        rescale(column.minWidth);
    }
    FHeaderFont.pixelsPerInch = newDpi;
    changed();
    TControl::dpiChanged(oldDpi, newDpi);
}

void TTreeList::setHeaderHeight(int value) {
    FHeaderHeight = std::max(value, 0);
    changed();
}

void TTreeList::setHeaderFont(const TFont& value) {
    FHeaderFont = value;
    FHeaderFont.pixelsPerInch = dpi();
    changed();
}

void TTreeList::setSortColumn(int index) {
    if (index < -1 || index >= columnCount() || index == FSortColumn) {
        return;
    }
    FSortColumn = index;
    requestSort();
    changed();
}

void TTreeList::setSortDirection(TSortDirection value) {
    if (value == FSortDirection) {
        return;
    }
    FSortDirection = value;
    requestSort();
    changed();
}

void TTreeList::requestSort() {
    if (!FOptions.autoSort || FSortColumn < 0) {
        return;
    }
    if (updating()) {
        FSortPending = true;
    } else {
        sortTree(FSortColumn, FSortDirection);
    }
}

void TTreeList::sortTree(int column, TSortDirection direction) {
    FSortPending = false;
    if (!OnCompareNodes || FTotalCount < 2) {
        return; // without a rule every pair is equal: nothing moves
    }
    std::vector<TTreeNode*> buffer;
    sortChildren(nullptr, column, direction, buffer);
    shapeChanged();
}

void TTreeList::sortChildren(TTreeNode* parent, int column, TSortDirection direction,
                             std::vector<TTreeNode*>& buffer) {
    TTreeNode*& first = parent != nullptr ? parent->firstChild : FFirstTop;
    TTreeNode*& last = parent != nullptr ? parent->lastChild : FLastTop;
    if (first != nullptr && first != last) {
        buffer.clear();
        for (TTreeNode* child = first; child != nullptr; child = child->next) {
            buffer.push_back(child);
        }
        const bool ascending = direction == TSortDirection::sdAscending;
        std::stable_sort(buffer.begin(), buffer.end(), [&](TTreeNode* a, TTreeNode* b) {
            const int order = OnCompareNodes(this, a, b, column);
            return ascending ? order < 0 : order > 0;
        });
        for (std::size_t i = 0; i < buffer.size(); ++i) {
            buffer[i]->prev = i > 0 ? buffer[i - 1] : nullptr;
            buffer[i]->next = i + 1 < buffer.size() ? buffer[i + 1] : nullptr;
        }
        first = buffer.front();
        last = buffer.back();
    }
    for (TTreeNode* child = first; child != nullptr; child = child->next) {
        if (child->childCount > 0) {
            sortChildren(child, column, direction, buffer);
        }
    }
}

// ---- Look.

void TTreeList::setDefaultNodeHeight(int value) {
    FNodeHeight = std::max(value, 1);
    changed();
}

void TTreeList::setIndent(int value) {
    FIndent = std::max(value, 0);
    changed();
}

void TTreeList::setOptions(const TTreeOptions& value) {
    FOptions = value;
    changed();
}

void TTreeList::setColors(const TTreeColors& value) {
    FColors = value;
    changed();
}

void TTreeList::setImages(TImageList* value) {
    FImages = value;
    changed();
}

void TTreeList::setStateImages(TImageList* value) {
    FStateImages = value;
    changed();
}
