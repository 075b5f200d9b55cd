// The program's own logic over volumes that ntfs-3g wrote, read through the reader's file services:
// both walks of the stream listing, the preview, and a whole scan give the streams ntfs-3g wrote and
// nothing else.

#include "ntfs/NtfsFixture.h"
#include "ntfs/NtfsSleuthKit.h"
#include "platform/StandInUiThread.h"
#include "platform/shell/TestShell.h"
#include "scan/UntScanFileSystemThread.h"
#include "stream/UntKorvaneLib.h"
#include "support/DoneSignal.h"

#include <gtest/gtest.h>

#include <sys/xattr.h>

#include <algorithm>
#include <iostream>
#include <cerrno>
#include <cstring>
#include <tuple>

namespace ntfstest {
namespace {

using namespace std::chrono_literals;

constexpr wchar_t kLetter = L'N';
constexpr std::int32_t kPreviewLength = 30;

struct TVolumeCase {
    const char* name;
    const TFixtureVolume& (*volume)();
};

// One stream as a report gives it: the full stream path and the size.
using TReported = std::tuple<std::wstring, std::int64_t>;

class ProgramLogic : public testing::TestWithParam<TVolumeCase> {
protected:
    void SetUp() override {
        if (!fixture().unavailable.empty()) {
            GTEST_SKIP() << fixture().unavailable;
        }
        FServices = openServices(fixture().image, kLetter);
        ASSERT_NE(FServices, nullptr);
        plat::installFileServices(FServices.get());
        plat::installShellServices(&FShell);
    }
    void TearDown() override {
        if (FServices) {
            EXPECT_EQ(FServices->openHandles(), 0);
        }
        plat::installShellServices(nullptr);
        plat::installFileServices(nullptr);
    }
    const TFixtureVolume& fixture() { return GetParam().volume(); }
    std::wstring full(const std::wstring& path) { return std::wstring{kLetter, L':', L'\\'} + path; }

    // The preview the program must show for bytes that ntfs-3g read.
    std::wstring previewOf(const std::string& bytes) {
        std::vector<std::uint8_t> head(bytes.begin(),
                                       bytes.begin() + std::min<std::size_t>(bytes.size(), kPreviewLength));
        if (head.empty()) {
            return {};
        }
        return isNonTextContent(head) ? bytesToHexText(head, L",")
                                      : FShell.ansiToWide(head.data(), head.size());
    }

    std::unique_ptr<plat::ntfs::TNtfsFileServices> FServices;
    plat::TTestShell FShell;
};

TEST_P(ProgramLogic, BothWalksListTheStreamsNtfs3gWrote) {
    for (bool streamFunctions : {true, false}) {
        FServices->setStreamFunctionsAvailable(streamFunctions);
        for (const TFileFacts& file : fixture().facts) {
            std::vector<TReported> expected;
            for (const TStreamFacts& stream : file.streams) {
                // The backup-read walk leaves empty streams out.
                if (streamFunctions || stream.size > 0) {
                    expected.emplace_back(stream.name, static_cast<std::int64_t>(stream.size));
                }
            }
            TADSList list;
            enumFileADS(full(file.path), list);
            std::vector<TReported> got;
            for (const TADSObject& ads : list) {
                got.emplace_back(ads.adsName(), ads.adsSize());
            }
            EXPECT_EQ(got, expected) << utf8(file.path)
                                     << (streamFunctions ? " (listing)" : " (backup read)");
        }
    }
}

TEST_P(ProgramLogic, PreviewShowsTheFirstBytesNtfs3gRead) {
    for (const TFileFacts& file : fixture().facts) {
        for (const TStreamFacts& stream : file.streams) {
            const std::wstring path = full(file.path) + L":" + stream.name;
            // A folder's stream is previewed as a file's, although its path carries the folder's attributes.
            EXPECT_EQ(getContentPreview(path, kPreviewLength), previewOf(stream.bytes)) << utf8(path);
        }
    }
}

// The main window as the scan sees it: keeps what was reported.
class TReportingWindow : public TScanNotifications {
public:
    std::vector<TReported> streams;
    std::vector<std::wstring> previews;
    std::vector<std::wstring> files;
    bool finished = false;
    bool stopped = false;

    void scanStarting(const std::vector<std::wstring>&) override {}
    void driveInitializing(const std::wstring&) override {}
    void driveCounted(std::int64_t, const std::wstring&) override {}
    void driveScanStarting() override {}
    void scanProgress(const std::wstring&, const std::wstring&, const std::wstring&,
                      std::int64_t foundResults, std::int64_t& lastFoundResultsCheck) override {
        lastFoundResultsCheck = foundResults;
    }
    TScanNode fileFound(const std::wstring& fileName, const std::wstring&, const std::wstring&) override {
        files.push_back(fileName);
        return &files;
    }
    TScanNode streamFound(const TADSObject& curAds, const std::wstring& fileName, const std::wstring&,
                          const std::wstring&, std::int32_t previewLen, TScanNode) override {
        const std::wstring path = fileName + L":" + curAds.adsName();
        streams.emplace_back(path, curAds.adsSize());
        previews.push_back(getContentPreview(path, previewLen));
        return &streams;
    }
    void driveDone(int) override {}
    void scanFinished(bool terminated, std::int64_t) override {
        finished = true;
        stopped = terminated;
    }
};

class TWatchedScan : public TScanFileSystem {
public:
    TWatchedScan(TScanNotifications& window, testsupport::TDoneSignal destroyed)
        : TScanFileSystem(window), FDestroyed(destroyed) {}
    ~TWatchedScan() override { FDestroyed.set(); }

private:
    testsupport::TDoneSignal FDestroyed;
};

TEST_P(ProgramLogic, ScanReportsEveryStreamNtfs3gWroteAndNothingElse) {
    plat::TStandInUiThread ui;
    plat::installUiDispatcher(&ui);
    TReportingWindow window;
    testsupport::TDoneSignal destroyed;
    auto* scan = new TWatchedScan(window, destroyed);
    scan->setFreeOnTerminate(true);
    scan->setScanMode(smTargetDrive);
    scan->setPath(full(L""));
    scan->setIncludeZone(true);
    scan->setPreviewLen(kPreviewLength);
    scan->Start();
    ASSERT_TRUE(destroyed.waitFor(120s)) << "the scan did not end";
    plat::installUiDispatcher(nullptr);
    EXPECT_TRUE(window.finished);
    EXPECT_FALSE(window.stopped);

    // Every stream of every file and folder, except below hidden or system folders, which the scan
    // asks for their own streams but does not enter.
    std::vector<std::wstring> skippedFolders;
    for (const TFileFacts& file : fixture().facts) {
        if (file.folder) {
            const plat::DWORD attributes = plat::files().GetFileAttributesW(full(file.path).c_str());
            if ((attributes & (plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_SYSTEM)) != 0) {
                skippedFolders.push_back(file.path + L"\\");
            }
        }
    }
    std::vector<TReported> expected;
    std::vector<std::pair<std::wstring, std::wstring>> expectedPreviews;
    for (const TFileFacts& file : fixture().facts) {
        const bool skipped =
            std::any_of(skippedFolders.begin(), skippedFolders.end(),
                        [&](const std::wstring& folder) { return file.path.rfind(folder, 0) == 0; });
        if (skipped) {
            continue;
        }
        for (const TStreamFacts& stream : file.streams) {
            const std::wstring path = full(file.path) + L":" + stream.name;
            expected.emplace_back(path, static_cast<std::int64_t>(stream.size));
            expectedPreviews.emplace_back(path, previewOf(stream.bytes));
        }
    }
    if (GetParam().volume == mountedVolume) {
        EXPECT_FALSE(skippedFolders.empty()) << "the fixture has a hidden folder";
    }
    std::vector<std::pair<std::wstring, std::wstring>> previews;
    for (std::size_t i = 0; i < window.streams.size(); ++i) {
        previews.emplace_back(std::get<0>(window.streams[i]), window.previews[i]);
    }
    std::sort(expected.begin(), expected.end());
    std::sort(window.streams.begin(), window.streams.end());
    std::sort(expectedPreviews.begin(), expectedPreviews.end());
    std::sort(previews.begin(), previews.end());
    EXPECT_EQ(window.streams, expected);
    EXPECT_EQ(previews, expectedPreviews);
}

INSTANTIATE_TEST_SUITE_P(Volumes, ProgramLogic,
                         testing::Values(TVolumeCase{"copied", copiedVolume},
                                         TVolumeCase{"mounted", mountedVolume}),
                         [](const testing::TestParamInfo<TVolumeCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- Links: a junction and a symbolic link, each with a stream of its own named as its target's.

void put16(std::string& out, std::size_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void put32(std::string& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

std::string utf16le(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        put16(out, static_cast<std::size_t>(c));
    }
    return out;
}

// The reparse data Windows writes for a junction (absolute target) or a symbolic link (relative one).
std::string reparseData(bool junction, const std::wstring& substitute, const std::wstring& print) {
    std::string names = utf16le(substitute) + (junction ? std::string(2, '\0') : "");
    const std::size_t printOffset = names.size();
    names += utf16le(print) + (junction ? std::string(2, '\0') : "");
    std::string body;
    put16(body, 0);
    put16(body, substitute.size() * 2);
    put16(body, printOffset);
    put16(body, print.size() * 2);
    if (!junction) {
        put32(body, 1); // relative
    }
    body += names;
    std::string data;
    put32(data, junction ? 0xA0000003u : 0xA000000Cu);
    put16(data, body.size());
    put16(data, 0);
    return data + body;
}

struct TLinkVolume {
    std::string unavailable;
    std::filesystem::path image;
};

const TLinkVolume& linkVolume() {
    static const TLinkVolume volume = [] {
        TLinkVolume v;
        v.unavailable = toolsUnavailableReason();
        if (!v.unavailable.empty()) {
            return v;
        }
        v.image = programScratch() / "links.img";
        if (!makeImage(v.image, 8, "Links")) {
            v.unavailable = "mkntfs failed";
            return v;
        }
        const std::filesystem::path point = programScratch() / "links-mount";
        std::filesystem::create_directories(point);
        TMount m(v.image, point, "streams_interface=windows");
        if (!m.mounted()) {
            v.unavailable = "the ntfs-3g mount failed";
            return v;
        }
        std::filesystem::create_directories(m.at(L"target"));
        writeBytes(m.at(L"target:x"), "target folder's");
        writeBytes(m.at(L"target\\t.txt"), "target data");
        writeBytes(m.at(L"target\\t.txt:x"), "target file's");
        std::filesystem::create_directories(m.at(L"J"));
        writeBytes(m.at(L"J:x"), "junction's");
        writeBytes(m.at(L"L"), "");
        writeBytes(m.at(L"L:x"), "file link's");
        const std::string junction = reparseData(true, L"\\??\\N:\\target", L"N:\\target");
        const std::string link = reparseData(false, L"target\\t.txt", L"target\\t.txt");
        const char* name = "system.ntfs_reparse_data";
        if (::setxattr(m.at(L"J").c_str(), name, junction.data(), junction.size(), 0) != 0 ||
            ::setxattr(m.at(L"L").c_str(), name, link.data(), link.size(), 0) != 0) {
            v.unavailable = "ntfs-3g did not set the reparse data: " + std::string(std::strerror(errno));
            return v;
        }
        if (!m.unmount()) {
            v.unavailable = "the ntfs-3g mount did not end";
        }
        return v;
    }();
    return volume;
}

// The direct read lists a link's own streams and reads their bytes, in the listing, the preview and a
// whole scan, never its target's.
TEST(LinksReadDirectly, AreListedAndReadAsThemselves) {
    if (!linkVolume().unavailable.empty()) {
        GTEST_SKIP() << linkVolume().unavailable;
    }
    auto services = openServices(linkVolume().image, kLetter);
    ASSERT_NE(services, nullptr);
    plat::installFileServices(services.get());
    plat::TTestShell shell;
    plat::installShellServices(&shell);
    for (const wchar_t* link : {L"N:\\J", L"N:\\L"}) {
        EXPECT_NE(services->GetFileAttributesW(link) & plat::FILE_ATTRIBUTE_REPARSE_POINT, 0u)
            << utf8(link) << " is a reparse point on the volume";
    }
    for (bool streamFunctions : {true, false}) {
        services->setStreamFunctionsAvailable(streamFunctions);
        for (const auto& [path, size] : {std::pair{L"N:\\J", 10}, std::pair{L"N:\\L", 11}}) {
            TADSList list;
            enumFileADS(path, list);
            ASSERT_EQ(list.size(), 1u) << utf8(path);
            EXPECT_EQ(list[0].adsName(), L"x");
            EXPECT_EQ(list[0].adsSize(), size) << utf8(path);
        }
    }
    services->setStreamFunctionsAvailable(true);

    plat::TStandInUiThread ui;
    plat::installUiDispatcher(&ui);
    TReportingWindow window;
    testsupport::TDoneSignal destroyed;
    auto* scan = new TWatchedScan(window, destroyed);
    scan->setFreeOnTerminate(true);
    scan->setScanMode(smTargetDrive);
    scan->setPath(L"N:\\");
    scan->setPreviewLen(kPreviewLength);
    scan->Start();
    ASSERT_TRUE(destroyed.waitFor(60s)) << "the scan did not end";
    plat::installUiDispatcher(nullptr);
    std::vector<std::pair<std::wstring, std::wstring>> found;
    for (std::size_t i = 0; i < window.streams.size(); ++i) {
        found.emplace_back(std::get<0>(window.streams[i]), window.previews[i]);
    }
    std::sort(found.begin(), found.end());
    // The direct read never follows a link: below the junction its folder holds nothing.
    EXPECT_EQ(found, (std::vector<std::pair<std::wstring, std::wstring>>{
                         {L"N:\\J:x", L"junction's"},
                         {L"N:\\L:x", L"file link's"},
                         {L"N:\\target:x", L"target folder's"},
                         {L"N:\\target\\t.txt:x", L"target file's"},
                     }));
    // The Sleuth Kit, which never follows a link either, lists the same streams with the same bytes.
    if (const std::string& reason = sleuthKitUnavailableReason(); !reason.empty()) {
        std::cout << "the comparison with fls and icat is skipped: " << reason << "\n";
    } else {
        std::vector<std::pair<std::wstring, std::wstring>> byFls;
        for (const TFileFacts& file : readWithSleuthKit(linkVolume().image)) {
            for (const TStreamFacts& stream : file.streams) {
                byFls.emplace_back(L"N:\\" + file.path + L":" + stream.name,
                                   std::wstring(stream.bytes.begin(), stream.bytes.end()));
            }
        }
        std::sort(byFls.begin(), byFls.end());
        EXPECT_EQ(found, byFls);
    }
    EXPECT_EQ(services->openHandles(), 0);
    plat::installShellServices(nullptr);
    plat::installFileServices(nullptr);
}

} // namespace
} // namespace ntfstest
