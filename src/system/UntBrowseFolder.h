#pragma once
// The folder chooser: the platform's folder browser, modal to the application, on the UI thread.

#include <string>

// Shows prompt above the folder tree; allowNewFolder offers the browser's button for making a new
// folder. Answers the chosen folder's full path, without a trailing backslash except for a drive root
// ("D:\"), or the empty text when the user cancels, chooses an item that is not a file-system folder,
// or the shell gives a path that is not full and clean (isCleanFullPath).
std::wstring browseForFolder(const std::wstring& prompt, bool allowNewFolder);
