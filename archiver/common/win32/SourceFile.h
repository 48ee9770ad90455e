#pragma once
// A source file of an archiver call, read from start to end or at any
// position. Only a file on a disk is read: a pipe, a FIFO or a device, whose
// reads may wait for ever, is refused when opened, before any byte is read.
// Reads are overlapped (OverlappedReader.h), so that even a read that waits on
// the system gives way to a Cancel within a poll's time.
#include "archiver/common/win32/OverlappedReader.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class TSourceFile {
public:
    // path: full, in any form (the "\\?\" form is made here). poll runs while a
    // read waits; it may throw (a Cancel), which ends the read and is passed on.
    // Failures throw ArchiverSourceError naming the file by displayName.
    TSourceFile(const std::wstring& path, const std::string& displayName, std::function<void()> poll = {});
    TSourceFile(const TSourceFile&) = delete;
    TSourceFile& operator=(const TSourceFile&) = delete;

    // The size when the file was opened.
    uint64_t Size() const { return FileSize; }
    // Reads up to size bytes from where the last Read ended; fewer only at the end (0 at the end).
    size_t Read(void* data, size_t size);
    // Reads up to size bytes at position; fewer only at the end of the file.
    size_t ReadAt(uint64_t position, void* data, size_t size);

private:
    [[noreturn]] void Fail(const char* what, DWORD error) const;

    std::string DisplayName;
    struct TCloser {
        void operator()(HANDLE handle) const { CloseHandle(handle); }
    };
    std::unique_ptr<void, TCloser> File;
    std::unique_ptr<TOverlappedReader> Reader;  // declared after File: ends first
    uint64_t FileSize = 0;
    uint64_t Position = 0;
};
