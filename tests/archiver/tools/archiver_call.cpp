// Calls one archiver entry point as the program does and reports the outcome:
//     archiver-call [-u] DLLNAME FUNCTION "COMMAND LINE"
//     archiver-call [-u] DLLNAME FUNCTIONGetFileCount ARCHIVE    (prints count=N)
// With -u the library is put in its Unicode mode first and gets the command
// line (or path) in UTF-8, as the wide command line holds it; its output is
// printed as it comes (UTF-8 then).
// Prints the result, the time inside the call, the process's processor time
// and peak working set, and the output text (ANSI code page); the exit code is
// the entry point's result (200 and up: the library could not be used). For
// benchmarks, with
// FENNORO_CANCEL_AFTER_MS=N set it presses Cancel in the progress window N ms
// into the call and reports how long the call took to return after that.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

// The last argument as UTF-8, from the wide command line (argv has it in the ANSI code page).
std::string LastArgumentInUtf8()
{
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::string text;
    if (arguments && count > 0) {
        const int length = WideCharToMultiByte(CP_UTF8, 0, arguments[count - 1], -1, nullptr, 0, nullptr, nullptr);
        text.resize(static_cast<size_t>(length > 0 ? length - 1 : 0));
        WideCharToMultiByte(CP_UTF8, 0, arguments[count - 1], -1, text.data(), length, nullptr, nullptr);
    }
    LocalFree(arguments);
    return text;
}

} // namespace

int main(int argc, char** argv)
{
    const bool unicode = argc > 1 && std::strcmp(argv[1], "-u") == 0;
    if (unicode) {
        --argc;
        ++argv;
    }
    if (argc != 4) {
        std::fprintf(stderr, "usage: archiver-call [-u] DLLNAME FUNCTION \"COMMAND LINE\"\n");
        return 200;
    }
    const std::string commandLine = unicode ? LastArgumentInUtf8() : argv[3];
    HMODULE library = LoadLibraryA(argv[1]);
    if (!library) {
        std::fprintf(stderr, "cannot load %s\n", argv[1]);
        return 201;
    }
    using Entry = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
    using Running = BOOL(WINAPI*)();
    const std::string function = argv[2];
    const bool counting = function.size() > 12 && function.compare(function.size() - 12, 12, "GetFileCount") == 0;
    const std::string prefix = counting ? function.substr(0, function.size() - 12) : function;
    const std::string runningName = prefix + "GetRunning";
    auto entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, argv[2])));
    auto running = reinterpret_cast<Running>(reinterpret_cast<void*>(GetProcAddress(library, runningName.c_str())));
    if (!entry || !running) {
        std::fprintf(stderr, "missing entry point in %s\n", argv[1]);
        return 202;
    }
    if (running()) return 203;
    if (unicode) {
        using SetMode = BOOL(WINAPI*)(BOOL);
        auto setMode = reinterpret_cast<SetMode>(
            reinterpret_cast<void*>(GetProcAddress(library, (prefix + "SetUnicodeMode").c_str())));
        if (!setMode || !setMode(TRUE)) {
            std::fprintf(stderr, "no Unicode mode in %s\n", argv[1]);
            return 204;
        }
    }
    if (counting) {
        using Count = int(WINAPI*)(LPCSTR);
        auto count = reinterpret_cast<Count>(reinterpret_cast<void*>(entry));
        std::printf("count=%d\n", count(commandLine.c_str()));
        return 0;
    }
    char output[1024];
    std::memset(output, 0, sizeof output);
    const char* cancelAfter = std::getenv("FENNORO_CANCEL_AFTER_MS");
    std::atomic<bool> returned{false};
    std::atomic<DWORD> clicked{0};
    std::thread canceller;
    if (cancelAfter) {
        canceller = std::thread([&, wait = static_cast<DWORD>(std::atoi(cancelAfter))] {
            const DWORD begin = GetTickCount();
            while (!returned && GetTickCount() - begin < wait) Sleep(10);
            while (!returned) {
                HWND button = GetDlgItem(FindWindowA("FennoroArchiverProgress", nullptr), IDCANCEL);
                if (button) {
                    clicked = GetTickCount();
                    PostMessageA(button, BM_CLICK, 0, 0);
                    return;
                }
                Sleep(10);
            }
        });
    }
    const DWORD start = GetTickCount();
    const int result = entry(nullptr, commandLine.c_str(), output, sizeof output);
    const DWORD end = GetTickCount();
    returned = true;
    if (canceller.joinable()) canceller.join();
    const DWORD elapsed = end - start;
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    FreeLibrary(library);
    output[sizeof output - 1] = '\0';
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ms = [](const FILETIME& t) { return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000; };
    std::printf("result=%d\nmilliseconds=%lu\ncpu_milliseconds=%llu\npeak_working_set_mib=%.1f\n", result,
                static_cast<unsigned long>(elapsed), ms(kernel) + ms(user), memory.PeakWorkingSetSize / 1048576.0);
    if (clicked) std::printf("cancel_latency_milliseconds=%lu\n", static_cast<unsigned long>(end - clicked));
    std::printf("%s\n", output);
    return result;
}
