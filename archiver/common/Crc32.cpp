#include "archiver/common/Crc32.h"

#include <zlib.h>

#include <algorithm>

uint32_t Crc32Update(uint32_t crc, const void* data, size_t size)
{
    const auto* p = static_cast<const Bytef*>(data);
    uLong value = crc;
    while (size > 0) {
        const uInt step = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
        value = crc32(value, p, step);
        p += step;
        size -= step;
    }
    return static_cast<uint32_t>(value);
}

uint32_t Crc32Combine(uint32_t crcA, uint32_t crcB, uint64_t lengthB)
{
    // zlib's length may be 32 bits wide here: A is shifted over long lengths in steps.
    constexpr uint64_t step = 1u << 30;
    uLong crc = crcA;
    for (; lengthB > step; lengthB -= step) crc = crc32_combine(crc, 0, static_cast<z_off_t>(step));
    return static_cast<uint32_t>(crc32_combine(crc, crcB, static_cast<z_off_t>(lengthB)));
}
