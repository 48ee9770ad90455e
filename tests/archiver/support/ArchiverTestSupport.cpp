#include "support/ArchiverTestSupport.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <stdexcept>

TArchiverDll::TArchiverDll(const std::string& dllName, const std::string& functionName)
{
    Module = LoadLibraryA(dllName.c_str());
    if (!Module) return;
    Entry = reinterpret_cast<EntryFunction>(reinterpret_cast<void*>(GetProcAddress(Module, functionName.c_str())));
    Running = reinterpret_cast<RunningFunction>(
        reinterpret_cast<void*>(GetProcAddress(Module, (functionName + "GetRunning").c_str())));
}

TArchiverDll::~TArchiverDll()
{
    if (Module) FreeLibrary(Module);
}

int TArchiverDll::Call(const std::string& commandLine, DWORD outputSize)
{
    std::vector<char> buffer(outputSize + 16, '\x7F');
    std::fill(buffer.begin(), buffer.begin() + outputSize, '\0');
    const int result = Entry(nullptr, commandLine.c_str(), buffer.data(), outputSize);
    // Nothing past the buffer's size may be touched.
    for (size_t i = outputSize; i < buffer.size(); ++i) {
        if (buffer[i] != '\x7F') throw std::runtime_error("output written past its size");
    }
    Output.assign(buffer.data(), strnlen(buffer.data(), outputSize));
    return result;
}

TTempFolder::TTempFolder()
{
    static std::atomic<unsigned> counter{0};
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    Root = std::string(temp) + "archiver-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++) + "\\";
    RemoveTree(Root);
    CreateDirectoryA(Root.c_str(), nullptr);
}

TTempFolder::~TTempFolder() { RemoveTree(Root); }

std::string TTempFolder::AddFolder(const std::string& relative)
{
    // Folders one level at a time; the separators are found by walking characters.
    std::string path = Root;
    for (size_t i = 0; i < relative.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(relative[i])) && i + 1 < relative.size()) {
            path += relative[i];
            path += relative[++i];
            continue;
        }
        if (relative[i] == '\\') CreateDirectoryA(path.c_str(), nullptr);
        path += relative[i];
    }
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

std::string TTempFolder::AddFile(const std::string& relative, const std::string& contents)
{
    size_t last = std::string::npos;
    for (size_t i = 0; i < relative.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(relative[i])) && i + 1 < relative.size()) {
            ++i;
        } else if (relative[i] == '\\') {
            last = i;
        }
    }
    if (last != std::string::npos) AddFolder(relative.substr(0, last));
    const std::string path = Root + relative;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + path);
    DWORD written = 0;
    WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

std::vector<std::string> TTempFolder::List(const std::string& relative) const
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((Root + relative + (relative.empty() ? "" : "\\") + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (strcmp(data.cFileName, ".") != 0 && strcmp(data.cFileName, "..") != 0) names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

bool TTempFolder::Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string SampleBytes(size_t size, uint32_t seed)
{
    std::string bytes(size, '\0');
    uint32_t state = seed * 2654435761u + 1;
    static const char words[] = "scan page numbered folder archive ";
    for (size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[i] = (i / 4096) % 2 == 0 ? words[(i + seed) % (sizeof words - 1)] : static_cast<char>(state >> 24);
    }
    return bytes;
}

namespace {

// Wide, so that a name the ANSI code page cannot hold goes too.
void RemoveTreeW(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (wcscmp(data.cFileName, L".") == 0 || wcscmp(data.cFileName, L"..") == 0) continue;
            const std::wstring child = folder + L"\\" + data.cFileName;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTreeW(child);
            } else {
                DeleteFileW(child.c_str());
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

void RemoveTree(const std::string& path)
{
    std::string folder = path;
    bool trailing = false;
    for (size_t i = 0; i < folder.size(); ++i) {
        trailing = folder[i] == '\\';
        if (IsDBCSLeadByte(static_cast<BYTE>(folder[i]))) ++i;
    }
    if (trailing) folder.pop_back();
    std::wstring wide(folder.size() + 1, L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, wide.data(), static_cast<int>(wide.size())) - 1));
    RemoveTreeW(wide);
}

std::string AnsiFromUtf8(const std::string& utf8)
{
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), wideLength);
    const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, ansi.data(), length, nullptr, nullptr);
    return ansi;
}
