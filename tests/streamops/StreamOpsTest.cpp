// Saving one stream as a file, safe file names, and the results-tree utilities, over the simulated
// store.

#include "BackupFixture.h"

#include "platform/FileServices.h"
#include "streamops/UntKorvaneLibStreamOps.h"

using plat::store::TCall;

namespace backuptest {
namespace {

int callsOf(plat::store::TSimStore& store, TCall kind) {
    int count = 0;
    for (const plat::store::TLoggedCall& call : store.callLog()) {
        count += call.call == kind ? 1 : 0;
    }
    return count;
}

TEST(SafeFileNameTest, KeepsWhatAFileNameCanHoldAndMendsTheRest) {
    const struct {
        std::wstring streamName;
        std::wstring fileName;
    } cases[] = {
        {L"Zone.Identifier", L"Zone.Identifier"},
        {L"notes", L"notes"},
        {L"a\\b/c:d*e?f\"g<h>i|j", L"a_b_c_d_e_f_g_h_i_j"},
        {std::wstring(L"tab\tnl\n"), L"tab_nl_"},
        {L"name. . ", L"name"},
        {L" lead", L" lead"},
        {L"...", L"_"},
        {L"", L"_"},
        {L"CON", L"_CON"},
        {L"con.txt", L"_con.txt"},
        {L"Nul.tar.gz", L"_Nul.tar.gz"},
        {L"COM1", L"_COM1"},
        {L"lpt9.x", L"_lpt9.x"},
        {L"COM0", L"COM0"},
        {L"COM10", L"COM10"},
        // Windows takes the superscript digits for digits here too.
        {L"COM\u00B9", L"_COM\u00B9"},
        {L"com\u00B2.log", L"_com\u00B2.log"},
        {L"LPT\u00B3", L"_LPT\u00B3"},
        {L"lpt\u00B9.txt.gz", L"_lpt\u00B9.txt.gz"},
        {L"COM\u00B4", L"COM\u00B4"},
        {L"nul .txt", L"_nul .txt"},
        {L"CONSOLE", L"CONSOLE"},
        // The console's input and output are devices as well.
        {L"CONIN$", L"_CONIN$"},
        {L"conout$.txt", L"_conout$.txt"},
        {L"CONOUT", L"CONOUT"},
        {L"aux.", L"_aux"},
        {L"..\\..\\Windows\\win.ini", L".._.._Windows_win.ini"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(safeFileName(c.streamName), c.fileName)
            << std::string(c.streamName.begin(), c.streamName.end());
    }
    // The mark of a reserved name does not make a name of the longest length longer.
    EXPECT_EQ(safeFileName(L"CON." + std::wstring(251, L'x')), L"_CON." + std::wstring(250, L'x'));
    EXPECT_EQ(safeFileName(L"nul" + std::wstring(251, L'.') + L"x"), L"_nul");
}

TEST_F(BackupTest, CopyToFileCopiesEveryByteInBlocksAndNamesTheFileWritten) {
    std::string data(2 * 9216 + 1568, '\0');
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<char>(i * 7 + i / 9216);
    }
    store.addFile(L"C:\\a.exe", "main");
    store.addStream(L"C:\\a.exe", L"Zone.Identifier", data);
    store.addFile(L"D:\\Saved\\Zone.Identifier", "already there");
    store.clearCallLog();
    std::wstring written;
    ASSERT_TRUE(copyStreamToFile(L"C:\\a.exe:Zone.Identifier", L"D:\\Saved\\Zone.Identifier", &written));
    EXPECT_EQ(written, L"D:\\Saved\\Zone(1).Identifier");
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone(1).Identifier"), data);
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone.Identifier"), "already there");
    EXPECT_EQ(callsOf(store, TCall::WriteFile), 3) << "blocks of 9216 bytes";
    EXPECT_EQ(callsOf(store, TCall::ReadFile), 4) << "three blocks and the read that finds the end";

    // An empty stream gives an empty file, which is a complete copy.
    store.addStream(L"C:\\a.exe", L"empty", "");
    ASSERT_TRUE(copyStreamToFile(L"C:\\a.exe:empty", L"D:\\empty", &written));
    EXPECT_EQ(written, L"D:\\empty");
    EXPECT_EQ(store.readData(L"D:\\empty"), "");
}

TEST_F(BackupTest, CopyToFileMovesOnWhenTheNameIsTakenJustBeforeTheCreation) {
    store.addFile(L"C:\\a.exe", "main");
    store.addStream(L"C:\\a.exe", L"Zone.Identifier", "mark");
    // Another program makes the file between the look-up of a free name and the creation.
    store.beforeCall(TCall::CreateFileW, 2, [&] { store.addFile(L"D:\\Saved\\Zone.Identifier", "theirs"); });
    std::wstring written;
    ASSERT_TRUE(copyStreamToFile(L"C:\\a.exe:Zone.Identifier", L"D:\\Saved\\Zone.Identifier", &written));
    EXPECT_EQ(written, L"D:\\Saved\\Zone(1).Identifier");
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone.Identifier"), "theirs");
    EXPECT_EQ(store.readData(L"D:\\Saved\\Zone(1).Identifier"), "mark");
}

TEST_F(BackupTest, NumberedNamesOfTheLongestNamesAreShortenedToFit) {
    const std::wstring longest(255, L'n');
    const std::wstring withExtension = std::wstring(250, L'a') + L".txt";
    store.addFile(L"C:\\a.exe", "main");
    store.addStream(L"C:\\a.exe", L"s", "copy");
    store.addFile(L"D:\\Saved\\" + longest, "taken");
    store.addFile(L"D:\\Saved\\" + withExtension, "taken");
    std::wstring written;
    ASSERT_TRUE(copyStreamToFile(L"C:\\a.exe:s", L"D:\\Saved\\" + longest, &written));
    EXPECT_EQ(written, L"D:\\Saved\\" + std::wstring(252, L'n') + L"(1)");
    ASSERT_TRUE(copyStreamToFile(L"C:\\a.exe:s", L"D:\\Saved\\" + withExtension, &written));
    EXPECT_EQ(written, L"D:\\Saved\\" + std::wstring(248, L'a') + L"(1).txt");
    ASSERT_TRUE(copyStreamToFile(L"C:\\a.exe:s", L"D:\\Saved\\" + withExtension, &written));
    EXPECT_EQ(written, L"D:\\Saved\\" + std::wstring(248, L'a') + L"(2).txt");
}

TEST_F(BackupTest, AFailedCopyLeavesNoFileAndTheErrorOfTheCallThatFailed) {
    store.addDrive(L'E', plat::DRIVE_REMOVABLE, L"Small", L"NTFS");
    store.setFreeSpace(L'E', 20000);
    store.addFolder(L"E:\\Saved");
    store.addFile(L"C:\\a.exe", "main");
    store.addStream(L"C:\\a.exe", L"s", std::string(30000, 'x'));
    store.addStream(L"C:\\a.exe", L"held", std::string(30000, 'x'));
    const struct {
        const char* what;
        std::wstring stream; // of C:\a.exe
        std::wstring folder;
        std::function<void()> arrange;
        plat::DWORD error;
    } cases[] = {
        {"missing source", L"missing", L"D:\\Saved", [] {}, plat::ERROR_FILE_NOT_FOUND},
        {"source held without read sharing", L"held", L"D:\\Saved",
         [&] { store.holdOpen(L"C:\\a.exe:held", plat::GENERIC_WRITE, plat::FILE_SHARE_READ); },
         plat::ERROR_SHARING_VIOLATION},
        {"destination folder missing", L"s", L"D:\\Gone", [] {}, plat::ERROR_PATH_NOT_FOUND},
        {"full destination", L"s", L"E:\\Saved", [] {}, plat::ERROR_DISK_FULL},
        {"write failing", L"s", L"D:\\Saved",
         [&] { store.failCall(TCall::WriteFile, 3, plat::ERROR_DEVICE_REMOVED); },
         plat::ERROR_DEVICE_REMOVED},
        {"read failing", L"s", L"D:\\Saved",
         [&] { store.failCall(TCall::ReadFile, 2, plat::ERROR_NOT_READY); }, plat::ERROR_NOT_READY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        store.SetLastError(0);
        std::wstring written = L"stale";
        EXPECT_FALSE(copyStreamToFile(L"C:\\a.exe:" + c.stream, c.folder + L"\\out", &written));
        EXPECT_EQ(store.GetLastError(), c.error);
        EXPECT_EQ(written, L"");
        EXPECT_FALSE(store.exists(c.folder + L"\\out")) << "no empty or partial copy is left";
        store.clearFaults();
    }
}

TEST_F(BackupTest, AStreamThatShrinksWhileItIsCopiedIsNotSavedShort) {
    store.addFile(L"C:\\a.exe", "main");
    store.addStream(L"C:\\a.exe", L"s", std::string(3 * 9216, 'o'));
    // Rewritten to 100 bytes after the second block was read: the first two blocks are no longer
    // the stream.
    store.beforeCall(TCall::ReadFile, 3, [&] { store.addStream(L"C:\\a.exe", L"s", std::string(100, 'n')); });
    std::wstring written;
    EXPECT_FALSE(copyStreamToFile(L"C:\\a.exe:s", L"D:\\Saved\\s", &written));
    EXPECT_TRUE(store.entryNames(L"D:\\Saved").empty());
}

TEST_F(BackupTest, CountCheckedStreamsCountsOnlyStreamRowsInThePlainCheckedState) {
    window.addFile(L"C:\\a", {L"checked", L"unchecked", L"pressed"});
    window.addFile(L"C:\\b", {L"mixed", L"checked too"});
    window.addFile(L"C:\\c", {});
    EXPECT_EQ(countCheckedStreams(window.tree), 5);
    window.tree.setCheckState(window.find(L"C:\\a:unchecked"), TCheckState::csUncheckedNormal);
    window.tree.setCheckState(window.find(L"C:\\a:pressed"), TCheckState::csCheckedPressed);
    window.tree.setCheckState(window.find(L"C:\\b:mixed"), TCheckState::csMixedNormal);
    EXPECT_EQ(countCheckedStreams(window.tree), 2) << "file rows, pressed and mixed boxes do not count";
    window.tree.uncheckAll();
    EXPECT_EQ(countCheckedStreams(window.tree), 0);
}

TEST_F(BackupTest, RemoveEmptyFileNodesTakesOutEveryFileRowWithoutStreams) {
    window.addFile(L"C:\\empty1", {});
    window.addFile(L"C:\\empty2", {});
    window.addFile(L"C:\\full", {L"s"});
    window.addFile(L"C:\\empty3", {});
    window.addFile(L"C:\\full2", {L"s", L"t"});
    window.addFile(L"C:\\empty4", {});
    removeEmptyFileNodes(window.tree);
    EXPECT_EQ(window.rows(), (std::vector<std::wstring>{L"C:\\full", L"  C:\\full:s", L"C:\\full2",
                                                        L"  C:\\full2:s", L"  C:\\full2:t"}));
    removeEmptyFileNodes(window.tree);
    EXPECT_EQ(window.rows().size(), 5u);
}

} // namespace
} // namespace backuptest
