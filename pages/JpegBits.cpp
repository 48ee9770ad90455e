#include "pages/JpegBits.h"

#include <algorithm>
#include <cstring>

namespace {

// Beyond the data: zeros, enough for any one MCU of a damaged scan to read
// (at most ten blocks of 64 codes and values of 32 bits each) before the
// overrun is seen at the MCU's end.
constexpr size_t Slack = 10 * 64 * 4 + 8;

} // namespace

void TJpegBits::Load(size_t position)
{
    // One buffer a thread, kept between scans and files.
    thread_local std::vector<uint8_t> clean;
    clean.clear();
    Intervals.clear();
    Current = 0;
    EndsAtFile = false;
    size_t begin = position;
    size_t intervalStart = 0;
    for (;;) {
        const void* found = std::memchr(Data + position, 0xFF, Size - position);
        const size_t ff = found ? static_cast<size_t>(static_cast<const uint8_t*>(found) - Data) : Size;
        clean.insert(clean.end(), Data + position, Data + ff);
        size_t at = ff;
        while (at < Size && Data[at] == 0xFF) ++at;  // fill bytes
        if (at >= Size) {
            Intervals.push_back({intervalStart, clean.size(), begin, 0});
            EndsAtFile = true;
            break;
        }
        if (Data[at] == 0 && at == ff + 1) {  // a stuffed 0xFF
            clean.push_back(0xFF);
            position = at + 1;
            continue;
        }
        // (0xFF fill bytes followed by a zero are no stuffing: an interval ends there too.)
        Intervals.push_back({intervalStart, clean.size(), begin, at});
        if (Data[at] < 0xD0 || Data[at] > 0xD7) break;
        intervalStart = clean.size();
        position = begin = at + 1;
    }
    clean.insert(clean.end(), Slack, 0);
    Clean = clean.data();
    BitPos = 0;
}

bool TJpegBits::NextInterval()
{
    if (Current + 1 >= Intervals.size()) return false;
    ++Current;
    BitPos = Intervals[Current].Begin * 8;
    return true;
}

size_t TJpegBits::Where() const
{
    const TInterval& interval = Intervals[Current];
    const size_t target = std::min(BitPos / 8, interval.End);
    if (target >= interval.End && interval.Marker) return interval.Marker - 1;
    // Walk the file's bytes of the interval: a stuffed pair counts once.
    size_t file = interval.FileBegin;
    for (size_t clean = interval.Begin; clean < target && file < Size; ++clean)
        file += Data[file] == 0xFF ? 2 : 1;
    return file;
}

size_t TJpegBits::MarkerAfterData(int maxZeros) const
{
    const TInterval& interval = Intervals[Current];
    if (Overrun() || !interval.Marker) return 0;
    const size_t used = (BitPos + 7) / 8;
    if (interval.End - used > static_cast<size_t>(maxZeros)) return 0;
    for (size_t i = used; i < interval.End; ++i)
        if (Clean[i] != 0) return 0;
    return interval.Marker;
}
