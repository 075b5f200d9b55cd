// Hostile names and contents through scan, preview, save and delete: names that Windows paths
// bend (control characters, wildcards, trailing dots and spaces, device names, the longest name,
// case twins), paths past the classic limit, files that vanish mid-scan, streams that change during
// a copy, and a stream of 5 GiB.

#include "robust/RobustFixture.h"
#include "robust/WindowWorld.h"

#include "platform/DialogServices.h"
#include "platform/FileServices.h"
#include "platform/WinPath.h"
#include "stream/UntKorvaneLib.h"
#include "streamops/UntKorvaneLibStreamOps.h"
#include "system/UntKorvaneLib.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace robust {
namespace {

using plat::store::TLoggedCall;

const std::wstring kFolder = L"C:\\Hostile";

// A world with the drives and the destination folder only.
class HostileTest : public testing::Test {
protected:
    void makeWorld(bool streamFunctions = true) {
        world = std::make_unique<TWorld>(streamFunctions, false);
        world->store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        world->store.addDrive(L'D', plat::DRIVE_FIXED, L"Data", L"NTFS");
        world->store.addFolder(kDestination);
    }
    void TearDown() override {
        if (world) {
            EXPECT_EQ(world->store.openHandles(), 0);
        }
    }
    // Backs up (or removes) every row of the scan but the unchecked ones.
    TBackupWindow& bulk(const TScanOutcome& scanned, bool backup,
                        const std::vector<std::wstring>& unchecked = {}) {
        window = std::make_unique<TBackupWindow>();
        window->addRows(scanned.streams);
        for (const std::wstring& path : unchecked) {
            window->uncheck(path);
        }
        EXPECT_TRUE(world->runBackup(*window, backup ? kDestination : L""));
        EXPECT_EQ(window->finished, 1);
        return *window;
    }

    std::unique_ptr<TWorld> world;
    std::unique_ptr<TBackupWindow> window;
};

// Readable content unique to each stream, shorter than the preview length.
std::string contentOf(const std::wstring& name) {
    return "data " + std::to_string(std::hash<std::wstring>{}(name) % 100000);
}

TEST_F(HostileTest, HostileStreamNamesAreListedPreviewedSavedAndDeletedAsThemselves) {
    const std::vector<std::wstring> names = {
        L"\x05SummaryInformation", L"a?b*c\"d<e>f|g", L"x.",        L"x", L"y ", L"CON", L"lpt1.txt", L"NUL.",
        std::wstring(255, L'n'),   L" lead",          L"\xD800half"};
    // The same names as the platform lists them: in NTFS order, by upper-cased name.
    const std::vector<std::wstring> listed = {L"\x05SummaryInformation",
                                              L" lead",
                                              L"a?b*c\"d<e>f|g",
                                              L"CON",
                                              L"lpt1.txt",
                                              std::wstring(255, L'n'),
                                              L"NUL.",
                                              L"x",
                                              L"x.",
                                              L"y ",
                                              L"\xD800half"};
    for (const bool streamFunctions : {true, false}) {
        SCOPED_TRACE(streamFunctions ? "stream listing" : "backup-read walk");
        makeWorld(streamFunctions);
        const std::wstring file = kFolder + L"\\doc.txt";
        world->store.addFile(file, "main");
        for (const std::wstring& name : names) {
            world->store.addStream(file, name, contentOf(name));
        }
        const TSnapshot before = snapshot(world->store, L"CD");

        // Listed once each under its own name and size, previewed from its own bytes.
        const TScanOutcome scanned = world->scanFolder(kFolder);
        ASSERT_EQ(scanned.streams.size(), listed.size());
        for (std::size_t i = 0; i < listed.size(); ++i) {
            const TStreamRow& row = scanned.streams[i];
            EXPECT_EQ(row.name, listed[i]) << narrow(listed[i]);
            EXPECT_EQ(row.size, static_cast<std::int64_t>(contentOf(listed[i]).size()));
            const std::string content = contentOf(listed[i]);
            EXPECT_EQ(row.preview, std::wstring(content.begin(), content.end())) << narrow(listed[i]);
        }

        // Saved: each stream's bytes in a file of a valid name directly in the chosen folder.
        TBackupWindow& saved = bulk(scanned, true);
        EXPECT_EQ(saved.finalState.succeed, static_cast<std::int32_t>(names.size()));
        const TSnapshot afterSave = snapshot(world->store, L"CD");
        std::multiset<std::string> copies;
        for (const auto& [path, bytes] : afterSave) {
            if (before.count(path) == 0) {
                EXPECT_EQ(path.rfind(kDestination + L"\\", 0), 0u) << narrow(path);
                EXPECT_EQ(path.find_first_of(L"\\:", kDestination.size() + 1), std::wstring::npos)
                    << narrow(path);
                copies.insert(bytes);
            } else {
                EXPECT_EQ(bytes, before.at(path)) << "changed: " << narrow(path);
            }
        }
        std::multiset<std::string> expected;
        for (const std::wstring& name : names) {
            expected.insert(contentOf(name));
        }
        EXPECT_EQ(copies, expected);

        // Deleted: exactly the checked streams, never their look-alikes.
        const std::wstring keep = file + L":x";
        bulk(scanned, false, {keep});
        std::vector<std::wstring> left = world->store.streamNames(file);
        EXPECT_EQ(left, std::vector<std::wstring>{L"x"});
        EXPECT_EQ(world->store.readData(keep), contentOf(L"x"));
        world.reset();
    }
}

// Files and folders whose names a plain path would change (a trailing dot or space, a device name,
// a folder "dir." beside "dir"): each file must be listed with its own stream, previewed, saved and
// deleted as itself, never as the file the plain form of its path reaches.
TEST_F(HostileTest, FileNamesAPlainPathWouldChangeAreReachedAsThemselves) {
    makeWorld();
    const std::vector<std::wstring> files = {
        kFolder + L"\\report",       kFolder + L"\\report.",   kFolder + L"\\notes ",
        kFolder + L"\\con.txt",      kFolder + L"\\aux.c",     kFolder + L"\\dir\\in.txt",
        kFolder + L"\\dir.\\in.txt", kFolder + L"\\dir.\\nul", kFolder + L"\\sub \\x."};
    for (const std::wstring& file : files) {
        world->store.addFile(file, "main");
        world->store.addStream(file, L"s", contentOf(file));
    }
    const TSnapshot before = snapshot(world->store, L"CD");

    const TScanOutcome scanned = world->scanFolder(kFolder);
    std::map<std::wstring, std::wstring> previews; // file -> preview of its stream
    for (const TStreamRow& row : scanned.streams) {
        EXPECT_EQ(row.name, L"s");
        EXPECT_EQ(previews.count(row.file), 0u) << "listed twice: " << narrow(row.file);
        previews[row.file] = row.preview;
    }
    std::map<std::wstring, std::wstring> expected;
    for (const std::wstring& file : files) {
        const std::string content = contentOf(file);
        expected[file] = std::wstring(content.begin(), content.end());
    }
    EXPECT_EQ(previews, expected);

    TBackupWindow& saved = bulk(scanned, true);
    EXPECT_EQ(saved.finalState.succeed, static_cast<std::int32_t>(files.size()));
    std::multiset<std::string> copies;
    for (const auto& [path, bytes] : snapshot(world->store, L"CD")) {
        if (before.count(path) == 0) {
            copies.insert(bytes);
        }
    }
    std::multiset<std::string> contents;
    for (const std::wstring& file : files) {
        contents.insert(contentOf(file));
    }
    EXPECT_EQ(copies, contents);

    // Removed: every checked stream, and only its own; the unchecked one of "report" stays.
    bulk(scanned, false, {files[0] + L":s"});
    for (const std::wstring& file : files) {
        EXPECT_EQ(world->store.streamNames(file),
                  file == files[0] ? std::vector<std::wstring>{L"s"} : std::vector<std::wstring>{})
            << narrow(file);
        EXPECT_EQ(world->store.readData(file), "main") << narrow(file);
    }
}

// The same names through the main window: the stream path each row keeps (Column2) must reach that
// stream, or its preview shows another stream's bytes and a removal deletes another stream.
TEST(HostileThroughWindow, EachRowReachesItsOwnStream) {
    // A stream whose name ends in a dot or a space must be reached by its own row: previewed, saved
    // and deleted as itself, never as the stream whose name lacks that end.
    TWindowWorld world(false);
    world.store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    const std::wstring file = kFolder + L"\\doc.txt";
    world.store.addFile(file, "main");
    for (const wchar_t* name : {L"x.", L"x", L"y "}) {
        world.store.addStream(file, name, contentOf(name));
    }
    TWatchedMain& window = *world.window;
    world.ui->runOnUiThread([&] { window.runScan(smTargetPath, kFolder, L"*.*", true, 30, true); });
    ASSERT_TRUE(window.scanGone.waitFor(std::chrono::seconds(30)));
    std::vector<std::wstring> previews;
    for (TTreeNode* node = window.VST->getFirst(); node != nullptr; node = window.VST->getNext(node)) {
        if (window.VST->getNodeLevel(node) == 1) {
            const PTreeData data = window.treeData(node);
            const std::string content = contentOf(data->Column1);
            EXPECT_EQ(data->Column6, std::wstring(content.begin(), content.end())) << narrow(data->Column1);
            if (data->Column1 == L"x") {
                window.VST->setCheckState(node, TCheckState::csUncheckedNormal);
            }
        }
    }
    world.dialogs.answerButton(plat::IDYES);
    world.click(&TFrmMain::btnDeleteClick);
    ASSERT_TRUE(window.runGone.waitFor(std::chrono::seconds(30)));
    EXPECT_EQ(world.store.streamNames(file), std::vector<std::wstring>{L"x"});
}

TEST_F(HostileTest, CaseTwinsFromTwoFilesAreSavedSideBySide) {
    makeWorld();
    world->store.addFile(kFolder + L"\\one.txt", "1");
    world->store.addStream(kFolder + L"\\one.txt", L"Notes", "first notes");
    world->store.addFile(kFolder + L"\\two.txt", "2");
    world->store.addStream(kFolder + L"\\two.txt", L"NOTES", "second notes");
    world->store.addFile(kDestination + L"\\notes", "already there");
    bulk(world->scanFolder(kFolder), true);
    EXPECT_EQ(window->finalState.succeed, 2);
    EXPECT_EQ(world->store.readData(kDestination + L"\\notes"), "already there");
    EXPECT_EQ(world->store.readData(kDestination + L"\\Notes(1)"), "first notes");
    EXPECT_EQ(world->store.readData(kDestination + L"\\NOTES(2)"), "second notes");
}

TEST_F(HostileTest, TwoStreamsOfTheLongestNameAreBothSaved) {
    makeWorld();
    const std::wstring longest(255, L'n');
    world->store.addFile(kFolder + L"\\one.txt", "1");
    world->store.addStream(kFolder + L"\\one.txt", longest, "first");
    world->store.addFile(kFolder + L"\\two.txt", "2");
    world->store.addStream(kFolder + L"\\two.txt", longest, "second");
    bulk(world->scanFolder(kFolder), true);
    EXPECT_EQ(window->finalState.succeed, 2);
    EXPECT_EQ(world->store.readData(kDestination + L"\\" + longest), "first");
    EXPECT_EQ(world->store.readData(kDestination + L"\\" + std::wstring(252, L'n') + L"(1)"), "second");
}

TEST_F(HostileTest, ADownloadMarkWrittenWithItsTypeSuffixIsStillADownloadMark) {
    makeWorld();
    const std::wstring small = kFolder + L"\\small.exe";
    const std::wstring large = kFolder + L"\\large.exe";
    const std::string mark = "[ZoneTransfer]\r\nZoneId=3\r\n";
    const std::string longMark = mark + std::string(150, 'h');
    for (const auto& [file, bytes] : {std::pair{small, mark}, std::pair{large, longMark}}) {
        world->store.addFile(file, "MZ");
        plat::HANDLE h =
            world->store.CreateFileW((file + L":Zone.Identifier:$DATA").c_str(), plat::GENERIC_WRITE, 0,
                                     nullptr, plat::CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, plat::INVALID_HANDLE_VALUE);
        plat::DWORD written = 0;
        world->store.WriteFile(h, bytes.data(), static_cast<plat::DWORD>(bytes.size()), &written, nullptr);
        world->store.CloseHandle(h);
    }
    const TScanOutcome scanned = world->scanFolder(kFolder, false);
    ASSERT_EQ(scanned.streams.size(), 1u) << "the small mark is left out";
    EXPECT_EQ(scanned.streams[0].path(), large + L":Zone.Identifier");
    EXPECT_EQ(scanned.streams[0].size, static_cast<std::int64_t>(longMark.size()));
    EXPECT_EQ(scanned.streams[0].preview, L"[ZoneTransfer]\r\nZoneId=3\r\nhhhh");
    bulk(scanned, true);
    EXPECT_EQ(world->store.readData(kDestination + L"\\Zone.Identifier"), longMark);
}

TEST_F(HostileTest, PathsPastTheClassicLimitAreScannedSavedAndDeleted) {
    makeWorld();
    std::wstring folder = kFolder;
    while (folder.size() < 300) {
        folder += L"\\" + std::wstring(40, L'd');
    }
    const std::wstring file = folder + L"\\deep.txt";
    world->store.addFile(file, "deep");
    world->store.addStream(file, L"far", "far away");
    const TScanOutcome scanned = world->scanFolder(kFolder);
    ASSERT_EQ(scanned.streams.size(), 1u);
    EXPECT_GT(scanned.streams[0].path().size(), 300u);
    EXPECT_EQ(scanned.streams[0].preview, L"far away");
    bulk(scanned, true);
    EXPECT_EQ(world->store.readData(kDestination + L"\\far"), "far away");
    bulk(scanned, false);
    EXPECT_TRUE(world->store.streamNames(file).empty());
}

TEST_F(HostileTest, FilesThatVanishMidScanAreLeftOutOrShownWithoutPreview) {
    // The second file goes just before its streams are asked for; the third just before the
    // window reads its preview.
    for (const bool streamFunctions : {true, false}) {
        SCOPED_TRACE(streamFunctions ? "stream listing" : "backup-read walk");
        makeWorld(streamFunctions);
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"}) {
            world->store.addFile(kFolder + L"\\" + name, "m");
            world->store.addStream(kFolder + L"\\" + name, L"s", "stream of " + narrow(name));
        }
        TSimStore& store = world->store;
        const TCall inspection = streamFunctions ? TCall::FindFirstStreamW : TCall::CreateFileW;
        store.beforeCall(inspection, 2, [&store] { store.DeleteFileW(L"C:\\Hostile\\b.txt"); });
        store.beforeCall(TCall::GetFileAttributesW, 0, [&store] {
            // The call about to run is the last one logged: the preview's look at c.txt's stream.
            if (store.callLog().back().path == plat::exactPath(L"C:\\Hostile\\c.txt:s")) {
                store.DeleteFileW(L"C:\\Hostile\\c.txt");
            }
        });
        const TScanOutcome scanned = world->scanFolder(kFolder);
        EXPECT_EQ(scanned.finished, 1);
        ASSERT_EQ(scanned.streams.size(), 2u);
        EXPECT_EQ(scanned.streams[0].path(), kFolder + L"\\a.txt:s");
        EXPECT_EQ(scanned.streams[0].preview, L"stream of a.txt");
        EXPECT_EQ(scanned.streams[1].path(), kFolder + L"\\c.txt:s");
        EXPECT_EQ(scanned.streams[1].preview, L"");
        EXPECT_EQ(world->store.openHandles(), 0);
        world.reset();
    }
}

// A stream that changes size while it is copied (after two blocks were read): a copy reported
// complete holds the stream's bytes as they stand at the end; any other copy leaves no file. A
// stream that grows is read on to its new end, so its copy must be complete.
class ChangingStreamTest : public HostileTest {
protected:
    enum class TOutcome { saved, savedOrNot };
    void copyWhileResizing(std::size_t newSize, TOutcome outcome) {
        SCOPED_TRACE("new size " + std::to_string(newSize));
        makeWorld();
        const std::string original(3 * kStreamCopyBlockSize + 500, 'o');
        const std::wstring source = kFolder + L"\\g.bin:s";
        world->store.addFile(kFolder + L"\\g.bin", "g");
        world->store.addStream(kFolder + L"\\g.bin", L"s", original);
        TSimStore& store = world->store;
        const std::string changed = newSize < original.size()
                                        ? original.substr(0, newSize)
                                        : original + std::string(newSize - original.size(), 'n');
        store.beforeCall(TCall::ReadFile, 3,
                         [&store, changed] { store.addStream(L"C:\\Hostile\\g.bin", L"s", changed); });
        std::wstring written;
        const bool saved = copyStreamToFile(source, kDestination + L"\\s", &written);
        if (outcome == TOutcome::saved) {
            EXPECT_TRUE(saved) << "the stream, read to its new end, was not saved";
        }
        if (saved) {
            const std::string copy = world->store.readData(written);
            EXPECT_EQ(copy.size(), changed.size());
            EXPECT_TRUE(copy == changed) << "the copy is not the stream as it stands";
        } else {
            EXPECT_TRUE(world->store.entryNames(kDestination).empty());
        }
        world.reset();
    }
};

TEST_F(ChangingStreamTest, AStreamThatGrowsDuringACopyIsSavedAsItEndsUp) {
    copyWhileResizing(3 * kStreamCopyBlockSize + 20000, TOutcome::saved);
}

TEST_F(ChangingStreamTest, AStreamThatShrinksDuringACopyIsNeverSavedHalfOldHalfNew) {
    copyWhileResizing(100, TOutcome::savedOrNot);
    copyWhileResizing(kStreamCopyBlockSize + 10, TOutcome::savedOrNot);
}

TEST_F(HostileTest, AStreamOf5GiBShowsItsSizeIsPreviewedFromItsStartAndIsNotSavedShort) {
    makeWorld();
    const std::wstring file = kFolder + L"\\disk.img";
    const std::uint64_t size = 5ULL << 30;
    world->store.addFile(file, "img");
    world->store.addStream(file, L"huge", "HUGE STREAM HEADER 0123456789abcdef");
    world->store.setDataSize(file + L":huge", size);

    world->store.clearCallLog();
    const TScanOutcome scanned = world->scanFolder(kFolder);
    ASSERT_EQ(scanned.streams.size(), 1u);
    EXPECT_EQ(scanned.streams[0].size, static_cast<std::int64_t>(size));
    EXPECT_EQ(formatFileSize(scanned.streams[0].size), L"5 GB");
    EXPECT_EQ(scanned.streams[0].preview, L"HUGE STREAM HEADER 0123456789a");
    int reads = 0;
    for (const TLoggedCall& call : world->store.callLog()) {
        reads += call.call == TCall::ReadFile ? 1 : 0;
    }
    EXPECT_EQ(reads, 1) << "one read of the preview length from the start";

    // The destination has room for a part only: the copy fails and leaves nothing behind.
    world->store.setFreeSpace(L'D', 1 << 20);
    EXPECT_FALSE(copyStreamToFile(file + L":huge", kDestination + L"\\huge"));
    EXPECT_TRUE(world->store.entryNames(kDestination).empty());
    EXPECT_EQ(getFileSize(file + L":huge"), static_cast<std::int64_t>(size));
}

} // namespace
} // namespace robust
