#include "archiver/common/win32/TemporaryFile.h"

#include "archiver/common/win32/ExactPath.h"

#include <shellapi.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace {

uint64_t RandomBits()
{
    static std::atomic<uint64_t> state{0};
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    uint64_t x = state.fetch_add(0x9E3779B97F4A7C15ULL) ^ static_cast<uint64_t>(counter.QuadPart) ^
                 (static_cast<uint64_t>(GetCurrentProcessId()) << 32) ^ GetTickCount64();
    // splitmix64's finish: every input bit reaches every output bit.
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// prefix + 8 lowercase hex digits + "-" + 16 lowercase hex digits + ".tmp", exactly
// as CreateTemporaryFile names them.
bool IsTemporaryName(const wchar_t* name, const wchar_t* prefix)
{
    const size_t prefixLength = wcslen(prefix);
    if (wcsncmp(name, prefix, prefixLength) != 0) return false;
    const wchar_t* p = name + prefixLength;
    const auto hex = [&p](int digits) {
        for (int i = 0; i < digits; ++i, ++p)
            if (!((*p >= L'0' && *p <= L'9') || (*p >= L'a' && *p <= L'f'))) return false;
        return true;
    };
    return hex(8) && *p++ == L'-' && hex(16) && wcscmp(p, L".tmp") == 0;
}

// Whether the file begins with the mark, read while no one else holds it.
bool HoldsTheMark(const std::wstring& path)
{
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT,
                                    nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    char head[UnfinishedArchiveMarkSize] = {};
    DWORD read = 0;
    const bool marked = ReadFile(file, head, sizeof head, &read, nullptr) && read == sizeof head &&
                        std::memcmp(head, UnfinishedArchiveMark, sizeof head) == 0;
    CloseHandle(file);
    return marked;
}

// A dialog of the shell's while nobody may be asked: never made, which the shell
// takes for "no" (its warning before a delete for good).
thread_local HHOOK DialogBlocker = nullptr;

LRESULT CALLBACK BlockDialogs(int code, WPARAM window, LPARAM details)
{
    if (code == HCBT_CREATEWND) {
        const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(details);
        const LPCWSTR className = create && create->lpcs ? create->lpcs->lpszClass : nullptr;
        if (IS_INTRESOURCE(className) ? reinterpret_cast<ULONG_PTR>(className) == 0x8002
                                      : className && lstrcmpiW(className, L"#32770") == 0)
            return 1;
    }
    return CallNextHookEx(DialogBlocker, code, window, details);
}

void RecycleQuietly(const std::wstring& exactPath)
{
    // The shell reads a plain path shorter than MAX_PATH.
    const std::wstring plain = PlainPath(exactPath);
    if (plain.size() >= MAX_PATH || plain.rfind(L"\\\\", 0) == 0) return;
    std::vector<wchar_t> source(plain.begin(), plain.end());
    source.resize(source.size() + 2, L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = source.data();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NO_UI | FOF_WANTNUKEWARNING;
    DialogBlocker = SetWindowsHookExW(WH_CBT, BlockDialogs, nullptr, GetCurrentThreadId());
    if (!DialogBlocker) return;
    SHFileOperationW(&operation);
    UnhookWindowsHookEx(DialogBlocker);
    DialogBlocker = nullptr;
}

} // namespace

HANDLE CreateTemporaryFile(const std::wstring& folder, const wchar_t* prefix, DWORD shareMode, DWORD flags, std::wstring& path)
{
    std::wstring base = ExactPath(folder);
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        wchar_t name[96];
        swprintf(name, 96, L"%ls%08lx-%016llx.tmp", prefix, GetCurrentProcessId(),
                 static_cast<unsigned long long>(RandomBits()));
        path = base + name;
        file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, shareMode, nullptr, CREATE_NEW, flags, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return file;
}

void RemoveStaleTemporaryFiles(const std::wstring& folder, const wchar_t* prefix)
{
    std::wstring base = ExactPath(folder);
    if (!base.empty() && base.back() != L'\\') base += L'\\';
    WIN32_FIND_DATAW data;
    const HANDLE find = FindFirstFileExW((base + prefix + L"*.tmp").c_str(), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return;
    std::vector<std::wstring> stale;
    do {
        if ((data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ||
            !IsTemporaryName(data.cFileName, prefix)) {
            continue;
        }
        // No sharing at all: a call still writing its file holds it, and this open fails.
        if (HoldsTheMark(base + data.cFileName)) stale.push_back(base + data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    for (const std::wstring& path : stale) RecycleQuietly(path);
}
