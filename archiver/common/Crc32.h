#pragma once
// CRC-32 (the zip, 7z and cabinet polynomial) through zlib's tuned routines.
#include <cstddef>
#include <cstdint>

// Continues crc (0 to start) over size bytes.
uint32_t Crc32Update(uint32_t crc, const void* data, size_t size);

// The CRC of A followed by B, from the CRCs of both and B's length.
uint32_t Crc32Combine(uint32_t crcA, uint32_t crcB, uint64_t lengthB);
