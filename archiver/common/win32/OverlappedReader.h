#pragma once
// Reads of a handle opened with FILE_FLAG_OVERLAPPED, waited for in short
// steps: between them a poll may stop a read that waits on the system (a
// pipe without data, a stalled network). The read is then cancelled and its
// end awaited before the poll's exception leaves, so that nothing writes into
// the buffer afterwards.
#include <windows.h>

#include <cstdint>
#include <functional>

class TOverlappedReader {
public:
    static constexpr DWORD PollMilliseconds = 50;

    // The handle stays the caller's. Throws std::bad_alloc when no event can be made.
    TOverlappedReader(HANDLE file, std::function<void()> poll);
    ~TOverlappedReader();
    TOverlappedReader(const TOverlappedReader&) = delete;
    TOverlappedReader& operator=(const TOverlappedReader&) = delete;

    // Reads up to size bytes at position (ignored by pipes); read is 0 at the
    // end. False on failure, GetLastError saying why.
    bool ReadAt(uint64_t position, void* data, DWORD size, DWORD& read);

private:
    HANDLE File;
    std::function<void()> Poll;
    HANDLE Done = nullptr;
};
