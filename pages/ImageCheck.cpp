#include "pages/ImageCheck.h"

#include "pages/Crc32.h"
#include "pages/ImageBytes.h"
#include "base/AnsiText.h"
#include "base/FileNameParts.h"

#include <algorithm>

namespace {

constexpr uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Whether the first size bytes could still begin the signature.
bool StartsLike(const uint8_t* head, size_t size, const uint8_t* signature, size_t length)
{
    return std::equal(head, head + std::min(size, length), signature);
}

} // namespace

// Signature, then chunks end to end: each inside the file with a matching CRC,
// IHDR first, at least one IDAT, IEND the end of the image (what follows it is
// not the image's).
TPageVerdict CheckPng(TByteSource& source)
{
    TBlockReader reader(source, 64 * 1024);
    const uint64_t size = reader.Size();
    uint64_t position = 8;
    bool pixels = false;
    TPageSize pageSize;
    for (bool first = true;; first = false) {
        if (size - position < 12) return reader.Missing();
        const uint8_t* p = reader.At(position, 8);
        if (!p) return reader.Missing();
        const uint32_t length = BigEndian32(p);
        uint8_t type[4];
        std::copy(p + 4, p + 8, type);
        if (length > 0x7FFFFFFFu) return TPageVerdict::DamagedAt(position);
        if (length > size - position - 12) return TPageVerdict::Cut();
        if (first && !std::equal(type, type + 4, "IHDR")) return TPageVerdict::DamagedAt(position);
        if (first) {
            const uint8_t* head = reader.At(0, 24);
            if (!head) return reader.Missing();
            pageSize = PngHeaderSize(head);
        }
        pixels = pixels || std::equal(type, type + 4, "IDAT");

        uint32_t crc = Crc32Continue(0, type, 4);
        uint64_t offset = position + 8;
        uint64_t remaining = length;
        while (remaining > 0) {
            size_t available = 0;
            p = reader.At(offset, 1, &available);
            if (!p) return reader.Missing();
            const size_t count = static_cast<size_t>(std::min<uint64_t>(available, remaining));
            crc = Crc32Continue(crc, p, count);
            offset += count;
            remaining -= count;
        }
        p = reader.At(offset, 4);
        if (!p) return reader.Missing();
        if (BigEndian32(p) != crc) return TPageVerdict::DamagedAt(position);
        if (std::equal(type, type + 4, "IEND"))
            return pixels ? TPageVerdict::WholeOfSize(pageSize) : TPageVerdict::DamagedAt(position);
        position = offset + 4;
    }
}

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

TImageKind ImageKindOfSignature(const uint8_t* head, size_t size)
{
    if (size >= 2 && head[0] == 0xFF && head[1] == 0xD8) return TImageKind::Jpeg;
    if (size >= 8 && std::equal(PngSignature, PngSignature + 8, head)) return TImageKind::Png;
    if (size >= 6 && (std::equal(head, head + 6, "GIF87a") || std::equal(head, head + 6, "GIF89a")))
        return TImageKind::Gif;
    if (size >= 2 && head[0] == 'B' && head[1] == 'M') return TImageKind::Bmp;
    return TImageKind::None;
}

TPageVerdict CheckImage(TByteSource& source, TCheckDepth depth)
{
    const uint64_t size = source.Size();
    if (size == 0) return {TPageFault::Empty};
    uint8_t head[8] = {};
    const size_t count = static_cast<size_t>(std::min<uint64_t>(size, sizeof head));
    if (!source.ReadAt(0, head, count)) return {TPageFault::Unreadable};
    switch (ImageKindOfSignature(head, count)) {
    case TImageKind::Jpeg: return depth == TCheckDepth::Deep ? CheckJpegScans(source) : CheckJpegMarkers(source);
    case TImageKind::Png: return CheckPng(source);
    case TImageKind::Gif: return CheckGif(source, depth);
    case TImageKind::Bmp: return CheckBmp(source, depth);
    case TImageKind::None: break;
    }
    // The beginning of a signature, and then the file ends: a page cut short.
    static constexpr uint8_t Jpeg[] = {0xFF, 0xD8};
    if (StartsLike(head, count, PngSignature, 8) || StartsLike(head, count, Jpeg, 2) ||
        StartsLike(head, count, reinterpret_cast<const uint8_t*>("GIF87a"), 6) ||
        StartsLike(head, count, reinterpret_cast<const uint8_t*>("GIF89a"), 6))
        return TPageVerdict::Cut();
    return {TPageFault::WrongKind};
}

bool IsIntactImage(TImageKind kind, TByteSource& source, TCheckDepth depth)
{
    return kind == TImageKind::None || CheckImage(source, depth).Whole();
}
