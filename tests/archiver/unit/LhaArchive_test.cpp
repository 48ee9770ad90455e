// LHA archives with level-2 headers: written by TLhaWriter, read back by
// TLhaReader, and (natively, where lhasa is installed) tested and extracted by
// an independent reader.
#include "archiver/common/ArchiveStream.h"
#include "archiver/lha/LhaReader.h"
#include "archiver/lha/LhaWriter.h"

#include "LhaTestBytes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace {

Bytes Text(size_t size, unsigned seed)
{
    static const char* words[] = {"page", "folder ", "image", "表紙", "\r\n", "001", "圧縮", "the "};
    std::mt19937 random(seed);
    Bytes out;
    while (out.size() < size) {
        const std::string word = words[random() % std::size(words)];
        out.insert(out.end(), word.begin(), word.end());
    }
    out.resize(size);
    return out;
}

Bytes Random(size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes out(size);
    for (auto& byte : out) byte = static_cast<uint8_t>(random());
    return out;
}

Bytes Join(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct TSample {
    TLhaEntry Entry;
    Bytes Data;
    bool Directory = false;
    std::string ExpectedMethod;
};

TLhaEntry MakeEntry(std::vector<std::string> directories, std::string name)
{
    TLhaEntry entry;
    entry.Directories = std::move(directories);
    entry.FileName = std::move(name);
    entry.UnixTime = 1700000000;
    return entry;
}

// Folders, names with a 0x5C trail byte (表 is 0x95 0x5C), empty files, data
// that compresses and data that does not, small and (with large) beyond the
// size up to which the writer holds a file back to choose its method.
std::vector<TSample> Samples(bool large)
{
    const size_t big = large ? 5 << 20 : 400000;
    std::vector<TSample> samples;
    samples.push_back({MakeEntry({}, "readme.txt"), Text(30000, 1), false, "-lh5-"});
    samples.push_back({MakeEntry({}, "empty.dat"), {}, false, "-lh0-"});
    samples.push_back({MakeEntry({"表紙"}, "表紙001.jpg"), Random(200000, 2), false, "-lh0-"});
    samples.push_back({MakeEntry({"表紙", "ソース"}, "tiny.bin"), Random(500, 3), false, "-lh0-"});
    samples.push_back({MakeEntry({"表紙", "ソース"}, "Mixed Case.TXT"), Text(70000, 4), false, "-lh5-"});
    samples.push_back({MakeEntry({"big"}, "large.txt"), Text(big, 5), false, "-lh5-"});
    samples.push_back({MakeEntry({"big"}, "text-then-noise.bin"), Join(Text(big * 3 / 5, 6), Random(big * 2 / 5, 7)), false, "-lh5-"});
    TSample folder{MakeEntry({"空のフォルダ"}, ""), {}, true, "-lhd-"};
    folder.Entry.Attributes = 0x10;
    samples.push_back(folder);
    return samples;
}

Bytes WriteArchive(const std::vector<TSample>& samples, std::vector<TLhaEntryHeader>* written = nullptr)
{
    TMemorySink sink;
    TLhaWriter writer(sink);
    for (const TSample& sample : samples) {
        TVectorInput input(sample.Data);
        const TLhaEntryHeader header = sample.Directory ? writer.AddDirectory(sample.Entry) : writer.AddFile(sample.Entry, input);
        if (written) written->push_back(header);
    }
    writer.Finish();
    return sink.Bytes;
}

// Every entry's header and data, as the reader finds them.
std::vector<std::pair<TLhaEntryHeader, Bytes>> ReadArchive(const Bytes& archive)
{
    TMemorySource source(archive);
    TByteSourceInput input(source);
    TLhaReader reader(input);
    std::vector<std::pair<TLhaEntryHeader, Bytes>> entries;
    TLhaEntryHeader header;
    while (reader.Next(header)) {
        TVectorOutput data;
        reader.Extract(data);
        entries.emplace_back(header, data.Bytes);
    }
    reader.CheckEnd();
    return entries;
}

// The shortest name whose header would otherwise have a size with a zero low byte.
std::string NameForPaddedHeader()
{
    for (size_t length = 1; length < 600; ++length) {
        TLhaEntryHeader header;
        header.FileName = std::string(length, 'n');
        if (BuildLevel2Header(header).size() == 257) return header.FileName;
    }
    return {};
}

} // namespace

TEST(LhaArchive, EntriesReadBackWithTheirNamesMethodsAndData)
{
    const std::vector<TSample> samples = Samples(true);
    std::vector<TLhaEntryHeader> written;
    const Bytes archive = WriteArchive(samples, &written);
    const auto entries = ReadArchive(archive);
    ASSERT_EQ(entries.size(), samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        const TLhaEntryHeader& header = entries[i].first;
        SCOPED_TRACE(LhaEntryPath(header, '\\'));
        EXPECT_EQ(header.Directories, samples[i].Entry.Directories);
        EXPECT_EQ(header.FileName, samples[i].Entry.FileName);
        EXPECT_EQ(header.Method, samples[i].ExpectedMethod);
        EXPECT_EQ(header.UnixTime, 1700000000u);
        EXPECT_EQ(header.Attributes, samples[i].Entry.Attributes);
        EXPECT_EQ(header.Crc, written[i].Crc);
        EXPECT_EQ(header.PackedSize, written[i].PackedSize);
        EXPECT_EQ(entries[i].second, samples[i].Data);
        if (header.Method == "-lh5-") {
            EXPECT_LT(header.PackedSize, header.OriginalSize * 7 / 10);
        }
    }
    EXPECT_EQ(LhaEntryPath(entries[3].first, '\\'), "表紙\\ソース\\tiny.bin");
}

TEST(LhaArchive, DamageIsFound)
{
    const std::vector<TSample> samples = Samples(false);
    const Bytes archive = WriteArchive({samples[0], samples[3]});
    const auto entries = ReadArchive(archive);
    const size_t secondHeader = static_cast<size_t>(archive[0] | archive[1] << 8) + entries[0].first.PackedSize;

    Bytes badName = archive;
    badName[secondHeader + 40] ^= 0x20;            // inside the second header
    EXPECT_THROW(ReadArchive(badName), TLhaFormatError);

    Bytes badData = archive;
    badData[archive.size() - 10] ^= 0x01;          // inside the stored entry's data
    EXPECT_THROW(ReadArchive(badData), TLhaFormatError);

    Bytes badPacked = archive;
    badPacked[secondHeader - 100] ^= 0x10;          // inside the compressed entry's data
    EXPECT_THROW(ReadArchive(badPacked), TLhaFormatError);

    for (size_t cut : {size_t{1}, size_t{5}, size_t{300}, archive.size() - secondHeader}) {
        Bytes truncated(archive.begin(), archive.end() - static_cast<ptrdiff_t>(cut));
        EXPECT_THROW(ReadArchive(truncated), TLhaFormatError) << cut;
    }
    Bytes trailing = archive;
    trailing.push_back(0);
    EXPECT_THROW(ReadArchive(trailing), TLhaFormatError);
}

// A header size with a zero low byte would read as the end mark. Other readers
// (7-Zip) take the header to end where its last extended header ends, so no
// padding may follow it: the sizes must add up exactly, for every name length.
TEST(LhaArchive, HeaderSizeNeverReadsAsTheEndMarkAndItsExtendedHeadersFillIt)
{
    for (const std::vector<std::string>& directories : {std::vector<std::string>{}, std::vector<std::string>{"表紙"}}) {
        for (size_t length = 1; length < 600; ++length) {
            TLhaEntryHeader header;
            header.Directories = directories;
            header.FileName = std::string(length, 'n');
            const Bytes bytes = BuildLevel2Header(header);
            const size_t size = bytes[0] | bytes[1] << 8;
            ASSERT_EQ(size, bytes.size());
            ASSERT_NE(size & 0xFF, 0u) << length;
            size_t at = 24;
            for (size_t next; (next = bytes[at] | bytes[at + 1] << 8) != 0; at += next) ASSERT_LE(at + next + 2, size) << length;
            EXPECT_EQ(at + 2, size) << "name length " << length;
        }
    }
    const std::string name = NameForPaddedHeader();
    ASSERT_FALSE(name.empty());
    const Bytes archive = WriteArchive({{MakeEntry({}, name), Text(100, 8), false, ""}, {MakeEntry({}, "after"), {'x'}, false, ""}});
    const auto entries = ReadArchive(archive);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].first.FileName, name);
    EXPECT_EQ(entries[1].first.FileName, "after");
}

TEST(LhaArchive, NamesAndSizesThatDoNotFitAreRefused)
{
    TLhaEntryHeader header;
    header.FileName = std::string(70000, 'n');
    EXPECT_THROW(BuildLevel2Header(header), std::length_error);
    header.FileName = "x";
    header.OriginalSize = 0x100000000ull;
    EXPECT_THROW(BuildLevel2Header(header), std::length_error);
}

#ifndef _WIN32
// lhasa, Debian's LHA reader, tests and extracts what we write.
TEST(LhaArchive, IndependentReaderTestsAndExtractsIt)
{
    if (std::system("command -v lha >/dev/null 2>&1") != 0) GTEST_SKIP() << "lhasa is not installed";
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("lha-archive-test-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "out");

    std::vector<TSample> samples = Samples(false);
    samples.push_back({MakeEntry({"pad"}, NameForPaddedHeader()), Text(3000, 9), false, ""});
    const Bytes archive = WriteArchive(samples);
    std::ofstream(folder / "test.lzh", std::ios::binary).write(reinterpret_cast<const char*>(archive.data()), static_cast<std::streamsize>(archive.size()));

    const std::string archivePath = (folder / "test.lzh").string();
    EXPECT_EQ(std::system(("lha t '" + archivePath + "' >/dev/null").c_str()), 0);
    EXPECT_EQ(std::system(("cd '" + (folder / "out").string() + "' && lha xq '" + archivePath + "'").c_str()), 0);
    for (const TSample& sample : samples) {
        fs::path path = folder / "out";
        for (const std::string& part : sample.Entry.Directories) path /= part;
        if (sample.Directory) {
            EXPECT_TRUE(fs::is_directory(path)) << path;
            continue;
        }
        path /= sample.Entry.FileName;
        std::ifstream file(path, std::ios::binary);
        EXPECT_TRUE(file.good()) << path;
        const Bytes data{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        EXPECT_EQ(data, sample.Data) << path;
    }
    fs::remove_all(folder);
}
#endif
