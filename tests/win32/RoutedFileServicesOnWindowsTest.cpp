// The store test build's file services on Windows: a stream of the simulated store saved through the
// router into a real folder, block by block, with real handles and real error codes beside the
// store's.

#include "platform/RoutedFileServices.h"
#include "platform/store/SimStore.h"
#include "platform/win32/Win32FileServices.h"
#include "streamops/UntKorvaneLibStreamOps.h"
#include "support/ReadWholeFile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

plat::TWin32FileServices& win32() {
    return dynamic_cast<plat::TWin32FileServices&>(plat::files());
}

// The router installed as the process's file services for the test's scope.
class TRouterInstalled {
public:
    explicit TRouterInstalled(plat::TFileServices& router) : FPrevious(plat::files()) {
        plat::installFileServices(&router);
    }
    ~TRouterInstalled() { plat::installFileServices(&FPrevious); }
    TRouterInstalled(const TRouterInstalled&) = delete;
    TRouterInstalled& operator=(const TRouterInstalled&) = delete;

private:
    plat::TFileServices& FPrevious;
};

std::string readReal(const std::wstring& path) {
    return testsupport::readWholeFile(win32(), path);
}

TEST(RoutedFileServicesOnWindows, AStoreStreamIsSavedIntoARealFolderWithItsBytes) {
    // A drive letter a test machine does not have, so the temporary folder stays real.
    plat::store::TSimStore store;
    store.addDrive(L'Q', plat::DRIVE_FIXED, L"Store", L"NTFS");
    std::string bytes(3 * 9216 + 100, '\0'); // several copy blocks, every byte value
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>(i * 7 % 256);
    }
    store.addFile(L"Q:\\docs\\report.docx", "main data");
    store.addStream(L"Q:\\docs\\report.docx", L"notes", bytes);

    wchar_t temp[plat::MAX_PATH + 1] = {};
    const std::wstring base(temp, win32().GetTempPathW(plat::MAX_PATH + 1, temp));
    std::wstring folder;
    for (int attempt = 0; attempt < 1000 && folder.empty(); ++attempt) {
        const std::wstring candidate = base + L"kwrouted-" + std::to_wstring(attempt);
        if (win32().CreateDirectoryW(candidate.c_str(), nullptr)) {
            folder = candidate;
        }
    }
    ASSERT_FALSE(folder.empty());

    plat::TRoutedFileServices routed(store, win32());
    std::wstring first;
    std::wstring second;
    bool savedFirst = false;
    bool savedSecond = false;
    bool savedIntoNothing = true;
    plat::DWORD missingFolderError = 0;
    {
        TRouterInstalled installed(routed);
        savedFirst = copyStreamToFile(L"Q:\\docs\\report.docx:notes", folder + L"\\notes", &first);
        savedSecond = copyStreamToFile(L"Q:\\docs\\report.docx:notes", folder + L"\\notes", &second);
        routed.SetLastError(0);
        savedIntoNothing = copyStreamToFile(L"Q:\\docs\\report.docx:notes", folder + L"\\missing\\notes");
        missingFolderError = routed.GetLastError();
    }
    EXPECT_TRUE(savedFirst);
    EXPECT_TRUE(savedSecond);
    EXPECT_EQ(first, folder + L"\\notes");
    EXPECT_EQ(second, folder + L"\\notes(1)");
    EXPECT_TRUE(readReal(first) == bytes) << "the first copy differs from the stream";
    EXPECT_TRUE(readReal(second) == bytes) << "the numbered copy differs from the stream";
    EXPECT_FALSE(savedIntoNothing);
    EXPECT_EQ(missingFolderError, plat::ERROR_PATH_NOT_FOUND) << "the real functions' own code";
    EXPECT_EQ(store.openHandles(), 0);
    EXPECT_EQ(store.readData(L"Q:\\docs\\report.docx:notes"), bytes);

    win32().DeleteFileW(first.c_str());
    win32().DeleteFileW(second.c_str());
    EXPECT_TRUE(win32().RemoveDirectoryW(folder.c_str())) << "nothing else was left in the folder";
}

} // namespace
