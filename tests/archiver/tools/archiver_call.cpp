// Calls one archiver entry point as the program does and reports the outcome:
//     archiver-call DLLNAME FUNCTION "COMMAND LINE"
// Prints the result, the time inside the call, the process's processor time
// and peak working set, and the output text (ANSI code page); the exit code is
// the entry point's result (200 and up: the library could not be used). For
// benchmarks, with
// FENNORO_CANCEL_AFTER_MS=N set it presses Cancel in the progress window N ms
// into the call and reports how long the call took to return after that.
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

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
    const int result = entry(nullptr, argv[3], output, sizeof output);
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
