#pragma once
// Helpers of the archiver libraries' Win32 tests: a library loaded by name as
// the program loads it, and temporary folder trees with Japanese names.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// An archiver library loaded with LoadLibraryA by file name (found beside the
// test executable) with its entry point and running check.
class TArchiverDll {
public:
    TArchiverDll(const std::string& dllName, const std::string& functionName);
    ~TArchiverDll();
    TArchiverDll(const TArchiverDll&) = delete;
    TArchiverDll& operator=(const TArchiverDll&) = delete;

    bool Loaded() const { return Entry && Running; }
    // Calls the entry point with a zero-filled buffer of outputSize bytes (as
    // the program does with 1024); Output gets the text up to the first zero.
    int Call(const std::string& commandLine, DWORD outputSize = 1024);
    int CallRaw(const char* commandLine, char* output, DWORD outputSize) { return Entry(nullptr, commandLine, output, outputSize); }
    bool IsRunning() const { return Running() != FALSE; }
    // Another export of the library, or null.
    template <typename T> T Export(const std::string& name) const
    {
        return reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(Module, name.c_str())));
    }
    std::string Output;

private:
    using EntryFunction = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
    using RunningFunction = BOOL(WINAPI*)();
    HMODULE Module = nullptr;
    EntryFunction Entry = nullptr;
    RunningFunction Running = nullptr;
};

// A new empty folder under the system's temporary folder, removed with all
// its contents at the end. Paths are ANSI code page texts; Path ends in '\\'.
class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::string& Path() const { return Root; }
    // Creates the file (and the folders before it) below the root.
    std::string AddFile(const std::string& relative, const std::string& contents);
    std::string AddFolder(const std::string& relative);
    // Names directly in a folder below the root ("" for the root), sorted.
    std::vector<std::string> List(const std::string& relative = "") const;
    static bool Exists(const std::string& path);

private:
    std::string Root;
};

// Deterministic bytes: a mix of text-like runs and noise, compressible in part.
std::string SampleBytes(size_t size, uint32_t seed);

// Removes a folder tree (ANSI path).
void RemoveTree(const std::string& path);

// A text of the libraries' insides (UTF-8) in the ANSI code page, as the tests' literals are.
std::string AnsiFromUtf8(const std::string& utf8);
