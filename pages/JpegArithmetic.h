#pragma once
// The adaptive binary arithmetic decoder of JPEG (the QM coder of ITU T.81,
// annex D), over a scan's entropy-coded data: stuffed 0xFF 0x00 is one 0xFF of
// data; at a marker the data ends and zeros are fed, as the standard's
// convention has encoders drop their final zero bytes.
#include <cstddef>
#include <cstdint>

class TJpegArithmetic {
public:
    // A statistics bin: the index into the probability table and, in bit 7, the
    // more probable symbol. Zero is the state every bin starts from.
    using TBin = uint8_t;
    // A bin that never adapts: an even chance (for signs and correction bits).
    static constexpr TBin FixedBin = 113;

    TJpegArithmetic(const uint8_t* data, size_t size) : Data(data), Size(size) {}

    // Starts decoding at position (after a scan header or a restart marker).
    void Start(size_t position)
    {
        Position = position;
        C = 0;
        A = 0;
        Ct = -16;
        MarkerSeen = false;
    }

    // The next binary decision with the bin's statistics (which adapt).
    int Decode(TBin& bin);

    // The byte after the last one read of the data.
    size_t Where() const { return Position; }
    // True once the data ran into a marker (or the file's end) and zeros are fed.
    bool Exhausted() const { return MarkerSeen; }

private:
    uint32_t NextByte();

    const uint8_t* Data;
    size_t Size;
    size_t Position = 0;
    uint32_t C = 0;  // the code register
    uint32_t A = 0;  // the interval
    int Ct = 0;      // bits of C not yet aligned with A; below zero while starting
    bool MarkerSeen = false;
};
