// The backup and removal thread over the simulated store, with a window stand-in that records every
// notification and owns the results tree.

#include "BackupFixture.h"

#include "platform/FileServices.h"
#include "streamops/UntKorvaneLibStreamOps.h"
#include "support/StoreLinks.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <new>
#include <stdexcept>

using plat::store::TCall;

namespace backuptest {
namespace {

const std::string kZone = "[ZoneTransfer]\r\nZoneId=3\r\n";

TEST_F(BackupTest, BackupSavesEveryCheckedStreamUnderAFreeNameAndReportsEachOne) {
    addFile(L"C:\\Downloads\\setup.exe", {{L"Zone.Identifier", kZone}, {L"notes", "first notes"}});
    addFile(L"C:\\Downloads\\photo.jpg", {{L"Zone.Identifier", "ZoneId=4"}});
    addFile(L"C:\\docs\\report.txt", {{L"kept", "not checked"}});
    uncheck(L"C:\\docs\\report.txt:kept");

    backup();
    EXPECT_EQ(events(), (std::vector<std::wstring>{
                            L"starting Backuping 0/3 to [D:\\Saved]",
                            L"Backuping: C:\\Downloads\\setup.exe:Zone.Identifier | Destination: D:\\Saved",
                            L"Backuping: C:\\Downloads\\setup.exe:notes | Destination: D:\\Saved",
                            L"Backuping: C:\\Downloads\\photo.jpg:Zone.Identifier | Destination: D:\\Saved",
                            L"finished Backup 3/3 Backuped",
                        }))
        << "fewer than 100 streams: no progress step; the unchecked row is not visited";
    EXPECT_EQ(store.entryNames(L"D:\\Saved"),
              (std::vector<std::wstring>{L"notes", L"Zone(1).Identifier", L"Zone.Identifier"}));
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone.Identifier"), kZone);
    EXPECT_EQ(store.readData(L"D:\\Saved\\notes"), "first notes");
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone(1).Identifier"), "ZoneId=4");
    // Saving changes nothing at the source, and the rows stay.
    EXPECT_EQ(store.streamNames(L"C:\\Downloads\\setup.exe"),
              (std::vector<std::wstring>{L"notes", L"Zone.Identifier"}));
    EXPECT_EQ(window.rowsAtFinish.size(), 7u);
}

TEST_F(BackupTest, ExistingFilesInTheDestinationAreNeverOverwritten) {
    store.addFile(L"D:\\Saved\\Zone.Identifier", "older copy");
    store.addFile(L"D:\\Saved\\Zone(1).Identifier", "another older copy");
    addFile(L"C:\\a.exe", {{L"Zone.Identifier", kZone}});
    backup(L"D:\\Saved\\"); // the trailing backslash is not doubled
    EXPECT_EQ(lastEvent(), L"finished Backup 1/1 Backuped");
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone.Identifier"), "older copy");
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone(1).Identifier"), "another older copy");
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone(2).Identifier"), kZone);
}

TEST_F(BackupTest, StreamsOfOneNameTakeTheNextFreeNumbersInOnePass) {
    store.addFile(L"D:\\Saved\\Zone(2).Identifier", "older");
    store.addFile(L"D:\\Saved\\notes", "older notes");
    for (int i = 0; i < 5; ++i) {
        addFile(L"C:\\f" + std::to_wstring(i) + L".exe", {{L"Zone.Identifier", "zone " + std::to_string(i)},
                                                          {L"notes", "notes " + std::to_string(i)}});
    }
    backup();
    EXPECT_EQ(lastEvent(), L"finished Backup 10/10 Backuped");
    EXPECT_EQ(
        store.entryNames(L"D:\\Saved"),
        (std::vector<std::wstring>{L"notes", L"notes(1)", L"notes(2)", L"notes(3)", L"notes(4)", L"notes(5)",
                                   L"Zone(1).Identifier", L"Zone(2).Identifier", L"Zone(3).Identifier",
                                   L"Zone(4).Identifier", L"Zone(5).Identifier", L"Zone.Identifier"}));
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone.Identifier"), "zone 0");
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone(1).Identifier"), "zone 1");
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone(2).Identifier"), "older");
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone(3).Identifier"), "zone 2");
    EXPECT_EQ(store.readData(L"D:\\Saved\\notes(5)"), "notes 4");
}

TEST_F(BackupTest, SavingManyDownloadMarksLooksUpEachNameOnlyAFewTimes) {
    constexpr int kMarks = 300;
    for (int i = 0; i < kMarks; ++i) {
        addFile(L"C:\\d\\f" + std::to_wstring(i) + L".exe", {{L"Zone.Identifier", "z"}});
    }
    store.clearCallLog();
    backup();
    EXPECT_EQ(lastEvent(), L"finished Backup 300/300 Backuped");
    EXPECT_TRUE(store.exists(L"D:\\Saved\\Zone(299).Identifier"));
    int lookUps = 0;
    for (const plat::store::TLoggedCall& call : store.callLog()) {
        lookUps += call.call == TCall::GetFileAttributesW ? 1 : 0;
    }
    // Testing every number from 1 again for each mark would take about 45,000.
    EXPECT_LT(lookUps, 5 * kMarks);
}

TEST_F(BackupTest, ALinksRowsSaveAndDeleteTheLinksOwnStreamsNeverItsTargets) {
    const testsupport::TStoreLinks links(store, L"C:\\links");
    window.addFile(links.junction, {L"x"});
    window.addFile(links.fileLink, {L"x"});
    backup();
    EXPECT_EQ(lastEvent(), L"finished Backup 2/2 Backuped");
    EXPECT_EQ(store.readData(L"D:\\Saved\\x"), "junction's");
    EXPECT_EQ(store.readData(L"D:\\Saved\\x(1)"), "file link's");

    removal();
    EXPECT_FALSE(store.exists(links.junction + L":x"));
    EXPECT_FALSE(store.exists(links.fileLink + L":x"));
    EXPECT_EQ(store.readData(links.targetFolder + L":x"), "target folder's");
    EXPECT_EQ(store.readData(links.targetFile + L":x"), "target file's");
}

TEST_F(BackupTest, NothingCheckedRunsTheStartAndFinishStepsWithZeroOfZero) {
    addFile(L"C:\\a.txt", {{L"s", "x"}});
    addFile(L"C:\\b.txt", {{L"t", "y"}});
    window.tree.uncheckAll();
    // A file row checked on its own (its streams unchecked) is no stream to save.
    window.tree.setCheckState(window.find(L"C:\\b.txt"), TCheckState::csCheckedNormal);
    window.tree.setCheckState(window.find(L"C:\\b.txt:t"), TCheckState::csUncheckedNormal);
    window.tree.setCheckState(window.find(L"C:\\a.txt:s"), TCheckState::csMixedNormal);
    for (const bool isBackup : {true, false}) {
        window.events.clear();
        run(isBackup, isBackup ? L"D:\\Saved" : L"");
        EXPECT_EQ(events(),
                  (std::vector<std::wstring>{
                      isBackup ? L"starting Backuping 0/0 to [D:\\Saved]" : L"starting Removing 0/0 to []",
                      isBackup ? L"finished Backup 0/0 Backuped" : L"finished Cleanning 0/0 Removed",
                  }));
    }
    EXPECT_TRUE(store.entryNames(L"D:\\Saved").empty());
    EXPECT_EQ(window.rows().size(), 4u) << "a removal with nothing checked keeps every row";
}

TEST_F(BackupTest, RemovalDeletesCheckedStreamsAndTheRowsOfFilesLeftWithout) {
    addFile(L"C:\\a.txt", {{L"one", "1"}, {L"two", "2"}});
    addFile(L"C:\\b.txt", {{L"kept", "k"}, {L"gone", "g"}});
    addFile(L"C:\\c.txt", {{L"last", "l"}});
    uncheck(L"C:\\b.txt:kept");
    // The rows of deleted streams leave the tree during the walk; the file rows left empty at the end.
    std::vector<std::wstring> rowsWhenCStarts;
    window.onEvent = [&](const std::wstring& event) {
        if (event.find(L"c.txt:last") != std::wstring::npos) {
            rowsWhenCStarts = window.rows();
        }
    };
    removal();
    EXPECT_EQ(events(), (std::vector<std::wstring>{
                            L"starting Removing 0/4 to []",
                            L"Removing: C:\\a.txt:one | Destination: ",
                            L"Removing: C:\\a.txt:two | Destination: ",
                            L"Removing: C:\\b.txt:gone | Destination: ",
                            L"Removing: C:\\c.txt:last | Destination: ",
                            L"finished Cleanning 4/4 Removed",
                        }));
    EXPECT_EQ(rowsWhenCStarts, (std::vector<std::wstring>{L"C:\\a.txt", L"C:\\b.txt", L"  C:\\b.txt:kept",
                                                          L"C:\\c.txt", L"  C:\\c.txt:last"}));
    EXPECT_EQ(window.rowsAtFinish, (std::vector<std::wstring>{L"C:\\b.txt", L"  C:\\b.txt:kept"}));
    EXPECT_TRUE(store.streamNames(L"C:\\a.txt").empty());
    EXPECT_EQ(store.streamNames(L"C:\\b.txt"), (std::vector<std::wstring>{L"kept"}));
    EXPECT_TRUE(store.exists(L"C:\\a.txt")) << "only the streams go, never the file";
}

TEST_F(BackupTest, StreamNamesAreMadeSafeFileNamesInsideTheFolder) {
    addFile(L"C:\\odd.bin", {{L"CON", "device name"},
                             {L"lpt3.log", "device name with an extension"},
                             {L"a*b?c|d\"e<f>g", "wildcards"},
                             {L"?", "a wildcard alone"},
                             {std::wstring(L"bell\x07"), "a control character"}});
    backup();
    EXPECT_EQ(lastEvent(), L"finished Backup 5/5 Backuped");
    EXPECT_EQ(store.entryNames(L"D:\\Saved"),
              (std::vector<std::wstring>{L"a_b_c_d_e_f_g", L"bell_", L"_", L"_CON", L"_lpt3.log"}));
    EXPECT_EQ(store.readData(L"D:\\Saved\\_CON"), "device name");
    EXPECT_EQ(store.readData(L"D:\\Saved\\_"), "a wildcard alone");
}

// A stream that cannot be saved or removed is skipped silently: the run goes on with the next one
// and only the final count shows it. Every case makes C:\a.txt:big (three blocks) fail and leaves
// C:\b.txt:small alone.
struct TFailureCase {
    const char* what;
    bool backup;
    std::function<void(plat::store::TSimStore&)> arrange;
    std::wstring finished;
    // Backup: the files in the destination folder; removal: the rows left.
    std::vector<std::wstring> after;
};

class BackupFailureTest : public BackupTest, public testing::WithParamInterface<TFailureCase> {};

const std::vector<std::wstring> kOnlySmallSaved{L"small"};
const std::vector<std::wstring> kBigRowKept{L"C:\\a.txt", L"  C:\\a.txt:big"};

const TFailureCase kFailureCases[] = {
    {"source held by another program without read sharing", true,
     [](auto& s) { s.holdOpen(L"C:\\a.txt:big", plat::GENERIC_WRITE, plat::FILE_SHARE_WRITE); },
     L"finished Backup 1/2 Backuped", kOnlySmallSaved},
    {"source access denied", true, [](auto& s) { s.denyAccess(L"C:\\a.txt:big"); },
     L"finished Backup 1/2 Backuped", kOnlySmallSaved},
    {"source gone since the scan", true, [](auto& s) { s.DeleteFileW(L"C:\\a.txt:big"); },
     L"finished Backup 1/2 Backuped", kOnlySmallSaved},
    {"destination full after the first block", true, [](auto& s) { s.setFreeSpace(L'D', 10000); },
     L"finished Backup 1/2 Backuped", kOnlySmallSaved},
    {"write failing on the second block", true,
     [](auto& s) { s.failCall(TCall::WriteFile, 2, plat::ERROR_HANDLE_DISK_FULL); },
     L"finished Backup 1/2 Backuped", kOnlySmallSaved},
    {"memory running out while the second block is written", true,
     [](auto& s) { s.beforeCall(TCall::WriteFile, 2, [] { throw std::bad_alloc(); }); },
     L"finished Backup 1/2 Backuped", kOnlySmallSaved},
    {"read failing on the second block", true,
     [](auto& s) { s.failCall(TCall::ReadFile, 2, plat::ERROR_DEVICE_REMOVED); },
     L"finished Backup 1/2 Backuped", kOnlySmallSaved},
    {"destination already taken by a folder of the stream's name", true,
     [](auto& s) { s.addFolder(L"D:\\Saved\\big"); }, L"finished Backup 1/2 Backuped",
     std::vector<std::wstring>{L"big", L"small"}},
    {"stream in use by another program", false,
     [](auto& s) { s.holdOpen(L"C:\\a.txt:big", plat::GENERIC_READ, plat::FILE_SHARE_READ); },
     L"finished Cleanning 1/2 Removed", kBigRowKept},
    {"stream access denied", false, [](auto& s) { s.denyAccess(L"C:\\a.txt:big"); },
     L"finished Cleanning 1/2 Removed", kBigRowKept},
    {"stream gone since the scan", false, [](auto& s) { s.DeleteFileW(L"C:\\a.txt:big"); },
     L"finished Cleanning 1/2 Removed", kBigRowKept},
};

TEST_P(BackupFailureTest, IsSkippedAndLowersTheCount) {
    const TFailureCase& c = GetParam();
    std::string big(20000, 'b');
    big[9216] = 'X'; // the second block differs from the first
    addFile(L"C:\\a.txt", {{L"big", big}});
    addFile(L"C:\\b.txt", {{L"small", "small data"}});
    c.arrange(store);
    run(c.backup, c.backup ? L"D:\\Saved" : L"");
    store.clearFaults();
    EXPECT_EQ(lastEvent(), c.finished);
    if (c.backup) {
        EXPECT_EQ(store.entryNames(L"D:\\Saved"), c.after) << "no partial or empty copy is left behind";
        EXPECT_EQ(store.readData(L"D:\\Saved\\small"), "small data");
    } else {
        EXPECT_EQ(window.rowsAtFinish, c.after);
        EXPECT_TRUE(store.streamNames(L"C:\\b.txt").empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, BackupFailureTest, testing::ValuesIn(kFailureCases),
                         [](const testing::TestParamInfo<TFailureCase>& info) {
                             std::string name;
                             for (const char* p = info.param.what; *p != '\0'; ++p) {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

TEST_F(BackupTest, ADestinationFolderRemovedDuringTheRunFailsEveryFollowingCopy) {
    addFile(L"C:\\a.txt", {{L"s", "a"}});
    addFile(L"C:\\b.txt", {{L"s", "b"}});
    addFile(L"C:\\c.txt", {{L"s", "c"}});
    window.onEvent = [&](const std::wstring& event) {
        if (event.find(L"C:\\b.txt:s") != std::wstring::npos) {
            store.DeleteFileW(L"D:\\Saved\\s");
            ASSERT_TRUE(store.RemoveDirectoryW(L"D:\\Saved"));
        }
    };
    backup();
    EXPECT_EQ(events().size(), 5u) << "every stream is still visited";
    EXPECT_EQ(lastEvent(), L"finished Backup 1/3 Backuped");
    EXPECT_FALSE(store.exists(L"D:\\Saved"));
}

TEST_F(BackupTest, AStopDuringALongCopyEndsItAfterTheBlockAndRemovesThePartialFile) {
    addFile(L"C:\\a.iso", {{L"huge", "head"}});
    store.setDataSize(L"C:\\a.iso:huge", 4 * 1024 * 1024);
    addFile(L"C:\\b.txt", {{L"next", "never reached"}});
    store.clearCallLog();
    store.beforeCall(TCall::ReadFile, 3, [&] { window.stopRun(); });
    backup();
    EXPECT_EQ(events(), (std::vector<std::wstring>{
                            L"starting Backuping 0/2 to [D:\\Saved]",
                            L"Backuping: C:\\a.iso:huge | Destination: D:\\Saved",
                            L"finished Backup 0/2 Backuped",
                        }))
        << "a stopped run ends with the same texts as a completed one, with the counts reached";
    int reads = 0;
    for (const plat::store::TLoggedCall& call : store.callLog()) {
        reads += call.call == TCall::ReadFile ? 1 : 0;
    }
    EXPECT_EQ(reads, 3) << "the copy ends after the block it was in";
    EXPECT_TRUE(store.entryNames(L"D:\\Saved").empty())
        << "the partial copy does not pass for a saved stream";
}

TEST_F(BackupTest, AStopAfterTheLastBlockKeepsTheCompleteCopyAndCountsIt) {
    // Two blocks; the stop comes while the second and last one is read.
    std::string data(kStreamCopyBlockSize + 100, 'x');
    data.back() = 'z';
    addFile(L"C:\\a.bin", {{L"two", data}});
    addFile(L"C:\\b.txt", {{L"next", "never reached"}});
    store.beforeCall(TCall::ReadFile, 2, [&] { window.stopRun(); });
    backup();
    EXPECT_EQ(lastEvent(), L"finished Backup 1/2 Backuped") << "every byte was written: the copy is saved";
    EXPECT_EQ(store.entryNames(L"D:\\Saved"), (std::vector<std::wstring>{L"two"}));
    EXPECT_EQ(store.readData(L"D:\\Saved\\two"), data);
}

TEST_F(BackupTest, AStoppedRemovalTakesOutTheRowsOfWhatItDeletedAndEndsWithTheCountReached) {
    for (int i = 0; i < 5; ++i) {
        addFile(L"C:\\f" + std::to_wstring(i) + L".txt", {{L"s", "x"}});
    }
    // The stop comes while the third stream is being announced: it is still deleted, the fourth is
    // not reached.
    window.onEvent = [&](const std::wstring& event) {
        if (event.find(L"f2.txt:s") != std::wstring::npos) {
            window.stopRun();
        }
    };
    removal();
    EXPECT_EQ(lastEvent(), L"finished Cleanning 3/5 Removed");
    EXPECT_EQ(window.rowsAtFinish, (std::vector<std::wstring>{L"C:\\f3.txt", L"  C:\\f3.txt:s", L"C:\\f4.txt",
                                                              L"  C:\\f4.txt:s"}));
    EXPECT_TRUE(store.streamNames(L"C:\\f2.txt").empty());
    EXPECT_EQ(store.streamNames(L"C:\\f3.txt"), (std::vector<std::wstring>{L"s"}));
}

TEST_F(BackupTest, ProgressIsReportedEveryHundredStreams) {
    for (const bool isBackup : {true, false}) {
        window.tree.clear();
        window.events.clear();
        for (int f = 0; f < 25; ++f) {
            const std::wstring file =
                L"C:\\many\\" + std::wstring(isBackup ? L"b" : L"r") + std::to_wstring(f);
            std::vector<std::pair<std::wstring, std::string>> streams;
            for (int s = 0; s < 10; ++s) {
                streams.emplace_back(L"s" + std::to_wstring(f * 10 + s), "data");
            }
            addFile(file, streams);
        }
        run(isBackup, isBackup ? L"D:\\Saved" : L"");
        const std::vector<std::wstring> all = events();
        std::vector<std::wstring> progress;
        std::copy_if(all.begin(), all.end(), std::back_inserter(progress),
                     [](const std::wstring& e) { return e.rfind(L"progress", 0) == 0; });
        const std::wstring done = isBackup ? L" Backuped" : L" Removed";
        EXPECT_EQ(progress,
                  (std::vector<std::wstring>{L"progress 100/250" + done, L"progress 200/250" + done}));
        EXPECT_EQ(lastEvent(),
                  isBackup ? L"finished Backup 250/250 Backuped" : L"finished Cleanning 250/250 Removed");
        EXPECT_EQ(window.rows().size(), isBackup ? 275u : 0u);
    }
    EXPECT_EQ(store.entryNames(L"D:\\Saved").size(), 250u);
}

TEST_F(BackupTest, ProgressCountsProcessedStreamsButShowsTheSavedOnes) {
    for (int i = 0; i < 120; ++i) {
        addFile(L"C:\\f" + std::to_wstring(i) + L".txt", {{L"s", "x"}});
    }
    store.denyAccess(L"C:\\f7.txt:s");
    backup();
    const std::vector<std::wstring> all = events();
    EXPECT_NE(std::find(all.begin(), all.end(), L"progress 99/120 Backuped"), all.end());
    EXPECT_EQ(lastEvent(), L"finished Backup 119/120 Backuped");
}

TEST_F(BackupTest, AnErrorInANotificationEndsTheWalkWithTheFinishStep) {
    addFile(L"C:\\a.txt", {{L"s", "a"}});
    addFile(L"C:\\b.txt", {{L"s", "b"}});
    addFile(L"C:\\c.txt", {{L"s", "c"}});
    window.onEvent = [&](const std::wstring& event) {
        if (event.find(L"C:\\b.txt:s") != std::wstring::npos) {
            throw std::runtime_error("the window failed");
        }
    };
    removal();
    EXPECT_EQ(lastEvent(), L"finished Cleanning 1/3 Removed");
    EXPECT_EQ(window.rowsAtFinish,
              (std::vector<std::wstring>{L"C:\\b.txt", L"  C:\\b.txt:s", L"C:\\c.txt", L"  C:\\c.txt:s"}));
}

TEST_F(BackupTest, RunsWithRedirectionOffAndSwitchesItBackOn) {
    addFile(L"C:\\Windows\\System32\\drivers\\etc\\hosts", {{L"s", "a"}});
    addFile(L"C:\\b.txt", {{L"t", "b"}});
    std::vector<int> offDuringDeletes;
    store.beforeCall(TCall::DeleteFileW, 0, [&] { offDuringDeletes.push_back(store.redirectionOffCount()); });
    store.clearCallLog();
    removal();
    EXPECT_EQ(offDuringDeletes, (std::vector<int>{1, 1}));
    int off = 0;
    int on = 0;
    for (const plat::store::TLoggedCall& call : store.callLog()) {
        off += call.call == TCall::Wow64DisableWow64FsRedirection ? 1 : 0;
        on += call.call == TCall::Wow64EnableWow64FsRedirection ? 1 : 0;
    }
    EXPECT_EQ(off, 1);
    EXPECT_EQ(on, 1);
}
} // namespace
} // namespace backuptest
