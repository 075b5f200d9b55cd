// The text, CSV and JSON Lines writers.
//
// How names are kept whole: every text is written as WTF-8 (see TextEncoding.h), so a name with an
// unpaired surrogate keeps it. CSV quotes every field that holds a comma, quote, CR or LF and doubles
// its quotes (RFC 4180), so such names survive as they are. JSON escapes quotes, backslashes and
// control characters, and writes an unpaired surrogate as its \uXXXX escape, which JSON allows and
// JSON readers give back unchanged. The text format is for people: it shows control characters in a
// name as \xNN so that one stream stays one line; CSV and JSON Lines are the lossless ones.
//
// JSON is written by hand here: the JSON libraries take UTF-8 strings only and refuse unpaired
// surrogates, which NTFS names may hold.

#include "report/Finding.h"

#include "report/RecordFields.h"
#include "report/TextEncoding.h"

#include <cstdio>
#include <vector>

namespace report {

namespace {

void appendHex(std::string& out, const char* format, unsigned value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, format, value);
    out += buffer;
}

std::string timeOrEmpty(const std::optional<TDateTime>& time) {
    return time ? isoTime(*time) : std::string{};
}

// ---- JSON.

std::string jsonString(std::string_view wtf8) {
    std::string out = "\"";
    std::size_t pos = 0;
    while (pos < wtf8.size()) {
        const std::size_t start = pos;
        const std::uint32_t cp = nextCodePoint(wtf8, pos);
        if (cp == '"' || cp == '\\') {
            out += '\\';
            out += static_cast<char>(cp);
        } else if (cp == '\n') {
            out += "\\n";
        } else if (cp == '\r') {
            out += "\\r";
        } else if (cp == '\t') {
            out += "\\t";
        } else if (cp < 0x20 || cp == 0x7F || (cp >= 0xD800 && cp < 0xE000)) {
            appendHex(out, "\\u%04x", cp);
        } else {
            out.append(wtf8.substr(start, pos - start));
        }
    }
    out += '"';
    return out;
}

// Bits per byte with three decimals ("7.994").
std::string entropyText(double entropy) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", entropy);
    return buffer;
}

std::string jsonString(const std::wstring& text) {
    return jsonString(toUtf8(text));
}

class TJsonLinesWriter final : public TFindingWriter {
public:
    std::string record(const TStreamFinding& f) const override {
        std::string out = "{";
        const auto key = [&](const char* name) {
            if (out.size() > 1) {
                out += ',';
            }
            out += '"';
            out += name;
            out += "\":";
        };
        key("source"), out += jsonString(f.source);
        key("file_path"), out += jsonString(f.filePath);
        key("stream_name"), out += jsonString(f.streamName);
        key("full_path"), out += jsonString(f.fullPath);
        key("mft_entry"), out += f.mft ? std::to_string(f.mft->entry) : "null";
        key("mft_sequence"), out += f.mft ? std::to_string(f.mft->sequence) : "null";
        key("size"), out += std::to_string(f.size);
        key("created"), out += f.created ? jsonString(isoTime(*f.created)) : "null";
        key("modified"), out += f.modified ? jsonString(isoTime(*f.modified)) : "null";
        key("attributes");
        if (f.attributes) {
            out += '[';
            const std::string allNames = attributeNames(*f.attributes);
            std::string_view names = allNames;
            bool first = true;
            while (!names.empty()) {
                const std::size_t space = names.find(' ');
                out += first ? "" : ",";
                out += jsonString(names.substr(0, space));
                first = false;
                names = space == std::string_view::npos ? std::string_view{} : names.substr(space + 1);
            }
            out += ']';
        } else {
            out += "null";
        }
        key("preview"), out += jsonString(f.preview);
        key("sha256"), out += f.sha256.empty() ? "null" : jsonString(f.sha256);
        for (const TRecordField& field : recordFields(f.record)) {
            key(field.name);
            out += !field.value ? "null" : field.text ? jsonString(*field.value) : *field.value;
        }
        if (f.mark) {
            key("zone");
            if (f.mark->readable) {
                out += "{\"readable\":true,\"zone_id\":" + std::to_string(f.mark->zoneId) +
                       ",\"zone_name\":" + jsonString(f.mark->zoneName) + ",\"fields\":{";
                for (std::size_t i = 0; i < f.mark->fields.size(); ++i) {
                    out += i == 0 ? "" : ",";
                    out += jsonString(f.mark->fields[i].first) + ":" + jsonString(f.mark->fields[i].second);
                }
                out += "}}";
            } else {
                out += "{\"readable\":false,\"reason\":" + jsonString(f.mark->reason) + "}";
            }
        }
        // What the stream holds.
        const std::optional<TStreamClass>& c = f.streamClass;
        key("kind"), out += c ? jsonString(c->kind) : "null";
        key("kind_text"), out += c ? jsonString(c->kindText) : "null";
        key("verdict"), out += c ? jsonString(verdictName(c->verdict)) : "null";
        key("reasons");
        if (c) {
            out += '[';
            for (std::size_t i = 0; i < c->reasons.size(); ++i) {
                out += i == 0 ? "" : ",";
                out += jsonString(c->reasons[i]);
            }
            out += ']';
        } else {
            out += "null";
        }
        key("entropy"), out += c ? entropyText(c->entropy) : "null";
        out += "}\n";
        return out;
    }
};

// ---- CSV.

std::string csvField(std::string_view wtf8) {
    if (wtf8.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(wtf8);
    }
    std::string out = "\"";
    for (const char c : wtf8) {
        out += c;
        if (c == '"') {
            out += '"';
        }
    }
    out += '"';
    return out;
}

std::string joinedReasons(const TStreamClass& c) {
    std::string out;
    for (const std::string& reason : c.reasons) {
        out += out.empty() ? "" : "\n";
        out += reason;
    }
    return out;
}

class TCsvWriter final : public TFindingWriter {
public:
    explicit TCsvWriter(bool byteOrderMark) : FByteOrderMark(byteOrderMark) {}

    std::string header() const override {
        std::string recordNames;
        for (const TRecordField& field : recordFields({})) {
            recordNames += field.name + std::string(",");
        }
        return std::string(FByteOrderMark ? "\xEF\xBB\xBF" : "") +
               "source,file_path,stream_name,full_path,mft_entry,mft_sequence,size,created,modified,"
               "attributes,preview,sha256," +
               recordNames +
               "zone_id,zone_name,referrer_url,host_url,host_ip_address,zone_fields,"
               "kind,kind_text,verdict,reasons,entropy\r\n";
    }

    std::string record(const TStreamFinding& f) const override {
        std::string zoneId;
        std::string zoneName;
        std::string referrer;
        std::string host;
        std::string hostIp;
        std::string fields; // every key as key=value, one per line, as the mark holds them
        if (f.mark && f.mark->readable) {
            zoneId = std::to_string(f.mark->zoneId);
            zoneName = f.mark->zoneName;
            referrer = f.mark->field("ReferrerUrl");
            host = f.mark->field("HostUrl");
            hostIp = f.mark->field("HostIpAddress");
            for (const auto& [name, value] : f.mark->fields) {
                if (!fields.empty()) {
                    fields += '\n';
                }
                fields += name + "=" + value;
            }
        } else if (f.mark) {
            zoneName = "unreadable: " + f.mark->reason;
        }
        std::vector<std::string> columns = {toUtf8(f.source),
                                            toUtf8(f.filePath),
                                            toUtf8(f.streamName),
                                            toUtf8(f.fullPath),
                                            f.mft ? std::to_string(f.mft->entry) : std::string{},
                                            f.mft ? std::to_string(f.mft->sequence) : std::string{},
                                            std::to_string(f.size),
                                            timeOrEmpty(f.created),
                                            timeOrEmpty(f.modified),
                                            f.attributes ? attributeNames(*f.attributes) : std::string{},
                                            toUtf8(f.preview),
                                            f.sha256};
        for (const TRecordField& field : recordFields(f.record)) {
            columns.push_back(field.value.value_or(std::string{}));
        }
        for (std::string* zoneColumn : {&zoneId, &zoneName, &referrer, &host, &hostIp, &fields}) {
            columns.push_back(std::move(*zoneColumn));
        }
        // What the stream holds (the reasons one per line).
        const std::optional<TStreamClass>& c = f.streamClass;
        columns.push_back(c ? c->kind : std::string{});
        columns.push_back(c ? c->kindText : std::string{});
        columns.push_back(c ? std::string(verdictName(c->verdict)) : std::string{});
        columns.push_back(c ? joinedReasons(*c) : std::string{});
        columns.push_back(c ? entropyText(c->entropy) : std::string{});
        std::string out;
        for (const std::string& column : columns) {
            out += out.empty() ? "" : ",";
            out += csvField(column);
        }
        out += "\r\n";
        return out;
    }

private:
    bool FByteOrderMark;
};

// ---- Text.

std::string readable(std::string_view wtf8) {
    std::string out;
    for (const char c : wtf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            appendHex(out, "\\x%02X", byte);
        } else {
            out += c;
        }
    }
    return out;
}

std::string readable(const std::wstring& text) {
    return readable(toUtf8(text));
}

class TTextWriter final : public TFindingWriter {
public:
    std::string record(const TStreamFinding& f) const override {
        // The verdict first, padded so that the paths line up. A path inside an image or a volume
        // ("\\dir\\file:s") follows its source, so that the path starts with what cat takes; a live path
        // is whole already. The kind after the size and the record.
        std::string out;
        if (f.streamClass) {
            out = std::string(verdictName(f.streamClass->verdict));
            out += std::string(out.size() < 10 ? 10 - out.size() : 0, ' ') + "  ";
        }
        const bool inside = f.fullPath.size() >= 2 && f.fullPath[0] == L'\\' && f.fullPath[1] != L'\\';
        out +=
            readable(inside ? f.source + f.fullPath : f.fullPath) + "  " + std::to_string(f.size) + " bytes";
        if (f.mft) {
            out += "  mft " + std::to_string(f.mft->entry) + "-" + std::to_string(f.mft->sequence);
        }
        if (f.record.deleted == true) {
            // A deleted file's path is rebuilt, not one cat can open: its reference is.
            out += "  deleted";
            if (f.mft) {
                out += " (" + readable(f.source) + "#" + std::to_string(f.mft->entry) + "-" +
                       std::to_string(f.mft->sequence) + ":" + readable(f.streamName) + ")";
            }
            if (f.record.clustersReused == true) {
                out += "  its clusters now belong to a file in use: these bytes are not trusted";
            }
        }
        if (f.streamClass) {
            out += "  " + readable(f.streamClass->kindText);
        }
        if (f.mark && f.mark->readable) {
            out += "  zone " + std::to_string(f.mark->zoneId);
            if (!f.mark->zoneName.empty()) {
                out += " (" + f.mark->zoneName + ")";
            }
            for (const char* key : {"ReferrerUrl", "HostUrl", "HostIpAddress"}) {
                const std::string value = f.mark->field(key);
                if (!value.empty()) {
                    out += std::string("  ") + key + "=" + readable(value);
                }
            }
        } else if (f.mark) {
            out += "  zone unreadable (" + f.mark->reason + ")";
        }
        if (!f.sha256.empty()) {
            out += "  sha256=" + f.sha256;
        }
        if (!f.preview.empty()) {
            out += "  \"" + readable(f.preview) + "\"";
        }
        out += "\n";
        return out;
    }
};

} // namespace

std::string manifestRecord(const TStreamFinding& finding, const std::wstring& savedFile,
                           const std::string& savedSha256) {
    std::string record = TJsonLinesWriter().record(finding);
    record.pop_back(); // its line's end
    return "{\"record\":" + record + ",\"saved_file\":" + jsonString(savedFile) +
           ",\"saved_sha256\":" + (savedSha256.empty() ? std::string("null") : jsonString(savedSha256)) +
           "}\n";
}

std::string isoTime(const TDateTime& t) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", unsigned{t.year},
                  unsigned{t.month}, unsigned{t.day}, unsigned{t.hour}, unsigned{t.minute},
                  unsigned{t.second}, unsigned{t.millisecond});
    return buffer;
}

std::string attributeNames(std::uint32_t attributes) {
    static const std::pair<std::uint32_t, const char*> names[] = {
        {0x1, "readonly"},    {0x2, "hidden"},       {0x4, "system"},      {0x10, "directory"},
        {0x20, "archive"},    {0x80, "normal"},      {0x100, "temporary"}, {0x200, "sparse"},
        {0x400, "reparse"},   {0x800, "compressed"}, {0x1000, "offline"},  {0x2000, "not_indexed"},
        {0x4000, "encrypted"}};
    std::string out;
    for (const auto& [bit, name] : names) {
        if ((attributes & bit) != 0) {
            if (!out.empty()) {
                out += ' ';
            }
            out += name;
        }
    }
    return out;
}

std::unique_ptr<TFindingWriter> makeFindingWriter(TReportFormat format, bool byteOrderMark) {
    switch (format) {
    case TReportFormat::csv:
        return std::make_unique<TCsvWriter>(byteOrderMark);
    case TReportFormat::jsonl:
        return std::make_unique<TJsonLinesWriter>();
    case TReportFormat::text:
        break;
    }
    return std::make_unique<TTextWriter>();
}

} // namespace report
