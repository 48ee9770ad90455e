#pragma once
// A page's width and height in pixels, as its header gives them: a JPEG's first
// frame header, a PNG's IHDR, a GIF's logical screen, a BMP's info header.
#include <cstdint>

class TByteSource;

struct TPageSize {
    uint32_t Width = 0;
    uint32_t Height = 0;
    friend bool operator==(const TPageSize&, const TPageSize&) = default;
};

// The size from the header alone, reading no more of the source than the way to
// it (a JPEG's segments before its frame header are passed over by their
// lengths, so an Exif thumbnail's frame is never taken for the page's); {0,0}
// when the source holds no header of the four formats. A bottom-up or top-down
// bitmap has the same height.
TPageSize ReadPageSize(TByteSource& source);
