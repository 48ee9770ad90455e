#pragma once
// Writes a cabinet through the system's cabinet library (FCI): one cabinet,
// MSZIP compression, names with the UTF-8 attribute where not plain ASCII.
// A folder of the cabinet is closed before its data-block count would pass
// 65,535 (the library does not: the count would wrap), and a cabinet that
// would pass 2 GiB, which the library's 32-bit offsets cannot address, is refused.
#include "archiver/common/ArchiveStream.h"
#include "archiver/common/ArchiveVerify.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct TCabSource {
    std::wstring Path;            // the file to read
    std::string NameInCabinet;    // relative path with '\\', ASCII or UTF-8
    bool Utf8Name = false;
    std::string DisplayName;      // for messages (UTF-8)
    uint32_t DosDateTime = 0;     // date in the high word, time in the low word
    uint16_t Attributes = 0;      // read-only, hidden, system, archive
};

// A cabinet holds at most this many files, each under 2 GiB, names under 256 bytes.
constexpr size_t MaxCabinetFiles = 0xFFFF;
constexpr uint64_t MaxCabinetFileSize = 0x7FFF8000;
constexpr size_t MaxCabinetNameBytes = 255;

class TCabWriter {
public:
    // poll runs often while data is packed and written; it may throw to stop
    // (Cancel). counted hears of the bytes taken from the sources.
    TCabWriter(TByteSink& cabinet, std::function<void()> poll, std::function<void(uint64_t)> counted = {});
    ~TCabWriter();
    TCabWriter(const TCabWriter&) = delete;
    TCabWriter& operator=(const TCabWriter&) = delete;

    // Packs one file; returns its digest (name as stored, size and CRC-32 of
    // the bytes read). Throws TArchiverError on any failure.
    TEntryDigest AddFile(const TCabSource& source);
    // Writes the cabinet out to the sink.
    void Finish();

    struct TState;

private:
    [[noreturn]] void Fail(const char* step);
    void StartFolderFor(uint64_t fileSize);
    std::unique_ptr<TState> State;
    void* Context = nullptr;  // HFCI
    unsigned Method = 1;      // of the folder being filled: MSZIP until a file says otherwise
    unsigned FolderMethod = 1; // the method FolderBytes were counted under
    uint64_t FolderBytes = 0; // uncompressed bytes in the folder being filled
    uint64_t StoredBytes = 0; // of the files stored as they are
    uint16_t SetId = 0;
};
