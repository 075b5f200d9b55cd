// The tree-list's painting: only the rows and columns on screen are asked for their texts, images
// and colours.

#include "toolkit/ColorRoles.h"
#include "toolkit/TreeList.h"
#include "toolkit/TreeListNode.h"

#include <algorithm>

using treelist::baseState;

namespace {

constexpr int kHeaderTextMargin = 4;
constexpr int kSortMarkWidth = 7; // a triangle 7 wide and 4 high
constexpr int kSortMarkSpace = kSortMarkWidth + 6;
constexpr unsigned kTextFlags = DT_SINGLELINE | DT_VCENTER | DT_WORD_ELLIPSIS;

// The tree's colours by their roles: the tree's own, or the system's in high contrast.
TTreeColors roleColors(TTreeColors own) {
    for (TColor* surface :
         {&own.background, &own.headerBackground, &own.checkFill, &own.checkPressedFill, &own.scrollTrack}) {
        *surface = roleColor(TColorRole::window, *surface);
    }
    for (TColor* line : {&own.treeLine, &own.button, &own.buttonSign, &own.checkFrame, &own.checkMark,
                         &own.headerDivider, &own.sortMark, &own.scrollThumb, &own.scrollArrow}) {
        *line = roleColor(TColorRole::text, *line);
    }
    own.gridLine = roleColor(TColorRole::grayText, own.gridLine);
    for (TColor* marked :
         {&own.selectionFrame, &own.selectionFrameUnfocused, &own.headerPressed, &own.dropMark}) {
        *marked = roleColor(TColorRole::highlight, *marked);
    }
    return own;
}

// Gives the tree the colours of its roles for one paint and its own back after it.
class TPaintColors {
public:
    explicit TPaintColors(TTreeColors& colors) : FColors(colors), FOwn(colors) { FColors = roleColors(FOwn); }
    ~TPaintColors() { FColors = FOwn; }
    TPaintColors(const TPaintColors&) = delete;
    TPaintColors& operator=(const TPaintColors&) = delete;

private:
    TTreeColors& FColors;
    const TTreeColors FOwn;
};

void hline(TCanvas& canvas, int x1, int x2, int y, TColor color) {
    canvas.brush().setColor(color);
    canvas.FillRect(TRect{x1, y, x2, y + 1});
}

void vline(TCanvas& canvas, int x, int y1, int y2, TColor color) {
    canvas.brush().setColor(color);
    canvas.FillRect(TRect{x, y1, x + 1, y2});
}

void fill(TCanvas& canvas, const TRect& rect, TColor color) {
    canvas.brush().setColor(color);
    canvas.FillRect(rect);
}

// Text in rect with the given alignment; text that does not fit starts at the left and ends with
// an ellipsis.
void alignedText(TCanvas& canvas, const std::wstring& text, TRect rect, TColumnAlignment alignment) {
    if (rect.empty() || text.empty()) {
        return;
    }
    const int tw = canvas.TextWidth(text);
    if (tw < rect.width()) {
        if (alignment == TColumnAlignment::taRightJustify) {
            rect.left = rect.right - tw;
        } else if (alignment == TColumnAlignment::taCenter) {
            rect.left += (rect.width() - tw) / 2;
        }
    }
    canvas.DrawTextW(text, rect, kTextFlags);
}

// A triangle of 4 rows at 96 DPI, pointing up or down, with its top-left corner at (x, y); at another
// dpi each design row and column is a scaled run of pixels, so the glyph keeps its shape.
void triangle(TCanvas& canvas, int x, int y, bool up, TColor color, int dpi) {
    for (int i = 0; i < 4; ++i) {
        const int rowIndex = up ? i : 3 - i;
        fill(canvas,
             TRect{x + scaled(3 - rowIndex, dpi), y + scaled(i, dpi), x + scaled(4 + rowIndex, dpi),
                   y + scaled(i + 1, dpi)},
             color);
    }
}

// The same triangle turned to point left or right, with its top-left corner at (x, y).
void sideTriangle(TCanvas& canvas, int x, int y, bool left, TColor color, int dpi) {
    for (int i = 0; i < 4; ++i) {
        const int column = left ? i : 3 - i;
        fill(canvas,
             TRect{x + scaled(i, dpi), y + scaled(3 - column, dpi), x + scaled(i + 1, dpi),
                   y + scaled(4 + column, dpi)},
             color);
    }
}

} // namespace

void TTreeList::paint(TCanvas& canvas) {
    if (updating()) {
        return; // the last picture stays until the updates resume
    }
    TCanvasLock lock(canvas);
    if (FSortPending) {
        sortTree(FSortColumn, FSortDirection);
    }
    if (FPendingFit >= 0) {
        // Set without a repaint request: this paint shows the new width.
        const int column = FPendingFit;
        FPendingFit = -1;
        TTreeColumn& fitted = FColumns[static_cast<std::size_t>(column)];
        const int width = std::max(fitWidth(canvas, column), fitted.minWidth);
        if (width != fitted.width) {
            fitted.width = width;
            if (OnColumnResize) {
                OnColumnResize(this, column);
            }
        }
    }
    const TLayout lay = layout();
    const TPaintColors roles(FColors);
    paintRows(canvas, lay);
    paintHeader(canvas, lay);
    paintScrollBars(canvas, lay);
}

void TTreeList::paintRows(TCanvas& canvas, const TLayout& lay) {
    const TRect& area = lay.rows;
    const int h = FNodeHeight;
    const std::size_t first = static_cast<std::size_t>(FOffsetY / h);
    int y = static_cast<int>(area.top + static_cast<std::int64_t>(first) * h - FOffsetY);
    const int contentRight = lay.contentWidth - FOffsetX;
    for (std::size_t row = first; row < FRows.size() && y < area.bottom; ++row, y += h) {
        TTreeNode* node = FRows[row];
        int x = -FOffsetX;
        for (int column : FPositions) {
            const int w = FColumns[static_cast<std::size_t>(column)].width;
            if (x + w > area.left && x < area.right) {
                paintCell(canvas, node, column, TRect{x, y, x + w, y + h});
            }
            x += w;
        }
        if (FColumns.empty()) {
            paintCell(canvas, node, -1, TRect{area.left, y, area.right, y + h});
        } else if (contentRight < area.right) {
            fill(canvas, TRect{contentRight, y, area.right, y + h}, FColors.background);
        }
        if (selected(node)) {
            canvas.brush().setColor(focused() ? FColors.selectionFrame : FColors.selectionFrameUnfocused);
            canvas.FrameRect(TRect{-FOffsetX, y, std::max(contentRight, area.right), y + h});
        }
    }
    // Below the last row: the background, with the grid lines carried on.
    if (y < area.bottom) {
        fill(canvas, TRect{area.left, y, area.right, area.bottom}, FColors.background);
        if (FOptions.showVertGridLines && FOptions.fullVertGridLines) {
            int x = -FOffsetX;
            for (int column : FPositions) {
                x += FColumns[static_cast<std::size_t>(column)].width;
                vline(canvas, x - 1, y, area.bottom, FColors.gridLine);
            }
        }
    }
}

void TTreeList::paintCell(TCanvas& canvas, TTreeNode* node, int column, const TRect& cell) {
    // In high contrast the window's own cell colours give way to the system's, and the selected
    // row shows the system's highlight.
    const bool contrast = highContrast();
    const bool marked = contrast && selected(node);
    fill(canvas, cell, marked ? FColors.selectionFrame : FColors.background);
    if (OnBeforeCellPaint && !contrast) {
        OnBeforeCellPaint(this, canvas, node, column, cell);
    }
    const TCellGeometry geo = cellGeometry(node, column < 0 ? FMainColumn : column, cell.left);
    const int cy = cell.top + cell.height() / 2;
    if (column == FMainColumn || column < 0) {
        if (FOptions.showTreeLines) {
            paintTreeLines(canvas, node, cell, geo);
        }
        if (FOptions.showButtons && geo.hasButtonCell && node->childCount > 0) {
            paintButton(canvas, geo.buttonLeft + FIndent / 2, cy, node->isExpanded());
        }
        if (FOptions.checkSupport && node->checkType != TCheckType::ctNone) {
            paintCheckBox(canvas, geo.checkLeft + 1, cy - scale(kCheckBoxSize) / 2, node->checkState);
        }
        if (geo.stateIndex >= 0) {
            const int top = cell.top + (cell.height() - FStateImages->height()) / 2;
            canvas.drawImage(*FStateImages, geo.stateIndex, geo.stateLeft, top);
            if (OnPaintImageOverlay) {
                OnPaintImageOverlay(this, canvas, node, TImageKind::ikState,
                                    TRect{geo.stateLeft, top, geo.stateLeft + FStateImages->width(),
                                          top + FStateImages->height()});
            }
        }
        if (geo.imageIndex >= 0) {
            const int top = cell.top + (cell.height() - FImages->height()) / 2;
            canvas.drawImage(*FImages, geo.imageIndex, geo.imageLeft, top);
            if (OnPaintImageOverlay) {
                OnPaintImageOverlay(
                    this, canvas, node, TImageKind::ikNormal,
                    TRect{geo.imageLeft, top, geo.imageLeft + FImages->width(), top + FImages->height()});
            }
        }
    }
    if (OnGetText) {
        std::wstring text;
        OnGetText(this, node, column, text);
        if (!text.empty()) {
            canvas.setFont(font());
            canvas.brush().style = TBrushStyle::bsClear;
            if (OnPaintText) {
                OnPaintText(this, canvas, node, column);
            }
            canvas.font().color =
                roleColor(marked ? TColorRole::highlightText : TColorRole::text, canvas.font().color);
            canvas.brush().style = TBrushStyle::bsClear;
            const TColumnAlignment alignment = column >= 0
                                                   ? FColumns[static_cast<std::size_t>(column)].alignment
                                                   : TColumnAlignment::taLeftJustify;
            alignedText(canvas, text,
                        TRect{geo.textLeft + FTextMargin, cell.top, cell.right - FTextMargin, cell.bottom},
                        alignment);
        }
    }
    if (FOptions.showVertGridLines && column >= 0) {
        vline(canvas, cell.right - 1, cell.top, cell.bottom, FColors.gridLine);
    }
    if (FOptions.showHorzGridLines) {
        hline(canvas, cell.left, cell.right, cell.bottom - 1, FColors.gridLine);
    }
}

void TTreeList::paintTreeLines(TCanvas& canvas, const TTreeNode* node, const TRect& cell,
                               const TCellGeometry& geo) {
    if (!geo.hasButtonCell) {
        return;
    }
    const TColor color = FColors.treeLine;
    const int cy = cell.top + cell.height() / 2;
    // Ancestors with a later sibling carry their line through this row, each in its own cell.
    int cellLeft = geo.buttonLeft;
    for (const TTreeNode* ancestor = node->parent; ancestor != nullptr; ancestor = ancestor->parent) {
        cellLeft -= FIndent;
        if (ancestor->level == 0 && !FOptions.showRoot) {
            break;
        }
        if (ancestor->next != nullptr) {
            vline(canvas, cellLeft + FIndent / 2, cell.top, cell.bottom, color);
        }
    }
    const int cx = geo.buttonLeft + FIndent / 2;
    const bool firstOfAll = node->parent == nullptr && node->prev == nullptr;
    vline(canvas, cx, firstOfAll ? cy : cell.top, node->next != nullptr ? cell.bottom : cy + 1, color);
    hline(canvas, cx, geo.buttonRight, cy, color);
}

void TTreeList::paintButton(TCanvas& canvas, int cx, int cy, bool isExpanded) {
    canvas.pen().color = FColors.button;
    canvas.pen().width = 1;
    canvas.brush().setColor(FColors.background);
    const int half = scale(4);
    const int sign = scale(2);
    canvas.Rectangle(cx - half, cy - half, cx + half + 1, cy + half + 1);
    hline(canvas, cx - sign, cx + sign + 1, cy, FColors.buttonSign);
    if (!isExpanded) {
        vline(canvas, cx, cy - sign, cy + sign + 1, FColors.buttonSign);
    }
}

void TTreeList::paintCheckBox(TCanvas& canvas, int x, int y, TCheckState state) {
    const bool pressed = state != baseState(state);
    canvas.pen().color = FColors.checkFrame;
    canvas.pen().width = 1;
    canvas.brush().setColor(pressed ? FColors.checkPressedFill : FColors.checkFill);
    canvas.Rectangle(x, y, x + scale(kCheckBoxSize), y + scale(kCheckBoxSize));
    switch (baseState(state)) {
    case TCheckState::csCheckedNormal:
        // A tick two pixels thick at 96 DPI: down from (3, 6) to (5, 8), then up to (9, 4); each
        // design pixel column is a scaled run of columns.
        for (int i = 0; i < 3; ++i) {
            for (int c = scale(3 + i); c < scale(4 + i); ++c) {
                vline(canvas, x + c, y + scale(6 + i), y + scale(8 + i), FColors.checkMark);
            }
        }
        for (int i = 1; i <= 4; ++i) {
            for (int c = scale(5 + i); c < scale(6 + i); ++c) {
                vline(canvas, x + c, y + scale(8 - i), y + scale(10 - i), FColors.checkMark);
            }
        }
        break;
    case TCheckState::csMixedNormal:
        fill(canvas,
             TRect{x + scale(3), y + scale(3), x + scale(kCheckBoxSize) - scale(3),
                   y + scale(kCheckBoxSize) - scale(3)},
             FColors.checkMark);
        break;
    default:
        break;
    }
}

void TTreeList::paintHeader(TCanvas& canvas, const TLayout& lay) {
    if (lay.headerBottom <= 0) {
        return;
    }
    const int bottom = lay.headerBottom;
    fill(canvas, TRect{0, 0, width(), bottom}, FColors.headerBackground);
    int x = -FOffsetX;
    bool dropShown = false;
    int dropX = 0;
    for (int position = 0; position < columnCount(); ++position) {
        const int index = FPositions[static_cast<std::size_t>(position)];
        const TTreeColumn& col = FColumns[static_cast<std::size_t>(index)];
        const TRect rect{x, 0, x + col.width, bottom};
        if (rect.right > 0 && rect.left < width()) {
            const bool pressed =
                (FDrag->kind == TDrag::dkHeaderPress || FDrag->kind == TDrag::dkHeaderMove) &&
                FDrag->column == index;
            if (pressed) {
                fill(canvas, TRect{rect.left, rect.top, rect.right - 1, rect.bottom - 1},
                     FColors.headerPressed);
            }
            const bool sorted = index == FSortColumn;
            canvas.setFont(FHeaderFont);
            canvas.font().color = roleColor(TColorRole::text, FHeaderFont.color);
            canvas.brush().style = TBrushStyle::bsClear;
            alignedText(canvas, col.text,
                        TRect{rect.left + scale(kHeaderTextMargin), 0,
                              rect.right - scale(kHeaderTextMargin) - (sorted ? scale(kSortMarkSpace) : 0),
                              bottom - 1},
                        col.alignment);
            if (sorted) {
                triangle(canvas, rect.right - scale(kHeaderTextMargin) - scale(kSortMarkWidth + 2),
                         bottom / 2 - scale(2), FSortDirection == TSortDirection::sdAscending,
                         FColors.sortMark, dpi());
            }
            vline(canvas, rect.right - 1, 0, bottom, FColors.headerDivider);
        }
        if (FDrag->kind == TDrag::dkHeaderMove && FDrag->dropPosition == position) {
            dropX = position > columnPosition(FDrag->column) ? rect.right - scale(2) : rect.left;
            dropShown = true;
        }
        x = rect.right;
    }
    hline(canvas, 0, width(), bottom - 1, FColors.headerDivider);
    if (dropShown) {
        fill(canvas, TRect{dropX, 0, dropX + scale(2), bottom}, FColors.dropMark);
    }
}

void TTreeList::paintScrollBars(TCanvas& canvas, const TLayout& lay) {
    const int s = scale(kScrollBarSize);
    const int across = (s - scale(kSortMarkWidth)) / 2; // the arrow centred across the bar
    const int tip = scale(2); // from the middle of the bar's end square to the glyph's top or left
    if (lay.vertical) {
        const TRect& bar = lay.vbar;
        fill(canvas, bar, FColors.scrollTrack);
        triangle(canvas, bar.left + across, bar.top + s / 2 - tip, true, FColors.scrollArrow, dpi());
        triangle(canvas, bar.left + across, bar.bottom - s / 2 - tip, false, FColors.scrollArrow, dpi());
        const TRect thumb = thumbRect(lay, true);
        fill(canvas, TRect{thumb.left + scale(2), thumb.top, thumb.right - scale(2), thumb.bottom},
             FColors.scrollThumb);
    }
    if (lay.horizontal) {
        const TRect& bar = lay.hbar;
        fill(canvas, bar, FColors.scrollTrack);
        sideTriangle(canvas, bar.left + s / 2 - tip, bar.top + across, true, FColors.scrollArrow, dpi());
        sideTriangle(canvas, bar.right - s / 2 - tip, bar.top + across, false, FColors.scrollArrow, dpi());
        const TRect thumb = thumbRect(lay, false);
        fill(canvas, TRect{thumb.left, thumb.top + scale(2), thumb.right, thumb.bottom - scale(2)},
             FColors.scrollThumb);
    }
    if (lay.vertical && lay.horizontal) {
        fill(canvas, TRect{lay.vbar.left, lay.hbar.top, width(), height()}, FColors.scrollTrack);
    }
}

int TTreeList::fitWidth(TCanvas& canvas, int column) {
    validate();
    const TTreeColumn& col = FColumns[static_cast<std::size_t>(column)];
    canvas.setFont(FHeaderFont);
    int widest = 2 * scale(kHeaderTextMargin) + canvas.TextWidth(col.text) +
                 (column == FSortColumn ? scale(kSortMarkSpace) : 0);
    if (!OnGetText) {
        return widest;
    }
    std::wstring text;
    for (TTreeNode* node : FRows) {
        text.clear();
        OnGetText(this, node, column, text);
        canvas.setFont(font());
        if (OnPaintText) {
            OnPaintText(this, canvas, node, column); // the font the text is drawn in
        }
        const TCellGeometry geo = cellGeometry(node, column, 0);
        widest = std::max(widest, geo.textLeft + 2 * FTextMargin + canvas.TextWidth(text));
    }
    return widest;
}
