// The blocks of an arithmetic-coded scan (ITU T.81, annex F.2.4 and G.2):
// every decision decoded with its statistics, as a decoder takes them, so that
// the walk ends exactly where the encoder's data does.
#include "pages/JpegWalker.h"

#include <cstring>

namespace {

using TBin = TJpegArithmetic::TBin;

} // namespace

void TJpegWalker::ResetStatistics()
{
    std::memset(DcStats, 0, sizeof DcStats);
    std::memset(AcStats, 0, sizeof AcStats);
}

// The magnitude category beyond the first decisions (F.2.4.3.1): m doubles
// for every further decision, st moves along; false for a category beyond 15
// bits, which no encoder writes. Then the magnitude bits below m, from st + 14.
bool TJpegWalker::ArithmeticMagnitude(TBin* st, int& m)
{
    while (Coder.Decode(*st)) {
        if ((m <<= 1) == 0x8000) return false;
        ++st;
    }
    st += 14;
    for (int bit = m >> 1; bit; bit >>= 1) Coder.Decode(*st);
    return true;
}

bool TJpegWalker::ArithmeticDc(TJpegScanComponent& c)
{
    TJpegComponent& component = *c.Component;
    TBin* stats = DcStats[c.DcTable];
    TBin* st = stats + component.DcContext;
    if (!Coder.Decode(*st)) {
        component.DcContext = 0;
        return DcInRange(component, 0);
    }
    const int sign = Coder.Decode(st[1]);
    st += 2 + sign;
    int m = Coder.Decode(*st);
    TBin* x = stats + 20;
    // The conditioning of the next difference by this one's category (F.1.4.4.1.2);
    // the category is known once its decisions are taken, before the magnitude bits.
    const auto category = [&](int size) {
        const int lower = (1 << DcL[c.DcTable]) >> 1, upper = (1 << DcU[c.DcTable]) >> 1;
        component.DcContext = size < lower ? 0 : size > upper ? 12 + sign * 4 : 4 + sign * 4;
    };
    int32_t magnitude = 1;
    if (m) {
        while (Coder.Decode(*x)) {
            if ((m <<= 1) == 0x8000) return false;
            ++x;
        }
        category(m);
        int32_t value = m;
        x += 14;
        for (int bit = m >> 1; bit; bit >>= 1) {
            if (Coder.Decode(*x)) value |= bit;
        }
        magnitude = value + 1;
    } else {
        category(0);
    }
    return DcInRange(component, sign ? -magnitude : magnitude);
}

// The coefficients Ss..Se of a block (1..63 in a sequential scan); nonzero, for
// a progressive scan, gets the ones that turn out nonzero.
bool TJpegWalker::ArithmeticAc(const TJpegScanComponent& c, uint64_t* nonzero)
{
    TBin* stats = AcStats[c.AcTable];
    const int first = Progressive ? Ss : 1, last = Progressive ? Se : 63;
    TBin fixed = TJpegArithmetic::FixedBin;
    for (int k = first; k <= last; ++k) {
        TBin* st = stats + 3 * (k - 1);
        if (Coder.Decode(*st)) break;  // the end of the block
        while (!Coder.Decode(st[1])) {
            st += 3;
            if (++k > last) return false;
        }
        Coder.Decode(fixed);  // the sign
        st += 2;
        if (Coder.Decode(*st) && Coder.Decode(*st)) {
            int m = 2;
            if (!ArithmeticMagnitude(stats + (k <= AcK[c.AcTable] ? 189 : 217), m)) return false;
        }
        if (nonzero) *nonzero |= uint64_t(1) << k;
    }
    return true;
}

// The next bit of a band (G.2.3.3): a correction bit for each coefficient
// already nonzero, the coefficients that become nonzero now.
bool TJpegWalker::ArithmeticAcRefine(const TJpegScanComponent& c, uint64_t& nonzero)
{
    TBin* stats = AcStats[c.AcTable];
    TBin fixed = TJpegArithmetic::FixedBin;
    int known = Se;  // the last coefficient nonzero before this scan
    while (known > 0 && !(nonzero >> known & 1)) --known;
    for (int k = Ss; k <= Se; ++k) {
        TBin* st = stats + 3 * (k - 1);
        if (k > known && Coder.Decode(*st)) break;  // the end of the band
        for (;;) {
            if (nonzero >> k & 1) {
                Coder.Decode(st[2]);
                break;
            }
            if (Coder.Decode(st[1])) {
                Coder.Decode(fixed);
                nonzero |= uint64_t(1) << k;
                break;
            }
            st += 3;
            if (++k > Se) return false;
        }
    }
    return true;
}
