#pragma once
// A control that holds children and keeps them in place when it is resized: a child may be aligned
// to one of its sides or fill what the aligned children leave (alClient), or anchored, keeping its
// distances to the anchored sides (anchored to both left and right it stretches). Children are
// aligned in the order they were given an alignment: all alTop, then alBottom, alLeft, alRight,
// and alClient last.

#include "toolkit/Control.h"

#include <vector>

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

enum TAnchorKind : unsigned { akLeft = 1u << 0, akTop = 1u << 1, akRight = 1u << 2, akBottom = 1u << 3 };
using TAnchors = unsigned;

class TAlignedContainer : public TControl {
public:
    TAlignedContainer();

    // child must be a child of this control; others are ignored. Aligning places it at once.
    void setChildAlign(TControl* child, TAlign align);
    TAlign childAlign(const TControl* child) const;
    // The distances to the anchored sides are taken from where the child is now.
    void setChildAnchors(TControl* child, TAnchors anchors);
    TAnchors childAnchors(const TControl* child) const;
    // Places the aligned and anchored children for the current size.
    void realign();

protected:
    void resize() override;
    // The kept distances to the anchored sides scale with the rest.
    void dpiChanged(int oldDpi, int newDpi) override;

private:
    struct TPlacement {
        const TControl* child = nullptr;
        TAlign align = alNone;
        TAnchors anchors = akLeft | akTop;
        int rightGap = 0;  // parent width - child right, when anchored right
        int bottomGap = 0; // parent height - child bottom, when anchored bottom
    };
    TPlacement* placementOf(const TControl* child);
    const TPlacement* placementOf(const TControl* child) const;
    TPlacement& ensurePlacement(TControl* child);
    bool isChild(const TControl* child) const;

    std::vector<TPlacement> FPlacements;
};
