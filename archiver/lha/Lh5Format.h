#pragma once
// Constants of the -lh5- method: LZSS over an 8 KiB window, its literals,
// match lengths and distances coded with static Huffman codes sent per block.
#include <cstdint>

namespace lh5 {

constexpr int WindowBits = 13;
constexpr uint32_t WindowSize = 1u << WindowBits;
// One short of the window: a copy from exactly one window back is legal, but
// not every decoder's ring buffer handles it.
constexpr uint32_t MaxDistance = WindowSize - 1;
constexpr int MinMatch = 3;
constexpr int MaxMatch = 256;

constexpr int CodeCount = 256 + MaxMatch - MinMatch + 1; // literals and lengths: 510
constexpr int LengthCodeCount = 19;                       // code-length alphabet
constexpr int PositionCodeCount = WindowBits + 1;         // distance bit lengths: 14
constexpr int CodeCountBits = 9;
constexpr int LengthCountBits = 5;
constexpr int PositionCountBits = 4;
constexpr int MaxCodeLength = 16;
constexpr uint32_t MaxBlockSymbols = 0xFFFF;

} // namespace lh5
