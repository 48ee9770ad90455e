#pragma once
// Reads the entropy-coded data of a JPEG scan bit by bit: a stuffed 0xFF 0x00
// is one 0xFF byte of data, and a marker (or the file's end) stops the data.
// Past it come zero bits, as a decoder feeds them, but counted, so that a scan
// that needs them is known to end too early.
#include "engine/JpegHuffman.h"

#include <cstddef>
#include <cstdint>

class TJpegBits {
public:
    TJpegBits(const uint8_t* data, size_t size) : Data(data), Size(size) {}

    // Starts reading the data at position.
    void Start(size_t position)
    {
        Position = position;
        Buffer = 0;
        Count = 0;
        Phantom = 0;
        Stopped = false;
    }

    // The symbol of the next code of the table, or -1 when none matches.
    int Decode(const TJpegHuffman& table)
    {
        if (Count < 16) Fill();
        int length = 0;
        const int symbol = table.Decode(Buffer, length);
        if (symbol >= 0) Drop(length);
        return symbol;
    }

    // The table's whole-coefficient lookup on the next bits (see FastAc); the
    // caller drops the bits it takes.
    uint16_t PeekFastAc(const TJpegHuffman& table)
    {
        if (Count < TJpegHuffman::LookBits) Fill();
        return table.FastAc(Buffer);
    }

    // Skips count bits (at most 16).
    void Skip(int count)
    {
        if (Count < count) Fill();
        Drop(count);
    }

    uint32_t Get(int count)
    {
        if (count == 0) return 0;
        if (Count < count) Fill();
        const uint32_t value = Buffer >> (32 - count);
        Drop(count);
        return value;
    }

    // A coefficient's value of size bits (at most 16), sign-extended as the standard codes it.
    int32_t Value(int size)
    {
        if (size == 0) return 0;
        const int32_t bits = static_cast<int32_t>(Get(size));
        return bits < (int32_t(1) << (size - 1)) ? bits - (int32_t(1) << size) + 1 : bits;
    }

    // True once the scan has taken bits from beyond its data.
    bool Overrun() const { return Phantom > Count; }
    // True when the data stopped at the file's end rather than at a marker.
    bool AtFileEnd() const { return Stopped && Position >= Size; }

    // About where the reading stands: the byte after the last one taken.
    size_t Where() const { return Position; }

    // Where the data ends, when all of it but the bits padding its last byte has
    // been read and a marker follows, after at most maxZeros zero bytes (which
    // decoders skip): the marker's code byte (after its 0xFF and any fill bytes).
    // 0 otherwise.
    size_t MarkerAfterData(int maxZeros) const
    {
        if (Overrun()) return 0;
        // Whole bytes read ahead but not used: zeros of that allowance.
        const int unused = Count - Phantom;
        const int wholeBytes = unused / 8;
        if (wholeBytes > maxZeros) return 0;
        if (wholeBytes > 0 && (Buffer << (unused % 8)) >> (32 - 8 * wholeBytes) != 0) return 0;
        size_t at = Position;
        for (int zeros = wholeBytes; at < Size && Data[at] == 0 && zeros < maxZeros; ++zeros) ++at;
        if (at >= Size || Data[at] != 0xFF) return 0;
        while (at < Size && Data[at] == 0xFF) ++at;
        return at < Size && Data[at] != 0 ? at : 0;
    }

private:
    void Drop(int count)
    {
        Buffer <<= count;
        Count -= count;
    }

    void Fill()
    {
        while (Count <= 24) {
            uint32_t byte = 0;
            if (!Stopped && Position < Size) {
                byte = Data[Position];
                if (byte != 0xFF) {
                    ++Position;
                } else if (Position + 1 < Size && Data[Position + 1] == 0) {
                    Position += 2;
                } else {
                    Stopped = true;
                }
            } else {
                Stopped = true;
            }
            if (Stopped) {
                byte = 0;
                Phantom += 8;
            }
            Buffer |= byte << (24 - Count);
            Count += 8;
        }
    }

    const uint8_t* Data;
    size_t Size;
    size_t Position = 0;
    uint32_t Buffer = 0;  // left-aligned
    int Count = 0;        // bits in Buffer
    int Phantom = 0;      // of them, zero bits from beyond the data (the last ones)
    bool Stopped = false;
};
