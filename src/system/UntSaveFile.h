#pragma once
// The file chooser for saving: the platform's save dialog, modal to the application, on the UI thread.

#include <string>
#include <vector>

struct TSaveFileType {
    std::wstring description; // "CSV (*.csv)"
    std::wstring extension;   // "csv", without the dot
};

// Shows the save dialog with title and the types, the first one chosen, offering fileName. The
// dialog asks before an existing file is chosen. Answers the chosen file's full path, with the
// chosen type's extension added when the name typed has no extension, and the chosen type's index
// in types; the empty text when the user cancels.
std::wstring chooseSaveFile(const std::wstring& title, const std::vector<TSaveFileType>& types,
                            const std::wstring& fileName, std::size_t& chosenType);
