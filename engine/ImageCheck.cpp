#include "engine/ImageCheck.h"

#include "engine/Crc32.h"
#include "engine/JpegWalk.h"
#include "base/FileNameParts.h"
#include "base/AnsiText.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

// Reads the source one block at a time and serves spans of it, so that the
// many small reads of a header walk cost one read of the file each.
class TBlockReader {
public:
    TBlockReader(TByteSource& source, size_t blockSize) : Source(source), FileSize(source.Size()), Block(blockSize) {}

    uint64_t Size() const { return FileSize; }
    size_t BlockSize() const { return Block.size(); }

    // The count bytes at offset (count at most the block size); null when they
    // lie outside the file or cannot be read. available, when asked for, gets
    // how many bytes from offset on the span holds (at least count).
    const uint8_t* At(uint64_t offset, size_t count, size_t* available = nullptr)
    {
        if (offset > FileSize || count > FileSize - offset || count > Block.size()) return nullptr;
        if (offset < BlockStart || offset - BlockStart + count > BlockLength) {
            const size_t length = static_cast<size_t>(std::min<uint64_t>(Block.size(), FileSize - offset));
            BlockLength = 0;
            if (!Source.ReadAt(offset, Block.data(), length)) return nullptr;
            BlockStart = offset;
            BlockLength = length;
        }
        const size_t skip = static_cast<size_t>(offset - BlockStart);
        if (available) *available = BlockLength - skip;
        return Block.data() + skip;
    }

private:
    TByteSource& Source;
    uint64_t FileSize;
    std::vector<uint8_t> Block;
    uint64_t BlockStart = 0;
    size_t BlockLength = 0;
};

uint32_t BigEndian32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t LittleEndian32(const uint8_t* p) { return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]; }
uint16_t LittleEndian16(const uint8_t* p) { return static_cast<uint16_t>(p[1] << 8 | p[0]); }

// Nothing but zeros from position to the end of the file.
bool OnlyZerosFrom(TBlockReader& reader, uint64_t position)
{
    while (position < reader.Size()) {
        size_t available = 0;
        const uint8_t* p = reader.At(position, 1, &available);
        if (!p || std::any_of(p, p + available, [](uint8_t b) { return b != 0; })) return false;
        position += available;
    }
    return true;
}

// Start of image; every marker segment up to the start of scan whole inside the
// file; and, after the scan's header, the end-of-image marker as the last bytes
// but for trailing zeros (which copy tools and some cameras leave).
bool IsIntactJpeg(TByteSource& source)
{
    // One page: the segments before the scan of most files fit, and so does their tail.
    TBlockReader reader(source, 4096);
    const uint64_t size = reader.Size();
    if (size < 4) return false;
    const uint8_t* p = reader.At(0, 2);
    if (!p || p[0] != 0xFF || p[1] != 0xD8) return false;

    uint64_t position = 2;
    uint64_t scanStart = 0;
    while (scanStart == 0) {
        p = reader.At(position, 1);
        if (!p || *p != 0xFF) return false;
        do {  // fill bytes may stand before a marker
            p = reader.At(++position, 1);
            if (!p) return false;
        } while (*p == 0xFF);
        const uint8_t marker = *p;
        ++position;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length follows
        // A stuffed zero, a second start or an end before any scan: no picture here.
        if (marker == 0x00 || marker == 0xD8 || marker == 0xD9) return false;
        p = reader.At(position, 2);
        if (!p) return false;
        const unsigned length = unsigned(p[0]) << 8 | p[1];
        if (length < 2 || length > size - position) return false;
        position += length;
        if (marker == 0xDA) scanStart = position;
    }

    // The last byte that is not zero, searched back from the end towards the scan.
    uint64_t end = size;
    uint64_t last = 0;
    for (;;) {
        if (end <= scanStart) return false;
        const size_t count = static_cast<size_t>(std::min<uint64_t>(reader.BlockSize(), end - scanStart));
        p = reader.At(end - count, count);
        if (!p) return false;
        size_t i = count;
        while (i > 0 && p[i - 1] == 0) --i;
        if (i > 0) {
            last = end - count + i - 1;
            break;
        }
        end -= count;
    }
    if (last < scanStart + 1) return false;
    p = reader.At(last - 1, 2);
    return p && p[0] == 0xFF && p[1] == 0xD9;
}

// Signature, then chunks end to end: each inside the file with a matching CRC,
// IHDR first, at least one IDAT, IEND last, nothing but zeros after it.
bool IsIntactPng(TByteSource& source)
{
    static constexpr uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    TBlockReader reader(source, 64 * 1024);
    const uint64_t size = reader.Size();
    const uint8_t* p = reader.At(0, 8);
    if (!p || !std::equal(Signature, Signature + 8, p)) return false;

    uint64_t position = 8;
    bool pixels = false;
    for (bool first = true;; first = false) {
        if (size - position < 12) return false;
        p = reader.At(position, 8);
        if (!p) return false;
        const uint32_t length = BigEndian32(p);
        uint8_t type[4];
        std::copy(p + 4, p + 8, type);
        if (length > 0x7FFFFFFFu || length > size - position - 12) return false;
        if (first && !std::equal(type, type + 4, "IHDR")) return false;
        pixels = pixels || std::equal(type, type + 4, "IDAT");

        uint32_t crc = Crc32Continue(0, type, 4);
        uint64_t offset = position + 8;
        uint64_t remaining = length;
        while (remaining > 0) {
            size_t available = 0;
            p = reader.At(offset, 1, &available);
            if (!p) return false;
            const size_t count = static_cast<size_t>(std::min<uint64_t>(available, remaining));
            crc = Crc32Continue(crc, p, count);
            offset += count;
            remaining -= count;
        }
        p = reader.At(offset, 4);
        if (!p || BigEndian32(p) != crc) return false;
        position = offset + 4;
        if (std::equal(type, type + 4, "IEND")) return pixels && OnlyZerosFrom(reader, position);
    }
}

// Header, logical screen descriptor and colour table, then block by block
// (extensions and images, each with its data sub-blocks) to the trailer, with
// at least one image; nothing but zeros after the trailer.
bool IsIntactGif(TByteSource& source)
{
    TBlockReader reader(source, 64 * 1024);
    const uint8_t* p = reader.At(0, 13);
    if (!p || !(std::equal(p, p + 6, "GIF87a") || std::equal(p, p + 6, "GIF89a"))) return false;
    const auto colourTable = [](uint8_t flags) { return flags & 0x80 ? 3u << ((flags & 7) + 1) : 0u; };
    uint64_t position = 13 + colourTable(p[10]);
    // Data sub-blocks: a length byte, that many bytes, up to a zero length.
    const auto subBlocks = [&] {
        for (;;) {
            const uint8_t* length = reader.At(position++, 1);
            if (!length) return false;
            if (*length == 0) return true;
            position += *length;
        }
    };
    bool image = false;
    for (;;) {
        p = reader.At(position, 1);
        if (!p) return false;
        if (*p == 0x3B) return image && OnlyZerosFrom(reader, position + 1);
        if (*p == 0x21) {  // extension: label, then its sub-blocks
            position += 2;
        } else if (*p == 0x2C) {  // image descriptor, local colour table, LZW code size
            p = reader.At(position, 10);
            if (!p) return false;
            position += 10 + colourTable(p[9]);
            p = reader.At(position++, 1);
            if (!p || *p < 1 || *p > 11) return false;
            image = true;
        } else {
            return false;
        }
        if (!subBlocks()) return false;
    }
}

// The bytes of pixel data the info header promises (from its dimensions, or
// its image size when compressed); 0 when the header makes no sense.
uint64_t BmpPixelBytes(const uint8_t* info, uint32_t infoSize)
{
    int64_t width = 0, height = 0;
    unsigned bits = 0;
    uint32_t compression = 0, imageSize = 0;
    if (infoSize == 12) {
        width = LittleEndian16(info + 4);
        height = LittleEndian16(info + 6);
        bits = LittleEndian16(info + 10);
    } else {
        width = static_cast<int32_t>(LittleEndian32(info + 4));
        height = static_cast<int32_t>(LittleEndian32(info + 8));
        bits = LittleEndian16(info + 14);
        compression = LittleEndian32(info + 16);
        imageSize = LittleEndian32(info + 20);
    }
    if (height < 0) height = -height;  // rows from the top
    if (width <= 0 || height == 0) return 0;
    if (compression != 0 && compression != 3 && compression != 6) return imageSize;  // RLE, JPEG, PNG inside
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
    const uint64_t stride = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    return stride * static_cast<uint64_t>(height);
}

// Signature, a declared size the file holds, and pixel data that starts after
// the smallest headers and inside the file. A declared size of 0 (which many
// writers leave) says nothing: the pixel data the header's dimensions call for
// must then be in the file.
bool IsIntactBmp(TByteSource& source)
{
    constexpr uint32_t SmallestHeaders = 14 + 12;
    TBlockReader reader(source, 512);
    const uint64_t size = reader.Size();
    if (size < SmallestHeaders) return false;
    const uint8_t* p = reader.At(0, 18);
    if (!p || p[0] != 'B' || p[1] != 'M') return false;
    const uint32_t declared = LittleEndian32(p + 2);
    const uint32_t pixels = LittleEndian32(p + 10);
    const uint32_t infoSize = LittleEndian32(p + 14);
    if (declared > size || pixels < SmallestHeaders || pixels >= size) return false;
    if (declared != 0) return true;
    if (infoSize != 12 && infoSize < 40) return false;
    p = reader.At(14, infoSize == 12 ? 12 : 40);
    if (!p) return false;
    const uint64_t bytes = BmpPixelBytes(p, infoSize);
    return bytes > 0 && bytes <= size - pixels;
}

// Every block of the scans, from the whole file in memory; a coding the walk
// does not decode, or a file too large to hold, gets the quick check.
bool IsWholeJpeg(TByteSource& source)
{
    constexpr uint64_t Largest = 256 * 1024 * 1024;
    constexpr size_t Kept = 16 * 1024 * 1024;
    const uint64_t size = source.Size();
    if (size > Largest) return IsIntactJpeg(source);
    // One buffer a thread, kept between files unless a large one grew it.
    thread_local std::vector<uint8_t> file;
    try {
        file.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        // No room for it now (the other thread may hold a large one): a whole
        // page must not be called damaged for that.
        std::vector<uint8_t>().swap(file);
        return IsIntactJpeg(source);
    }
    if (!source.ReadAt(0, file.data(), file.size())) return false;
    TJpegVerdict verdict = WalkJpeg(file.data(), file.size());
    if (verdict == TJpegVerdict::NotWalked) {
        TMemoryByteSource memory(file.data(), file.size());
        verdict = IsIntactJpeg(memory) ? TJpegVerdict::Whole : TJpegVerdict::Damaged;
    }
    if (file.capacity() > Kept) std::vector<uint8_t>().swap(file);
    return verdict == TJpegVerdict::Whole;
}

} // namespace

TImageKind ImageKindOf(std::string_view fileName)
{
    static constexpr struct {
        std::string_view Extension;
        TImageKind Kind;
    } Kinds[] = {{".jpg", TImageKind::Jpeg}, {".jpeg", TImageKind::Jpeg}, {".jpe", TImageKind::Jpeg},
                 {".jfif", TImageKind::Jpeg}, {".png", TImageKind::Png}, {".gif", TImageKind::Gif},
                 {".bmp", TImageKind::Bmp}};
    const std::string_view extension = FileExtension(fileName);
    for (const auto& entry : Kinds) {
        if (SameTextAsciiFolded(extension, entry.Extension)) return entry.Kind;
    }
    return TImageKind::None;
}

bool IsIntactImage(TImageKind kind, TByteSource& source, TCheckDepth depth)
{
    switch (kind) {
    case TImageKind::Jpeg: return depth == TCheckDepth::Deep ? IsWholeJpeg(source) : IsIntactJpeg(source);
    case TImageKind::Png: return IsIntactPng(source);
    case TImageKind::Gif: return IsIntactGif(source);
    case TImageKind::Bmp: return IsIntactBmp(source);
    case TImageKind::None: break;
    }
    return true;
}
