// The page check in the real program: fennoro.exe started on a tree of folders
// of JPEG pages with the automatic search on, timed from its window's appearance
// to "検索が終了しました" in the status bar, with the page check off and on in
// turn (the same run, so both see the same load), and against the bare floor of
// opening, reading and closing every page, measured between the program's runs. The program runs from a copy in
// the temporary directory, with a settings file of the bench's own beside it.
// Prints the figures; asserts nothing. Run it under a display to count drawing.
//   bench_window_find PAGES_DIR [ROUNDS] [FOLDERS] [--keep]   (5 rounds, 3,000 folders)
//   bench_window_find --tree=ROOT [ROUNDS] [--jpeginfo=SECONDS]   (the deep level; see TreeBench)
// PAGES_DIR holds the JPEG pages every folder gets a copy of (bench/image-bench.sh
// makes them); --keep leaves the tree for the next run.
#include "bench/BenchTree.h"
#include "base/PathUtility.h"
#include "base/WideText.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Launched {
    double Shown = 0;     // launch to the window's appearance
    double Finished = 0;  // the window's appearance to the end of the search
    int Rows = 0;
    int Fit = 0;
    bool Ok = false;
};

struct MainSearch {
    DWORD ProcessId;
    HWND Found;
};

BOOL CALLBACK MatchMain(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<MainSearch*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (processId != search->ProcessId || !IsWindowVisible(window) || std::wstring(name) != L"TFormFennoro")
        return TRUE;
    search->Found = window;
    return FALSE;
}

// level: 0 no page check, 1 the quick one, 2 the deep one.
Launched RunProgram(const std::wstring& program, const std::string& settings, const std::string& root, int level)
{
    {
        std::ofstream file(settings, std::ios::binary | std::ios::trunc);
        file << "[Setting]\r\nPath=" << root << "\r\nAutoFind=1\r\nVerifyImages=" << (level > 0 ? 1 : 0)
             << "\r\nDeepImageCheck=" << (level > 1 ? 1 : 0) << "\r\n";
    }
    Launched result;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + program + L"\"";
    const double launch = Now();
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::printf("  (cannot start the program: error %lu)\n", GetLastError());
        return result;
    }
    MainSearch search{process.dwProcessId, nullptr};
    while (!search.Found && Now() - launch < 60) {
        EnumWindows(MatchMain, reinterpret_cast<LPARAM>(&search));
        if (!search.Found) Sleep(1);
    }
    const double shown = Now();
    HWND status = search.Found ? FindWindowExW(search.Found, nullptr, STATUSCLASSNAMEW, nullptr) : nullptr;
    const std::wstring text = status ? WaitForFindEnd(status, 600) : std::wstring();
    const double finished = Now();
    result.Shown = shown - launch;
    result.Finished = finished - shown;
    result.Ok = text == L"検索が終了しました";
    if (HWND list = search.Found ? FindWindowExW(search.Found, nullptr, WC_LISTVIEWW, nullptr) : nullptr) {
        result.Rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < result.Rows; ++i) {
            const auto state = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK));
            if (((state & LVIS_STATEIMAGEMASK) >> 12) == 2) ++result.Fit;
        }
    }
    if (search.Found) PostMessageW(search.Found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (!result.Ok) std::printf("  (the search did not end as expected: %s)\n", Utf8Text(text).c_str());
    return result;
}

// The deep level against jpeginfo -c: a ready tree of folders of distinct pages
// (bench/window-deep-bench.sh makes it), the program's search with the check
// off, quick and deep in turn; the time each level adds to the search without
// a check, beside the time jpeginfo -c took over the same files.
int TreeBench(const std::wstring& program, const std::string& settings, const std::string& root, int rounds,
              double jpeginfo)
{
    RunProgram(program, settings, root, 2);  // warm the caches once
    std::vector<double> off, quick, deep;
    for (int round = 0; round < rounds; ++round) {
        const Launched a = RunProgram(program, settings, root, 0);
        const Launched b = RunProgram(program, settings, root, 1);
        const Launched c = RunProgram(program, settings, root, 2);
        off.push_back(a.Finished);
        quick.push_back(b.Finished);
        deep.push_back(c.Finished);
        if (a.Fit != a.Rows || b.Fit != b.Rows || c.Fit != c.Rows || a.Rows == 0)
            std::printf("  (unexpected rows: off %d of %d fit, quick %d of %d, deep %d of %d)\n", a.Fit, a.Rows, b.Fit,
                        b.Rows, c.Fit, c.Rows);
        std::printf("  round %d: off %.2f s  quick %.2f s  deep %.2f s\n", round + 1, a.Finished, b.Finished, c.Finished);
    }
    const double addedQuick = Median(quick) - Median(off), addedDeep = Median(deep) - Median(off);
    std::printf("window over the tree, medians of %d rounds: no check %.2f s, quick %.2f s (adds %.2f s), deep %.2f s"
                " (adds %.2f s)\n",
                rounds, Median(off), Median(quick), addedQuick, Median(deep), addedDeep);
    if (jpeginfo > 0 && addedDeep > 0)
        std::printf("jpeginfo -c over the same files %.2f s: the deep level's added time is %.2fx faster\n", jpeginfo,
                    jpeginfo / addedDeep);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string pagesDir;
    std::vector<int> numbers;
    bool keep = false;
    std::string tree;
    double jpeginfo = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--keep") {
            keep = true;
        } else if (arg.rfind("--tree=", 0) == 0) {
            tree = IncludeTrailingPathDelimiter(arg.substr(7));
        } else if (arg.rfind("--jpeginfo=", 0) == 0) {
            jpeginfo = std::atof(arg.c_str() + 11);
        } else if (pagesDir.empty() && tree.empty()) {
            pagesDir = IncludeTrailingPathDelimiter(arg);
        } else {
            numbers.push_back(std::atoi(arg.c_str()));
        }
    }
    const int rounds = numbers.size() > 0 ? std::max(1, numbers[0]) : 5;
    const int folders = numbers.size() > 1 ? std::max(1, numbers[1]) : 3000;
    const std::vector<Page> pages = tree.empty() ? LoadPages(pagesDir, ".jpg") : std::vector<Page>{};
    if (pages.empty() && tree.empty()) {
        std::printf("usage: bench_window_find PAGES_DIR [ROUNDS] [FOLDERS] [--keep]   (PAGES_DIR: *.jpg pages)\n");
        return 2;
    }
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring built = self;
    built = built.substr(0, built.find_last_of(L'\\') + 1) + L"fennoro.exe";

    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string base = IncludeTrailingPathDelimiter(temp);
    const std::string root = base + "fennoro-window-bench-" + std::to_string(folders) + "\\";
    const std::string programDir = base + "fennoro-window-bench-program\\";
    CreateDirectoryA(programDir.c_str(), nullptr);
    const std::wstring program = WideText(programDir + "fennoro.exe");
    if (!CopyFileW(built.c_str(), program.c_str(), FALSE)) {
        std::printf("cannot copy %s\n", Utf8Text(built).c_str());
        return 2;
    }
    const std::string settings = programDir + "fennoro.ini";
    if (!tree.empty()) {
        const int result = TreeBench(program, settings, tree, rounds, jpeginfo);
        DeleteFileA(settings.c_str());
        DeleteFileW(program.c_str());
        RemoveDirectoryA(programDir.c_str());
        return result;
    }
    std::printf("generating %d folders of %zu JPEG pages ...\n", folders, pages.size());
    MakePageTree(root, folders, pages, ".jpg");

    RunProgram(program, settings, root, 1);  // warm the caches once
    std::vector<double> off, on, shown, floor, floor2;
    for (int round = 0; round < rounds; ++round) {
        const Launched a = RunProgram(program, settings, root, 0);
        const Launched b = RunProgram(program, settings, root, 1);
        off.push_back(a.Finished);
        on.push_back(b.Finished);
        shown.push_back(a.Shown);
        shown.push_back(b.Shown);
        floor.push_back(OpenReadCloseFloor(root, folders, pages.size(), ".jpg", 1));
        floor2.push_back(OpenReadCloseFloor(root, folders, pages.size(), ".jpg", 2));
        if (a.Rows != folders || a.Fit != folders || b.Rows != folders || b.Fit != folders)
            std::printf("  (unexpected rows: off %d of %d fit, on %d of %d fit)\n", a.Fit, a.Rows, b.Fit, b.Rows);
    }
    std::printf("window, %d x %zu JPEG pages, from the window's appearance to the end of the search: "
                "check off %.1f ms  on %.1f ms  ratio %.2f  (median of %d; start to window %.1f ms)\n",
                folders, pages.size(), Median(off) * 1000, Median(on) * 1000, Median(on) / Median(off), rounds,
                Median(shown) * 1000);
    std::printf("%-38s fastest rounds: off %.1f ms  on %.1f ms  ratio %.2f\n", "",
                Least(off) * 1000, Least(on) * 1000, Least(on) / Least(off));
    std::printf("%-38s open-read-close floor of the same pages: %.1f ms on one thread, %.1f ms on two (medians);"
                " on against off plus the floor: %.2f (two threads' floor: %.2f)\n",
                "", Median(floor) * 1000, Median(floor2) * 1000, Median(on) / (Median(off) + Median(floor)),
                Median(on) / (Median(off) + Median(floor2)));
    DeleteFileA(settings.c_str());
    DeleteFileW(program.c_str());
    RemoveDirectoryA(programDir.c_str());
    if (!keep) RemoveTree(root);
    return 0;
}
