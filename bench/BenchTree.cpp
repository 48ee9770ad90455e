#include "bench/BenchTree.h"

#include "base/PathUtility.h"

#include <windows.h>

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
