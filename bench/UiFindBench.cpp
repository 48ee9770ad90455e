// A find in the real main window against the bare enumeration floor: 3,000
// folders of 12 numbered files, found by the window's own find command with the
// rows arriving in its list, timed until the job's last row is in the list.
// Prints the figures; asserts nothing. Run it under a display to count drawing.
//   bench_ui_find [ROUNDS] [FOLDERS] [--keep]
//   bench_ui_find --tree [ROUNDS] [VOLUMES] [--keep]: a library of VOLUMES book
//   folders (20,000) at depth 3 (author, series, volume; 4 files each), found with
//   the tree search, against the one-pass floor (every folder listed once).
//   --no-format: no archive format checked, so the find looks for no archive
//   beside each folder (the look a parent's listing is to answer).
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
    bool library = false;
    bool noFormat = false;
    std::vector<int> numbers;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--keep") {
            keep = true;
        } else if (std::string(argv[i]) == "--no-format") {
            noFormat = true;
        } else if (std::string(argv[i]) == "--tree") {
            library = true;
            folders = 20000;
        } else {
            numbers.push_back(std::atoi(argv[i]));
        }
    }
    if (numbers.size() > 0) rounds = std::max(1, numbers[0]);
    if (numbers.size() > 1) folders = std::max(1, numbers[1]);

    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string root = IncludeTrailingPathDelimiter(temp) + (library ? "fennoro-ui-library-" : "fennoro-ui-bench-") +
                             std::to_string(folders) + "\\";
    // 20 authors of 40 series of 25 volumes make 20,000.
    const int authors = 20, series = 40, volumes = std::max(1, folders / (authors * series));
    if (library) {
        folders = authors * series * volumes;
        std::printf("generating %d book folders at depth 3 of 4 files ...\n", folders);
        MakeLibraryTree(root, authors, series, volumes, 4);
    } else {
        std::printf("generating %d folders of 12 files ...\n", folders);
        MakeTree(root, folders, 12);
    }
    const auto floor = [&] { return library ? OnePassFloor(root) : EnumerationFloor(root); };

    // The window reads its settings beside this program: start it on the tree.
    const std::string settings = GetSettingsFileName();
    {
        std::ofstream file(settings, std::ios::binary);
        file << "[Setting]\r\nPath=" << root << "\r\n" << (library ? "FindInTree=1\r\n" : "")
             << (noFormat ? "ArchiveExtensionIndex=-1\r\n" : "");
    }
    TApplication application;
    std::vector<double> floorTimes, windowTimes;
    size_t rows = 0;
    {
        TFormFennoro form;
        form.Show();
        application.ProcessMessages();
        floor();  // warm the caches once
        for (int round = 0; round < rounds; ++round) {
            double start = Now();
            floor();
            floorTimes.push_back(Now() - start);
            windowTimes.push_back(WindowFind(application, form, rows));
        }
    }
    DeleteFileA(settings.c_str());
    const double floorTime = Median(floorTimes);
    const double windowTime = Median(windowTimes);
    std::printf("%d folders x %d files%s: rows %zu  floor %.1f ms  window find %.1f ms  ratio %.2f  (median of %d)\n",
                folders, library ? 4 : 12, library ? " at depth 3, one-pass floor" : "", rows, floorTime * 1000, windowTime * 1000, windowTime / floorTime, rounds);
    if (!keep) RemoveTree(root);
    return 0;
}
