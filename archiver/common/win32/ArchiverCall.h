#pragma once
// The frame of an archiver entry point: running bookkeeping for the
// "...GetRunning" export, and the turning of every outcome into the result
// code and the output buffer's text. MakeArchive runs its steps inside it; a
// library's exports are thin:
//
//     BOOL WINAPI SevenZipGetRunning(void) { return ArchiverIsRunning(); }
//     int WINAPI SevenZipGetFileCount(LPCSTR archive) { return CountArchiveFiles(archive, ReadFormat); }
#include "archiver/common/ArchiveStream.h"
#include "archiver/common/ArchiveVerify.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Both calls keep the library loaded for the rest of the process from the first
// call on, so that loading it anew for every folder costs no memory.
//
// Runs body while counting the call as running (one call at a time per
// library: a second concurrent call returns ArchiverBusy). The text body
// returns is written to the output buffer and 0 returned; a TArchiverError
// gives its code and message, any other exception ArchiverInternalError; the
// text goes out in the call's code (TextConvert.h).
// The buffer is always zero-terminated within outputSize (null or 0: untouched).
int RunArchiverCall(LPSTR output, DWORD outputSize, const std::function<std::string()>& body);

// True while a call of this library is in progress in the process.
BOOL ArchiverIsRunning();

// The "...GetFileCount" export: the number of files (not folders) in the
// archive at a path in the call's code, as read reports them after decoding and checking
// every entry (TArchiverError when it cannot); -1 when the archive is
// missing, cannot be opened or read, or is damaged. Never throws.
// The archive this library made last, read back entry by entry before it was
// committed, is not decoded again while it is the same file (TArchiveIdentity):
// a caller that counts right after the call pays no second reading.
int CountArchiveFiles(LPCSTR archive, const std::function<std::vector<TEntryDigest>(const TByteSource&)>& read);

// What the library's last call made and verified: the committed archive and its files.
struct TArchiveIdentity;
void RememberVerifiedArchive(const TArchiveIdentity& identity, size_t files);
