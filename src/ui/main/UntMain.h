#pragma once
// The main window: the alert panel that carries the program's state at the top, the toolbar and the
// results tree below it, and the overlay shown over the list while a job runs. Its components are
// declared in a table (UntMainComponents.cpp); the code is split by concern: frame and layout
// (UntMain.cpp), the alert panel (UntMainAlert.cpp), the results tree (UntMainTree.cpp) and the scan
// notifications (UntMainScanEvents.cpp).

#include "platform/ShellServices.h"
#include "report/StreamClassifier.h"
#include "scan/ScanShortfall.h"
#include "scan/UntScanFileSystemThread.h"
#include "streamops/UntBackupADSThread.h"
#include "streamops/UntExportResultsThread.h"
#include "system/UntKorvaneLib.h"
#include "toolkit/ArtScale.h"
#include "toolkit/CaptionToolBar.h"
#include "toolkit/Form.h"
#include "toolkit/Image.h"
#include "toolkit/ImageList.h"
#include "toolkit/Label.h"
#include "toolkit/Menu.h"
#include "toolkit/Panel.h"
#include "toolkit/Shape.h"
#include "toolkit/Timer.h"
#include "toolkit/ToolBar.h"
#include "toolkit/TreeList.h"
#include "toolkit/VistaProBar.h"
#include "ui/about/UntAbout.h"
#include "ui/styled/SEAdvPanel.h"
#include "ui/styled/SEMenuItem.h"
#include "ui/styled/SEProgressBar.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <vector>

struct TDeclaredComponent;

namespace plat::ntfs {
class TImageDriveServices;
struct TImageVolumes;
} // namespace plat::ntfs

// The window's state as the alert panel shows it.
enum TAlertMode : std::uint16_t { amIdle = 0, amBusy = 1, amError = 2, amFinished = 3 };

// The record every results-tree row carries: a file or folder row (level 0) or one of its streams
// (level 1).
struct TTreeData {
    std::wstring Column1; // file or folder: full path; stream: bare stream name
    std::wstring Column2; // file or folder: empty; stream: full stream path (its path, ":", stream name)
    std::wstring Column3; // size text (empty for a folder)
    std::wstring Column4; // creation time text (the file's, for a stream too)
    std::wstring Column5; // last-modification time text
    std::wstring Column6; // file: empty; stream: preview of its first bytes
    // The file's times as numbers that order as the times do (0 when they could not be read), so
    // that sorting by a time column orders by time, not by the text of the user's date format.
    std::int64_t CreationKey = 0;
    std::int64_t ModificationKey = 0;
    // A stream's size in bytes, as the scan listed it (the size text is rounded); 0 for a file.
    std::int64_t StreamSize = 0;
    // A file row's size in bytes (0 for a folder), by which the size column sorts.
    std::int64_t FileSize = 0;

    // What a stream holds: the "What it holds" column's text and the classifier's answer (empty for a
    // file or folder row).
    std::wstring Column7;
    std::optional<report::TStreamClass> StreamClass;
    // A level-0 row names a folder (whose streams are classified as a folder's); a row lies inside a
    // disk image (its picture is then chosen by what the reader said, without asking the live disk
    // about the shown path).
    bool IsFolder = false;
    bool InImage = false;
};
using PTreeData = TTreeData*;

// Tags carried in the imageIndex of the two alert-panel buttons.
constexpr int kActionRunScan = 0;
constexpr int kActionFine = 1;
constexpr int kActionRefresh = 99;
constexpr int kStopScan = 0;
constexpr int kStopBackup = 1;
constexpr int kStopExport = 2;

// The caption-bar button's six pictures as the program carries them (resources of type
// "KORVANE_IMAGES"): normal, hovered and pressed, each in a large and a small form, at one scale.
struct TNCAPictures {
    std::unique_ptr<TPngPicture> link;
    std::unique_ptr<TPngPicture> hover;
    std::unique_ptr<TPngPicture> action;
    std::unique_ptr<TPngPicture> linkMin;
    std::unique_ptr<TPngPicture> hoverMin;
    std::unique_ptr<TPngPicture> actionMin;
};
// Loads the six with loadPngResource, drawn at the scale nearest to dpi (toolkit/ArtScale.h); throws
// std::runtime_error when one is missing.
TNCAPictures loadNCAPictures(int dpi = kArtDesignDpi);

// The six pictures at every scale a window asks for: each scale is loaded the first time a window
// shows at it (start-up comes before any window knows its monitor) and kept until the program ends.
class TNCAPictureStore {
public:
    // The pictures drawn for dpi's scale; throws as loadNCAPictures when one is missing.
    const TNCAPictures& forDpi(int dpi);

private:
    std::map<int, TNCAPictures> FByScale;
};

class TFrmMain : public TForm,
                 public TScanNotifications,
                 public TBackupNotifications,
                 public TExportNotifications {
public:
    // Builds the window from its declared components and runs its creation steps; shown by show().
    // ncaPictures: the caption-bar button's pictures, which must outlive the window; without them
    // the button shows none.
    explicit TFrmMain(TNCAPictureStore* ncaPictures = nullptr);
    ~TFrmMain() override;

    // ---- Declared components (owned by the window; see UntMainComponents.cpp).
    TW7Panel* pCore = nullptr;
    TSEAdvPanel* pAlert = nullptr;
    TImage* ImgAlert = nullptr;
    TLabel* alertTitle = nullptr;
    TJstLabel* alertBody = nullptr;
    TPanel* pDetailAlert = nullptr;
    TLabel* labelDetailL1 = nullptr;
    TImage* AlertSubImg = nullptr;
    TLabel* labelDetailL2 = nullptr;
    TShape* shapeTopDetail = nullptr;
    TVistaProBar* pb = nullptr;
    TSEProgressBar* pbSec = nullptr;
    TSEMenuItem* btnAction = nullptr;
    TSEMenuItem* btnStop = nullptr; // "X": screen readers hear "Stop"
    TPanel* pListview = nullptr;
    TW7ToolBar* toolbar = nullptr;
    TW7ToolButton* btnBackup = nullptr;
    TW7ToolButton* btnDelete = nullptr;
    TW7ToolButton* tbUAC = nullptr;
    TTreeList* VST = nullptr;
    TPanel* pRefresh = nullptr;
    TImage* ImgRefresh = nullptr;
    TImage* ImgBackup = nullptr;
    TLabel* labelCount = nullptr;
    TCaptionToolBar* NCA = nullptr;
    TPopupMenu* popaction = nullptr;
    TMenuItem* About1 = nullptr;
    TPopupMenu* popscan = nullptr;
    TPopupMenu* poplist = nullptr;
    TMenuItem* FullExpand1 = nullptr;
    TMenuItem* FullCollapse1 = nullptr;
    TMenuItem* Checkallitems1 = nullptr;
    TMenuItem* UncheckallItems1 = nullptr;
    TMenuItem* CheckSuspiciousOnly1 = nullptr;
    TMenuItem* BackupselectedADS1 = nullptr;
    TMenuItem* DeleteselectedADS1 = nullptr;
    TMenuItem* CopyfullADSPath1 = nullptr;
    TMenuItem* ExportResults1 = nullptr;
    TImageList* ImgSys = nullptr;
    TImageList* Img48 = nullptr;
    TImageList* Img16 = nullptr;
    TTimer* TimerPatchGUI = nullptr;

    // ---- Fields.
    TShape* shapeListview = nullptr; // the one-pixel frame around pListview, made at creation
    plat::SHFILEINFOW FileInfo{};
    TBackupADS* FBackupADS = nullptr;           // the bulk job running, while btnStop shows tag 1
    TScanFileSystem* FScanFileSystem = nullptr; // the scan running, while btnStop shows tag 0
    TExportResults* FExportResults = nullptr;   // the export running, while btnStop shows tag 2
    std::uint16_t FMode = amIdle;
    bool FAlertToAnnounce = false; // the mode changed: the next texts are read as an alert

    // ---- Frame and layout.
    void FormCreate();
    void FormShow();
    void TimerPatchGUITimer();
    void FormResize();
    void processResize();
    // Fits the label's height to its text word-wrapped at its width, plus 10.
    void setLabelAreaH(TLabel* label);
    void FormCloseQuery(bool& canClose);

    // ---- The caption-bar button and its menu (UntMainCaption.cpp).
    // The About window "About" shows; made after this window, it must outlive it.
    void setAboutWindow(TFrmAbout* window) { FAboutWindow = window; }
    TFrmAbout* aboutWindow() const { return FAboutWindow; }
    void About1Click();

    // ---- Alert panel.
    void switchAlertPanel(TAlertMode mode);
    void setAlert(const std::wstring& title, const std::wstring& body);
    void setDetailAlert(const std::wstring& line1, const std::wstring& line2);
    void setImageAlertIndex(int index);
    void pDetailAlertMode(bool on);
    void reset();

    // ---- Scan commands (UntMainScanCommands.cpp): the action and stop buttons, which act on their
    // tags, the scan menu with its drive submenu, the check for NTFS drives and the three scopes.
    // bindScanCommands reaches the scan menu's items and binds them.
    TMenuItem* FullSystem1 = nullptr;
    TMenuItem* targetDrive1 = nullptr;
    TMenuItem* argetFolder1 = nullptr;
    TMenuItem* ScanImage1 = nullptr;
    void bindScanCommands();
    void btnActionClick();
    void btnStopClick();
    void popscanPopup();
    void refreshPopDrive();
    // Rebuilds the drive submenu, then enters idle mode, or error mode when no NTFS drive is there.
    void checkNTFSDrive();
    void FullSystem1Click();
    void targetDriveClick(TMenuItem* item);
    void argetFolder1Click();
    // "Scan NTFS Disk Image...": a file chosen, the Setup Scan dialog, then the scan, which opens the
    // image on its own thread.
    void ScanImage1Click();
    // Creates the scan thread with these settings, keeps it in FScanFileSystem and starts it.
    // direct: each NTFS root is read from its raw volume (a walk where it cannot be). An image scan
    // (smImage) opens the image at path and walks its volumes; any other scan takes the image of the
    // last one away.
    void runScan(TScanFileSystemMode mode, const std::wstring& path, const std::wstring& wildcard,
                 bool recursive, std::int32_t previewLen, bool includeZone, bool direct = false);

    // ---- Disk images (UntMainImage.cpp). The file services installed at start-up, which reach the
    // volumes of the scanned image; without them (set to null) the window scans no image.
    void setImageDrives(plat::ntfs::TImageDriveServices* drives) { FImageDrives = drives; }
    // An image's file name ("D:\cases\evidence.dd" -> "evidence.dd"): what its rows and texts name it.
    static std::wstring imageName(const std::wstring& image);
    // Opens the image on the scan thread: its NTFS volumes read and attached at free drive letters;
    // touches no control. Given the scan's stop flag, polled while each volume's catalogue loads.
    TImageOpening openImage(const std::wstring& image, const std::atomic<bool>& stop);
    // A path as its row shows it: inside an image, the volume's name instead of its drive letter.
    std::wstring shownPath(const std::wstring& path) const;
    // The path the file services open for a row's path (the reverse of shownPath).
    std::wstring openedPath(const std::wstring& rowPath) const;
    // Whether a row's path lies inside a disk image, which is read only.
    bool isImageRowPath(const std::wstring& rowPath) const;
    // Whether any checked stream row lies inside a disk image.
    bool checkedImageRows() const;
    // Whether any checked stream row holds a name written with the escape, which Windows cannot open
    // (read from a live volume directly) and so never deletes.
    bool checkedEscapedRows() const;
    bool anyCheckedStream(const std::function<bool(const std::wstring&)>& test) const;

    // ---- Results tree.
    void VSTInitNode(TTreeNode* node);
    void VSTFreeNode(TTreeNode* node);
    void VSTGetText(TTreeNode* node, int column, std::wstring& text);
    void VSTGetImageIndex(TTreeNode* node, TImageKind kind, int column, int& imageIndex);
    void VSTPaintText(TCanvas& canvas, TTreeNode* node, int column);
    void VSTBeforeCellPaint(TCanvas& canvas, TTreeNode* node, int column, const TRect& cellRect);
    // Orders two rows by a sortable column: the times by time, the content by its text.
    int VSTCompareNodes(TTreeNode* node1, TTreeNode* node2, int column);
    void VSTChange();
    void VSTFocusChanged();
    void VSTContextPopup(int x, int y);
    void poplistPopup();
    void FullExpand1Click();
    void FullCollapse1Click();
    void Checkallitems1Click();
    void UncheckallItems1Click();
    void setAllChecked(TTreeList* tree, bool checked);

    // ---- What each stream holds (UntMainStreamClass.cpp).
    // A stream row's preview and class, from one read of the stream's first bytes.
    void fillStreamContent(TTreeData& data, const std::wstring& streamPath, const TADSObject& ads,
                           bool onFolder, std::int32_t previewLen);
    // A suspicious stream's row carries a mark over its picture, drawn at the tree's scale.
    void VSTPaintImageOverlay(TCanvas& canvas, TTreeNode* node, TImageKind kind, const TRect& imageRect);
    // Checks the suspicious streams and unchecks every other row.
    void CheckSuspiciousOnly1Click();
    // While a scan's outcome shows, the alert panel gives the reasons of the focused suspicious stream,
    // and the outcome again when the focus leaves it.
    void showStreamReasons();
    bool FReasonsShown = false;
    std::wstring FReasonsTitle;
    std::wstring FOutcomeTitle;
    std::wstring FOutcomeBody;
    // The record of a row; null for none.
    PTreeData treeData(TTreeNode* node) const { return VST->getNodeData<TTreeData>(node); }

    // ---- Scan notifications (run on the UI thread while the scan waits).
    void scanStarting(const std::vector<std::wstring>& driveList) override;
    void driveInitializing(const std::wstring& curDriveLabel) override;
    void driveCounted(std::int64_t count, const std::wstring& curDrive) override;
    void driveScanStarting() override;
    void scanProgress(const std::wstring& curDriveLabel, const std::wstring& folderPath,
                      const std::wstring& entryName, std::int64_t foundResults,
                      std::int64_t& lastFoundResultsCheck) override;
    TScanNode fileFound(const std::wstring& fileName, const std::wstring& creationStr,
                        const std::wstring& modificationStr) override;
    TScanNode folderFound(const std::wstring& folderName, const std::wstring& creationStr,
                          const std::wstring& modificationStr) override;
    // The level-0 row of a file or folder that carries streams.
    TTreeNode* addEntryRow(const std::wstring& path, bool isFolder, const std::wstring& creationStr,
                           const std::wstring& modificationStr);
    TScanNode streamFound(const TADSObject& curAds, const std::wstring& fileName,
                          const std::wstring& creationStr, const std::wstring& modificationStr,
                          std::int32_t previewLen, TScanNode fileNode) override;
    void driveDone(int n) override;
    void scanFinished(bool terminated, std::int64_t foundResults) override;
    void directReadFailed(const std::wstring& curDrive, const std::wstring& why) override;
    void damagedRecordsSkipped(const std::wstring& curDriveLabel, std::uint64_t count) override;
    void folderNotListed(const std::wstring& folder, plat::DWORD error) override;
    void imageOpening(const std::wstring& image) override;
    void imageOpened(const TImageOpening& opening) override;

    // ---- Stream commands (UntMainStreamCommands.cpp): the toolbar's bulk commands and the tree
    // menu's single-stream commands. bindStreamCommands binds them to their components.
    void bindStreamCommands();
    void btnBackupClick();
    void btnDeleteClick();
    void BackupselectedADS1Click();
    void DeleteselectedADS1Click();
    void CopyfullADSPath1Click();
    // Writes every stream row into a CSV or JSON Lines file chosen with the save dialog, on the export
    // thread (UntMainExport.cpp).
    void ExportResults1Click();
    // Creates the backup and removal thread with these settings, keeps it in FBackupADS and starts it.
    void runBackup(bool backupVST, const std::wstring& destPath);
    // A scan or a bulk run is busy: the commands that touch the rows stand still.
    bool jobRunning() const;

    // ---- Backup and removal notifications (UntMainBackup.cpp; run on the UI thread while the run waits).
    TTreeList& backupTree() override;
    void backupStreamTexts(TTreeNode* node, std::wstring& name, std::wstring& path) override;
    void backupStarting(const TBackupRunState& state) override;
    void backupStreamStarting(const std::wstring& line1, const std::wstring& line2) override;
    void backupProgress(const TBackupRunState& state) override;
    void backupFinished(const TBackupRunState& state) override;

    // ---- Export notifications (UntMainExport.cpp; run on the UI thread while the export waits).
    void exportStarting(const TExportRunState& state) override;
    void exportProgress(const TExportRunState& state, const std::wstring& shownPath) override;
    void exportFinished(const TExportRunState& state) override;

    // The table of the window's declared components.
    static const std::vector<TDeclaredComponent>& declaredComponents();

protected:
    // Makes the scan thread, suspended; tests make one that tells them when it has freed itself.
    virtual TScanFileSystem* createScanThread() { return new TScanFileSystem(*this); }
    // Makes the backup and removal thread, suspended; tests make one that tells them when it has
    // freed itself.
    virtual TBackupADS* createBackupThread() { return new TBackupADS(*this); }
    // Makes the export thread, suspended; tests make one that tells them when it has freed itself.
    virtual TExportResults* createExportThread() { return new TExportResults(*this); }
    // Reads a disk image's NTFS volumes, on the scan thread; tests read one through a device they hold.
    virtual plat::ntfs::TImageVolumes readImageVolumes(const std::wstring& image,
                                                       const std::atomic<bool>& stop);

private:
    // Builds the components from the table, reaches them by name and gives the styled controls
    // and the tree their declared looks (UntMainComponents.cpp).
    void declareComponents();
    void bindEvents();
    void setupTree();
    // The window's preparation at creation: system icons, empty tree, the caption-bar button's
    // pictures, first alert mode and the elevation button.
    void prepare();
    void bindCaptionCommands();
    void giveNCAPictures();
    // The window's own pictures drawn for its DPI: the image lists, the overlays and the alert's
    // picture shown (UntMainComponents.cpp).
    void takePictures();
    // Both, and the caption-bar button's, again for a new DPI.
    void dpiApplied() override;

    TNCAPictureStore* FNCAPictures = nullptr;
    int FAlertImageIndex = -1; // the Img48 picture the alert shows
    TFrmAbout* FAboutWindow = nullptr;

    plat::ntfs::TImageDriveServices* FImageDrives = nullptr;
    // The full path of the image whose rows the tree shows (empty after a scan of live files): the
    // exported records name it, as the console tool names the image it is given.
    std::wstring FImageFile;
    // The roots of the running scan whose raw volume could not be read, walked instead.
    std::vector<std::wstring> FWalkedInstead;
    // What the alert panel showed before an export, shown again when it ends.
    struct TPanelShown {
        TAlertMode mode = amIdle;
        int image = 0;
        std::wstring title;
        std::wstring body;
    } FBeforeExport;
    // Why the image of the running scan could not be opened: said when the scan ends.
    std::wstring FImageError;
    // What the running scan could not read, named after its outcome.
    TScanShortfall FShortfall;
    bool FTreeSuspended = false; // the tree's updates are suspended by a running scan or bulk run
};
