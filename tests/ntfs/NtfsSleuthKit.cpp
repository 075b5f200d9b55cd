#include "ntfs/NtfsSleuthKit.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>
#include <stdexcept>

namespace ntfstest {

namespace {

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// What a shell command writes; throws when it cannot run or fails.
std::string output(const std::string& command) {
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        throw std::runtime_error("cannot run " + command);
    }
    std::string text;
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        text.append(buffer, got);
    }
    if (::pclose(pipe) != 0) {
        throw std::runtime_error(command + " failed");
    }
    return text;
}

std::vector<std::string> split(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, separator)) {
        fields.push_back(field);
    }
    return fields;
}

} // namespace

const std::string& sleuthKitUnavailableReason() {
    static const std::string reason = run({"fls", "-V"}) && run({"icat", "-V"})
                                          ? std::string()
                                          : "The Sleuth Kit (fls, icat) is not installed";
    return reason;
}

std::vector<TFileFacts> readWithSleuthKit(const std::filesystem::path& image, bool withBytes) {
    // Each line: "type inode-attrtype-id:<tab>path[:stream]<tab>4 times<tab>size<tab>uid<tab>gid"; a
    // deleted entry has " * " before its inode.
    std::map<std::wstring, TFileFacts> files;
    std::map<std::string, std::string> bytesOf; // by attribute
    std::map<std::wstring, bool> mainSeen;
    std::istringstream lines(output("fls -r -p -l " + quoted(image.string())));
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> fields = split(line, '\t');
        if (fields.size() < 7 || fields[0].find(" * ") != std::string::npos || fields[0].size() < 5) {
            continue;
        }
        const std::string type = fields[0].substr(0, 3);
        const std::string attribute = fields[0].substr(4, fields[0].size() - 5); // "inode-type-id"
        const std::uint64_t record = std::stoull(attribute);
        std::string path = fields[1];
        // System files, and the folder streams fls lists a second time under "folder/.".
        if (record < 16 || path.rfind("$Extend/", 0) == 0 || path.rfind("$OrphanFiles", 0) == 0 ||
            path.find("/.:") != std::string::npos) {
            continue;
        }
        std::string stream;
        const std::size_t slash = path.rfind('/');
        if (const std::size_t colon = path.find(':', slash == std::string::npos ? 0 : slash);
            colon != std::string::npos) {
            stream = path.substr(colon + 1);
            path.resize(colon);
        }
        std::wstring name = fromUtf8(path);
        std::replace(name.begin(), name.end(), L'/', L'\\');
        TFileFacts& file = files[name];
        file.path = name;
        const bool folder = type[0] == 'd';
        file.folder = file.folder || folder;
        const std::uint64_t size = std::stoull(fields[6]);
        const bool data = attribute.find("-128-") != std::string::npos;
        if (!data) {
            continue; // a folder's index
        }
        // Hard links share their attributes: each is read once.
        auto read = bytesOf.find(attribute);
        if (withBytes && read == bytesOf.end() && size > 0) {
            read =
                bytesOf.emplace(attribute, output("icat " + quoted(image.string()) + " " + attribute)).first;
        }
        std::string bytes = read != bytesOf.end() ? read->second : std::string();
        // An empty named stream kept in the record whose name ends where its (empty) value starts: fls
        // gives it without its name, as a second unnamed data attribute. It stays a stream, unnamed.
        const bool secondUnnamed = stream.empty() && !folder && mainSeen[name];
        mainSeen[name] = mainSeen[name] || stream.empty();
        if (stream.empty() && !secondUnnamed) {
            file.size = size;
            file.data = std::move(bytes);
        } else {
            file.streams.push_back(TStreamFacts{fromUtf8(stream), size, std::move(bytes)});
        }
    }
    std::vector<TFileFacts> facts;
    for (auto& [path, file] : files) {
        facts.push_back(std::move(file));
    }
    return facts;
}

} // namespace ntfstest
