#pragma once
// Canonical Huffman codes as -lh5- uses them: shorter codes first, equal lengths
// in symbol order, bits sent most significant first.
#include <cstdint>
#include <span>
#include <vector>

// Optimal code lengths for the frequencies, none longer than limit; unused
// symbols get 0. At least two symbols must be used: the code is then complete.
std::vector<uint8_t> BuildCodeLengths(std::span<const uint32_t> frequencies, int limit);

// The canonical code of every symbol for the given lengths.
std::vector<uint16_t> CanonicalCodes(std::span<const uint8_t> lengths);

class TBitReader;

// Decodes symbols of one canonical code.
class THuffmanDecoder {
public:
    // False when the lengths do not form one complete code (or exceed 16 bits).
    bool Build(std::span<const uint8_t> lengths);
    // A code of one symbol, sent without bits.
    void SetSingle(uint16_t symbol);
    uint16_t Decode(TBitReader& reader) const;

private:
    static constexpr int TableBits = 10;
    // Fast table: symbol << 5 | length for codes up to TableBits long, 0 otherwise.
    std::vector<uint32_t> table_;
    std::vector<uint16_t> sorted_;   // symbols by length, then by value
    uint32_t first_[18] = {};        // first code of each length
    uint32_t count_[18] = {};
    uint32_t offset_[18] = {};       // index into sorted_ of each length's first symbol
    int single_ = -1;
};
