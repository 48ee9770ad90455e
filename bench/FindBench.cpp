// The find job against the bare enumeration floor on generated trees: the same
// folders read twice each with FindFirstFileA and nothing else. Prints the times,
// their ratio and the peak memory; asserts nothing.
//   bench_find [ROUNDS] [--keep]
// --keep leaves the generated trees in the temporary directory for the next run.
#include "bench/BenchTree.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "base/PathUtility.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

// The other part of the job's cost: one synchronous call into this thread per folder.
class CallsOnly final : public TThread {
public:
    explicit CallsOnly(size_t calls) : Calls(calls) { Start(); }
    ~CallsOnly() override { WaitFor(); }

private:
    void Execute() override
    {
        for (size_t i = 0; i < Calls; ++i) Synchronize([this] { ++Served; });
    }
    size_t Calls;
    size_t Served = 0;
};

double SynchronousCalls(size_t calls)
{
    const double start = Now();
    CallsOnly thread(calls);
    thread.WaitFor();
    return Now() - start;
}

size_t FindJob(const std::string& root)
{
    RowStore store;
    TThreadFennoro worker(store, root, ".jpg;.png;.gif", false, true, false);
    worker.WaitFor();
    size_t fit = 0;
    for (const FolderRow& row : store.Rows) fit += row.Checked ? 1 : 0;
    if (fit != store.Rows.size()) std::printf("  (unexpected: %zu of %zu rows fit)\n", fit, store.Rows.size());
    return store.Rows.size();
}

void Measure(const char* title, const std::string& root, int rounds)
{
    std::vector<double> floorTimes, jobTimes, callTimes;
    EnumerationFloor(root);  // warm the caches once
    size_t rows = 0;
    for (int round = 0; round < rounds; ++round) {
        double start = Now();
        EnumerationFloor(root);
        floorTimes.push_back(Now() - start);
        start = Now();
        rows = FindJob(root);
        jobTimes.push_back(Now() - start);
        callTimes.push_back(SynchronousCalls(rows));
    }
    const double callTime = Median(callTimes);
    const double floorTime = Median(floorTimes);
    const double jobTime = Median(jobTimes);
    std::printf("%-26s rows %5zu  floor %8.1f ms  find job %8.1f ms  ratio %.2f  (median of %d)\n", title, rows,
                floorTime * 1000, jobTime * 1000, jobTime / floorTime, rounds);
    std::printf("%-26s one synchronous call per row alone: %.1f ms; floor plus calls %.1f ms\n", "", callTime * 1000,
                (floorTime + callTime) * 1000);
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 5;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--keep") {
            keep = true;
        } else {
            rounds = std::max(1, std::atoi(argv[i]));
        }
    }
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string base = IncludeTrailingPathDelimiter(temp) + "fennoro-bench-";
    const std::string wide = base + "3000x12\\";
    const std::string deep = base + "300x300\\";

    std::printf("generating trees (126,000 files) ...\n");
    MakeTree(wide, 3000, 12);
    MakeTree(deep, 300, 300);
    PROCESS_MEMORY_COUNTERS before{};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof before);

    Measure("3000 folders x 12 files", wide, rounds);
    Measure("300 folders x 300 files", deep, rounds);

    PROCESS_MEMORY_COUNTERS after{};
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof after);
    std::printf("peak working set %.1f MiB (%.1f MiB before the runs)\n", after.PeakWorkingSetSize / 1048576.0,
                before.PeakWorkingSetSize / 1048576.0);
    if (!keep) {
        RemoveTree(wide);
        RemoveTree(deep);
    }
    return 0;
}
