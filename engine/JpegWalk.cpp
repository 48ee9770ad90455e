#include "engine/JpegWalk.h"

#include "engine/JpegBits.h"
#include "engine/JpegHuffman.h"

#include <algorithm>
#include <vector>

namespace {

struct TComponent {
    int Id = 0;
    int H = 1;
    int V = 1;
    int BlocksWide = 0;  // of the component alone, as a non-interleaved scan walks it
    int BlocksHigh = 0;
    bool Scanned = false;  // sequential: its scan came
    int CoefBits[64];      // progressive: the lowest bit known of each coefficient, -1 before its first scan
    std::vector<uint64_t> Nonzero;  // progressive: per block, the coefficients already known nonzero
};

struct TScanComponent {
    TComponent* Component;
    const TJpegHuffman* Dc;
    const TJpegHuffman* Ac;
};

class TJpegWalk {
public:
    TJpegWalk(const uint8_t* data, size_t size) : Data(data), Size(size), Bits(data, size) {}
    TJpegVerdict Run();

private:
    TJpegVerdict Segment(uint8_t marker, const uint8_t* body, size_t length, size_t& position);
    bool Frame(const uint8_t* body, size_t length, bool progressive);
    bool Tables(const uint8_t* body, size_t length);
    bool Scan(const uint8_t* body, size_t length, size_t& position);
    bool Decode(size_t& position);
    bool Mcu(unsigned mcu);
    bool SequentialBlock(const TScanComponent& c);
    bool DcFirst(const TScanComponent& c);
    bool AcFirst(const TScanComponent& c, uint64_t& nonzero);
    bool AcRefine(const TScanComponent& c, uint64_t& nonzero);
    bool Covered() const;

    const uint8_t* Data;
    size_t Size;
    TJpegBits Bits;
    TJpegHuffman DcTables[4];
    TJpegHuffman AcTables[4];
    unsigned RestartInterval = 0;
    bool HasFrame = false;
    bool Progressive = false;
    int MaxDcCategory = 11;
    int MaxAcSize = 10;
    unsigned McusWide = 0;
    unsigned McusHigh = 0;
    std::vector<TComponent> Components;
    int Scans = 0;

    // The scan in hand.
    std::vector<TScanComponent> InScan;
    int Ss = 0, Se = 63, Ah = 0, Al = 0;
    unsigned EobRun = 0;
};

unsigned Big16(const uint8_t* p) { return unsigned(p[0]) << 8 | p[1]; }
unsigned CeilDiv(unsigned a, unsigned b) { return (a + b - 1) / b; }

TJpegVerdict TJpegWalk::Run()
{
    if (Size < 4 || Data[0] != 0xFF || Data[1] != 0xD8) return TJpegVerdict::Damaged;
    size_t position = 2;
    for (;;) {
        if (position >= Size || Data[position] != 0xFF) return TJpegVerdict::Damaged;
        while (position < Size && Data[position] == 0xFF) ++position;  // fill bytes
        if (position >= Size) return TJpegVerdict::Damaged;
        const uint8_t marker = Data[position++];
        if (marker == 0x01) continue;
        // A restart outside a scan, a second start or a stuffed zero: out of order.
        if (marker == 0x00 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) return TJpegVerdict::Damaged;
        if (marker == 0xD9) {
            if (!Covered()) return TJpegVerdict::Damaged;
            // Zeros after the end, as copy tools and some cameras leave them.
            return std::all_of(Data + position, Data + Size, [](uint8_t b) { return b == 0; })
                       ? TJpegVerdict::Whole
                       : TJpegVerdict::Damaged;
        }
        if (Size - position < 2) return TJpegVerdict::Damaged;
        const size_t length = Big16(Data + position);
        if (length < 2 || length > Size - position) return TJpegVerdict::Damaged;
        const TJpegVerdict verdict = Segment(marker, Data + position + 2, length - 2, position);
        if (verdict != TJpegVerdict::Whole) return verdict;
    }
}

// position: at the segment's length on entry; after the segment (and after its
// scan's data) on return, unless the verdict is not Whole.
TJpegVerdict TJpegWalk::Segment(uint8_t marker, const uint8_t* body, size_t length, size_t& position)
{
    const TJpegVerdict damaged = TJpegVerdict::Damaged;
    position += length + 2;
    switch (marker) {
    case 0xC0:
    case 0xC1:
    case 0xC2: return Frame(body, length, marker == 0xC2) ? TJpegVerdict::Whole : damaged;
    case 0xC3: case 0xC5: case 0xC6: case 0xC7:  // lossless, hierarchical
    case 0xC9: case 0xCA: case 0xCB: case 0xCD: case 0xCE: case 0xCF: case 0xCC:  // arithmetic
    case 0xDC: case 0xDE: case 0xDF:  // the height after the scan, hierarchical
        return TJpegVerdict::NotWalked;
    case 0xC4: return Tables(body, length) ? TJpegVerdict::Whole : damaged;
    case 0xDD:
        if (length != 2) return damaged;
        RestartInterval = Big16(body);
        return TJpegVerdict::Whole;
    case 0xDA:
        if (!HasFrame) return damaged;
        if (Components.empty()) return TJpegVerdict::NotWalked;  // no height: it follows the scan
        return Scan(body, length, position) ? TJpegVerdict::Whole : damaged;
    default: return TJpegVerdict::Whole;  // application data, comments, quantisation tables
    }
}

bool TJpegWalk::Frame(const uint8_t* body, size_t length, bool progressive)
{
    if (HasFrame || length < 6) return false;
    HasFrame = true;
    Progressive = progressive;
    const unsigned precision = body[0];
    const unsigned height = Big16(body + 1);
    const unsigned width = Big16(body + 3);
    const unsigned count = body[5];
    if ((precision != 8 && precision != 12) || width == 0 || count == 0 || count > 4 || length != 6 + 3 * count)
        return false;
    MaxDcCategory = precision == 8 ? 11 : 15;
    MaxAcSize = precision == 8 ? 10 : 14;
    if (height == 0) return true;  // no components: the scan is not walked

    Components.resize(count);
    int hMax = 1, vMax = 1;
    for (unsigned i = 0; i < count; ++i) {
        TComponent& c = Components[i];
        const uint8_t* p = body + 6 + 3 * i;
        c.Id = p[0];
        c.H = p[1] >> 4;
        c.V = p[1] & 15;
        if (c.H < 1 || c.H > 4 || c.V < 1 || c.V > 4) return false;
        for (unsigned j = 0; j < i; ++j)
            if (Components[j].Id == c.Id) return false;
        std::fill(c.CoefBits, c.CoefBits + 64, -1);
        hMax = std::max(hMax, c.H);
        vMax = std::max(vMax, c.V);
    }
    McusWide = CeilDiv(width, 8 * hMax);
    McusHigh = CeilDiv(height, 8 * vMax);
    for (TComponent& c : Components) {
        c.BlocksWide = static_cast<int>(CeilDiv(CeilDiv(width * c.H, hMax), 8));
        c.BlocksHigh = static_cast<int>(CeilDiv(CeilDiv(height * c.V, vMax), 8));
    }
    return true;
}

bool TJpegWalk::Tables(const uint8_t* body, size_t length)
{
    size_t at = 0;
    while (at < length) {
        if (length - at < 17) return false;
        const unsigned kind = body[at] >> 4;
        const unsigned id = body[at] & 15;
        if (kind > 1 || id > 3) return false;
        const uint8_t* counts = body + at + 1;
        size_t total = 0;
        for (int l = 0; l < 16; ++l) total += counts[l];
        if (total > length - at - 17) return false;
        TJpegHuffman& table = kind == 0 ? DcTables[id] : AcTables[id];
        if (!table.Define(counts, body + at + 17)) return false;
        at += 17 + total;
    }
    return true;
}

bool TJpegWalk::Scan(const uint8_t* body, size_t length, size_t& position)
{
    if (length < 1) return false;
    const unsigned count = body[0];
    if (count < 1 || count > 4 || length != 4 + 2 * count) return false;
    const uint8_t* tail = body + 1 + 2 * count;
    Ss = tail[0];
    Se = tail[1];
    Ah = tail[2] >> 4;
    Al = tail[2] & 15;
    InScan.clear();
    int blocksInMcu = 0;
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t* p = body + 1 + 2 * i;
        const auto c = std::find_if(Components.begin(), Components.end(), [&](const TComponent& x) { return x.Id == p[0]; });
        if (c == Components.end()) return false;
        for (const TScanComponent& earlier : InScan)
            if (earlier.Component == &*c) return false;
        const unsigned dc = p[1] >> 4, ac = p[1] & 15;
        if (dc > 3 || ac > 3) return false;
        InScan.push_back({&*c, &DcTables[dc], &AcTables[ac]});
        blocksInMcu += c->H * c->V;
    }
    if (count > 1 && blocksInMcu > 10) return false;

    for (const TScanComponent& s : InScan) {
        TComponent& c = *s.Component;
        if (!Progressive) {
            if (Ss != 0 || Se != 63 || Ah != 0 || Al != 0 || c.Scanned) return false;
            if (!s.Dc->Defined() || !s.Ac->Defined()) return false;
            c.Scanned = true;
            continue;
        }
        // A DC scan may be interleaved; an AC scan holds one component whose DC came first.
        if (Ss == 0 ? Se != 0 : (Se < Ss || Se > 63 || count != 1 || c.CoefBits[0] < 0)) return false;
        if (Al > 13 || (Ah != 0 && Al != Ah - 1)) return false;
        if (Ss == 0 && Ah == 0 && !s.Dc->Defined()) return false;
        if (Ss > 0 && !s.Ac->Defined()) return false;
        for (int k = Ss; k <= Se; ++k) {
            // A first scan of a coefficient, or the refinement of the bit its last scan left.
            if (Ah == 0 ? c.CoefBits[k] != -1 : c.CoefBits[k] != Ah) return false;
            c.CoefBits[k] = Al;
        }
        if (Ss > 0 && c.Nonzero.empty()) c.Nonzero.assign(size_t(c.BlocksWide) * c.BlocksHigh, 0);
    }
    ++Scans;
    return Decode(position);
}

// The scan's data from position; on return position is at the 0xFF of the
// marker that ends it.
bool TJpegWalk::Decode(size_t& position)
{
    const TComponent& first = *InScan.front().Component;
    const unsigned mcus = InScan.size() == 1 ? unsigned(first.BlocksWide) * unsigned(first.BlocksHigh) : McusWide * McusHigh;
    Bits.Start(position);
    EobRun = 0;
    unsigned restart = 0;
    for (unsigned mcu = 0; mcu < mcus; ++mcu) {
        if (RestartInterval && mcu > 0 && mcu % RestartInterval == 0) {
            const size_t marker = Bits.MarkerAfterData();
            if (!marker || Data[marker] != 0xD0 + restart) return false;
            restart = (restart + 1) & 7;
            Bits.Start(marker + 1);
            EobRun = 0;
        }
        if (!Mcu(mcu) || Bits.Overrun()) return false;
    }
    const size_t marker = Bits.MarkerAfterData();
    if (!marker) return false;
    position = marker - 1;
    return true;
}

bool TJpegWalk::Mcu(unsigned mcu)
{
    if (InScan.size() == 1) {
        const TScanComponent& c = InScan.front();
        if (!Progressive) return SequentialBlock(c);
        if (Ss == 0) return Ah == 0 ? DcFirst(c) : (Bits.Skip(1), true);
        uint64_t& nonzero = c.Component->Nonzero[mcu];
        return Ah == 0 ? AcFirst(c, nonzero) : AcRefine(c, nonzero);
    }
    for (const TScanComponent& c : InScan) {
        for (int b = c.Component->H * c.Component->V; b > 0; --b) {
            if (!Progressive) {
                if (!SequentialBlock(c)) return false;
            } else if (Ah == 0) {
                if (!DcFirst(c)) return false;
            } else {
                Bits.Skip(1);
            }
        }
    }
    return true;
}

bool TJpegWalk::DcFirst(const TScanComponent& c)
{
    const int s = Bits.Decode(*c.Dc);
    if (s < 0 || s > MaxDcCategory) return false;
    Bits.Skip(s);
    return true;
}

bool TJpegWalk::SequentialBlock(const TScanComponent& c)
{
    if (!DcFirst(c)) return false;
    for (int k = 1; k < 64; ++k) {
        const int rs = Bits.Decode(*c.Ac);
        if (rs < 0) return false;
        const int r = rs >> 4, s = rs & 15;
        if (s) {
            k += r;
            if (k > 63 || s > MaxAcSize) return false;
            Bits.Skip(s);
        } else if (r == 15) {
            k += 15;
            if (k > 63) return false;
        } else {
            if (r) return false;  // only 0x00 ends a block here
            break;
        }
    }
    return true;
}

// A band of one block, EOBRUN blocks after an end-of-band run skipped.
bool TJpegWalk::AcFirst(const TScanComponent& c, uint64_t& nonzero)
{
    if (EobRun > 0) {
        --EobRun;
        return true;
    }
    for (int k = Ss; k <= Se; ++k) {
        const int rs = Bits.Decode(*c.Ac);
        if (rs < 0) return false;
        const int r = rs >> 4, s = rs & 15;
        if (s) {
            k += r;
            if (k > Se || s > MaxAcSize) return false;
            Bits.Skip(s);
            nonzero |= uint64_t(1) << k;
        } else if (r == 15) {
            k += 15;
            if (k > Se) return false;
        } else {
            EobRun = (1u << r) + Bits.Get(r) - 1;
            break;
        }
    }
    return true;
}

// The next bit of a band: a correction bit for each coefficient already
// nonzero, and the coefficients that become nonzero now.
bool TJpegWalk::AcRefine(const TScanComponent& c, uint64_t& nonzero)
{
    int k = Ss;
    if (EobRun == 0) {
        for (; k <= Se; ++k) {
            const int rs = Bits.Decode(*c.Ac);
            if (rs < 0) return false;
            int r = rs >> 4;
            const int s = rs & 15;
            if (s) {
                if (s != 1) return false;
                Bits.Skip(1);  // its sign
            } else if (r != 15) {
                EobRun = (1u << r) + Bits.Get(r);
                break;
            }
            // r zero coefficients pass (and the ones already nonzero on the way).
            for (; k <= Se; ++k) {
                if (nonzero >> k & 1) {
                    Bits.Skip(1);
                } else if (--r < 0) {
                    break;
                }
            }
            if (k > Se) return false;
            if (s) nonzero |= uint64_t(1) << k;
        }
    }
    if (EobRun > 0) {
        for (; k <= Se; ++k)
            if (nonzero >> k & 1) Bits.Skip(1);
        --EobRun;
    }
    return true;
}

bool TJpegWalk::Covered() const
{
    if (!HasFrame || Scans == 0) return false;
    for (const TComponent& c : Components) {
        if (Progressive ? std::any_of(c.CoefBits, c.CoefBits + 64, [](int bits) { return bits != 0; }) : !c.Scanned)
            return false;
    }
    return true;
}

} // namespace

TJpegVerdict WalkJpeg(const uint8_t* data, size_t size)
{
    TJpegWalk walk(data, size);
    return walk.Run();
}
