#pragma once
// The 7z format: signature header, one packed stream per file (a folder with
// the Copy or the Deflate coder), then a plain header with the streams' sizes
// and CRCs and the files' UTF-16 names, times and attributes. The writer and
// the reader that verifies what was written. Platform-free.
#include "archiver/common/ArchiveStream.h"
#include "archiver/common/ArchiveVerify.h"
#include "archiver/sevenzip/ArchiveEntry.h"

#include <vector>

class TSevenZipWriter final : public TArchiveFormatWriter {
public:
    // Writes the signature header's place at once; Finish fills it in.
    explicit TSevenZipWriter(TByteSink& sink);
    void BeginEntry(const TArchiveEntry& entry, TEntryMethod method) override;
    void WriteData(const void* data, size_t size) override;
    void EndEntry(uint32_t crc, uint64_t size, uint64_t packedSize) override;
    void Finish() override;

private:
    struct TFile {
        std::u16string Name;
        bool IsDirectory = false, HasStream = false;
        TEntryMethod Method = TEntryMethod::Stored;
        uint32_t Attributes = 0, Crc = 0;
        uint64_t LastWriteTime = 0, Size = 0, PackedSize = 0;
    };
    TByteSink& Sink;
    std::vector<TFile> Files;
};

// Reads a 7z archive back: checks both header CRCs, decodes every packed
// stream and checks it against the header. One digest per file, Name in UTF-8
// with the stored separators. Throws TArchiverError (ArchiverVerifyError).
std::vector<TEntryDigest> ReadSevenZipDigests(const TByteSource& source, const TNameForMessages& display = KeepName);

// 7z's variable-length number, exposed for tests.
void PutSevenZipNumber(std::vector<uint8_t>& out, uint64_t value);
