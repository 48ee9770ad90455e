#pragma once
// Files of an archiver call: the archive being written (under a temporary name
// beside the target, renamed only when complete and verified), the archive
// read back for verification. Every call names them in the "\\?\" form
// (ExactPath.h), so a name ending in a blank or a dot is kept.
#include "archiver/common/ArchiveStream.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// Which file an archive is: the same volume, file index, size and write time
// mean the same bytes as when they were taken.
struct TArchiveIdentity {
    DWORD Volume = 0;
    uint64_t Index = 0;
    uint64_t Size = 0;
    uint64_t WriteTime = 0;
    bool operator==(const TArchiveIdentity&) const = default;
};

// The archive being written. The constructor refuses a target that exists
// (ArchiverArchiveExists) and creates a new temporary file in the target's
// folder (ArchiverWriteError on failure), marked for deletion: the system
// removes it with its handle, also when the process dies, until Commit clears
// the mark. Writes are buffered. Unless Commit succeeded, the destructor closes
// (and so deletes) the temporary file, so no failure, cancel or kill leaves
// anything behind. What an earlier call could not remove (RemoveStaleTemporaryFiles)
// goes when the next one begins in the folder.
class TArchiveOutputFile final : public TByteSink {
public:
    explicit TArchiveOutputFile(const std::string& targetPath);
    ~TArchiveOutputFile() override;
    TArchiveOutputFile(const TArchiveOutputFile&) = delete;
    TArchiveOutputFile& operator=(const TArchiveOutputFile&) = delete;

    void Write(const void* data, size_t size) override;
    uint64_t Position() const override { return WrittenBytes + Buffer.size(); }
    void WriteAt(uint64_t position, const void* data, size_t size) override;

    // Writes out the buffer and the archive's head (in place of the mark), so that
    // the temporary file can be read back. Nothing may be written after it.
    void Flush();
    // Starts flushing what was written to the disk on a thread of its own, so
    // that reading the archive back goes on meanwhile; Commit waits for it and
    // checks it. Nothing may be written after it.
    void BeginDiskFlush();
    const std::wstring& TemporaryPath() const { return TempPath; }
    // The temporary file's handle, for reading it back: a file marked for
    // deletion cannot be opened again by its name on Windows.
    HANDLE Handle() const { return File; }
    const std::wstring& TargetPath() const { return Target; }
    // Flushes the file to the disk, closes it (a failure of either throws
    // ArchiverWriteError with its reason) and renames it to the target, never
    // replacing a file that appeared meanwhile (ArchiverArchiveExists).
    void Commit();
    // The committed archive's identity (all zero where the system would not tell).
    const TArchiveIdentity& Identity() const { return CommittedIdentity; }

private:
    void WriteAll(const void* data, size_t size);
    void WriteThrough(const void* data, size_t size);
    void FlushBuffer();
    void RestoreHead();
    [[noreturn]] void Fail(DWORD error) const;

    std::string TargetName;  // as the command line gave it
    std::wstring Target, TempPath;
    HANDLE File = INVALID_HANDLE_VALUE;
    std::vector<uint8_t> Buffer;
    uint64_t WrittenBytes = 0;
    bool Committed = false;
    bool DeletedWithHandle = false;
    std::thread DiskFlush;
    DWORD DiskFlushError = ERROR_SUCCESS;
    TArchiveIdentity CommittedIdentity;
    // The archive's first bytes, kept here while the file holds the mark there.
    uint8_t Head[32] = {};
    bool HeadRestored = false;
};

// A file read back at any position (the temporary archive, for verification).
class TFileByteSource final : public TByteSource {
public:
    TFileByteSource(const std::wstring& path, const std::string& displayName);
    // The file already open (a handle with read access), through a handle of its own.
    TFileByteSource(HANDLE file, const std::string& displayName);
    ~TFileByteSource() override;
    TFileByteSource(const TFileByteSource&) = delete;
    TFileByteSource& operator=(const TFileByteSource&) = delete;
    uint64_t Size() const override { return FileSize; }
    void ReadAt(uint64_t position, void* data, size_t size) const override;
    // Which file it is; none where the system would not tell.
    bool Identity(TArchiveIdentity& identity) const;

private:
    std::string DisplayName;
    HANDLE File = INVALID_HANDLE_VALUE;
    uint64_t FileSize = 0;
};
