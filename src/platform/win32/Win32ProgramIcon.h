#pragma once
// The program's own icon (the MAINICON resource) on its windows: caption, task bar and Alt+Tab.
// Windows' types stay out of this header: window is an HWND.

namespace plat::win32 {

// Gives window the program's icon, big and small, at the sizes the system asks for at dpi. Without
// the resource the window keeps the system's default icon.
void giveProgramIcon(void* window, int dpi);

} // namespace plat::win32
