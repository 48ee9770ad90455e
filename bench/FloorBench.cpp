// The disk's floor under any archiver, per book as F8 works: every page of a
// folder read, the bytes written to one file beside it, flushed to disk, closed,
// opened again and read back through a CRC-32. Stored, so no packing at all.
// Prints "floor_seconds=" (with the flush) and "floor_noflush_seconds=" for every
// folder below ROOT, one pass each, the files removed after; asserts nothing.
//   bench_floor ROOT
#include "bench/BenchTree.h"
#include "base/PathUtility.h"
#include "base/WideText.h"
#include "pages/Crc32.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Listed(const std::wstring& dir, bool folders)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileExW((dir + L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                   FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) == folders) names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

// One book: its pages into one file, flushed or not, then read back. False on a failure.
bool Book(const std::wstring& root, const std::wstring& name, bool flush, std::vector<char>& buffer)
{
    const std::wstring dir = root + name + L"\\";
    const std::wstring out = root + name + L".floor";
    HANDLE target = CreateFileW(out.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (target == INVALID_HANDLE_VALUE) return false;
    for (const std::wstring& page : Listed(dir, false)) {
        HANDLE source = CreateFileW((dir + page).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (source == INVALID_HANDLE_VALUE) continue;
        DWORD read = 0, written = 0;
        while (ReadFile(source, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) && read > 0)
            WriteFile(target, buffer.data(), read, &written, nullptr);
        CloseHandle(source);
    }
    if (flush) FlushFileBuffers(target);
    CloseHandle(target);
    HANDLE back = CreateFileW(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (back == INVALID_HANDLE_VALUE) return false;
    uint32_t crc = 0;
    DWORD read = 0;
    while (ReadFile(back, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) && read > 0)
        crc = Crc32Continue(crc, buffer.data(), read);
    CloseHandle(back);
    return crc != 1;  // kept, so that the CRC is not left out
}

double Pass(const std::wstring& root, const std::vector<std::wstring>& books, bool flush)
{
    std::vector<char> buffer(1 << 20);
    const double start = Now();
    for (const std::wstring& book : books) {
        if (!Book(root, book, flush, buffer)) std::printf("error=cannot write beside %s\n", Utf8Text(book).c_str());
    }
    const double seconds = Now() - start;
    for (const std::wstring& book : books) DeleteFileW((root + book + L".floor").c_str());
    return seconds;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::printf("usage: bench_floor ROOT\n");
        return 2;
    }
    const std::wstring root = WideText(IncludeTrailingPathDelimiter(argv[1]));
    const std::vector<std::wstring> books = Listed(root, true);
    const double noFlush = Pass(root, books, false);
    const double flushed = Pass(root, books, true);
    std::printf("books=%zu\nfloor_seconds=%.3f\nfloor_noflush_seconds=%.3f\n", books.size(), flushed, noFlush);
    return 0;
}
