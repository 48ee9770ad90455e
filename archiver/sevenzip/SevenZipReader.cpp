#include "archiver/sevenzip/SevenZipFormat.h"

#include "archiver/common/ArchiverError.h"
#include "archiver/common/Crc32.h"
#include "archiver/sevenzip/EntryDecoder.h"
#include "archiver/sevenzip/LzmaCoder.h"
#include "archiver/sevenzip/Utf16.h"

#include <algorithm>
#include <cstring>

namespace {

[[noreturn]] void Broken(const std::string& what)
{
    throw TArchiverError(ArchiverVerifyError, "書庫の検査に失敗しました(" + what + ")");
}

// Reads the header byte by byte; running off its end is a failure.
class THeaderReader {
public:
    explicit THeaderReader(const std::vector<uint8_t>& bytes) : Bytes(bytes) {}
    uint8_t Byte()
    {
        if (At >= Bytes.size()) Broken("ヘッダが途中で終わっています");
        return Bytes[At++];
    }
    uint64_t Number()
    {
        const uint8_t first = Byte();
        uint64_t value = 0;
        uint8_t mask = 0x80;
        for (int i = 0; i < 8; ++i, mask >>= 1) {
            if (!(first & mask)) return value | (static_cast<uint64_t>(first & (mask - 1)) << (8 * i));
            value |= static_cast<uint64_t>(Byte()) << (8 * i);
        }
        return value;
    }
    size_t Count(size_t limit)
    {
        const uint64_t value = Number();
        if (value > limit) Broken("ヘッダの数値が大きすぎます");
        return static_cast<size_t>(value);
    }
    uint32_t Le32()
    {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) value |= static_cast<uint32_t>(Byte()) << (8 * i);
        return value;
    }
    void Expect(uint8_t id)
    {
        if (Byte() != id) Broken("ヘッダの構造が違います");
    }
    std::vector<bool> Bits(size_t count)
    {
        std::vector<bool> bits(count);
        uint8_t byte = 0;
        for (size_t i = 0; i < count; ++i) {
            if (i % 8 == 0) byte = Byte();
            bits[i] = (byte & (0x80 >> (i % 8))) != 0;
        }
        return bits;
    }
    std::vector<uint32_t> Digests(size_t count)
    {
        const bool all = Byte() != 0;
        const std::vector<bool> defined = all ? std::vector<bool>(count, true) : Bits(count);
        std::vector<uint32_t> crcs(count);
        for (size_t i = 0; i < count; ++i) {
            if (!defined[i]) Broken("CRCのない項目があります");
            crcs[i] = Le32();
        }
        return crcs;
    }
    size_t Position() const { return At; }
    void Skip(uint64_t size)
    {
        if (size > Bytes.size() - At) Broken("ヘッダが途中で終わっています");
        At += static_cast<size_t>(size);
    }

private:
    const std::vector<uint8_t>& Bytes;
    size_t At = 0;
};

struct TFolder {
    bool Lzma = false;
    TLzmaProperties Properties{};
    uint64_t PackOffset = 0, PackSize = 0, UnpackSize = 0;
    std::vector<uint64_t> Sizes;  // of the files it holds
    std::vector<uint32_t> Crcs;
};

// Our writer's streams: one simple coder (Copy or LZMA) per folder, one folder
// per pack stream, every file with its CRC.
std::vector<TFolder> ReadStreamsInfo(THeaderReader& r, size_t limit)
{
    r.Expect(0x06);  // pack info
    uint64_t packOffset = 32 + r.Number();
    const size_t packCount = r.Count(limit);
    r.Expect(0x09);
    std::vector<TFolder> folders(packCount);
    for (TFolder& folder : folders) {
        folder.PackOffset = packOffset;
        folder.PackSize = r.Number();
        packOffset += folder.PackSize;
    }
    r.Expect(0x00);

    r.Expect(0x07);  // unpack info
    r.Expect(0x0B);
    if (r.Count(limit) != packCount || r.Byte() != 0) Broken("フォルダの数が違います");
    for (TFolder& folder : folders) {
        if (r.Number() != 1) Broken("未対応のコーダ構成です");
        const uint8_t flags = r.Byte();
        if (flags & 0xD0) Broken("未対応のコーダ構成です");
        uint8_t id[15] = {};
        for (int i = 0; i < (flags & 0x0F); ++i) id[i] = r.Byte();
        std::vector<uint8_t> properties;
        if (flags & 0x20) {
            properties.resize(r.Count(limit));
            for (uint8_t& byte : properties) byte = r.Byte();
        }
        if ((flags & 0x0F) == 1 && id[0] == 0 && properties.empty()) {
            folder.Lzma = false;
        } else if ((flags & 0x0F) == 3 && id[0] == 3 && id[1] == 1 && id[2] == 1 && properties.size() == folder.Properties.size()) {
            folder.Lzma = true;
            std::copy(properties.begin(), properties.end(), folder.Properties.begin());
        } else {
            Broken("未対応のコーダです");
        }
    }
    r.Expect(0x0C);
    for (TFolder& folder : folders) folder.UnpackSize = r.Number();
    r.Expect(0x00);

    r.Expect(0x08);  // sub-streams
    uint8_t id = r.Byte();
    std::vector<size_t> counts(packCount, 1);
    if (id == 0x0D) {
        for (size_t& count : counts) count = r.Count(limit);
        id = r.Byte();
    }
    size_t files = 0;
    for (size_t count : counts) files += count;
    if (id == 0x09) {
        for (size_t i = 0; i < packCount; ++i) {
            TFolder& folder = folders[i];
            uint64_t sum = 0;
            for (size_t k = 0; k + 1 < counts[i]; ++k) {
                folder.Sizes.push_back(r.Number());
                sum += folder.Sizes.back();
                if (sum > folder.UnpackSize) Broken("ファイルのサイズが違います");
            }
        }
        id = r.Byte();
    }
    for (size_t i = 0; i < packCount; ++i) {
        TFolder& folder = folders[i];
        if (counts[i] == 0 || folder.Sizes.size() + 1 != counts[i]) Broken("ファイルの数が違います");
        uint64_t sum = 0;
        for (uint64_t size : folder.Sizes) sum += size;
        folder.Sizes.push_back(folder.UnpackSize - sum);
    }
    if (id != 0x0A) Broken("CRCのない項目があります");
    const std::vector<uint32_t> crcs = r.Digests(files);
    size_t at = 0;
    for (size_t i = 0; i < packCount; ++i) {
        folders[i].Crcs.assign(crcs.begin() + static_cast<std::ptrdiff_t>(at), crcs.begin() + static_cast<std::ptrdiff_t>(at + counts[i]));
        at += counts[i];
    }
    r.Expect(0x00);
    r.Expect(0x00);
    return folders;
}

// Decodes one folder and checks each of its files' size and CRC; names[i]
// names its i-th file in messages.
std::vector<TEntryDigest> DecodeFolder(const TByteSource& source, const TFolder& folder, const std::vector<std::string>& names)
{
    std::vector<TEntryDigest> digests(folder.Sizes.size());
    size_t file = 0;
    uint64_t fileDone = 0;
    const auto take = [&](const uint8_t* data, size_t size) {
        while (size > 0) {
            while (file < digests.size() && fileDone == folder.Sizes[file]) {
                ++file;
                fileDone = 0;
            }
            if (file == digests.size()) Broken("データが長すぎます: " + names.back());
            const size_t step = static_cast<size_t>(std::min<uint64_t>(size, folder.Sizes[file] - fileDone));
            digests[file].Crc = Crc32Update(digests[file].Crc, data, step);
            digests[file].Size += step;
            fileDone += step;
            data += step;
            size -= step;
        }
    };
    if (folder.Lzma) {
        DecodeLzmaStream(source, folder.PackOffset, folder.PackSize, folder.Properties, folder.UnpackSize, take, names.front());
    } else {
        if (folder.PackSize != folder.UnpackSize) Broken("サイズが違います: " + names.front());
        const TDecodedData data = DecodePackedStream(source, folder.PackOffset, folder.PackSize, TEntryMethod::Stored, names.front());
        digests[0].Size = data.Size;
        digests[0].Crc = data.Crc;
        if (digests.size() != 1) Broken("ファイルの数が違います: " + names.front());
    }
    for (size_t i = 0; i < digests.size(); ++i) {
        if (digests[i].Size != folder.Sizes[i] || digests[i].Crc != folder.Crcs[i]) Broken("CRCまたはサイズが違います: " + names[i]);
    }
    return digests;
}

} // namespace

std::vector<TEntryDigest> ReadSevenZipDigests(const TByteSource& source, const TNameForMessages& display)
{
    uint8_t signature[32];
    if (source.Size() < sizeof signature) Broken("書庫が短すぎます");
    source.ReadAt(0, signature, sizeof signature);
    static const uint8_t magic[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
    if (std::memcmp(signature, magic, 6) != 0 || Crc32Update(0, signature + 12, 20) != GetLe32(signature + 8)) {
        Broken("署名ヘッダが壊れています");
    }
    const uint64_t headerOffset = 32 + GetLe64(signature + 12), headerSize = GetLe64(signature + 20);
    if (headerOffset > source.Size() || headerSize > source.Size() - headerOffset) Broken("ヘッダが書庫の外にあります");
    std::vector<uint8_t> header(static_cast<size_t>(headerSize));
    source.ReadAt(headerOffset, header.data(), header.size());
    if (Crc32Update(0, header.data(), header.size()) != GetLe32(signature + 28)) Broken("ヘッダのCRCが違います");

    THeaderReader r(header);
    const size_t limit = header.size();
    r.Expect(0x01);
    uint8_t id = r.Byte();
    std::vector<TFolder> folders;
    if (id == 0x04) {
        folders = ReadStreamsInfo(r, limit);
        id = r.Byte();
    }
    std::vector<TEntryDigest> digests;
    if (id == 0x05) {
        const size_t count = r.Count(limit);
        std::vector<bool> emptyStream(count, false), emptyFile;
        std::vector<std::u16string> names;
        for (uint64_t property = r.Number(); property != 0; property = r.Number()) {
            const uint64_t size = r.Number();
            const size_t end = r.Position() + static_cast<size_t>(size);
            if (property == 0x0E) {
                emptyStream = r.Bits(count);
            } else if (property == 0x0F) {
                size_t empties = 0;
                for (bool b : emptyStream) empties += b;
                emptyFile = r.Bits(empties);
            } else if (property == 0x11) {
                if (r.Byte() != 0) Broken("未対応の名前形式です");
                std::u16string name;
                while (names.size() < count) {
                    const char16_t c = static_cast<char16_t>(r.Byte() | (r.Byte() << 8));
                    if (c == 0) {
                        names.push_back(std::move(name));
                        name.clear();
                    } else {
                        name += c;
                    }
                }
            }
            if (r.Position() > end) Broken("ヘッダの属性の長さが違います");
            r.Skip(end - r.Position());
        }
        r.Expect(0x00);
        if (names.size() != count) Broken("名前の数が違います");

        // Files with data take the folders' files in order.
        std::vector<size_t> withData;
        size_t empty = 0;
        for (size_t i = 0; i < count; ++i) {
            TEntryDigest digest;
            digest.Name = Utf16ToUtf8(names[i]);
            if (emptyStream[i]) {
                digest.IsDirectory = empty >= emptyFile.size() || !emptyFile[empty];
                ++empty;
            } else {
                withData.push_back(i);
            }
            digests.push_back(std::move(digest));
        }
        size_t next = 0;
        for (const TFolder& folder : folders) {
            if (withData.size() - next < folder.Sizes.size()) Broken("ストリームの数が違います");
            std::vector<std::string> folderNames;
            for (size_t k = 0; k < folder.Sizes.size(); ++k) folderNames.push_back(display(digests[withData[next + k]].Name));
            const std::vector<TEntryDigest> decoded = DecodeFolder(source, folder, folderNames);
            for (const TEntryDigest& d : decoded) {
                TEntryDigest& digest = digests[withData[next++]];
                digest.Size = d.Size;
                digest.Crc = d.Crc;
            }
        }
        if (next != withData.size()) Broken("ストリームの数が違います");
    } else if (id != 0x00 || !folders.empty()) {
        Broken("ヘッダの構造が違います");
    }
    return digests;
}
