// ombrolux cat on a live volume (the simulated store standing in for the system's files) for a path
// that holds a name written with the escape, which Windows cannot open: read from the drive's raw
// volume by the NTFS engine, as the direct scan listed it; every other path through Windows.

#include "cli/Ombrolux.h"
#include "ntfs/NtfsImage.h"
#include "platform/store/SimStore.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string contentOf(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        text.append(buffer, n);
    }
    return text;
}

// Drive E:'s raw volume ("\\.\E:") is the bytes of a store file, as Windows opens a volume's sectors.
class TRawVolumeStore : public plat::store::TSimStore {
public:
    plat::HANDLE CreateFileW(const wchar_t* path, plat::DWORD access, plat::DWORD share, void* security,
                             plat::DWORD disposition, plat::DWORD flags, plat::HANDLE templateFile) override {
        if (path != nullptr && std::wstring(path) == L"\\\\.\\E:") {
            return TSimStore::CreateFileW(L"C:\\raw\\e.vol", access, share, security, disposition, flags,
                                          templateFile);
        }
        return TSimStore::CreateFileW(path, access, share, security, disposition, flags, templateFile);
    }
};

TEST(EscapedNamesLive, CatReadsANameWindowsCannotOpenFromTheRawVolume) {
    if (const std::string& reason = ntfstest::copyToolsUnavailableReason(); !reason.empty()) {
        GTEST_SKIP() << reason;
    }
    ntfstest::TScratchFolder scratch;
    const std::filesystem::path image = scratch.path() / "e.vol";
    const std::filesystem::path data = scratch.path() / "data";
    ASSERT_TRUE(ntfstest::makeImage(image, 2, "Live"));
    ntfstest::writeBytes(data, "escaped bytes");
    ASSERT_TRUE(ntfstest::ntfscp(image, data, L"a?b.txt"));
    ASSERT_TRUE(ntfstest::ntfscp(image, data, L"a?b.txt", L"s"));

    TRawVolumeStore store;
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store.addDrive(L'D', plat::DRIVE_FIXED, L"NoRaw", L"NTFS");
    store.addDrive(L'E', plat::DRIVE_FIXED, L"Live", L"NTFS");
    store.addFile(L"C:\\raw\\e.vol", ntfstest::readBytes(image));
    store.addFile(L"E:\\plain.txt", "main");
    store.addStream(L"E:\\plain.txt", L"s", "live bytes");
    plat::installFileServices(&store);

    const struct {
        const char* path;
        int code;
        std::string out;
        std::string err;
    } cases[] = {
        {"E:\\a|3Fb.txt:s", 0, "escaped bytes", ""},
        {"E:\\plain.txt:s", 0, "live bytes", ""},
        {"D:\\a|3Fb.txt:s", 1, "",
         "ombrolux: D:\\a|3Fb.txt:s: names a file or stream whose name Windows cannot open (written with the "
         "| "
         "escape), and the volume cannot be read directly: \\\\.\\D: cannot be opened (error 3)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        cli::TConsole console;
        console.liveFiles = &store;
        console.out = out;
        console.err = err;
        EXPECT_EQ(cli::runOmbrolux({"cat", c.path}, console), c.code);
        EXPECT_EQ(contentOf(out), c.out);
        EXPECT_EQ(contentOf(err), c.err);
        std::fclose(out);
        std::fclose(err);
    }
    EXPECT_EQ(store.openHandles(), 0);
    plat::installFileServices(nullptr);
}

} // namespace
