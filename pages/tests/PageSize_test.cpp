#include "pages/ImageCheck.h"
#include "pages/PageSize.h"
#include "tests/fixtures/ImageSamples.h"
#include "tests/fixtures/SamplePages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

// Remembers how far into the file it was read.
class TWatchedSource final : public TByteSource {
public:
    explicit TWatchedSource(const std::string& bytes) : Bytes(bytes) {}
    uint64_t Size() const override { return Bytes.size(); }
    bool ReadAt(uint64_t offset, void* buffer, size_t size) override
    {
        if (offset > Bytes.size() || size > Bytes.size() - offset) return false;
        std::memcpy(buffer, Bytes.data() + offset, size);
        Furthest = std::max<uint64_t>(Furthest, offset + size);
        return true;
    }
    const std::string& Bytes;
    uint64_t Furthest = 0;
};

TPageSize SizeOf(const std::string& bytes)
{
    TWatchedSource source(bytes);
    return ReadPageSize(source);
}

TPageVerdict Check(const std::string& bytes, TCheckDepth depth)
{
    TMemoryByteSource source(bytes.data(), bytes.size());
    return CheckImage(source, depth);
}

// The bitmap with its rows from the top: a negative height.
std::string TopDown(std::string bmp)
{
    int32_t height;
    std::memcpy(&height, bmp.data() + 22, 4);
    height = -height;
    std::memcpy(bmp.data() + 22, &height, 4);
    return bmp;
}

// A segment before the frame header as large as one can be, full of bytes that
// look like a frame header of another size.
std::string WithLargeSegment(const std::string& jpeg)
{
    std::string body;
    while (body.size() < 65000) body += std::string("\xFF\xC0\x00\x11\x08\x00\x07\x00\x09", 9);
    const size_t length = body.size() + 2;
    return jpeg.substr(0, 2) + "\xFF\xE5" + char(length >> 8) + char(length & 255) + body + jpeg.substr(2);
}

// Two zeros after the first segment, which decoders pass over before a marker.
std::string WithZerosAfterFirstSegment(const std::string& jpeg)
{
    const size_t end = 4 + (static_cast<uint8_t>(jpeg[4]) << 8 | static_cast<uint8_t>(jpeg[5]));
    return jpeg.substr(0, end) + std::string(2, '\0') + jpeg.substr(end);
}

} // namespace

// Every kind at both levels, and the header alone: the same width and height,
// found without reading past the header.
TEST(PageSize, FromTheHeaderOfEveryKindAtBothLevels)
{
    using namespace ImageSamples;
    const struct {
        const char* Name;
        std::string Bytes;
        TPageSize Size;
    } cases[] = {
        {"baseline", SamplePages::Page("baseline.jpg"), {250, 190}},
        {"progressive", SamplePages::Page("progressive.jpg"), {250, 190}},
        {"arithmetic", SamplePages::Page("arithmetic-large.jpg"), {400, 300}},
        {"grey", SamplePages::Page("grey.jpg"), {250, 190}},
        {"exif thumbnail passed over", SamplePages::Page("exif.jpg"), {250, 190}},
        {"mpf preview after the end", SamplePages::Page("mpf.jpg"), {250, 190}},
        {"fine progressive", SamplePages::Page("progressive-fine.jpg"), {160, 120}},
        {"large segment first", WithLargeSegment(SamplePages::Page("baseline.jpg")), {250, 190}},
        {"stray zeros before a marker", WithZerosAfterFirstSegment(SamplePages::Page("baseline.jpg")), {250, 190}},
        {"png", SamplePages::Page("page.png"), {180, 130}},
        {"gif", SamplePages::Page("page.gif"), {160, 120}},
        {"rle8", SamplePages::Page("rle8.bmp"), {120, 90}},
        {"rle4", SamplePages::Page("rle4.bmp"), {120, 90}},
        {"bmp", SampleBmp(), {4, 4}},
        {"top-down bmp", TopDown(SampleBmp()), {4, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        ASSERT_FALSE(c.Bytes.empty());
        TWatchedSource source(c.Bytes);
        EXPECT_EQ(ReadPageSize(source), c.Size);
        EXPECT_LT(source.Furthest, std::min<uint64_t>(c.Bytes.size(), 65600)) << "no further than the header";
        for (const TCheckDepth depth : {TCheckDepth::Quick, TCheckDepth::Deep}) {
            const TPageVerdict verdict = Check(c.Bytes, depth);
            EXPECT_TRUE(verdict.Whole());
            EXPECT_EQ(verdict.Size, c.Size);
        }
    }
}

TEST(PageSize, NoneWithoutAHeader)
{
    const std::string jpeg = SamplePages::Page("baseline.jpg");
    const size_t frame = jpeg.find("\xFF\xC0");
    const std::string png = SamplePages::Page("page.png");
    const struct {
        const char* Name;
        std::string Bytes;
    } cases[] = {
        {"empty", ""},
        {"no image", "hello, world"},
        {"jpeg cut before its frame", jpeg.substr(0, frame + 4)},
        {"jpeg without a frame", jpeg.substr(0, frame) + "\xFF\xD9"},
        {"png without IHDR first", png.substr(0, 12) + "IHDX" + png.substr(16)},
        {"gif cut in its screen", SamplePages::Page("page.gif").substr(0, 8)},
        {"bmp cut in its info header", ImageSamples::SampleBmp().substr(0, 20)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(SizeOf(c.Bytes), TPageSize{});
        EXPECT_EQ(Check(c.Bytes, TCheckDepth::Quick).Size, TPageSize{}) << "a page that is not whole has no size";
    }
}
