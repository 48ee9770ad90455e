#include "archiver/common/win32/OverlappedReader.h"

#include <new>

TOverlappedReader::TOverlappedReader(HANDLE file, std::function<void()> poll) : File(file), Poll(std::move(poll))
{
    Done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!Done) throw std::bad_alloc();
}

TOverlappedReader::~TOverlappedReader() { CloseHandle(Done); }

bool TOverlappedReader::ReadAt(uint64_t position, void* data, DWORD size, DWORD& read)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(position);
    at.OffsetHigh = static_cast<DWORD>(position >> 32);
    at.hEvent = Done;
    read = 0;
    if (!ReadFile(File, data, size, nullptr, &at)) {
        if (GetLastError() != ERROR_IO_PENDING) return GetLastError() == ERROR_HANDLE_EOF || GetLastError() == ERROR_BROKEN_PIPE;
        while (WaitForSingleObject(Done, PollMilliseconds) == WAIT_TIMEOUT) {
            if (!Poll) continue;
            try {
                Poll();
            } catch (...) {
                CancelIoEx(File, &at);
                GetOverlappedResult(File, &at, &read, TRUE);
                throw;
            }
        }
    }
    if (GetOverlappedResult(File, &at, &read, FALSE)) return true;
    read = 0;
    return GetLastError() == ERROR_HANDLE_EOF || GetLastError() == ERROR_BROKEN_PIPE;
}
