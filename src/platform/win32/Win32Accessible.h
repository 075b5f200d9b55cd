#pragma once
// Active Accessibility for the toolkit's windows: the IAccessible object a window hands out on
// WM_GETOBJECT (OBJID_CLIENT), built on what its control describes (platform/Accessibility.h), and
// the WinEvents raised when the control passes on a change.
//
// A window's accessible children are its child windows (each answering for itself), then the
// control's own items (simple elements: the rows of the tree-list), so item n of a control is
// child (number of child windows + n).
//
// Include after the project's platform and toolkit headers: it brings in <windows.h>.

#include "platform/ControlBackend.h"

#include <memory>

#include <windows.h>

namespace plat::win32 {

// Answers WM_GETOBJECT for window, whose control is sink; alive expires when the window's peer
// goes (an object a client still holds then answers that it is gone). Answers 0 for objects
// other than the client area, which the platform's default handling gives.
LRESULT answerGetObject(HWND window, TControlSink& sink, const std::weak_ptr<void>& alive, WPARAM wParam,
                        LPARAM lParam);

// Raises the WinEvent of event for item of window's control.
void raiseAccessibleEvent(HWND window, TAccEvent event, int item);

// The system's role and state values of the description's.
long accessibleRole(TAccRole role);
long accessibleState(TAccStates states);

} // namespace plat::win32
