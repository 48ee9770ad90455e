// A find in the real main window against the bare enumeration floor: 3,000
// folders of 12 numbered files, found by the window's own find command with the
// rows arriving in its list, timed until the job's last row is in the list.
// Beside the two-read floor, the one-pass floor: every folder listed once through
// the wide API, as the find lists them. --archives puts an archive (an empty
// NAME.zip) beside every folder, as a library half done has.
// Prints the figures; asserts nothing. Run it under a display to count drawing.
//   bench_ui_find [ROUNDS] [FOLDERS] [--keep] [--archives]
//   bench_ui_find --tree [ROUNDS] [--keep]: 20,000 book folders at depth 3 with the
//   tree search, against the one-pass floor over the whole tree
#include "bench/BenchTree.h"
#include "base/PathUtility.h"
#include "settings/win32/SettingsFile.h"
#include "toolkit/TApplication.h"
#include "ui/UnitFennoro.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Runs the window's find and serves the window as the message loop does, until
// the worker's body has ended and the last rows are drawn; the idle passes run
// as in the program.
double WindowFind(TApplication& application, TFormFennoro& form, size_t& rows)
{
    const double start = Now();
    form.ActionFind->Execute();
    while (form.Worker() && !form.Worker()->Finished()) {
        application.ProcessMessages();
        MsgWaitForMultipleObjectsEx(0, nullptr, 5, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
    application.ProcessMessages();  // the last rows drawn
    const double elapsed = Now() - start;
    rows = form.Folders().RowCount();
    return elapsed;
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 5;
    int folders = 3000;
    bool keep = false;
    bool archives = false;
    // A library of book folders at depth 3 (20 authors of 40 series of 25 volumes,
    // 4 files each) found with the tree search; the one-pass floor lists every folder.
    bool library = false;
    std::vector<int> numbers;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--keep") {
            keep = true;
        } else if (std::string(argv[i]) == "--tree") {
            library = true;
        } else if (std::string(argv[i]) == "--archives") {
            archives = true;
        } else {
            numbers.push_back(std::atoi(argv[i]));
        }
    }
    if (numbers.size() > 0) rounds = std::max(1, numbers[0]);
    if (numbers.size() > 1) folders = std::max(1, numbers[1]);

    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string root = IncludeTrailingPathDelimiter(temp) + "fennoro-ui-bench-" + std::to_string(folders) +
                             (archives ? "-archives" : "") + "\\";
    if (library) {
        const std::string tree = IncludeTrailingPathDelimiter(temp) + "fennoro-ui-library-20000\\";
        std::printf("generating 20000 book folders at depth 3 of 4 files ...\n");
        MakeLibraryTree(tree, 20, 40, 25, 4);
        const std::string settings = GetSettingsFileName();
        {
            std::ofstream file(settings, std::ios::binary);
            file << "[Setting]\r\nPath=" << tree << "\r\nFindInTree=1\r\n";
        }
        TApplication application;
        std::vector<double> floorTimes, windowTimes;
        size_t rows = 0;
        {
            TFormFennoro form;
            form.Show();
            application.ProcessMessages();
            OnePassFloor(tree);  // warm the caches once
            for (int round = 0; round < rounds; ++round) {
                const double start = Now();
                OnePassFloor(tree);
                floorTimes.push_back(Now() - start);
                windowTimes.push_back(WindowFind(application, form, rows));
            }
        }
        DeleteFileA(settings.c_str());
        std::printf("20000 book folders at depth 3: rows %zu  one-pass floor %.1f ms  window find %.1f ms  ratio %.2f"
                    "  (median of %d)\n",
                    rows, Median(floorTimes) * 1000, Median(windowTimes) * 1000,
                    Median(windowTimes) / Median(floorTimes), rounds);
        if (!keep) RemoveTree(tree);
        return 0;
    }
    std::printf("generating %d folders of 12 files%s ...\n", folders, archives ? ", each with its archive" : "");
    MakeTree(root, folders, 12);
    if (archives) {
        for (int f = 0; f < folders; ++f) {
            char name[32];
            std::snprintf(name, sizeof name, "vol%05d.zip", f);
            HANDLE file = CreateFileA((root + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        }
    }

    // The window reads its settings beside this program: start it on the tree.
    const std::string settings = GetSettingsFileName();
    {
        std::ofstream file(settings, std::ios::binary);
        file << "[Setting]\r\nPath=" << root << "\r\n";
    }
    TApplication application;
    std::vector<double> floorTimes, wideTimes, windowTimes;
    size_t rows = 0;
    {
        TFormFennoro form;
        form.Show();
        application.ProcessMessages();
        EnumerationFloor(root);  // warm the caches once
        for (int round = 0; round < rounds; ++round) {
            double start = Now();
            EnumerationFloor(root);
            floorTimes.push_back(Now() - start);
            start = Now();
            WideListingFloor(root);
            wideTimes.push_back(Now() - start);
            windowTimes.push_back(WindowFind(application, form, rows));
            std::printf("  round %d: floor %.1f ms  one-pass floor %.1f ms  window find %.1f ms\n", round + 1,
                        floorTimes.back() * 1000, wideTimes.back() * 1000, windowTimes.back() * 1000);
        }
    }
    DeleteFileA(settings.c_str());
    const double floorTime = Median(floorTimes);
    const double wideTime = Median(wideTimes);
    const double windowTime = Median(windowTimes);
    std::printf("%d folders x 12 files%s: rows %zu  floor %.1f ms  one-pass floor %.1f ms  window find %.1f ms  "
                "ratio %.2f  one-pass ratio %.2f  (median of %d)\n",
                folders, archives ? " with archives" : "", rows, floorTime * 1000, wideTime * 1000, windowTime * 1000,
                windowTime / floorTime, windowTime / wideTime, rounds);
    if (!keep) RemoveTree(root);
    return 0;
}
