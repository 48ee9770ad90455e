#include "engine/Crc32.h"
#include "engine/ImageCheck.h"
#include "tests/fixtures/ImageSamples.h"
#include "tests/fixtures/SamplePages.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

bool Intact(TImageKind kind, const std::string& bytes, TCheckDepth depth = TCheckDepth::Quick)
{
    TMemoryByteSource source(bytes.data(), bytes.size());
    return IsIntactImage(kind, source, depth);
}

bool Deep(const std::string& jpeg) { return Intact(TImageKind::Jpeg, jpeg, TCheckDepth::Deep); }

// Where a page's compressed data lies: from the end of its first scan header
// to its end marker.
std::pair<size_t, size_t> ScanData(const std::string& jpeg)
{
    size_t at = 2;
    while (static_cast<uint8_t>(jpeg[at + 1]) != 0xDA)
        at += 2 + (static_cast<uint8_t>(jpeg[at + 2]) << 8 | static_cast<uint8_t>(jpeg[at + 3]));
    return {at + 2 + (static_cast<uint8_t>(jpeg[at + 2]) << 8 | static_cast<uint8_t>(jpeg[at + 3])), jpeg.size() - 2};
}

// The positions of a marker's 0xFF (a marker cannot hide inside compressed data).
std::vector<size_t> Markers(const std::string& jpeg, uint8_t marker)
{
    std::vector<size_t> found;
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (static_cast<uint8_t>(jpeg[i]) == 0xFF && static_cast<uint8_t>(jpeg[i + 1]) == marker) found.push_back(i);
    return found;
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

} // namespace

TEST(ImageCheck, KindByExtensionWithoutRegardToCase)
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
}

TEST(ImageCheck, RealImagesPassAndEveryCutOrEmptyFileFails)
{
    for (const Sample& sample : Samples()) {
        EXPECT_TRUE(Intact(sample.Kind, sample.Bytes)) << sample.Name;
        EXPECT_FALSE(Intact(sample.Kind, "")) << sample.Name << ": zero bytes";
        EXPECT_TRUE(Intact(sample.Kind, sample.Bytes, TCheckDepth::Deep)) << sample.Name;
        for (size_t cut = 0; cut < sample.Bytes.size(); ++cut) {
            const std::string head = sample.Bytes.substr(0, cut);
            EXPECT_FALSE(Intact(sample.Kind, head)) << sample.Name << " cut to " << cut;
            EXPECT_FALSE(Intact(sample.Kind, head, TCheckDepth::Deep)) << sample.Name << " cut to " << cut;
        }
        FailingSource unreadable(sample.Bytes.size());
        EXPECT_FALSE(IsIntactImage(sample.Kind, unreadable)) << sample.Name << ": unreadable";
    }
}

TEST(ImageCheck, JpegEndAndSegments)
{
    const std::string jpeg = ImageSamples::SampleJpeg();
    EXPECT_TRUE(Intact(TImageKind::Jpeg, jpeg + std::string(5000, '\0'))) << "trailing zeros after the end marker";
    EXPECT_FALSE(Intact(TImageKind::Jpeg, jpeg + "junk"));
    // A copy that stopped halfway and left the rest of the file zero-filled.
    std::string zeroFilled = jpeg;
    std::fill(zeroFilled.begin() + 200, zeroFilled.end(), '\0');
    EXPECT_FALSE(Intact(TImageKind::Jpeg, zeroFilled));
    // The first segment's length reaches past the end of the file.
    std::string longSegment = jpeg;
    longSegment[4] = '\x7F';
    EXPECT_FALSE(Intact(TImageKind::Jpeg, longSegment));
    EXPECT_FALSE(Intact(TImageKind::Jpeg, "\xFF\xD8\xFF\xD9")) << "an end without a scan";
    EXPECT_FALSE(Intact(TImageKind::Jpeg, ImageSamples::SamplePng())) << "another format under a JPEG name";
}

TEST(ImageCheck, PngEveryFlippedByteAndChunkOrder)
{
    const std::string png = ImageSamples::SamplePng();
    for (size_t i = 0; i < png.size(); ++i) {
        std::string flipped = png;
        flipped[i] = static_cast<char>(flipped[i] ^ 0x10);
        EXPECT_FALSE(Intact(TImageKind::Png, flipped)) << "byte " << i;
    }
    EXPECT_TRUE(Intact(TImageKind::Png, png + std::string(300, '\0'))) << "zeros after IEND, as after a JPEG's end";
    EXPECT_FALSE(Intact(TImageKind::Png, png + '\x01')) << "other bytes after IEND";
    // Without its image data: IHDR, PLTE, IEND.
    const size_t idat = png.find("IDAT") - 4;
    const std::string noData = png.substr(0, idat) + png.substr(png.size() - 12);
    EXPECT_FALSE(Intact(TImageKind::Png, noData)) << "no IDAT";
    // IEND moved in front of the image data: the chain no longer ends with it.
    const size_t iend = png.size() - 12;
    const std::string reordered = png.substr(0, 33) + png.substr(iend) + png.substr(33, iend - 33);
    EXPECT_FALSE(Intact(TImageKind::Png, reordered));
}

TEST(ImageCheck, GifTrailerAndBmpSizes)
{
    const std::string gif = ImageSamples::SampleGif();
    EXPECT_FALSE(Intact(TImageKind::Gif, gif.substr(0, gif.size() - 1))) << "missing trailer";
    EXPECT_FALSE(Intact(TImageKind::Gif, "GIF88a" + gif.substr(6)));
    // Cut anywhere and ended by a stray 0x3B: only a walk through the blocks tells.
    for (size_t cut = 6; cut + 1 < gif.size(); ++cut)
        EXPECT_FALSE(Intact(TImageKind::Gif, gif.substr(0, cut) + ';')) << "cut to " << cut << ", then 0x3B";
    EXPECT_TRUE(Intact(TImageKind::Gif, gif + std::string(100, '\0'))) << "zeros after the trailer";
    EXPECT_FALSE(Intact(TImageKind::Gif, gif + "GIF")) << "other bytes after the trailer";

    const std::string bmp = ImageSamples::SampleBmp();
    std::string declaredLarger = bmp;
    declaredLarger[2] = static_cast<char>(declaredLarger[2] + 1);
    EXPECT_FALSE(Intact(TImageKind::Bmp, declaredLarger));
    std::string pixelsOutside = bmp;
    pixelsOutside[10] = static_cast<char>(bmp.size());
    EXPECT_FALSE(Intact(TImageKind::Bmp, pixelsOutside));
    EXPECT_TRUE(Intact(TImageKind::Bmp, bmp + "extra")) << "a declared size below the file's is whole";
    // A size field of 0, as many writers leave it: the header's dimensions tell.
    std::string noSize = bmp;
    noSize.replace(2, 4, 4, '\0');
    EXPECT_TRUE(Intact(TImageKind::Bmp, noSize));
    EXPECT_FALSE(Intact(TImageKind::Bmp, noSize.substr(0, noSize.size() / 2))) << "cut in half";
    EXPECT_FALSE(Intact(TImageKind::Bmp, noSize.substr(0, noSize.size() - 1))) << "one byte short";
}

TEST(ImageCheck, SamplePagesPassBothLevelsAndEveryCutFailsTheDeepOne)
{
    ASSERT_GE(SamplePages::All().size(), 8u);
    for (const SamplePages::TPage& page : SamplePages::All()) {
        EXPECT_TRUE(Intact(TImageKind::Jpeg, page.Bytes)) << page.Name;
        EXPECT_TRUE(Deep(page.Bytes)) << page.Name;
        EXPECT_TRUE(Deep(page.Bytes + std::string(4096, '\0'))) << page.Name << ": zeros after the end";
        // (An arithmetic-coded page gets the quick check, which reads only the tail.)
        if (page.Name != "arithmetic.jpg") {
            EXPECT_FALSE(Deep(page.Bytes + "\xFF\xD9")) << page.Name << ": bytes after the end";
        }
        for (size_t cut = 0; cut + 2 < page.Bytes.size(); cut += 61)
            EXPECT_FALSE(Deep(page.Bytes.substr(0, cut))) << page.Name << " cut to " << cut;
    }
}

TEST(ImageCheck, DeepFindsDamageInsideTheCompressedData)
{
    std::mt19937 random(20240607);
    for (const SamplePages::TPage& page : SamplePages::All()) {
        if (page.Name == "arithmetic.jpg") continue;  // not decoded: the quick check's
        const std::string& jpeg = page.Bytes;
        const auto [begin, end] = ScanData(jpeg);
        const size_t block = 1024;
        ASSERT_GT(end - begin, 4 * block) << page.Name;
        for (const size_t at : {begin + 40, (begin + end - block) / 2, end - block - 40}) {
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
        EXPECT_FALSE(Deep(jpeg.substr(0, jpeg.size() / 2) + "\xFF\xD9")) << page.Name << ": cut in half, end put back";
    }

    // A progressive page without its last scans, its end put back.
    const std::string progressive = SamplePages::Page("progressive.jpg");
    const std::vector<size_t> scans = Markers(progressive, 0xDA);
    ASSERT_GE(scans.size(), 6u);
    for (const size_t missing : {1, 3})
        EXPECT_FALSE(Deep(progressive.substr(0, scans[scans.size() - missing]) + "\xFF\xD9")) << missing << " scans missing";

    // Restart markers out of order.
    std::string restart = SamplePages::Page("restart.jpg");
    const std::vector<size_t> restarts = Markers(restart, 0xD2);
    ASSERT_FALSE(restarts.empty());
    restart[restarts.front() + 1] = '\xD3';
    EXPECT_FALSE(Deep(restart));

    // An arithmetic-coded page gets the quick check: whole passes, cut short fails.
    const std::string arithmetic = SamplePages::Page("arithmetic.jpg");
    EXPECT_TRUE(Deep(arithmetic));
    EXPECT_FALSE(Deep(arithmetic.substr(0, arithmetic.size() - 100)));
}

TEST(ImageCheck, Crc32KnownValues)
{
    EXPECT_EQ(Crc32Continue(0, "123456789", 9), 0xCBF43926u);
    const std::string text = "The quick brown fox jumps over the lazy dog";
    EXPECT_EQ(Crc32Continue(Crc32Continue(0, text.data(), 10), text.data() + 10, text.size() - 10),
              Crc32Continue(0, text.data(), text.size()));
}
