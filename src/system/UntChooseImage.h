#pragma once
// The disk-image chooser: the platform's file-open dialog, modal to the application, on the UI thread.

#include <string>

// Answers the chosen file's full path, or the empty text when the user cancels. The dialog offers
// disk images (*.img, *.dd, *.raw, *.vhd; a split image's first segment, *.001, is not offered until
// split images are read whole) first, and all files.
std::wstring chooseDiskImage();
