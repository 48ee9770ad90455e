#pragma once
// Reads LHA archives with level-2 headers entry by entry, checking every
// header CRC and, on extraction, every entry's data CRC.
#include "archiver/common/ArchiveStream.h"
#include "archiver/lha/LhaHeader.h"
#include "archiver/lha/LhaStreams.h"

class TLhaReader {
public:
    explicit TLhaReader(TByteInput& input) : input_(input) {}
    // The next entry's header; false at the end mark. The previous entry's data
    // is skipped if it was not extracted.
    bool Next(TLhaEntryHeader& header);
    // Decodes the current entry's data into output and checks its size and CRC;
    // throws TLhaFormatError on any mismatch or an unknown method.
    void Extract(TByteOutput& output);
    // Throws TLhaFormatError unless the archive ends right after its end mark.
    void CheckEnd();

private:
    void Skip();
    TByteInput& input_;
    TLhaEntryHeader current_;
    bool pending_ = false;   // the current entry's data is still unread
};

// Sequential reading of a random-access archive.
class TByteSourceInput : public TByteInput {
public:
    explicit TByteSourceInput(const TByteSource& source) : source_(source) {}
    size_t Read(void* buffer, size_t size) override;

private:
    const TByteSource& source_;
    uint64_t position_ = 0;
};
