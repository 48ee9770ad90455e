#pragma once
// The deep look at a JPEG held in memory: every marker segment, and every block
// of every scan entropy-decoded (Huffman or arithmetic coded; baseline, extended
// and progressive), without the inverse DCT. Damage in the middle of the
// compressed data throws the decoding off its codes, off the range a DC value
// can have, or off the block count that must end exactly at the next marker, so
// it is found where a look at the markers sees nothing.
#include "pages/ImageCheck.h"

#include <cstddef>
#include <cstdint>

// Whole when: start marker; segments inside the file; one frame; every scan
// decoded to its last block, with its restart markers in order and nothing but
// a few zeros left before the marker that follows; every DC value inside the
// range of the frame's precision; every component covered (a progressive file:
// its DC sent; the rest of its coefficients and bits may stop early); the end
// marker. What follows the end marker is not the image's. Missing Huffman
// tables are the standard's.
// False (verdict untouched) for what the walk does not decode: lossless or
// hierarchical coding, or a height given only after the first scan.
bool WalkJpeg(const uint8_t* data, size_t size, TPageVerdict& verdict);
