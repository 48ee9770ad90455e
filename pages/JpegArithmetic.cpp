#include "pages/JpegArithmetic.h"

namespace {

// Table D.2 of the standard: the LPS probability estimate of each state, the
// state after an LPS and after an MPS, and whether an LPS exchanges the two
// symbols; a last state (113) that keeps an even chance.
struct TQe {
    uint16_t Qe;
    uint8_t NextLps;
    uint8_t NextMps;
    uint8_t Switch;
};

constexpr TQe States[114] = {
    {0x5A1D, 1, 1, 1},     {0x2586, 14, 2, 0},    {0x1114, 16, 3, 0},    {0x080B, 18, 4, 0},
    {0x03D8, 20, 5, 0},    {0x01DA, 23, 6, 0},    {0x00E5, 25, 7, 0},    {0x006F, 28, 8, 0},
    {0x0036, 30, 9, 0},    {0x001A, 33, 10, 0},   {0x000D, 35, 11, 0},   {0x0006, 9, 12, 0},
    {0x0003, 10, 13, 0},   {0x0001, 12, 13, 0},   {0x5A7F, 15, 15, 1},   {0x3F25, 36, 16, 0},
    {0x2CF2, 38, 17, 0},   {0x207C, 39, 18, 0},   {0x17B9, 40, 19, 0},   {0x1182, 42, 20, 0},
    {0x0CEF, 43, 21, 0},   {0x09A1, 45, 22, 0},   {0x072F, 46, 23, 0},   {0x055C, 48, 24, 0},
    {0x0406, 49, 25, 0},   {0x0303, 51, 26, 0},   {0x0240, 52, 27, 0},   {0x01B1, 54, 28, 0},
    {0x0144, 56, 29, 0},   {0x00F5, 57, 30, 0},   {0x00B7, 59, 31, 0},   {0x008A, 60, 32, 0},
    {0x0068, 62, 33, 0},   {0x004E, 63, 34, 0},   {0x003B, 32, 35, 0},   {0x002C, 33, 9, 0},
    {0x5AE1, 37, 37, 1},   {0x484C, 64, 38, 0},   {0x3A0D, 65, 39, 0},   {0x2EF1, 67, 40, 0},
    {0x261F, 68, 41, 0},   {0x1F33, 69, 42, 0},   {0x19A8, 70, 43, 0},   {0x1518, 72, 44, 0},
    {0x1177, 73, 45, 0},   {0x0E74, 74, 46, 0},   {0x0BFB, 75, 47, 0},   {0x09F8, 77, 48, 0},
    {0x0861, 78, 49, 0},   {0x0706, 79, 50, 0},   {0x05CD, 48, 51, 0},   {0x04DE, 50, 52, 0},
    {0x040F, 50, 53, 0},   {0x0363, 51, 54, 0},   {0x02D4, 52, 55, 0},   {0x025C, 53, 56, 0},
    {0x01F8, 54, 57, 0},   {0x01A4, 55, 58, 0},   {0x0160, 56, 59, 0},   {0x0125, 57, 60, 0},
    {0x00F6, 58, 61, 0},   {0x00CB, 59, 62, 0},   {0x00AB, 61, 63, 0},   {0x008F, 61, 32, 0},
    {0x5B12, 65, 65, 1},   {0x4D04, 80, 66, 0},   {0x412C, 81, 67, 0},   {0x37D8, 82, 68, 0},
    {0x2FE8, 83, 69, 0},   {0x293C, 84, 70, 0},   {0x2379, 86, 71, 0},   {0x1EDF, 87, 72, 0},
    {0x1AA9, 87, 73, 0},   {0x174E, 72, 74, 0},   {0x1424, 72, 75, 0},   {0x119C, 74, 76, 0},
    {0x0F6B, 74, 77, 0},   {0x0D51, 75, 78, 0},   {0x0BB6, 77, 79, 0},   {0x0A40, 77, 48, 0},
    {0x5832, 80, 81, 1},   {0x4D1C, 88, 82, 0},   {0x438E, 89, 83, 0},   {0x3BDD, 90, 84, 0},
    {0x34EE, 91, 85, 0},   {0x2EAE, 92, 86, 0},   {0x299A, 93, 87, 0},   {0x2516, 86, 71, 0},
    {0x5570, 88, 89, 1},   {0x4CA9, 95, 90, 0},   {0x44D9, 96, 91, 0},   {0x3E22, 97, 92, 0},
    {0x3824, 99, 93, 0},   {0x32B4, 99, 94, 0},   {0x2E17, 93, 86, 0},   {0x56A8, 95, 96, 1},
    {0x4F46, 101, 97, 0},  {0x47E5, 102, 98, 0},  {0x41CF, 103, 99, 0},  {0x3C3D, 104, 100, 0},
    {0x375E, 99, 93, 0},   {0x5231, 105, 102, 0}, {0x4C0F, 106, 103, 0}, {0x4639, 107, 104, 0},
    {0x415E, 103, 99, 0},  {0x5627, 105, 106, 1}, {0x50E7, 108, 107, 0}, {0x4B85, 109, 103, 0},
    {0x5597, 110, 109, 0}, {0x504F, 111, 107, 0}, {0x5A10, 110, 111, 1}, {0x5522, 112, 109, 0},
    {0x59EB, 112, 111, 1}, {0x5A1D, 113, 113, 0},
};

} // namespace

uint32_t TJpegArithmetic::NextByte()
{
    if (MarkerSeen) return 0;
    if (Position >= Size) {
        MarkerSeen = true;
        return 0;
    }
    const uint8_t byte = Data[Position];
    if (byte != 0xFF) {
        ++Position;
        return byte;
    }
    size_t at = Position + 1;
    while (at < Size && Data[at] == 0xFF) ++at;  // fill bytes
    if (at < Size && Data[at] == 0) {
        Position = at + 1;
        return 0xFF;
    }
    MarkerSeen = true;  // Position stays at the marker
    return 0;
}

// Renormalisation is done before each decision rather than after it, so that
// no byte is read beyond what the decisions so far need: an encoder's data ends
// exactly there.
int TJpegArithmetic::Decode(TBin& bin)
{
    while (A < 0x8000) {
        if (--Ct < 0) {
            C = (C << 8) | NextByte();
            Ct += 8;
            // The first two bytes fill the register; then the interval opens.
            if (Ct < 0 && ++Ct == 0) A = 0x8000;
        }
        A <<= 1;
    }
    const TQe& state = States[bin & 0x7F];
    int symbol = bin >> 7;
    const uint32_t qe = state.Qe;
    A -= qe;
    const uint32_t top = A << Ct;
    const auto afterMps = [&] { bin = static_cast<TBin>((bin & 0x80) | state.NextMps); };
    const auto afterLps = [&] {
        bin = static_cast<TBin>(((bin & 0x80) ^ (state.Switch << 7)) | state.NextLps);
        symbol ^= 1;
    };
    if (C >= top) {
        // The lower sub-interval: the LPS's, unless the exchange makes it the MPS's.
        C -= top;
        if (A < qe) {
            afterMps();
        } else {
            afterLps();
        }
        A = qe;
    } else if (A < 0x8000) {
        // The upper sub-interval, needing renormalisation: the MPS's, or the LPS's after the exchange.
        if (A < qe) {
            afterLps();
        } else {
            afterMps();
        }
    }
    return symbol;
}
