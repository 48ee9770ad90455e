#pragma once
// The deep look at a JPEG held in memory: every marker segment, and every block
// of every scan Huffman-decoded (baseline, extended and progressive), without
// the inverse DCT. Damage in the middle of the compressed data throws the
// decoding off its codes or off the block count that must end exactly at the
// next marker, so it is found where a look at the head and tail sees nothing.
#include <cstddef>
#include <cstdint>

enum class TJpegVerdict {
    Whole,
    Damaged,
    // Arithmetic-coded, lossless or hierarchical, or its height comes after the
    // first scan: not walked here.
    NotWalked
};

// Whole when: start marker; segments inside the file; one frame; Huffman tables
// that make a code; every scan decoded to its last block with its restart markers
// in order and nothing left before the marker that follows; every component
// covered (a progressive file: every coefficient down to its last bit); the end
// marker, followed by nothing but zeros.
TJpegVerdict WalkJpeg(const uint8_t* data, size_t size);
