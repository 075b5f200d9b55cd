#include "cli/SaveManifest.h"

#include "platform/FileServices.h"
#include "platform/Owned.h"
#include "platform/Sha256.h"
#include "report/Finding.h"
#include "report/StreamFacts.h"

#include <vector>

namespace cli {

namespace {

// The SHA-256 of a file read through the installed services; empty when it cannot be read.
std::string fileHash(const std::wstring& path) {
    plat::TFileServices& fs = plat::files();
    plat::TFileHandle file(fs.CreateFileW(path.c_str(), plat::GENERIC_READ, plat::FILE_SHARE_READ, nullptr,
                                          plat::OPEN_EXISTING, 0, nullptr));
    if (!file) {
        return {};
    }
    plat::TSha256 sha;
    std::vector<std::uint8_t> buffer(1 << 16);
    for (;;) {
        plat::DWORD read = 0;
        if (fs.ReadFile(file.get(), buffer.data(), static_cast<plat::DWORD>(buffer.size()), &read, nullptr) ==
            plat::FALSE) {
            return {};
        }
        if (read == 0) {
            break;
        }
        sha.update(buffer.data(), read);
    }
    plat::TSha256::TDigest digest{};
    return sha.final(digest) ? plat::TSha256::hex(digest) : std::string{};
}

// The stream's colon in a path: the first ':' after the last "\".
std::size_t streamColon(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L'\\');
    return path.find(L':', slash == std::wstring::npos ? 0 : slash + 1);
}

} // namespace

std::string manifestLine(const std::wstring& source, const std::wstring& openedPath,
                         const std::wstring& shownPath, const std::wstring& written,
                         const std::wstring& shownWritten) {
    const std::size_t colon = streamColon(openedPath);
    const std::wstring fileName = openedPath.substr(0, colon);
    std::wstring name = colon == std::wstring::npos ? std::wstring{} : openedPath.substr(colon + 1);
    name = name.substr(0, name.find(L':')); // "s:$DATA" is the stream "s"
    plat::WIN32_FILE_ATTRIBUTE_DATA data{};
    std::int64_t size = 0;
    if (plat::files().GetFileAttributesExW(openedPath.c_str(), plat::GetFileExInfoStandard, &data) !=
        plat::FALSE) {
        size = (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    report::TFactsWanted wanted;
    wanted.hash = true;
    std::string error;
    report::TStreamFinding finding =
        report::gatherFinding(source, fileName, TADSObject(name, size), wanted, error);
    const std::size_t shownColon = streamColon(shownPath);
    finding.filePath = shownPath.substr(0, shownColon);
    finding.fullPath = shownPath;
    return manifestLineOf(finding, written, shownWritten);
}

std::string manifestLineOf(const report::TStreamFinding& finding, const std::wstring& written,
                           const std::wstring& shownWritten) {
    return report::manifestRecord(finding, shownWritten, fileHash(written));
}

} // namespace cli
