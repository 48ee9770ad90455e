#include "engine/JpegHuffman.h"

#include <algorithm>
#include <iterator>

bool TJpegHuffman::Define(const uint8_t counts[16], const uint8_t* symbols)
{
    IsDefined = false;
    int total = 0;
    for (int l = 0; l < 16; ++l) total += counts[l];
    if (total > 256) return false;
    std::copy(symbols, symbols + total, Symbols);
    std::fill(std::begin(Lookup), std::end(Lookup), uint16_t(0));

    // Canonical codes: each length's codes follow the shorter ones'. As in
    // libjpeg, no length may use up its code space (no code is all ones).
    int32_t code = 0;
    int index = 0;
    for (int l = 1; l <= 16; ++l) {
        const int count = counts[l - 1];
        if (code + count >= (int32_t(1) << l)) return false;
        ValueOffset[l] = index - code;
        for (int i = 0; i < count; ++i, ++code, ++index) {
            if (l <= LookBits) {
                const int shift = LookBits - l;
                const uint16_t entry = static_cast<uint16_t>(l << 8 | Symbols[index]);
                std::fill(Lookup + (code << shift), Lookup + ((code + 1) << shift), entry);
            }
        }
        MaxCode[l] = count ? code - 1 : -1;
        code <<= 1;
    }
    IsDefined = true;
    return true;
}
