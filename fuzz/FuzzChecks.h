#pragma once
// What each fuzz target does with one input and what must hold afterwards. Each check answers an
// empty text when all held, otherwise what went wrong. The fuzz targets abort on a non-empty answer;
// the regression test replays the seed corpus and every input that once failed through the same
// checks (tests/robust/FuzzRegressionTest.cpp).

#include "platform/FileServices.h"
#include "platform/ShellServices.h"
#include "platform/WinPath.h"
#include "platform/shell/TestShell.h"
#include "platform/store/SimStore.h"
#include "report/StreamClassifier.h"
#include "report/StreamFacts.h"
#include "report/TextEncoding.h"
#include "stream/UntKorvaneLib.h"
#include "streamops/UntKorvaneLibStreamOps.h"
#include "system/UntKorvaneLib.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzchecks {

using plat::store::TCall;
using plat::store::TSimStore;

// The services of one input: a store with an NTFS drive C: holding the file C:\f, a destination
// folder D:\Saved, and the shell double; installed while the object lives.
class TFuzzWorld {
public:
    TFuzzWorld() {
        store.addDrive(L'C', plat::DRIVE_FIXED, L"", L"NTFS");
        store.addDrive(L'D', plat::DRIVE_FIXED, L"", L"NTFS");
        store.addFile(L"C:\\f", "main");
        store.addFolder(L"D:\\Saved");
        plat::installFileServices(&store);
        plat::installShellServices(&shell);
    }
    ~TFuzzWorld() {
        plat::installShellServices(nullptr);
        plat::installFileServices(nullptr);
    }
    TFuzzWorld(const TFuzzWorld&) = delete;
    TFuzzWorld& operator=(const TFuzzWorld&) = delete;

    TSimStore store;
    plat::TTestShell shell;
};

inline std::wstring utf16(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    return text;
}

inline std::uint64_t littleEndian(const std::string& bytes, std::size_t at, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) {
        value = (value << 8) | static_cast<std::uint8_t>(bytes[at + static_cast<std::size_t>(i)]);
    }
    return value;
}

inline bool contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

// ---- The backup-stream walk of enumFileADS fed arbitrary bytes as the file's backup stream.
// Input: one byte for the most bytes one BackupRead gives (0: no limit), then the backup stream.
inline std::string checkBackupWalk(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return {};
    }
    const std::string raw(reinterpret_cast<const char*>(data + 1), size - 1);
    TFuzzWorld world;
    world.store.setStreamFunctionsAvailable(false);
    world.store.setBackupReadLimit(data[0]);
    world.store.setRawBackupStream(L"C:\\f", raw);
    TADSList list;
    enumFileADS(L"C:\\f", list);
    if (world.store.openHandles() != 0) {
        return "a handle or backup context was left open";
    }
    // The records the bytes lay out in full, each with its name and data size: a reported stream
    // must be one of them, in their order.
    struct TLaidOut {
        std::wstring name;
        std::int64_t dataSize;
    };
    std::vector<TLaidOut> laidOut;
    for (std::size_t at = 0; raw.size() - at >= plat::kBackupHeaderSize;) {
        const auto dataSize = static_cast<std::int64_t>(littleEndian(raw, at + 8, 8));
        const std::uint64_t nameSize = littleEndian(raw, at + 16, 4);
        if (nameSize > raw.size() - at - plat::kBackupHeaderSize) {
            break;
        }
        const std::size_t nameAt = at + plat::kBackupHeaderSize;
        laidOut.push_back(
            {utf16(reinterpret_cast<const std::uint8_t*>(raw.data()) + nameAt, nameSize), dataSize});
        const std::uint64_t left = raw.size() - nameAt - nameSize;
        if (dataSize > 0 && static_cast<std::uint64_t>(dataSize) > left) {
            break;
        }
        at = nameAt + nameSize + static_cast<std::size_t>(dataSize > 0 ? dataSize : 0);
    }
    std::size_t next = 0;
    for (const TADSObject& ads : list) {
        if (ads.adsSize() <= 0) {
            return "a stream without data was reported by the backup walk";
        }
        if (contains(ads.adsName(), L":")) {
            return "a reported name holds a colon";
        }
        while (next < laidOut.size() &&
               !(laidOut[next].dataSize == ads.adsSize() && contains(laidOut[next].name, ads.adsName()))) {
            ++next;
        }
        if (next == laidOut.size()) {
            return "a reported stream that the backup stream does not hold";
        }
        ++next;
    }
    return {};
}

// ---- Stream names: addADSItem, both walks over a stream of that name, and the file name a saved
// copy gets. Input: the name in UTF-16LE.
inline std::string checkStreamName(const std::uint8_t* data, std::size_t size) {
    const std::wstring name = utf16(data, size);
    TADSList list;
    addADSItem(list, name, 7);
    if (list.size() > 1) {
        return "addADSItem added more than one record";
    }
    if (!list.empty() && (contains(list[0].adsName(), L":") || !contains(name, list[0].adsName()))) {
        return "addADSItem made a name that is not part of the raw name";
    }

    const std::wstring safe = safeFileName(name);
    if (name.size() <= 255 && !plat::isValidLongName(safe)) {
        return "the saved copy's name is not a valid file name";
    }
    const plat::TWinPath parsed = plat::parseWinPath((L"D:\\Saved\\" + safe).c_str());
    if (name.size() <= 255 &&
        (parsed.error != 0 || parsed.hasStream || parsed.parts.size() != 2 || parsed.parts[1] != safe)) {
        return "the saved copy's name leads out of the chosen folder or changes";
    }

    if (!plat::isValidStreamName(name)) {
        return {};
    }
    // A stream of that name: each walk reports it once, under exactly that name, and the stream
    // path made of it reaches that stream.
    for (const bool streamFunctions : {true, false}) {
        TFuzzWorld world;
        world.store.setStreamFunctionsAvailable(streamFunctions);
        world.store.addStream(L"C:\\f", name, "data");
        TADSList found;
        enumFileADS(L"C:\\f", found);
        if (found.size() != 1 || found[0].adsName() != name || found[0].adsSize() != 4) {
            return streamFunctions ? "the stream listing walk misreports the stream"
                                   : "the backup-read walk misreports the stream";
        }
        const std::wstring path = streamPathOf(L"C:\\f", name);
        if (getFileSize(path) != 4 || getContentPreview(path, 30) != L"data") {
            return "the stream path made of the name reaches another stream or none";
        }
        if (world.store.openHandles() != 0) {
            return "a handle was left open";
        }
    }
    return {};
}

// ---- makeUniqueFileName over a folder holding arbitrary names. Input: UTF-16LE names separated by
// a zero unit; the first is the wanted name, the others are made in D:\Saved (as folders when they
// start with "#", as files otherwise).
inline std::string checkUniqueName(const std::uint8_t* data, std::size_t size) {
    std::vector<std::wstring> names(1);
    for (wchar_t c : utf16(data, size)) {
        if (c == L'\0') {
            names.emplace_back();
        } else {
            names.back() += c;
        }
    }
    if (names.size() > 64) {
        names.resize(64); // enough for the numbering; keeps one input quick
    }
    TFuzzWorld world;
    for (std::size_t i = 1; i < names.size(); ++i) {
        const bool folder = !names[i].empty() && names[i][0] == L'#';
        if (plat::isValidLongName(names[i]) && !world.store.exists(L"D:\\Saved\\" + names[i])) {
            if (folder) {
                world.store.addFolder(L"D:\\Saved\\" + names[i]);
            } else {
                world.store.addFile(L"D:\\Saved\\" + names[i], "x");
            }
        }
    }
    const std::wstring wanted = L"D:\\Saved\\" + names[0];
    if (!plat::isValidLongName(names[0])) {
        makeUniqueFileName(wanted); // must end and not crash; the program never wants such a name
        return world.store.openHandles() == 0 ? std::string() : "a search was left open";
    }
    // Asked in the exact form, as the program asks: a plain "a." would be cleaned up to "a".
    auto isFile = [&](const std::wstring& path) {
        const plat::DWORD attributes = world.store.GetFileAttributesW(plat::exactPath(path).c_str());
        return attributes != plat::INVALID_FILE_ATTRIBUTES &&
               (attributes & plat::FILE_ATTRIBUTE_DIRECTORY) == 0;
    };
    const bool taken = isFile(wanted);
    const std::wstring result = makeUniqueFileName(wanted);
    if (world.store.openHandles() != 0) {
        return "a search was left open";
    }
    if (!taken) {
        return result == wanted ? std::string() : "a free name was changed";
    }
    if (result == wanted || isFile(result)) {
        return "the name given is taken by a file";
    }
    if (result.rfind(L"D:\\Saved\\", 0) != 0 || contains(result.substr(9), L"\\")) {
        return "the name given is not in the wanted folder";
    }
    if (!contains(result, L"(") || !contains(result, L")")) {
        return "the name given is not numbered";
    }
    if (!plat::isValidLongName(result.substr(9))) {
        return "the numbered name is no valid file name";
    }
    return {};
}

// ---- The preview of arbitrary bytes. Input: two bytes of the length asked for (signed, little
// endian), one byte of flags (bit 0: the stream is 5 GiB, its first bytes those given), then the
// stream's bytes.
inline std::string checkPreview(const std::uint8_t* data, std::size_t size) {
    if (size < 3) {
        return {};
    }
    const auto count = static_cast<std::int16_t>(data[0] | (data[1] << 8));
    const bool huge = (data[2] & 1) != 0;
    const std::string bytes(reinterpret_cast<const char*>(data + 3), size - 3);
    TFuzzWorld world;
    world.store.addStream(L"C:\\f", L"s", bytes);
    const std::uint64_t streamSize = huge ? 5ULL << 30 : bytes.size();
    if (huge) {
        world.store.setDataSize(L"C:\\f:s", streamSize);
    }
    world.store.clearCallLog();
    const std::wstring preview = getContentPreview(L"C:\\f:s", count);
    if (world.store.openHandles() != 0) {
        return "a handle was left open";
    }
    // The bytes the preview may show: at most the length asked for, at most 1024, from the start.
    const std::uint64_t wanted =
        count <= 0 ? 0 : std::min<std::uint64_t>({static_cast<std::uint64_t>(count), 1024, streamSize});
    std::string shown = bytes.substr(0, std::min<std::uint64_t>(wanted, bytes.size()));
    shown.resize(wanted, '\0'); // a huge stream reads zeros past the bytes given
    if (wanted == 0) {
        return preview.empty() ? std::string() : "a preview of nothing";
    }
    const std::vector<std::uint8_t> shownBytes(shown.begin(), shown.end());
    if (isNonTextContent(shownBytes)) {
        // Two hex digits per byte joined by commas, and they give back the bytes.
        if (preview.size() != shownBytes.size() * 3 - 1) {
            return "the hex preview has the wrong length";
        }
        auto digit = [](wchar_t c) {
            return c >= L'0' && c <= L'9' ? c - L'0' : c >= L'A' && c <= L'F' ? c - L'A' + 10 : 99;
        };
        for (std::size_t i = 0; i < shownBytes.size(); ++i) {
            if (digit(preview[i * 3]) * 16 + digit(preview[i * 3 + 1]) != shownBytes[i] ||
                (i + 1 < shownBytes.size() && preview[i * 3 + 2] != L',')) {
                return "the hex preview does not give back the bytes";
            }
        }
        return {};
    }
    // Text: one character per byte with the test shell's code page.
    if (preview != plat::shell().ansiToWide(shownBytes.data(), shownBytes.size())) {
        return "the text preview is not the bytes from the start";
    }
    return {};
}

// The classifier over a stream: a flags byte (bit 0: carried by a folder; bit 1: a stream of 5 GiB
// whose first bytes are the input's; bit 2: the bytes could not be read), the name's length in UTF-16
// units, the name, then the stream's bytes. The stream is read through readStreamHead, which must
// read no more than kClassifyBytes; the classifier gets exactly those bytes in a buffer of their own
// size, so that any read past them is caught.
inline std::string checkClassifier(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return {};
    }
    const bool onFolder = (data[0] & 1) != 0;
    const bool huge = (data[0] & 2) != 0;
    const bool unreadable = (data[0] & 4) != 0;
    const std::size_t nameUnits = std::min<std::size_t>(data[1], (size - 2) / 2);
    const std::wstring name = utf16(data + 2, nameUnits * 2);
    const std::string bytes(reinterpret_cast<const char*>(data + 2 + nameUnits * 2),
                            size - 2 - nameUnits * 2);

    TFuzzWorld world;
    world.store.addStream(L"C:\\f", L"s", bytes);
    const std::uint64_t streamSize = huge ? 5ULL << 30 : bytes.size();
    if (huge) {
        world.store.setDataSize(L"C:\\f:s", streamSize);
    }
    const std::optional<std::string> head = report::readStreamHead(L"C:\\f:s");
    if (world.store.openHandles() != 0) {
        return "a handle was left open";
    }
    if (!head) {
        return "the stream could not be read";
    }
    const std::size_t expected =
        static_cast<std::size_t>(std::min<std::uint64_t>(streamSize, report::kClassifyBytes));
    if (head->size() != expected ||
        head->compare(0, std::min(bytes.size(), expected), bytes, 0, std::min(bytes.size(), expected)) != 0) {
        return "the head is not the stream's first bytes, at most kClassifyBytes of them";
    }
    const std::unique_ptr<char[]> exact(new char[head->size() + 1]);
    std::copy(head->begin(), head->end(), exact.get());
    const report::TStreamSubject subject{.name = name,
                                         .size = static_cast<std::int64_t>(streamSize),
                                         .onFolder = onFolder,
                                         .readable = !unreadable,
                                         .head = std::string_view(exact.get(), head->size())};
    const report::TStreamClass c = report::classifyStream(subject);
    if (c.kind.empty() || c.kindText.empty() || c.reasons.empty()) {
        return "a class without kind, text or reasons";
    }
    if (!(c.entropy >= 0 && c.entropy <= 8.0000001)) {
        return "entropy out of 0 to 8 bits per byte";
    }
    if (!report::isValidUtf8(c.kindText) || !report::isValidUtf8(report::reasonsLine(c))) {
        return "the kind's text or the reasons are not UTF-8";
    }
    if (c.verdict != report::TVerdict::known && c.verdict != report::TVerdict::unknown &&
        c.verdict != report::TVerdict::suspicious) {
        return "no verdict";
    }
    // The same bytes with more behind them, past what is read, give the same class.
    if (head->size() == report::kClassifyBytes || subject.size > static_cast<std::int64_t>(head->size())) {
        std::string longer = *head + "MZ\x90" + std::string(64, 'x');
        report::TStreamSubject more = subject;
        more.head = longer;
        const report::TStreamClass again = report::classifyStream(more);
        if (head->size() == report::kClassifyBytes && (again.kind != c.kind || again.verdict != c.verdict)) {
            return "bytes past the first kClassifyBytes changed the class";
        }
    }
    return {};
}

} // namespace fuzzchecks
