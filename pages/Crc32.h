#pragma once
// CRC-32 as PNG chunks carry it (polynomial 0xEDB88320, reflected, inverted
// at both ends), eight bytes per step.
#include <cstddef>
#include <cstdint>

// Continues crc (0 to start) over size bytes.
uint32_t Crc32Continue(uint32_t crc, const void* data, size_t size);
