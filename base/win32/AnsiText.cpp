#include "base/AnsiText.h"

#include "base/WideText.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace {

bool IsPlainAscii(std::string_view text)
{
    for (const char c : text) {
        if (c < 0x21 || c > 0x7E) return false;
    }
    return true;
}

// The locale's sort key without regard to case: byte order of keys is the
// locale's order of the texts. False when the system cannot make one.
bool SortKey(std::string_view text, std::string& key)
{
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const std::wstring wide = WideText(text);
    const int size = static_cast<int>(wide.size());
    // A sort key is bytes, though the wide call counts its buffer in characters.
    char buffer[2048];
    int length = LCMapStringW(LOCALE_USER_DEFAULT, flags, wide.c_str(), size, reinterpret_cast<LPWSTR>(buffer),
                              sizeof buffer);
    if (length > 0) {
        key.assign(buffer, static_cast<size_t>(length));
        return true;
    }
    length = LCMapStringW(LOCALE_USER_DEFAULT, flags, wide.c_str(), size, nullptr, 0);
    if (length <= 0) return false;
    key.assign(static_cast<size_t>(length) + 1, '\0');
    if (LCMapStringW(LOCALE_USER_DEFAULT, flags, wide.c_str(), size, reinterpret_cast<LPWSTR>(key.data()), length) <= 0)
        return false;
    key.resize(static_cast<size_t>(length));
    return true;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

int CompareTextLocaleOrder(std::string_view a, std::string_view b)
{
    const std::wstring wideA = WideText(a);
    const std::wstring wideB = WideText(b);
    const int result = CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wideA.c_str(),
                                      static_cast<int>(wideA.size()), wideB.c_str(), static_cast<int>(wideB.size()));
    if (result == 0) return a.compare(b);  // the call failed: order by bytes rather than call them equal
    return result - CSTR_EQUAL;
}

bool SameTextLocaleOrder(std::string_view a, std::string_view b)
{
    // Printable ASCII differs from the locale's equality only in letter case:
    // spare the conversion the system call makes for every comparison.
    if (IsPlainAscii(a) && IsPlainAscii(b)) {
        if (a.size() != b.size()) return false;
        for (size_t i = 0; i < a.size(); ++i) {
            if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
        }
        return true;
    }
    return CompareTextLocaleOrder(a, b) == 0;
}

void SortUniqueTextLocaleOrder(std::vector<std::string>& texts)
{
    if (texts.size() < 2) return;
    std::vector<std::pair<std::string, size_t>> keyed(texts.size());
    bool keysMade = true;
    for (size_t i = 0; i < texts.size() && keysMade; ++i) {
        keysMade = SortKey(texts[i], keyed[i].first);
        keyed[i].second = i;
    }
    if (!keysMade) {
        // Without keys: compare through the system every time.
        std::sort(texts.begin(), texts.end(), [](const std::string& a, const std::string& b) {
            const int order = CompareTextLocaleOrder(a, b);
            return order != 0 ? order < 0 : a < b;
        });
        texts.erase(std::unique(texts.begin(), texts.end()), texts.end());
        return;
    }
    std::sort(keyed.begin(), keyed.end(), [&texts](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : texts[a.second] < texts[b.second];
    });
    std::vector<std::string> sorted;
    sorted.reserve(keyed.size());
    for (const auto& entry : keyed) {
        if (!sorted.empty() && sorted.back() == texts[entry.second]) continue;
        sorted.push_back(std::move(texts[entry.second]));
    }
    texts = std::move(sorted);
}
