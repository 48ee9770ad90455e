#pragma once
// The check after writing: an archive is read back by the format's own reader,
// which decodes every entry and reports what it found; that list must match,
// entry for entry, what was taken from the sources while writing.
#include <cstdint>
#include <string>
#include <vector>

struct TEntryDigest {
    std::string Name;         // the name as stored in the archive (format-specific form)
    std::string DisplayName;  // for messages: the source's relative path (UTF-8)
    bool IsDirectory = false;
    uint64_t Size = 0;        // bytes of the entry's data
    uint32_t Crc = 0;         // CRC-32 of the data: for the read-back list, of the decoded data
};

// Compares the entries recorded while writing with those the reader decoded.
// Throws TArchiverError (ArchiverVerifyError) naming the first entry that is
// missing, extra, renamed, of another size or CRC.
void CompareEntryDigests(const std::vector<TEntryDigest>& written, const std::vector<TEntryDigest>& readBack);
