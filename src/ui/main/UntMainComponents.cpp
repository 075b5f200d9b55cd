// The main window's declared components: the table the window is built from, and the looks of
// the components whose properties the table's common columns do not cover.

#include "ui/main/UntMain.h"

#include "toolkit/Declared.h"
#include "ui/main/UntMainArt.h"

#include <cwchar>
#include <stdexcept>

namespace {

// Fonts are in points; at 96 dots per inch 9 pt is 12 px, 10 pt is 13 px and 18 pt is 24 px.
const TFont kFormFont{L"Arial", 8, 0, clBlack};
const TFont kTitleFont{L"Arial", 10, fsBold, clBlack};
const TFont kBodyFont{L"Arial", 10, 0, clBlack};
const TFont kDetailFont{L"Arial", 9, fsBold, clBlack};
const TFont kActionFont{L"Arial", 9, 0, clBlack};
const TFont kStopFont{L"Arial Black", 10, fsBold, hexColor(0xA58E12)};
const TFont kCountFont{L"Arial Black", 18, fsBold | fsItalic, hexColor(0x00ABE0), fqAntialiased};
const TFont kToolFont{L"Arial", 9, 0, hexColor(0x1E395B)};

} // namespace

// Rows name only the fields they set; the others keep their defaults.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

const std::vector<TDeclaredComponent>& TFrmMain::declaredComponents() {
    static const std::vector<TDeclaredComponent> rows = {
        // Image lists and the timer.
        {.name = L"ImgSys", .kind = L"TImageList", .width = 16, .height = 16},
        {.name = L"Img48", .kind = L"TImageList", .width = 48, .height = 48},
        {.name = L"Img16", .kind = L"TImageList", .width = 16, .height = 16},
        {.name = L"TimerPatchGUI", .kind = L"TTimer", .props = {.enabled = false, .interval = 1u}},

        // The caption-bar button and its menu.
        {.name = L"popaction", .kind = L"TPopupMenu", .props = {.images = L"Img16"}},
        {.name = L"About1",
         .kind = L"TMenuItem",
         .parent = L"popaction",
         .props = {.caption = L"About", .imageIndex = 18}},
        {.name = L"NCA", .kind = L"TCaptionToolBar", .props = {.menu = L"popaction"}},

        // The scan menu.
        {.name = L"popscan", .kind = L"TPopupMenu", .props = {.images = L"Img16"}},
        {.name = L"FullSystem1",
         .kind = L"TMenuItem",
         .parent = L"popscan",
         .props = {.caption = L"Scan Full System (NTFS Only)", .imageIndex = 8}},
        {.name = L"targetDrive1",
         .kind = L"TMenuItem",
         .parent = L"popscan",
         .props = {.caption = L"Scan Target NTFS Drive", .imageIndex = 9}},
        {.name = L"N2", .kind = L"TMenuItem", .parent = L"popscan", .props = {.caption = L"-"}},
        {.name = L"argetFolder1",
         .kind = L"TMenuItem",
         .parent = L"popscan",
         .props = {.caption = L"Scan Target Folder (NTFS Only)", .imageIndex = 7}},
        {.name = L"ScanImage1",
         .kind = L"TMenuItem",
         .parent = L"popscan",
         .props = {.caption = L"Scan NTFS Disk Image...", .imageIndex = 22}},

        // The tree's menu.
        {.name = L"poplist", .kind = L"TPopupMenu", .props = {.images = L"Img16"}},
        {.name = L"FullExpand1",
         .kind = L"TMenuItem",
         .parent = L"poplist",
         .props = {.caption = L"Full Expand", .imageIndex = 5}},
        {.name = L"FullCollapse1",
         .kind = L"TMenuItem",
         .parent = L"poplist",
         .props = {.caption = L"Full Collapse", .imageIndex = 4}},
        {.name = L"N1", .kind = L"TMenuItem", .parent = L"poplist", .props = {.caption = L"-"}},
        {.name = L"Checkallitems1",
         .kind = L"TMenuItem",
         .parent = L"poplist",
         .props = {.caption = L"Check all Items", .imageIndex = 13}},
        {.name = L"UncheckallItems1",
         .kind = L"TMenuItem",
         .parent = L"poplist",
         .props = {.caption = L"Uncheck all Items", .imageIndex = 12}},
        {.name = L"CheckSuspiciousOnly1",
         .kind = L"TMenuItem",
         .parent = L"poplist",
         .props = {.caption = L"Check Suspicious Only", .imageIndex = 13}},
        {.name = L"N3", .kind = L"TMenuItem", .parent = L"poplist", .props = {.caption = L"-"}},
        {.name = L"BackupselectedADS1",
         .kind = L"TMenuItem",
         .parent = L"poplist",
         .props = {.caption = L"Backup Selected ADS", .imageIndex = 15}},
        {.name = L"DeleteselectedADS1",
         .kind = L"TMenuItem",
         .parent = L"poplist",
         .props = {.caption = L"Delete Selected ADS", .imageIndex = 14}},
        {.name = L"CopyfullADSPath1",
         .kind = L"TMenuItem",
         .parent = L"poplist",
         .props = {.caption = L"Copy full ADS Path", .imageIndex = 21}},
        {.name = L"N4", .kind = L"TMenuItem", .parent = L"poplist", .props = {.caption = L"-"}},
        {.name = L"ExportResults1",
         .kind = L"TMenuItem",
         .parent = L"poplist",
         .props = {.caption = L"Export Results...", .imageIndex = 23}},

        // The overlay over the list while a job runs. It is made before pCore so that it lies above it:
        // a control made later lies below the siblings made before it.
        {.name = L"pRefresh",
         .kind = L"TPanel",
         .left = 5,
         .top = 109,
         .width = 530,
         .height = 320,
         .props = {.color = clWhite, .visible = false}},
        {.name = L"ImgRefresh", .kind = L"TImage", .parent = L"pRefresh", .width = 128, .height = 128},
        {.name = L"ImgBackup",
         .kind = L"TImage",
         .parent = L"pRefresh",
         .width = 128,
         .height = 128,
         .props = {.visible = false}},
        {.name = L"labelCount",
         .kind = L"TLabel",
         .parent = L"pRefresh",
         .props = {.caption = L"n/A", .font = kCountFont, .autoSize = true}},

        // The background and the alert panel.
        {.name = L"pCore", .kind = L"TW7Panel", .width = 540, .height = 433, .props = {.align = alClient}},
        {.name = L"pAlert",
         .kind = L"TSEAdvPanel",
         .parent = L"pCore",
         .left = 4,
         .top = 4,
         .width = 532,
         .height = 100},
        {.name = L"ImgAlert",
         .kind = L"TImage",
         .parent = L"pAlert",
         .left = 10,
         .top = 26,
         .width = 48,
         .height = 48},
        {.name = L"alertTitle",
         .kind = L"TLabel",
         .parent = L"pAlert",
         .left = 61,
         .top = 9,
         .props = {.caption = L"", .font = kTitleFont, .autoSize = true}},
        {.name = L"alertBody",
         .kind = L"TJstLabel",
         .parent = L"pAlert",
         .left = 62,
         .top = 30,
         .width = 462,
         .height = 30,
         .props = {.caption = L"", .font = kBodyFont, .autoSize = false}},
        {.name = L"pDetailAlert",
         .kind = L"TPanel",
         .parent = L"pAlert",
         .left = 62,
         .top = 30,
         .width = 462,
         .height = 38,
         .props = {.visible = false}},
        {.name = L"shapeTopDetail",
         .kind = L"TShape",
         .parent = L"pDetailAlert",
         .width = 462,
         .height = 1,
         .props = {.align = alTop}},
        {.name = L"labelDetailL1",
         .kind = L"TLabel",
         .parent = L"pDetailAlert",
         .left = 0,
         .top = 5,
         .props = {.caption = L"", .font = kDetailFont, .autoSize = true}},
        {.name = L"AlertSubImg",
         .kind = L"TImage",
         .parent = L"pDetailAlert",
         .left = 1,
         .top = 22,
         .width = 15,
         .height = 15,
         .props = {.autoSize = true}},
        {.name = L"labelDetailL2",
         .kind = L"TLabel",
         .parent = L"pDetailAlert",
         .left = 19,
         .top = 22,
         .props = {.caption = L"", .font = kDetailFont, .autoSize = true}},
        {.name = L"pb",
         .kind = L"TVistaProBar",
         .parent = L"pAlert",
         .left = 62,
         .top = 70,
         .width = 462,
         .height = 10,
         .props = {.color = hexColor(0x80FF00)}},
        {.name = L"pbSec",
         .kind = L"TSEProgressBar",
         .parent = L"pAlert",
         .left = 62,
         .top = 61,
         .width = 462,
         .height = 7},
        {.name = L"btnAction",
         .kind = L"TSEMenuItem",
         .parent = L"pAlert",
         .left = 419,
         .top = 68,
         .width = 109,
         .height = 28,
         .props = {.caption = L"Run Scan", .font = kActionFont, .cursor = crHandPoint}},
        {.name = L"btnStop",
         .kind = L"TSEMenuItem",
         .parent = L"pAlert",
         .left = 506,
         .top = 4,
         .width = 22,
         .height = 21,
         .props = {.caption = L"X", .font = kStopFont, .visible = false, .cursor = crHandPoint}},

        // The list: toolbar and results tree.
        {.name = L"pListview",
         .kind = L"TPanel",
         .parent = L"pCore",
         .left = 5,
         .top = 109,
         .width = 530,
         .height = 320},
        {.name = L"toolbar",
         .kind = L"TW7ToolBar",
         .parent = L"pListview",
         .height = 30,
         .props = {.images = L"Img16", .align = alTop}},
        {.name = L"btnBackup",
         .kind = L"TW7ToolButton",
         .parent = L"toolbar",
         .left = 4,
         .top = 2,
         .width = 122,
         .height = 25,
         .props = {.caption = L"Backup Checked", .font = kToolFont, .enabled = false, .imageIndex = 17}},
        {.name = L"btnDelete",
         .kind = L"TW7ToolButton",
         .parent = L"toolbar",
         .left = 130,
         .top = 2,
         .width = 122,
         .height = 25,
         .props = {.caption = L"Delete Checked", .font = kToolFont, .enabled = false, .imageIndex = 16}},
        {.name = L"tbUAC",
         .kind = L"TW7ToolButton",
         .parent = L"toolbar",
         .left = 498,
         .top = 3,
         .width = 28,
         .height = 24,
         .props = {.imageIndex = 19}},
        {.name = L"VST", .kind = L"TVirtualStringTree", .parent = L"pListview", .props = {.align = alClient}},

    };
    return rows;
}

#pragma GCC diagnostic pop

namespace {

// The declared component of that name and type; a missing one is a fault of the table.
template <typename T> T* must(TForm& form, const wchar_t* name) {
    T* found = form.find<T>(name);
    if (found == nullptr) {
        throw std::logic_error("main window: no component " + std::string(name, name + std::wcslen(name)));
    }
    return found;
}

TMenuItem* item(TPopupMenu* menu, const wchar_t* name) {
    TMenuItem* found = menu->items().find(name);
    if (found == nullptr) {
        throw std::logic_error("main window: no menu item");
    }
    return found;
}

} // namespace

void TFrmMain::declareComponents() {
    setCaption(L"Korvane ADS Ombrolux");
    setFont(kFormFont);
    setClientSize(540, 433);
    setPosition(poScreenCenter);
    setDoubleBuffered(true);

    TComponentKinds kinds = TComponentKinds::standard();
    kinds.add<TSEAdvPanel>(L"TSEAdvPanel");
    kinds.add<TSEMenuItem>(L"TSEMenuItem");
    kinds.add<TSEProgressBar>(L"TSEProgressBar");
    kinds.add<TTreeList>(L"TVirtualStringTree");
    kinds.add<TCaptionToolBar>(L"TCaptionToolBar");
    declare(declaredComponents(), kinds);

    pCore = must<TW7Panel>(*this, L"pCore");
    pAlert = must<TSEAdvPanel>(*this, L"pAlert");
    ImgAlert = must<TImage>(*this, L"ImgAlert");
    alertTitle = must<TLabel>(*this, L"alertTitle");
    alertBody = must<TJstLabel>(*this, L"alertBody");
    pDetailAlert = must<TPanel>(*this, L"pDetailAlert");
    labelDetailL1 = must<TLabel>(*this, L"labelDetailL1");
    AlertSubImg = must<TImage>(*this, L"AlertSubImg");
    labelDetailL2 = must<TLabel>(*this, L"labelDetailL2");
    shapeTopDetail = must<TShape>(*this, L"shapeTopDetail");
    pb = must<TVistaProBar>(*this, L"pb");
    pbSec = must<TSEProgressBar>(*this, L"pbSec");
    btnAction = must<TSEMenuItem>(*this, L"btnAction");
    btnStop = must<TSEMenuItem>(*this, L"btnStop");
    pListview = must<TPanel>(*this, L"pListview");
    toolbar = must<TW7ToolBar>(*this, L"toolbar");
    btnBackup = must<TW7ToolButton>(*this, L"btnBackup");
    btnDelete = must<TW7ToolButton>(*this, L"btnDelete");
    tbUAC = must<TW7ToolButton>(*this, L"tbUAC");
    VST = must<TTreeList>(*this, L"VST");
    pRefresh = must<TPanel>(*this, L"pRefresh");
    ImgRefresh = must<TImage>(*this, L"ImgRefresh");
    ImgBackup = must<TImage>(*this, L"ImgBackup");
    labelCount = must<TLabel>(*this, L"labelCount");
    NCA = must<TCaptionToolBar>(*this, L"NCA");
    popaction = must<TPopupMenu>(*this, L"popaction");
    About1 = item(popaction, L"About1");
    popscan = must<TPopupMenu>(*this, L"popscan");
    poplist = must<TPopupMenu>(*this, L"poplist");
    FullExpand1 = item(poplist, L"FullExpand1");
    FullCollapse1 = item(poplist, L"FullCollapse1");
    Checkallitems1 = item(poplist, L"Checkallitems1");
    UncheckallItems1 = item(poplist, L"UncheckallItems1");
    CheckSuspiciousOnly1 = item(poplist, L"CheckSuspiciousOnly1");
    BackupselectedADS1 = item(poplist, L"BackupselectedADS1");
    DeleteselectedADS1 = item(poplist, L"DeleteselectedADS1");
    CopyfullADSPath1 = item(poplist, L"CopyfullADSPath1");
    ExportResults1 = item(poplist, L"ExportResults1");
    ImgSys = must<TImageList>(*this, L"ImgSys");
    Img48 = must<TImageList>(*this, L"Img48");
    Img16 = must<TImageList>(*this, L"Img16");
    TimerPatchGUI = must<TTimer>(*this, L"TimerPatchGUI");

    takePictures();

    // Looks the table's common columns do not hold.
    pCore->setStartColor(hexColor(0xF7F9FC));
    pCore->setEndColor(hexColor(0xDCE3EC));
    pAlert->setBorders(bLeft | bTop | bRight | bBottom);
    pAlert->setBorderLeftSize(5);
    pAlert->setShowCaption(false);
    pDetailAlert->setBevelOuter(bvNone);
    pListview->setBevelOuter(bvNone);
    pRefresh->setBevelOuter(bvNone);

    pb->setMarqueeBlock(40);
    pb->setFade(30);
    pb->setSpeed(25);
    pb->setShowPositionText(false);

    pbSec->setBorders(bBottom);
    pbSec->setMax(100);
    pbSec->setPosition(0);

    // Both buttons show their outline on every side: the fill stops one pixel inside it.
    btnAction->setBorders(bLeft | bTop | bRight | bBottom);
    btnAction->setArrow(true);
    btnAction->setArrowDirection(atDown);
    btnAction->setImageIndex(kActionRunScan);

    btnStop->setBorders(bLeft | bTop | bRight | bBottom);
    btnStop->setArrow(false);
    btnStop->setImageIndex(kStopScan);
    btnStop->setBackgroundColor(hexColor(0xFCF8E3));
    btnStop->setBorderColor(hexColor(0xEED962));
    btnStop->setHoverColor(hexColor(0xF3E48F));
    btnStop->setBorderColorHover(hexColor(0xEED962));
    btnStop->setActionColor(hexColor(0xE7C91F));
    btnStop->setBorderColorAction(hexColor(0xE7C91F));
    btnStop->setFontColor(kStopFont.color);

    tbUAC->setFocusOnClick(false);
    tbUAC->setAccessibleName(L"Restart as administrator"); // a picture alone: screen readers need a name
    setupTree();
}

void TFrmMain::takePictures() {
    fillImg16(*Img16, dpi());
    fillImg48(*Img48, dpi());
    ImgRefresh->setPicture(pictureRefresh(dpi()));
    ImgBackup->setPicture(pictureBackup(dpi()));
    if (FAlertImageIndex >= 0) { // the alert's picture, copied from Img48, in the new size
        setImageAlertIndex(FAlertImageIndex);
    }
}

void TFrmMain::dpiApplied() {
    takePictures();
    giveNCAPictures();
}
