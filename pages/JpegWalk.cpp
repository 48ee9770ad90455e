#include "pages/JpegWalk.h"

#include "pages/JpegWalker.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>

namespace {

unsigned Big16(const uint8_t* p) { return unsigned(p[0]) << 8 | p[1]; }
unsigned CeilDiv(unsigned a, unsigned b) { return (a + b - 1) / b; }
bool IsRestart(uint8_t marker) { return marker >= 0xD0 && marker <= 0xD7; }

// The bits set, without a library call on targets that lack the instruction.
// Masks of a refinement are often empty in one half (the low coefficients pass
// first), and a 32-bit target counts each half on its own anyway.
int Popcount(uint64_t bits)
{
    const auto half = [](uint32_t v) {
        if (!v) return 0;
        v = v - ((v >> 1) & 0x55555555u);
        v = (v & 0x33333333u) + ((v >> 2) & 0x33333333u);
        return static_cast<int>((((v + (v >> 4)) & 0x0F0F0F0Fu) * 0x01010101u) >> 24);
    };
    return half(static_cast<uint32_t>(bits)) + half(static_cast<uint32_t>(bits >> 32));
}

// The coefficients from k on, as a mask (none from 64). A lookup rather than a
// shift: a 64-bit shift by a variable count branches on a 32-bit target.
constexpr auto From = [] {
    std::array<uint64_t, 65> from{};
    for (int k = 0; k < 64; ++k) from[k] = ~uint64_t(0) << k;
    return from;
}();

// Decoders skip a few stray zeros before a marker (libjpeg up to 7, with a
// warning); more is no marker.
constexpr int ZerosBeforeMarker = 7;

} // namespace

bool TJpegWalker::Run(TPageVerdict& verdict)
{
    if (Size < 4 || Data[0] != 0xFF || Data[1] != 0xD8) {
        verdict = Size < 2 ? TPageVerdict::Cut() : TPageVerdict::DamagedAt(0);
        return true;
    }
    for (int id = 0; id < 2; ++id) {
        DcTables[id].DefineStandardDc(id);
        AcTables[id].DefineStandardAc(id);
    }
    size_t position = 2;
    for (;;) {
        for (int zeros = 0; position < Size && Data[position] == 0 && zeros < ZerosBeforeMarker; ++zeros) ++position;
        if (position >= Size) return verdict = TPageVerdict::Cut(), true;
        if (Data[position] != 0xFF) return verdict = TPageVerdict::DamagedAt(position), true;
        while (position < Size && Data[position] == 0xFF) ++position;  // fill bytes
        if (position >= Size) return verdict = TPageVerdict::Cut(), true;
        const uint8_t marker = Data[position++];
        // Standalone markers; a restart marker between segments is passed over as decoders do.
        if (marker == 0x01 || IsRestart(marker)) continue;
        // A second start or a stuffed zero: out of order.
        if (marker == 0x00 || marker == 0xD8) return verdict = TPageVerdict::DamagedAt(position - 2), true;
        if (marker == 0xD9) {
            // The image ends here; what follows is another's (a preview, a trailer) or nothing.
            verdict = Covered() ? TPageVerdict{} : TPageVerdict::DamagedAt(position - 2);
            return true;
        }
        if (Size - position < 2) return verdict = TPageVerdict::Cut(), true;
        const size_t length = Big16(Data + position);
        if (length < 2) return verdict = TPageVerdict::DamagedAt(position), true;
        if (length > Size - position) return verdict = TPageVerdict::Cut(), true;
        const size_t segment = position;
        switch (Segment(marker, Data + position + 2, length - 2, position)) {
        case TStep::Next: break;
        case TStep::NotWalked: return false;
        case TStep::Fault:
            verdict = FaultCut ? TPageVerdict::Cut() : TPageVerdict::DamagedAt(FaultAt ? FaultAt : segment);
            return true;
        }
    }
}

// position: at the segment's length on entry; after the segment (and after its
// scan's data) on return, unless the step is not Next.
TJpegWalker::TStep TJpegWalker::Segment(uint8_t marker, const uint8_t* body, size_t length, size_t& position)
{
    const auto step = [](bool ok) { return ok ? TStep::Next : TStep::Fault; };
    position += length + 2;
    switch (marker) {
    case 0xC0: case 0xC1: case 0xC2:  // Huffman: baseline, extended, progressive
    case 0xC9: case 0xCA:             // arithmetic: extended, progressive
        return step(Frame(body, length, marker));
    case 0xC3: case 0xC5: case 0xC6: case 0xC7:   // lossless, hierarchical
    case 0xCB: case 0xCD: case 0xCE: case 0xCF:   // the same, arithmetic
    case 0xDC: case 0xDE: case 0xDF:              // the height after the scan, hierarchical
        return TStep::NotWalked;
    case 0xC4: return step(HuffmanTables(body, length));
    case 0xCC: return step(ArithmeticConditioning(body, length));
    case 0xDB: return step(QuantisationTables(body, length));
    case 0xDD:
        if (length != 2) return TStep::Fault;
        RestartInterval = Big16(body);
        return TStep::Next;
    case 0xDA:
        if (!HasFrame) return TStep::Fault;
        if (Components.empty()) return TStep::NotWalked;  // no height: it follows the scan
        return step(Scan(body, length, position));
    default: return TStep::Next;  // application data, comments
    }
}

bool TJpegWalker::Frame(const uint8_t* body, size_t length, uint8_t marker)
{
    if (HasFrame || length < 6) return false;
    HasFrame = true;
    Progressive = marker == 0xC2 || marker == 0xCA;
    Arithmetic = marker >= 0xC9;
    Precision = body[0];
    const unsigned height = Big16(body + 1);
    const unsigned width = Big16(body + 3);
    const unsigned count = body[5];
    if ((Precision != 8 && Precision != 12) || width == 0 || count == 0 || count > 4 || length != 6 + 3 * count)
        return false;
    MaxDcCategory = Precision == 8 ? 11 : 15;
    MaxAcSize = Precision == 8 ? 10 : 14;
    if (height == 0) return true;  // no components: the scan is not walked

    Components.resize(count);
    int hMax = 1, vMax = 1;
    for (unsigned i = 0; i < count; ++i) {
        TJpegComponent& c = Components[i];
        const uint8_t* p = body + 6 + 3 * i;
        c.Id = p[0];
        c.H = p[1] >> 4;
        c.V = p[1] & 15;
        c.Quant = p[2];
        if (c.H < 1 || c.H > 4 || c.V < 1 || c.V > 4 || c.Quant > 3) return false;
        for (unsigned j = 0; j < i; ++j)
            if (Components[j].Id == c.Id) return false;
        std::fill(c.CoefBits, c.CoefBits + 64, -1);
        hMax = std::max(hMax, c.H);
        vMax = std::max(vMax, c.V);
    }
    McusWide = CeilDiv(width, 8 * hMax);
    McusHigh = CeilDiv(height, 8 * vMax);
    for (TJpegComponent& c : Components) {
        c.BlocksWide = static_cast<int>(CeilDiv(CeilDiv(width * c.H, hMax), 8));
        c.BlocksHigh = static_cast<int>(CeilDiv(CeilDiv(height * c.V, vMax), 8));
    }
    return true;
}

bool TJpegWalker::HuffmanTables(const uint8_t* body, size_t length)
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

bool TJpegWalker::ArithmeticConditioning(const uint8_t* body, size_t length)
{
    if (length % 2) return false;
    for (size_t at = 0; at < length; at += 2) {
        const unsigned kind = body[at] >> 4, id = body[at] & 15, value = body[at + 1];
        if (kind > 1 || id > 3) return false;
        if (kind == 0) {
            DcL[id] = static_cast<uint8_t>(value & 15);
            DcU[id] = static_cast<uint8_t>(value >> 4);
            if (DcL[id] > DcU[id]) return false;
        } else {
            if (value < 1 || value > 63) return false;
            AcK[id] = static_cast<uint8_t>(value);
        }
    }
    return true;
}

bool TJpegWalker::QuantisationTables(const uint8_t* body, size_t length)
{
    size_t at = 0;
    while (at < length) {
        const unsigned wide = body[at] >> 4, id = body[at] & 15;
        const size_t size = 1 + 64 * (wide + 1);
        if (wide > 1 || id > 3 || length - at < size) return false;
        QuantDc[id] = static_cast<uint16_t>(wide ? Big16(body + at + 1) : body[at + 1]);
        at += size;
    }
    return true;
}

bool TJpegWalker::Scan(const uint8_t* body, size_t length, size_t& position)
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
        const auto c = std::find_if(Components.begin(), Components.end(), [&](const TJpegComponent& x) { return x.Id == p[0]; });
        if (c == Components.end()) return false;
        for (const TJpegScanComponent& earlier : InScan)
            if (earlier.Component == &*c) return false;
        const int dc = p[1] >> 4, ac = p[1] & 15;
        if (dc > 3 || ac > 3) return false;
        InScan.push_back({&*c, dc, ac});
        blocksInMcu += c->H * c->V;
    }
    if (count > 1 && blocksInMcu > 10) return false;

    const int32_t largest = Precision == 8 ? 1024 : 16384;  // a DC coefficient's magnitude
    for (const TJpegScanComponent& s : InScan) {
        TJpegComponent& c = *s.Component;
        const int32_t quantiser = QuantDc[c.Quant] ? QuantDc[c.Quant] : 1;
        // Rounding lets a quantised value reach one step beyond.
        c.DcLimit = ((largest / quantiser + 1) >> (Progressive ? Al : 0)) + 1;
        const bool dcDefined = Arithmetic || DcTables[s.DcTable].Defined();
        const bool acDefined = Arithmetic || AcTables[s.AcTable].Defined();
        if (!Progressive) {
            if (Ss != 0 || Se != 63 || Ah != 0 || Al != 0 || c.Scanned) return false;
            if (!dcDefined || !acDefined) return false;
            if (!Arithmetic) AcTables[s.AcTable].MakeChains();
            c.Scanned = true;
            continue;
        }
        // A DC scan may be interleaved; an AC scan holds one component whose DC came first.
        if (Ss == 0 ? Se != 0 : (Se < Ss || Se > 63 || count != 1 || c.CoefBits[0] < 0)) return false;
        if (Al > 13 || (Ah != 0 && Al != Ah - 1)) return false;
        if (Ss == 0 && Ah == 0 && !dcDefined) return false;
        if (Ss > 0 && !acDefined) return false;
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

void TJpegWalker::StartInterval(size_t position, bool first)
{
    for (TJpegScanComponent& s : InScan) {
        s.Component->Predictor = 0;
        s.Component->DcContext = 0;
    }
    EobRun = 0;
    if (Arithmetic) {
        Coder.Start(position);
        ResetStatistics();
    } else if (first) {
        Bits.Load(position);
    } else {
        Bits.NextInterval();
    }
}

// The marker's code byte after the interval's data (see TJpegBits::MarkerAfterData), or 0.
size_t TJpegWalker::EndOfInterval()
{
    if (!Arithmetic) return Bits.MarkerAfterData(ZerosBeforeMarker);
    size_t at = Coder.Where();
    if (!Coder.Exhausted()) {
        // The data ends where the decisions stopped reading it: a few zeros, then a marker.
        for (int zeros = 0; at < Size && Data[at] == 0 && zeros < ZerosBeforeMarker; ++zeros) ++at;
        if (at >= Size || Data[at] != 0xFF) return 0;
    }
    while (at < Size && Data[at] == 0xFF) ++at;
    return at < Size && Data[at] != 0 ? at : 0;
}

// The scan's data from position; on return position is at the 0xFF of the
// marker that ends it, or after a restart marker that follows the last block.
bool TJpegWalker::Decode(size_t& position)
{
    const TJpegComponent& first = *InScan.front().Component;
    const unsigned mcus = InScan.size() == 1 ? unsigned(first.BlocksWide) * unsigned(first.BlocksHigh) : McusWide * McusHigh;
    const auto fault = [this] {
        const size_t where = Arithmetic ? Coder.Where() : Bits.Where();
        FaultCut = Arithmetic ? where >= Size : Bits.AtFileEnd();
        FaultAt = std::min(where, Size - 1);
        return false;
    };
    StartInterval(position, true);
    unsigned restart = 0;
    // A progressive Huffman band: the blocks of an end-of-band run go by in one loop.
    const bool runs = Progressive && !Arithmetic && Ss > 0;
    const uint64_t band = Band(Ss, Se + 1);
    BandEnd = Band(0, Se + 1);
    TJpegComponent* const band0 = InScan.front().Component;
    for (unsigned mcu = 0; mcu < mcus;) {
        if (RestartInterval && mcu > 0 && mcu % RestartInterval == 0) {
            const size_t marker = EndOfInterval();
            if (!marker || Data[marker] != 0xD0 + restart) return fault();
            restart = (restart + 1) & 7;
            StartInterval(marker + 1, false);
        }
        if (runs && EobRun > 0) {
            // Up to the end of the run or of the interval, whichever comes first.
            const unsigned end = RestartInterval ? std::min(mcus, (mcu / RestartInterval + 1) * RestartInterval) : mcus;
            const unsigned count = std::min<unsigned>(EobRun, end - mcu);
            if (Ah > 0) {
                const uint64_t* nonzero = band0->Nonzero.data() + mcu;
                for (unsigned i = 0; i < count; ++i) SkipBits(Popcount(nonzero[i] & band));
            }
            EobRun -= count;
            mcu += count;
            if (Bits.Overrun()) return fault();
            continue;
        }
        if (runs) {
            // One block a step: straight to the band's decoder, which is most of a progressive file's work.
            uint64_t& nonzero = band0->Nonzero[mcu];
            if (!(Ah == 0 ? AcFirst(InScan.front(), nonzero) : AcRefine(InScan.front(), nonzero)) || Bits.Overrun())
                return fault();
        } else if (!Mcu(mcu) || (!Arithmetic && Bits.Overrun())) {
            return fault();
        }
        ++mcu;
    }
    const size_t marker = EndOfInterval();
    if (!marker) return fault();
    // A restart marker after the last block, which some encoders write: decoders pass over it.
    position = IsRestart(Data[marker]) ? marker + 1 : marker - 1;
    return true;
}

bool TJpegWalker::Mcu(unsigned mcu)
{
    if (InScan.size() == 1) return Block(InScan.front(), mcu);
    // The two commonest interleaved scans (sequential Huffman, a first progressive
    // Huffman DC scan) go straight to their decoder.
    const int kind = Arithmetic ? 0 : !Progressive ? 1 : Ah == 0 ? 2 : 0;
    for (TJpegScanComponent& c : InScan) {
        for (int b = c.Component->H * c.Component->V; b > 0; --b) {
            const bool ok = kind == 1 ? SequentialBlock(c) : kind == 2 ? DcFirst(c) : Block(c, 0);
            if (!ok) return false;
        }
    }
    return true;
}

// One block of the scan; index: its place in the component (non-interleaved scans).
bool TJpegWalker::Block(TJpegScanComponent& c, unsigned index)
{
    if (!Progressive) return Arithmetic ? ArithmeticDc(c) && ArithmeticAc(c, nullptr) : SequentialBlock(c);
    if (Ss == 0) {
        if (Ah == 0) return Arithmetic ? ArithmeticDc(c) : DcFirst(c);
        // A DC refinement: one bit a block.
        if (Arithmetic) {
            TJpegArithmetic::TBin fixed = TJpegArithmetic::FixedBin;
            Coder.Decode(fixed);
        } else {
            Bits.Skip(1);
        }
        return true;
    }
    uint64_t& nonzero = c.Component->Nonzero[index];
    if (Arithmetic) return Ah == 0 ? ArithmeticAc(c, &nonzero) : ArithmeticAcRefine(c, nonzero);
    return Ah == 0 ? AcFirst(c, nonzero) : AcRefine(c, nonzero);
}

// A DC value outside what its precision allows was not written by an encoder.
bool TJpegWalker::DcInRange(TJpegComponent& c, int32_t difference)
{
    c.Predictor += difference;
    return c.Predictor <= c.DcLimit && c.Predictor >= -c.DcLimit;
}

bool TJpegWalker::DcFirst(TJpegScanComponent& c)
{
    const int s = Bits.Decode(DcTables[c.DcTable]);
    if (s < 0 || s > MaxDcCategory) return false;
    return DcInRange(*c.Component, Bits.Value(s));
}

bool TJpegWalker::SequentialBlock(TJpegScanComponent& c)
{
    if (!DcFirst(c)) return false;
    const TJpegHuffman& table = AcTables[c.AcTable];
    for (int k = 1; k < 64;) {
        // Most coefficients: several at a time, codes and values, as long as
        // they stay inside the block (past its end come the next block's codes).
        const uint32_t bits = Bits.Peek();
        const uint16_t chain = table.ChainAc(bits);
        if (chain && k + (chain & 0x7F) < 64) {
            Bits.Skip(chain >> 8 & 15);
            k += chain & 0x7F;
            if (chain & 0x8000) break;
            continue;
        }
        if (const uint16_t fast = table.FastAc(bits)) {
            Bits.Skip(fast >> 8);
            const int move = fast & 0xFF;
            if (move == 0) break;
            k += move;
            if (k > 64) return false;
            continue;
        }
        const int rs = Bits.Decode(table);
        if (rs < 0) return false;
        const int r = rs >> 4, s = rs & 15;
        if (s) {
            k += r;
            if (k > 63 || s > MaxAcSize) return false;
            Bits.Skip(s);
            ++k;
        } else if (r == 15) {
            k += 16;
            if (k > 64) return false;
        } else {
            if (r) return false;  // only 0x00 ends a block here
            break;
        }
    }
    return true;
}

// A band of one block, EOBRUN blocks after an end-of-band run skipped.
bool TJpegWalker::AcFirst(const TJpegScanComponent& c, uint64_t& nonzero)
{
    if (EobRun > 0) {
        --EobRun;
        return true;
    }
    const TJpegHuffman& table = AcTables[c.AcTable];
    for (int k = Ss; k <= Se; ++k) {
        // Most coefficients in one lookup (runs of sixteen and ends of band below).
        const uint16_t fast = Bits.PeekFastAc(table);
        if (const int move = fast & 0xFF; move && move != 16) {
            k += move - 1;
            if (k > Se) return false;
            Bits.Skip(fast >> 8);
            nonzero |= From[k] & ~From[k + 1];
            continue;
        }
        const int rs = Bits.Decode(table);
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
bool TJpegWalker::AcRefine(const TJpegScanComponent& c, uint64_t& nonzero)
{
    const TJpegHuffman& table = AcTables[c.AcTable];
    int k = Ss;
    if (EobRun == 0) {
        for (; k <= Se; ++k) {
            const int rs = Bits.Decode(table);
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
            // r zero coefficients pass, and the ones already nonzero on the way,
            // each with its correction bit; the next zero one is the new one.
            // What passes that is not one of the r zeros is nonzero: no count needed.
            uint64_t zeros = ~nonzero & From[k] & BandEnd;
            const int passed = r;
            for (; r > 0 && zeros; --r) zeros &= zeros - 1;
            if (!zeros) return false;
            const int at = std::countr_zero(zeros);
            SkipBits(at - k - passed);
            k = at;
            if (s) nonzero |= zeros & (0 - zeros);
        }
    }
    if (EobRun > 0) {
        // A correction bit for each coefficient already nonzero in the rest of the band.
        if (k <= Se) SkipBits(Popcount(nonzero & From[k] & BandEnd));
        --EobRun;
    }
    return true;
}

// The coefficients from..to-1 (to at most 64) as a mask.
uint64_t TJpegWalker::Band(int from, int to)
{
    const uint64_t below = to >= 64 ? ~uint64_t(0) : (uint64_t(1) << to) - 1;
    return below & ~((uint64_t(1) << from) - 1);
}

// Correction bits are passed over unread: no lookup depends on them.
void TJpegWalker::SkipBits(int count) { Bits.Skip(count); }

bool TJpegWalker::Covered() const
{
    if (!HasFrame || Scans == 0) return false;
    for (const TJpegComponent& c : Components) {
        // A progressive file need not refine every coefficient to its last bit
        // (decoders show what came), but a component without its DC is no picture.
        if (Progressive ? c.CoefBits[0] < 0 : !c.Scanned) return false;
    }
    return true;
}

bool WalkJpeg(const uint8_t* data, size_t size, TPageVerdict& verdict)
{
    // Its tables are large for a thread's stack.
    const auto walk = std::make_unique<TJpegWalker>(data, size);
    return walk->Run(verdict);
}
