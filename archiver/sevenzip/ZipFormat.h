#pragma once
// The zip format: a writer fed by the deflate pipeline and the reader that
// verifies what was written. Names are UTF-8 with the language-encoding flag
// (bit 11) where not plain ASCII; times as MS-DOS local time plus the extended
// timestamp field; ZIP64 records wherever a size, offset or count needs them.
// Platform-free.
#include "archiver/common/ArchiveStream.h"
#include "archiver/common/ArchiveVerify.h"
#include "archiver/sevenzip/ArchiveEntry.h"

#include <vector>

class TZipWriter final : public TArchiveFormatWriter {
public:
    // forceZip64 writes ZIP64 records for every entry and the end of the
    // archive even where the sizes do not need them (tests).
    explicit TZipWriter(TByteSink& sink, bool forceZip64 = false) : Sink(sink), ForceZip64(forceZip64) {}
    void BeginEntry(const TArchiveEntry& entry, TEntryMethod method) override;
    void WriteData(const void* data, size_t size) override;
    void EndEntry(uint32_t crc, uint64_t size, uint64_t packedSize) override;
    void Finish() override;

private:
    struct TCentralEntry {
        std::string Name;  // as stored, directories with their '/'
        uint16_t Flags = 0, Method = 0;
        uint32_t DosDateTime = 0, Attributes = 0, Crc = 0;
        int32_t UnixTime = 0;
        uint64_t Size = 0, PackedSize = 0, Offset = 0;
        bool LocalZip64 = false;
    };
    TByteSink& Sink;
    bool ForceZip64;
    std::vector<TCentralEntry> Entries;
};

// Reads a zip archive back: every entry's local header is checked against the
// central directory and its data decoded (stored or deflated). Returns one
// digest per entry, Name as stored without a directory's trailing '/'.
// Throws TArchiverError (ArchiverVerifyError) on any inconsistency, naming
// the entry through display (the stored name as it is by default).
std::vector<TEntryDigest> ReadZipDigests(const TByteSource& source, const TNameForMessages& display = KeepName);
