#include "pages/Crc32.h"
#include "pages/ImageCheck.h"
#include "pages/ImageCheckRemark.h"
#include "tests/fixtures/ImageSamples.h"
#include "tests/fixtures/SamplePages.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

TPageVerdict Check(const std::string& bytes, TCheckDepth depth)
{
    TMemoryByteSource source(bytes.data(), bytes.size());
    return CheckImage(source, depth);
}

bool Intact(TImageKind kind, const std::string& bytes, TCheckDepth depth = TCheckDepth::Quick)
{
    TMemoryByteSource source(bytes.data(), bytes.size());
    return IsIntactImage(kind, source, depth);
}

bool Quick(const std::string& bytes) { return Check(bytes, TCheckDepth::Quick).Whole(); }
bool Deep(const std::string& bytes) { return Check(bytes, TCheckDepth::Deep).Whole(); }

uint8_t At(const std::string& bytes, size_t i) { return static_cast<uint8_t>(bytes[i]); }

// Where a JPEG's compressed data lies: from the end of its first scan header
// to its end marker (the first after it: a marker cannot hide inside the data).
std::pair<size_t, size_t> ScanData(const std::string& jpeg)
{
    size_t at = 2;
    while (At(jpeg, at + 1) != 0xDA) at += 2 + (At(jpeg, at + 2) << 8 | At(jpeg, at + 3));
    const size_t begin = at + 2 + (At(jpeg, at + 2) << 8 | At(jpeg, at + 3));
    return {begin, jpeg.find("\xFF\xD9", begin)};
}

// The positions of a marker's 0xFF (a marker cannot hide inside compressed data).
std::vector<size_t> Markers(const std::string& jpeg, uint8_t marker)
{
    std::vector<size_t> found;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (At(jpeg, i) == 0xFF && At(jpeg, i + 1) == marker) found.push_back(i);
    return found;
}

std::string WithEndReplaced(const std::string& jpeg, const std::string& beforeEnd)
{
    const size_t end = ScanData(jpeg).second;
    return jpeg.substr(0, end) + beforeEnd + jpeg.substr(end);
}

std::vector<SamplePages::TPage> Pages(const char* extension)
{
    std::vector<SamplePages::TPage> pages;
    for (const SamplePages::TPage& page : SamplePages::All())
        if (page.Name.ends_with(extension)) pages.push_back(page);
    return pages;
}

struct Sample {
    const char* Name;
    TImageKind Kind;
    std::string Bytes;
};

std::vector<Sample> Samples()
{
    using namespace ImageSamples;
    return {{"jpeg", TImageKind::Jpeg, SampleJpeg()},
            {"progressive jpeg", TImageKind::Jpeg, SampleProgressiveJpeg()},
            {"png", TImageKind::Png, SamplePng()},
            {"gif", TImageKind::Gif, SampleGif()},
            {"bmp", TImageKind::Bmp, SampleBmp()}};
}

// A source whose reads fail, as a file on a vanished network share does.
class FailingSource final : public TByteSource {
public:
    explicit FailingSource(uint64_t size) : Length(size) {}
    uint64_t Size() const override { return Length; }
    bool ReadAt(uint64_t, void*, size_t) override { return false; }

private:
    uint64_t Length;
};

// A grey baseline JPEG of 8x8 blocks in a row, each a DC value alone, written
// with the standard's tables and no DHT (as a Motion-JPEG frame): its DC
// quantiser is 8, so the values lie within +-128.
std::string GreyBlocks(const std::vector<int>& dcValues)
{
    static const char* const DcCodes[] = {"00",     "010",     "011",      "100",       "101",       "110",
                                          "1110",   "11110",   "111110",   "1111110",   "11111110",  "111111110"};
    std::string bits;
    int previous = 0;
    for (const int value : dcValues) {
        const int diff = value - previous;
        previous = value;
        int size = 0;
        while ((1 << size) <= std::abs(diff)) ++size;
        bits += DcCodes[size];
        const int coded = diff < 0 ? diff + (1 << size) - 1 : diff;
        for (int b = size - 1; b >= 0; --b) bits += (coded >> b & 1) ? '1' : '0';
        bits += "1010";  // end of block
    }
    while (bits.size() % 8) bits += '1';
    std::string data;
    for (size_t i = 0; i < bits.size(); i += 8) {
        const char byte = static_cast<char>(std::stoi(bits.substr(i, 8), nullptr, 2));
        data += byte;
        if (byte == '\xFF') data += '\0';
    }
    const int width = static_cast<int>(8 * dcValues.size());
    std::string jpeg = "\xFF\xD8";
    jpeg += std::string("\xFF\xDB\x00\x43\x00", 5) + '\x08' + std::string(63, '\x01');
    jpeg += std::string("\xFF\xC0\x00\x0B\x08\x00\x08", 7) + char(width >> 8) + char(width & 255) + std::string("\x01\x01\x11\x00", 4);
    jpeg += std::string("\xFF\xDA\x00\x08\x01\x01\x00\x00\x3F\x00", 10);
    return jpeg + data + "\xFF\xD9";
}

} // namespace

TEST(ImageCheck, ThePageByItsNameTheKindByItsSignature)
{
    EXPECT_EQ(ImageKindOf("p01.jpg"), TImageKind::Jpeg);
    EXPECT_EQ(ImageKindOf("P01.JPEG"), TImageKind::Jpeg);
    EXPECT_EQ(ImageKindOf("a.b.Jpe"), TImageKind::Jpeg);
    EXPECT_EQ(ImageKindOf("表.jfif"), TImageKind::Jpeg);
    EXPECT_EQ(ImageKindOf("x.PnG"), TImageKind::Png);
    EXPECT_EQ(ImageKindOf("x.gif"), TImageKind::Gif);
    EXPECT_EQ(ImageKindOf("x.BMP"), TImageKind::Bmp);
    for (const char* other : {"x.txt", "jpg", "x.jpg.bak", "x.webp", "x."}) EXPECT_EQ(ImageKindOf(other), TImageKind::None) << other;
    EXPECT_TRUE(Intact(TImageKind::None, "")) << "names not checked are never damaged";

    // A PNG named .jpg, a JPEG named .png: read as what they are, as viewers do.
    EXPECT_TRUE(Intact(TImageKind::Jpeg, ImageSamples::SamplePng(), TCheckDepth::Deep));
    EXPECT_TRUE(Intact(TImageKind::Png, ImageSamples::SampleJpeg(), TCheckDepth::Deep));
    EXPECT_TRUE(Intact(TImageKind::Bmp, ImageSamples::SampleGif()));
    const struct {
        std::string Bytes;
        TPageFault Fault;
    } Cases[] = {
        {"", TPageFault::Empty},
        {"<html><body>404</body></html>", TPageFault::WrongKind},
        {std::string("RIFF\x10\0\0\0WEBPVP8 ", 16), TPageFault::WrongKind},
        {"\xFF", TPageFault::CutShort},
        {"\x89PNG\r", TPageFault::CutShort},
        {"GIF8", TPageFault::CutShort},
    };
    for (const auto& c : Cases) {
        for (const TCheckDepth depth : {TCheckDepth::Quick, TCheckDepth::Deep})
            EXPECT_EQ(Check(c.Bytes, depth).Fault, c.Fault) << c.Bytes;
    }
}

TEST(ImageCheck, RealImagesPassAndEveryCutOrUnreadableFileFails)
{
    for (const Sample& sample : Samples()) {
        EXPECT_TRUE(Intact(sample.Kind, sample.Bytes)) << sample.Name;
        EXPECT_TRUE(Intact(sample.Kind, sample.Bytes, TCheckDepth::Deep)) << sample.Name;
        for (size_t cut = 1; cut < sample.Bytes.size(); ++cut) {
            if (sample.Kind == TImageKind::Gif && cut + 1 == sample.Bytes.size()) continue;  // the trailer alone
            const std::string head = sample.Bytes.substr(0, cut);
            EXPECT_FALSE(Quick(head)) << sample.Name << " cut to " << cut;
            EXPECT_FALSE(Deep(head)) << sample.Name << " cut to " << cut;
        }
        FailingSource unreadable(sample.Bytes.size());
        EXPECT_EQ(CheckImage(unreadable).Fault, TPageFault::Unreadable) << sample.Name;
    }
    // A page cut in the middle of its data says so.
    for (const SamplePages::TPage& page : SamplePages::All()) {
        const std::string half = page.Bytes.substr(0, page.Bytes.size() / 2);
        EXPECT_EQ(Check(half, TCheckDepth::Quick).Fault, TPageFault::CutShort) << page.Name;
        EXPECT_EQ(Check(half, TCheckDepth::Deep).Fault, TPageFault::CutShort) << page.Name;
    }
}

TEST(ImageCheck, WhateverFollowsTheImageIsNotItsDamage)
{
    std::mt19937 random(32);
    std::string video = std::string("\0\0\0\x18" "ftypmp42", 12);
    for (int i = 0; i < 3000; ++i) video += static_cast<char>(random());
    const std::string trailers[] = {
        SamplePages::Page("baseline.jpg"),                          // a second picture
        std::string("\xFF\xE1\x00\x10MotionPhoto", 15) + video,     // a phone's block and a video
        video,
        "Edited with a phone\n",
        "\n",
        std::string(300, '\xFF'),
        std::string(100, '\0') + "\x01",
    };
    std::vector<SamplePages::TPage> pages = SamplePages::All();
    pages.push_back({"png", ImageSamples::SamplePng()});
    pages.push_back({"gif", ImageSamples::SampleGif()});
    for (const SamplePages::TPage& page : pages) {
        for (const std::string& trailer : trailers) {
            EXPECT_TRUE(Quick(page.Bytes + trailer)) << page.Name << " + " << trailer.size() << " bytes";
            EXPECT_TRUE(Deep(page.Bytes + trailer)) << page.Name << " + " << trailer.size() << " bytes";
        }
    }
    // A camera's multi-picture file: the preview image follows the main image's end.
    const std::string mpf = SamplePages::Page("mpf.jpg");
    ASSERT_GT(Markers(mpf, 0xD8).size(), 1u);
    EXPECT_TRUE(Quick(mpf));
    EXPECT_TRUE(Deep(mpf));
}

TEST(ImageCheck, WhatDecodersTolerateInsideAJpeg)
{
    for (const SamplePages::TPage& page : Pages(".jpg")) {
        const std::string& jpeg = page.Bytes;
        // A restart marker after the last block.
        for (const char* restart : {"\xFF\xD0", "\xFF\xD5"})
            EXPECT_TRUE(Deep(WithEndReplaced(jpeg, restart)) && Quick(WithEndReplaced(jpeg, restart))) << page.Name;
        // One to seven zero bytes before the end marker; eight are no marker any more.
        for (size_t zeros = 1; zeros <= 7; ++zeros) {
            EXPECT_TRUE(Quick(WithEndReplaced(jpeg, std::string(zeros, '\0')))) << page.Name << ", " << zeros << " zeros";
            EXPECT_TRUE(Deep(WithEndReplaced(jpeg, std::string(zeros, '\0')))) << page.Name << ", " << zeros << " zeros";
        }
        // (Zeros are what an arithmetic decoder is fed past its data: it cannot tell.)
        if (!page.Name.starts_with("arithmetic")) {
            EXPECT_FALSE(Deep(WithEndReplaced(jpeg, std::string(8, '\0')))) << page.Name;
        }
    }
    // A frame without Huffman tables: the standard's, as cjpeg wrote them before they were taken out.
    const std::string mjpeg = SamplePages::Page("mjpeg.jpg");
    ASSERT_TRUE(Markers(mjpeg, 0xC4).empty());
    EXPECT_TRUE(Deep(mjpeg));
    EXPECT_FALSE(Deep(mjpeg.substr(0, mjpeg.size() / 2) + "\xFF\xD9"));
}

TEST(ImageCheck, PngEveryFlippedByteAndChunkOrder)
{
    const std::string png = ImageSamples::SamplePng();
    for (size_t i = 0; i < png.size(); ++i) {
        std::string flipped = png;
        flipped[i] = static_cast<char>(flipped[i] ^ 0x10);
        EXPECT_FALSE(Quick(flipped)) << "byte " << i;
    }
    // Without its image data: IHDR, PLTE, IEND.
    const size_t idat = png.find("IDAT") - 4;
    const std::string noData = png.substr(0, idat) + png.substr(png.size() - 12);
    EXPECT_FALSE(Quick(noData)) << "no IDAT";
    // IEND moved in front of the image data.
    const size_t iend = png.size() - 12;
    EXPECT_FALSE(Quick(png.substr(0, 33) + png.substr(iend) + png.substr(33, iend - 33)));
    // The damaged chunk is named by its place.
    std::string crc = png;
    crc[idat + 10] = static_cast<char>(crc[idat + 10] ^ 1);
    EXPECT_EQ(Check(crc, TCheckDepth::Quick), TPageVerdict::DamagedAt(idat));
}

TEST(ImageCheck, GifBlocksAndBmpSizes)
{
    const std::string gif = ImageSamples::SampleGif();
    // Cut anywhere and ended by a stray 0x3B: only a walk through the blocks tells.
    for (size_t cut = 6; cut + 1 < gif.size(); ++cut)
        EXPECT_FALSE(Quick(gif.substr(0, cut) + ';')) << "cut to " << cut << ", then 0x3B";

    const std::string bmp = ImageSamples::SampleBmp();
    std::string declaredLarger = bmp;
    declaredLarger[2] = static_cast<char>(declaredLarger[2] + 1);
    EXPECT_FALSE(Quick(declaredLarger));
    std::string pixelsOutside = bmp;
    pixelsOutside[10] = static_cast<char>(bmp.size());
    EXPECT_FALSE(Quick(pixelsOutside));
    EXPECT_TRUE(Quick(bmp + "extra")) << "a declared size below the file's is whole";
    // A size field of 0, as many writers leave it: the header's dimensions tell.
    std::string noSize = bmp;
    noSize.replace(2, 4, 4, '\0');
    EXPECT_TRUE(Quick(noSize));
    EXPECT_FALSE(Quick(noSize.substr(0, noSize.size() / 2))) << "cut in half";
    EXPECT_FALSE(Quick(noSize.substr(0, noSize.size() - 1))) << "one byte short";
}

TEST(ImageCheck, DeepFindsDamageInsideJpegData)
{
    std::mt19937 random(20240607);
    for (const SamplePages::TPage& page : Pages(".jpg")) {
        const std::string& jpeg = page.Bytes;
        const auto [begin, end] = ScanData(jpeg);
        const size_t block = 512;
        ASSERT_GT(end - begin, 8 * block) << page.Name;
        for (const size_t at : {begin + 40, (begin + end - block) / 2, end - 2 * block}) {
            const std::string where = page.Name + " at " + std::to_string(at);
            std::string noise(block, '\0');
            for (char& c : noise) c = static_cast<char>(random());
            EXPECT_FALSE(Deep(jpeg.substr(0, at) + std::string(block, '\0') + jpeg.substr(at + block))) << where << ": zeros";
            EXPECT_FALSE(Deep(jpeg.substr(0, at) + noise + jpeg.substr(at + block))) << where << ": random bytes";
            if (at + 2 * block < end) {
                EXPECT_FALSE(Deep(jpeg.substr(0, at) + jpeg.substr(at + block))) << where << ": dropped";
                EXPECT_FALSE(Deep(jpeg.substr(0, at + block) + jpeg.substr(at))) << where << ": duplicated";
            }
        }
        // Cut in half and given its end back; named as damaged near the cut. (An
        // arithmetic decoder reads zeros past the data's end, so a progressive
        // file's last refinements may stop there unseen, as in every decoder.)
        if (page.Name == "arithmetic-progressive.jpg") continue;
        const TPageVerdict cut = Check(jpeg.substr(0, jpeg.size() / 2) + "\xFF\xD9", TCheckDepth::Deep);
        EXPECT_EQ(cut.Fault, TPageFault::Damaged) << page.Name;
        EXPECT_LE(cut.Offset, jpeg.size() / 2 + 2) << page.Name;
    }

    // Restart markers out of order.
    std::string restart = SamplePages::Page("restart.jpg");
    const std::vector<size_t> restarts = Markers(restart, 0xD2);
    ASSERT_FALSE(restarts.empty());
    restart[restarts.front() + 1] = '\xD3';
    EXPECT_FALSE(Deep(restart));
}

TEST(ImageCheck, DeepFindsBitFlipsInArithmeticData)
{
    // One flipped bit throws an arithmetic decoder off for the rest of the scan.
    for (const char* name : {"arithmetic-large.jpg", "arithmetic-progressive.jpg"}) {
        const std::string jpeg = SamplePages::Page(name);
        const auto [begin, end] = ScanData(jpeg);
        int found = 0, flips = 0;
        for (size_t at = begin + 16; at + 64 < end; at += 97, ++flips) {
            std::string flipped = jpeg;
            flipped[at] = static_cast<char>(flipped[at] ^ 0x08);
            if (!Deep(flipped)) ++found;
        }
        EXPECT_GE(found * 10, flips * 9) << name << ": " << found << " of " << flips;
    }
}

TEST(ImageCheck, DcValuesOutsideTheirRange)
{
    const struct {
        std::vector<int> Values;
        bool Whole;
    } Cases[] = {
        {{0, 0}, true},
        {{128, -128, 127}, true},
        {{100, 120, 90}, true},
        {{100, 250}, false},
        {{-200}, false},
        {{0, 0, 255}, false},
    };
    for (const auto& c : Cases) {
        const std::string jpeg = GreyBlocks(c.Values);
        EXPECT_TRUE(Quick(jpeg));
        EXPECT_EQ(Deep(jpeg), c.Whole) << c.Values.back();
    }
}

TEST(ImageCheck, DeepDecodesGifAndRleData)
{
    std::mt19937 random(35);
    const std::string gif = SamplePages::Page("page.gif");
    ASSERT_TRUE(Quick(gif) && Deep(gif));
    // Random bytes inside the image data, its sub-block lengths kept: the block
    // structure stays whole, only the decoding sees them.
    const size_t descriptor = gif.find(',', 13 + (At(gif, 10) & 0x80 ? 3u << ((At(gif, 10) & 7) + 1) : 0u));
    ASSERT_EQ(At(gif, descriptor + 9) & 0x80, 0) << "no local colour table";
    std::vector<size_t> data;  // the positions of the image's data bytes
    for (size_t at = descriptor + 11; At(gif, at) != 0; at += 1 + At(gif, at))
        for (size_t i = at + 1; i <= at + At(gif, at); ++i) data.push_back(i);
    ASSERT_GT(data.size(), 6000u);
    // A long comment first: the image data crosses the place where the reader
    // takes its next block (and a long trailer fills that block).
    std::string comment = "\x21\xFE";
    for (int i = 0; i < 200; ++i) comment += '\xFF' + std::string(255, 'c');
    EXPECT_TRUE(Deep(gif.substr(0, descriptor) + comment + '\0' + gif.substr(descriptor) + std::string(70000, 'x')));
    for (const size_t first : {size_t(100), data.size() / 2, data.size() - 1000}) {
        std::string noisy = gif;
        for (size_t i = first; i < first + 512; ++i) noisy[data[i]] = static_cast<char>(random());
        EXPECT_TRUE(Quick(noisy)) << first;
        EXPECT_FALSE(Deep(noisy)) << "random bytes from data byte " << first;
    }
    for (const char* name : {"rle8.bmp", "rle4.bmp"}) {
        const std::string bmp = SamplePages::Page(name);
        ASSERT_TRUE(Quick(bmp) && Deep(bmp)) << name;
        const size_t pixels = At(bmp, 10) | At(bmp, 11) << 8;
        // Runs longer than the bitmap, and the end-of-bitmap code lost.
        std::string longRuns = bmp;
        for (size_t i = pixels; i < pixels + 400; i += 2) longRuns[i] = '\xFF';
        EXPECT_TRUE(Quick(longRuns)) << name;
        EXPECT_FALSE(Deep(longRuns)) << name;
        EXPECT_EQ(Check(bmp.substr(0, bmp.size() - 2), TCheckDepth::Deep).Fault, TPageFault::CutShort) << name;
    }
}

TEST(ImageCheck, TheRemarkNamesThePageAndWhatIsWrong)
{
    const struct {
        TPageVerdict Verdict;
        std::string Remark;
    } Cases[] = {
        {{TPageFault::CutShort}, "003.jpg 途中で切れています"},
        {TPageVerdict::DamagedAt(4095), "003.jpg 4096 バイト目付近のデータが壊れています"},
        {{TPageFault::Damaged}, "003.jpg データが壊れています"},
        {{TPageFault::WrongKind}, "003.jpg JPEG・PNG・GIF・BMPのどれでもありません"},
        {{TPageFault::Empty}, "003.jpg 空のファイルです"},
        {{TPageFault::Unreadable}, "003.jpg 読み取れません"},
    };
    for (const auto& c : Cases) EXPECT_EQ(DamagedPageRemark("003.jpg", c.Verdict), c.Remark);
}

TEST(ImageCheck, Crc32KnownValues)
{
    EXPECT_EQ(Crc32Continue(0, "123456789", 9), 0xCBF43926u);
    const std::string text = "The quick brown fox jumps over the lazy dog";
    EXPECT_EQ(Crc32Continue(Crc32Continue(0, text.data(), 10), text.data() + 10, text.size() - 10),
              Crc32Continue(0, text.data(), text.size()));
}

namespace {

// The positions of a RLE8 bitmap's end-of-line codes, from its first run.
std::vector<size_t> EndsOfLines(const std::string& bmp)
{
    std::vector<size_t> ends;
    for (size_t at = At(bmp, 10) | At(bmp, 11) << 8; at + 1 < bmp.size(); at += 2) {
        const uint8_t count = At(bmp, at), code = At(bmp, at + 1);
        if (count > 0) continue;
        if (code == 0) ends.push_back(at);
        if (code == 1) break;
        if (code == 2) at += 2;
        if (code > 2) at += code + (code & 1);
    }
    return ends;
}

// An RLE8 bitmap of width x height in runs of one colour, each row ended, then
// the end of the bitmap; the declared data size as given.
std::string RunsBitmap(int width, int height, int endAfterRow, bool declareSize)
{
    std::string data;
    for (int y = 0; y < height && y <= endAfterRow; ++y) {
        data += char(width) + std::string(1, char(y));
        if (y < endAfterRow || endAfterRow == height - 1) data += std::string(2, '\0');
    }
    data += std::string("\x00\x01", 2);
    std::string info(40, '\0');
    const auto put = [](std::string& s, size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) s[at + i] = char(v >> 8 * i);
    };
    put(info, 0, 40);
    put(info, 4, uint32_t(width));
    put(info, 8, uint32_t(height));
    info[12] = 1;
    info[14] = 8;
    put(info, 16, 1);
    put(info, 20, declareSize ? uint32_t(data.size()) : 0);
    const std::string palette(4 * 256, '\x40');
    std::string header(14, '\0');
    header[0] = 'B', header[1] = 'M';
    put(header, 2, uint32_t(14 + 40 + palette.size() + data.size()));
    put(header, 10, uint32_t(14 + 40 + palette.size()));
    return header + info + palette + data;
}

} // namespace

// What every decoder opens with the same pixels is whole: progressive files
// whose scan script stops refining early, ImageMagick's RLE8 rows coded with
// their padding, a GIF without its trailer byte.
TEST(ImageCheck, WhatEveryDecoderOpensIsWhole)
{
    const auto withoutLastScans = [](const char* name, size_t missing) {
        const std::string jpeg = SamplePages::Page(name);
        const std::vector<size_t> scans = Markers(jpeg, 0xDA);
        return jpeg.substr(0, scans[scans.size() - missing]) + "\xFF\xD9";
    };
    const std::string gif = SamplePages::Page("page.gif");
    const struct {
        const char* Name;
        std::string Bytes;
    } cases[] = {
        {"DC alone", SamplePages::Page("scans-dc.jpeg")},
        {"low bands alone", SamplePages::Page("scans-low.jpeg")},
        {"no final refinement", SamplePages::Page("scans-unrefined.jpeg")},
        {"last scan missing", withoutLastScans("progressive.jpg", 1)},
        {"last three scans missing", withoutLastScans("progressive-fine.jpg", 3)},
        {"arithmetic, last three missing", withoutLastScans("arithmetic-progressive.jpg", 3)},
        {"RLE8 width 1", SamplePages::Page("rle8-w1.bmp")},
        {"RLE8 width 5", SamplePages::Page("rle8-w5.bmp")},
        {"RLE8 width 7", SamplePages::Page("rle8-w7.bmp")},
        {"RLE8 width 13", SamplePages::Page("rle8-w13.bmp")},
        {"RLE8 width 333", SamplePages::Page("rle8-w333.bmp")},
        {"RLE8 ended in its last row", RunsBitmap(20, 6, 5, false)},
        {"RLE8 ended at its declared size", RunsBitmap(20, 6, 2, true)},
        {"GIF without trailer", gif.substr(0, gif.size() - 1)},
        {"small GIF without trailer", ImageSamples::SampleGif().substr(0, ImageSamples::SampleGif().size() - 1)},
    };
    for (const auto& c : cases) {
        ASSERT_GT(c.Bytes.size(), 40u) << c.Name;
        EXPECT_TRUE(Quick(c.Bytes)) << c.Name;
        EXPECT_TRUE(Deep(c.Bytes)) << c.Name;
    }
    // But not a GIF whose frame lost its end, nor a progressive file without a DC.
    EXPECT_EQ(Check(gif.substr(0, gif.size() - 2), TCheckDepth::Quick).Fault, TPageFault::CutShort);
    EXPECT_EQ(Check(gif.substr(0, gif.size() - 2), TCheckDepth::Deep).Fault, TPageFault::CutShort);
    const std::string progressive = SamplePages::Page("progressive.jpg");
    EXPECT_FALSE(Deep(progressive.substr(0, Markers(progressive, 0xDA).front()) + "\xFF\xD9"));
}

// An end-of-bitmap code before the last row (bytes of something else that hold
// 00 01) loses the rows after it: damage, named where the code stands.
TEST(ImageCheck, AnEndOfBitmapBeforeTheLastRowIsDamage)
{
    const std::string bmp = SamplePages::Page("rle8.bmp");
    const std::vector<size_t> ends = EndsOfLines(bmp);
    ASSERT_EQ(ends.size(), 90u);
    for (const size_t row : {size_t(0), size_t(22), size_t(88)}) {
        std::string early = bmp;
        early[ends[row] + 1] = '\x01';
        EXPECT_TRUE(Quick(early)) << row;
        EXPECT_EQ(Check(early, TCheckDepth::Deep), TPageVerdict::DamagedAt(ends[row])) << row;
    }
    const std::string handMade = RunsBitmap(20, 6, 2, false);
    EXPECT_EQ(Check(handMade, TCheckDepth::Deep), TPageVerdict::DamagedAt(handMade.size() - 2));
    // A run's count grown far past its row: the rows it wraps into count, and the
    // end-of-line codes that follow run past the bitmap's end.
    std::string wrapped = bmp;
    const size_t firstRun = ends[44] + 2;
    ASSERT_NE(At(wrapped, firstRun), 0);
    wrapped[firstRun] = '\xFF';
    wrapped[firstRun + 2] = '\xFF';
    wrapped[firstRun + 4] = '\xFF';
    EXPECT_FALSE(Deep(wrapped));
}

// The byte named is where a decoder first fails, not the start of the frame.
TEST(ImageCheck, TheDamageIsNamedWhereTheDecoderFails)
{
    std::mt19937 random(41);
    const std::string gif = SamplePages::Page("page.gif");
    const size_t descriptor = gif.find(',', 13 + (At(gif, 10) & 0x80 ? 3u << ((At(gif, 10) & 7) + 1) : 0u));
    for (const size_t at : {gif.size() / 3, gif.size() / 2, gif.size() * 3 / 4}) {
        std::string noisy = gif;
        for (size_t i = at; i < at + 200; ++i) noisy[i] = static_cast<char>(random());
        const TPageVerdict verdict = Check(noisy, TCheckDepth::Deep);
        ASSERT_EQ(verdict.Fault, TPageFault::Damaged) << at;
        EXPECT_GT(verdict.Offset + 2, at) << "the frame starts at " << descriptor;
        EXPECT_LT(verdict.Offset, at + 2048);
    }
    // Sub-blocks that end before the frame's pixels do: the decoder fails at their end.
    std::vector<size_t> lengths;
    for (size_t at = descriptor + 11; At(gif, at) != 0; at += 1 + At(gif, at)) lengths.push_back(at);
    const std::string early = gif.substr(0, lengths[lengths.size() / 2]) + std::string(1, '\0') + ";";
    EXPECT_EQ(Check(early, TCheckDepth::Deep), TPageVerdict::DamagedAt(lengths[lengths.size() / 2]));
}
