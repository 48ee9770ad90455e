#include "engine/win32/AnsiCompare.h"

#include <windows.h>

namespace {

bool IsPlainAscii(std::string_view text)
{
    for (const char c : text) {
        if (c < 0x21 || c > 0x7E) return false;
    }
    return true;
}

char FoldAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

} // namespace

int AnsiCompareText(std::string_view a, std::string_view b)
{
    const int result = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                                      b.data(), static_cast<int>(b.size()));
    if (result == 0) return a.compare(b);  // the call failed: order by bytes rather than call them equal
    return result - CSTR_EQUAL;
}

bool AnsiSameText(std::string_view a, std::string_view b)
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
    return AnsiCompareText(a, b) == 0;
}
