#pragma once
// The program's pictures are drawn at three scales of their 96-DPI size: 100, 150 and 200 %. A
// window shows those of the scale nearest its DPI, never stretched pixels.

// The DPI the windows and their pictures were designed at (100 %).
constexpr int kArtDesignDpi = 96;

// The drawn scale (100, 150 or 200) nearest to dpi. Half-way between two (120 and 168 DPI) the
// smaller is taken: of two equally near, it is the one that fits the room the layout, scaled
// exactly, gives the picture. Up to 96 DPI (or an unknown DPI of 0 or less) it is 100, from 192 on 200.
int artScaleFor(int dpi);
