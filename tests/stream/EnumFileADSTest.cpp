// Listing the named streams of one file over the simulated store, through both walks: the stream
// listing functions and, where they are missing, the file's backup stream.

#include "stream/UntKorvaneLib.h"

#include "platform/store/SimStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace std::string_literals;
using plat::store::TCall;
using plat::store::TSimStore;

namespace {

using TRecords = std::vector<std::pair<std::wstring, std::int64_t>>;

TRecords recordsOf(const TADSList& list) {
    TRecords records;
    for (const TADSObject& item : list) {
        records.emplace_back(item.adsName(), item.adsSize());
    }
    return records;
}

TRecords listStreams(const std::wstring& path) {
    TADSList list;
    enumFileADS(path, list);
    return recordsOf(list);
}

// The store, with a hook that may change what one BackupRead call delivers.
class THookedStore : public TSimStore {
public:
    std::function<plat::BOOL(plat::HANDLE, plat::BYTE*, plat::DWORD, plat::DWORD*, plat::BOOL, plat::BOOL,
                             void**)>
        backupReadHook;

    plat::BOOL BackupRead(plat::HANDLE file, plat::BYTE* buffer, plat::DWORD toRead, plat::DWORD* read,
                          plat::BOOL abort, plat::BOOL processSecurity, void** context) override {
        if (backupReadHook && !abort) {
            return backupReadHook(file, buffer, toRead, read, abort, processSecurity, context);
        }
        return TSimStore::BackupRead(file, buffer, toRead, read, abort, processSecurity, context);
    }
};

// The raw bytes of a backup-stream header followed by a stream name, as stream contents.
std::string fakeRecord(const std::wstring& name, std::uint32_t dataSize) {
    std::string bytes;
    auto put32 = [&](std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
        }
    };
    put32(plat::BACKUP_ALTERNATE_DATA);
    put32(0);
    put32(dataSize);
    put32(0);
    put32(static_cast<std::uint32_t>(name.size() * 2));
    for (wchar_t c : name) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return bytes + std::string(dataSize, 'x');
}

class EnumFileADSTest : public ::testing::Test {
protected:
    void SetUp() override {
        plat::installFileServices(&store);
        store.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
    }
    void TearDown() override {
        EXPECT_EQ(store.openHandles(), 0) << "a handle, search or backup context was left open";
    }

    THookedStore store;
};

// Both walks: the parameter says whether the stream listing functions exist.
class BothWalksTest : public EnumFileADSTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        EnumFileADSTest::SetUp();
        store.setStreamFunctionsAvailable(GetParam());
    }
    bool enumerationWalk() const { return GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Walks, BothWalksTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "StreamFunctions" : "BackupRead";
                         });

// A file with a few streams whose names and sizes every walk must report alike.
const std::wstring kFile = L"C:\\data\\report.txt";
const TRecords kStreams = {{L"notes", 12}, {L"Zone.Identifier", 26}, {L"MiXeD Case", 3}};
// The same streams as the platform lists them: in NTFS order, by upper-cased name.
const TRecords kListed = {{L"MiXeD Case", 3}, {L"notes", 12}, {L"Zone.Identifier", 26}};

void addStreams(TSimStore& store, const std::wstring& path, const TRecords& streams) {
    for (const auto& [name, size] : streams) {
        store.addStream(path, name, std::string(static_cast<std::size_t>(size), 'a'));
    }
}

TEST_P(BothWalksTest, MainStreamOnlyGivesNoRecord) {
    store.addFile(kFile, "main data");
    store.addFile(L"C:\\data\\empty.txt");
    EXPECT_EQ(listStreams(kFile), TRecords{});
    EXPECT_EQ(listStreams(L"C:\\data\\empty.txt"), TRecords{});
}

TEST_P(BothWalksTest, ReportsEachStreamAsThePlatformSpellsIt) {
    store.addFile(kFile, "main data");
    addStreams(store, kFile, kStreams);
    EXPECT_EQ(listStreams(kFile), kListed);
}

TEST_P(BothWalksTest, EmptyStreamIsReportedOnlyByTheListingFunctions) {
    store.addFile(kFile, "main");
    store.addStream(kFile, L"a", "12345");
    store.addStream(kFile, L"b", "");
    const TRecords expected = enumerationWalk() ? TRecords{{L"a", 5}, {L"b", 0}} : TRecords{{L"a", 5}};
    EXPECT_EQ(listStreams(kFile), expected);
}

TEST_P(BothWalksTest, ALinkGivesItsOwnStreamsNeverItsTargets) {
    store.addFile(L"C:\\target.txt", "main");
    store.addStream(L"C:\\target.txt", L"x", "the target's");
    store.addLink(L"C:\\link", L"C:\\target.txt", plat::store::TLinkKind::fileSymbolicLink);
    store.addStream(L"C:\\link", L"x", "own");
    store.addStream(L"C:\\link", L"empty", "");
    // The same records as for any file: the empty stream where the listing functions list it.
    const TRecords expected = enumerationWalk() ? TRecords{{L"empty", 0}, {L"x", 3}} : TRecords{{L"x", 3}};
    EXPECT_EQ(listStreams(L"C:\\link"), expected);
}

TEST_P(BothWalksTest, MissingPathGivesNoRecord) {
    store.addFolder(L"C:\\data");
    EXPECT_EQ(listStreams(L"C:\\data\\missing.txt"), TRecords{});
    EXPECT_EQ(listStreams(L"C:\\nowhere\\missing.txt"), TRecords{});
}

TEST_P(BothWalksTest, AppendsToTheListWithoutClearingIt) {
    store.addFile(kFile, "main");
    store.addStream(kFile, L"a", "12345");
    TADSList list;
    list.push_back(TADSObject::create(L"kept", 1));
    enumFileADS(kFile, list);
    enumFileADS(kFile, list);
    EXPECT_EQ(recordsOf(list), (TRecords{{L"kept", 1}, {L"a", 5}, {L"a", 5}}));
}

TEST_P(BothWalksTest, LongestStreamNameComesWhole) {
    // 255 units: the backup stream carries it as 262 units with ":" and ":$DATA".
    const std::wstring longest(255, L'n');
    store.addFile(kFile, "main");
    store.addStream(kFile, longest, "xyz");
    store.addStream(kFile, L"tail", "1"); // listed after it ("N" < "T")
    EXPECT_EQ(listStreams(kFile), (TRecords{{longest, 3}, {L"tail", 1}}));
}

TEST_P(BothWalksTest, SizesOfFourGiBAndMoreComeWhole) {
    const std::int64_t huge = (std::int64_t(5) << 30) + 7;
    store.addFile(kFile, "main");
    store.addStream(kFile, L"huge", "");
    store.setDataSize(kFile + L":huge", static_cast<std::uint64_t>(huge));
    store.addStream(kFile, L"next", "12");            // listed after it ("H" < "N")
    store.setDataSize(kFile, std::uint64_t(6) << 30); // the main data is skipped, not read
    EXPECT_EQ(listStreams(kFile), (TRecords{{L"huge", huge}, {L"next", 2}}));
}

TEST_P(BothWalksTest, ExceptionThroughTheWalkLeavesNothingOpen) {
    store.addFile(kFile, "main");
    addStreams(store, kFile, kStreams);
    // Thrown from inside the walk, after it has opened its handle and (backup walk) its context.
    store.beforeCall(enumerationWalk() ? TCall::FindNextStreamW : TCall::BackupSeek, 2,
                     [] { throw std::runtime_error("interrupted"); });
    TADSList list;
    EXPECT_THROW(enumFileADS(kFile, list), std::runtime_error);
    store.clearFaults();
}

TEST_F(EnumFileADSTest, RefusedListingGivesNoRecord) {
    store.addFile(kFile, "main");
    addStreams(store, kFile, kStreams);
    store.failCall(TCall::FindFirstStreamW, 1, plat::ERROR_ACCESS_DENIED);
    EXPECT_EQ(listStreams(kFile), TRecords{});
}

TEST_F(EnumFileADSTest, FailingListingStepKeepsTheRecordsBeforeIt) {
    store.addFile(kFile, "main");
    addStreams(store, kFile, kStreams);
    // Listing order: "::$DATA", then the named streams; next call 1 gives the first named stream.
    for (int failing = 1; failing <= 3; ++failing) {
        store.clearFaults();
        store.failCall(TCall::FindNextStreamW, failing, plat::ERROR_NOT_READY);
        const TRecords expected(kListed.begin(), kListed.begin() + (failing - 1));
        EXPECT_EQ(listStreams(kFile), expected) << "failing next call " << failing;
        EXPECT_EQ(store.openHandles(), 0);
    }
}

class BackupWalkTest : public EnumFileADSTest {
protected:
    void SetUp() override {
        EnumFileADSTest::SetUp();
        store.setStreamFunctionsAvailable(false);
        store.addFile(kFile, "main data of the file");
        addStreams(store, kFile, kStreams);
    }

    // The BackupRead calls one walk makes, its final aborting one excluded.
    int readCallsOfOneWalk() {
        store.clearCallLog();
        listStreams(kFile);
        int reads = 0;
        for (const auto& call : store.callLog()) {
            reads += call.call == TCall::BackupRead ? 1 : 0;
        }
        return reads - 1;
    }
};

TEST_F(BackupWalkTest, UnreadableFileGivesNoRecord) {
    store.denyAccess(kFile);
    EXPECT_EQ(listStreams(kFile), TRecords{});
    store.denyAccess(kFile, false);

    const int hold = store.holdOpen(kFile, plat::GENERIC_WRITE, plat::FILE_SHARE_WRITE);
    EXPECT_EQ(listStreams(kFile), TRecords{});
    store.release(hold);

    EXPECT_EQ(listStreams(kFile), kListed);
}

TEST_F(BackupWalkTest, HeadersSplitAcrossReadsAreJoined) {
    for (plat::DWORD limit : {1u, 3u, 7u, 19u, 21u}) {
        store.setBackupReadLimit(limit);
        EXPECT_EQ(listStreams(kFile), kListed) << "at most " << limit << " bytes a read";
        EXPECT_EQ(store.openHandles(), 0);
    }
}

TEST_F(BackupWalkTest, FailingReadKeepsTheRecordsBeforeIt) {
    const int reads = readCallsOfOneWalk();
    ASSERT_GT(reads, 3);
    bool somePartial = false;
    for (int failing = 1; failing <= reads; ++failing) {
        store.clearFaults();
        store.failCall(TCall::BackupRead, failing, plat::ERROR_NOT_READY);
        const TRecords records = listStreams(kFile);
        ASSERT_LE(records.size(), kListed.size());
        EXPECT_EQ(records, TRecords(kListed.begin(), kListed.begin() + records.size()))
            << "failing read " << failing;
        somePartial = somePartial || (!records.empty() && records.size() < kListed.size());
        EXPECT_EQ(store.openHandles(), 0) << "failing read " << failing;
    }
    EXPECT_TRUE(somePartial) << "no failure fell between two streams";
}

TEST_F(BackupWalkTest, FailingSeekEndsTheWalkInsteadOfReadingDataAsHeaders) {
    // The first stream's contents look like a record of a stream that does not exist.
    store.addFile(L"C:\\data\\trap.bin", "main");
    store.addStream(L"C:\\data\\trap.bin", L"first", fakeRecord(L":forged:$DATA", 4));
    store.addStream(L"C:\\data\\trap.bin", L"second", "22");
    const std::int64_t firstSize = static_cast<std::int64_t>(fakeRecord(L":forged:$DATA", 4).size());
    ASSERT_EQ(listStreams(L"C:\\data\\trap.bin"), (TRecords{{L"first", firstSize}, {L"second", 2}}));
    for (int failing = 1; failing <= 4; ++failing) {
        store.clearFaults();
        store.failCall(TCall::BackupSeek, failing, plat::ERROR_NOT_READY);
        for (const auto& [name, size] : listStreams(L"C:\\data\\trap.bin")) {
            EXPECT_NE(name, L"forged") << "failing seek " << failing;
        }
    }
}

TEST_F(BackupWalkTest, ShortNameReadSkipsTheRecordsData) {
    // The name of "first" comes back short: the walk must seek over that record's data, which looks
    // like a record of its own, and go on at the next real header.
    store.addFile(L"C:\\data\\trap.bin", "main");
    store.addStream(L"C:\\data\\trap.bin", L"first", fakeRecord(L":forged:$DATA", 4));
    store.addStream(L"C:\\data\\trap.bin", L"second", "22");
    const plat::DWORD firstNameBytes = static_cast<plat::DWORD>((L":first:$DATA"s).size() * 2);
    int shortReads = 0;
    store.backupReadHook = [&](plat::HANDLE file, plat::BYTE* buffer, plat::DWORD toRead, plat::DWORD* read,
                               plat::BOOL abort, plat::BOOL security, void** context) {
        if (shortReads == 0 && toRead == firstNameBytes) {
            // The whole name is consumed but only half reported, and the next read gives nothing.
            ++shortReads;
            const plat::BOOL ok =
                store.TSimStore::BackupRead(file, buffer, toRead, read, abort, security, context);
            *read /= 2;
            return ok;
        }
        if (shortReads == 1) {
            ++shortReads;
            *read = 0;
            return plat::TRUE;
        }
        return store.TSimStore::BackupRead(file, buffer, toRead, read, abort, security, context);
    };
    EXPECT_EQ(listStreams(L"C:\\data\\trap.bin"), (TRecords{{L"second", 2}}));
    EXPECT_EQ(shortReads, 2);
}

TEST_F(BackupWalkTest, OverlongNameIsDroppedWithoutOverrunningTheBuffer) {
    // No stream name is longer than 255 units; a header that claims one is read past, not into the
    // buffer, and the walk goes on with the next record.
    const std::wstring overlong = L":" + std::wstring(300, L'o') + L":$DATA";
    store.addFile(L"C:\\data\\odd.bin", "main");
    store.addStream(L"C:\\data\\odd.bin", L"carrier", "c");
    store.addStream(L"C:\\data\\odd.bin", L"after", "12");
    const plat::DWORD carrierNameBytes = static_cast<plat::DWORD>((L":carrier:$DATA"s).size() * 2);
    // Rewrites the header of "carrier" to announce the overlong name, and delivers that name.
    std::string pendingName;
    store.backupReadHook = [&](plat::HANDLE file, plat::BYTE* buffer, plat::DWORD toRead, plat::DWORD* read,
                               plat::BOOL abort, plat::BOOL security, void** context) {
        if (!pendingName.empty()) {
            // Deliver the forged name, then let the store skip its own (the same record's name).
            const plat::DWORD n = std::min<plat::DWORD>(toRead, static_cast<plat::DWORD>(pendingName.size()));
            std::memcpy(buffer, pendingName.data(), n);
            pendingName.erase(0, n);
            *read = n;
            if (pendingName.empty()) {
                std::vector<plat::BYTE> skipped(carrierNameBytes);
                plat::DWORD got = 0;
                store.TSimStore::BackupRead(file, skipped.data(), carrierNameBytes, &got, abort, security,
                                            context);
            }
            return plat::TRUE;
        }
        const plat::BOOL ok =
            store.TSimStore::BackupRead(file, buffer, toRead, read, abort, security, context);
        if (ok && toRead == plat::kBackupHeaderSize && *read == plat::kBackupHeaderSize) {
            plat::DWORD nameSize = 0;
            std::memcpy(&nameSize, buffer + 16, 4);
            if (nameSize == carrierNameBytes) {
                const std::uint32_t forged = static_cast<std::uint32_t>(overlong.size() * 2);
                std::memcpy(buffer + 16, &forged, 4);
                for (wchar_t c : overlong) {
                    pendingName.push_back(static_cast<char>(c & 0xFF));
                    pendingName.push_back(static_cast<char>((c >> 8) & 0xFF));
                }
            }
        }
        return ok;
    };
    EXPECT_EQ(listStreams(L"C:\\data\\odd.bin"), (TRecords{{L"after", 2}}));
}

TEST(AddADSItem, TurnsRawNamesIntoRecords) {
    struct TCase {
        std::wstring raw;
        bool added;
        std::wstring name;
    };
    const TCase cases[] = {
        {L":notes:$DATA", true, L"notes"},         // from the stream listing
        {L"notes:$DATA", true, L"notes"},          // from the backup stream, colon already dropped
        {L"::$DATA", false, L""},                  // the main stream
        {L"  :notes:$DATA\t\r\n", true, L"notes"}, // trimmed first
        {L"::$data", true, L""},                   // only the exact spelling is the main stream
        {L":Zone.Identifier:$DATA", true, L"Zone.Identifier"},
        {L"no colon", true, L""},
    };
    for (const TCase& c : cases) {
        TADSList list;
        addADSItem(list, c.raw, 42);
        ASSERT_EQ(list.size(), c.added ? 1u : 0u) << "case " << (&c - cases);
        if (c.added) {
            EXPECT_EQ(list[0].adsName(), c.name);
            EXPECT_EQ(list[0].adsSize(), 42);
        }
    }
}

TEST(AddADSItem, KeepsSixtyFourBitSizes) {
    TADSList list;
    addADSItem(list, L":big:$DATA", std::int64_t(5) << 30);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].adsSize(), std::int64_t(5) << 30);
}

} // namespace
