// Named streams: listing, stream paths in open, attribute query and delete, and the backup byte
// stream, as Windows answers them on NTFS. Targets without named streams (Wine) skip with the reason.

#include "conformance/ConformanceFixture.h"

#include <gmock/gmock.h>

#include <map>

namespace conformance {
namespace {

using plat::DWORD;

struct TListedStream {
    std::wstring name;
    std::int64_t size;
    bool operator==(const TListedStream& other) const { return name == other.name && size == other.size; }
};

void PrintTo(const TListedStream& stream, std::ostream* out) {
    *out << narrow(stream.name) << " (" << stream.size << ")";
}

// One record of the backup byte stream.
struct TBackupRecord {
    DWORD id = 0;
    std::wstring name;
    std::string data;
};

class Streams : public TConformanceCase {
protected:
    void SetUp() override {
        TConformanceCase::SetUp();
        if (IsSkipped()) {
            return;
        }
        if (!target().streamsSupported()) {
            GTEST_SKIP() << target().noStreamsReason();
        }
        if (!fs().hasStreamFunctions()) {
            GTEST_SKIP() << "the target lacks FindFirstStreamW and FindNextStreamW";
        }
        target().makeFile(path(L"f.txt"), "abc");
        target().makeStream(path(L"f.txt"), L"alpha", "hello");
        target().makeStream(path(L"f.txt"), L"beta", "");
    }

    // The listing in the order given; error is the last error after it ended.
    std::vector<TListedStream> listStreams(const std::wstring& file, DWORD* error) {
        std::vector<TListedStream> streams;
        plat::WIN32_FIND_STREAM_DATA data{};
        fs().SetLastError(plat::ERROR_SUCCESS);
        TTargetHandle find(fs(), fs().FindFirstStreamW(file.c_str(), plat::FindStreamInfoStandard, &data, 0),
                           TTargetHandle::find);
        if (!find.valid()) {
            *error = fs().GetLastError();
            return streams;
        }
        do {
            streams.push_back({data.cStreamName, data.StreamSize});
        } while (fs().FindNextStreamW(find.get(), &data));
        *error = fs().GetLastError();
        return streams;
    }

    // The whole backup byte stream of a file, read in pieces of an odd size so that headers and names
    // are split across reads.
    std::string backupBytes(const std::wstring& file) {
        TTargetHandle h(fs(),
                        open(file, plat::GENERIC_READ, plat::FILE_SHARE_READ, plat::OPEN_EXISTING,
                             plat::FILE_FLAG_BACKUP_SEMANTICS),
                        TTargetHandle::file);
        EXPECT_TRUE(h.valid()) << fs().GetLastError();
        std::string bytes;
        void* context = nullptr;
        plat::BYTE buffer[13];
        for (;;) {
            DWORD read = 0;
            if (!fs().BackupRead(h.get(), buffer, sizeof buffer, &read, plat::FALSE, plat::TRUE, &context)) {
                ADD_FAILURE() << "BackupRead failed with " << fs().GetLastError();
                break;
            }
            if (read == 0) {
                break;
            }
            bytes.append(reinterpret_cast<const char*>(buffer), read);
        }
        DWORD none = 0;
        fs().BackupRead(h.get(), buffer, 0, &none, plat::TRUE, plat::FALSE, &context);
        return bytes;
    }
};

std::uint64_t littleEndian(const std::string& bytes, std::size_t at, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

std::wstring utf16(const std::string& bytes, std::size_t at, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text += static_cast<wchar_t>(littleEndian(bytes, at + i, 2));
    }
    return text;
}

// Splits the backup byte stream into its records; a record that runs past the end fails the case.
std::vector<TBackupRecord> parseBackup(const std::string& bytes) {
    std::vector<TBackupRecord> records;
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < static_cast<std::size_t>(plat::kBackupHeaderSize)) {
            ADD_FAILURE() << "a header is cut short at " << at;
            break;
        }
        TBackupRecord record;
        record.id = static_cast<DWORD>(littleEndian(bytes, at, 4));
        const std::uint64_t size = littleEndian(bytes, at + 8, 8);
        const std::uint64_t nameSize = littleEndian(bytes, at + 16, 4);
        at += plat::kBackupHeaderSize;
        if (nameSize + size > bytes.size() - at) {
            ADD_FAILURE() << "a record runs past the end at " << at;
            break;
        }
        record.name = utf16(bytes, at, nameSize);
        at += nameSize;
        record.data = bytes.substr(at, size);
        at += size;
        records.push_back(record);
    }
    return records;
}

TEST_F(Streams, ListingGivesTheMainStreamFirstThenTheNamedStreams) {
    target().makeFile(path(L"plain.txt"), "xy");
    struct TCase {
        const wchar_t* file;
        std::vector<TListedStream> named; // in any order after "::$DATA"
        std::int64_t mainSize;
    };
    const TCase cases[] = {
        {L"f.txt", {{L":alpha:$DATA", 5}, {L":beta:$DATA", 0}}, 3},
        {L"plain.txt", {}, 2},
    };
    for (const TCase& c : cases) {
        DWORD error = 0;
        std::vector<TListedStream> streams = listStreams(path(c.file), &error);
        ASSERT_FALSE(streams.empty()) << narrow(c.file) << ": error " << error;
        EXPECT_EQ(streams.front(), (TListedStream{L"::$DATA", c.mainSize}));
        std::vector<TListedStream> named(streams.begin() + 1, streams.end());
        EXPECT_THAT(named, testing::UnorderedElementsAreArray(c.named)) << narrow(c.file);
        EXPECT_EQ(error, plat::ERROR_HANDLE_EOF) << narrow(c.file);
    }
}

TEST_F(Streams, NamedStreamsComeInNtfsOrderInListingAndBackupStream) {
    // Made in an order that is neither NTFS's nor that of the names as they stand nor folded to lower
    // case: NTFS orders by the upper-cased names, so "_" (between capitals and small letters) comes last.
    target().makeFile(path(L"order.txt"), "main");
    for (const wchar_t* name : {L"zeta", L"_low", L"Beta", L"alpha", L"GAMMA", L"delta"}) {
        target().makeStream(path(L"order.txt"), name, narrow(name));
    }
    const std::vector<std::wstring> expected = {L":alpha:$DATA", L":Beta:$DATA", L":delta:$DATA",
                                                L":GAMMA:$DATA", L":zeta:$DATA", L":_low:$DATA"};

    DWORD error = 0;
    std::vector<std::wstring> listed;
    for (const TListedStream& stream : listStreams(path(L"order.txt"), &error)) {
        listed.push_back(stream.name);
    }
    ASSERT_FALSE(listed.empty()) << "error " << error;
    EXPECT_EQ(listed.front(), L"::$DATA");
    EXPECT_EQ(std::vector<std::wstring>(listed.begin() + 1, listed.end()), expected);

    std::vector<std::wstring> backedUp;
    for (const TBackupRecord& record : parseBackup(backupBytes(path(L"order.txt")))) {
        if (!record.name.empty()) {
            backedUp.push_back(record.name);
            EXPECT_EQ(":" + record.data + ":$DATA", narrow(record.name));
        }
    }
    EXPECT_EQ(backedUp, expected);
}

TEST_F(Streams, ListingOfAMissingFileFails) {
    DWORD error = 0;
    EXPECT_TRUE(listStreams(path(L"missing.txt"), &error).empty());
    EXPECT_EQ(error, plat::ERROR_FILE_NOT_FOUND);
}

TEST_F(Streams, StreamPathsOpenReadAndWrite) {
    if (target().readOnly()) {
        GTEST_SKIP() << "the target only reads";
    }
    {
        TTargetHandle out(fs(), open(path(L"f.txt:new"), plat::GENERIC_WRITE, 0, plat::CREATE_NEW),
                          TTargetHandle::file);
        ASSERT_TRUE(out.valid()) << fs().GetLastError();
        writeAll(out.get(), "payload");
    }
    EXPECT_EQ(readFile(path(L"f.txt:new")), "payload");
    EXPECT_EQ(readFile(path(L"f.txt:new:$DATA")), "payload"); // the same stream with its type
    EXPECT_EQ(readFile(path(L"f.txt:alpha")), "hello");
    EXPECT_EQ(readFile(path(L"f.txt")), "abc"); // the main data is untouched
    EXPECT_EQ(readFile(path(L"f.txt::$DATA")), "abc");
    EXPECT_EQ(searchNames(path(L"f.txt*")), std::vector<std::wstring>{L"f.txt"}); // no new file

    struct TCase {
        const wchar_t* name;
        DWORD error;
    };
    const TCase missing[] = {
        {L"f.txt:missing", plat::ERROR_FILE_NOT_FOUND},
        {L"nofile.txt:alpha", plat::ERROR_FILE_NOT_FOUND},
        {L"nodir\\f.txt:alpha", plat::ERROR_PATH_NOT_FOUND},
    };
    for (const TCase& c : missing) {
        TTargetHandle in(fs(),
                         open(path(c.name), plat::GENERIC_READ, plat::FILE_SHARE_READ, plat::OPEN_EXISTING),
                         TTargetHandle::file);
        EXPECT_FALSE(in.valid()) << narrow(c.name);
        EXPECT_EQ(fs().GetLastError(), c.error) << narrow(c.name);
    }
}

TEST_F(Streams, AttributeQueryOfAStreamPathGivesTheStreamSize) {
    const DWORD fileAttributes = fs().GetFileAttributesW(path(L"f.txt").c_str());
    ASSERT_NE(fileAttributes, plat::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(fs().GetFileAttributesW(path(L"f.txt:alpha").c_str()), fileAttributes);
    EXPECT_EQ(sizeOf(path(L"f.txt:alpha")), 5);
    EXPECT_EQ(sizeOf(path(L"f.txt:beta")), 0);
    EXPECT_EQ(sizeOf(path(L"f.txt")), 3);

    EXPECT_EQ(fs().GetFileAttributesW(path(L"f.txt:missing").c_str()), plat::INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(fs().GetLastError(), plat::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(sizeOf(path(L"f.txt:missing")), -1);
}

TEST_F(Streams, DeletingAStreamPathRemovesOnlyThatStream) {
    if (target().readOnly()) {
        GTEST_SKIP() << "the target only reads";
    }
    ASSERT_TRUE(fs().DeleteFileW(path(L"f.txt:alpha").c_str())) << fs().GetLastError();
    DWORD error = 0;
    std::vector<TListedStream> streams = listStreams(path(L"f.txt"), &error);
    EXPECT_EQ(streams, (std::vector<TListedStream>{{L"::$DATA", 3}, {L":beta:$DATA", 0}}));
    EXPECT_EQ(readFile(path(L"f.txt")), "abc");

    EXPECT_FALSE(fs().DeleteFileW(path(L"f.txt:alpha").c_str()));
    EXPECT_EQ(fs().GetLastError(), plat::ERROR_FILE_NOT_FOUND);
}

TEST_F(Streams, BackupStreamHasAHeaderPerStreamWithItsName) {
    target().makeStream(path(L"f.txt"), L"gamma", "third stream");
    std::vector<TBackupRecord> records = parseBackup(backupBytes(path(L"f.txt")));

    int mainRecords = 0;
    std::map<std::wstring, std::string> named;
    for (const TBackupRecord& record : records) {
        if (record.name.empty()) {
            if (record.id == plat::BACKUP_DATA) {
                ++mainRecords;
                EXPECT_EQ(record.data, "abc");
            }
        } else {
            EXPECT_EQ(record.id, plat::BACKUP_ALTERNATE_DATA) << narrow(record.name);
            named[record.name] = record.data;
        }
    }
    EXPECT_EQ(mainRecords, 1);
    // An empty named stream may or may not have a record; the others must, with their data.
    named.erase(L":beta:$DATA");
    EXPECT_EQ(named, (std::map<std::wstring, std::string>{{L":alpha:$DATA", "hello"},
                                                          {L":gamma:$DATA", "third stream"}}));
}

TEST_F(Streams, AFolderCarriesNamedStreamsOnlyAndEachIsDataOfItsOwn) {
    target().makeFolder(path(L"bare"));
    target().makeFolder(path(L"tagged"));
    target().makeStream(path(L"tagged"), L"tag", "folder data");

    // A folder has no unnamed data: its listing gives only its named streams, or none at all.
    DWORD error = 0;
    EXPECT_EQ(listStreams(path(L"tagged"), &error), (std::vector<TListedStream>{{L":tag:$DATA", 11}}));
    EXPECT_EQ(error, plat::ERROR_HANDLE_EOF);
    EXPECT_TRUE(listStreams(path(L"bare"), &error).empty());
    EXPECT_EQ(error, plat::ERROR_HANDLE_EOF);

    // The stream opens and reads like a file's (without backup semantics), and the attribute query
    // gives its size.
    EXPECT_EQ(readFile(path(L"tagged:tag")), "folder data");
    EXPECT_EQ(sizeOf(path(L"tagged:tag")), 11);

    // The folder's backup stream holds its named stream and no unnamed data (security and other
    // records of the folder itself aside).
    std::vector<TBackupRecord> records = parseBackup(backupBytes(path(L"tagged")));
    std::erase_if(records, [](const TBackupRecord& record) {
        return record.name.empty() && record.id != plat::BACKUP_DATA;
    });
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].id, plat::BACKUP_ALTERNATE_DATA);
    EXPECT_EQ(records[0].name, L":tag:$DATA");
    EXPECT_EQ(records[0].data, "folder data");

    if (target().readOnly()) {
        return; // deleting needs a target that writes
    }
    ASSERT_TRUE(fs().DeleteFileW(path(L"tagged:tag").c_str())) << fs().GetLastError();
    EXPECT_TRUE(listStreams(path(L"tagged"), &error).empty());
    EXPECT_NE(fs().GetFileAttributesW(path(L"tagged").c_str()) & plat::FILE_ATTRIBUTE_DIRECTORY, 0u)
        << "the folder itself stays";
}

TEST_F(Streams, BackupSeekStopsAtTheEndOfTheCurrentStream) {
    TTargetHandle h(fs(),
                    open(path(L"f.txt"), plat::GENERIC_READ, plat::FILE_SHARE_READ, plat::OPEN_EXISTING,
                         plat::FILE_FLAG_BACKUP_SEMANTICS),
                    TTargetHandle::file);
    ASSERT_TRUE(h.valid()) << fs().GetLastError();
    void* context = nullptr;
    std::vector<TListedStream> seen;
    for (int record = 0; record < 20; ++record) {
        std::string header(plat::kBackupHeaderSize, '\0');
        DWORD read = 0;
        ASSERT_TRUE(fs().BackupRead(h.get(), reinterpret_cast<plat::BYTE*>(header.data()),
                                    plat::kBackupHeaderSize, &read, plat::FALSE, plat::TRUE, &context));
        if (read == 0) {
            break;
        }
        ASSERT_EQ(read, static_cast<DWORD>(plat::kBackupHeaderSize));
        const std::int64_t size = static_cast<std::int64_t>(littleEndian(header, 8, 8));
        const DWORD nameSize = static_cast<DWORD>(littleEndian(header, 16, 4));
        std::wstring name;
        if (nameSize > 0) {
            std::string nameBytes(nameSize, '\0');
            ASSERT_TRUE(fs().BackupRead(h.get(), reinterpret_cast<plat::BYTE*>(nameBytes.data()), nameSize,
                                        &read, plat::FALSE, plat::TRUE, &context));
            ASSERT_EQ(read, nameSize);
            name = utf16(nameBytes, 0, nameSize);
        }
        if (size > 0) {
            // The largest forward seek ends at the end of this record's data.
            DWORD low = 0, high = 0;
            fs().BackupSeek(h.get(), 0xFFFFFFFF, 0xFFFFFFFF, &low, &high, &context);
            EXPECT_EQ(plat::makeInt64(high, low), size) << narrow(name);
        }
        if (!name.empty()) {
            seen.push_back({name, size});
        }
    }
    DWORD none = 0;
    plat::BYTE unused[1];
    EXPECT_TRUE(fs().BackupRead(h.get(), unused, 0, &none, plat::TRUE, plat::FALSE, &context));
    std::erase(seen, TListedStream{L":beta:$DATA", 0}); // an empty stream may have no record
    EXPECT_EQ(seen, (std::vector<TListedStream>{{L":alpha:$DATA", 5}}));
}

} // namespace
} // namespace conformance
