// The -lh5- encoder, checked by round trips through the library's decoder and
// through a deliberately plain decoder written here from the format's rules,
// so that a fault shared by encoder and decoder cannot hide.
#include "archiver/lha/Lh5Decoder.h"
#include "archiver/lha/Lh5Encoder.h"

#include "LhaTestBytes.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

Bytes Encode(const Bytes& data, uint32_t blockSymbols = lh5::MaxBlockSymbols, size_t piece = 0)
{
    TVectorOutput out;
    TLh5Encoder encoder(out, blockSymbols);
    if (piece == 0) piece = data.size() + 1;
    for (size_t at = 0; at < data.size(); at += piece) encoder.Write(data.data() + at, std::min(piece, data.size() - at));
    encoder.Finish();
    EXPECT_EQ(out.Bytes.size() * 8, (encoder.PackedBits() + 7) / 8 * 8);
    return out.Bytes;
}

Bytes Decode(const Bytes& packed, size_t originalSize)
{
    TVectorInput in(packed);
    TVectorOutput out;
    DecodeLh5(in, packed.size(), originalSize, out);
    return out.Bytes;
}

// ---- the plain decoder: one bit at a time, codes found by linear search ----

class TPlainBits {
public:
    explicit TPlainBits(const Bytes& bytes) : bytes_(bytes) {}
    uint32_t Get(int count)
    {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i, ++bit_) {
            const size_t byte = bit_ / 8;
            if (byte >= bytes_.size()) throw std::runtime_error("read past the stream");
            value = value << 1 | ((bytes_[byte] >> (7 - bit_ % 8)) & 1);
        }
        return value;
    }

private:
    const Bytes& bytes_;
    size_t bit_ = 0;
};

struct TPlainCode {
    std::map<std::pair<int, uint32_t>, int> Symbols; // (length, code) -> symbol
    int Single = -1;

    void SetLengths(const std::vector<int>& lengths)
    {
        Single = -1;
        Symbols.clear();
        uint32_t code = 0;
        for (int length = 1; length <= 16; ++length) {
            for (size_t symbol = 0; symbol < lengths.size(); ++symbol) {
                if (lengths[symbol] == length) Symbols[{length, code++}] = static_cast<int>(symbol);
            }
            code <<= 1;
        }
    }
    int Decode(TPlainBits& bits) const
    {
        if (Single >= 0) return Single;
        uint32_t code = 0;
        for (int length = 1; length <= 16; ++length) {
            code = code << 1 | bits.Get(1);
            const auto found = Symbols.find({length, code});
            if (found != Symbols.end()) return found->second;
        }
        throw std::runtime_error("no such code");
    }
};

void ReadPlainShortLengths(TPlainBits& bits, TPlainCode& code, int symbols, int countBits, int special)
{
    const int n = static_cast<int>(bits.Get(countBits));
    if (n == 0) {
        code.Single = static_cast<int>(bits.Get(countBits));
        return;
    }
    std::vector<int> lengths(symbols, 0);
    for (int i = 0; i < n;) {
        int length = static_cast<int>(bits.Get(3));
        if (length == 7) {
            while (bits.Get(1) == 1) ++length;
        }
        lengths[i++] = length;
        if (i == special) i += static_cast<int>(bits.Get(2));
    }
    code.SetLengths(lengths);
}

Bytes PlainDecode(const Bytes& packed, size_t originalSize)
{
    TPlainBits bits(packed);
    Bytes out;
    TPlainCode lengthCode, charCode, positionCode;
    uint32_t left = 0;
    while (out.size() < originalSize) {
        if (left == 0) {
            left = bits.Get(16);
            ReadPlainShortLengths(bits, lengthCode, 19, 5, 3);
            const int n = static_cast<int>(bits.Get(9));
            if (n == 0) {
                charCode.Single = static_cast<int>(bits.Get(9));
            } else {
                std::vector<int> lengths(510, 0);
                for (int i = 0; i < n;) {
                    const int c = lengthCode.Decode(bits);
                    if (c == 0) i += 1;
                    else if (c == 1) i += static_cast<int>(bits.Get(4)) + 3;
                    else if (c == 2) i += static_cast<int>(bits.Get(9)) + 20;
                    else lengths[i++] = c - 2;
                }
                charCode.SetLengths(lengths);
            }
            ReadPlainShortLengths(bits, positionCode, 14, 4, -1);
        }
        --left;
        const int c = charCode.Decode(bits);
        if (c < 256) {
            out.push_back(static_cast<uint8_t>(c));
            continue;
        }
        const int p = positionCode.Decode(bits);
        const size_t distance = (p == 0 ? 0 : (1u << (p - 1)) + bits.Get(p - 1)) + 1;
        if (distance > out.size()) throw std::runtime_error("copy from before the start");
        for (int i = 0; i < c - 253; ++i) out.push_back(out[out.size() - distance]);
    }
    return out;
}

// ---- data ----

Bytes Text(size_t size, unsigned seed = 1)
{
    static const char* words[] = {"folder", "archive", "image", "the ", "numbered", "sequence", "compress", "\r\n",
                                  "表示", "ソフト", "圧縮しました", ", ", "a", "of "};
    std::mt19937 random(seed);
    Bytes out;
    while (out.size() < size) {
        const std::string word = words[random() % std::size(words)];
        out.insert(out.end(), word.begin(), word.end());
        out.push_back(' ');
    }
    out.resize(size);
    return out;
}

Bytes Random(size_t size, unsigned seed = 2)
{
    std::mt19937 random(seed);
    Bytes out(size);
    for (auto& byte : out) byte = static_cast<uint8_t>(random());
    return out;
}

void ExpectRoundTrip(const Bytes& data, const Bytes& packed)
{
    EXPECT_EQ(Decode(packed, data.size()), data);
    EXPECT_EQ(PlainDecode(packed, data.size()), data);
}

} // namespace

TEST(Lh5Codec, RoundTripsTextRandomAndRepetitiveData)
{
    Bytes mixed = Text(40000, 7);
    const Bytes noise = Random(30000, 8);
    mixed.insert(mixed.end(), noise.begin(), noise.end());
    const Bytes tail = Text(50000, 9);
    mixed.insert(mixed.end(), tail.begin(), tail.end());
    Bytes abc;
    for (int i = 0; i < 100000; ++i) abc.push_back(static_cast<uint8_t>("abc"[i % 3]));
    const std::vector<Bytes> cases = {{}, {'x'}, {'a', 'b'}, Bytes(300000, 0), abc, Text(200000), Random(100000), mixed};
    for (const Bytes& data : cases) {
        SCOPED_TRACE(data.size());
        ExpectRoundTrip(data, Encode(data));
    }
    // The encoder compresses: text to well under half, runs to almost nothing.
    EXPECT_LT(Encode(Text(200000)).size(), 200000u * 45 / 100);
    EXPECT_LT(Encode(Bytes(300000, 0)).size(), 3000u);
    EXPECT_LT(Encode(Random(100000)).size(), 100000u + 1000);
}

TEST(Lh5Codec, MatchesReachBackOneWindowButNoFurther)
{
    for (size_t distance : {8190u, 8191u, 8192u, 8193u}) {
        SCOPED_TRACE(distance);
        Bytes data = Random(distance, 11);
        data.insert(data.end(), data.begin(), data.begin() + 4000);
        const Bytes packed = Encode(data);
        ExpectRoundTrip(data, packed);
        // Within reach the repeat costs a few bytes; beyond it, its full size.
        if (distance <= lh5::MaxDistance) EXPECT_LT(packed.size(), distance + 200);
        else EXPECT_GT(packed.size(), distance + 3900);
    }
}

TEST(Lh5Codec, BlockBoundariesAnywhere)
{
    const Bytes text = Text(60000, 3);
    for (uint32_t blockSymbols : {1u, 2u, 3u, 19u, 255u, 4096u, 65535u}) {
        SCOPED_TRACE(blockSymbols);
        ExpectRoundTrip(text, Encode(text, blockSymbols));
    }
    // Blocks of a single symbol kind: only one literal, only one distance.
    const Bytes same(5000, 'z');
    ExpectRoundTrip(same, Encode(same, 7));
}

TEST(Lh5Codec, OutputDoesNotDependOnHowInputIsFed)
{
    Bytes data = Text(150000, 5);
    const Bytes noise = Random(20000, 6);
    data.insert(data.begin() + 70000, noise.begin(), noise.end());
    const Bytes whole = Encode(data);
    for (size_t piece : {1u, 7u, 256u, 257u, 65536u, 131073u}) {
        SCOPED_TRACE(piece);
        EXPECT_EQ(Encode(data, lh5::MaxBlockSymbols, piece), whole);
    }
}

TEST(Lh5Codec, FlushedBlockInTheMiddleKeepsTheStreamWhole)
{
    const Bytes data = Text(100000, 12);
    TVectorOutput out;
    TLh5Encoder encoder(out);
    encoder.Write(data.data(), 65536);
    encoder.FlushBlock();
    EXPECT_GT(encoder.PackedBits(), 0u);
    EXPECT_LE(encoder.Consumed(), 65536u);
    encoder.Write(data.data() + 65536, data.size() - 65536);
    encoder.Finish();
    ExpectRoundTrip(data, out.Bytes);
}

TEST(Lh5Codec, DamagedStreamsFailCleanly)
{
    const Bytes data = Text(20000, 13);
    const Bytes packed = Encode(data, 1000);
    std::mt19937 random(14);
    int failures = 0;
    for (int round = 0; round < 300; ++round) {
        Bytes damaged = packed;
        if (round % 3 == 0) damaged.resize(random() % damaged.size());
        else damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
        try {
            const Bytes out = Decode(damaged, data.size());
            EXPECT_EQ(out.size(), data.size());
        } catch (const TLhaFormatError&) {
            ++failures;
        }
    }
    // Cut streams and damaged tables are caught here; the rest by the entry's CRC.
    EXPECT_GT(failures, 100);
}
