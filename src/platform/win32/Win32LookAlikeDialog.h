#pragma once
// A window that looks and answers like the task dialog, for systems without one: title, main icon,
// bold main instruction, content (CR LF breaks lines), optional footer with a small icon, and the
// standard OK, Yes, No and Cancel buttons. Modal to config.parent.

#include "platform/DialogServices.h"

#include <windows.h>

namespace plat::win32 {

// Control identifiers of the look-alike's texts; its buttons carry the button identifiers.
constexpr int kLookAlikeInstructionId = 1001;
constexpr int kLookAlikeContentId = 1002;
constexpr int kLookAlikeFooterId = 1003;

// Moves window, as it is sized, to the middle of owner (of the screen when owner is null, hidden or
// minimised), kept inside the work area.
void centreOnOwner(HWND window, HWND owner);

// Answers the pressed button's identifier (IDCANCEL for Escape or the close button when the
// description allows it), or 0 when the window could not be made.
int showLookAlikeTaskDialog(const TTaskDialogConfig& config);

} // namespace plat::win32
