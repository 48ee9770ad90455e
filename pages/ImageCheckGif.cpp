// A GIF: header, logical screen and colour table, then block by block
// (extensions and images, each with its data sub-blocks) to the trailer, with
// at least one image. A file that ends after a whole block and lacks only the
// trailer shows the same pixels in every decoder: it is whole. The deep level decodes each image's LZW codes to exactly
// its pixel count.
#include "pages/ImageBytes.h"

#include <cstdint>

namespace {

unsigned ColourTable(uint8_t flags) { return flags & 0x80 ? 3u << ((flags & 7) + 1) : 0u; }

// The LZW codes of one image, fed the bytes of its sub-blocks: only the length
// of each table entry's string is kept, which is all the pixel count needs.
class TLzwCount {
public:
    TLzwCount(unsigned minimumSize, uint64_t pixels)
        : Minimum(minimumSize), Clear(1u << minimumSize), Pixels(pixels)
    {
        Reset();
    }

    // False once the codes cannot be an encoder's; failedAt then gets the index
    // of the byte whose code showed it.
    bool Feed(const uint8_t* bytes, size_t count, size_t& failedAt)
    {
        for (size_t i = 0; i < count && !Ended; ++i) {
            Bits |= uint32_t(bytes[i]) << Held;
            Held += 8;
            while (Held >= CodeSize && !Ended) {
                const unsigned code = Bits & ((1u << CodeSize) - 1);
                Bits >>= CodeSize;
                Held -= CodeSize;
                if (!Code(code)) return failedAt = i, false;
            }
        }
        return true;
    }

    // Whether the image is complete when its sub-blocks end (an end code is not required).
    bool Complete() const { return Done == Pixels; }

private:
    void Reset()
    {
        CodeSize = Minimum + 1;
        Next = Clear + 2;
        Previous = 0;
    }

    bool Code(unsigned code)
    {
        if (code == Clear) {
            Reset();
            return true;
        }
        if (code == Clear + 1) {
            Ended = true;
            return Done == Pixels;
        }
        // Once the image is complete only the end (or a clear) may follow.
        if (Done == Pixels) return false;
        unsigned length = 0;
        if (Previous == 0) {
            if (code >= Clear) return false;  // after a clear only single pixels exist
            length = 1;
        } else {
            if (code < Next) {
                length = code < Clear ? 1 : Lengths[code];
            } else if (code == Next && Next < 4096) {
                length = Previous + 1;  // the string just being defined
            } else {
                return false;
            }
            if (Next < 4096) {
                Lengths[Next++] = static_cast<uint16_t>(Previous + 1 > 4096 ? 4096 : Previous + 1);
                if (Next == (1u << CodeSize) && CodeSize < 12) ++CodeSize;
            }
        }
        Previous = length;
        Done += length;
        return Done <= Pixels;
    }

    const unsigned Minimum;
    const unsigned Clear;
    const uint64_t Pixels;
    uint64_t Done = 0;
    unsigned CodeSize = 0;
    unsigned Next = 0;
    unsigned Previous = 0;  // the last string's length, 0 right after a clear
    uint32_t Bits = 0;
    unsigned Held = 0;
    bool Ended = false;
    uint16_t Lengths[4096] = {};
};

} // namespace

TPageVerdict CheckGif(TByteSource& source, TCheckDepth depth)
{
    TBlockReader reader(source, 64 * 1024);
    const uint8_t* p = reader.At(0, 13);
    if (!p) return reader.Missing();
    const TPageSize pageSize = GifScreenSize(p);
    uint64_t position = 13 + ColourTable(p[10]);
    // Data sub-blocks: a length byte, that many bytes, up to a zero length; each
    // block's bytes handed to feed (when given) until it says no, the damage then
    // at the byte whose code it refused.
    uint64_t terminator = 0;
    const auto subBlocks = [&](TLzwCount* lzw) -> TPageVerdict {
        for (;;) {
            const uint8_t* p = reader.At(position, 1);
            if (!p) return reader.Missing();
            const uint8_t length = *p;  // (the next read may move the block under p)
            const uint64_t at = position++;
            if (length == 0) return terminator = at, TPageVerdict{};
            if (lzw) {
                const uint8_t* bytes = reader.At(position, length);
                if (!bytes) return reader.Missing();
                size_t failed = 0;
                if (!lzw->Feed(bytes, length, failed)) return TPageVerdict::DamagedAt(position + failed);
            }
            position += length;
        }
    };
    bool image = false;
    for (;;) {
        if (position == reader.Size() && image) return TPageVerdict::WholeOfSize(pageSize);
        p = reader.At(position, 1);
        if (!p) return reader.Missing();
        // The trailer ends the image; what follows is not the image's.
        if (*p == 0x3B) return image ? TPageVerdict::WholeOfSize(pageSize) : TPageVerdict::DamagedAt(position);
        TPageVerdict verdict;
        if (*p == 0x21) {  // extension: label, then its sub-blocks
            position += 2;
            verdict = subBlocks(nullptr);
        } else if (*p == 0x2C) {  // image descriptor, local colour table, LZW code size
            p = reader.At(position, 10);
            if (!p) return reader.Missing();
            const uint64_t pixels = uint64_t(LittleEndian16(p + 5)) * LittleEndian16(p + 7);
            position += 10 + ColourTable(p[9]);
            p = reader.At(position++, 1);
            if (!p) return reader.Missing();
            if (*p < 1 || *p > 11) return TPageVerdict::DamagedAt(position - 1);
            image = true;
            if (depth == TCheckDepth::Deep) {
                TLzwCount lzw(*p, pixels);
                verdict = subBlocks(&lzw);
                // Pixels missing when the data ends: a decoder fails at its end.
                if (verdict.Whole() && !lzw.Complete()) verdict = TPageVerdict::DamagedAt(terminator);
            } else {
                verdict = subBlocks(nullptr);
            }
        } else {
            return TPageVerdict::DamagedAt(position);
        }
        if (!verdict.Whole()) return verdict;
    }
}
