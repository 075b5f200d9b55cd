#include "cli/ErrorSentences.h"

#include "report/StreamFacts.h"
#include "report/TextEncoding.h"

namespace cli {

namespace {

// The stream's colon: the first ':' after the last separator ("\\" or "/") (a drive's "C:" comes before it).
template <typename Text> std::size_t streamColon(const Text& path) {
    const typename Text::value_type separators[] = {'\\', '/', 0};
    const std::size_t last = path.find_last_of(separators);
    const std::size_t from = last == Text::npos ? 0 : last + 1;
    return path.find(typename Text::value_type(':'), from);
}

// The path without its last n names.
template <typename Text> Text withoutLast(Text path, int n) {
    for (; n > 0; --n) {
        const typename Text::value_type separators[] = {'\\', '/', 0};
        const std::size_t last = path.find_last_of(separators);
        if (last == Text::npos) {
            break;
        }
        path.resize(last);
    }
    return path;
}

bool exists(plat::TFileServices& fs, const std::wstring& path) {
    return fs.GetFileAttributesW(path.c_str()) != plat::INVALID_FILE_ATTRIBUTES;
}

} // namespace

std::string openFailure(plat::TFileServices& fs, const std::wstring& opened, const std::string& shown,
                        plat::DWORD code) {
    if (code != plat::ERROR_FILE_NOT_FOUND && code != plat::ERROR_PATH_NOT_FOUND) {
        return report::errorText(code);
    }
    const std::size_t openedColon = streamColon(opened);
    const std::size_t shownColon = streamColon(shown);
    const std::wstring openedFile = opened.substr(0, openedColon);
    const std::string shownFile = shown.substr(0, shownColon);
    if (exists(fs, openedFile)) {
        if (openedColon == std::wstring::npos) {
            return report::errorText(code);
        }
        return "no stream \"" + shown.substr(shownColon + 1) + "\" in " + shownFile;
    }
    // The first name on the way that is missing: each folder above the file is asked in turn.
    int missingBelow = 0;
    for (int up = 1; !withoutLast(openedFile, up).empty(); ++up) {
        const std::wstring folder = withoutLast(openedFile, up);
        if (folder == withoutLast(openedFile, up + 1) || exists(fs, folder + L"\\")) {
            break;
        }
        missingBelow = up;
    }
    if (missingBelow == 0) {
        return "no file or folder " + shownFile;
    }
    return "no folder " + withoutLast(shownFile, missingBelow);
}

} // namespace cli
