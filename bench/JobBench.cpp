// The whole job in the real program: fennoro.exe started on a library with the
// automatic search and the quick page check on, timed from its window's
// appearance to "検索が終了しました", then F8 timed to "圧縮が終了しました". Every dialog the
// program shows meanwhile (the shell's recycle-bin questions, one per folder or
// one per job) is answered "yes" the moment it appears. The INI and the program
// live in PROGRAM_DIR (bench/job-bench.sh prepares it). Prints the figures as
// "key=value" lines; asserts nothing.
//   bench_job PROGRAM_DIR ROOT REMOVE(0|1)
#include "bench/BenchTree.h"
#include "base/PathUtility.h"
#include "base/WideText.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

struct WindowSearch {
    DWORD ProcessId;
    const wchar_t* ClassName;
    HWND Found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam)
{
    auto* search = static_cast<WindowSearch*>(reinterpret_cast<void*>(lParam));
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (processId != search->ProcessId || !IsWindowVisible(window) || std::wstring(name) != search->ClassName)
        return TRUE;
    search->Found = window;
    return FALSE;
}

HWND FindProcessWindow(DWORD processId, const wchar_t* className)
{
    WindowSearch search{processId, className, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// Says yes to a question of the program's: the Yes button where there is one,
// else the default button.
int AnswerDialogs(DWORD processId)
{
    int answered = 0;
    while (HWND dialog = FindProcessWindow(processId, L"#32770")) {
        int id = IDYES;
        if (!GetDlgItem(dialog, IDYES)) {
            const LRESULT def = SendMessageW(dialog, DM_GETDEFID, 0, 0);
            id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
        }
        HWND button = GetDlgItem(dialog, id);
        SendMessageTimeoutW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button),
                            SMTO_NORMAL, 5000, nullptr);
        ++answered;
        // The dialog goes away on its own thread; do not click it twice.
        for (int i = 0; i < 500 && IsWindow(dialog) && IsWindowVisible(dialog); ++i) Sleep(1);
    }
    return answered;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4) {
        std::printf("usage: bench_job PROGRAM_DIR ROOT REMOVE(0|1) [COMICINFO(0|1|2)]\n");
        return 2;
    }
    const std::string programDir = IncludeTrailingPathDelimiter(argv[1]);
    const std::string root = argv[2];
    const bool remove = std::atoi(argv[3]) != 0;
    {
        std::ofstream file(programDir + "fennoro.ini", std::ios::binary | std::ios::trunc);
        file << "[Setting]\r\nPath=" << root << "\r\nAutoFind=1\r\nVerifyImages=1\r\nRemoveFolder=" << (remove ? 1 : 0)
             << "\r\n";
        // The .zip format is the first: ComicInfo=2 writes the file into it too.
        if (argc > 4) file << "ComicInfo=" << std::atoi(argv[4]) << "\r\n";
    }
    const std::wstring program = WideText(programDir + "fennoro.exe");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + program + L"\"";
    const double launch = Now();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        WideText(programDir).c_str(), &startup, &process)) {
        std::printf("error=cannot start the program (%lu)\n", GetLastError());
        return 1;
    }
    HWND main = nullptr;
    while (!main && Now() - launch < 120) {
        main = FindProcessWindow(process.dwProcessId, L"TFormFennoro");
        if (!main) Sleep(1);
    }
    const double shown = Now();
    HWND status = main ? FindWindowExW(main, nullptr, STATUSCLASSNAMEW, nullptr) : nullptr;
    std::wstring text = status ? WaitForFindEnd(status, 1200) : std::wstring();
    const double found = Now();
    const bool findOk = text == L"検索が終了しました";
    int rows = 0;
    if (HWND list = main ? FindWindowExW(main, nullptr, WC_LISTVIEWW, nullptr) : nullptr)
        rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));

    bool compressOk = false;
    int answered = 0;
    double compressed = found;
    if (findOk) {
        // F8, as the window's message loop takes it from the keyboard.
        PostMessageW(main, WM_KEYDOWN, VK_F8, 1);
        PostMessageW(main, WM_KEYUP, VK_F8, 0xC0000001);
        const double start = Now();
        // Questions looked for every 5 ms, the status every 20 ms.
        for (int tick = 0; Now() - start < 3600; ++tick) {
            answered += AnswerDialogs(process.dwProcessId);
            if (tick % 4 == 0) {
                text = StatusText(status);
                if (text == L"圧縮が終了しました" || text == L"圧縮を中断しました") break;
            }
            Sleep(5);
        }
        compressed = Now();
        compressOk = text == L"圧縮が終了しました";
    }
    if (main) PostMessageW(main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("start_seconds=%.3f\nfind_seconds=%.3f\ncompress_seconds=%.3f\nrows=%d\nanswered=%d\n", shown - launch,
                found - shown, compressed - found, rows, answered);
    if (!findOk || !compressOk) {
        std::printf("error=the job did not end as expected: %s\n", Utf8Text(text).c_str());
        return 1;
    }
    return 0;
}
