#pragma once
// Whether an image file is whole: the structure its format promises, read from
// no more of the file than that takes. The file's first bytes say which format
// it is; its name only says whether it is a page at all. Readers stop at the
// image's end, so whatever follows it (a camera's preview image, a phone's
// trailer, padding, text) is no damage.
// Quick: the structure around the pixel data (a JPEG's markers through the whole
// file, a PNG's every chunk with its CRC, a GIF's every block, a BMP's headers).
// Deep: the compressed data too: every block of a JPEG's scans (Huffman or
// arithmetic coded) with each DC value in its range, a GIF's every frame
// LZW-decoded to its pixel count, an RLE bitmap's runs to their end.
#include "pages/PageSize.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// Where the check reads the file from.
class TByteSource {
public:
    virtual ~TByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Exactly size bytes at offset (inside Size()); false when they cannot be read.
    virtual bool ReadAt(uint64_t offset, void* buffer, size_t size) = 0;
};

// Bytes already in memory.
class TMemoryByteSource final : public TByteSource {
public:
    TMemoryByteSource(const void* data, size_t size) : Data(static_cast<const uint8_t*>(data)), Length(size) {}
    uint64_t Size() const override { return Length; }
    bool ReadAt(uint64_t offset, void* buffer, size_t size) override
    {
        if (offset > Length || size > Length - offset) return false;
        if (size) std::memcpy(buffer, Data + offset, size);
        return true;
    }

private:
    const uint8_t* Data;
    size_t Length;
};

enum class TImageKind { None, Jpeg, Png, Gif, Bmp };

enum class TCheckDepth { Quick, Deep };

// What is wrong with a page.
enum class TPageFault : uint8_t {
    None,
    Empty,       // zero bytes
    CutShort,    // the file ends before the image does
    Damaged,     // the data makes no sense from Offset on (when known)
    WrongKind,   // the first bytes are no image format the check knows
    Unreadable,  // the file cannot be opened or read
};

struct TPageVerdict {
    static constexpr uint64_t NoOffset = UINT64_MAX;
    TPageFault Fault = TPageFault::None;
    uint64_t Offset = NoOffset;  // Damaged: the byte where the damage showed
    TPageSize Size;              // a whole page's width and height, from its header

    TPageVerdict() = default;
    TPageVerdict(TPageFault fault, uint64_t offset = NoOffset) : Fault(fault), Offset(offset) {}
    bool Whole() const { return Fault == TPageFault::None; }
    static TPageVerdict WholeOfSize(TPageSize size)
    {
        TPageVerdict verdict;
        verdict.Size = size;
        return verdict;
    }
    static TPageVerdict Cut() { return {TPageFault::CutShort, NoOffset}; }
    static TPageVerdict DamagedAt(uint64_t offset) { return {TPageFault::Damaged, offset}; }
    friend bool operator==(const TPageVerdict&, const TPageVerdict&) = default;
};

// Whether a file is a page, by its extension without regard to case (.jpg .jpeg
// .jpe .jfif, .png, .gif, .bmp); None for any other name.
TImageKind ImageKindOf(std::string_view fileName);

// The format the first bytes announce; None for none of the four (or too few bytes).
TImageKind ImageKindOfSignature(const uint8_t* head, size_t size);

// The verdict on the source as a page, whatever its name said. A source that
// cannot be read is Unreadable.
TPageVerdict CheckImage(TByteSource& source, TCheckDepth depth = TCheckDepth::Quick);

// True when kind is None (not a page) or the source is a whole page.
bool IsIntactImage(TImageKind kind, TByteSource& source, TCheckDepth depth = TCheckDepth::Quick);
