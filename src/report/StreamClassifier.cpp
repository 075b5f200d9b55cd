#include "report/StreamClassifier.h"

#include "report/ContentSignature.h"
#include "report/KnownStreams.h"
#include "report/ZoneIdentifier.h"

#include <cstdio>

namespace report {

namespace {

// Random-looking data under an unknown name is worth a look from this size and entropy on: packed or
// encrypted payloads look like that, and small samples always show less entropy than they have.
constexpr std::int64_t kHighEntropySize = 4096;
constexpr double kHighEntropy = 7.5;

std::string quoted(std::string_view text) {
    std::string out(1, '"');
    out.append(text);
    out += '"';
    return out;
}

// The text with its first letter in lower case, to stand inside a sentence; names keep theirs.
std::string lowerFirst(std::string text) {
    static constexpr std::string_view names[] = {"Windows",  "Linux",     "Mac",       "Java",    "Word",
                                                 "Excel",    "Visio",     "Office",    "Outlook", "Apple",
                                                 "Internet", "Microsoft", "Kaspersky", "Dropbox", "Services"};
    const std::string_view word = std::string_view(text).substr(0, text.find_first_of(" ',("));
    for (const std::string_view name : names) {
        if (word == name) {
            return text;
        }
    }
    if (text.size() > 1 && text[0] >= 'A' && text[0] <= 'Z' && !(text[1] >= 'A' && text[1] <= 'Z')) {
        text[0] = static_cast<char>(text[0] + 32);
    }
    return text;
}

std::string withArticle(const std::string& text) {
    const std::string lowered = lowerFirst(text);
    const char first = lowered.empty() ? 'x' : lowered[0];
    const bool vowel = first == 'a' || first == 'e' || first == 'i' || first == 'o' || first == 'u';
    return (vowel ? "an " : "a ") + lowered;
}

std::string known(const TKnownStream& entry) {
    std::string name;
    for (const wchar_t c : entry.name) {
        if (c == L'\x05') {
            name += "\\x05";
        } else {
            name += static_cast<char>(c); // the table's names are ASCII
        }
    }
    return name + (entry.prefix ? "..." : "");
}

// The host of a URL ("https://example.com/a" gives "example.com").
std::string hostOf(const std::string& url) {
    const std::size_t scheme = url.find("://");
    if (scheme == std::string::npos) {
        return url;
    }
    const std::size_t start = scheme + 3;
    const std::size_t end = url.find_first_of("/?#", start);
    return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string markText(const TZoneMark& mark) {
    std::string text = "Download mark (zone " + std::to_string(mark.zoneId);
    if (!mark.zoneName.empty()) {
        text += ", " + mark.zoneName;
    }
    std::string from = mark.field("HostUrl");
    if (from.empty()) {
        from = mark.field("ReferrerUrl");
    }
    if (!from.empty()) {
        text += ", from " + hostOf(from);
    }
    return text + ")";
}

struct TFit {
    bool fits = false;
    std::string why;  // when it does not fit
    std::string text; // the kind's text when it fits
};

TFit fitOf(const TKnownStream& entry, const TStreamSubject& s, std::string_view head,
           const TContentKind& content) {
    TFit fit;
    fit.text = std::string(entry.text);
    if (!s.readable) {
        fit.why = "its bytes could not be read to check it";
        return fit;
    }
    if (content.cls == TContentClass::code) {
        fit.why = "holds " + withArticle(content.text);
        return fit;
    }
    if (entry.maxSize >= 0 && s.size > entry.maxSize) {
        fit.why = "is " + std::to_string(s.size) + " bytes long, more than " +
                  withArticle(std::string(entry.text)) + " ever holds";
        return fit;
    }
    const bool empty = content.cls == TContentClass::empty;
    const auto holds = [&](bool ok, const char* wanted) {
        fit.fits = ok || empty;
        if (!fit.fits) {
            fit.why = "holds " + withArticle(content.text) + " where " + wanted + " belongs";
        }
    };
    switch (entry.content) {
    case TKnownContent::downloadMark: {
        const TZoneMark mark = decodeZoneIdentifier(head);
        fit.fits = mark.readable;
        if (mark.readable) {
            fit.text = markText(mark);
        } else {
            fit.why = "does not decode as a download mark (" + mark.reason + ")";
        }
        break;
    }
    case TKnownContent::shortText:
        holds(content.cls == TContentClass::text, "a few words of text");
        break;
    case TKnownContent::picture:
        holds(content.id.starts_with("image-"), "a picture");
        break;
    case TKnownContent::propertyStore:
        holds(content.id == "property-store", "a property store");
        break;
    case TKnownContent::propertySet:
        holds(content.id == "property-set", "a property set");
        break;
    case TKnownContent::afpInfo:
        holds(content.id == "afp-info", "a Mac file information record");
        fit.fits = fit.fits && !empty;
        break;
    case TKnownContent::anyData:
        fit.fits = true;
        break;
    }
    return fit;
}

std::string entropyText(double entropy) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", entropy);
    return buffer;
}

} // namespace

TStreamClass classifyStream(const TStreamSubject& s) {
    TStreamClass result;
    const std::string_view head = s.readable ? s.head.substr(0, kClassifyBytes) : std::string_view{};
    result.entropy = byteEntropy(head);
    TContentKind content =
        s.readable ? contentKind(head) : TContentKind{"unreadable", "Could not be read", TContentClass::data};
    if (content.cls != TContentClass::code && s.readable) {
        const std::size_t embedded = embeddedProgramOffset(head);
        if (embedded != std::string_view::npos) {
            content = TContentKind{
                "pe-embedded", "Windows program inside other data (at byte " + std::to_string(embedded) + ")",
                TContentClass::code};
        }
    }
    result.kind = content.id;
    result.kindText = content.text;

    std::vector<std::string>& reasons = result.reasons;
    std::vector<std::string> calm; // why it is known, or why nothing is said of it
    bool isKnown = false;
    if (const TKnownStream* entry = findKnownStream(s.name)) {
        const TFit fit = fitOf(*entry, s, head, content);
        const std::string what =
            quoted(known(*entry)) + " is the name of " + withArticle(std::string(entry->text));
        if (fit.fits) {
            isKnown = true;
            result.kind = std::string(entry->id);
            result.kindText = fit.text;
            calm.push_back(what + ", written by " + lowerFirst(std::string(entry->origin)) + ".");
            calm.push_back(content.cls == TContentClass::empty ? "It is empty."
                                                               : "Its content fits that name.");
        } else if (s.readable) {
            reasons.push_back(what + ", but this one " + fit.why + ".");
        } else {
            calm.push_back(what + ", but " + fit.why + ".");
        }
    } else if (looksEmptyName(s.name)) {
        reasons.push_back("Its name shows as nothing: only blanks, invisible or control characters.");
    } else if (const TKnownStream* lookalike = lookalikeKnownStream(s.name)) {
        reasons.push_back("Its name is made to look like " + quoted(known(*lookalike)) + " (" +
                          lowerFirst(std::string(lookalike->text)) + ") without being that name.");
    } else if (looksLikeSystemName(s.name)) {
        reasons.push_back(
            "Its name is dressed as one of NTFS's own ($...), which no stream of a file carries.");
    }
    if (content.cls == TContentClass::code) {
        reasons.push_back("It holds " + withArticle(content.text) +
                          ": code, which a stream hides from every file listing.");
        if (s.onFolder) {
            reasons.push_back("It is carried by a folder, where no program is ever kept.");
        }
    }
    if (!isKnown && content.cls == TContentClass::data && s.readable && s.size >= kHighEntropySize &&
        head.size() >= static_cast<std::size_t>(kHighEntropySize) && result.entropy >= kHighEntropy) {
        result.kindText = "Random-looking data (encrypted or compressed)";
        reasons.push_back("Under a name no program is known to write, it holds random-looking data (" +
                          entropyText(result.entropy) + " bits per byte): encrypted or packed.");
    }

    if (!reasons.empty()) {
        result.verdict = TVerdict::suspicious;
    } else if (isKnown) {
        result.verdict = TVerdict::known;
        reasons = std::move(calm);
    } else {
        result.verdict = TVerdict::unknown;
        if (!calm.empty()) {
            reasons = std::move(calm);
        } else if (!s.readable) {
            reasons.push_back("Its bytes could not be read.");
        } else {
            reasons.push_back("No program is known to write a stream of this name; it holds " +
                              lowerFirst(result.kindText) + ", nothing that runs.");
        }
    }
    return result;
}

std::string_view verdictName(TVerdict verdict) {
    switch (verdict) {
    case TVerdict::known:
        return "known";
    case TVerdict::suspicious:
        return "suspicious";
    case TVerdict::unknown:
        break;
    }
    return "unknown";
}

std::string shownKind(const TStreamClass& c) {
    return c.verdict == TVerdict::suspicious ? "Suspicious: " + c.kindText : c.kindText;
}

std::string reasonsLine(const TStreamClass& c) {
    std::string line;
    for (const std::string& reason : c.reasons) {
        line += line.empty() ? "" : " ";
        line += reason;
    }
    return line;
}

} // namespace report
