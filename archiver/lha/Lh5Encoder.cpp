#include "archiver/lha/Lh5Encoder.h"

#include "archiver/lha/Huffman.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace lh5;

constexpr size_t BufferSize = 1 << 17;
constexpr int HashBits = 15;
constexpr int MaxChain = 32;
constexpr int GoodLength = 16;   // a match this long shortens the lazy search
constexpr int NiceLength = 128;  // a match this long ends the search
constexpr uint32_t TooFar = 4096; // a 3-byte match further back costs more than literals

int BitLength(uint32_t value)
{
    int bits = 0;
    while (value) {
        ++bits;
        value >>= 1;
    }
    return bits;
}

int CountUsed(const std::vector<uint32_t>& frequencies, int& last)
{
    int used = 0;
    last = 0;
    for (size_t i = 0; i < frequencies.size(); ++i) {
        if (frequencies[i] == 0) continue;
        ++used;
        last = static_cast<int>(i);
    }
    return used;
}

} // namespace

TLh5Encoder::TLh5Encoder(TByteOutput& output, uint32_t blockSymbols)
    : writer_(output), blockSymbols_(std::clamp<uint32_t>(blockSymbols, 1, MaxBlockSymbols)), buffer_(BufferSize),
      head_(1u << HashBits, 0), prev_(WindowSize, 0), codeFrequency_(CodeCount, 0), positionFrequency_(PositionCodeCount, 0)
{
    codes_.reserve(blockSymbols_);
    positions_.reserve(blockSymbols_);
}

void TLh5Encoder::Write(const void* data, size_t size)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (size > 0) {
        if (end_ == buffer_.size()) Slide();
        const size_t take = std::min(size, buffer_.size() - end_);
        std::memcpy(buffer_.data() + end_, bytes, take);
        end_ += take;
        bytes += take;
        size -= take;
        Process(false);
    }
}

void TLh5Encoder::FlushBlock()
{
    EncodeBlock();
}

void TLh5Encoder::Finish()
{
    Process(true);
    EncodeBlock();
    writer_.Finish();
}

// Keeps one window of history before the current position.
void TLh5Encoder::Slide()
{
    const size_t keep = position_ > WindowSize ? position_ - WindowSize : 0;
    if (keep == 0) return;
    std::memmove(buffer_.data(), buffer_.data() + keep, end_ - keep);
    base_ += keep;
    position_ -= keep;
    end_ -= keep;
}

uint32_t TLh5Encoder::Insert(size_t at)
{
    const uint8_t* p = buffer_.data() + at;
    const uint32_t key = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16;
    const uint32_t hash = (key * 2654435761u) >> (32 - HashBits);
    const uint32_t offset = static_cast<uint32_t>(base_ + at);
    const uint32_t candidate = head_[hash];
    prev_[offset & (WindowSize - 1)] = candidate;
    head_[hash] = offset + 1;
    return candidate;
}

void TLh5Encoder::LongestMatch(size_t at, uint32_t candidate, int& length, uint32_t& distance) const
{
    const uint32_t offset = static_cast<uint32_t>(base_ + at);
    const int limit = static_cast<int>(std::min<size_t>(MaxMatch, end_ - at));
    const uint8_t* here = buffer_.data() + at;
    int best = length;
    if (best >= limit) return;
    int chain = best >= GoodLength ? MaxChain / 4 : MaxChain;
    while (candidate != 0 && chain-- > 0) {
        const uint32_t from = candidate - 1;
        const uint32_t back = offset - from;
        if (back == 0 || back > MaxDistance) break;
        const uint8_t* there = here - back;
        if (there[best] == here[best] && there[0] == here[0]) {
            int n = 0;
            while (n < limit && there[n] == here[n]) ++n;
            if (n > best) {
                best = n;
                distance = back;
                if (n >= limit || n >= NiceLength) break;
            }
        }
        candidate = prev_[from & (WindowSize - 1)];
    }
    length = best;
}

void TLh5Encoder::Process(bool finishing)
{
    while (end_ - position_ > static_cast<size_t>(MaxMatch) || (finishing && position_ < end_)) {
        const size_t at = position_;
        const uint32_t candidate = end_ - at >= static_cast<size_t>(MinMatch) ? Insert(at) : 0;
        const int previousLength = matchLength_;
        const uint32_t previousDistance = matchDistance_;
        // Only a match longer than the one found one byte back is of interest.
        int length = std::max(previousLength, MinMatch - 1);
        uint32_t distance = 0;
        if (candidate != 0 && previousLength < NiceLength) {
            LongestMatch(at, candidate, length, distance);
            if (length == MinMatch && distance > TooFar && previousLength < MinMatch) length = MinMatch - 1;
        }
        if (previousLength >= MinMatch && length <= previousLength) {
            // The match found one byte back is at least as good: take it.
            EmitMatch(previousLength, previousDistance);
            const size_t next = at - 1 + static_cast<size_t>(previousLength);
            for (size_t q = at + 1; q < next; ++q) {
                if (end_ - q >= static_cast<size_t>(MinMatch)) Insert(q);
            }
            position_ = next;
            matchAvailable_ = false;
            matchLength_ = MinMatch - 1;
        } else {
            if (matchAvailable_) EmitLiteral(buffer_[at - 1]);
            matchAvailable_ = true;
            matchLength_ = length;
            matchDistance_ = distance;
            position_ = at + 1;
        }
    }
    if (finishing && matchAvailable_) {
        EmitLiteral(buffer_[position_ - 1]);
        matchAvailable_ = false;
        matchLength_ = MinMatch - 1;
    }
}

void TLh5Encoder::EmitLiteral(uint8_t byte)
{
    codes_.push_back(byte);
    positions_.push_back(0);
    ++codeFrequency_[byte];
    if (codes_.size() >= blockSymbols_) EncodeBlock();
}

void TLh5Encoder::EmitMatch(int length, uint32_t distance)
{
    const int code = 256 + length - MinMatch;
    const uint32_t position = distance - 1;
    codes_.push_back(static_cast<uint16_t>(code));
    positions_.push_back(static_cast<uint16_t>(position));
    ++codeFrequency_[code];
    ++positionFrequency_[BitLength(position)];
    if (codes_.size() >= blockSymbols_) EncodeBlock();
}

// Builds the code for the frequencies and sends its lengths in the short form;
// a code of fewer than two symbols goes as its one symbol, coded without bits.
TLh5Encoder::TCode TLh5Encoder::SendShortCode(const std::vector<uint32_t>& frequencies, int countBits, int special)
{
    TCode code{std::vector<uint8_t>(frequencies.size(), 0), std::vector<uint16_t>(frequencies.size(), 0)};
    int last = 0;
    if (CountUsed(frequencies, last) >= 2) {
        code.Lengths = BuildCodeLengths(frequencies, MaxCodeLength);
        code.Bits = CanonicalCodes(code.Lengths);
        WriteShortLengths(code.Lengths, countBits, special);
    } else {
        writer_.Put(0, countBits);
        writer_.Put(static_cast<uint32_t>(last), countBits);
    }
    return code;
}

void TLh5Encoder::WriteShortLengths(const std::vector<uint8_t>& lengths, int countBits, int special)
{
    int n = static_cast<int>(lengths.size());
    while (n > 0 && lengths[n - 1] == 0) --n;
    writer_.Put(static_cast<uint32_t>(n), countBits);
    int i = 0;
    while (i < n) {
        const int length = lengths[i++];
        if (length <= 6) writer_.Put(static_cast<uint32_t>(length), 3);
        else writer_.Put((1u << (length - 3)) - 2, length - 3);
        if (i == special) {
            while (i < 6 && lengths[i] == 0) ++i;
            writer_.Put(static_cast<uint32_t>(i - 3), 2);
        }
    }
}

// The literal-and-length code's lengths go through the short code-length
// alphabet: 0 one zero, 1 a run of 3 to 18 zeros, 2 a run of 20 and more,
// n+2 length n; that alphabet's own code is sent first.
void TLh5Encoder::SendCodeLengths(const std::vector<uint8_t>& lengths)
{
    int n = CodeCount;
    while (n > 0 && lengths[n - 1] == 0) --n;
    struct Item { int symbol; int extraBits; uint32_t extra; };
    std::vector<Item> items;
    for (int i = 0; i < n;) {
        if (lengths[i] != 0) {
            items.push_back({lengths[i++] + 2, 0, 0});
            continue;
        }
        int zeros = 0;
        while (i < n && lengths[i] == 0) {
            ++i;
            ++zeros;
        }
        if (zeros <= 2) {
            for (int k = 0; k < zeros; ++k) items.push_back({0, 0, 0});
        } else if (zeros <= 18) {
            items.push_back({1, 4, static_cast<uint32_t>(zeros - 3)});
        } else if (zeros == 19) {
            items.push_back({0, 0, 0});
            items.push_back({1, 4, 15});
        } else {
            items.push_back({2, CodeCountBits, static_cast<uint32_t>(zeros - 20)});
        }
    }
    std::vector<uint32_t> frequencies(LengthCodeCount, 0);
    for (const Item& item : items) ++frequencies[item.symbol];
    const TCode lengthCode = SendShortCode(frequencies, LengthCountBits, 3);
    writer_.Put(static_cast<uint32_t>(n), CodeCountBits);
    for (const Item& item : items) {
        writer_.Put(lengthCode.Bits[item.symbol], lengthCode.Lengths[item.symbol]);
        if (item.extraBits) writer_.Put(item.extra, item.extraBits);
    }
}

void TLh5Encoder::EncodeBlock()
{
    if (codes_.empty()) return;
    writer_.Put(static_cast<uint32_t>(codes_.size()), 16);

    int lastCode = 0;
    TCode code{std::vector<uint8_t>(CodeCount, 0), std::vector<uint16_t>(CodeCount, 0)};
    if (CountUsed(codeFrequency_, lastCode) >= 2) {
        code.Lengths = BuildCodeLengths(codeFrequency_, MaxCodeLength);
        code.Bits = CanonicalCodes(code.Lengths);
        SendCodeLengths(code.Lengths);
    } else {
        // One symbol only: an empty code-length code, then the symbol itself.
        writer_.Put(0, LengthCountBits);
        writer_.Put(0, LengthCountBits);
        writer_.Put(0, CodeCountBits);
        writer_.Put(static_cast<uint32_t>(lastCode), CodeCountBits);
    }
    const TCode positionCode = SendShortCode(positionFrequency_, PositionCountBits, -1);

    for (size_t i = 0; i < codes_.size(); ++i) {
        const int symbol = codes_[i];
        writer_.Put(code.Bits[symbol], code.Lengths[symbol]);
        if (symbol < 256) continue;
        const uint32_t position = positions_[i];
        const int bits = BitLength(position);
        writer_.Put(positionCode.Bits[bits], positionCode.Lengths[bits]);
        if (bits > 1) writer_.Put(position & ((1u << (bits - 1)) - 1), bits - 1);
    }

    codes_.clear();
    positions_.clear();
    std::fill(codeFrequency_.begin(), codeFrequency_.end(), 0u);
    std::fill(positionFrequency_.begin(), positionFrequency_.end(), 0u);
}
