#include "archiver/common/win32/TemporaryFile.h"

#include "archiver/common/win32/ExactPath.h"

#include <atomic>
#include <cwchar>
#include <cwctype>

HANDLE CreateTemporaryFile(const std::wstring& folder, const wchar_t* prefix, DWORD shareMode, DWORD flags, std::wstring& path)
{
    static std::atomic<unsigned> counter{0};
    std::wstring base = ExactPath(folder);
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        wchar_t name[64];
        swprintf(name, 64, L"%ls%lx_%x.tmp", prefix, GetCurrentProcessId(), counter.fetch_add(1) + GetTickCount() % 0x10000);
        path = base + name;
        file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, shareMode, nullptr, CREATE_NEW, flags, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return file;
}

namespace {

// prefix + hex digits + "_" + hex digits + ".tmp", as CreateTemporaryFile names them.
bool IsTemporaryName(const wchar_t* name, const wchar_t* prefix)
{
    const size_t prefixLength = wcslen(prefix);
    if (_wcsnicmp(name, prefix, prefixLength) != 0) return false;
    const wchar_t* p = name + prefixLength;
    const auto hex = [&p] {
        const wchar_t* start = p;
        while (iswxdigit(*p)) ++p;
        return p > start;
    };
    return hex() && *p++ == L'_' && hex() && _wcsicmp(p, L".tmp") == 0;
}

} // namespace

void RemoveStaleTemporaryFiles(const std::wstring& folder, const wchar_t* prefix)
{
    std::wstring base = ExactPath(folder);
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileExW((base + prefix + L"*.tmp").c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
            !IsTemporaryName(data.cFileName, prefix)) {
            continue;
        }
        // No sharing at all: a call still writing its file holds it, and this open fails.
        const HANDLE stale = CreateFileW((base + data.cFileName).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (stale != INVALID_HANDLE_VALUE) CloseHandle(stale);
    } while (FindNextFileW(find, &data));
    FindClose(find);
}
