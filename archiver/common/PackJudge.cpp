#include "archiver/common/PackJudge.h"

#include <cmath>
#include <cstring>
#include <new>

namespace {

uint32_t Load32(const uint8_t* p)
{
    uint32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// The bits an order-0 code needs for the bytes: no Huffman code does better.
double Order0Bits(const uint8_t* data, size_t size)
{
    uint32_t counts[256] = {};
    for (size_t i = 0; i < size; ++i) ++counts[data[i]];
    double bits = 0;
    for (const uint32_t count : counts) {
        if (count) bits -= count * std::log2(static_cast<double>(count) / static_cast<double>(size));
    }
    return bits;
}

// Bytes covered by strings of four or more that occur earlier in the data, as
// a fast match finder with one candidate a hash finds them.
size_t RepeatedBytes(const uint8_t* data, size_t size)
{
    constexpr size_t HashBits = 13;
    std::vector<uint32_t> last(size_t{1} << HashBits, 0);  // position + 1
    size_t repeated = 0;
    for (size_t i = 0; i + 4 <= size;) {
        const uint32_t word = Load32(data + i);
        const uint32_t hash = (word * 2654435761u) >> (32 - HashBits);
        const uint32_t candidate = last[hash];
        last[hash] = static_cast<uint32_t>(i + 1);
        if (candidate && Load32(data + candidate - 1) == word) {
            size_t length = 4;
            while (i + length < size && data[candidate - 1 + length] == data[i + length]) ++length;
            repeated += length;
            i += length;
        } else {
            ++i;
        }
    }
    return repeated;
}

} // namespace

TPackJudge::TPackJudge()
{
    if (deflateInit2(&Stream, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::bad_alloc();
}

TPackJudge::~TPackJudge() { deflateEnd(&Stream); }

// A bound on what deflate can save on the slices: the order-0 statistics of
// each slice (deflate's blocks adapt to parts, not to less) and every byte a
// repeat covers counted as saved whole.
bool TPackJudge::MaySave() const
{
    double savedBits = 8.0 * static_cast<double>(RepeatedBytes(Sample.data(), Sample.size()));
    for (size_t at = 0; at < Sample.size(); at += SliceSize) {
        savedBits += 8.0 * SliceSize - Order0Bits(Sample.data() + at, SliceSize);
    }
    return savedBits * 1000 >= 8.0 * static_cast<double>(Sample.size()) * RequiredSavingPerMille;
}

void TPackJudge::Begin(size_t size)
{
    deflateReset(&Stream);
    Output.resize(deflateBound(&Stream, static_cast<uLong>(size)) + 16);
    Stream.next_out = Output.data();
    Stream.avail_out = static_cast<uInt>(Output.size());
}

void TPackJudge::Feed(const uint8_t* data, size_t size, bool finish)
{
    Stream.next_in = const_cast<Bytef*>(data);
    Stream.avail_in = static_cast<uInt>(size);
    deflate(&Stream, finish ? Z_FINISH : Z_NO_FLUSH);
}

bool TPackJudge::Pays(const uint8_t* head, size_t size, bool whole)
{
    if (size == 0) return false;
    size_t judged = size;
    if (size <= 2 * Slices * SliceSize) {
        Begin(size);
        Feed(head, size, true);
    } else {
        judged = Slices * SliceSize;
        Sample.resize(judged);
        for (size_t i = 1; i <= Slices; ++i)
            std::memcpy(Sample.data() + (i - 1) * SliceSize, head + size * i / (Slices + 1) - SliceSize / 2, SliceSize);
        if (!MaySave()) return false;
        Begin(judged);
        Feed(Sample.data(), judged, true);
    }
    const size_t produced = Produced();
    return whole && judged == size ? produced < size : produced * 1000 <= judged * (1000 - RequiredSavingPerMille);
}
