#include "engine/Crc32.h"
#include "engine/ImageCheck.h"
#include "tests/fixtures/ImageSamples.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool Intact(TImageKind kind, const std::string& bytes)
{
    TMemoryByteSource source(bytes.data(), bytes.size());
    return IsIntactImage(kind, source);
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
        for (size_t cut = 0; cut < sample.Bytes.size(); ++cut) {
            const std::string head = sample.Bytes.substr(0, cut);
            // A GIF cut just after a byte 0x3B looks ended: only its trailer tells.
            if (sample.Kind == TImageKind::Gif && cut > 0 && head.back() == 0x3B) continue;
            EXPECT_FALSE(Intact(sample.Kind, head)) << sample.Name << " cut to " << cut;
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
    EXPECT_FALSE(Intact(TImageKind::Png, png + '\0')) << "bytes after IEND";
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

    const std::string bmp = ImageSamples::SampleBmp();
    std::string declaredLarger = bmp;
    declaredLarger[2] = static_cast<char>(declaredLarger[2] + 1);
    EXPECT_FALSE(Intact(TImageKind::Bmp, declaredLarger));
    std::string pixelsOutside = bmp;
    pixelsOutside[10] = static_cast<char>(bmp.size());
    EXPECT_FALSE(Intact(TImageKind::Bmp, pixelsOutside));
    EXPECT_TRUE(Intact(TImageKind::Bmp, bmp + "extra")) << "a declared size below the file's is whole";
}

TEST(ImageCheck, Crc32KnownValues)
{
    EXPECT_EQ(Crc32Continue(0, "123456789", 9), 0xCBF43926u);
    const std::string text = "The quick brown fox jumps over the lazy dog";
    EXPECT_EQ(Crc32Continue(Crc32Continue(0, text.data(), 10), text.data() + 10, text.size() - 10),
              Crc32Continue(0, text.data(), text.size()));
}
