// "Export Results...": every stream row of the results tree written as the console tool writes a
// scan's records, in CSV or JSON Lines, by the export thread, which the panel shows as it runs.

#include "ui/main/UntMain.h"

#include "report/Finding.h"
#include "system/UntKorvaneLib.h"
#include "system/UntSaveFile.h"

#include <algorithm>

namespace {

const wchar_t* const kExportResults = L"Export Results";

// The records' source: the drive or share root the file lies on, the scope a full scan reports.
std::wstring rootOf(const std::wstring& path) {
    if (path.rfind(L"\\\\", 0) == 0) {
        const std::size_t share = path.find(L'\\', 2);
        const std::size_t end = share == std::wstring::npos ? share : path.find(L'\\', share + 1);
        return end == std::wstring::npos ? path : path.substr(0, end + 1);
    }
    return path.substr(0, std::min<std::size_t>(path.size(), 3));
}

// An image row's source as the console tool names it when given the image: the image's path and
// the partition's number ("D:\\cases\\evidence.dd [1]"). The row shows the file's name where the
// path goes ("evidence.dd [1]\\dir\\file"); inside is the path from the volume's root ("\\dir\\file").
std::wstring imageSourceOf(const std::wstring& imageFile, const std::wstring& rowPath,
                           const std::wstring& inside) {
    const std::wstring shownSource = rowPath.substr(0, rowPath.size() - inside.size());
    const std::size_t slash = imageFile.find_last_of(L"\\/");
    const std::size_t nameLength =
        slash == std::wstring::npos ? imageFile.size() : imageFile.size() - slash - 1;
    return imageFile + shownSource.substr(std::min(nameLength, shownSource.size()));
}

} // namespace

void TFrmMain::ExportResults1Click() {
    if (jobRunning() || VST->getFirst() == nullptr) {
        return;
    }
    static const std::vector<TSaveFileType> types = {{L"CSV (*.csv)", L"csv"},
                                                     {L"JSON Lines (*.jsonl)", L"jsonl"}};
    std::size_t chosen = 0;
    const std::wstring path = chooseSaveFile(kExportResults, types, L"streams.csv", chosen);
    if (path.empty()) {
        return;
    }
    // What each row gives, read off the tree here; the export thread reads the rest from the files.
    std::vector<TExportRow> rows;
    for (TTreeNode* node = VST->getFirst(); node != nullptr; node = VST->getNext(node)) {
        const PTreeData data = treeData(node);
        const PTreeData fileData = treeData(VST->getParent(node));
        if (data == nullptr || fileData == nullptr || VST->getNodeLevel(node) != 1) {
            continue;
        }
        TExportRow& row = rows.emplace_back();
        // Inside an image, the file the row stands for is the reader's, and the records name the volume
        // as the source and the path from its root ("evidence.dd [1]", "\dir\file:stream"), as the
        // console tool writes them.
        row.fileName = openedPath(fileData->Column1);
        const bool inImage = row.fileName != fileData->Column1;
        row.filePath = inImage ? row.fileName.substr(2) : row.fileName;
        row.source =
            inImage ? imageSourceOf(FImageFile, fileData->Column1, row.filePath) : rootOf(fileData->Column1);
        row.fullPath = inImage ? openedPath(data->Column2).substr(2) : data->Column2;
        row.streamName = data->Column1;
        row.streamSize = data->StreamSize;
        row.preview = data->Column6;
        row.shownPath = data->Column2;
    }
    TExportResults* run = createExportThread(); // frees itself when its body returns
    FExportResults = run;
    run->setFreeOnTerminate(true);
    run->setPriority(plat::tpHighest);
    run->setRows(std::move(rows));
    run->setTarget(path);
    run->setFormat(chosen == 1 ? report::TReportFormat::jsonl : report::TReportFormat::csv);
    run->Start();
}

void TFrmMain::exportStarting(const TExportRunState& state) {
    // The panel shows the run as it shows a bulk backup; the outcome it showed before comes back at
    // the end, and the rows stay as they are.
    FBeforeExport = {static_cast<TAlertMode>(FMode), FAlertImageIndex, alertTitle->caption(),
                     alertBody->caption()};
    switchAlertPanel(amBusy);
    pb->setVisible(false); // one file: only the stream bar shows
    btnBackup->setEnabled(false);
    btnDelete->setEnabled(false);
    btnBackup->setImageIndex(17);
    btnDelete->setImageIndex(16);
    btnStop->setImageIndex(kStopExport);
    setImageAlertIndex(6);
    AlertSubImg->setPicture(TBitmap32());
    pbSec->setMax(state.total);
    pbSec->setPosition(0);
    pDetailAlertMode(true);
    setDetailAlert(L"Exporting to: " + state.target, L"0/" + std::to_wstring(state.total) + L" stream(s)");
    ImgRefresh->setVisible(false);
    ImgBackup->setVisible(true);
    pRefresh->setVisible(true);
    setAlert(L"Exporting Results", L"");
    labelCount->setCaption(L"Exporting Results...");
    processResize();
}

void TFrmMain::exportProgress(const TExportRunState& state, const std::wstring& shownPath) {
    pbSec->setPosition(state.written);
    setDetailAlert(L"Exporting: " + shownPath,
                   std::to_wstring(state.written) + L"/" + std::to_wstring(state.total) + L" stream(s)");
    labelCount->setCaption(std::to_wstring(state.written) + L"/" + std::to_wstring(state.total) +
                           L" Exported...");
    processResize();
}

void TFrmMain::exportFinished(const TExportRunState& state) {
    // The thread frees itself right after this returns: no stop request may reach it any more.
    FExportResults = nullptr;
    pRefresh->setVisible(false);
    pDetailAlertMode(false);
    pbSec->setPosition(0);
    switchAlertPanel(FBeforeExport.mode);
    setImageAlertIndex(FBeforeExport.image);
    setAlert(FBeforeExport.title, FBeforeExport.body);
    if (VST->totalCount() > 0) {
        btnBackup->setEnabled(true);
        btnDelete->setEnabled(true);
        btnBackup->setImageIndex(2);
        btnDelete->setImageIndex(14);
    }
    processResize();
    // What became of the unfinished copy, when there was one.
    const std::wstring copy = state.temporary.empty() ? std::wstring()
                              : state.temporaryRemoved
                                  ? L"; its unfinished copy was removed."
                                  : L"; its unfinished copy " + state.temporary + L" could not be removed.";
    if (state.stopped) {
        showInformation(kExportResults, L"The export was stopped after " + std::to_wstring(state.written) +
                                            L" of " + std::to_wstring(state.total) + L" stream(s): " +
                                            state.target + L" was not written" + copy);
    } else if (state.error != 0) {
        showError(kExportResults, L"Could not write " + state.target + L" with error=[" +
                                      std::to_wstring(state.error) + L"]" + copy);
    } else {
        showInformation(kExportResults,
                        std::to_wstring(state.written) + L" stream(s) written to:\r\n" + state.target);
    }
}
