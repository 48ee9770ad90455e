#pragma once
// The state of one walk through a JPEG's segments and scans (JpegWalk.h): the
// frame, the tables, the scan in hand, and both entropy decoders.
#include "pages/ImageCheck.h"
#include "pages/JpegArithmetic.h"
#include "pages/JpegBits.h"
#include "pages/JpegHuffman.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct TJpegComponent {
    int Id = 0;
    int H = 1;
    int V = 1;
    int Quant = 0;       // its quantisation table
    int BlocksWide = 0;  // of the component alone, as a non-interleaved scan walks it
    int BlocksHigh = 0;
    bool Scanned = false;  // sequential: its scan came
    int CoefBits[64];      // progressive: the lowest bit known of each coefficient, -1 before its first scan
    std::vector<uint64_t> Nonzero;  // progressive: per block, the coefficients already known nonzero
    // The scan in hand.
    int32_t Predictor = 0;  // the last DC value
    int DcContext = 0;      // arithmetic: the conditioning of the next DC difference
    int32_t DcLimit = 0;    // the largest magnitude a DC value may have (in units of its quantiser)
};

struct TJpegScanComponent {
    TJpegComponent* Component;
    int DcTable;
    int AcTable;
};

class TJpegWalker {
public:
    TJpegWalker(const uint8_t* data, size_t size) : Data(data), Size(size), Bits(data, size), Coder(data, size) {}
    // True when walked (the verdict set), false when not walked.
    bool Run(TPageVerdict& verdict);

private:
    enum class TStep { Next, Fault, NotWalked };
    TStep Segment(uint8_t marker, const uint8_t* body, size_t length, size_t& position);
    bool Frame(const uint8_t* body, size_t length, uint8_t marker);
    bool HuffmanTables(const uint8_t* body, size_t length);
    bool ArithmeticConditioning(const uint8_t* body, size_t length);
    bool QuantisationTables(const uint8_t* body, size_t length);
    bool Scan(const uint8_t* body, size_t length, size_t& position);
    bool Decode(size_t& position);
    size_t EndOfInterval();
    void StartInterval(size_t position, bool first);
    bool Mcu(unsigned mcu);
    bool Block(TJpegScanComponent& c, unsigned block);
    bool DcInRange(TJpegComponent& c, int32_t difference);
    bool Covered() const;
    static uint64_t Band(int from, int to);
    void SkipBits(int count);

    // Huffman coding.
    bool SequentialBlock(TJpegScanComponent& c);
    bool DcFirst(TJpegScanComponent& c);
    bool AcFirst(const TJpegScanComponent& c, uint64_t& nonzero);
    bool AcRefine(const TJpegScanComponent& c, uint64_t& nonzero);

    // Arithmetic coding.
    void ResetStatistics();
    bool ArithmeticDc(TJpegScanComponent& c);
    bool ArithmeticAc(const TJpegScanComponent& c, uint64_t* nonzero);
    bool ArithmeticAcRefine(const TJpegScanComponent& c, uint64_t& nonzero);
    bool ArithmeticMagnitude(TJpegArithmetic::TBin* st, int& m);

    const uint8_t* Data;
    size_t Size;
    TJpegBits Bits;
    TJpegArithmetic Coder;
    TJpegHuffman DcTables[4];
    TJpegHuffman AcTables[4];
    uint8_t DcL[4] = {0, 0, 0, 0};  // arithmetic conditioning
    uint8_t DcU[4] = {1, 1, 1, 1};
    uint8_t AcK[4] = {5, 5, 5, 5};
    TJpegArithmetic::TBin DcStats[4][64];
    TJpegArithmetic::TBin AcStats[4][256];
    uint16_t QuantDc[4] = {0, 0, 0, 0};  // each table's DC quantiser, 0 before it is defined
    unsigned RestartInterval = 0;
    bool HasFrame = false;
    bool Progressive = false;
    bool Arithmetic = false;
    int Precision = 8;
    int MaxDcCategory = 11;
    int MaxAcSize = 10;
    unsigned McusWide = 0;
    unsigned McusHigh = 0;
    std::vector<TJpegComponent> Components;
    int Scans = 0;
    size_t FaultAt = 0;  // where the walk found the data wrong
    bool FaultCut = false;  // the data ran into the file's end

    // The scan in hand.
    std::vector<TJpegScanComponent> InScan;
    int Ss = 0, Se = 63, Ah = 0, Al = 0;
    unsigned EobRun = 0;
    uint64_t BandEnd = 0;  // the coefficients up to Se
};
