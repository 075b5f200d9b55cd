#pragma once
// The disk-image chooser: the platform's file-open dialog, modal to the application, on the UI thread.

#include <string>

// Answers the chosen file's full path, or the empty text when the user cancels. The dialog offers
// disk images and the containers they come in (*.E01, *.vhdx, *.vhd, *.vmdk, *.001,
// *.dd, *.img, *.raw) first, and all files.
std::wstring chooseDiskImage();
