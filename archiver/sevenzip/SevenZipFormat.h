#pragma once
// The 7z format: signature header, the packed streams (folders: an LZMA
// stream holding several files one after another, or one file under the Copy
// coder), then a plain header with the folders' coders and sizes, the files'
// sizes and CRCs, UTF-16 names, times and attributes. The writer and the
// reader that verifies what was written. Platform-free.
#include "archiver/common/ArchiveStream.h"
#include "archiver/common/ArchiveVerify.h"
#include "archiver/sevenzip/ArchiveEntry.h"
#include "archiver/sevenzip/LzmaCoder.h"

#include <vector>

// One packed stream and the files it holds, in order.
struct TSevenZipFolder {
    struct TFile {
        TArchiveEntry Entry;
        uint64_t Size = 0;
        uint32_t Crc = 0;
    };
    bool Lzma = false;             // otherwise Copy, with exactly one file
    TLzmaProperties Properties{};  // LZMA only
    uint64_t PackedSize = 0;
    std::vector<TFile> Files;
};

class TSevenZipWriter final {
public:
    // Writes the signature header's place at once; Finish fills it in.
    explicit TSevenZipWriter(TByteSink& sink);
    // The packed bytes of the next folder, in pieces; EndFolder then describes them.
    void WriteData(const void* data, size_t size);
    void EndFolder(const TSevenZipFolder& folder);
    // An entry with no data: a directory or an empty file.
    void AddEmpty(const TArchiveEntry& entry);
    // Writes the header; files are listed in the order they were added.
    void Finish();

private:
    struct TFile {
        std::u16string Name;
        bool IsDirectory = false, HasStream = false;
        uint32_t Attributes = 0, Crc = 0;
        uint64_t LastWriteTime = 0, Size = 0;
    };
    struct TFolder {
        bool Lzma = false;
        TLzmaProperties Properties{};
        uint64_t PackedSize = 0, UnpackSize = 0;
        size_t FileCount = 0;
    };
    void AddFile(const TArchiveEntry& entry, bool hasStream, uint64_t size, uint32_t crc);

    TByteSink& Sink;
    std::vector<TFile> Files;
    std::vector<TFolder> Folders;
};

// Reads a 7z archive back: checks both header CRCs, decodes every folder and
// checks each file in it against the header. One digest per file in header
// order, Name in UTF-8 with the stored separators. Throws TArchiverError
// (ArchiverVerifyError).
std::vector<TEntryDigest> ReadSevenZipDigests(const TByteSource& source, const TNameForMessages& display = KeepName);

// 7z's variable-length number, exposed for tests.
void PutSevenZipNumber(std::vector<uint8_t>& out, uint64_t value);
