#pragma once
// Packs the entries of a .7z archive: the files that pack go into solid LZMA
// blocks, each a folder of its own, and workers pack independent blocks at
// the same time (the SDK's coder runs on one thread per stream). The entries
// are dealt out to the blocks before packing starts, so that the blocks hold
// about the same amount of data and the workers end together; each block reads
// its own in list order. Whether a file packs is judged on its first
// 64 KiB, and one that does not is copied as it is (the Copy coder), as are all
// files at level 0. Folders reach the writer whole, one at a time, so a block
// is kept in memory until it is done, or until it passes a limit (then it takes
// the writer for the rest of the block): memory stays at the workers' encoders
// plus at most that much output each. Platform-free.
#include "archiver/common/ArchiveVerify.h"
#include "archiver/sevenzip/DeflatePipeline.h"
#include "archiver/sevenzip/SevenZipFormat.h"

#include <cstdint>
#include <functional>
#include <vector>

struct TSolidOptions {
    int Level = 5;          // 0 stores every file; 1..9 the LZMA levels
    unsigned Threads = 0;   // blocks packed at once; 0: one per processor, as memory allows
    uint64_t BlockSize = 0; // data per block; 0: an even share per worker, within bounds
    uint64_t BufferLimit = 64 << 20;  // packed bytes a block keeps in memory before it writes directly
    // Called on the calling thread every few dozen milliseconds while the workers
    // run, with the source bytes packed so far (by the coders, not merely read:
    // an LZMA encoder reads a dictionary's worth ahead); may throw (a cancel),
    // which stops them at once.
    std::function<void(size_t filesDone, const TArchiveEntry& current, uint64_t bytesPacked)> Progress;
};

// Runs the entries through the writer (not Finish). Returns what was read from
// the sources, in the order the writer lists the files, for verification.
std::vector<TEntryDigest> RunSolidPipeline(const std::vector<TPipelineEntry>& entries, TSevenZipWriter& writer,
                                           const TSolidOptions& options);
