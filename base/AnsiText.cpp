#include "base/AnsiText.h"

#include <algorithm>

namespace {

int FoldAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - ('a' - 'A') : c; }

} // namespace

int CompareTextAsciiFolded(std::string_view a, std::string_view b)
{
    const size_t common = std::min(a.size(), b.size());
    for (size_t i = 0; i < common; ++i) {
        const unsigned char ca = static_cast<unsigned char>(a[i]);
        const unsigned char cb = static_cast<unsigned char>(b[i]);
        const int fa = FoldAscii(ca);
        const int fb = FoldAscii(cb);
        if (fa != fb) return fa - fb;
    }
    return static_cast<int>(a.size()) - static_cast<int>(b.size());
}
