#include "archiver/sevenzip/SevenZipFormat.h"

#include "archiver/common/Crc32.h"
#include "archiver/sevenzip/Utf16.h"

namespace {

constexpr uint8_t Signature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr size_t SignatureHeaderSize = 32;

enum : uint8_t {
    kEnd = 0x00, kHeader = 0x01, kMainStreamsInfo = 0x04, kFilesInfo = 0x05, kPackInfo = 0x06, kUnPackInfo = 0x07,
    kSubStreamsInfo = 0x08, kSize = 0x09, kCRC = 0x0A, kFolder = 0x0B, kCodersUnPackSize = 0x0C, kNumUnPackStream = 0x0D, kEmptyStream = 0x0E,
    kEmptyFile = 0x0F, kName = 0x11, kMTime = 0x14, kWinAttributes = 0x15,
};

std::vector<uint8_t> BitField(const std::vector<bool>& bits)
{
    std::vector<uint8_t> out((bits.size() + 7) / 8, 0);
    for (size_t i = 0; i < bits.size(); ++i) {
        if (bits[i]) out[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
    }
    return out;
}

void PutProperty(std::vector<uint8_t>& out, uint8_t id, const std::vector<uint8_t>& body)
{
    out.push_back(id);
    PutSevenZipNumber(out, body.size());
    out.insert(out.end(), body.begin(), body.end());
}

} // namespace

void PutSevenZipNumber(std::vector<uint8_t>& out, uint64_t value)
{
    // The first byte's leading one bits count the bytes that follow (little-endian);
    // its remaining bits hold the value's highest part.
    int extra = 0;
    while (extra < 8 && value >= (uint64_t{1} << (7 * (extra + 1)))) ++extra;
    const uint8_t mask = static_cast<uint8_t>(0xFF00 >> extra);
    const uint8_t high = extra == 8 ? 0 : static_cast<uint8_t>(value >> (8 * extra));
    out.push_back(static_cast<uint8_t>(mask | high));
    for (int i = 0; i < extra; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

TSevenZipWriter::TSevenZipWriter(TByteSink& sink) : Sink(sink)
{
    const uint8_t placeholder[SignatureHeaderSize] = {};
    Sink.Write(placeholder, sizeof placeholder);
}

void TSevenZipWriter::WriteData(const void* data, size_t size) { Sink.Write(data, size); }

void TSevenZipWriter::EndFolder(const TSevenZipFolder& folder)
{
    TFolder record;
    record.Lzma = folder.Lzma;
    record.Properties = folder.Properties;
    record.PackedSize = folder.PackedSize;
    record.FileCount = folder.Files.size();
    for (const TSevenZipFolder::TFile& file : folder.Files) {
        AddFile(file.Entry, true, file.Size, file.Crc);
        record.UnpackSize += file.Size;
    }
    Folders.push_back(record);
}

void TSevenZipWriter::AddEmpty(const TArchiveEntry& entry) { AddFile(entry, false, 0, 0); }

void TSevenZipWriter::AddFile(const TArchiveEntry& entry, bool hasStream, uint64_t size, uint32_t crc)
{
    TFile file;
    file.Name = Utf8ToUtf16(entry.Name);
    file.IsDirectory = entry.IsDirectory;
    file.HasStream = hasStream;
    file.Attributes = entry.Attributes;
    file.LastWriteTime = entry.LastWriteTime;
    file.Size = size;
    file.Crc = crc;
    Files.push_back(std::move(file));
}

void TSevenZipWriter::Finish()
{
    const uint64_t headerOffset = Sink.Position() - SignatureHeaderSize;
    std::vector<const TFile*> streams;
    for (const TFile& file : Files) {
        if (file.HasStream) streams.push_back(&file);
    }

    std::vector<uint8_t> h;
    h.push_back(kHeader);
    if (!Folders.empty()) {
        h.push_back(kMainStreamsInfo);
        h.push_back(kPackInfo);
        PutSevenZipNumber(h, 0);  // the packed streams start right after the signature header
        PutSevenZipNumber(h, Folders.size());
        h.push_back(kSize);
        for (const TFolder& folder : Folders) PutSevenZipNumber(h, folder.PackedSize);
        h.push_back(kEnd);

        h.push_back(kUnPackInfo);
        h.push_back(kFolder);
        PutSevenZipNumber(h, Folders.size());
        h.push_back(0);  // not external
        for (const TFolder& folder : Folders) {
            PutSevenZipNumber(h, 1);  // one coder, one stream in and out
            if (folder.Lzma) {
                h.insert(h.end(), {0x23, 0x03, 0x01, 0x01});  // LZMA, with properties
                PutSevenZipNumber(h, folder.Properties.size());
                h.insert(h.end(), folder.Properties.begin(), folder.Properties.end());
            } else {
                h.insert(h.end(), {0x01, 0x00});  // Copy
            }
        }
        h.push_back(kCodersUnPackSize);
        for (const TFolder& folder : Folders) PutSevenZipNumber(h, folder.UnpackSize);
        h.push_back(kEnd);

        // The files of each folder: their count and all sizes but the last
        // (which the folder's size implies), then every file's CRC.
        h.push_back(kSubStreamsInfo);
        if (streams.size() != Folders.size()) {
            h.push_back(kNumUnPackStream);
            for (const TFolder& folder : Folders) PutSevenZipNumber(h, folder.FileCount);
            h.push_back(kSize);
            size_t at = 0;
            for (const TFolder& folder : Folders) {
                for (size_t i = 0; i + 1 < folder.FileCount; ++i) PutSevenZipNumber(h, streams[at + i]->Size);
                at += folder.FileCount;
            }
        }
        h.push_back(kCRC);
        h.push_back(1);  // all defined
        for (const TFile* file : streams) PutLe32(h, file->Crc);
        h.push_back(kEnd);
        h.push_back(kEnd);
    }

    h.push_back(kFilesInfo);
    PutSevenZipNumber(h, Files.size());
    std::vector<bool> emptyStream, emptyFile;
    for (const TFile& file : Files) {
        emptyStream.push_back(!file.HasStream);
        if (!file.HasStream) emptyFile.push_back(!file.IsDirectory);
    }
    if (streams.size() != Files.size()) {
        PutProperty(h, kEmptyStream, BitField(emptyStream));
        PutProperty(h, kEmptyFile, BitField(emptyFile));
    }
    std::vector<uint8_t> body{0};  // not external
    for (const TFile& file : Files) {
        for (char16_t c : file.Name) PutLe16(body, c == u'\\' ? u'/' : c);
        PutLe16(body, 0);
    }
    PutProperty(h, kName, body);
    body.assign({1, 0});  // all defined, not external
    for (const TFile& file : Files) PutLe64(body, file.LastWriteTime);
    PutProperty(h, kMTime, body);
    body.assign({1, 0});
    for (const TFile& file : Files) PutLe32(body, file.Attributes | (file.IsDirectory ? 0x10 : 0));
    PutProperty(h, kWinAttributes, body);
    h.push_back(kEnd);
    h.push_back(kEnd);
    Sink.Write(h.data(), h.size());

    std::vector<uint8_t> start;
    PutLe64(start, headerOffset);
    PutLe64(start, h.size());
    PutLe32(start, Crc32Update(0, h.data(), h.size()));
    std::vector<uint8_t> signature(Signature, Signature + 6);
    signature.push_back(0);  // format version 0.4
    signature.push_back(4);
    PutLe32(signature, Crc32Update(0, start.data(), start.size()));
    signature.insert(signature.end(), start.begin(), start.end());
    Sink.WriteAt(0, signature.data(), signature.size());
}
