// "Export Results...": every stream row of the results tree written as the console tool writes a
// scan's records, in CSV or JSON Lines.

#include "ui/main/UntMain.h"

#include "platform/FileServices.h"
#include "platform/Owned.h"
#include "report/Finding.h"
#include "report/StreamFacts.h"
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

// Writes text at path, a new file or one the user agreed to replace in the save dialog. 0 when
// written; otherwise the platform's error code.
plat::DWORD writeWholeFile(const std::wstring& path, const std::string& text) {
    plat::TFileServices& fs = plat::files();
    plat::TFileHandle file(fs.CreateFileW(path.c_str(), plat::GENERIC_WRITE, 0, nullptr, plat::CREATE_ALWAYS,
                                          plat::FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return fs.GetLastError();
    }
    constexpr std::size_t kPiece = 1 << 20;
    for (std::size_t at = 0; at < text.size(); at += kPiece) {
        const auto piece = static_cast<plat::DWORD>(std::min(kPiece, text.size() - at));
        plat::DWORD written = 0;
        if (fs.WriteFile(file.get(), text.data() + at, piece, &written, nullptr) == plat::FALSE ||
            written != piece) {
            const plat::DWORD error = fs.GetLastError();
            return error != 0 ? error : plat::ERROR_DISK_FULL;
        }
    }
    return 0;
}

} // namespace

void TFrmMain::ExportResults1Click() {
    if (jobRunning() || VST->getFirst() == nullptr) {
        return;
    }
    static const std::vector<TSaveFileType> types = {{L"CSV (*.csv)", L"csv"},
                                                     {L"JSON Lines (*.jsonl)", L"jsonl"}};
    std::size_t chosen = 0;
    const std::wstring path = chooseSaveFile(L"Export Results", types, L"streams.csv", chosen);
    if (path.empty()) {
        return;
    }
    // CSV with a byte-order mark, so that spreadsheets read the names right.
    const auto writer = report::makeFindingWriter(
        chosen == 1 ? report::TReportFormat::jsonl : report::TReportFormat::csv, true);
    std::string text = writer->header();
    std::int64_t streams = 0;
    for (TTreeNode* node = VST->getFirst(); node != nullptr; node = VST->getNext(node)) {
        const PTreeData data = treeData(node);
        const PTreeData fileData = treeData(VST->getParent(node));
        if (data == nullptr || fileData == nullptr || VST->getNodeLevel(node) != 1) {
            continue;
        }
        // The row's own preview; the rest as the console tool gathers it (times, attributes, the
        // download mark decoded).
        std::string unread;
        report::TStreamFinding finding = report::gatherFinding(rootOf(fileData->Column1), fileData->Column1,
                                                               TADSObject(data->Column1, data->StreamSize),
                                                               report::TFactsWanted{}, unread);
        finding.fullPath = data->Column2;
        finding.preview = data->Column6;
        text += writer->record(finding);
        ++streams;
    }
    if (const plat::DWORD error = writeWholeFile(path, text); error != 0) {
        showError(kExportResults,
                  L"Could not write " + path + L" with error=[" + std::to_wstring(error) + L"]");
        return;
    }
    showInformation(kExportResults, std::to_wstring(streams) + L" stream(s) written to:\r\n" + path);
}
