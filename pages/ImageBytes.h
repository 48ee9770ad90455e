#pragma once
// The page check's view of a file: blocks read from the source and served as
// spans, so that the many small reads of a walk cost one read of the file each.
#include "pages/ImageCheck.h"
#include "pages/PageSize.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

class TBlockReader {
public:
    TBlockReader(TByteSource& source, size_t blockSize) : Source(source), FileSize(source.Size()), Block(blockSize) {}

    uint64_t Size() const { return FileSize; }
    size_t BlockSize() const { return Block.size(); }
    // True once a read of the source failed: the verdict is then Unreadable.
    bool Failed() const { return ReadFailed; }

    // The count bytes at offset (count at most the block size); null when they
    // lie outside the file or cannot be read. available, when asked for, gets
    // how many bytes from offset on the span holds (at least count).
    const uint8_t* At(uint64_t offset, size_t count, size_t* available = nullptr)
    {
        if (offset > FileSize || count > FileSize - offset || count > Block.size()) return nullptr;
        if (offset < BlockStart || offset - BlockStart + count > BlockLength) {
            const size_t length = static_cast<size_t>(std::min<uint64_t>(Block.size(), FileSize - offset));
            BlockLength = 0;
            if (!Source.ReadAt(offset, Block.data(), length)) {
                ReadFailed = true;
                return nullptr;
            }
            BlockStart = offset;
            BlockLength = length;
        }
        const size_t skip = static_cast<size_t>(offset - BlockStart);
        if (available) *available = BlockLength - skip;
        return Block.data() + skip;
    }

    // The verdict for bytes At could not give: past the end, or unreadable.
    TPageVerdict Missing() const { return ReadFailed ? TPageVerdict{TPageFault::Unreadable} : TPageVerdict::Cut(); }

private:
    TByteSource& Source;
    uint64_t FileSize;
    std::vector<uint8_t> Block;
    uint64_t BlockStart = 0;
    size_t BlockLength = 0;
    bool ReadFailed = false;
};

inline uint32_t BigEndian32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
inline uint32_t LittleEndian32(const uint8_t* p) { return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]; }
inline uint16_t LittleEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[1] << 8 | p[0]); }

// A frame header's marker (SOF0-SOF15 but the table and conditioning markers).
inline bool IsJpegFrameMarker(uint8_t marker) { return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC; }
// From a frame header's body (precision, height, width).
inline TPageSize JpegFrameSize(const uint8_t* body)
{
    return {uint32_t(body[3]) << 8 | body[4], uint32_t(body[1]) << 8 | body[2]};
}
// From a PNG's first 24 bytes: IHDR's width and height.
inline TPageSize PngHeaderSize(const uint8_t* head)
{
    if (head[12] != 'I' || head[13] != 'H' || head[14] != 'D' || head[15] != 'R') return {};
    return {BigEndian32(head + 16), BigEndian32(head + 20)};
}
// From a GIF's first 10 bytes: the logical screen.
inline TPageSize GifScreenSize(const uint8_t* head) { return {LittleEndian16(head + 6), LittleEndian16(head + 8)}; }
// From a BMP's first 12 bytes of info header: 16-bit dimensions in the oldest
// header, 32-bit in the others; a negative height means rows from the top.
inline TPageSize BmpInfoSize(const uint8_t* info)
{
    const uint32_t infoSize = LittleEndian32(info);
    if (infoSize == 12) return {LittleEndian16(info + 4), LittleEndian16(info + 6)};
    if (infoSize < 16) return {};
    const int64_t width = static_cast<int32_t>(LittleEndian32(info + 4));
    const int64_t height = static_cast<int32_t>(LittleEndian32(info + 8));
    if (width <= 0) return {};
    return {static_cast<uint32_t>(width), static_cast<uint32_t>(height < 0 ? -height : height)};
}

// The walks of the single formats (each with its source from offset 0).
TPageVerdict CheckJpegMarkers(TByteSource& source);
TPageVerdict CheckJpegScans(TByteSource& source);
TPageVerdict CheckPng(TByteSource& source);
TPageVerdict CheckGif(TByteSource& source, TCheckDepth depth);
TPageVerdict CheckBmp(TByteSource& source, TCheckDepth depth);
