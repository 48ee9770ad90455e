#include "archiver/common/PackJudge.h"

#include <new>

TPackJudge::TPackJudge()
{
    if (deflateInit2(&Stream, 1, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::bad_alloc();
}

TPackJudge::~TPackJudge() { deflateEnd(&Stream); }

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
        Begin(judged);
        for (size_t i = 1; i <= Slices; ++i) Feed(head + size * i / (Slices + 1) - SliceSize / 2, SliceSize, i == Slices);
    }
    const size_t produced = Produced();
    return whole && judged == size ? produced < size : produced * 1000 <= judged * (1000 - RequiredSavingPerMille);
}
