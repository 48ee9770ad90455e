// The zip writer fed by the deflate pipeline and the 7z writer fed by the solid
// LZMA pipeline, read back by our own readers and, natively, by Debian's unzip and 7z.
#include "archiver/common/ArchiverError.h"
#include "archiver/common/Crc32.h"
#include "archiver/sevenzip/DeflatePipeline.h"
#include "archiver/sevenzip/SevenZipFormat.h"
#include "archiver/sevenzip/SolidPipeline.h"
#include "archiver/sevenzip/Utf16.h"
#include "archiver/sevenzip/ZipFormat.h"

#include "SampleBytes.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace {

class TStringReader final : public TDataReader {
public:
    explicit TStringReader(std::string data) : Data(std::move(data)) {}
    size_t Read(void* out, size_t size) override
    {
        const size_t step = std::min(size, Data.size() - At);
        std::memcpy(out, Data.data() + At, step);
        At += step;
        return step;
    }

private:
    std::string Data;
    size_t At = 0;
};

struct TSample {
    std::string Name;  // UTF-8
    std::string Data;
    bool IsDirectory = false;
};

std::vector<TSample> Samples()
{
    return {
        {"empty.txt", ""},
        {"one.txt", "x"},
        {"\xE8\xA1\xA8", "", true},                                             // 表
        {"\xE8\xA1\xA8/\xE3\x82\xBD.txt", Text(200000)},                        // 表/ソ.txt, several chunks
        {"\xE8\xA1\xA8/noise.bin", Noise(150000, 7)},                           // stored: deflate does not pay
        {"\xE8\xA1\xA8/mixed.bin", Text(70000) + Noise(90000, 3) + Text(50000)}, // deflated across a noisy middle
        {"exact.bin", Text(40000)},                                              // exactly one chunk
        {"deep/a/b/c.txt", Text(123)},
        {"deep/empty dir", "", true},
    };
}

std::vector<TPipelineEntry> Entries(const std::vector<TSample>& samples)
{
    std::vector<TPipelineEntry> entries;
    for (const TSample& sample : samples) {
        TPipelineEntry entry;
        entry.Entry.Name = sample.Name;
        entry.Entry.DisplayName = sample.Name;
        entry.Entry.IsDirectory = sample.IsDirectory;
        entry.Entry.Attributes = sample.IsDirectory ? 0x10 : 0x20;
        entry.Entry.LastWriteTime = 133000000000000000ULL;
        entry.Entry.DosDateTime = (45u << 25) | (6u << 21) | (15u << 16) | (12u << 11);
        entry.Entry.UnixTime = 1700000000;
        entry.Entry.SizeHint = sample.Data.size();
        if (!sample.IsDirectory) {
            const std::string data = sample.Data;
            entry.Open = [data] { return std::make_unique<TStringReader>(data); };
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

enum class TKind { Zip, SevenZip };

std::vector<uint8_t> MakeArchive(TKind kind, const std::vector<TSample>& samples, int level, std::vector<TEntryDigest>& written,
                                 bool forceZip64 = false)
{
    TMemorySink sink;
    if (kind == TKind::Zip) {
        TZipWriter writer(sink, forceZip64);
        TPipelineOptions options;
        options.Level = level;
        options.Threads = 2;
        options.ChunkSize = 40000;  // small chunks: many dictionary joins
        written = RunDeflatePipeline(Entries(samples), writer, options);
        writer.Finish();
    } else {
        TSevenZipWriter writer(sink);
        TSolidOptions options;
        options.Level = level;
        options.Threads = 2;
        options.BlockSize = 150000;  // small blocks: several folders of several files
        options.BufferLimit = 60000;  // and some written directly
        written = RunSolidPipeline(Entries(samples), writer, options);
        writer.Finish();
    }
    return sink.Bytes;
}

// The 7z writer lists files by folder, not in the order given: match by name.
const TSample& SampleNamed(const std::vector<TSample>& samples, const std::string& name)
{
    for (const TSample& sample : samples) {
        if (sample.Name == name) return sample;
    }
    throw std::runtime_error("no sample " + name);
}

std::vector<TEntryDigest> ReadBack(TKind kind, const std::vector<uint8_t>& bytes)
{
    const TMemorySource source(bytes);
    return kind == TKind::Zip ? ReadZipDigests(source) : ReadSevenZipDigests(source);
}

#ifndef _WIN32
// Runs a shell command; true when it exits 0.
bool Shell(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

struct TScratch {
    TScratch()
    {
        char name[] = "/tmp/archiver-formats-XXXXXX";
        Path = mkdtemp(name);
    }
    ~TScratch() { Shell("rm -rf '" + Path + "'"); }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const
    {
        const std::string path = Path + "/" + name;
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }
    std::string Path;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
#endif

} // namespace

TEST(ArchiveFormats, EveryKindAndLevelReadsBackAsWritten)
{
    const std::vector<TSample> samples = Samples();
    for (TKind kind : {TKind::Zip, TKind::SevenZip}) {
        for (int level : {0, 1, 6, 9}) {
            std::vector<TEntryDigest> written;
            const std::vector<uint8_t> bytes = MakeArchive(kind, samples, level, written);
            ASSERT_EQ(written.size(), samples.size());
            for (size_t i = 0; i < samples.size(); ++i) {
                const TSample& sample = kind == TKind::Zip ? samples[i] : SampleNamed(samples, written[i].Name);
                EXPECT_EQ(written[i].Name, sample.Name);
                EXPECT_EQ(written[i].IsDirectory, sample.IsDirectory) << sample.Name;
                EXPECT_EQ(written[i].Size, sample.Data.size());
                EXPECT_EQ(written[i].Crc, Crc32Update(0, sample.Data.data(), sample.Data.size()));
            }
            EXPECT_NO_THROW(CompareEntryDigests(written, ReadBack(kind, bytes))) << "kind " << int(kind) << " level " << level;
        }
    }
}

TEST(ArchiveFormats, PackOnlyWherePays)
{
    std::vector<TEntryDigest> written;
    const std::vector<TSample> samples = Samples();
    const std::vector<uint8_t> zip = MakeArchive(TKind::Zip, samples, 6, written);
    // Text shrinks far below its size; noise is stored: the archive holds it whole plus headers.
    size_t total = 0;
    for (const TSample& s : samples) total += s.Data.size();
    EXPECT_LT(zip.size(), total / 2);
    const std::vector<uint8_t> stored = MakeArchive(TKind::Zip, samples, 0, written);
    EXPECT_GT(stored.size(), total);
    const std::vector<TSample> noise{{"n.bin", Noise(300000, 1)}};
    for (TKind kind : {TKind::Zip, TKind::SevenZip}) {
        EXPECT_LT(MakeArchive(kind, noise, 9, written).size(), 300000u + 200u) << int(kind);
    }
    // LZMA finds what deflate's 32 KiB window cannot: pages repeated 100 KiB apart.
    const std::string page = Text(20000) + Noise(80000, 9);
    const std::vector<TSample> repeated{{"a.bin", page + page + page + page}};
    EXPECT_LT(MakeArchive(TKind::SevenZip, repeated, 5, written).size(), 110000u);
}

TEST(ArchiveFormats, SolidPipelineStopsWhenProgressThrows)
{
    // A cancel arrives through the progress call while the workers are inside
    // their blocks: they stop and the exception reaches the caller.
    const std::vector<TSample> samples{{"a.txt", Text(6 << 20)}, {"b.txt", Text(6 << 20)}};
    TMemorySink sink;
    TSevenZipWriter writer(sink);
    TSolidOptions options;
    options.Threads = 2;
    int calls = 0;
    options.Progress = [&](size_t, const TArchiveEntry&, uint64_t) {
        if (++calls == 3) throw std::runtime_error("cancel");
    };
    EXPECT_THROW(RunSolidPipeline(Entries(samples), writer, options), std::runtime_error);
    EXPECT_EQ(calls, 3);
}

TEST(ArchiveFormats, DamageIsFound)
{
    const std::vector<TSample> samples = Samples();
    for (TKind kind : {TKind::Zip, TKind::SevenZip}) {
        std::vector<TEntryDigest> written;
        const std::vector<uint8_t> good = MakeArchive(kind, samples, 6, written);
        // A flipped byte in a local or signature header, in the data, in the end
        // record or header; a cut-off end.
        for (size_t at : {size_t{20}, good.size() / 3, good.size() / 2, good.size() - 10}) {
            std::vector<uint8_t> bad = good;
            bad[at] ^= 0x41;
            bool found = false;
            try {
                CompareEntryDigests(written, ReadBack(kind, bad));
            } catch (const TArchiverError& error) {
                found = error.Code == ArchiverVerifyError;
            }
            EXPECT_TRUE(found) << "kind " << int(kind) << " byte " << at;
        }
        std::vector<uint8_t> cut(good.begin(), good.end() - 10);
        EXPECT_THROW(ReadBack(kind, cut), TArchiverError);
    }
    // The comparison itself names what differs.
    std::vector<TEntryDigest> a{{"x", "x", false, 1, 2}}, b = a;
    b[0].Crc = 3;
    try {
        CompareEntryDigests(a, b);
        ADD_FAILURE();
    } catch (const TArchiverError& error) {
        EXPECT_STREQ(error.what(), "書庫の検査に失敗しました(CRCが違います): x");
    }
    EXPECT_THROW(CompareEntryDigests(a, {}), TArchiverError);
    EXPECT_THROW(CompareEntryDigests({}, a), TArchiverError);
}

TEST(ArchiveFormats, ZipNameLongerThanItsLengthFieldIsRefused)
{
    std::vector<TEntryDigest> written;
    const std::string longest(0xFFFF, 'n');
    EXPECT_EQ(ReadBack(TKind::Zip, MakeArchive(TKind::Zip, {{longest, Text(100)}}, 6, written)).at(0).Name, longest);
    try {
        MakeArchive(TKind::Zip, {{longest + "n", Text(100)}}, 6, written);
        ADD_FAILURE() << "a name of 65,536 bytes was written";
    } catch (const TArchiverError& error) {
        EXPECT_EQ(error.Code, ArchiverSourceError);
    }
}

TEST(ArchiveFormats, SevenZipNumbersAndNames)
{
    const auto encode = [](uint64_t value) {
        std::vector<uint8_t> out;
        PutSevenZipNumber(out, value);
        return out;
    };
    EXPECT_EQ(encode(0x7F), (std::vector<uint8_t>{0x7F}));
    EXPECT_EQ(encode(0x80), (std::vector<uint8_t>{0x80, 0x80}));
    EXPECT_EQ(encode(0x3FFF), (std::vector<uint8_t>{0xBF, 0xFF}));
    EXPECT_EQ(encode(0x4000), (std::vector<uint8_t>{0xC0, 0x00, 0x40}));
    EXPECT_EQ(encode(~0ULL).size(), 9u);
    EXPECT_EQ(encode(~0ULL)[0], 0xFF);

    const std::string utf8 = "\xE8\xA1\xA8\xE3\x82\xBD\xF0\x9F\x98\x80" "a";  // 表ソ😀a
    EXPECT_EQ(Utf8ToUtf16(utf8), (std::u16string{u'\u8868', u'\u30BD', 0xD83D, 0xDE00, u'a'}));
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(utf8)), utf8);
    EXPECT_EQ(Utf8ToUtf16("\xFF"), std::u16string(1, u'\uFFFD'));
    EXPECT_TRUE(IsPlainAscii("abc/def.txt"));
    EXPECT_FALSE(IsPlainAscii(utf8));

    const std::string a = Text(1000), b = Noise(3000, 5);
    EXPECT_EQ(Crc32Combine(Crc32Update(0, a.data(), a.size()), Crc32Update(0, b.data(), b.size()), b.size()),
              Crc32Update(0, (a + b).data(), a.size() + b.size()));
}

#ifndef _WIN32
TEST(ArchiveFormats, DebianReadersTestAndExtractThem)
{
    if (!Shell("command -v unzip") || !Shell("command -v 7z")) GTEST_SKIP() << "unzip or 7z missing";
    const TScratch scratch;
    const std::vector<TSample> samples = Samples();
    std::vector<TEntryDigest> written;
    const std::string zip = scratch.Write("a.zip", MakeArchive(TKind::Zip, samples, 6, written));
    const std::string zip64 = scratch.Write("b.zip", MakeArchive(TKind::Zip, samples, 6, written, true));
    const std::string sevenZip = scratch.Write("c.7z", MakeArchive(TKind::SevenZip, samples, 6, written));
    const std::string sevenZip1 = scratch.Write("d.7z", MakeArchive(TKind::SevenZip, samples, 1, written));
    for (const std::string& path : {zip, zip64}) EXPECT_TRUE(Shell("unzip -t '" + path + "'")) << path;
    // 7-Zip names the coders: LZMA for what packs, Copy for the noise.
    EXPECT_TRUE(Shell("7z l -slt '" + sevenZip + "' | grep -q '^Method = LZMA:'"));
    EXPECT_TRUE(Shell("7z l -slt '" + sevenZip + "' | grep -qx 'Method = Copy'"));
    for (const std::string& path : {zip, zip64, sevenZip, sevenZip1}) {
        EXPECT_TRUE(Shell("7z t '" + path + "'")) << path;
        const std::string out = path + ".out";
        ASSERT_TRUE(Shell("7z x -y -o'" + out + "' '" + path + "'")) << path;
        for (const TSample& sample : samples) {
            if (sample.IsDirectory) {
                EXPECT_TRUE(Shell("test -d '" + out + "/" + sample.Name + "'")) << sample.Name;
            } else {
                EXPECT_EQ(ReadFile(out + "/" + sample.Name), sample.Data) << path << " " << sample.Name;
            }
        }
    }
}

// Blocks hold about equal shares of the data whatever the list order, so the
// workers end together: a large file listed last used to join a block that
// already held its share while the other worker sat idle.
TEST(ArchiveFormats, BlocksShareTheDataEvenly)
{
    if (!Shell("command -v 7z")) GTEST_SKIP() << "7z missing";
    const TScratch scratch;
    struct TCase {
        std::vector<size_t> Sizes;  // in list order
        size_t Largest;             // the most one block may hold
    };
    const std::vector<TCase> cases{
        {{100000, 100000, 100000, 100000, 100000, 100000, 600000}, 600000},
        {{600000, 100000, 100000, 100000, 100000, 100000, 100000}, 600000},
        {{300000, 200000, 200000, 100000, 100000, 100000, 100000, 300000}, 700000},
    };
    for (size_t c = 0; c < cases.size(); ++c) {
        std::vector<TSample> samples;
        size_t total = 0;
        for (size_t i = 0; i < cases[c].Sizes.size(); ++i) {
            samples.push_back({"f" + std::to_string(i) + ".txt", Text(cases[c].Sizes[i])});
            total += cases[c].Sizes[i];
        }
        TMemorySink sink;
        TSevenZipWriter writer(sink);
        TSolidOptions options;
        options.Threads = 2;
        options.BlockSize = total / 2;
        const std::vector<TEntryDigest> written = RunSolidPipeline(Entries(samples), writer, options);
        writer.Finish();
        const std::string path = scratch.Write("c" + std::to_string(c) + ".7z", sink.Bytes);
        ASSERT_TRUE(Shell("7z t '" + path + "'")) << c;
        ASSERT_TRUE(Shell("7z l -slt '" + path + "' | tee '" + path + ".txt'"));
        // 7z lists each file's size and then its block.
        std::map<int, size_t> blocks;
        std::istringstream listing(ReadFile(path + ".txt"));
        size_t size = 0;
        for (std::string line; std::getline(listing, line);) {
            if (line.rfind("Size = ", 0) == 0) size = std::stoul(line.substr(7));
            if (line.rfind("Block = ", 0) == 0) blocks[std::stoi(line.substr(8))] += size;
        }
        EXPECT_EQ(blocks.size(), 2u) << c;
        for (const auto& [block, bytes] : blocks) EXPECT_LE(bytes, cases[c].Largest) << "case " << c << " block " << block;
    }
}

// Pictures, whose tables at the start shrink and whose coded data does not, are
// stored whole in both formats with the pipelines' own chunks; what mixes text
// and noise still packs. Both readers give every byte back.
TEST(ArchiveFormats, PagesAreStoredAndGivenBack)
{
    if (!Shell("command -v unzip") || !Shell("command -v 7z")) GTEST_SKIP() << "unzip or 7z missing";
    const TScratch scratch;
    const std::vector<TSample> samples{
        {"p01.jpg", Text(3000) + Noise(180000, 11)},
        {"p02.jpg", Text(600) + Noise(2500000, 12)},  // more than one chunk
        {"p03.jpg", Text(2000) + Noise(60000, 13)},
        {"mixed.bin", Text(70000) + Noise(90000, 14) + Text(50000)},
    };
    for (TKind kind : {TKind::Zip, TKind::SevenZip}) {
        TMemorySink sink;
        std::vector<TEntryDigest> written;
        if (kind == TKind::Zip) {
            TZipWriter writer(sink);
            written = RunDeflatePipeline(Entries(samples), writer, TPipelineOptions{});
            writer.Finish();
        } else {
            TSevenZipWriter writer(sink);
            written = RunSolidPipeline(Entries(samples), writer, TSolidOptions{});
            writer.Finish();
        }
        EXPECT_NO_THROW(CompareEntryDigests(written, ReadBack(kind, sink.Bytes)));
        const std::string path = scratch.Write(kind == TKind::Zip ? "pages.zip" : "pages.7z", sink.Bytes);
        const std::string listing = "7z l -slt '" + path + "' | grep -A14 '^Path = ";
        for (const char* page : {"p01.jpg", "p02.jpg", "p03.jpg"}) {
            const std::string method = kind == TKind::Zip ? "unzip -Z '" + path + "' | grep -q ' stor .* " + page + "$'"
                                                          : listing + page + "$' | grep -qx 'Method = Copy'";
            EXPECT_TRUE(Shell(method)) << page;
        }
        EXPECT_TRUE(Shell(kind == TKind::Zip ? "unzip -Z '" + path + "' | grep -q ' defN .* mixed.bin$'"
                                             : listing + "mixed.bin$' | grep -q '^Method = LZMA'"));
        EXPECT_TRUE(Shell("7z t '" + path + "'")) << path;
        const std::string out = path + ".out";
        ASSERT_TRUE(Shell("7z x -y -o'" + out + "' '" + path + "'")) << path;
        for (const TSample& sample : samples) {
            EXPECT_EQ(ReadFile(out + "/" + sample.Name), sample.Data) << path << " " << sample.Name;
            if (kind == TKind::Zip) {
                EXPECT_TRUE(Shell("unzip -p '" + path + "' '" + sample.Name + "' | cmp -s - '" + out + "/" + sample.Name + "'"))
                    << sample.Name;
            }
        }
    }
}

TEST(ArchiveFormats, Zip64ByEntryCount)
{
    if (!Shell("command -v unzip")) GTEST_SKIP() << "unzip missing";
    std::vector<TSample> many;
    for (int i = 0; i < 70000; ++i) many.push_back({"f" + std::to_string(i), i % 1000 == 0 ? Text(100) : ""});
    std::vector<TEntryDigest> written;
    const std::vector<uint8_t> bytes = MakeArchive(TKind::Zip, many, 6, written);
    EXPECT_NO_THROW(CompareEntryDigests(written, ReadBack(TKind::Zip, bytes)));
    const TScratch scratch;
    const std::string path = scratch.Write("many.zip", bytes);
    EXPECT_TRUE(Shell("unzip -tq '" + path + "'"));
    EXPECT_TRUE(Shell("7z t '" + path + "'"));
    EXPECT_TRUE(Shell("unzip -l '" + path + "' | tail -1 | grep -q '70000 files'"));
}
#endif
