#include "pages/PageSize.h"

#include "pages/ImageBytes.h"
#include "pages/ImageCheck.h"

namespace {

// Segment by segment from the start marker to the first frame header; a scan
// or the end before it means there is none.
TPageSize JpegSize(TByteSource& source)
{
    const uint64_t size = source.Size();
    uint64_t position = 2;
    uint8_t p[9];
    while (position < size) {
        // a few stray zeros may stand before a marker, as the walks pass them
        for (int zeros = 0;; ++zeros, ++position) {
            if (position >= size || !source.ReadAt(position, p, 1)) return {};
            if (p[0] != 0 || zeros == 7) break;
        }
        if (p[0] != 0xFF) return {};
        // fill bytes may stand before a marker
        while (p[0] == 0xFF) {
            if (++position >= size || !source.ReadAt(position, p, 1)) return {};
        }
        const uint8_t marker = p[0];
        ++position;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length follows
        if (marker == 0xD8 || marker == 0xD9 || marker == 0xDA || marker == 0x00) return {};
        if (IsJpegFrameMarker(marker)) {
            if (!source.ReadAt(position, p, 7) || (unsigned(p[0]) << 8 | p[1]) < 7) return {};
            return JpegFrameSize(p + 2);
        }
        if (!source.ReadAt(position, p, 2)) return {};
        const unsigned length = unsigned(p[0]) << 8 | p[1];
        if (length < 2) return {};
        position += length;
    }
    return {};
}

} // namespace

TPageSize ReadPageSize(TByteSource& source)
{
    uint8_t head[26] = {};
    const uint64_t size = source.Size();
    const size_t count = static_cast<size_t>(size < 8 ? size : 8);
    if (!source.ReadAt(0, head, count)) return {};
    switch (ImageKindOfSignature(head, count)) {
    case TImageKind::Jpeg: return JpegSize(source);
    case TImageKind::Png:
        if (size < 24 || !source.ReadAt(0, head, 24)) return {};
        return PngHeaderSize(head);
    case TImageKind::Gif:
        if (size < 10 || !source.ReadAt(0, head, 10)) return {};
        return GifScreenSize(head);
    case TImageKind::Bmp: {
        if (size < 26 || !source.ReadAt(0, head, 26)) return {};
        return BmpInfoSize(head + 14);
    }
    case TImageKind::None: break;
    }
    return {};
}
