#include "engine/win32/JobLogFile.h"

#include "engine/JobLog.h"
#include "engine/win32/LongPath.h"
#include "toolkit/ScopedHandle.h"

#include <windows.h>

#include <cstdio>

bool AppendJobLog(const std::string& path, const std::string& line)
{
    // Appending only: what is in the file already is never written over, and
    // another window appending at the same time adds whole lines of its own.
    ScopedHandle file(CreateFileW(FileApiPath(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
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
