#pragma once
// Encoder of the -lh5- method: LZSS with lazy matching over an 8 KiB window,
// coded in blocks of static Huffman codes. Input is fed in pieces of any size.
#include "archiver/lha/BitStream.h"
#include "archiver/lha/Lh5Format.h"
#include "archiver/lha/LhaStreams.h"

#include <cstdint>
#include <vector>

class TLh5Encoder {
public:
    explicit TLh5Encoder(TByteOutput& output, uint32_t blockSymbols = lh5::MaxBlockSymbols);
    void Write(const void* data, size_t size);
    // Codes all symbols found so far as a block: the packed size is then exact
    // for the input consumed so far.
    void FlushBlock();
    // Codes the rest and pads the last byte.
    void Finish();
    uint64_t PackedBits() const { return writer_.BitsWritten(); }
    uint64_t Consumed() const { return base_ + position_ - (matchAvailable_ ? 1 : 0); }

private:
    void Slide();
    void Process(bool finishing);
    uint32_t Insert(size_t at);
    void LongestMatch(size_t at, uint32_t candidate, int& length, uint32_t& distance) const;
    void EmitLiteral(uint8_t byte);
    void EmitMatch(int length, uint32_t distance);
    struct TCode {
        std::vector<uint8_t> Lengths;
        std::vector<uint16_t> Bits;
    };
    void EncodeBlock();
    void SendCodeLengths(const std::vector<uint8_t>& lengths);
    TCode SendShortCode(const std::vector<uint32_t>& frequencies, int countBits, int special);
    void WriteShortLengths(const std::vector<uint8_t>& lengths, int countBits, int special);

    TBitWriter writer_;
    uint32_t blockSymbols_;
    std::vector<uint8_t> buffer_;
    uint64_t base_ = 0;      // input offset of buffer_[0]
    size_t position_ = 0;    // next byte to code
    size_t end_ = 0;         // end of the data in buffer_
    std::vector<uint32_t> head_; // input offset + 1 of the latest position with each hash
    std::vector<uint32_t> prev_; // the one before it, by offset within the window
    bool matchAvailable_ = false;
    int matchLength_ = lh5::MinMatch - 1;
    uint32_t matchDistance_ = 0;

    std::vector<uint16_t> codes_;
    std::vector<uint16_t> positions_;
    std::vector<uint32_t> codeFrequency_;
    std::vector<uint32_t> positionFrequency_;
};
