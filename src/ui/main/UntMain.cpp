// The main window's frame: creation, layout, the one-shot re-layout, closing, and the start of a scan.

#include "ui/main/UntMain.h"

#include "platform/ProcessServices.h"
#include "system/UntKorvaneLib.h"
#include "toolkit/Declared.h"
#include "toolkit/TextLayout.h"

namespace {

// The shell's flag for the small icons (with SHGFI_SYSICONINDEX: the small system icon list).
constexpr plat::UINT kShgfiSmallIcon = 0x1;

} // namespace

TFrmMain::TFrmMain(TNCAPictureStore* ncaPictures) : FNCAPictures(ncaPictures) {
    setMainForm(true);
    declareComponents();
    bindEvents();
    FormCreate();
}

TFrmMain::~TFrmMain() {
    // The handlers below reach this window: none may run while its parts are being destroyed.
    TimerPatchGUI->setEnabled(false);
    VST->clear();
    OnShow = nullptr;
    OnResize = nullptr;
    OnCloseQuery = nullptr;
    TimerPatchGUI->OnTimer = nullptr;
    btnAction->OnClick = nullptr;
    btnStop->OnClick = nullptr;
    VST->OnInitNode = nullptr;
    VST->OnFreeNode = nullptr;
    VST->OnGetText = nullptr;
    VST->OnGetImageIndex = nullptr;
    VST->OnPaintText = nullptr;
    VST->OnBeforeCellPaint = nullptr;
    VST->OnCompareNodes = nullptr;
    VST->OnChange = nullptr;
    VST->OnFocusChanged = nullptr;
    VST->OnContextPopup = nullptr;
    poplist->OnPopup = nullptr;
    popscan->OnPopup = nullptr;
    About1->OnClick = nullptr;
}

void TFrmMain::bindEvents() {
    OnShow = [this](TForm*) { FormShow(); };
    OnResize = [this](TControl*) { FormResize(); };
    OnCloseQuery = [this](TForm*, bool& canClose) { FormCloseQuery(canClose); };
    TimerPatchGUI->OnTimer = [this](TTimer*) { TimerPatchGUITimer(); };
    btnAction->OnClick = [this](TControl*) { btnActionClick(); };
    btnStop->OnClick = [this](TControl*) { btnStopClick(); };
    btnStop->setAccessibleName(L"Stop");
    bindScanCommands();
    bindCaptionCommands();

    VST->OnInitNode = [this](TTreeList*, TTreeNode* node) { VSTInitNode(node); };
    VST->OnFreeNode = [this](TTreeList*, TTreeNode* node) { VSTFreeNode(node); };
    VST->OnGetText = [this](TTreeList*, TTreeNode* node, int column, std::wstring& text) {
        VSTGetText(node, column, text);
    };
    VST->OnGetImageIndex = [this](TTreeList*, TTreeNode* node, TImageKind kind, int column, int& index) {
        VSTGetImageIndex(node, kind, column, index);
    };
    VST->OnPaintText = [this](TTreeList*, TCanvas& canvas, TTreeNode* node, int column) {
        VSTPaintText(canvas, node, column);
    };
    VST->OnBeforeCellPaint = [this](TTreeList*, TCanvas& canvas, TTreeNode* node, int column,
                                    const TRect& cellRect) {
        VSTBeforeCellPaint(canvas, node, column, cellRect);
    };
    VST->OnPaintImageOverlay = [this](TTreeList*, TCanvas& canvas, TTreeNode* node, TImageKind kind,
                                      const TRect& imageRect) {
        VSTPaintImageOverlay(canvas, node, kind, imageRect);
    };
    VST->OnCompareNodes = [this](TTreeList*, TTreeNode* node1, TTreeNode* node2, int column) {
        return VSTCompareNodes(node1, node2, column);
    };
    VST->OnChange = [this](TTreeList*, TTreeNode*) { VSTChange(); };
    VST->OnFocusChanged = [this](TTreeList*, TTreeNode*, int) { VSTFocusChanged(); };
    VST->OnContextPopup = [this](TTreeList*, int x, int y) { VSTContextPopup(x, y); };
    poplist->OnPopup = [this](TPopupMenu*) { poplistPopup(); };
    FullExpand1->OnClick = [this](TMenuItem*) { FullExpand1Click(); };
    FullCollapse1->OnClick = [this](TMenuItem*) { FullCollapse1Click(); };
    Checkallitems1->OnClick = [this](TMenuItem*) { Checkallitems1Click(); };
    UncheckallItems1->OnClick = [this](TMenuItem*) { UncheckallItems1Click(); };
    CheckSuspiciousOnly1->OnClick = [this](TMenuItem*) { CheckSuspiciousOnly1Click(); };
    ExportResults1->OnClick = [this](TMenuItem*) { ExportResults1Click(); };
    bindStreamCommands();
}

void TFrmMain::FormCreate() {
    shapeListview = pCore->create<TShape>();
    shapeListview->setName(L"shapeListview");
    shapeListview->setPenColor(hexColor(0xA0AFC3));
    shapeListview->setBrushColor(hexColor(0xA0AFC3));
    // The window can grow but never shrink below its design size.
    setMinClientSize(clientWidth(), clientHeight());
    prepare();
}

void TFrmMain::prepare() {
    // The small system icon list: file rows, drive icons and the detail line's icon come from it.
    const std::wstring systemRoot = getSystemDriveRoot();
    const std::uintptr_t list = plat::shell().SHGetFileInfoW(
        systemRoot.c_str(), 0, &FileInfo, sizeof(FileInfo), plat::SHGFI_SYSICONINDEX | kShgfiSmallIcon);
    ImgSys->attachSystemList(list);
    VST->clear();
    giveNCAPictures();
    // Idle with at least one NTFS drive, error mode otherwise.
    checkNTFSDrive();
    // The rights cannot change while the program runs: the shield is set once.
    prepareElevationButton(*tbUAC);
}

void TFrmMain::FormShow() {
    // The window is realised now: its caption bar can take the button.
    NCA->attach(*this);
    TimerPatchGUI->setEnabled(true);
}

void TFrmMain::TimerPatchGUITimer() {
    // Lays the window out again once it shows; its size stays as it is.
    processResize();
    TimerPatchGUI->setEnabled(false);
    invalidate();
}

void TFrmMain::FormResize() {
    processResize();
}

void TFrmMain::setLabelAreaH(TLabel* label) {
    label->setHeight(wrappedTextHeight(label->font(), label->caption(), label->width()) + scale(10));
}

void TFrmMain::processResize() {
    // 1-4: the alert panel's width and the body text's box.
    // Margins are scaled one by one, so that both sides of a control keep the same margin.
    pAlert->setBounds(scale(4), scale(4), clientWidth() - 2 * scale(4), pAlert->height());
    alertBody->setWidth(pAlert->width() - (ImgAlert->left() + ImgAlert->width() + scale(4)) - scale(8));
    pDetailAlert->setBounds(alertBody->left(), alertBody->top(), alertBody->width(), pDetailAlert->height());
    setLabelAreaH(alertBody);

    // 5: the alert panel's height follows what it shows.
    int panelHeight = 0;
    if (btnAction->visible()) {
        panelHeight = alertBody->top() + alertBody->height() + scale(8) + btnAction->height() + scale(4);
    } else if (alertBody->visible()) {
        panelHeight = alertBody->top() + alertBody->height() + scale(8) + pb->height() + scale(4);
    } else {
        panelHeight = pDetailAlert->top() + pDetailAlert->height() + scale(8) + pb->height() + scale(8);
    }
    pAlert->setHeight(panelHeight);
    const int panelWidth = pAlert->width();

    // 6-9: icon, action button and progress bars.
    ImgAlert->setTop(panelHeight / 2 - ImgAlert->height() / 2);
    btnAction->setBounds(panelWidth - btnAction->width() - scale(4),
                         panelHeight - btnAction->height() - scale(4), btnAction->width(),
                         btnAction->height());
    pb->setBounds(alertBody->left(), panelHeight - pb->height() - scale(4), alertBody->width(), pb->height());
    if (FMode == amBusy && pb->visible()) {
        pbSec->setBounds(pb->left(), pb->top() - scale(7) - scale(2), pb->width(), scale(7));
    } else if (FMode == amBusy) {
        pbSec->setBounds(pb->left(), pb->top() + pb->height() - scale(16), pb->width(), scale(16));
    } else {
        pbSec->setBounds(pb->left(), pb->top() - pbSec->height() - scale(2), pb->width(), pbSec->height());
    }

    // 10-12: the list below the panel, its toolbar buttons and its frame.
    const int listTop = pAlert->top() + panelHeight + scale(5);
    pListview->setBounds(scale(5), listTop, clientWidth() - 2 * scale(5),
                         clientHeight() - listTop - scale(4));
    btnBackup->setLeft(scale(4));
    btnDelete->setLeft(btnBackup->left() + btnBackup->width() + scale(4));
    tbUAC->setLeft(toolbar->width() - tbUAC->width() - scale(4));
    shapeListview->setBounds(pListview->left() - scale(1), pListview->top() - scale(1),
                             pListview->width() + 2 * scale(1), pListview->height() + 2 * scale(1));

    // 13: the overlay over the list and what it holds.
    if (pRefresh->visible()) {
        pRefresh->setBounds(pListview->left(), pListview->top(), pListview->width(), pListview->height());
    }
    const int pictureLeft = pRefresh->width() / 2 - ImgRefresh->width() / 2;
    const int pictureTop = pRefresh->height() / 2 - ImgRefresh->height() / 2 - scale(15);
    ImgRefresh->setBounds(pictureLeft, pictureTop, ImgRefresh->width(), ImgRefresh->height());
    ImgBackup->setBounds(pictureLeft, pictureTop, ImgBackup->width(), ImgBackup->height());
    labelCount->setBounds(pRefresh->width() / 2 - labelCount->width() / 2,
                          ImgRefresh->top() + ImgRefresh->height() + scale(15), labelCount->width(),
                          labelCount->height());

    // 14: the stop button in the panel's top right corner.
    btnStop->setBounds(panelWidth - btnStop->width() - scale(4), scale(4), btnStop->width(),
                       btnStop->height());
}

void TFrmMain::FormCloseQuery(bool& canClose) {
    if (btnStop->visible() || (FAboutWindow != nullptr && FAboutWindow->signCheckRunning())) {
        // A job, or the About window's signature check, runs: the process ends now, without asking
        // and without waiting for the worker, and so before anything it uses is destroyed under it.
        plat::processServices().ExitProcess(0);
        canClose = false; // reached only where the process services only record the request
        return;
    }
    canClose = true;
}
