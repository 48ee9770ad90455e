#include "archiver/common/win32/TemporaryFile.h"

#include "archiver/common/win32/ExactPath.h"

#include <atomic>
#include <cwchar>

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
