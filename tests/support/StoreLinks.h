#pragma once
// Links laid out in the simulated store, each with a stream of its own named as its target's: a
// read, copy, hash or listing that follows a link gets the target's bytes and size instead of the
// link's, and a delete that follows one removes the target's stream.

#include "platform/store/SimStore.h"

#include <string>

namespace testsupport {

struct TStoreLinks {
    // Below the folder given: target (a folder with stream "x") holding t.txt (stream "x"), the
    // junction J and the file symbolic link L to them, each with a stream "x" of its own, with times
    // of their own (created kLinkCreated, written kLinkWritten; the target's both kTargetTime).
    std::wstring junction;
    std::wstring fileLink;
    std::wstring targetFolder;
    std::wstring targetFile;

    static constexpr plat::FILETIME kLinkCreated{1769892144, 31092486}; // 05/03/2024 14:07:09
    static constexpr plat::FILETIME kLinkWritten{1077175408, 29463127}; // 31/12/2001 23:59:58
    static constexpr plat::FILETIME kTargetTime{0, 27000000};           // 23/06/1968 17:28:19

    explicit TStoreLinks(plat::store::TSimStore& store, const std::wstring& folder)
        : junction(folder + L"\\J"), fileLink(folder + L"\\L"), targetFolder(folder + L"\\target"),
          targetFile(folder + L"\\target\\t.txt") {
        store.addFile(targetFile, "target data");
        store.addStream(targetFile, L"x", "target file's");
        store.addStream(targetFolder, L"x", "target folder's");
        store.addLink(junction, targetFolder, plat::store::TLinkKind::junction);
        store.addLink(fileLink, targetFile, plat::store::TLinkKind::fileSymbolicLink);
        store.addStream(junction, L"x", "junction's");
        store.addStream(fileLink, L"x", "file link's");
        for (const std::wstring& target : {targetFolder, targetFile}) {
            store.setTimes(target, kTargetTime, kTargetTime, kTargetTime);
        }
        for (const std::wstring& link : {junction, fileLink}) {
            store.setTimes(link, kLinkCreated, kLinkCreated, kLinkWritten);
        }
    }
};

} // namespace testsupport
