#pragma once
// Most-significant-bit-first bit streams of the -lh5- method.
#include "archiver/lha/LhaStreams.h"

#include <cstdint>
#include <vector>

class TBitWriter {
public:
    explicit TBitWriter(TByteOutput& output) : output_(output) {}
    // Appends the low count bits of value (count at most 24).
    void Put(uint32_t value, int count)
    {
        bits_ = (bits_ << count) | (value & ((1u << count) - 1));
        pending_ += count;
        while (pending_ >= 8) {
            pending_ -= 8;
            buffer_.push_back(static_cast<uint8_t>(bits_ >> pending_));
        }
        if (buffer_.size() >= FlushSize) Flush();
    }
    // Pads the last byte with zero bits and hands everything to the output.
    void Finish()
    {
        if (pending_ > 0) Put(0, 8 - pending_);
        Flush();
    }
    uint64_t BitsWritten() const { return (written_ + buffer_.size()) * 8 + pending_; }

private:
    static constexpr size_t FlushSize = 1 << 16;
    void Flush()
    {
        if (buffer_.empty()) return;
        output_.Write(buffer_.data(), buffer_.size());
        written_ += buffer_.size();
        buffer_.clear();
    }
    TByteOutput& output_;
    std::vector<uint8_t> buffer_;
    uint64_t written_ = 0;
    uint64_t bits_ = 0;
    int pending_ = 0;
};

class TBitReader {
public:
    // Reads at most limit bytes of input; past them the stream reads as zero bits.
    TBitReader(TByteInput& input, uint64_t limit) : input_(input), remaining_(limit), limitBits_(limit * 8) {}
    uint32_t Peek16()
    {
        if (count_ < 16) Refill();
        return static_cast<uint32_t>(bits_ >> (count_ - 16)) & 0xFFFF;
    }
    void Skip(int count)
    {
        if (count_ < count) Refill();
        count_ -= count;
        consumed_ += count;
    }
    uint32_t Get(int count)
    {
        if (count == 0) return 0;
        if (count_ < count) Refill();
        count_ -= count;
        consumed_ += count;
        return static_cast<uint32_t>(bits_ >> count_) & ((1u << count) - 1);
    }
    // True once more bits were taken than the stream holds: a malformed stream.
    bool Overrun() const { return consumed_ > limitBits_; }

private:
    void Refill()
    {
        while (count_ <= 56) {
            if (position_ == filled_) {
                filled_ = position_ = 0;
                if (remaining_ > 0) {
                    const size_t want = remaining_ < sizeof(buffer_) ? static_cast<size_t>(remaining_) : sizeof(buffer_);
                    filled_ = input_.Read(buffer_, want);
                    remaining_ -= filled_;
                    delivered_ += filled_;
                    if (filled_ < want) { // the stream ends early: no bit past it is real
                        remaining_ = 0;
                        limitBits_ = delivered_ * 8;
                    }
                }
            }
            const uint8_t byte = position_ < filled_ ? buffer_[position_++] : 0;
            bits_ = (bits_ << 8) | byte;
            count_ += 8;
        }
    }
    TByteInput& input_;
    uint64_t remaining_;
    uint64_t limitBits_;
    uint64_t consumed_ = 0;
    uint64_t delivered_ = 0;
    uint64_t bits_ = 0;
    int count_ = 0;
    uint8_t buffer_[4096];
    size_t position_ = 0;
    size_t filled_ = 0;
};
