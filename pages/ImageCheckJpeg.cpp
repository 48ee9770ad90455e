// A JPEG's two levels: the markers walked through the file to the image's end
// (the compressed data skipped by its stuffing rules), and the walk of every
// block of its scans.
#include "pages/ImageBytes.h"
#include "pages/JpegWalk.h"

#include <cstring>
#include <new>
#include <vector>

namespace {

// Decoders skip a few stray zeros before a marker (libjpeg up to 7 with a
// warning); more is no marker.
constexpr int ZerosBeforeMarker = 7;

bool IsRestart(uint8_t marker) { return marker >= 0xD0 && marker <= 0xD7; }

} // namespace

// Start of image, every marker segment inside the file, each scan's data to the
// next marker, up to the end-of-image marker after at least one scan. The image
// ends there: whatever follows is not looked at.
TPageVerdict CheckJpegMarkers(TByteSource& source)
{
    // Most files' headers fit the first block and their data the next few.
    TBlockReader reader(source, 64 * 1024);
    uint64_t position = 2;
    bool scanned = false;
    TPageSize pageSize;
    bool framed = false;
    for (;;) {
        const uint8_t* p = nullptr;
        for (int zeros = 0;; ++zeros) {
            p = reader.At(position, 1);
            if (!p) return reader.Missing();
            if (*p != 0 || zeros == ZerosBeforeMarker) break;
            ++position;
        }
        if (*p != 0xFF) return TPageVerdict::DamagedAt(position);
        do {  // fill bytes may stand before a marker
            p = reader.At(++position, 1);
            if (!p) return reader.Missing();
        } while (*p == 0xFF);
        const uint8_t marker = *p;
        ++position;
        if (marker == 0xD9) return scanned ? TPageVerdict::WholeOfSize(pageSize) : TPageVerdict::DamagedAt(position - 2);
        if (marker == 0x01 || IsRestart(marker)) continue;  // no length follows
        // A stuffed zero or a second start outside the compressed data: no marker.
        if (marker == 0x00 || marker == 0xD8) return TPageVerdict::DamagedAt(position - 2);
        p = reader.At(position, 2);
        if (!p) return reader.Missing();
        const unsigned length = unsigned(p[0]) << 8 | p[1];
        if (length < 2) return TPageVerdict::DamagedAt(position);
        if (length > reader.Size() - position) return TPageVerdict::Cut();
        if (IsJpegFrameMarker(marker) && !framed) {
            framed = true;
            p = length >= 7 ? reader.At(position + 2, 5) : nullptr;
            if (p) pageSize = JpegFrameSize(p);
        }
        position += length;
        if (marker != 0xDA) continue;
        scanned = true;
        // The compressed data: an 0xFF is followed by a stuffed zero, a restart
        // marker or fill bytes inside it; any other marker ends it.
        for (;;) {
            size_t available = 0;
            p = reader.At(position, 1, &available);
            if (!p) return reader.Missing();
            const void* ff = std::memchr(p, 0xFF, available);
            if (!ff) {
                position += available;
                continue;
            }
            position += static_cast<const uint8_t*>(ff) - p;
            const uint8_t* next = reader.At(position + 1, 1);
            if (!next) return reader.Missing();
            if (*next == 0 || IsRestart(*next)) {
                position += 2;
            } else if (*next == 0xFF) {
                ++position;
            } else {
                break;
            }
        }
    }
}

// Every block of the scans, from the whole file in memory; a coding the walk
// does not decode, or a file too large to hold, gets the quick check.
TPageVerdict CheckJpegScans(TByteSource& source)
{
    constexpr uint64_t Largest = 256 * 1024 * 1024;
    constexpr size_t Kept = 16 * 1024 * 1024;
    const uint64_t size = source.Size();
    if (size > Largest) return CheckJpegMarkers(source);
    // One buffer a thread, kept between files unless a large one grew it.
    thread_local std::vector<uint8_t> file;
    try {
        file.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        // No room for it now (the other thread may hold a large one): a whole
        // page must not be called damaged for that.
        std::vector<uint8_t>().swap(file);
        return CheckJpegMarkers(source);
    }
    TPageVerdict verdict;
    if (!source.ReadAt(0, file.data(), file.size())) {
        verdict = {TPageFault::Unreadable};
    } else {
        TMemoryByteSource memory(file.data(), file.size());
        if (!WalkJpeg(file.data(), file.size(), verdict)) verdict = CheckJpegMarkers(memory);
        else if (verdict.Whole()) verdict.Size = ReadPageSize(memory);
    }
    if (file.capacity() > Kept) std::vector<uint8_t>().swap(file);
    return verdict;
}
