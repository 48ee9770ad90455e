#pragma once
// Whether an image file is whole: the structure its format promises, read from
// no more of the file than that takes (a JPEG's segments before the scan and its
// tail; a PNG's every chunk, for their CRCs; a GIF's every block; a BMP's
// headers). The deep check also decodes every block of a JPEG's scans.
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

// Quick: the structure around the pixel data. Deep: a JPEG's compressed data
// too, every block of it (other kinds as Quick).
enum class TCheckDepth { Quick, Deep };

// The kind a file name promises by its extension, compared without regard to
// case (.jpg .jpeg .jpe .jfif, .png, .gif, .bmp); None for any other name.
TImageKind ImageKindOf(std::string_view fileName);

// True when the source holds an intact image of the kind. A source that cannot
// be read counts as damaged; kind None is never damaged. Zeros after a format's
// end (the JPEG end marker, PNG's IEND, GIF's trailer) are tolerated: copy tools
// and some cameras leave them.
bool IsIntactImage(TImageKind kind, TByteSource& source, TCheckDepth depth = TCheckDepth::Quick);
