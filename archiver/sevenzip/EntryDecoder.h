#pragma once
// Decodes one packed stream of an archive being verified, computing the size
// and CRC-32 of what comes out. Platform-free.
#include "archiver/common/ArchiveStream.h"
#include "archiver/sevenzip/ArchiveEntry.h"

#include <cstdint>
#include <string>

struct TDecodedData {
    uint64_t Size = 0;
    uint32_t Crc = 0;
};

// The stream is packedSize bytes at offset. A deflated stream must end
// exactly there. Throws TArchiverError (ArchiverVerifyError) naming name.
TDecodedData DecodePackedStream(const TByteSource& source, uint64_t offset, uint64_t packedSize, TEntryMethod method,
                                const std::string& name);
