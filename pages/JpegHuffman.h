#pragma once
// One Huffman table of a JPEG as a file defines it (a DHT segment), arranged
// for decoding: codes up to LookBits long are found by one lookup, longer ones
// by their length. An AC table also answers, for the commonest codes, how far a
// whole coefficient (code and value bits) moves the walk, in one lookup.
#include <cstdint>

class TJpegHuffman {
public:
    static constexpr int LookBits = 9;
    static constexpr int ChainBits = 12;

    // counts: the number of codes of each length 1..16; symbols: their values in
    // code order. False when the codes overflow their lengths (as a damaged
    // segment's do) or more than 256 are declared; the table is then undefined.
    // maxSize: the largest value size (AC) a coefficient may have.
    bool Define(const uint8_t counts[16], const uint8_t* symbols, int maxSize = 10);
    bool Defined() const { return IsDefined; }

    // The tables of the standard's annex, for files (Motion-JPEG frames) that
    // define none: 0 luminance, 1 chrominance.
    void DefineStandardDc(int id);
    void DefineStandardAc(int id, int maxSize = 10);

    // bits: the next 32 bits of the data, left-aligned. The symbol and the code's
    // length, or -1 when no code of this table starts the bits.
    int Decode(uint32_t bits, int& length) const
    {
        const uint16_t entry = Lookup[bits >> (32 - LookBits)];
        if (entry >> 8) {
            length = entry >> 8;
            return entry & 0xFF;
        }
        for (int l = LookBits + 1; l <= 16; ++l) {
            const int32_t code = static_cast<int32_t>(bits >> (32 - l));
            if (code <= MaxCode[l]) {
                length = l;
                return Symbols[code + ValueOffset[l]];
            }
        }
        return -1;
    }

    // A whole AC coefficient whose code and value bits fit LookBits: bits 0-7 how
    // far the position moves (run + 1, 16 for a run of sixteen zeros, 0 for the
    // end of the block), bits 8-11 the bits it takes; 0 when not known so.
    uint16_t FastAc(uint32_t bits) const { return Fast[bits >> (32 - LookBits)]; }

    // Makes the chains below (once a table is defined, for a sequential scan).
    void MakeChains();

    // As many whole AC coefficients as fit ChainBits, up to and with an end of
    // block: bits 0-6 how far the position moves (below 64), bits 8-11 the bits
    // they take, bit 15 set when they end the block; 0 when not one fits.
    uint16_t ChainAc(uint32_t bits) const { return Chain[bits >> (32 - ChainBits)]; }

private:
    bool IsDefined = false;
    bool HasChains = false;
    uint16_t Lookup[1 << LookBits] = {};  // length << 8 | symbol; length 0: a longer code or none
    uint16_t Fast[1 << LookBits] = {};
    uint16_t Chain[1 << ChainBits] = {};
    int32_t MaxCode[17] = {};              // the last code of each length, -1 when there is none
    int32_t ValueOffset[17] = {};          // from a code of that length to its index in Symbols
    uint8_t Symbols[256] = {};
};
