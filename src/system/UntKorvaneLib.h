#pragma once
// System services of the program's utility unit: drives and volumes, size texts, file names, the
// system drive and Windows folder, shell icons, version information, embedded pictures, privilege
// and elevation, links and the message dialogs.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// ---- Drives and volumes.

enum TDriveType : std::uint8_t {
    dtUnknown = 0,
    dtNoRootDir = 1,
    dtRemovable = 2,
    dtFixed = 3,
    dtRemote = 4,
    dtCDROM = 5,
    dtRAMDisk = 6,
};

// One present drive. The name is "Unnamed Device" when the label is blank.
class TDriveInfoObject {
public:
    TDriveInfoObject(std::wstring driveLetter, std::wstring driveName, TDriveType driveType,
                     std::wstring drivePartitionType);
    static TDriveInfoObject create(std::wstring driveLetter, std::wstring driveName, TDriveType driveType,
                                   std::wstring drivePartitionType) {
        return TDriveInfoObject(std::move(driveLetter), std::move(driveName), driveType,
                                std::move(drivePartitionType));
    }

    const std::wstring& driveLetter() const { return FDriveLetter; }
    void setDriveLetter(std::wstring value) { FDriveLetter = std::move(value); }
    const std::wstring& driveName() const { return FDriveName; }
    void setDriveName(std::wstring value) { FDriveName = std::move(value); }
    TDriveType driveType() const { return FDriveType; }
    void setDriveType(TDriveType value) { FDriveType = value; }
    const std::wstring& drivePartitionType() const { return FDrivePartitionType; }
    void setDrivePartitionType(std::wstring value) { FDrivePartitionType = std::move(value); }

private:
    std::wstring FDriveLetter;
    std::wstring FDriveName;
    TDriveType FDriveType;
    std::wstring FDrivePartitionType;
};

using TDriveList = std::vector<TDriveInfoObject>;

// Appends one record per present drive letter; does nothing when list is null.
void getDriveList(TDriveList* list);
std::wstring getVolumeName(wchar_t letter);
std::wstring getFileSystemName(wchar_t letter);
// One root path per line, each ended by CR LF; empty when there is no fixed or removable drive.
std::wstring getFixedAndRemovableDrives();

// ---- Formatting and file names. Sizes are 64-bit.

std::wstring formatFileSize(std::int64_t size);
std::int64_t getFileSize(const std::wstring& path);
std::wstring makeUniqueFileName(const std::wstring& path);
bool isBlank(const std::wstring& text);
std::wstring getSystemDriveRoot();
std::wstring getWindowsFolder();
int getShellIconIndex(const std::wstring& path);
// The system icon of a name taken as a folder or as a file, from the name alone: nothing on any disk
// is asked (the rows of a disk image name no live file).
int getShellIconIndexOf(const std::wstring& name, bool folder);
// Orders two names as Explorer lists them: letters without regard to case, runs of digits by their
// value ("file2" before "file10"); <0, 0 or >0.
int compareNamesLogically(const std::wstring& a, const std::wstring& b);

// ---- Version information and pictures of the program's own file.

struct TEXEVersionData {
    std::wstring CompanyName;
    std::wstring FileDescription;
    std::wstring FileVersion;
    std::wstring InternalName;
    std::wstring LegalCopyright;
    std::wstring LegalTrademarks;
    std::wstring OriginalFileName;
    std::wstring ProductName;
    std::wstring ProductVersion;
    std::wstring Comments;
    std::wstring PrivateBuild;
    std::wstring SpecialBuild;
};

std::wstring getFileVersionText(const std::wstring& file);
void readVersionData(const std::wstring& file, TEXEVersionData& record);

// A PNG picture as embedded: its bytes and the size its header states.
struct TPngPicture {
    std::vector<std::uint8_t> bytes;
    int width = 0;
    int height = 0;
    bool empty() const { return bytes.empty(); }
};

// Loads the program's resource of type "KORVANE_IMAGES" with this name. A missing resource throws
// std::runtime_error (the program carries every picture it asks for).
std::unique_ptr<TPngPicture> loadPngResource(const std::wstring& name);

// ---- Privilege, elevation and links.

// True when the platform's major version is 6 or more.
bool isVistaOrLater();
// True when the program runs with the Administrators group in effect (always before Vista). Under
// user account control an administrator's program that runs without elevation is not.
bool isAdministrator();
// Starts the program through the shell with the verb "RunAs"; true when the shell started it.
bool shellExecuteElevated(const std::wstring& file, const std::wstring& parameters);
// Starts the program's own file elevated, without parameters, and on success ends this process at
// once (exit code 0). False when the restart did not happen: this instance carries on unchanged.
bool relaunchElevated();
// Opens a document or link with the shell's "open" verb (links in the default web browser).
void shellOpen(const std::wstring& target);
// The full path of the program's own file (the main module); empty when the platform gives none.
std::wstring getProgramFileName();

// The main window's elevation button: disabled with image 20 (grey shield) when the program runs as
// administrator, enabled with image 19 (coloured shield) otherwise; a click restarts it elevated.
constexpr int kImageShieldColoured = 19;
constexpr int kImageShieldGrey = 20;
struct TElevationButtonLook {
    bool enabled;
    int imageIndex;
};
TElevationButtonLook elevationButtonLook();
// Gives a tool button its look and its click; the program's rights do not change while it runs,
// so this is done once, when the window is prepared.
template <typename TButton> void prepareElevationButton(TButton& button) {
    const TElevationButtonLook look = elevationButtonLook();
    button.setEnabled(look.enabled);
    button.setImageIndex(look.imageIndex);
    button.OnClick = [](auto* /*sender*/) { relaunchElevated(); };
}

// ---- Message dialogs: modal, owned by the active window (or the application window), on the UI
// thread only. content may break lines with CR LF.

void showInformation(const std::wstring& instruction, const std::wstring& content);
void showError(const std::wstring& instruction, const std::wstring& content);
// Yes and No; true only when the user chose Yes. An empty footer shows no footer area.
bool askQuestion(const std::wstring& instruction, const std::wstring& content, const std::wstring& footer);
