// A BMP: signature, a declared size the file holds, pixel data that starts
// after the smallest headers and inside the file. The deep level walks an RLE
// bitmap's runs to their end within its pixel count.
#include "pages/ImageBytes.h"

#include <cstdint>

namespace {

constexpr uint32_t SmallestHeaders = 14 + 12;

struct TBmpInfo {
    int64_t Width = 0;
    int64_t Height = 0;
    unsigned Bits = 0;
    uint32_t Compression = 0;
    uint32_t ImageSize = 0;
};

TBmpInfo ReadInfo(const uint8_t* info, uint32_t infoSize)
{
    TBmpInfo i;
    if (infoSize == 12) {
        i.Width = LittleEndian16(info + 4);
        i.Height = LittleEndian16(info + 6);
        i.Bits = LittleEndian16(info + 10);
    } else {
        i.Width = static_cast<int32_t>(LittleEndian32(info + 4));
        i.Height = static_cast<int32_t>(LittleEndian32(info + 8));
        i.Bits = LittleEndian16(info + 14);
        i.Compression = LittleEndian32(info + 16);
        i.ImageSize = LittleEndian32(info + 20);
    }
    if (i.Height < 0) i.Height = -i.Height;  // rows from the top
    return i;
}

// The bytes of pixel data the info header promises (from its dimensions, or
// its image size when compressed); 0 when the header makes no sense.
uint64_t PixelBytes(const TBmpInfo& i)
{
    if (i.Width <= 0 || i.Height == 0) return 0;
    if (i.Compression != 0 && i.Compression != 3 && i.Compression != 6) return i.ImageSize;  // RLE, JPEG, PNG inside
    if (i.Bits != 1 && i.Bits != 4 && i.Bits != 8 && i.Bits != 16 && i.Bits != 24 && i.Bits != 32) return 0;
    const uint64_t stride = (static_cast<uint64_t>(i.Width) * i.Bits + 31) / 32 * 4;
    return stride * static_cast<uint64_t>(i.Height);
}

// RLE8 (two pixels a byte: RLE4) from position: runs, ends of lines, moves and
// literal spans, each inside the bitmap, up to the end-of-bitmap code. Runs may
// go past a row's end, as some writers code a row's padding pixels, wrapping
// into the rows after it as decoders draw them, but never past the bitmap's end
// (its rows padded to 32 bits). An end code is whole only
// in the last row or where the declared data size ends (give or take padding): before that it is bytes
// of something else, and the rows after it are lost.
TPageVerdict WalkRle(TBlockReader& reader, uint64_t position, const TBmpInfo& info, bool four)
{
    const uint64_t width = static_cast<uint64_t>(info.Width), height = static_cast<uint64_t>(info.Height);
    if (info.Width <= 0) return TPageVerdict::DamagedAt(18);
    const uint64_t stride = (width * (four ? 4 : 8) + 31) / 32 * 32 / (four ? 4 : 8);  // pixels
    const uint64_t dataEnd = info.ImageSize ? position + info.ImageSize : 0;
    uint64_t x = 0, y = 0;
    const auto inside = [&] { return y * stride + x <= stride * height; };
    for (;;) {
        const uint64_t at = position;
        const uint8_t* p = reader.At(position, 2);
        if (!p) return reader.Missing();
        position += 2;
        if (p[0] > 0) {
            x += p[0];
        } else if (p[1] == 0) {  // end of line: after the rows a long run wrapped into
            y += x <= stride ? 1 : (x + stride - 1) / stride;
            x = 0;
        } else if (p[1] == 1) {  // end of bitmap
            if (y + 1 >= height || (position <= dataEnd && dataEnd - position < 4)) return {};
            return TPageVerdict::DamagedAt(at);
        } else if (p[1] == 2) {  // move right and up
            const uint8_t* move = reader.At(position, 2);
            if (!move) return reader.Missing();
            position += 2;
            x += move[0];
            y += move[1];
        } else {  // literal pixels, padded to a 16-bit boundary
            const uint64_t bytes = four ? (p[1] + 1u) / 2 : p[1];
            position += bytes + (bytes & 1);
            if (position > reader.Size()) return TPageVerdict::Cut();
            x += p[1];
        }
        if (!inside()) return TPageVerdict::DamagedAt(at);
    }
}

} // namespace

// A declared size of 0 (which many writers leave) says nothing: the pixel data
// the header's dimensions call for must then be in the file.
TPageVerdict CheckBmp(TByteSource& source, TCheckDepth depth)
{
    TBlockReader reader(source, 64 * 1024);
    const uint64_t size = reader.Size();
    if (size < SmallestHeaders) return TPageVerdict::Cut();
    const uint8_t* p = reader.At(0, 18);
    if (!p) return reader.Missing();
    const uint32_t declared = LittleEndian32(p + 2);
    const uint32_t pixels = LittleEndian32(p + 10);
    const uint32_t infoSize = LittleEndian32(p + 14);
    if (declared > size) return TPageVerdict::Cut();
    if (pixels < SmallestHeaders) return TPageVerdict::DamagedAt(10);
    if (pixels >= size) return TPageVerdict::Cut();
    const bool hasInfo = infoSize == 12 || infoSize >= 40;
    const uint8_t* infoBytes = hasInfo ? reader.At(14, infoSize == 12 ? 12 : 40) : nullptr;
    if (hasInfo && !infoBytes) return reader.Missing();
    const TBmpInfo info = infoBytes ? ReadInfo(infoBytes, infoSize) : TBmpInfo{};
    if (declared == 0) {
        if (!infoBytes) return TPageVerdict::DamagedAt(14);
        const uint64_t bytes = PixelBytes(info);
        if (bytes == 0) return TPageVerdict::DamagedAt(14);
        if (bytes > size - pixels) return TPageVerdict::Cut();
    }
    TPageVerdict verdict;
    if (depth == TCheckDepth::Deep && infoBytes && (info.Compression == 1 || info.Compression == 2))
        verdict = WalkRle(reader, pixels, info, info.Compression == 2);
    if (verdict.Whole()) {
        const uint8_t* sizes = reader.At(14, 12);
        if (!sizes) return reader.Missing();
        verdict.Size = BmpInfoSize(sizes);
    }
    return verdict;
}
