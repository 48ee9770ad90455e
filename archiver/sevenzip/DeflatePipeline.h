#pragma once
// Packs the entries of an archive on all cores and hands them in order to a
// format writer. Each file is read in chunks; worker threads compute the
// chunks' CRCs and deflate them, each chunk primed with the last 32 KiB of the
// one before and ended with a sync flush, so that the pieces form one deflate
// stream per file. Whether deflate pays is decided per file on its first
// 64 KiB (images that do not shrink are stored, without deflating them whole).
// The calling thread reads sources and writes the archive. Platform-free.
#include "archiver/common/ArchiveVerify.h"
#include "archiver/sevenzip/ArchiveEntry.h"

#include <functional>
#include <memory>
#include <vector>

class TDataReader {
public:
    virtual ~TDataReader() = default;
    // Reads up to size bytes; fewer only at the end (0 at the end).
    virtual size_t Read(void* data, size_t size) = 0;
};

struct TPipelineEntry {
    TArchiveEntry Entry;
    std::function<std::unique_ptr<TDataReader>()> Open;  // not called for directories
};

struct TPipelineOptions {
    int Level = 6;              // zlib level 1..9; 0 stores everything
    unsigned Threads = 0;       // workers; 0: one per processor
    size_t ChunkSize = 1 << 20;
    // Called on the calling thread after each finished file, between chunks and
    // every few dozen milliseconds while it waits for one; may throw (a cancel)
    // to stop the run.
    // bytesPacked: the source bytes deflated or stored so far.
    std::function<void(size_t filesDone, const TArchiveEntry& current, uint64_t bytesPacked)> Progress;
};

// Runs the entries through the writer (not Finish). Returns what was read
// from the sources: name, size and CRC per entry, for verification.
std::vector<TEntryDigest> RunDeflatePipeline(const std::vector<TPipelineEntry>& entries, TArchiveFormatWriter& writer,
                                             const TPipelineOptions& options);
