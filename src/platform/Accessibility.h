#pragma once
// What a control tells assistive technology (screen readers, magnifiers, voice control) about
// itself, as plain data: the toolkit's controls fill it in from their own state, and the backends
// hand it on (the Windows backend as Active Accessibility's IAccessible, the headless backend to
// tests). Header only.
//
// A control is one accessible object; a control that draws items of its own (the rows of the
// tree-list) also has simple items, numbered from 1, that are not controls. Item 0 is the control.

#include "toolkit/Graphics.h"

#include <string>

namespace plat {

// The roles the toolkit's controls take, each one of Active Accessibility's roles.
enum class TAccRole {
    client,      // a window's client area
    pane,        // a plain container
    grouping,    // a group of related controls read together (the alert panel)
    staticText,  // text the user reads but cannot change
    graphic,     // a picture
    pushButton,  // a button that does something
    menuButton,  // a button that drops down a menu
    checkButton, // a check box
    editText,    // a field the user types in
    spinButton,  // the up and down arrows of a spin box
    progressBar, // how far a job has gone
    outline,     // a tree of rows
    outlineItem, // a row of a tree
    link,        // a link that opens a page
    toolBar,     // a bar of tool buttons
};

// States, a set of bits.
enum TAccState : unsigned {
    asUnavailable = 1u << 0, // disabled
    asFocused = 1u << 1,
    asFocusable = 1u << 2,
    asSelected = 1u << 3,
    asSelectable = 1u << 4,
    asChecked = 1u << 5,
    asExpanded = 1u << 6,
    asCollapsed = 1u << 7,
    asReadOnly = 1u << 8,
    asInvisible = 1u << 9,  // not shown (hidden, or under a hidden parent)
    asOffscreen = 1u << 10, // shown, but scrolled out of view
    asHasPopup = 1u << 11,  // drops down a menu
    asLinked = 1u << 12,
    asDefault = 1u << 13, // the button Enter presses
    asMixed = 1u << 14,   // a check box neither checked nor unchecked
};
using TAccStates = unsigned;

// One accessible object: the control itself or one of its items.
struct TAccessibleItem {
    TAccRole role = TAccRole::client;
    std::wstring name;
    std::wstring value;
    std::wstring description;
    TAccStates states = 0;
    // In the control's client coordinates; empty when it has no place on the screen.
    TRect location;
    // What the default action does, as a screen reader says it ("Press", "Check"); empty for none.
    std::wstring defaultAction;

    bool has(TAccState state) const { return (states & state) != 0; }
};

// The changes screen readers follow, each one of the system's events.
enum class TAccEvent {
    focus,       // the object took the keyboard focus
    selection,   // the object became the selection
    stateChange, // a state changed (checked, expanded, unavailable ...)
    valueChange, // its value changed
    nameChange,  // its name changed
    show,
    hide,
    alert,   // something the user must hear now (the alert panel's new text)
    reorder, // its items changed in number or order
};

} // namespace plat
