// The fault sweep: each scenario runs once while the store records every platform call it makes,
// then once per recorded call with exactly that call failing, with the error a real failure of it
// would give. Every run must end with its final step exactly once, leave no handle, search or backup
// context open, report nothing the store does not hold, change no file that existed, write no copy
// that differs from its source and delete no stream that was not checked.

#include "robust/RobustFixture.h"
#include "robust/WindowWorld.h"

#include "platform/DialogServices.h"
#include "platform/FileServices.h"
#include "streamops/UntKorvaneLibStreamOps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>
#include <set>

namespace robust {
namespace {

using plat::store::TLoggedCall;

struct TFault {
    std::uint64_t number;
    TLoggedCall call;
    plat::DWORD error;
};

std::string describe(const std::optional<TFault>& fault) {
    if (!fault) {
        return "no fault";
    }
    return "call " + std::to_string(fault->number) + " " + plat::store::callName(fault->call.call) + "(" +
           narrow(fault->call.path) + ") failing with " + std::to_string(fault->error);
}

// One run of a scenario in a world of its own: prepare, clear the call log, plan the fault, act and
// check. Answers the calls the run made.
using TRun = std::function<std::vector<TLoggedCall>(const std::optional<TFault>& fault)>;

struct TFigures {
    int runs = 0;
    int faults = 0;
};

TFigures gTotal;

// The reference run, then one run per call it made with that call failing. Stops after a few failing
// runs: one fault usually fails many runs alike.
TFigures sweep(const char* scenario, const TRun& run) {
    TFigures figures;
    const std::vector<TLoggedCall> reference = run(std::nullopt);
    ++figures.runs;
    if (testing::Test::HasFailure()) {
        return figures;
    }
    int failingRuns = 0;
    for (std::uint64_t number = 1; number <= reference.size(); ++number) {
        const TLoggedCall& call = reference[number - 1];
        const TFault fault{number, call, realisticError(call)};
        const int failuresBefore =
            testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
        const std::vector<TLoggedCall> calls = run(fault);
        ++figures.runs;
        ++figures.faults;
        // Exactly the planned call failed, and it is the call the reference run made at that point:
        // otherwise the fault hit another call, or none, and the run proves nothing about this one.
        std::vector<std::uint64_t> failed;
        for (std::uint64_t n = 1; n <= calls.size(); ++n) {
            if (calls[n - 1].failed) {
                failed.push_back(n);
            }
        }
        EXPECT_TRUE(failed == std::vector<std::uint64_t>{number} && calls[number - 1].call == call.call &&
                    calls[number - 1].path == call.path)
            << scenario << ": the fault planned for " << describe(fault) << " did not hit that call alone";
        if (testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count() !=
                failuresBefore &&
            ++failingRuns >= 5) {
            ADD_FAILURE() << "sweep of " << scenario << " stopped after 5 failing runs";
            break;
        }
    }
    std::printf("[ sweep    ] %s: %d calls recorded, %d runs, %d faults injected\n", scenario,
                static_cast<int>(reference.size()), figures.runs, figures.faults);
    gTotal.runs += figures.runs;
    gTotal.faults += figures.faults;
    return figures;
}

void planFault(TWorld& world, const std::optional<TFault>& fault) {
    world.store.clearCallLog();
    if (fault) {
        world.store.failCallNumber(fault->number, fault->error);
    }
}

// Changes between two snapshots.
struct TChanges {
    std::vector<std::wstring> added;
    std::vector<std::wstring> removed;
    std::vector<std::wstring> changed;
};

TChanges changesBetween(const TSnapshot& before, const TSnapshot& after) {
    TChanges changes;
    for (const auto& [path, bytes] : before) {
        auto it = after.find(path);
        if (it == after.end()) {
            changes.removed.push_back(path);
        } else if (it->second != bytes) {
            changes.changed.push_back(path);
        }
    }
    for (const auto& [path, bytes] : after) {
        if (before.count(path) == 0) {
            changes.added.push_back(path);
        }
    }
    return changes;
}

bool isDirectlyIn(const std::wstring& path, const std::wstring& folder) {
    return path.size() > folder.size() + 1 && path.compare(0, folder.size() + 1, folder + L"\\") == 0 &&
           path.find_first_of(L"\\:", folder.size() + 1) == std::wstring::npos;
}

// The name a copy of a stream may carry: the stream's safe file name, maybe numbered before its
// extension ("Zone(1).Identifier").
bool isNameForStream(const std::wstring& fileName, const std::wstring& streamName) {
    const std::wstring wanted = safeFileName(streamName);
    if (fileName == wanted) {
        return true;
    }
    const std::size_t dot = wanted.find_last_of(L'.');
    const std::wstring stem = dot == std::wstring::npos ? wanted : wanted.substr(0, dot);
    const std::wstring extension = dot == std::wstring::npos ? L"" : wanted.substr(dot);
    if (fileName.size() <= stem.size() + extension.size() + 2 ||
        fileName.compare(0, stem.size(), stem) != 0 ||
        fileName.compare(fileName.size() - extension.size(), extension.size(), extension) != 0) {
        return false;
    }
    const std::wstring number =
        fileName.substr(stem.size(), fileName.size() - stem.size() - extension.size()); // "(n)"
    return number.size() >= 3 && number.front() == L'(' && number.back() == L')' &&
           std::all_of(number.begin() + 1, number.end() - 1,
                       [](wchar_t c) { return c >= L'0' && c <= L'9'; });
}

// What the fixture holds before any run: the same in every world.
const TSnapshot& fixtureSnapshot() {
    static const TSnapshot content = [] {
        TSimStore store;
        fillFixture(store);
        return snapshot(store);
    }();
    return content;
}

// The reference scan's rows: what the window holds when the user starts a backup or a removal.
const std::vector<TStreamRow>& scannedRows() {
    static const std::vector<TStreamRow> rows = [] {
        TWorld world;
        return world.scanFullSystem().streams;
    }();
    return rows;
}

void checkScan(TWorld& world, const TScanOutcome& got, const TScanOutcome& reference, const TSnapshot& before,
               const std::optional<TFault>& fault) {
    ASSERT_TRUE(got.ended) << "the scan did not end";
    EXPECT_EQ(got.finished, 1);
    EXPECT_EQ(got.events.back(), L"scanFinished");
    EXPECT_EQ(world.store.openHandles(), 0);
    if (!fault || fault->call.call != TCall::SetErrorMode) {
        EXPECT_EQ(world.store.errorMode(), 0u) << "the critical-error mode is put back";
    }
    EXPECT_EQ(got.foundResults, static_cast<std::int64_t>(got.streams.size()));
    std::set<std::wstring> seen;
    for (const TStreamRow& row : got.streams) {
        const auto stored = before.find(row.path());
        ASSERT_NE(stored, before.end()) << "invented stream " << narrow(row.path());
        EXPECT_EQ(row.size, static_cast<std::int64_t>(stored->second.size())) << narrow(row.path());
        EXPECT_TRUE(seen.insert(row.path()).second) << "reported twice: " << narrow(row.path());
        const auto same = std::find_if(reference.streams.begin(), reference.streams.end(),
                                       [&](const TStreamRow& r) { return r.path() == row.path(); });
        ASSERT_NE(same, reference.streams.end()) << "reported without the fault only: " << narrow(row.path());
        EXPECT_TRUE(row.preview.empty() || row.preview == same->preview)
            << "preview of " << narrow(row.path()) << ": " << narrow(row.preview);
        EXPECT_TRUE((row.creation == L"n/a" && row.modification == L"n/a") ||
                    (row.creation == same->creation && row.modification == same->modification));
    }
    for (const std::wstring& file : got.files) {
        EXPECT_EQ(before.count(file), 1u) << "invented file " << narrow(file);
    }
    for (const std::wstring& folder : got.folders) {
        EXPECT_TRUE(world.store.isFolder(folder)) << "invented folder " << narrow(folder);
    }
    EXPECT_EQ(snapshot(world.store), before) << "a scan changes nothing";
}

TEST(FaultSweep, FullSystemScanSurvivesEveryFailingCall) {
    for (const bool streamFunctions : {true, false}) {
        SCOPED_TRACE(streamFunctions ? "stream listing functions" : "backup-read walk");
        TScanOutcome reference;
        const TFigures figures = sweep(streamFunctions ? "full-system scan (stream listing)"
                                                       : "full-system scan (backup-read walk)",
                                       [&](const std::optional<TFault>& fault) {
                                           SCOPED_TRACE(describe(fault));
                                           TWorld world(streamFunctions);
                                           const TSnapshot& before = fixtureSnapshot();
                                           planFault(world, fault);
                                           const TScanOutcome got = world.scanFullSystem();
                                           if (!fault) {
                                               reference = got;
                                           }
                                           checkScan(world, got, reference, before, fault);
                                           return world.store.callLog();
                                       });
        if (!HasFailure()) {
            // The reference scan found what the fixture holds (the folder's stream too): both walks
            // see the same streams, but the backup-read walk leaves out empty ones.
            EXPECT_EQ(reference.streams.size(), streamFunctions ? 15u : 14u);
            EXPECT_EQ(reference.folders, std::vector<std::wstring>{L"C:\\Data\\Tagged"});
            EXPECT_GT(figures.faults, 100);
        }
    }
}

struct TBulkRun {
    bool backup = true;
    bool ended = false;
    std::vector<std::wstring> rowsBefore;
    std::vector<std::wstring> checked;
    TSnapshot before;
};

void checkBulkRun(TWindowWorld& world, const TBulkRun& run) {
    TWatchedMain& window = *world.window;
    EXPECT_TRUE(run.ended) << "the run did not end";
    EXPECT_EQ(window.backupFinishedCount, 1);
    EXPECT_EQ(window.FBackupADS, nullptr) << "the window lets go of the run";
    EXPECT_EQ(world.store.openHandles(), 0);
    EXPECT_TRUE(world.unscripted.empty()) << narrow(world.unscripted.front());
    EXPECT_EQ(window.finalState.totalCount, static_cast<std::int32_t>(run.checked.size()));
    const TSnapshot after = snapshot(world.store);
    const TChanges changes = changesBetween(run.before, after);
    EXPECT_TRUE(changes.changed.empty()) << "changed: " << narrow(changes.changed.front());
    if (run.backup) {
        EXPECT_TRUE(changes.removed.empty()) << "removed: " << narrow(changes.removed.front());
        std::set<std::wstring> copied;
        for (const std::wstring& added : changes.added) {
            ASSERT_TRUE(isDirectlyIn(added, kDestination)) << "written outside: " << narrow(added);
            // The copy's bytes tell its source: no two streams of the fixture hold the same.
            const std::string& bytes = after.at(added);
            const auto source =
                std::find_if(run.checked.begin(), run.checked.end(),
                             [&](const std::wstring& path) { return run.before.at(path) == bytes; });
            ASSERT_NE(source, run.checked.end()) << "a copy of no checked stream: " << narrow(added);
            const std::wstring streamName = source->substr(source->find(L':', 2) + 1);
            EXPECT_TRUE(isNameForStream(added.substr(kDestination.size() + 1), streamName))
                << narrow(added) << " holds " << narrow(*source);
            EXPECT_TRUE(copied.insert(*source).second) << "copied twice: " << narrow(*source);
        }
        EXPECT_EQ(window.finalState.succeed, static_cast<std::int32_t>(changes.added.size()))
            << "every copy counted, and only complete ones";
        EXPECT_EQ(window.streamPaths(), run.rowsBefore) << "a backup leaves the rows";
        return;
    }
    EXPECT_TRUE(changes.added.empty()) << "added: " << narrow(changes.added.front());
    for (const std::wstring& removed : changes.removed) {
        EXPECT_NE(std::find(run.checked.begin(), run.checked.end(), removed), run.checked.end())
            << "deleted without being checked: " << narrow(removed);
    }
    EXPECT_EQ(window.finalState.succeed, static_cast<std::int32_t>(changes.removed.size()));
    // Every stream still on the disk keeps its row; every deleted one lost it.
    std::vector<std::wstring> expectedRows;
    for (const std::wstring& path : run.rowsBefore) {
        if (std::find(changes.removed.begin(), changes.removed.end(), path) == changes.removed.end()) {
            expectedRows.push_back(path);
        }
    }
    EXPECT_EQ(window.streamPaths(), expectedRows);
    for (const std::wstring& file : window.filePaths()) {
        const bool hasRow = std::any_of(expectedRows.begin(), expectedRows.end(), [&](const std::wstring& p) {
            return p.compare(0, file.size() + 1, file + L":") == 0;
        });
        EXPECT_TRUE(hasRow) << "file row left without streams: " << narrow(file);
    }
}

// A backup (to the destination) or a removal of every checked row but two, started from the
// window's toolbar.
void sweepBulkRun(bool backup) {
    const std::vector<std::wstring> unchecked = {L"C:\\Users\\Ann\\Downloads\\tool.zip:extra",
                                                 L"E:\\photo.jpg:thumb"};
    // Made in worlds of their own, before this one.
    const std::vector<TStreamRow>& rows = scannedRows();
    fixtureSnapshot();
    sweep(backup ? "bulk backup" : "bulk removal", [&](const std::optional<TFault>& fault) {
        SCOPED_TRACE(describe(fault));
        TWindowWorld world;
        TWatchedMain& window = *world.window;
        window.addRows(rows);
        for (const std::wstring& path : unchecked) {
            window.VST->setCheckState(window.row(path), TCheckState::csUncheckedNormal);
        }
        if (backup) {
            world.dialogs.answerFolder(kDestination);
        } else {
            world.dialogs.answerButton(plat::IDYES);
        }
        TBulkRun run;
        run.backup = backup;
        run.rowsBefore = window.streamPaths();
        run.checked = window.streamPaths(true);
        run.before = fixtureSnapshot();
        planFault(world, fault);
        world.click(backup ? &TFrmMain::btnBackupClick : &TFrmMain::btnDeleteClick);
        run.ended = window.runGone.waitFor(std::chrono::seconds(30));
        std::vector<TLoggedCall> calls = world.store.callLog();
        checkBulkRun(world, run);
        return calls;
    });
}

TEST(FaultSweep, BulkBackupSurvivesEveryFailingCall) {
    sweepBulkRun(true);
}

TEST(FaultSweep, BulkRemovalSurvivesEveryFailingCall) {
    sweepBulkRun(false);
}

struct TSingleRun {
    std::wstring source;
    std::wstring doomed;
    bool faulted = false;
};

void checkSingleStream(TWindowWorld& world, const TSnapshot& before, const TSingleRun& run) {
    EXPECT_EQ(world.store.openHandles(), 0);
    EXPECT_TRUE(world.unscripted.empty()) << narrow(world.unscripted.front());
    const std::vector<std::wstring> dialogs = world.shownDialogs();
    ASSERT_GE(dialogs.size(), 2u);
    const TSnapshot after = snapshot(world.store);
    const TChanges changes = changesBetween(before, after);
    EXPECT_TRUE(changes.changed.empty()) << "changed: " << narrow(changes.changed.front());

    // The backup: reported saved exactly when a complete copy is there, under a free name.
    const std::wstring savedAt = L"Backup ADS File | ADS File successfully backupped at :\r\n";
    if (dialogs[0].rfind(savedAt, 0) == 0) {
        ASSERT_EQ(changes.added.size(), 1u);
        EXPECT_EQ(dialogs[0].substr(savedAt.size()), changes.added.front()) << "the file written is named";
        EXPECT_EQ(changes.added.front(), kDestination + L"\\notes(1)") << "the file there is kept";
        EXPECT_EQ(after.at(changes.added.front()), before.at(run.source));
    } else {
        EXPECT_EQ(dialogs[0].rfind(L"Backup ADS File | Could not backup ADS File with error=[", 0), 0u)
            << narrow(dialogs[0]);
        EXPECT_TRUE(changes.added.empty()) << "a failed copy leaves " << narrow(changes.added.front());
        EXPECT_TRUE(run.faulted) << "the copy fails only through the fault";
    }

    // The removal: reported removed exactly when the stream is gone, and only that stream.
    const bool reportedRemoved =
        std::find(dialogs.begin(), dialogs.end(), L"Delete ADS File | ADS File successfully removed!") !=
        dialogs.end();
    if (reportedRemoved) {
        EXPECT_EQ(changes.removed, std::vector<std::wstring>{run.doomed});
        EXPECT_EQ(world.window->row(run.doomed), nullptr) << "the row goes with the stream";
    } else {
        EXPECT_TRUE(changes.removed.empty());
        EXPECT_NE(world.window->row(run.doomed), nullptr) << "the row stays with the stream";
        EXPECT_TRUE(run.faulted);
    }
}

// The single-stream commands of the window's tree menu: save the focused stream into a folder where
// a file of its name exists, then delete another one.
TEST(FaultSweep, SingleStreamBackupAndDeleteSurviveEveryFailingCall) {
    TSingleRun run;
    run.source = L"E:\\photo.jpg:notes";
    run.doomed = L"C:\\Users\\Ann\\report.txt:bin";
    std::vector<TStreamRow> rows;
    for (const TStreamRow& row : scannedRows()) {
        if (row.path() == run.source || row.path() == run.doomed) {
            rows.push_back(row);
        }
    }
    ASSERT_EQ(rows.size(), 2u);
    const TSnapshot& before = fixtureSnapshot();
    sweep("single-stream backup and delete", [&](const std::optional<TFault>& fault) {
        SCOPED_TRACE(describe(fault));
        TWindowWorld world;
        world.window->addRows(rows);
        world.dialogs.answerFolder(kDestination);
        world.dialogs.answerButton(plat::IDOK);
        world.dialogs.answerButton(plat::IDYES);
        world.dialogs.answerButton(plat::IDOK);
        planFault(world, fault);
        world.window->VST->setFocusedNode(world.window->row(run.source));
        world.click(&TFrmMain::BackupselectedADS1Click);
        world.window->VST->setFocusedNode(world.window->row(run.doomed));
        world.click(&TFrmMain::DeleteselectedADS1Click);
        std::vector<TLoggedCall> calls = world.store.callLog();
        run.faulted = fault.has_value();
        checkSingleStream(world, before, run);
        return calls;
    });
}

// The sweep's figures for the whole test program, printed once every test has run: a report, not a
// test.
class TSweepReport : public testing::Environment {
public:
    void TearDown() override {
        if (gTotal.runs > 0) {
            std::printf("[ sweep    ] total: %d runs, %d faults injected\n", gTotal.runs, gTotal.faults);
        }
    }
};

[[maybe_unused]] testing::Environment* const kSweepReport =
    testing::AddGlobalTestEnvironment(new TSweepReport);

} // namespace
} // namespace robust
