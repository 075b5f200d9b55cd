// What the NTFS file services answer beyond listing and reading: the volume as a drive, refusals of a
// read-only volume, 8.3 names, names compared by the volume's own upper-case table, times, attributes,
// hard links, the backup stream's records, and a volume read through another file services object
// (as a raw volume is on Windows).

#include "ntfs/NtfsFixture.h"
#include "ntfs/NtfsPatchedImage.h"
#include "ntfs/NtfsServicesView.h"
#include "platform/ntfs/NtfsServicesDevice.h"
#include "platform/store/SimStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

namespace ntfstest {
namespace {

using plat::DWORD;

class Services : public testing::Test {
protected:
    void SetUp() override {
        if (!mountedVolume().unavailable.empty()) {
            GTEST_SKIP() << mountedVolume().unavailable;
        }
        FServices = openServices(mountedVolume().image, L'N');
        ASSERT_NE(FServices, nullptr);
    }
    void TearDown() override {
        if (FServices) {
            EXPECT_EQ(FServices->openHandles(), 0);
        }
    }
    plat::ntfs::TNtfsFileServices& fs() { return *FServices; }
    plat::HANDLE open(const std::wstring& path, DWORD access, DWORD disposition, DWORD flags = 0) {
        return fs().CreateFileW(path.c_str(), access, plat::FILE_SHARE_READ, nullptr, disposition, flags,
                                nullptr);
    }
    // Every entry a search gives: long name and 8.3 name.
    std::vector<std::pair<std::wstring, std::wstring>> search(const std::wstring& pattern) {
        std::vector<std::pair<std::wstring, std::wstring>> found;
        plat::WIN32_FIND_DATAW data{};
        plat::HANDLE find = fs().FindFirstFileW(pattern.c_str(), &data);
        if (find == plat::INVALID_HANDLE_VALUE) {
            return found;
        }
        do {
            found.emplace_back(data.cFileName, data.cAlternateFileName);
        } while (fs().FindNextFileW(find, &data));
        fs().FindClose(find);
        return found;
    }
    plat::BY_HANDLE_FILE_INFORMATION info(const std::wstring& path) {
        plat::BY_HANDLE_FILE_INFORMATION info{};
        plat::HANDLE file =
            open(path, plat::GENERIC_READ, plat::OPEN_EXISTING, plat::FILE_FLAG_BACKUP_SEMANTICS);
        EXPECT_NE(file, plat::INVALID_HANDLE_VALUE) << utf8(path);
        EXPECT_TRUE(fs().GetFileInformationByHandle(file, &info));
        fs().CloseHandle(file);
        return info;
    }

    std::unique_ptr<plat::ntfs::TNtfsFileServices> FServices;
};

TEST_F(Services, TheVolumeIsAFixedNtfsDriveWithItsLabel) {
    EXPECT_EQ(fs().GetLogicalDrives(), 1u << (L'N' - L'A'));
    EXPECT_EQ(fs().GetDriveTypeW(L"N:\\"), plat::DRIVE_FIXED);
    EXPECT_EQ(fs().GetDriveTypeW(L"M:\\"), plat::DRIVE_NO_ROOT_DIR);
    wchar_t label[plat::MAX_PATH + 1] = {};
    wchar_t fileSystem[plat::MAX_PATH + 1] = {};
    DWORD serial = 0, maxComponent = 0, flags = 0;
    ASSERT_TRUE(fs().GetVolumeInformationW(L"N:\\", label, plat::MAX_PATH + 1, &serial, &maxComponent, &flags,
                                           fileSystem, plat::MAX_PATH + 1));
    EXPECT_EQ(std::wstring(label), L"Mounted fixture");
    EXPECT_EQ(std::wstring(fileSystem), L"NTFS");
    EXPECT_EQ(maxComponent, 255u);
    EXPECT_NE(flags & 0x00040000, 0u) << "named streams";
    EXPECT_NE(flags & 0x00080000, 0u) << "read-only volume";
    auto volume = ntfs::TNtfsVolume::open(ntfs::openImageFile(mountedVolume().image));
    EXPECT_EQ(serial, static_cast<DWORD>(volume->geometry().serialNumber));
    EXPECT_EQ(info(L"N:\\plain.txt").dwVolumeSerialNumber, serial);
}

TEST_F(Services, ChangesAreRefusedAndNothingChanges) {
    const std::vector<TSeenFile> before = walkServices(fs(), L'N');
    struct TOpen {
        const wchar_t* path;
        DWORD access;
        DWORD disposition;
        DWORD error;
    };
    const TOpen opens[] = {
        {L"N:\\plain.txt", plat::GENERIC_WRITE, plat::OPEN_EXISTING, plat::ERROR_ACCESS_DENIED},
        {L"N:\\plain.txt", plat::GENERIC_READ, plat::CREATE_ALWAYS, plat::ERROR_ACCESS_DENIED},
        {L"N:\\plain.txt", plat::GENERIC_READ, plat::TRUNCATE_EXISTING, plat::ERROR_ACCESS_DENIED},
        {L"N:\\plain.txt", plat::GENERIC_READ, plat::CREATE_NEW, plat::ERROR_FILE_EXISTS},
        {L"N:\\new.txt", plat::GENERIC_READ, plat::CREATE_NEW, plat::ERROR_ACCESS_DENIED},
        {L"N:\\new.txt", plat::GENERIC_READ, plat::OPEN_ALWAYS, plat::ERROR_ACCESS_DENIED},
        {L"N:\\new.txt", plat::GENERIC_READ, plat::OPEN_EXISTING, plat::ERROR_FILE_NOT_FOUND},
        {L"N:\\plain.txt:new", plat::GENERIC_WRITE, plat::CREATE_ALWAYS, plat::ERROR_ACCESS_DENIED},
        {L"N:\\hidden.txt:h", plat::GENERIC_READ | plat::GENERIC_WRITE, plat::OPEN_EXISTING,
         plat::ERROR_ACCESS_DENIED},
        {L"N:\\nodir\\new.txt", plat::GENERIC_WRITE, plat::CREATE_ALWAYS, plat::ERROR_PATH_NOT_FOUND},
    };
    for (const TOpen& o : opens) {
        EXPECT_EQ(open(o.path, o.access, o.disposition), plat::INVALID_HANDLE_VALUE) << utf8(o.path);
        EXPECT_EQ(fs().GetLastError(), o.error) << utf8(o.path) << " " << o.disposition;
    }
    struct TCall {
        const char* what;
        plat::BOOL (*call)(plat::TFileServices&);
        DWORD error;
    };
    const TCall calls[] = {
        {"delete a file", [](plat::TFileServices& s) { return s.DeleteFileW(L"N:\\plain.txt"); },
         plat::ERROR_ACCESS_DENIED},
        {"delete a stream", [](plat::TFileServices& s) { return s.DeleteFileW(L"N:\\hidden.txt:h"); },
         plat::ERROR_ACCESS_DENIED},
        {"delete a missing file", [](plat::TFileServices& s) { return s.DeleteFileW(L"N:\\missing.txt"); },
         plat::ERROR_FILE_NOT_FOUND},
        {"make a folder", [](plat::TFileServices& s) { return s.CreateDirectoryW(L"N:\\newdir", nullptr); },
         plat::ERROR_ACCESS_DENIED},
        {"make a folder that exists",
         [](plat::TFileServices& s) { return s.CreateDirectoryW(L"N:\\docs", nullptr); },
         plat::ERROR_ALREADY_EXISTS},
        {"remove a folder", [](plat::TFileServices& s) { return s.RemoveDirectoryW(L"N:\\level1"); },
         plat::ERROR_ACCESS_DENIED},
    };
    for (const TCall& c : calls) {
        EXPECT_FALSE(c.call(fs())) << c.what;
        EXPECT_EQ(fs().GetLastError(), c.error) << c.what;
    }
    plat::HANDLE file = open(L"N:\\plain.txt", plat::GENERIC_READ, plat::OPEN_EXISTING);
    ASSERT_NE(file, plat::INVALID_HANDLE_VALUE);
    DWORD written = 99;
    EXPECT_FALSE(fs().WriteFile(file, "x", 1, &written, nullptr));
    EXPECT_EQ(fs().GetLastError(), plat::ERROR_ACCESS_DENIED);
    EXPECT_EQ(written, 0u);
    fs().CloseHandle(file);

    const std::vector<TSeenFile> after = walkServices(fs(), L'N');
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].path, before[i].path);
        EXPECT_EQ(after[i].streams.size(), before[i].streams.size());
    }
}

TEST_F(Services, ShortNamesFindAndOpenTheFile) {
    const std::pair<std::wstring, std::wstring> entry{L"Long File Name.document", L"LONGFI~1.DOC"};
    using TFound = std::vector<std::pair<std::wstring, std::wstring>>;
    EXPECT_EQ(search(L"N:\\docs\\LONGFI~1.DOC"), TFound{entry});
    EXPECT_EQ(search(L"N:\\docs\\*~1.*"), TFound{entry}) << "a mask only the 8.3 name matches";
    EXPECT_EQ(search(L"N:\\docs\\long file name.DOCUMENT"), TFound{entry});
    std::string bytes;
    DWORD error = 0;
    ASSERT_TRUE(readWhole(fs(), L"N:\\docs\\LONGFI~1.DOC:s", bytes, error)) << error;
    EXPECT_EQ(bytes, "x");
    // Names ntfs-3g made itself have no 8.3 name beside them.
    EXPECT_EQ(search(L"N:\\name with spaces.txt"), (TFound{{L"name with spaces.txt", L""}}));
}

TEST_F(Services, NamesCompareWithTheVolumesUpperCaseTable) {
    // Beyond ASCII: u-umlaut, CJK (no case), Greek with a final letter and an accent.
    const std::wstring upper =
        L"N:\\Z\u00dcRICH-\u65e5\u672c\u8a9e-\u0395\u039b\u039b\u0397\u039d\u0399\u039a\u0386.TXT";
    std::string bytes;
    DWORD error = 0;
    ASSERT_TRUE(readWhole(fs(), upper, bytes, error)) << error;
    EXPECT_EQ(bytes, "unicode");
    ASSERT_TRUE(readWhole(fs(), upper + L":\u00d1O\u00d1O-\u6d41", bytes, error)) << error;
    EXPECT_EQ(bytes, "unicode stream");
    EXPECT_EQ(search(L"N:\\z\u00fc*").size(), 1u);
}

TEST_F(Services, TimesAttributesAndLinksAreThoseOfTheVolume) {
    const plat::BY_HANDLE_FILE_INFORMATION report = info(L"N:\\docs\\report one.txt");
    EXPECT_EQ(report.ftCreationTime.dwHighDateTime, 0x01d710b4u);
    EXPECT_EQ(report.ftCreationTime.dwLowDateTime, 0x15ef9720u);
    EXPECT_EQ(report.ftLastWriteTime.dwHighDateTime, 0x01ca6bcfu);
    EXPECT_EQ(report.ftLastWriteTime.dwLowDateTime, 0xe533a5d0u);

    // ntfs-3g marks what it makes for archiving; the other bits are those set.
    constexpr DWORD kCompressed = 0x800;
    constexpr DWORD kSparse = 0x200;
    constexpr DWORD kSeen = plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_SYSTEM |
                            plat::FILE_ATTRIBUTE_DIRECTORY | plat::FILE_ATTRIBUTE_NORMAL | kCompressed |
                            kSparse;
    struct TCase {
        const wchar_t* path;
        DWORD attributes;
    };
    const TCase cases[] = {
        {L"N:\\plain.txt", 0},
        {L"N:\\hidden.txt", plat::FILE_ATTRIBUTE_HIDDEN},
        {L"N:\\system.txt", plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_SYSTEM},
        {L"N:\\system.txt:s", plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_SYSTEM},
        {L"N:\\Hidden folder", plat::FILE_ATTRIBUTE_DIRECTORY | plat::FILE_ATTRIBUTE_HIDDEN},
        {L"N:\\packed", plat::FILE_ATTRIBUTE_DIRECTORY | kCompressed},
        {L"N:\\packed\\text.txt", kCompressed},
        {L"N:\\sparse.bin", kSparse},
        {L"N:\\docs", plat::FILE_ATTRIBUTE_DIRECTORY},
        {L"N:\\", plat::FILE_ATTRIBUTE_DIRECTORY | plat::FILE_ATTRIBUTE_HIDDEN | plat::FILE_ATTRIBUTE_SYSTEM},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(fs().GetFileAttributesW(c.path) & kSeen, c.attributes) << utf8(c.path);
    }

    // A hard link is the same file under two names.
    const plat::BY_HANDLE_FILE_INFORMATION plain = info(L"N:\\plain.txt");
    const plat::BY_HANDLE_FILE_INFORMATION link = info(L"N:\\docs\\hardlink.txt");
    EXPECT_EQ(plain.nNumberOfLinks, 2u);
    EXPECT_EQ(plain.nFileIndexLow, link.nFileIndexLow);
    EXPECT_EQ(plain.nFileIndexHigh, link.nFileIndexHigh);
}

TEST_F(Services, FoldersListDotEntriesAndTheirOwnStreams) {
    using TFound = std::vector<std::pair<std::wstring, std::wstring>>;
    const TFound docs = search(L"N:\\docs\\*");
    ASSERT_GE(docs.size(), 2u);
    EXPECT_EQ(docs[0].first, L".");
    EXPECT_EQ(docs[1].first, L"..");
    const TFound root = search(L"N:\\*");
    EXPECT_TRUE(std::none_of(root.begin(), root.end(),
                             [](const auto& e) { return e.first == L"." || e.first == L".."; }));
    EXPECT_TRUE(std::none_of(root.begin(), root.end(), [](const auto& e) { return e.first[0] == L'$'; }))
        << "the system files stay hidden";

    plat::WIN32_FIND_STREAM_DATA data{};
    plat::HANDLE find = fs().FindFirstStreamW(L"N:\\docs", plat::FindStreamInfoStandard, &data, 0);
    ASSERT_NE(find, plat::INVALID_HANDLE_VALUE);
    EXPECT_EQ(std::wstring(data.cStreamName), L":folderstream:$DATA");
    EXPECT_EQ(data.StreamSize, 11);
    EXPECT_FALSE(fs().FindNextStreamW(find, &data));
    EXPECT_EQ(fs().GetLastError(), plat::ERROR_HANDLE_EOF);
    fs().FindClose(find);
    EXPECT_EQ(fs().FindFirstStreamW(L"N:\\level1", plat::FindStreamInfoStandard, &data, 0),
              plat::INVALID_HANDLE_VALUE);
    EXPECT_EQ(fs().GetLastError(), plat::ERROR_HANDLE_EOF);
}

// A folder listed in one call gives what the directory search gives, entry for entry (names, order,
// attributes, the masks' long- and 8.3-name rules, the errors), and for each entry exactly whether
// the stream listing would name a stream, over every folder of the volume.
TEST_F(Services, AFolderListedInOneCallIsTheSearchWithWhatItsStreamsAre) {
    const auto listed = [&](const std::wstring& pattern, DWORD& error) {
        std::vector<plat::TFolderEntry> entries;
        const plat::TFolderListing result = fs().listFolder(pattern.c_str(), entries);
        error = result == plat::TFolderListing::failed ? fs().GetLastError() : 0;
        EXPECT_NE(result, plat::TFolderListing::notOffered);
        return entries;
    };
    const auto searched = [&](const std::wstring& pattern, DWORD& error) {
        std::vector<std::pair<std::wstring, DWORD>> found;
        plat::WIN32_FIND_DATAW data{};
        plat::HANDLE find = fs().FindFirstFileW(pattern.c_str(), &data);
        error = find == plat::INVALID_HANDLE_VALUE ? fs().GetLastError() : 0;
        if (find != plat::INVALID_HANDLE_VALUE) {
            do {
                found.emplace_back(data.cFileName, data.dwFileAttributes);
            } while (fs().FindNextFileW(find, &data));
            fs().FindClose(find);
        }
        return found;
    };
    const auto namedStreams = [&](const std::wstring& path) {
        plat::WIN32_FIND_STREAM_DATA data{};
        plat::HANDLE find = fs().FindFirstStreamW(path.c_str(), plat::FindStreamInfoStandard, &data, 0);
        bool named = false;
        if (find != plat::INVALID_HANDLE_VALUE) {
            do {
                named = named || std::wstring(data.cStreamName) != L"::$DATA";
            } while (fs().FindNextStreamW(find, &data));
            fs().FindClose(find);
        }
        return named ? plat::TKnownStreams::some : plat::TKnownStreams::none;
    };
    std::vector<std::wstring> folders{L"N:\\"};
    int withStreams = 0;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        SCOPED_TRACE(utf8(folders[i]));
        for (const wchar_t* mask : {L"*", L"*.*", L"*.txt", L"*~1.*", L"?????.*"}) {
            DWORD listError = 0;
            DWORD searchError = 0;
            const std::vector<plat::TFolderEntry> entries = listed(folders[i] + mask, listError);
            const std::vector<std::pair<std::wstring, DWORD>> found =
                searched(folders[i] + mask, searchError);
            EXPECT_EQ(listError, searchError) << utf8(mask);
            ASSERT_EQ(entries.size(), found.size()) << utf8(mask);
            for (std::size_t e = 0; e < entries.size(); ++e) {
                EXPECT_EQ(entries[e].name, found[e].first);
                EXPECT_EQ(entries[e].attributes, found[e].second) << utf8(entries[e].name);
                if (entries[e].name == L"." || entries[e].name == L"..") {
                    continue;
                }
                const std::wstring path = folders[i] + entries[e].name;
                EXPECT_EQ(entries[e].streams, namedStreams(path)) << utf8(path);
                withStreams += entries[e].streams == plat::TKnownStreams::some;
                if (std::wstring(mask) == L"*" &&
                    (entries[e].attributes & plat::FILE_ATTRIBUTE_DIRECTORY) != 0) {
                    folders.push_back(path + L"\\");
                }
            }
        }
    }
    EXPECT_GT(folders.size(), 10u);
    EXPECT_GT(withStreams, 10);
    DWORD error = 0;
    EXPECT_TRUE(listed(L"N:\\no such folder\\*", error).empty());
    EXPECT_EQ(error, plat::ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(listed(L"N:\\docs\\*.nothing", error).empty());
    EXPECT_EQ(error, plat::ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(listed(L"N:\\plain.txt\\*", error).empty());
    EXPECT_EQ(error, plat::ERROR_DIRECTORY);
}

// A path is looked up from the folder of the path before when it lies in the same one: that shortcut
// never answers for another folder, another case of the same names, a file taken as a folder, or a
// volume mounted since. Each answer is that of services that never saw a path before.
TEST_F(Services, ALookUpNeverAnswersFromAnotherFolder) {
    const std::wstring paths[] = {
        L"N:\\docs\\report one.txt",
        L"N:\\docs\\hardlink.txt",
        L"N:\\hardlink.txt",
        L"N:\\plain.txt",
        L"N:\\docs\\plain.txt",
        L"N:\\DOCS\\several.bin",
        L"N:\\docs\\nothing.txt",
        L"N:\\plain.txt\\x",
        L"N:\\level1\\plain.txt",
        L"N:\\docs\\LONGFI~1.DOC",
        L"N:\\Hidden folder\\inside.txt",
        L"N:\\docs\\inside.txt",
        L"N:\\docs",
        L"N:\\docs\\several.bin:mid",
        L"N:\\level1\\several.bin:mid",
    };
    const auto answer = [](plat::TFileServices& services, const std::wstring& path) {
        const DWORD attributes = services.GetFileAttributesW(path.c_str());
        return std::make_pair(attributes,
                              attributes == plat::INVALID_FILE_ATTRIBUTES ? services.GetLastError() : 0);
    };
    for (int round = 0; round < 2; ++round) { // the second round follows each path by another order
        for (std::size_t i = 0; i < std::size(paths); ++i) {
            const std::wstring& path = paths[round == 0 ? i : std::size(paths) - 1 - i];
            auto fresh = openServices(mountedVolume().image, L'N');
            ASSERT_NE(fresh, nullptr);
            EXPECT_EQ(answer(fs(), path), answer(*fresh, path)) << utf8(path);
        }
    }
    // Another volume at the same letter: the folder found before is not taken for its own.
    if (!copiedVolume().unavailable.empty()) {
        GTEST_SKIP() << copiedVolume().unavailable;
    }
    ASSERT_EQ(answer(fs(), L"N:\\docs\\report one.txt").second, 0u);
    fs().mount(L'N', ntfs::TNtfsVolume::open(ntfs::openImageFile(copiedVolume().image)));
    EXPECT_EQ(answer(fs(), L"N:\\docs\\report one.txt").second, plat::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(answer(fs(), L"N:\\one.txt").second, 0u);
}

// NTFS keeps a file's attributes sorted by name (without case), so streams are listed in name order
// whatever the order they were made in (here a, empty, b, mid, big).
TEST_F(Services, StreamsAreListedInNameOrder) {
    std::vector<std::wstring> names;
    plat::WIN32_FIND_STREAM_DATA data{};
    plat::HANDLE find =
        fs().FindFirstStreamW(L"N:\\docs\\several.bin", plat::FindStreamInfoStandard, &data, 0);
    ASSERT_NE(find, plat::INVALID_HANDLE_VALUE);
    do {
        names.push_back(data.cStreamName);
    } while (fs().FindNextStreamW(find, &data));
    fs().FindClose(find);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"::$DATA", L":a:$DATA", L":b:$DATA", L":big:$DATA",
                                                L":empty:$DATA", L":mid:$DATA"}));
}

TEST_F(Services, BackupStreamStartsWithTheSecurityDescriptor) {
    plat::HANDLE file = open(L"N:\\docs\\several.bin", plat::GENERIC_READ, plat::OPEN_EXISTING,
                             plat::FILE_FLAG_BACKUP_SEMANTICS);
    ASSERT_NE(file, plat::INVALID_HANDLE_VALUE);
    void* context = nullptr;
    std::string bytes;
    plat::BYTE buffer[4093];
    DWORD read = 0;
    while (fs().BackupRead(file, buffer, sizeof buffer, &read, plat::FALSE, plat::TRUE, &context) &&
           read > 0) {
        bytes.append(reinterpret_cast<const char*>(buffer), read);
    }
    fs().BackupRead(file, buffer, 0, &read, plat::TRUE, plat::FALSE, &context);
    fs().CloseHandle(file);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes[0], plat::BACKUP_SECURITY_DATA);
    EXPECT_EQ(bytes[20], 1) << "a self-relative descriptor of revision 1";
    // Then the main data and the five streams, (3 MiB and more in all).
    EXPECT_GT(bytes.size(), (3u << 20) + 5700u);
}

// The simulated store with a volume handle's rule: a read must start on a sector and be whole sectors,
// or it fails as Windows fails it (ERROR_INVALID_PARAMETER).
class TSectorStore final : public plat::store::TSimStore {
public:
    explicit TSectorStore(std::uint64_t sector) : FSector(sector) {}
    std::uint64_t unalignedReads = 0;
    std::uint64_t reads = 0;
    std::uint64_t bytesAsked = 0;

    DWORD SetFilePointer(plat::HANDLE file, plat::LONG distance, plat::LONG* distanceHigh,
                         DWORD method) override {
        const DWORD low = TSimStore::SetFilePointer(file, distance, distanceHigh, method);
        const std::uint64_t high = distanceHigh != nullptr ? static_cast<std::uint32_t>(*distanceHigh) : 0;
        FPosition = high << 32 | low;
        return low;
    }
    plat::BOOL ReadFile(plat::HANDLE file, void* buffer, DWORD toRead, DWORD* read,
                        void* overlapped) override {
        ++reads;
        bytesAsked += toRead;
        if (FPosition % FSector != 0 || toRead % FSector != 0) {
            ++unalignedReads;
            SetLastError(plat::ERROR_INVALID_PARAMETER);
            return plat::FALSE;
        }
        const plat::BOOL done = TSimStore::ReadFile(file, buffer, toRead, read, overlapped);
        FPosition += done && read != nullptr ? *read : 0;
        return done;
    }

private:
    std::uint64_t FSector;
    std::uint64_t FPosition = 0;
};

// The backup byte stream of every file and folder, read in odd-sized pieces.
std::map<std::wstring, std::string> backupStreams(plat::TFileServices& services, wchar_t letter,
                                                  const std::vector<TSeenFile>& files) {
    std::map<std::wstring, std::string> streams;
    for (const TSeenFile& file : files) {
        const std::wstring path = std::wstring(1, letter) + L":\\" + file.path;
        plat::HANDLE handle =
            services.CreateFileW(path.c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ, nullptr,
                                 plat::OPEN_EXISTING, plat::FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (handle == plat::INVALID_HANDLE_VALUE) {
            streams[file.path] = "cannot open";
            continue;
        }
        void* context = nullptr;
        plat::BYTE buffer[4093];
        DWORD read = 0;
        std::string& bytes = streams[file.path];
        while (services.BackupRead(handle, buffer, sizeof buffer, &read, plat::FALSE, plat::TRUE, &context) &&
               read > 0) {
            bytes.append(reinterpret_cast<const char*>(buffer), read);
        }
        bytes += "|end " + std::to_string(services.GetLastError());
        services.BackupRead(handle, buffer, 0, &read, plat::TRUE, plat::FALSE, &context);
        services.CloseHandle(handle);
    }
    return streams;
}

// A volume reached through other file services, as a raw volume ("\\.\C:") is on Windows: here the
// image lies in the simulated store, which refuses any read that is not whole sectors, and every file,
// stream and backup stream read through it is what ntfs-3g reads and the image file gives.
TEST(ServicesDevice, ReadsAVolumeInWholeSectorsThroughFileServices) {
    for (const TFixtureVolume& (*volume)() : {copiedVolume, mountedVolume}) {
        const TFixtureVolume& fixture = (*volume)();
        if (!fixture.unavailable.empty()) {
            GTEST_SKIP() << fixture.unavailable;
        }
        auto direct = openServices(fixture.image, L'N');
        ASSERT_NE(direct, nullptr);
        const std::map<std::wstring, std::string> expectedBackups =
            backupStreams(*direct, L'N', walkServices(*direct, L'N'));
        for (std::uint64_t sector : {512u, 4096u}) {
            const std::string where =
                fixture.image.filename().string() + ", sectors of " + std::to_string(sector);
            TSectorStore store(sector);
            store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
            store.addFile(L"C:\\volume.img", readBytes(fixture.image));
            {
                auto opened =
                    ntfs::TNtfsVolume::open(plat::ntfs::openServicesDevice(store, L"C:\\volume.img"));
                ASSERT_NE(opened, nullptr) << where;
                plat::ntfs::TNtfsFileServices services;
                services.mount(L'N', std::move(opened));
                const std::vector<TSeenFile> seen = walkServices(services, L'N');
                ASSERT_EQ(seen.size(), fixture.facts.size()) << where;
                for (const TSeenFile& file : seen) {
                    const TFileFacts* facts = fixture.find(file.path);
                    ASSERT_NE(facts, nullptr) << where;
                    EXPECT_TRUE(file.data == facts->data) << utf8(file.path) << ", " << where;
                    ASSERT_EQ(file.streams.size(), facts->streams.size()) << where;
                    for (std::size_t i = 0; i < file.streams.size(); ++i) {
                        EXPECT_TRUE(file.streams[i].bytes == facts->streams[i].bytes)
                            << utf8(file.path + L":" + file.streams[i].name) << ", " << where;
                    }
                }
                EXPECT_TRUE(backupStreams(services, L'N', seen) == expectedBackups) << where;
            }
            EXPECT_EQ(store.unalignedReads, 0u) << where;
            EXPECT_EQ(store.openHandles(), 0) << "the device closes its handle; " << where;
            EXPECT_EQ(plat::ntfs::openServicesDevice(store, L"C:\\missing.img"), nullptr);
        }
    }
}

// A volume handle does not tell its size: the device finds what the volume holds, whatever its boot
// sector claims, in a few reads. Reads are whole 4 KiB blocks, so a size is too.
TEST(ServicesDevice, FindsTheSizeTheVolumeHolds) {
    const TFixtureVolume& fixture = copiedVolume();
    if (!fixture.unavailable.empty()) {
        GTEST_SKIP() << fixture.unavailable;
    }
    const std::string whole = readBytes(fixture.image);
    std::uint64_t claimedEnd = 0;
    for (int i = 0; i < 8; ++i) {
        claimedEnd |= std::uint64_t{static_cast<std::uint8_t>(whole[0x28 + i])} << (8 * i);
    }
    claimedEnd *= 512;
    ASSERT_LE(claimedEnd, whole.size());
    std::string claimingExabytes = whole;
    claimingExabytes[0x28 + 7] = 0x10;                                // 2^60 sectors and more
    const std::size_t cut = whole.size() / 2 / 4096 * 4096 + 3 * 512; // whole sectors, not blocks
    struct TCase {
        const char* what;
        std::string bytes;
        std::uint64_t least; // what the device must be found to hold at least
        std::uint64_t most;
    };
    const TCase cases[] = {
        {"a whole volume", whole, claimedEnd, whole.size()},
        {"a volume cut short", whole.substr(0, cut), cut / 4096 * 4096, cut / 4096 * 4096},
        {"a boot sector claiming exabytes", claimingExabytes, whole.size() / 4096 * 4096,
         whole.size() / 4096 * 4096},
        {"no NTFS boot sector", std::string(whole.size(), '\0'), ntfs::TNtfsDevice::kUnknownSize,
         ntfs::TNtfsDevice::kUnknownSize},
    };
    for (const TCase& c : cases) {
        TSectorStore store(512);
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        store.addFile(L"C:\\volume.img", c.bytes);
        auto device = plat::ntfs::openServicesDevice(store, L"C:\\volume.img");
        ASSERT_NE(device, nullptr) << c.what;
        EXPECT_GE(device->size(), c.least) << c.what;
        EXPECT_LE(device->size(), c.most) << c.what;
        EXPECT_LE(store.reads, 64u) << c.what;
        EXPECT_EQ(store.unalignedReads, 0u) << c.what;
    }
}

// A raw volume shorter than its boot sector claims, whose MFT claims 64 MiB of records past the end:
// those records are known unreadable from the device's size and skipped whole, not asked for one by one.
TEST(ServicesDevice, VolumeShorterThanItClaimsCostsWhatItHolds) {
    if (!copiedVolume().unavailable.empty()) {
        GTEST_SKIP() << copiedVolume().unavailable;
    }
    const TImage image(copiedVolume());
    const std::size_t size = image.geometry().recordSize;
    const std::uint64_t cluster = image.geometry().clusterSize;
    auto intact = openBytes(image.bytes);
    std::uint64_t vcns = 0;
    std::vector<TPlainRun> runs = plainMftRuns(*intact, vcns);
    const std::uint64_t imageClusters = image.bytes.size() / cluster;
    const std::uint64_t beyond = (64u << 20) / cluster;
    runs.push_back({static_cast<std::int64_t>(imageClusters + 64), beyond});
    std::string damaged = image.bytes;
    const std::uint64_t sectors = (imageClusters + 64 + beyond + 64) * (cluster / 512);
    for (int i = 0; i < 8; ++i) {
        damaged[0x28 + i] = static_cast<char>(sectors >> (8 * i));
    }
    const std::uint64_t total = (vcns + beyond) * cluster;
    image.patchRecord(damaged, ntfs::kRecordMft, [&](std::uint8_t* record) {
        setRuns(record, size, attributeOffset(record, ntfs::kAttrData), encodeRuns(runs), vcns + beyond - 1,
                total, total);
    });

    TSectorStore store(512);
    store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    store.addFile(L"C:\\volume.img", damaged);
    auto volume = ntfs::TNtfsVolume::open(plat::ntfs::openServicesDevice(store, L"C:\\volume.img"));
    ASSERT_NE(volume, nullptr);
    EXPECT_GE(volume->damagedRecords(), beyond * cluster / size);
    EXPECT_LE(store.bytesAsked, 4 * damaged.size())
        << "asked for " << store.bytesAsked << " bytes of a " << damaged.size() << "-byte volume";
    plat::ntfs::TNtfsFileServices services;
    services.mount(L'N', std::move(volume));
    std::set<std::wstring> seen;
    for (const TSeenFile& file : walkServices(services, L'N')) {
        seen.insert(file.path);
    }
    std::set<std::wstring> expected;
    for (const TSeenFile& file : walkAll(image.bytes)) {
        expected.insert(file.path);
    }
    EXPECT_EQ(seen, expected);
}

} // namespace
} // namespace ntfstest
