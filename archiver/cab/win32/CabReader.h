#pragma once
// Reads a cabinet back through the system's cabinet library (FDI): every file
// is decoded (block checksums checked by the library) and digested, nothing
// is written to disk. The layout is checked first (CabinetLayout.h), which
// the library does not do.
#include "archiver/common/ArchiveStream.h"
#include "archiver/common/ArchiveVerify.h"

#include <string>
#include <vector>

// One digest per file in cabinet order: Name is the name as stored (UTF-8
// where the cabinet marks it so), DisplayName the same in UTF-8.
// Throws TArchiverError (ArchiverVerifyError) when the cabinet cannot be read,
// naming displayName or the file being decoded.
std::vector<TEntryDigest> ReadCabinetDigests(const TByteSource& cabinet, const std::string& displayName);
