#include "engine/win32/JobLogFile.h"

#include "engine/JobLog.h"
#include "engine/win32/LongPath.h"
#include "toolkit/ScopedHandle.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>

namespace {

// Windows starting the record at once take turns: one of them finds the file
// empty and writes the header, the other finds it there.
class TRecordTurn {
public:
    explicit TRecordTurn(const std::wstring& path)
    {
        std::wstring folded = path;
        if (!folded.empty()) CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
        uint64_t hash = 0xCBF29CE484222325ULL;
        for (const wchar_t c : folded) hash = (hash ^ static_cast<uint16_t>(c)) * 0x100000001B3ULL;
        wchar_t name[64];
        std::swprintf(name, 64, L"Local\\Fennoro-record-%016llx", static_cast<unsigned long long>(hash));
        Mutex.reset(CreateMutexW(nullptr, FALSE, name));
        if (!Mutex) return;
        // Held only for one line's writing: a long wait means a window that hangs.
        const DWORD waited = WaitForSingleObject(Mutex.get(), 30000);
        Owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~TRecordTurn()
    {
        if (Owned) ReleaseMutex(Mutex.get());
    }
    TRecordTurn(const TRecordTurn&) = delete;
    TRecordTurn& operator=(const TRecordTurn&) = delete;
    bool Owned = false;

private:
    ScopedHandle Mutex;
};

} // namespace

bool AppendJobLog(const std::string& path, const std::string& line)
{
    const std::wstring exact = FileApiPath(path);
    const TRecordTurn turn(exact);
    if (!turn.Owned) return false;
    // Appending only: what is in the file already is never written over, and
    // another window appending at the same time adds whole lines of its own.
    ScopedHandle file(CreateFileW(exact.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size)) return false;
    const std::string text = size.QuadPart == 0 ? JobLogHeader() + line : line;
    DWORD written = 0;
    return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

std::string JobLogTime()
{
    SYSTEMTIME time{};
    GetLocalTime(&time);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                  time.wMinute, time.wSecond);
    return text;
}
