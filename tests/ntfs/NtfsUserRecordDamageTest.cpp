// Damage to the records of user files, past the system ones: a stream's run list, a file's attribute
// list, its name, and a folder's index. Each case ends at once in an error or a partial listing; every
// file the damage does not touch is still listed with its streams and bytes, and nothing is read as
// bytes it does not hold. Over the checked-in volume, so they run where ntfs-3g cannot mount.

#include "ntfs/NtfsPatchedImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <map>

namespace ntfstest {
namespace {

constexpr std::uint32_t kAttrIndexRoot = 0x90;
constexpr std::uint32_t kAttrIndexAllocation = 0xA0;
constexpr std::uint64_t kEverything = ~std::uint64_t{0};

void put(std::uint8_t* at, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void put(std::string& image, std::uint64_t at, std::uint64_t value, int bytes) {
    put(reinterpret_cast<std::uint8_t*>(image.data() + at), value, bytes);
}

// A fixed-up copy of a record of the intact image.
std::vector<std::uint8_t> recordBytes(const TImage& image, std::uint64_t record) {
    std::vector<std::uint8_t> bytes(image.geometry().recordSize);
    for (std::size_t at = 0; at < bytes.size(); at += 512) {
        std::memcpy(bytes.data() + at, image.bytes.data() + image.mftByte(record * bytes.size() + at), 512);
    }
    if (!ntfs::applyFixups(bytes.data(), bytes.size())) {
        throw std::runtime_error("a record of the intact image is torn");
    }
    return bytes;
}

// Where in the image the clusters of a non-resident attribute of a path's record start.
std::uint64_t clustersOf(const TImage& image, const std::wstring& path, std::uint32_t type,
                         const std::wstring& name = {}) {
    std::vector<std::uint8_t> record = recordBytes(image, image.recordOf(path));
    const TAttributeView attribute = attributeOf(record.data(), record.size(), type, name);
    std::pmr::vector<ntfs::TRun> runs;
    if (attribute.resident ||
        !ntfs::decodeRuns(attribute.mappingPairs, attribute.lowestVcn, attribute.highestVcn, kEverything >> 8,
                          runs) ||
        runs.empty()) {
        throw std::runtime_error("the attribute has no clusters");
    }
    return static_cast<std::uint64_t>(runs.front().lcn) * image.geometry().clusterSize;
}

// The offsets of the entries of many.txt's attribute list (one run) in the image.
std::vector<std::uint64_t> listEntries(const TImage& image) {
    std::vector<std::uint8_t> record = recordBytes(image, image.recordOf(L"many.txt"));
    const TAttributeView list = attributeOf(record.data(), record.size(), ntfs::kAttrAttributeList);
    const std::uint64_t start = clustersOf(image, L"many.txt", ntfs::kAttrAttributeList);
    std::vector<std::uint64_t> entries;
    for (std::uint64_t at = 0; at + 0x1A <= list.dataSize;) {
        entries.push_back(start + at);
        at += static_cast<std::uint8_t>(image.bytes[start + at + 4]) |
              static_cast<std::uint8_t>(image.bytes[start + at + 5]) << 8;
    }
    return entries;
}

// The first entry of the list for a $DATA attribute that lies in an extension record.
std::uint64_t extensionEntry(const TImage& image) {
    const std::uint64_t many = image.recordOf(L"many.txt");
    for (std::uint64_t entry : listEntries(image)) {
        std::uint64_t segment = 0;
        std::memcpy(&segment, image.bytes.data() + entry + 0x10, 6);
        if (static_cast<std::uint8_t>(image.bytes[entry]) == ntfs::kAttrData && segment != many) {
            return entry;
        }
    }
    throw std::runtime_error("no attribute of many.txt lies in an extension record");
}

// Changes a record's first attribute of the type (and name): the change gets the record and the
// attribute's offset in it.
void patchAttribute(const TImage& image, std::string& bytes, const std::wstring& path, std::uint32_t type,
                    const std::wstring& name, const std::function<void(std::uint8_t*, std::size_t)>& change) {
    image.patchRecord(bytes, image.recordOf(path),
                      [&](std::uint8_t* record) { change(record, attributeOffset(record, type, name)); });
}

// Changes the value of docs\report one.txt's name ($FILE_NAME: parent at 0, length at 0x40, name at
// 0x42).
void patchName(const TImage& image, std::string& bytes,
               const std::function<void(std::uint8_t* value, std::size_t room)>& change) {
    patchAttribute(image, bytes, L"docs\\report one.txt", ntfs::kAttrFileName, {},
                   [&](std::uint8_t* record, std::size_t at) {
                       const std::size_t valueAt = at + (record[at + 20] | record[at + 21] << 8);
                       change(record + valueAt, (record[at + 4] | record[at + 5] << 8) - (valueAt - at));
                   });
}

// Gives frag.bin's data new mapping pairs in place of its own (the sizes stay).
void setFragPairs(const TImage& image, std::string& bytes,
                  const std::function<void(std::uint8_t* pairs, std::size_t room)>& change) {
    patchAttribute(image, bytes, L"frag.bin", ntfs::kAttrData, {}, [&](std::uint8_t* record, std::size_t at) {
        const std::size_t pairsAt = at + (record[at + 0x20] | record[at + 0x21] << 8);
        const std::size_t end = at + (record[at + 4] | record[at + 5] << 8);
        change(record + pairsAt, end - pairsAt);
    });
}

// frag.bin's runs as they are, to be rewritten.
std::vector<TPlainRun> fragRuns(const TImage& image) {
    auto volume = openBytes(image.bytes);
    const std::optional<ntfs::TNtfsFile> frag = volume->loadFile(image.recordOf(L"frag.bin"));
    std::vector<TPlainRun> runs;
    for (const ntfs::TRun& run : frag->findStream(L"")->runs) {
        runs.push_back({run.lcn, run.length});
    }
    return runs;
}

void setFragRuns(const TImage& image, std::string& bytes, const std::vector<TPlainRun>& runs,
                 std::uint64_t highestVcn, std::uint64_t size) {
    patchAttribute(image, bytes, L"frag.bin", ntfs::kAttrData, {}, [&](std::uint8_t* record, std::size_t at) {
        setRuns(record, image.geometry().recordSize, at, encodeRuns(runs), highestVcn, size, size);
    });
}

// What the damaged file must come to.
enum class TOutcome {
    leftOut,    // not listed
    unreadable, // listed, its main data cannot be read
    listed,     // listed (under the name given) with its own bytes
    partial,    // listed or not; what is read of it is its own
    unchanged,  // the whole listing is the intact one
};

struct TDamageCase {
    const char* what;
    std::wstring target; // the file or folder damaged; everything not at or below it must stay as it was
    std::function<void(const TImage&, std::string&)> damage;
    TOutcome outcome;
    std::wstring listedAs = {}; // for listed: the path it is listed under
};

std::map<std::wstring, const TSeenFile*> byPath(const std::vector<TSeenFile>& files) {
    std::map<std::wstring, const TSeenFile*> paths;
    for (const TSeenFile& file : files) {
        paths[file.path] = &file;
    }
    return paths;
}

bool below(const std::wstring& path, const std::wstring& target) {
    return path == target || path.rfind(target + L"\\", 0) == 0;
}

// Bytes read are the intact ones: the main data when it reads, and each stream that reads.
void expectOwnBytes(const TSeenFile& seen, const TSeenFile& intact, const std::string& where) {
    if (!seen.folder && !seen.dataUnavailable) {
        EXPECT_TRUE(seen.data == intact.data) << where << ": main data read as other bytes";
    }
    for (const TSeenStream& stream : seen.streams) {
        auto same = std::find_if(intact.streams.begin(), intact.streams.end(),
                                 [&](const TSeenStream& s) { return s.name == stream.name; });
        ASSERT_NE(same, intact.streams.end())
            << where << ": a stream it does not have: " << utf8(stream.name);
        if (!stream.unavailable) {
            EXPECT_TRUE(stream.bytes == same->bytes)
                << where << ":" << utf8(stream.name) << " read as other bytes";
        }
    }
}

class UserRecordDamage : public testing::Test {
protected:
    void SetUp() override {
        if (!userVolume().unavailable.empty()) {
            GTEST_SKIP() << userVolume().unavailable;
        }
    }
};

TEST_F(UserRecordDamage, EndsInAnErrorOrAPartialListingAndSparesTheRest) {
    const TImage image(userVolume());
    const std::size_t recordSize = image.geometry().recordSize;
    const std::uint64_t cluster = image.geometry().clusterSize;
    const std::uint64_t volumeClusters = image.bytes.size() / cluster;
    const std::vector<TPlainRun> runs = fragRuns(image);
    ASSERT_GT(runs.size(), 2u);
    std::uint64_t fragClusters = 0;
    for (const TPlainRun& run : runs) {
        fragClusters += run.length;
    }
    const std::uint64_t fragSize = fragClusters * cluster;
    const std::uint64_t many = image.recordOf(L"many.txt");
    const std::uint64_t docs = image.recordOf(L"docs");
    const std::uint64_t plain = image.recordOf(L"plain.txt");
    const std::uint64_t report = image.recordOf(L"docs\\report one.txt");
    auto intactVolume = openBytes(image.bytes);
    // A record not in use.
    std::uint64_t unused = 0;
    for (std::uint64_t record = ntfs::kFirstUserRecord; record < intactVolume->recordCount() && unused == 0;
         ++record) {
        const std::uint64_t at = image.mftByte(record * recordSize);
        if (image.bytes.compare(at, 4, "FILE") != 0 || (image.bytes[at + 0x16] & ntfs::kRecordInUse) == 0) {
            unused = record;
        }
    }
    ASSERT_NE(unused, 0u) << "every record is in use";
    ASSERT_EQ(intactVolume->loadFile(report)->names.size(), 1u) << "report one.txt has an 8.3 name apart";
    auto setParent = [&](std::uint64_t reference) {
        return [&, reference](const TImage& i, std::string& b) {
            patchName(i, b, [&](std::uint8_t* value, std::size_t) { put(value, reference, 8); });
        };
    };
    auto setNameUnit = [&](std::size_t unit, std::uint16_t value) {
        return [&, unit, value](const TImage& i, std::string& b) {
            patchName(i, b, [&](std::uint8_t* name, std::size_t) { put(name + 0x42 + 2 * unit, value, 2); });
        };
    };
    auto listEntry = [&](std::size_t n, std::size_t offset, std::uint64_t value, int bytes) {
        return [&, n, offset, value, bytes](const TImage& i, std::string& b) {
            const std::vector<std::uint64_t> entries = listEntries(i);
            put(b, entries.at(std::min(n, entries.size() - 1)) + offset, value, bytes);
        };
    };
    auto docsIndexRoot = [&](std::size_t offset, std::uint64_t value, int bytes) {
        return [&, offset, value, bytes](const TImage& i, std::string& b) {
            patchAttribute(i, b, L"docs", kAttrIndexRoot, L"$I30", [&](std::uint8_t* record, std::size_t at) {
                put(record + at + (record[at + 20] | record[at + 21] << 8) + offset, value, bytes);
            });
        };
    };
    auto docsIndexBlock = [&](std::size_t offset, std::uint64_t value, int bytes) {
        return [&, offset, value, bytes](const TImage& i, std::string& b) {
            put(b, clustersOf(i, L"docs", kAttrIndexAllocation, L"$I30") + offset, value, bytes);
        };
    };
    // The sequence number docs' records carry, to name it with a stale one.
    const std::uint16_t docsSequence = intactVolume->fileByRecord(docs)->sequence;

    const std::vector<TDamageCase> cases = {
        // frag.bin's run list.
        {"a run header with no length bytes", L"frag.bin",
         [&](const TImage& i, std::string& b) {
             setFragPairs(i, b, [](std::uint8_t* pairs, std::size_t) { pairs[0] = 0x20; });
         },
         TOutcome::unreadable},
        {"a run of no clusters", L"frag.bin",
         [&](const TImage& i, std::string& b) {
             setFragPairs(i, b, [](std::uint8_t* pairs, std::size_t) {
                 const std::uint8_t zero[] = {0x11, 0x00, 0x10};
                 std::memcpy(pairs, zero, sizeof zero);
             });
         },
         TOutcome::unreadable},
        {"a run beyond the volume's end", L"frag.bin",
         [&](const TImage& i, std::string& b) {
             std::vector<TPlainRun> far = runs;
             far[1].lcn = static_cast<std::int64_t>(volumeClusters + 10);
             setFragRuns(i, b, far, fragClusters - 1, fragSize);
         },
         TOutcome::unreadable},
        {"a run that starts inside and ends past the volume", L"frag.bin",
         [&](const TImage& i, std::string& b) {
             std::vector<TPlainRun> far = runs;
             far.back().lcn = static_cast<std::int64_t>(volumeClusters - 1);
             far.back().length += 4;
             setFragRuns(i, b, far, fragClusters + 3, fragSize + 4 * cluster);
         },
         TOutcome::unreadable},
        {"a run before the volume's first cluster", L"frag.bin",
         [&](const TImage& i, std::string& b) {
             std::vector<TPlainRun> before = runs;
             before[1].lcn = -5;
             setFragRuns(i, b, before, fragClusters - 1, fragSize);
         },
         TOutcome::unreadable},
        {"a run of more clusters than the volume holds", L"frag.bin",
         [&](const TImage& i, std::string& b) {
             setFragRuns(i, b, {{runs[0].lcn, std::uint64_t{1} << 40}}, (std::uint64_t{1} << 40) - 1,
                         (std::uint64_t{1} << 40) * cluster);
         },
         TOutcome::unreadable},
        {"runs that end before the stream does", L"frag.bin",
         [&](const TImage& i, std::string& b) {
             setFragRuns(i, b, {runs[0], runs[1]}, fragClusters - 1, fragSize);
         },
         TOutcome::unreadable},
        {"runs past the last cluster the attribute claims", L"frag.bin",
         [&](const TImage& i, std::string& b) { setFragRuns(i, b, runs, fragClusters - 3, fragSize); },
         TOutcome::unreadable},
        {"mapping pairs cut short by the attribute's end", L"frag.bin",
         [&](const TImage& i, std::string& b) {
             setFragPairs(i, b, [&](std::uint8_t* pairs, std::size_t room) {
                 std::size_t end = 0; // the terminator
                 while (pairs[end] != 0) {
                     end += 1 + (pairs[end] & 0x0F) + (pairs[end] >> 4);
                 }
                 ASSERT_LT(room - end, 17u);
                 pairs[end] = 0x88; // a pair of 16 bytes where fewer are left
                 std::memset(pairs + end + 1, 0x01, room - end - 1);
             });
         },
         TOutcome::unreadable},

        // many.txt's attribute list (outside its record, in a cluster of its own).
        {"a list entry of length 0", L"many.txt", listEntry(3, 4, 0, 2), TOutcome::partial},
        {"a list entry running past the list", L"many.txt", listEntry(kEverything, 4, 0x4000, 2),
         TOutcome::partial},
        {"a list entry shorter than its header", L"many.txt", listEntry(5, 4, 0x10, 2), TOutcome::partial},
        {"a list entry whose name runs past it", L"many.txt",
         [&](const TImage& i, std::string& b) {
             listEntry(4, 6, 0xFF, 1)(i, b);
             listEntry(4, 7, 0xF0, 1)(i, b);
         },
         TOutcome::partial},
        {"a list entry naming another file's record", L"many.txt",
         [&](const TImage& i, std::string& b) { put(b, extensionEntry(i) + 0x10, docs, 6); },
         TOutcome::partial},
        {"a list entry naming a record never used", L"many.txt",
         [&](const TImage& i, std::string& b) { put(b, extensionEntry(i) + 0x10, unused, 6); },
         TOutcome::partial},
        {"a list entry naming a record past the MFT", L"many.txt",
         [&](const TImage& i, std::string& b) {
             put(b, extensionEntry(i) + 0x10, std::uint64_t{1} << 40, 6);
         },
         TOutcome::partial},
        {"a list entry naming the file's own record for an attribute it does not hold", L"many.txt",
         [&](const TImage& i, std::string& b) { put(b, extensionEntry(i) + 0x10, many, 6); },
         TOutcome::partial},
        {"a list entry that names the list itself, in an extension record", L"many.txt",
         [&](const TImage& i, std::string& b) { put(b, extensionEntry(i), ntfs::kAttrAttributeList, 4); },
         TOutcome::partial},
        {"every list entry naming the same extension record", L"many.txt",
         [&](const TImage& i, std::string& b) {
             std::uint64_t segment = 0;
             std::memcpy(&segment, i.bytes.data() + extensionEntry(i) + 0x10, 6);
             for (std::uint64_t entry : listEntries(i)) {
                 put(b, entry + 0x10, segment, 6);
             }
         },
         TOutcome::partial},

        // docs\report one.txt's name.
        {"a name longer than its attribute", L"docs\\report one.txt",
         [&](const TImage& i, std::string& b) {
             patchName(i, b, [](std::uint8_t* value, std::size_t) { value[0x40] = 0xFF; });
         },
         TOutcome::leftOut},
        {"a name of no characters", L"docs\\report one.txt",
         [&](const TImage& i, std::string& b) {
             patchName(i, b, [](std::uint8_t* value, std::size_t) { value[0x40] = 0; });
         },
         TOutcome::leftOut},
        {"a name with an unpaired high surrogate", L"docs\\report one.txt", setNameUnit(0, 0xD800),
         TOutcome::listed,
         L"docs\\\xD800"
         L"eport one.txt"},
        {"a name with an unpaired low surrogate at its end", L"docs\\report one.txt", setNameUnit(13, 0xDFFF),
         TOutcome::listed, L"docs\\report one.tx\xDFFF"},
        {"a name with its surrogates reversed", L"docs\\report one.txt",
         [&](const TImage& i, std::string& b) {
             setNameUnit(0, 0xDC00)(i, b);
             setNameUnit(1, 0xD800)(i, b);
         },
         TOutcome::listed, L"docs\\\xDC00\xD800port one.txt"},
        {"a name whose parent is the file itself", L"docs\\report one.txt", setParent(report),
         TOutcome::leftOut},
        {"a name whose parent is a file, not a folder", L"docs\\report one.txt", setParent(plain),
         TOutcome::leftOut},
        {"a name whose parent is a record never used", L"docs\\report one.txt", setParent(unused),
         TOutcome::leftOut},
        {"a name whose parent is past the MFT", L"docs\\report one.txt", setParent(std::uint64_t{1} << 40),
         TOutcome::leftOut},
        {"a name whose parent reference is stale", L"docs\\report one.txt",
         setParent(docs | std::uint64_t{static_cast<std::uint16_t>(docsSequence + 1)} << 48),
         TOutcome::leftOut},

        // docs' index: the listing comes from the names in the records, so the folder lists whole.
        {"an index root whose entries start past it", L"docs", docsIndexRoot(0x10, 0xFFF0, 4),
         TOutcome::unchanged},
        {"an index root whose size runs past it", L"docs", docsIndexRoot(0x14, 0xFFFFFF, 4),
         TOutcome::unchanged},
        {"an index root whose first entry has length 0", L"docs",
         [&](const TImage& i, std::string& b) {
             patchAttribute(i, b, L"docs", kAttrIndexRoot, L"$I30",
                            [&](std::uint8_t* record, std::size_t at) {
                                std::uint8_t* value = record + at + (record[at + 20] | record[at + 21] << 8);
                                put(value + 0x10 + value[0x10] + 8, 0, 2);
                            });
         },
         TOutcome::unchanged},
        {"an index block with a torn sector", L"docs", docsIndexBlock(510, 0x5A5A, 2), TOutcome::unchanged},
        {"an index block whose fix-up array lies outside it", L"docs", docsIndexBlock(4, 0xFFF0, 2),
         TOutcome::unchanged},
        {"an index block whose entries start past it", L"docs", docsIndexBlock(0x18, 0xFFFFF0, 4),
         TOutcome::unchanged},
        {"an index block that is not one", L"docs", docsIndexBlock(0, 0x58585858, 4), TOutcome::unchanged},
        {"index blocks beyond the volume's end", L"docs",
         [&](const TImage& i, std::string& b) {
             patchAttribute(i, b, L"docs", kAttrIndexAllocation, L"$I30",
                            [&](std::uint8_t* record, std::size_t at) {
                                setRuns(record, recordSize, at,
                                        encodeRuns({{static_cast<std::int64_t>(volumeClusters + 7), 1}}), 0,
                                        cluster, cluster);
                            });
         },
         TOutcome::unchanged},
    };

    const std::vector<TSeenFile> intact = walkAll(image.bytes);
    const auto intactPaths = byPath(intact);
    ASSERT_EQ(intact.size(), userVolume().facts.size());
    for (const TDamageCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::string damaged = image.bytes;
        c.damage(image, damaged);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_NE(damaged, image.bytes) << "the damage changed nothing";
        const auto start = std::chrono::steady_clock::now();
        const std::vector<TSeenFile> seen = walkAll(damaged);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        const auto seenPaths = byPath(seen);

        // The rest of the volume, as it was.
        for (const TSeenFile& file : intact) {
            if (below(file.path, c.target) && c.outcome != TOutcome::unchanged) {
                continue;
            }
            const auto it = seenPaths.find(file.path);
            if (it == seenPaths.end()) {
                ADD_FAILURE() << utf8(file.path) << " is no longer listed";
                continue;
            }
            const TSeenFile& after = *it->second;
            EXPECT_EQ(after.size, file.size) << utf8(file.path);
            EXPECT_EQ(after.dataUnavailable, file.dataUnavailable) << utf8(file.path);
            EXPECT_EQ(after.streams.size(), file.streams.size()) << utf8(file.path);
            expectOwnBytes(after, file, utf8(file.path));
        }
        // Nothing listed that was not there, but the damaged file under another name.
        for (const TSeenFile& file : seen) {
            if (!intactPaths.count(file.path) && file.path != c.listedAs) {
                ADD_FAILURE() << utf8(file.path) << " is listed but is not on the volume";
            }
        }

        const auto target = seenPaths.find(c.target);
        switch (c.outcome) {
        case TOutcome::leftOut:
            EXPECT_EQ(target, seenPaths.end()) << "listed";
            break;
        case TOutcome::unreadable:
            ASSERT_NE(target, seenPaths.end()) << "not listed";
            EXPECT_TRUE(target->second->dataUnavailable) << "its data was read";
            EXPECT_EQ(target->second->readError, 1392u); // ERROR_FILE_CORRUPT
            expectOwnBytes(*target->second, *intactPaths.at(c.target), "the damaged file");
            break;
        case TOutcome::listed: {
            EXPECT_EQ(target, seenPaths.end()) << "listed under its old name";
            const auto renamed = seenPaths.find(c.listedAs);
            ASSERT_NE(renamed, seenPaths.end()) << "not listed under its name";
            const TSeenFile& was = *intactPaths.at(c.target);
            EXPECT_FALSE(renamed->second->dataUnavailable);
            EXPECT_EQ(renamed->second->streams.size(), was.streams.size());
            expectOwnBytes(*renamed->second, was, "the renamed file");
            break;
        }
        case TOutcome::partial:
            if (target != seenPaths.end()) {
                expectOwnBytes(*target->second, *intactPaths.at(c.target), "the damaged file");
            }
            break;
        case TOutcome::unchanged:
            EXPECT_EQ(seen.size(), intact.size());
            break;
        }
    }
}

} // namespace
} // namespace ntfstest
