#pragma once
// The tree-list's own parts, shared by its source files only: the node, the pool the nodes live in,
// the worked-out layout, the geometry of a cell and the state of a mouse drag.

#include "toolkit/TreeList.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class TTreeNode {
public:
    static constexpr std::uint8_t kExpanded = 1;

    TTreeNode* parent = nullptr;
    TTreeNode* firstChild = nullptr;
    TTreeNode* lastChild = nullptr;
    TTreeNode* prev = nullptr;
    TTreeNode* next = nullptr; // also links the free nodes of the pool
    std::uint32_t childCount = 0;
    std::int32_t row = -1; // in the view when it was last rebuilt; checked before use
    std::uint32_t level = 0;
    TCheckType checkType = TCheckType::ctNone;
    TCheckState checkState = TCheckState::csUncheckedNormal;
    std::uint8_t flags = 0;

    bool isExpanded() const { return (flags & kExpanded) != 0; }
};

// Nodes with their records, in chunks that never move: a node keeps its address for its whole life.
// Chunks grow from 64 to 4096 nodes; freed nodes are reused before a chunk grows.
class TTreeList::TNodePool {
public:
    TNodePool(std::size_t dataSize, std::size_t dataAlign);
    ~TNodePool();
    TNodePool(const TNodePool&) = delete;
    TNodePool& operator=(const TNodePool&) = delete;

    // Memory for a node and its record, neither constructed.
    void* allocate();
    void release(void* memory);
    std::size_t dataOffset() const { return FDataOffset; }
    std::size_t bytes() const { return FBytes; }

private:
    struct TFree {
        TFree* next;
    };
    struct TChunkDelete {
        void operator()(std::byte* chunk) const;
    };

    std::size_t FDataOffset;
    std::size_t FStride;
    std::vector<std::unique_ptr<std::byte[], TChunkDelete>> FChunks;
    std::size_t FChunkSize = 0; // nodes in the last chunk
    std::size_t FChunkUsed = 0; // of which handed out
    TFree* FFree = nullptr;
    std::size_t FBytes = 0;
};

struct TTreeList::TLayout {
    int headerBottom = 0; // 0 without a header
    TRect rows;           // where rows show
    bool vertical = false;
    bool horizontal = false;
    TRect vbar;
    TRect hbar;
    std::int64_t contentHeight = 0;
    int contentWidth = 0;
};

// Where the parts of a row's cell lie, in client coordinates; a part that is absent has its left
// equal to the next part's.
struct TTreeList::TCellGeometry {
    int buttonLeft = 0; // the node's own indent cell, where its button and line ends show
    int buttonRight = 0;
    bool hasButtonCell = false;
    int checkLeft = 0;
    int stateLeft = 0;
    int imageLeft = 0;
    int textLeft = 0;
    int stateIndex = -1;
    int imageIndex = -1;
};

struct TTreeList::TDrag {
    enum TKind { dkNone, dkHeaderPress, dkHeaderResize, dkHeaderMove, dkCheckPress, dkVThumb, dkHThumb };
    TKind kind = dkNone;
    int column = -1;
    int startX = 0;
    int startY = 0;
    int startWidth = 0;
    std::int64_t startOffset = 0;
    int dropPosition = -1;
    TTreeNode* node = nullptr;
};

namespace treelist {

inline TCheckState baseState(TCheckState state) {
    switch (state) {
    case TCheckState::csUncheckedPressed:
        return TCheckState::csUncheckedNormal;
    case TCheckState::csCheckedPressed:
        return TCheckState::csCheckedNormal;
    case TCheckState::csMixedPressed:
        return TCheckState::csMixedNormal;
    default:
        return state;
    }
}

inline TCheckState pressedState(TCheckState state) {
    switch (baseState(state)) {
    case TCheckState::csUncheckedNormal:
        return TCheckState::csUncheckedPressed;
    case TCheckState::csCheckedNormal:
        return TCheckState::csCheckedPressed;
    default:
        return TCheckState::csMixedPressed;
    }
}

} // namespace treelist
