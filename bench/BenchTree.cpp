#include "bench/BenchTree.h"

#include "base/PathUtility.h"
#include "base/WideText.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Least(const std::vector<double>& values) { return *std::min_element(values.begin(), values.end()); }

static std::string Number(int value, int width)
{
    std::string digits = std::to_string(value);
    return std::string(width > static_cast<int>(digits.size()) ? width - digits.size() : 0, '0') + digits;
}

// Generates the tree unless a complete one is there from a kept run.
void MakeTree(const std::string& root, int folders, int files)
{
    const std::string complete = root + "complete.txt";
    if (GetFileAttributesA(complete.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    CreateDirectoryA(root.c_str(), nullptr);
    for (int f = 0; f < folders; ++f) {
        const std::string folder = root + "vol" + Number(f, 5) + "\\";
        CreateDirectoryA(folder.c_str(), nullptr);
        for (int i = 1; i <= files; ++i) {
            const std::string path = folder + "img" + Number(i, 4) + (i % 3 ? ".jpg" : ".png");
            HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        }
    }
    HANDLE marker = CreateFileA(complete.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
}

void RemoveTree(const std::string& dir)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "*.*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(dir + name + "\\");
            } else {
                DeleteFileA((dir + name).c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

// The floor: every folder below the root, read twice, entries only counted.
size_t EnumerationFloor(const std::string& root)
{
    size_t entries = 0;
    const auto read = [&](const std::string& dir) {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((dir + "*.*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) return;
        do ++entries;
        while (FindNextFileA(find, &data));
        FindClose(find);
    };
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((root + "*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        const std::string name = data.cFileName;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == "." || name == "..") continue;
        const std::string dir = IncludeTrailingPathDelimiter(root + name);
        read(dir);
        read(dir);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return entries;
}

size_t WideListingFloor(const std::string& root)
{
    size_t entries = 0;
    const auto list = [&](const std::wstring& dir, const auto& each) {
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileExW((dir + L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH);
        if (find == INVALID_HANDLE_VALUE) return;
        do {
            ++entries;
            each(data);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    };
    const std::wstring wideRoot = WideText(IncludeTrailingPathDelimiter(root));
    list(wideRoot, [&](const WIN32_FIND_DATAW& data) {
        const std::wstring name = data.cFileName;
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || name == L"." || name == L"..") return;
        list(wideRoot + name + L"\\", [](const WIN32_FIND_DATAW&) {});
    });
    return entries;
}

static std::string ReadWhole(const std::string& path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char block[65536];
    DWORD read = 0;
    while (ReadFile(file, block, sizeof block, &read, nullptr) && read > 0) bytes.append(block, read);
    CloseHandle(file);
    return bytes;
}

std::vector<Page> LoadPages(const std::string& dir, const char* extension)
{
    std::vector<Page> pages;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "*" + extension).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return pages;
    do pages.push_back({data.cFileName, ReadWhole(dir + data.cFileName)});
    while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(pages.begin(), pages.end(), [](const Page& a, const Page& b) { return a.Name < b.Name; });
    return pages;
}

uint64_t MakePageTree(const std::string& root, int folders, const std::vector<Page>& pages, const char* extension)
{
    uint64_t bytes = 0;
    for (const Page& page : pages) bytes += page.Bytes.size();
    bytes *= static_cast<uint64_t>(folders);
    const std::string complete = root + "complete.txt";
    if (GetFileAttributesA(complete.c_str()) != INVALID_FILE_ATTRIBUTES) return bytes;
    CreateDirectoryA(root.c_str(), nullptr);
    char name[32];
    for (int f = 0; f < folders; ++f) {
        std::snprintf(name, sizeof name, "vol%05d\\", f);
        const std::string folder = root + name;
        CreateDirectoryA(folder.c_str(), nullptr);
        for (size_t i = 0; i < pages.size(); ++i) {
            std::snprintf(name, sizeof name, "p%02zu%s", i + 1, extension);
            HANDLE file = CreateFileA((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) continue;
            DWORD written = 0;
            WriteFile(file, pages[i].Bytes.data(), static_cast<DWORD>(pages[i].Bytes.size()), &written, nullptr);
            CloseHandle(file);
        }
    }
    HANDLE marker = CreateFileA(complete.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    return bytes;
}

double OpenReadCloseFloor(const std::string& root, int folders, size_t pages, const char* extension, int threads)
{
    std::vector<std::wstring> paths;
    char name[40];
    for (int f = 0; f < folders; ++f) {
        for (size_t i = 0; i < pages; ++i) {
            std::snprintf(name, sizeof name, "vol%05d\\p%02zu%s", f, i + 1, extension);
            paths.push_back(WideText(root + name));
        }
    }
    std::atomic<size_t> next{0};
    const auto work = [&] {
        char block[4096];
        for (size_t i; (i = next.fetch_add(1)) < paths.size();) {
            HANDLE file = CreateFileW(paths[i].c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) continue;
            DWORD read = 0;
            ReadFile(file, block, sizeof block, &read, nullptr);
            CloseHandle(file);
        }
    };
    const double start = Now();
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    return Now() - start;
}

std::wstring StatusText(HWND status)
{
    wchar_t text[512] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(status, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &length))
        return {};
    return text;
}

std::wstring WaitForFindEnd(HWND status, double seconds)
{
    const double start = Now();
    std::wstring text;
    while (Now() - start < seconds) {
        text = StatusText(status);
        if (text == L"検索が終了しました" || text == L"検索を中断しました") break;
        Sleep(10);
    }
    return text;
}

void MakeLibraryTree(const std::string& root, int authors, int series, int volumes, int files)
{
    const std::string complete = root + "complete.txt";
    if (GetFileAttributesA(complete.c_str()) != INVALID_FILE_ATTRIBUTES) return;
    CreateDirectoryA(root.c_str(), nullptr);
    for (int a = 0; a < authors; ++a) {
        const std::string author = root + "author" + Number(a, 3) + "\\";
        CreateDirectoryA(author.c_str(), nullptr);
        for (int s = 0; s < series; ++s) {
            const std::string shelf = author + "series" + Number(s, 3) + "\\";
            CreateDirectoryA(shelf.c_str(), nullptr);
            for (int v = 0; v < volumes; ++v) {
                const std::string volume = shelf + "vol" + Number(v, 3) + "\\";
                CreateDirectoryA(volume.c_str(), nullptr);
                for (int i = 1; i <= files; ++i) {
                    const std::string path = volume + "img" + Number(i, 4) + (i % 3 ? ".jpg" : ".png");
                    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
                    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
                }
            }
        }
    }
    HANDLE marker = CreateFileA(complete.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
}

size_t OnePassFloor(const std::string& root)
{
    size_t entries = 0;
    std::vector<std::wstring> pending{L"\\\\?\\" + WideText(root)};
    while (!pending.empty()) {
        const std::wstring dir = std::move(pending.back());
        pending.pop_back();
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileExW((dir + L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr,
                                       FIND_FIRST_EX_LARGE_FETCH);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            ++entries;
            const wchar_t* name = data.cFileName;
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (name[0] == L'.' && (!name[1] || (name[1] == L'.' && !name[2]))))
                continue;
            pending.push_back(dir + name + L"\\");
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return entries;
}
