#include "system/UntChooseImage.h"

#include "platform/DialogServices.h"

#include <vector>

using namespace plat;

namespace {

// Pairs of texts (what the list shows, the patterns), each ended by a NUL; a second NUL ends them.
const wchar_t kImageFilter[] = L"Disk images (*.E01;*.vhdx;*.vhd;*.vmdk;*.001;*.dd;*.img;*.raw)\0"
                               L"*.E01;*.vhdx;*.vhd;*.vmdk;*.001;*.dd;*.img;*.raw\0"
                               L"All files (*.*)\0*.*\0";

// Long paths (\\?\...) fit as well as plain ones.
constexpr DWORD kPathCharacters = 32768;

} // namespace

std::wstring chooseDiskImage() {
    TDialogServices& services = dialogs();
    std::vector<wchar_t> path(kPathCharacters, L'\0');
    OPENFILENAMEW info;
    info.hwndOwner = services.applicationWindow();
    info.lpstrFilter = kImageFilter;
    info.nFilterIndex = 1;
    info.lpstrFile = path.data();
    info.nMaxFile = kPathCharacters;
    info.lpstrTitle = L"Scan NTFS Disk Image";
    // The image is only read; the dialog must not move the process's current folder either.
    info.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (services.GetOpenFileNameW(&info) == FALSE) {
        return {};
    }
    return std::wstring(path.data());
}
