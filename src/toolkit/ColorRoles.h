#pragma once
// The one place that decides the colour a custom-drawn control paints each part with. A control
// names the role of the part (its text, its background, a button's face...) and the colour it
// would use; while the system's high-contrast mode is on, the answer is the system's colour for
// that role instead, so that text stays readable in the scheme the user chose.

#include "toolkit/Graphics.h"

enum class TColorRole {
    text,          // text, lines and frames on a window's background
    window,        // a background behind text
    highlight,     // the background of what is selected, hovered or pressed, and progress shown
    highlightText, // text on the highlight
    buttonFace,    // a button's face
    buttonText,    // a button's text, glyph and frame
    grayText,      // the text of what is unavailable
};

// Whether the system's high-contrast mode is on now.
bool highContrast();
// The colour to paint role with: own, or the system's colour for role in high contrast.
TColor roleColor(TColorRole role, TColor own);
