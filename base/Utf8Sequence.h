#pragma once
// One UTF-8 sequence at a time, for the walks that weigh or key a text by
// character (code page 932 positions, sort keys).
#include <cstddef>
#include <cstdint>
#include <string_view>

// The bytes of the UTF-8 sequence starting at `at` and its code point; a byte
// that starts no sequence, or a sequence cut by the text's end, is one byte
// standing for itself.
inline size_t Utf8Sequence(std::string_view text, size_t at, uint32_t& code)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    const size_t size = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (size == 0 || at + size > text.size()) {
        code = lead;
        return 1;
    }
    code = size == 1 ? lead : lead & (0x7F >> size);
    for (size_t k = 1; k < size; ++k) code = code << 6 | (static_cast<unsigned char>(text[at + k]) & 0x3F);
    return size;
}
