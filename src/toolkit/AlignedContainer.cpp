#include "toolkit/AlignedContainer.h"

#include <algorithm>

TAlignedContainer::TAlignedContainer() {
    setAcceptsControls(true);
}

bool TAlignedContainer::isChild(const TControl* child) const {
    for (int i = 0; i < controlCount(); ++i) {
        if (controls(i) == child) {
            return true;
        }
    }
    return false;
}

TAlignedContainer::TPlacement* TAlignedContainer::placementOf(const TControl* child) {
    auto found = std::find_if(FPlacements.begin(), FPlacements.end(),
                              [child](const TPlacement& each) { return each.child == child; });
    return found != FPlacements.end() ? &*found : nullptr;
}

const TAlignedContainer::TPlacement* TAlignedContainer::placementOf(const TControl* child) const {
    return const_cast<TAlignedContainer*>(this)->placementOf(child);
}

TAlignedContainer::TPlacement& TAlignedContainer::ensurePlacement(TControl* child) {
    if (TPlacement* existing = placementOf(child)) {
        return *existing;
    }
    FPlacements.push_back(TPlacement{child});
    return FPlacements.back();
}

void TAlignedContainer::setChildAlign(TControl* child, TAlign align) {
    if (!isChild(child)) {
        return;
    }
    ensurePlacement(child).align = align;
    realign();
}

TAlign TAlignedContainer::childAlign(const TControl* child) const {
    const TPlacement* placement = isChild(child) ? placementOf(child) : nullptr;
    return placement != nullptr ? placement->align : alNone;
}

void TAlignedContainer::setChildAnchors(TControl* child, TAnchors anchors) {
    if (!isChild(child)) {
        return;
    }
    TPlacement& placement = ensurePlacement(child);
    placement.anchors = anchors;
    placement.rightGap = width() - (child->left() + child->width());
    placement.bottomGap = height() - (child->top() + child->height());
}

TAnchors TAlignedContainer::childAnchors(const TControl* child) const {
    const TPlacement* placement = isChild(child) ? placementOf(child) : nullptr;
    return placement != nullptr ? placement->anchors : (akLeft | akTop);
}

void TAlignedContainer::realign() {
    // A child removed since it was placed has no say any more.
    FPlacements.erase(std::remove_if(FPlacements.begin(), FPlacements.end(),
                                     [this](const TPlacement& each) { return !isChild(each.child); }),
                      FPlacements.end());
    TRect free = clientRect();
    auto place = [&](TAlign align) {
        for (const TPlacement& placement : FPlacements) {
            if (placement.align != align) {
                continue;
            }
            auto* child = const_cast<TControl*>(placement.child);
            if (!child->visible()) {
                continue;
            }
            switch (align) {
            case alTop:
                child->setBounds(free.left, free.top, free.width(), child->height());
                free.top += child->height();
                break;
            case alBottom:
                child->setBounds(free.left, free.bottom - child->height(), free.width(), child->height());
                free.bottom -= child->height();
                break;
            case alLeft:
                child->setBounds(free.left, free.top, child->width(), free.height());
                free.left += child->width();
                break;
            case alRight:
                child->setBounds(free.right - child->width(), free.top, child->width(), free.height());
                free.right -= child->width();
                break;
            case alClient:
                child->setBounds(free.left, free.top, free.width(), free.height());
                break;
            case alNone:
                break;
            }
        }
    };
    for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
        place(align);
    }
    for (const TPlacement& placement : FPlacements) {
        if (placement.align != alNone) {
            continue;
        }
        auto* child = const_cast<TControl*>(placement.child);
        int left = child->left();
        int top = child->top();
        int w = child->width();
        int h = child->height();
        const TAnchors a = placement.anchors;
        if ((a & akRight) != 0) {
            if ((a & akLeft) != 0) {
                w = width() - placement.rightGap - left;
            } else {
                left = width() - placement.rightGap - w;
            }
        }
        if ((a & akBottom) != 0) {
            if ((a & akTop) != 0) {
                h = height() - placement.bottomGap - top;
            } else {
                top = height() - placement.bottomGap - h;
            }
        }
        child->setBounds(left, top, w, h);
    }
}

void TAlignedContainer::resize() {
    realign();
    TControl::resize();
}

void TAlignedContainer::dpiChanged(int oldDpi, int newDpi) {
    for (TPlacement& placement : FPlacements) {
        placement.rightGap = rescaled(placement.rightGap, oldDpi, newDpi);
        placement.bottomGap = rescaled(placement.bottomGap, oldDpi, newDpi);
    }
    TControl::dpiChanged(oldDpi, newDpi);
}
