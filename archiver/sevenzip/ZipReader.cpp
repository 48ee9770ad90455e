#include "archiver/sevenzip/ZipFormat.h"

#include "archiver/common/ArchiverError.h"
#include "archiver/sevenzip/EntryDecoder.h"

#include <algorithm>

namespace {

constexpr uint32_t Max32 = 0xFFFFFFFF;

[[noreturn]] void Broken(const std::string& what)
{
    throw TArchiverError(ArchiverVerifyError, "書庫の検査に失敗しました(" + what + ")");
}

struct TEnd {
    uint64_t Count = 0, DirectorySize = 0, DirectoryOffset = 0;
};

TEnd ReadEnd(const TByteSource& source)
{
    const uint64_t size = source.Size();
    if (size < 22) Broken("書庫が短すぎます");
    const size_t tailSize = static_cast<size_t>(std::min<uint64_t>(size, 22 + 0xFFFF + 20));
    std::vector<uint8_t> tail(tailSize);
    source.ReadAt(size - tailSize, tail.data(), tailSize);
    for (size_t at = tailSize - 22 + 1; at-- > 0;) {
        const uint8_t* p = tail.data() + at;
        if (GetLe32(p) != 0x06054B50 || at + 22 + GetLe16(p + 20) != tailSize) continue;
        TEnd end{GetLe16(p + 10), GetLe32(p + 12), GetLe32(p + 16)};
        if (at >= 20 && GetLe32(p - 20) == 0x07064B50) {
            uint8_t record[56];
            source.ReadAt(GetLe64(p - 20 + 8), record, sizeof record);
            if (GetLe32(record) != 0x06064B50) Broken("ZIP64の終端レコードがありません");
            end = TEnd{GetLe64(record + 32), GetLe64(record + 40), GetLe64(record + 48)};
        }
        return end;
    }
    Broken("終端レコードがありません");
}

} // namespace

std::vector<TEntryDigest> ReadZipDigests(const TByteSource& source, const TNameForMessages& display)
{
    const TEnd end = ReadEnd(source);
    if (end.DirectoryOffset > source.Size() || end.DirectorySize > source.Size() - end.DirectoryOffset) {
        Broken("中央ディレクトリが書庫の外にあります");
    }
    std::vector<uint8_t> directory(static_cast<size_t>(end.DirectorySize));
    source.ReadAt(end.DirectoryOffset, directory.data(), directory.size());

    std::vector<TEntryDigest> digests;
    size_t at = 0;
    for (uint64_t index = 0; index < end.Count; ++index) {
        if (at + 46 > directory.size() || GetLe32(&directory[at]) != 0x02014B50) Broken("中央ディレクトリが壊れています");
        const uint8_t* p = &directory[at];
        const uint16_t flags = GetLe16(p + 8), method = GetLe16(p + 10);
        const uint32_t crc = GetLe32(p + 16);
        uint64_t packedSize = GetLe32(p + 20), size = GetLe32(p + 24);
        const size_t nameLength = GetLe16(p + 28), extraLength = GetLe16(p + 30), commentLength = GetLe16(p + 32);
        uint64_t offset = GetLe32(p + 42);
        if (at + 46 + nameLength + extraLength + commentLength > directory.size()) Broken("中央ディレクトリが壊れています");
        const std::string name(reinterpret_cast<const char*>(p + 46), nameLength);
        // ZIP64 values follow in order for each field that holds the maximum.
        for (size_t x = 0; x + 4 <= extraLength;) {
            const uint8_t* field = p + 46 + nameLength + x;
            const size_t length = GetLe16(field + 2);
            if (x + 4 + length > extraLength) Broken("拡張フィールドが壊れています: " + display(name));
            if (GetLe16(field) == 0x0001) {
                size_t v = 4;
                const auto next = [&](uint64_t& value) {
                    if (value != Max32) return;
                    if (v + 8 > 4 + length) Broken("ZIP64フィールドが短すぎます: " + display(name));
                    value = GetLe64(field + v);
                    v += 8;
                };
                next(size);
                next(packedSize);
                next(offset);
            }
            x += 4 + length;
        }
        at += 46 + nameLength + extraLength + commentLength;
        if (flags & 1) Broken("暗号化された項目があります: " + display(name));
        if (method != 0 && method != 8) Broken("未対応の圧縮方式です: " + display(name));

        uint8_t local[30];
        source.ReadAt(offset, local, sizeof local);
        const size_t localName = GetLe16(local + 26), localExtra = GetLe16(local + 28);
        std::string storedName(localName, '\0');
        if (localName) source.ReadAt(offset + 30, storedName.data(), localName);
        const uint32_t localPacked = GetLe32(local + 18), localSize = GetLe32(local + 22);
        const bool sizesDiffer = localPacked != Max32 && (localPacked != packedSize || localSize != size);
        if (GetLe32(local) != 0x04034B50 || storedName != name || GetLe16(local + 8) != method || GetLe32(local + 14) != crc ||
            sizesDiffer) {
            Broken("ローカルヘッダが中央ディレクトリと違います: " + display(name));
        }
        const TDecodedData data = DecodePackedStream(source, offset + 30 + localName + localExtra, packedSize,
                                                     method == 8 ? TEntryMethod::Deflated : TEntryMethod::Stored, display(name));
        if (data.Size != size || data.Crc != crc) Broken("CRCまたはサイズが違います: " + display(name));

        TEntryDigest digest;
        digest.IsDirectory = !name.empty() && name.back() == '/';
        digest.Name = digest.IsDirectory ? name.substr(0, name.size() - 1) : name;
        digest.Size = data.Size;
        digest.Crc = data.Crc;
        digests.push_back(std::move(digest));
    }
    if (at != directory.size()) Broken("中央ディレクトリの長さが違います");
    return digests;
}
