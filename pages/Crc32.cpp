#include "pages/Crc32.h"

#include <array>

namespace {

using CrcTables = std::array<std::array<uint32_t, 256>, 8>;

constexpr CrcTables MakeTables()
{
    CrcTables tables{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][n] = c;
    }
    for (uint32_t n = 0; n < 256; ++n) {
        for (size_t t = 1; t < tables.size(); ++t) {
            tables[t][n] = (tables[t - 1][n] >> 8) ^ tables[0][tables[t - 1][n] & 0xFF];
        }
    }
    return tables;
}

constexpr CrcTables Tables = MakeTables();

} // namespace

uint32_t Crc32Continue(uint32_t crc, const void* data, size_t size)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    uint32_t c = ~crc;
    // Slicing by eight: a whole PNG is read through this, so it should keep up with the disk.
    while (size >= 8) {
        const uint32_t low = c ^ (uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
        const uint32_t high = uint32_t(p[4]) | uint32_t(p[5]) << 8 | uint32_t(p[6]) << 16 | uint32_t(p[7]) << 24;
        c = Tables[7][low & 0xFF] ^ Tables[6][(low >> 8) & 0xFF] ^ Tables[5][(low >> 16) & 0xFF] ^ Tables[4][low >> 24] ^
            Tables[3][high & 0xFF] ^ Tables[2][(high >> 8) & 0xFF] ^ Tables[1][(high >> 16) & 0xFF] ^
            Tables[0][high >> 24];
        p += 8;
        size -= 8;
    }
    while (size--) c = Tables[0][(c ^ *p++) & 0xFF] ^ (c >> 8);
    return ~c;
}
