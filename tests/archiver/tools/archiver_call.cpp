// Calls one archiver entry point as the program does and reports the outcome:
//     archiver-call DLLNAME FUNCTION "COMMAND LINE"
// Prints the result and the output text (ANSI code page); the exit code is
// the entry point's result (200 and up: the library could not be used).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: archiver-call DLLNAME FUNCTION \"COMMAND LINE\"\n");
        return 200;
    }
    HMODULE library = LoadLibraryA(argv[1]);
    if (!library) {
        std::fprintf(stderr, "cannot load %s\n", argv[1]);
        return 201;
    }
    using Entry = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
    using Running = BOOL(WINAPI*)();
    const std::string runningName = std::string(argv[2]) + "GetRunning";
    auto entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, argv[2])));
    auto running = reinterpret_cast<Running>(reinterpret_cast<void*>(GetProcAddress(library, runningName.c_str())));
    if (!entry || !running) {
        std::fprintf(stderr, "missing entry point in %s\n", argv[1]);
        return 202;
    }
    if (running()) return 203;
    char output[1024];
    std::memset(output, 0, sizeof output);
    const DWORD start = GetTickCount();
    const int result = entry(nullptr, argv[3], output, sizeof output);
    const DWORD elapsed = GetTickCount() - start;
    FreeLibrary(library);
    output[sizeof output - 1] = '\0';
    std::printf("result=%d\nmilliseconds=%lu\n%s\n", result, static_cast<unsigned long>(elapsed), output);
    return result;
}
