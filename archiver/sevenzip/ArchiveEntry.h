#pragma once
// What the format writers are told about one entry, and the interface through
// which the deflate pipeline hands them entries in order. Platform-free.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

struct TArchiveEntry {
    std::string Name;         // UTF-8, '/'-separated, relative, no trailing '/'
    std::string DisplayName;  // for messages (UTF-8)
    bool IsDirectory = false;
    uint32_t Attributes = 0;  // FILE_ATTRIBUTE_* bits
    uint64_t LastWriteTime = 0;  // FILETIME (100 ns since 1601, UTC)
    uint32_t DosDateTime = 0;    // MS-DOS date (high word) and time, local
    int32_t UnixTime = 0;        // seconds since 1970, UTC
    uint64_t SizeHint = 0;       // size when listed; the data read may differ
};

enum class TEntryMethod { Stored, Deflated };

// Receives the entries in order: BeginEntry, the packed data in pieces, EndEntry.
// Directories and empty files come with no data and the Stored method.
class TArchiveFormatWriter {
public:
    virtual ~TArchiveFormatWriter() = default;
    virtual void BeginEntry(const TArchiveEntry& entry, TEntryMethod method) = 0;
    virtual void WriteData(const void* data, size_t size) = 0;
    // crc and size of the entry's original data; packedSize the bytes written for it.
    virtual void EndEntry(uint32_t crc, uint64_t size, uint64_t packedSize) = 0;
    // Writes the directory or header that ends the archive.
    virtual void Finish() = 0;
};

// Turns a stored UTF-8 name into the text used in messages.
using TNameForMessages = std::function<std::string(const std::string&)>;
inline std::string KeepName(const std::string& name) { return name; }
