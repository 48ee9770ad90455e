#include "base/IgnoredNames.h"

#include "base/ListText.h"
#include "base/Utf8Sequence.h"

#include <algorithm>

namespace {

char FoldAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

} // namespace

TIgnoredNames::TIgnoredNames(std::string_view listText)
{
    for (std::string& item : SplitListText(listText, ';')) {
        if (item.empty() || item.find_first_of("\\/:") != std::string::npos) continue;
        Patterns.push_back(std::move(item));
    }
}

bool TIgnoredNames::Matches(std::string_view name) const
{
    return std::any_of(Patterns.begin(), Patterns.end(),
                       [&](const std::string& pattern) { return NameMatchesWildcard(name, pattern); });
}

bool NameMatchesWildcard(std::string_view name, std::string_view pattern)
{
    // The greedy walk with one point to come back to: linear in practice, and
    // never worse than their product, whatever the pattern.
    size_t n = 0, p = 0;
    size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        uint32_t code = 0;
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
            continue;
        }
        if (p < pattern.size() && pattern[p] == '?') {
            n += Utf8Sequence(name, n, code);
            ++p;
            continue;
        }
        if (p < pattern.size() && FoldAscii(pattern[p]) == FoldAscii(name[n])) {
            ++p;
            ++n;
            continue;
        }
        if (starP == std::string_view::npos) return false;
        p = starP;
        starN += Utf8Sequence(name, starN, code);
        n = starN;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}
