#pragma once
// Reads the entropy-coded data of a JPEG scan bit by bit. The scan's data is
// first copied out of the file once, its stuffed 0xFF 0x00 made one 0xFF and
// split at its restart markers into intervals; bits are then read by position
// with no marker to watch for, which is what makes the walk fast. Reading past
// an interval's end is an overrun: its data ended too early.
#include "pages/JpegHuffman.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class TJpegBits {
public:
    TJpegBits(const uint8_t* data, size_t size) : Data(data), Size(size) {}

    // Takes the scan's data from position up to the first marker that is not a
    // restart marker (or the file's end), and starts at its first interval.
    void Load(size_t position);
    // Goes on with the next interval (after a restart marker); false when there is none.
    bool NextInterval();

    // The symbol of the next code of the table, or -1 when none matches.
    int Decode(const TJpegHuffman& table)
    {
        int length = 0;
        const int symbol = table.Decode(Peek(), length);
        if (symbol >= 0) BitPos += static_cast<size_t>(length);
        return symbol;
    }

    // The table's whole-coefficient lookup on the next bits (see FastAc); the
    // caller skips the bits it takes.
    uint16_t PeekFastAc(const TJpegHuffman& table) const { return table.FastAc(Peek()); }

    // Skips count bits (before the next Peek, at most what the slack beyond the data holds).
    void Skip(int count) { BitPos += static_cast<size_t>(count); }

    // The next count bits (at most 16).
    uint32_t Get(int count)
    {
        if (count == 0) return 0;
        const uint32_t value = Peek() >> (32 - count);
        BitPos += static_cast<size_t>(count);
        return value;
    }

    // A coefficient's value of size bits (at most 16), sign-extended as the standard codes it.
    int32_t Value(int size)
    {
        if (size == 0) return 0;
        const int32_t bits = static_cast<int32_t>(Get(size));
        return bits < (int32_t(1) << (size - 1)) ? bits - (int32_t(1) << size) + 1 : bits;
    }

    // True once the interval has taken bits from beyond its data.
    bool Overrun() const { return BitPos > Intervals[Current].End * 8; }
    // True when the scan's data stopped at the file's end rather than at a marker.
    bool AtFileEnd() const { return EndsAtFile; }

    // About where the reading stands in the file: the byte of the bit in hand.
    size_t Where() const;

    // Where the interval's data ends, when all of it but the bits padding its
    // last byte has been read and a marker follows, after at most maxZeros zero
    // bytes (which decoders skip): the marker's code byte (after its 0xFF and
    // any fill bytes). 0 otherwise.
    size_t MarkerAfterData(int maxZeros) const;

    // The next 32 bits, of which at least 25 are the data's.
    uint32_t Peek() const
    {
        const uint8_t* p = Clean + (BitPos >> 3);
        const uint32_t word = uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
        return word << (BitPos & 7);
    }

private:

    struct TInterval {
        size_t Begin;       // in the clean data
        size_t End;
        size_t FileBegin;   // where its data starts in the file
        size_t Marker;      // the code byte of the marker after it; 0 at the file's end
    };

    const uint8_t* Data;
    size_t Size;
    const uint8_t* Clean = nullptr;
    std::vector<TInterval> Intervals;
    size_t Current = 0;
    size_t BitPos = 0;
    bool EndsAtFile = false;
};
