#include "archiver/sevenzip/ZipFormat.h"

#include "archiver/common/ArchiverError.h"
#include "archiver/sevenzip/Utf16.h"

namespace {

constexpr uint32_t LocalSignature = 0x04034B50, CentralSignature = 0x02014B50;
constexpr uint32_t EndSignature = 0x06054B50, End64Signature = 0x06064B50, Locator64Signature = 0x07064B50;
constexpr uint16_t Utf8Flag = 1 << 11;
constexpr uint16_t MadeBy = 63;  // MS-DOS attributes, format 6.3 (UTF-8 names)
constexpr uint32_t Max32 = 0xFFFFFFFF;
constexpr uint16_t Max16 = 0xFFFF;
// Sizes from here on may outgrow 32 bits once deflate's worst case is added.
constexpr uint64_t Zip64SizeHint = 0xFF000000;

void PutTimestampExtra(std::vector<uint8_t>& out, int32_t unixTime)
{
    PutLe16(out, 0x5455);
    PutLe16(out, 5);
    out.push_back(1);  // modification time present
    PutLe32(out, static_cast<uint32_t>(unixTime));
}

} // namespace

void TZipWriter::BeginEntry(const TArchiveEntry& entry, TEntryMethod method)
{
    TCentralEntry central;
    central.Name = entry.IsDirectory ? entry.Name + "/" : entry.Name;
    // The name's length is 16 bits: a longer one would be cut and the archive broken.
    if (central.Name.size() > Max16) throw TArchiverError(ArchiverSourceError, "名前が長すぎてZIP書庫に格納できません: " + entry.DisplayName);
    central.Flags = IsPlainAscii(central.Name) ? 0 : Utf8Flag;
    central.Method = method == TEntryMethod::Deflated ? 8 : 0;
    central.DosDateTime = entry.DosDateTime;
    central.Attributes = entry.Attributes & 0xFF;
    central.UnixTime = entry.UnixTime;
    central.Offset = Sink.Position();
    central.LocalZip64 = ForceZip64 || entry.SizeHint >= Zip64SizeHint;

    std::vector<uint8_t> header;
    PutLe32(header, LocalSignature);
    PutLe16(header, central.LocalZip64 ? 45 : 20);
    PutLe16(header, central.Flags);
    PutLe16(header, central.Method);
    PutLe32(header, central.DosDateTime);
    PutLe32(header, 0);  // CRC and sizes: patched in EndEntry
    PutLe32(header, central.LocalZip64 ? Max32 : 0);
    PutLe32(header, central.LocalZip64 ? Max32 : 0);
    PutLe16(header, static_cast<uint16_t>(central.Name.size()));
    PutLe16(header, static_cast<uint16_t>(9 + (central.LocalZip64 ? 20 : 0)));
    header.insert(header.end(), central.Name.begin(), central.Name.end());
    if (central.LocalZip64) {
        PutLe16(header, 0x0001);
        PutLe16(header, 16);
        PutLe64(header, 0);
        PutLe64(header, 0);
    }
    PutTimestampExtra(header, central.UnixTime);
    Sink.Write(header.data(), header.size());
    Entries.push_back(std::move(central));
}

void TZipWriter::WriteData(const void* data, size_t size) { Sink.Write(data, size); }

void TZipWriter::EndEntry(uint32_t crc, uint64_t size, uint64_t packedSize)
{
    TCentralEntry& central = Entries.back();
    central.Crc = crc;
    central.Size = size;
    central.PackedSize = packedSize;
    if (!central.LocalZip64 && (size >= Max32 || packedSize >= Max32)) {
        throw TArchiverError(ArchiverSourceError, "圧縮中にファイルが大きくなりました: " + central.Name);
    }
    std::vector<uint8_t> patch;
    PutLe32(patch, crc);
    PutLe32(patch, central.LocalZip64 ? Max32 : static_cast<uint32_t>(packedSize));
    PutLe32(patch, central.LocalZip64 ? Max32 : static_cast<uint32_t>(size));
    Sink.WriteAt(central.Offset + 14, patch.data(), patch.size());
    if (central.LocalZip64) {
        patch.clear();
        PutLe64(patch, size);
        PutLe64(patch, packedSize);
        Sink.WriteAt(central.Offset + 30 + central.Name.size() + 4, patch.data(), patch.size());
    }
}

void TZipWriter::Finish()
{
    const uint64_t directoryOffset = Sink.Position();
    std::vector<uint8_t> record;
    for (const TCentralEntry& entry : Entries) {
        // ZIP64 fields, in their fixed order, for each value that does not fit.
        const bool bigSize = entry.LocalZip64 || entry.Size >= Max32;
        const bool bigPacked = entry.LocalZip64 || entry.PackedSize >= Max32;
        const bool bigOffset = ForceZip64 || entry.Offset >= Max32;
        std::vector<uint8_t> zip64;
        if (bigSize) PutLe64(zip64, entry.Size);
        if (bigPacked) PutLe64(zip64, entry.PackedSize);
        if (bigOffset) PutLe64(zip64, entry.Offset);

        record.clear();
        PutLe32(record, CentralSignature);
        PutLe16(record, MadeBy);
        PutLe16(record, zip64.empty() ? 20 : 45);
        PutLe16(record, entry.Flags);
        PutLe16(record, entry.Method);
        PutLe32(record, entry.DosDateTime);
        PutLe32(record, entry.Crc);
        PutLe32(record, bigPacked ? Max32 : static_cast<uint32_t>(entry.PackedSize));
        PutLe32(record, bigSize ? Max32 : static_cast<uint32_t>(entry.Size));
        PutLe16(record, static_cast<uint16_t>(entry.Name.size()));
        PutLe16(record, static_cast<uint16_t>(9 + (zip64.empty() ? 0 : 4 + zip64.size())));
        PutLe16(record, 0);  // comment
        PutLe16(record, 0);  // disk
        PutLe16(record, 0);  // internal attributes
        PutLe32(record, entry.Attributes);
        PutLe32(record, bigOffset ? Max32 : static_cast<uint32_t>(entry.Offset));
        record.insert(record.end(), entry.Name.begin(), entry.Name.end());
        if (!zip64.empty()) {
            PutLe16(record, 0x0001);
            PutLe16(record, static_cast<uint16_t>(zip64.size()));
            record.insert(record.end(), zip64.begin(), zip64.end());
        }
        PutTimestampExtra(record, entry.UnixTime);
        Sink.Write(record.data(), record.size());
    }
    const uint64_t directorySize = Sink.Position() - directoryOffset;
    const uint64_t count = Entries.size();
    const bool zip64End = ForceZip64 || count >= Max16 || directorySize >= Max32 || directoryOffset >= Max32;

    record.clear();
    if (zip64End) {
        const uint64_t end64Offset = Sink.Position();
        PutLe32(record, End64Signature);
        PutLe64(record, 44);  // size of the rest of this record
        PutLe16(record, MadeBy);
        PutLe16(record, 45);
        PutLe32(record, 0);
        PutLe32(record, 0);
        PutLe64(record, count);
        PutLe64(record, count);
        PutLe64(record, directorySize);
        PutLe64(record, directoryOffset);
        PutLe32(record, Locator64Signature);
        PutLe32(record, 0);
        PutLe64(record, end64Offset);
        PutLe32(record, 1);
    }
    PutLe32(record, EndSignature);
    PutLe16(record, 0);
    PutLe16(record, 0);
    PutLe16(record, zip64End ? Max16 : static_cast<uint16_t>(count));
    PutLe16(record, zip64End ? Max16 : static_cast<uint16_t>(count));
    PutLe32(record, zip64End ? Max32 : static_cast<uint32_t>(directorySize));
    PutLe32(record, zip64End ? Max32 : static_cast<uint32_t>(directoryOffset));
    PutLe16(record, 0);  // comment
    Sink.Write(record.data(), record.size());
}
