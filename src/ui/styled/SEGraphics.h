#pragma once
// The arrow glyph of the flat button and the colour mixing that smooths its edges.

#include "toolkit/Canvas.h"
#include "toolkit/Dpi.h"

enum TW7ArrowType { atDown, atUp, atLeft, atRight };

// Draws the glyph of direction with its box's top-left pixel at (x, y): 9 x 5 pixels for atDown and
// atUp, 5 x 9 for atLeft and atRight, at 96 DPI; at another dpi each of those pixels is a block of
// the scaled size. The edge pixels keep 222/255 of what lay beneath.
void DrawArrowGlyph(TCanvas& canvas, TColor colour, int x, int y, TW7ArrowType direction,
                    int dpi = kDesignDpi);

// Each channel: background * alpha / 255 + colour * (1 - alpha / 255), rounded half to even.
TColor MixColors(TColor colour, TColor background, int alpha);
