#include "base/AnsiText.h"

#include "base/PathUtility.h"

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
        if (ca == cb && IsAnsiLeadByte(ca) && i + 1 < common) {
            // Same lead byte on both sides: the trail bytes compare unfolded.
            ++i;
            const unsigned char ta = static_cast<unsigned char>(a[i]);
            const unsigned char tb = static_cast<unsigned char>(b[i]);
            if (ta != tb) return ta - tb;
            continue;
        }
        const int fa = FoldAscii(ca);
        const int fb = FoldAscii(cb);
        if (fa != fb) return fa - fb;
    }
    return static_cast<int>(a.size()) - static_cast<int>(b.size());
}
