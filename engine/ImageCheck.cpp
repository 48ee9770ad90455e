#include "engine/ImageCheck.h"

#include "engine/Crc32.h"
#include "base/FileNameParts.h"
#include "base/AnsiText.h"

#include <algorithm>
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

// Signature, then chunks end to end up to the file's end: each inside the file
// with a matching CRC, IHDR first and IEND last.
bool IsIntactPng(TByteSource& source)
{
    static constexpr uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    TBlockReader reader(source, 64 * 1024);
    const uint64_t size = reader.Size();
    const uint8_t* p = reader.At(0, 8);
    if (!p || !std::equal(Signature, Signature + 8, p)) return false;

    uint64_t position = 8;
    for (bool first = true;; first = false) {
        if (size - position < 12) return false;
        p = reader.At(position, 8);
        if (!p) return false;
        const uint32_t length = BigEndian32(p);
        uint8_t type[4];
        std::copy(p + 4, p + 8, type);
        if (length > 0x7FFFFFFFu || length > size - position - 12) return false;
        if (first && !std::equal(type, type + 4, "IHDR")) return false;

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
        if (std::equal(type, type + 4, "IEND")) return position == size;
    }
}

// Header, logical screen descriptor and, as the very last byte, the trailer.
bool IsIntactGif(TByteSource& source)
{
    TBlockReader reader(source, 512);
    const uint64_t size = reader.Size();
    if (size < 14) return false;
    const uint8_t* p = reader.At(0, 6);
    if (!p || !(std::equal(p, p + 6, "GIF87a") || std::equal(p, p + 6, "GIF89a"))) return false;
    p = reader.At(size - 1, 1);
    return p && *p == 0x3B;
}

// Signature, a declared size the file holds, and pixel data that starts after
// the smallest headers and inside the file.
bool IsIntactBmp(TByteSource& source)
{
    constexpr uint32_t SmallestHeaders = 14 + 12;
    TBlockReader reader(source, 512);
    const uint64_t size = reader.Size();
    if (size < SmallestHeaders) return false;
    const uint8_t* p = reader.At(0, 14);
    if (!p || p[0] != 'B' || p[1] != 'M') return false;
    const uint32_t declared = LittleEndian32(p + 2);
    const uint32_t pixels = LittleEndian32(p + 10);
    return declared <= size && pixels >= SmallestHeaders && pixels < size;
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

bool IsIntactImage(TImageKind kind, TByteSource& source)
{
    switch (kind) {
    case TImageKind::Jpeg: return IsIntactJpeg(source);
    case TImageKind::Png: return IsIntactPng(source);
    case TImageKind::Gif: return IsIntactGif(source);
    case TImageKind::Bmp: return IsIntactBmp(source);
    case TImageKind::None: break;
    }
    return true;
}
