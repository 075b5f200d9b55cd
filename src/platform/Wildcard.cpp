#include "platform/Wildcard.h"

#include <vector>

namespace plat {

namespace {

// The DOS wildcards the Win32 layer turns a mask into before the file system matches it.
constexpr wchar_t kDosStar = L'<'; // any characters up to the last dot of the name
constexpr wchar_t kDosQm = L'>';   // one character; at a dot or the end, the rest of a run of them
constexpr wchar_t kDosDot = L'"';  // a dot, or nothing at the end of the name

std::wstring toExpression(const std::wstring& mask) {
    if (mask == L"*.*") {
        return L"*";
    }
    // A name without wildcards is compared as it stands: "report." finds "report." only.
    const bool wildcards = mask.find_first_of(L"*?") != std::wstring::npos;
    std::wstring expression;
    for (std::size_t i = 0; i < mask.size(); ++i) {
        const wchar_t c = mask[i];
        const wchar_t next = i + 1 < mask.size() ? mask[i + 1] : L'\0';
        if (c == L'?') {
            expression += kDosQm;
        } else if (c == L'*' && next == L'.') {
            expression += kDosStar;
        } else if (c == L'.' && (next == L'?' || next == L'*' || (next == L'\0' && wildcards))) {
            expression += kDosDot;
        } else {
            expression += c;
        }
    }
    return expression;
}

class TMatcher {
public:
    TMatcher(const std::wstring& expression, const std::wstring& name)
        : FExpr(expression), FName(name), FLastDot(FName.rfind(L'.')),
          FMemo((expression.size() + 1) * (name.size() + 1), -1) {}

    bool match(std::size_t e, std::size_t n) {
        signed char& memo = FMemo[e * (FName.size() + 1) + n];
        if (memo < 0) {
            memo = compute(e, n) ? 1 : 0;
        }
        return memo == 1;
    }

private:
    bool compute(std::size_t e, std::size_t n) {
        const std::size_t nameEnd = FName.size();
        if (e == FExpr.size()) {
            return n == nameEnd;
        }
        const wchar_t c = FExpr[e];
        if (c == L'*') {
            return match(e + 1, n) || (n < nameEnd && match(e, n + 1));
        }
        if (c == kDosStar) {
            const bool mayTake = n < nameEnd && (FLastDot == std::wstring::npos || n < FLastDot);
            return match(e + 1, n) || (mayTake && match(e, n + 1));
        }
        if (c == kDosQm) {
            if (n == nameEnd || FName[n] == L'.') {
                std::size_t after = e;
                while (after < FExpr.size() && FExpr[after] == kDosQm) {
                    ++after;
                }
                return match(after, n);
            }
            return match(e + 1, n + 1);
        }
        if (c == kDosDot) {
            if (n == nameEnd) {
                return match(e + 1, n);
            }
            return FName[n] == L'.' && match(e + 1, n + 1);
        }
        return n < nameEnd && FName[n] == c && match(e + 1, n + 1);
    }

    const std::wstring& FExpr;
    const std::wstring& FName;
    const std::size_t FLastDot;
    std::vector<signed char> FMemo;
};

} // namespace

bool matchesEveryName(const std::wstring& upperMask) {
    return upperMask == L"*" || upperMask == L"*.*";
}

bool matchesUpperMask(const std::wstring& upperMask, const std::wstring& upperName) {
    if (matchesEveryName(upperMask)) {
        return true; // the common mask of a folder's listing, without building the expression
    }
    const std::wstring expression = toExpression(upperMask);
    return TMatcher(expression, upperName).match(0, 0);
}

} // namespace plat
