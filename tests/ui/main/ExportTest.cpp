// "Export Results..." of the results tree's menu over the simulated store, with scripted dialog
// answers: the file written holds every stream row of the tree, in the chosen format.

#include "ui/main/ScanCommandsFixture.h"

#include "report/TextEncoding.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include <sstream>

using namespace scancommands;
using namespace std::chrono_literals;

namespace {

const std::string kMark = "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://a.test/s.exe\r\n";

class ExportTest : public ScanCommandsTest {
protected:
    void SetUp() override {
        ScanCommandsTest::SetUp();
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        store.addFolder(L"C:\\out");
        open();
    }

    // Files with streams in the store, and in the tree as a scan reports them; a name with a comma
    // and a quote, a download mark, a folder's stream, a stream of 5 GiB.
    void fillTree() {
        store.addFile(L"C:\\dl\\setup, new.exe", "MZ");
        store.addStream(L"C:\\dl\\setup, new.exe", L"Zone.Identifier", kMark);
        store.addStream(L"C:\\dl\\setup, new.exe", L"payload", "pay\nload");
        store.addFolder(L"C:\\dl\\sub");
        store.addStream(L"C:\\dl\\sub", L"tag", "t");
        store.addFile(L"C:\\big.bin", "");
        store.addStream(L"C:\\big.bin", L"huge", "");
        store.setDataSize(L"C:\\big.bin:huge", 5ll << 30);
        w().scanStarting({L"C:\\"});
        for (const auto& [file, streams] : std::vector<std::pair<std::wstring, std::vector<std::wstring>>>{
                 {L"C:\\dl\\setup, new.exe", {L"Zone.Identifier", L"payload"}},
                 {L"C:\\dl\\sub", {L"tag"}},
                 {L"C:\\big.bin", {L"huge"}}}) {
            auto* row = static_cast<TTreeNode*>(store.isFolder(file) ? w().folderFound(file, L"c", L"m")
                                                                     : w().fileFound(file, L"c", L"m"));
            for (const std::wstring& name : streams) {
                const std::int64_t size =
                    name == L"huge" ? 5ll << 30
                                    : static_cast<std::int64_t>(store.readData(file + L":" + name).size());
                w().streamFound(TADSObject(name, size), file, L"c", L"m", 30, row);
            }
        }
        w().scanFinished(false, 4);
    }
    // The stream rows: (full path, name, preview) and the size the scan listed.
    struct TRow {
        std::wstring fullPath;
        std::wstring name;
        std::wstring preview;
        std::int64_t size;
    };
    std::vector<TRow> streamRows() {
        std::vector<TRow> rows;
        TTreeList& tree = *w().VST;
        for (TTreeNode* node = tree.getFirst(); node != nullptr; node = tree.getNext(node)) {
            if (tree.getNodeLevel(node) == 1) {
                const PTreeData data = tree.getNodeData<TTreeData>(node);
                rows.push_back({data->Column2, data->Column1, data->Column6, data->StreamSize});
            }
        }
        return rows;
    }
    bool exportEnabled() {
        w().poplist->OnPopup(w().poplist);
        return w().ExportResults1->enabled();
    }
};

} // namespace

TEST_F(ExportTest, JsonLinesHoldEveryStreamRowOfTheTree) {
    fillTree();
    ASSERT_TRUE(exportEnabled());
    dialogs.answerSaveFile(L"C:\\out\\found.jsonl", 2);
    dialogs.answerButton(plat::IDOK);
    exportResults();

    ASSERT_EQ(dialogs.saveDialogs().size(), 1u);
    const auto& asked = dialogs.saveDialogs()[0];
    EXPECT_EQ(asked.filter,
              (std::vector<std::wstring>{L"CSV (*.csv)", L"*.csv", L"JSON Lines (*.jsonl)", L"*.jsonl"}));
    EXPECT_NE(asked.flags & plat::OFN_OVERWRITEPROMPT, 0u) << "the system asks before replacing a file";
    ASSERT_EQ(dialogs.taskDialogs().size(), 1u);
    EXPECT_EQ(dialogs.taskDialogs()[0].mainInstruction, L"Export Results");
    EXPECT_EQ(dialogs.taskDialogs()[0].content, L"4 stream(s) written to:\r\nC:\\out\\found.jsonl");

    std::istringstream lines(store.readData(L"C:\\out\\found.jsonl"));
    const std::vector<TRow> rows = streamRows();
    ASSERT_EQ(rows.size(), 4u);
    std::size_t n = 0;
    for (std::string line; std::getline(lines, line); ++n) {
        ASSERT_LT(n, rows.size());
        const nlohmann::json record = nlohmann::json::parse(line);
        EXPECT_EQ(record["full_path"], report::toUtf8(rows[n].fullPath));
        EXPECT_EQ(record["stream_name"], report::toUtf8(rows[n].name));
        EXPECT_EQ(record["preview"], report::toUtf8(rows[n].preview));
        EXPECT_EQ(record["size"], rows[n].size);
        EXPECT_EQ(record["source"], "C:\\");
        EXPECT_FALSE(record["created"].is_null()) << "the file's times, read as the console tool reads them";
    }
    EXPECT_EQ(n, rows.size());
    // The download mark decoded, as the console tool writes it.
    const std::string all = store.readData(L"C:\\out\\found.jsonl");
    const nlohmann::json mark = nlohmann::json::parse(all.substr(0, all.find('\n')));
    EXPECT_EQ(mark["zone"]["zone_id"], 3);
    EXPECT_EQ(mark["zone"]["fields"]["HostUrl"], "https://a.test/s.exe");
}

// RFC 4180 records: fields split at commas outside quotes, "" inside quotes for one quote, records
// ended by CR LF outside quotes. Fails the test on a malformed file.
std::vector<std::vector<std::string>> csvRecords(const std::string& text) {
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else if (c == ',') {
            record.push_back(std::move(field));
            field.clear();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            record.push_back(std::move(field));
            field.clear();
            records.push_back(std::move(record));
            record.clear();
            ++i;
        } else {
            EXPECT_NE(c, '"') << "a quote inside an unquoted field at byte " << i;
            field += c;
        }
    }
    EXPECT_FALSE(quoted) << "a quoted field never closed";
    EXPECT_TRUE(field.empty() && record.empty()) << "the last record is not ended by CR LF";
    return records;
}

TEST_F(ExportTest, CsvHasItsHeaderAndOneRecordPerStreamRowQuotedWhereNeeded) {
    fillTree();
    dialogs.answerSaveFile(L"C:\\out\\found", 1); // a name typed without an extension
    dialogs.answerButton(plat::IDOK);
    exportResults();
    const std::string csv = store.readData(L"C:\\out\\found.csv");
    ASSERT_EQ(csv.rfind("\xEF\xBB\xBF", 0), 0u) << "a byte-order mark";
    const std::vector<std::vector<std::string>> records = csvRecords(csv.substr(3));
    const std::vector<std::string> header{
        "source",      "file_path",   "stream_name",    "full_path",    "mft_entry",       "mft_sequence",
        "size",        "created",     "modified",       "attributes",   "preview",         "sha256",
        "si_created",  "si_modified", "si_accessed",    "si_changed",   "fn_created",      "fn_modified",
        "fn_accessed", "fn_changed",  "attribute_type", "attribute_id", "resident",        "sparse",
        "compressed",  "encrypted",   "allocated",      "deleted",      "clusters_reused", "hard_link_count",
        "file_id",     "zone_id",     "zone_name",      "referrer_url", "host_url",        "host_ip_address",
        "zone_fields", "kind",        "kind_text",      "verdict",      "reasons",         "entropy"};
    const auto column = [&](const std::string& name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) - header.begin());
    };
    const std::vector<TRow> rows = streamRows();
    ASSERT_EQ(records.size(), rows.size() + 1) << "the header and one record per stream row";
    EXPECT_EQ(records[0], header);
    for (std::size_t n = 0; n < rows.size(); ++n) {
        const std::vector<std::string>& record = records[n + 1];
        ASSERT_EQ(record.size(), header.size()) << "record " << n;
        EXPECT_EQ(record[column("source")], "C:\\");
        EXPECT_EQ(record[column("stream_name")], report::toUtf8(rows[n].name));
        EXPECT_EQ(record[column("full_path")], report::toUtf8(rows[n].fullPath));
        EXPECT_EQ(record[column("size")], std::to_string(rows[n].size)) << "sizes in full, past 4 GiB too";
        EXPECT_EQ(record[column("preview")], report::toUtf8(rows[n].preview));
        EXPECT_FALSE(record[column("created")].empty()) << "the file's creation time";
        EXPECT_FALSE(record[column("verdict")].empty()) << "every stream classified";
    }
    EXPECT_EQ(records[1][column("file_path")], "C:\\dl\\setup, new.exe")
        << "a comma kept inside its quoted field";
    EXPECT_EQ(records[1][column("zone_id")], "3") << "the download mark decoded";
    EXPECT_EQ(records[1][column("host_url")], "https://a.test/s.exe");
    EXPECT_EQ(records[4][column("size")], "5368709120");
}

// The name offered is "streams.csv"; a user who only picks JSON Lines gets "streams.jsonl" holding
// JSON Lines, not JSON Lines under a .csv name.
TEST_F(ExportTest, TheNameOfferedFollowsTheTypeChosen) {
    fillTree();
    dialogs.answerSaveFileType(L"C:\\out", 2);
    dialogs.answerButton(plat::IDOK);
    exportResults();
    ASSERT_EQ(dialogs.saveDialogs().size(), 1u);
    EXPECT_EQ(dialogs.saveDialogs()[0].fileName, L"streams.csv");
    EXPECT_EQ(store.entryNames(L"C:\\out"), std::vector<std::wstring>{L"streams.jsonl"});
    const std::string all = store.readData(L"C:\\out\\streams.jsonl");
    EXPECT_EQ(nlohmann::json::parse(all.substr(0, all.find('\n')))["stream_name"], "Zone.Identifier");

    // Other names are the user's own: only an extension of one of the types follows the type.
    const wchar_t filter[] = L"CSV (*.csv)\0*.csv\0JSON Lines (*.jsonl)\0*.jsonl\0All (*.*)\0*.*\0";
    const struct {
        const wchar_t* name;
        plat::DWORD type;
        const wchar_t* followed;
    } cases[] = {{L"streams.csv", 2, L"streams.jsonl"}, {L"C:\\a.b\\x.JSONL", 1, L"C:\\a.b\\x.csv"},
                 {L"notes.txt", 2, L"notes.txt"},       {L"streams", 2, L"streams"},
                 {L"C:\\a.csv\\x", 2, L"C:\\a.csv\\x"}, {L"streams.csv", 3, L"streams.csv"}};
    for (const auto& c : cases) {
        EXPECT_EQ(plat::nameForFileType(c.name, filter, c.type), c.followed) << report::toUtf8(c.name);
    }
}

TEST_F(ExportTest, NothingIsWrittenWithoutRowsOrAChoiceAndAFailureIsReported) {
    // An empty tree: the item is greyed and does nothing.
    EXPECT_FALSE(exportEnabled());
    w().ExportResults1Click();
    EXPECT_TRUE(dialogs.saveDialogs().empty());

    fillTree();
    dialogs.answerCancel();
    exportResults();
    EXPECT_EQ(store.entryNames(L"C:\\out"), std::vector<std::wstring>{});
    EXPECT_TRUE(dialogs.taskDialogs().empty());

    // A folder that is gone by the time the file is written.
    dialogs.answerSaveFile(L"C:\\gone\\found.csv", 1);
    dialogs.answerButton(plat::IDOK);
    exportResults();
    ASSERT_EQ(dialogs.taskDialogs().size(), 1u);
    EXPECT_EQ(dialogs.taskDialogs()[0].mainIcon, plat::TTaskDialogIcon::error);
    EXPECT_EQ(dialogs.taskDialogs()[0].content, L"Could not write C:\\gone\\found.csv with error=[3]");
}

// The file is written beside the chosen one and renamed into place at the end: a failure leaves a
// file already there as it was, and no unfinished copy; a copy an earlier run left behind is not
// touched.
TEST_F(ExportTest, AFailedExportLeavesTheChosenFileAsItWasAndNoUnfinishedCopy) {
    fillTree();
    const std::string before = "the export of last week";
    const struct {
        const char* what;
        std::function<void()> fault;
        bool fails;
        std::wstring outcome; // the task dialog's text
    } cases[] = {
        {"a full disk", [&] { store.setFreeSpace(L'C', 100); }, true,
         L"Could not write C:\\out\\found.csv with error=[112]; its unfinished copy was removed."},
        {"the rename refused",
         [&] { store.failCall(plat::store::TCall::MoveFileExW, 1, plat::ERROR_ACCESS_DENIED); }, true,
         L"Could not write C:\\out\\found.csv with error=[5]; its unfinished copy was removed."},
        {"nothing", [] {}, false, L"4 stream(s) written to:\r\nC:\\out\\found.csv"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        store.addFile(L"C:\\out\\found.csv", before);
        store.addFile(L"C:\\out\\found.csv.part", "left by a crash");
        c.fault();
        dialogs.answerSaveFile(L"C:\\out\\found.csv", 1);
        dialogs.answerButton(plat::IDOK);
        exportResults();
        store.setFreeSpace(L'C', UINT64_MAX);
        store.clearFaults();
        EXPECT_EQ(dialogs.taskDialogs().back().content, c.outcome);
        EXPECT_EQ(store.entryNames(L"C:\\out"), (std::vector<std::wstring>{L"found.csv", L"found.csv.part"}));
        EXPECT_EQ(store.readData(L"C:\\out\\found.csv.part"), "left by a crash");
        EXPECT_EQ(store.readData(L"C:\\out\\found.csv") == before, c.fails);
        EXPECT_EQ(w().alertTitle->caption(), L"Scan Complete!") << "the scan's outcome shows again";
        EXPECT_FALSE(w().jobRunning());
    }
    EXPECT_EQ(csvRecords(store.readData(L"C:\\out\\found.csv").substr(3)).size(), 5u)
        << "the last one replaced it";
}

// The export runs on its own thread with the busy panel, the stop button asks and stops it: the
// chosen name is never written, and the unfinished copy goes.
TEST_F(ExportTest, AStoppedExportWritesNothingUnderTheChosenName) {
    fillTree();
    store.addFile(L"C:\\out\\found.csv", "kept");
    // The worker waits, in the middle of its rows, until the user has answered the question.
    testsupport::TDoneSignal reached;
    testsupport::TDoneSignal answered;
    store.beforeCall(plat::store::TCall::CreateFileW, 3, [&] {
        reached.set();
        answered.waitFor(30s);
    });
    dialogs.answerSaveFile(L"C:\\out\\found.csv", 1);
    w().ExportResults1->click();
    ASSERT_TRUE(ui.serveUntil([&] { return reached.isSet(); }, 30s));
    ASSERT_TRUE(ui.serveUntil([&] { return w().FMode == amBusy; }, 30s));
    EXPECT_TRUE(w().btnStop->visible());
    EXPECT_EQ(w().btnStop->imageIndex(), kStopExport);
    EXPECT_EQ(w().alertTitle->caption(), L"Exporting Results");
    EXPECT_EQ(w().labelDetailL1->caption(), L"Exporting to: C:\\out\\found.csv");
    EXPECT_TRUE(store.exists(L"C:\\out\\found.csv.part")) << "written beside the chosen file";
    EXPECT_EQ(store.readData(L"C:\\out\\found.csv"), "kept");

    dialogs.answerButton(plat::IDYES);
    peerOf(*w().btnStop).click(5, 5);
    ASSERT_FALSE(dialogs.taskDialogs().empty());
    EXPECT_EQ(dialogs.taskDialogs().back().mainInstruction, L"Interupt Export");
    EXPECT_EQ(dialogs.taskDialogs().back().content,
              L"You are about to interrupt the current export, are you sure ?");
    dialogs.answerButton(plat::IDOK);
    answered.set();
    ASSERT_TRUE(ui.serveUntil([&] { return w().FExportResults == nullptr; }, 30s));
    ASSERT_TRUE(w().exportGone.waitFor(30s));

    const std::wstring said = dialogs.taskDialogs().back().content;
    EXPECT_EQ(said.rfind(L"The export was stopped after ", 0), 0u) << report::toUtf8(said);
    const std::wstring end =
        L" of 4 stream(s): C:\\out\\found.csv was not written; its unfinished copy was removed.";
    EXPECT_EQ(said.substr(said.size() - std::min(said.size(), end.size())), end) << report::toUtf8(said);
    EXPECT_EQ(store.entryNames(L"C:\\out"), std::vector<std::wstring>{L"found.csv"});
    EXPECT_EQ(store.readData(L"C:\\out\\found.csv"), "kept");
    EXPECT_EQ(w().FMode, amFinished);
    EXPECT_EQ(w().alertTitle->caption(), L"Scan Complete!");
}
