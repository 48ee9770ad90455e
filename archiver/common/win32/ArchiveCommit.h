#pragma once
// The end of every archiver call that made an archive: read the temporary
// file back, compare it with what was taken from the sources, close the
// progress window (a Cancel it took up to then is honoured) and only then
// rename the archive to its name.
#include "archiver/common/ArchiveStream.h"
#include "archiver/common/ArchiveVerify.h"
#include "archiver/common/win32/ArchiveFile.h"
#include "archiver/common/win32/ProgressWindow.h"

#include <functional>
#include <vector>

// readBack decodes the archive's entries (the format's reader). Throws
// TArchiverError (verification, cancel, rename); the output's destructor then
// removes the temporary file.
void VerifyAndCommit(TArchiveOutputFile& output, TProgressWindow& progress, const std::vector<TEntryDigest>& written,
                     const std::function<std::vector<TEntryDigest>(const TByteSource&)>& readBack);
