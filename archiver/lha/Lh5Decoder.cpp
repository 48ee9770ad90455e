#include "archiver/lha/Lh5Decoder.h"

#include "archiver/lha/BitStream.h"
#include "archiver/lha/Huffman.h"
#include "archiver/lha/Lh5Format.h"

#include <cstring>
#include <vector>

namespace {

using namespace lh5;

[[noreturn]] void Fail(const char* what)
{
    throw TLhaFormatError(what);
}

[[noreturn]] void BadTable()
{
    Fail("圧縮データの符号表が壊れています");
}

// The number of code lengths sent; 0 means a code of one symbol, sent next
// and then coded without bits (decoder is then set up already).
int ReadLengthCount(TBitReader& reader, THuffmanDecoder& decoder, int symbolCount, int countBits)
{
    const int n = static_cast<int>(reader.Get(countBits));
    if (n > symbolCount) BadTable();
    if (n == 0) {
        const uint32_t symbol = reader.Get(countBits);
        if (symbol >= static_cast<uint32_t>(symbolCount)) BadTable();
        decoder.SetSingle(static_cast<uint16_t>(symbol));
    }
    return n;
}

// Code lengths sent as 3-bit values, 7 and up extended in unary; after the
// entry at position special a 2-bit count of zero lengths follows.
void ReadShortLengths(TBitReader& reader, THuffmanDecoder& decoder, int symbolCount, int countBits, int special)
{
    const int n = ReadLengthCount(reader, decoder, symbolCount, countBits);
    if (n == 0) return;
    std::vector<uint8_t> lengths(symbolCount, 0);
    int i = 0;
    while (i < n) {
        const uint32_t peek = reader.Peek16();
        int length = static_cast<int>(peek >> 13);
        if (length == 7) {
            for (uint32_t mask = 1u << 12; mask & peek; mask >>= 1) ++length;
            if (length > MaxCodeLength) BadTable();
        }
        reader.Skip(length < 7 ? 3 : length - 3);
        lengths[i++] = static_cast<uint8_t>(length);
        if (i == special) {
            for (uint32_t zeros = reader.Get(2); zeros > 0 && i < symbolCount; --zeros) lengths[i++] = 0;
        }
    }
    if (!decoder.Build(lengths)) BadTable();
}

void ReadCodeLengths(TBitReader& reader, const THuffmanDecoder& lengthDecoder, THuffmanDecoder& decoder)
{
    const int n = ReadLengthCount(reader, decoder, CodeCount, CodeCountBits);
    if (n == 0) return;
    std::vector<uint8_t> lengths(CodeCount, 0);
    int i = 0;
    while (i < n) {
        const int symbol = lengthDecoder.Decode(reader);
        if (symbol <= 2) {
            const int zeros = symbol == 0 ? 1 : symbol == 1 ? static_cast<int>(reader.Get(4)) + 3
                                                            : static_cast<int>(reader.Get(CodeCountBits)) + 20;
            if (i + zeros > n) BadTable();
            i += zeros;
        } else {
            lengths[i++] = static_cast<uint8_t>(symbol - 2);
        }
        if (reader.Overrun()) Fail("圧縮データが途中で終わっています");
    }
    if (!decoder.Build(lengths)) BadTable();
}

// The decoded bytes, with the last window kept for copies.
class TDecodedWindow {
public:
    explicit TDecodedWindow(TByteOutput& output) : output_(output), buffer_(WindowSize + ChunkSize + MaxMatch) {}
    void Put(uint8_t byte)
    {
        buffer_[fill_++] = byte;
        ++total_;
    }
    void Copy(uint32_t distance, int length)
    {
        if (distance > total_) Fail("圧縮データが壊れています");
        size_t from = fill_ - distance;
        for (int i = 0; i < length; ++i) buffer_[fill_++] = buffer_[from++];
        total_ += static_cast<uint64_t>(length);
    }
    void FlushIfFull()
    {
        if (fill_ >= WindowSize + ChunkSize) Flush();
    }
    void Flush()
    {
        if (fill_ > written_) output_.Write(buffer_.data() + written_, fill_ - written_);
        if (fill_ > WindowSize) {
            std::memmove(buffer_.data(), buffer_.data() + fill_ - WindowSize, WindowSize);
            fill_ = WindowSize;
        }
        written_ = fill_;
    }
    uint64_t Total() const { return total_; }

private:
    static constexpr size_t ChunkSize = 1 << 16;
    TByteOutput& output_;
    std::vector<uint8_t> buffer_;
    size_t fill_ = 0;
    size_t written_ = 0;
    uint64_t total_ = 0;
};

} // namespace

void DecodeLh5(TByteInput& input, uint64_t packedSize, uint64_t originalSize, TByteOutput& output)
{
    TBitReader reader(input, packedSize);
    TDecodedWindow window(output);
    THuffmanDecoder lengthDecoder, codeDecoder, positionDecoder;
    uint32_t blockLeft = 0;
    while (window.Total() < originalSize) {
        if (blockLeft == 0) {
            blockLeft = reader.Get(16);
            if (blockLeft == 0) Fail("圧縮データが壊れています");
            ReadShortLengths(reader, lengthDecoder, LengthCodeCount, LengthCountBits, 3);
            ReadCodeLengths(reader, lengthDecoder, codeDecoder);
            ReadShortLengths(reader, positionDecoder, PositionCodeCount, PositionCountBits, -1);
        }
        --blockLeft;
        const int code = codeDecoder.Decode(reader);
        if (code < 256) {
            window.Put(static_cast<uint8_t>(code));
        } else {
            const int length = code - 256 + MinMatch;
            const int bits = positionDecoder.Decode(reader);
            uint32_t position = 0;
            if (bits > 0) position = (1u << (bits - 1)) + reader.Get(bits - 1);
            if (static_cast<uint64_t>(length) > originalSize - window.Total()) Fail("圧縮データが壊れています");
            window.Copy(position + 1, length);
        }
        if (reader.Overrun()) Fail("圧縮データが途中で終わっています");
        window.FlushIfFull();
    }
    window.Flush();
}
