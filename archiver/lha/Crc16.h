#pragma once
// CRC-16 of LHA archives (polynomial 0x8005, reflected, initial value 0): it
// guards every entry's data and every level-2 header.
#include <cstddef>
#include <cstdint>

uint16_t UpdateCrc16(uint16_t crc, const void* data, size_t size);
