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
        // download mark decoded), from the file the row stands for: inside an image, the reader's.
        const std::wstring opened = openedPath(fileData->Column1);
        const bool inImage = opened != fileData->Column1;
        // Inside an image the records name the volume as the source and the path from its root
        // ("evidence.dd [1]", "\dir\file:stream"), as the console tool writes them.
        const std::wstring inside = inImage ? opened.substr(2) : opened;
        const std::wstring source =
            inImage ? imageSourceOf(FImageFile, fileData->Column1, inside) : rootOf(fileData->Column1);
        std::string unread;
        report::TStreamFinding finding = report::gatherFinding(
            source, opened, TADSObject(data->Column1, data->StreamSize), report::TFactsWanted{}, unread);
        if (inImage) {
            finding.filePath = inside;
            finding.fullPath = finding.fullPath.substr(2);
        } else {
            finding.fullPath = data->Column2;
        }
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
