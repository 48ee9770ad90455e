#pragma once
// Writes LHA archives with level-2 headers: each file as -lh5- where that pays,
// as -lh0- where it does not (and always for empty files).
#include "archiver/common/ArchiveStream.h"
#include "archiver/lha/Lh5Format.h"
#include "archiver/lha/LhaHeader.h"
#include "archiver/lha/LhaStreams.h"

#include <cstdint>
#include <string>
#include <vector>

struct TLhaEntry {
    std::vector<std::string> Directories;  // path below the archive's root, one folder a part
    std::string FileName;
    uint32_t UnixTime = 0;
    uint16_t Attributes = 0x20;
};

class TLhaWriter {
public:
    explicit TLhaWriter(TByteSink& sink, uint32_t blockSymbols = lh5::MaxBlockSymbols) : sink_(sink), blockSymbols_(blockSymbols) {}
    // Reads data to its end once. Returns the header as written: method, sizes
    // and the CRC of the data read. Throws std::length_error at 4 GiB of data.
    TLhaEntryHeader AddFile(const TLhaEntry& entry, TByteInput& data);
    TLhaEntryHeader AddDirectory(const TLhaEntry& entry);
    // Writes the end mark.
    void Finish();

private:
    TByteSink& sink_;
    uint32_t blockSymbols_;
    std::vector<uint8_t> buffer_;
};
