#pragma once
// Level-2 headers of LHA archives: a fixed part with sizes, Unix time and data
// CRC, then extended headers (header CRC, file name, directory with 0xFF
// separators, MS-DOS attributes). Names are bytes (the ANSI code page or UTF-8).
#include "archiver/lha/LhaStreams.h"

#include <cstdint>
#include <string>
#include <vector>

struct TLhaEntryHeader {
    std::string Method = "-lh0-";            // -lh0- stored, -lh5- compressed, -lhd- directory
    uint64_t PackedSize = 0;
    uint64_t OriginalSize = 0;
    uint32_t UnixTime = 0;
    uint16_t Crc = 0;                         // CRC-16 of the original data
    uint16_t Attributes = 0x20;               // MS-DOS attributes
    // Windows, not MS-DOS ('M'): readers lower-case an all-capital MS-DOS name,
    // which renames a CP932 name whose trail bytes are capitals (カ to ニ).
    uint8_t Os = 'w';
    std::vector<std::string> Directories;     // path below the archive's root, one folder a part
    std::string FileName;                     // empty for a directory entry
};

// The header's bytes, header CRC included. Throws std::length_error when the
// sizes exceed 32 bits or the names exceed what the header size can hold.
std::vector<uint8_t> BuildLevel2Header(const TLhaEntryHeader& header);

// Reads the next header; false at the archive's end mark. Throws TLhaFormatError
// for a malformed header, a header CRC mismatch or a level other than 2.
bool ReadLevel2Header(TByteInput& input, TLhaEntryHeader& header);

// The entry's path with the given separator, for messages and tests.
std::string LhaEntryPath(const TLhaEntryHeader& header, char separator);
