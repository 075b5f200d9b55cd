#pragma once
// The mark that shows which control has the keyboard focus: a dotted frame, as Windows draws it,
// its dots and their spacing a design pixel at the control's display scale.

#include "toolkit/Canvas.h"

// Draws the dotted frame just inside frame in colour, for a control laid out at dpi.
void drawFocusMark(TCanvas& canvas, const TRect& frame, TColor colour, int dpi);
