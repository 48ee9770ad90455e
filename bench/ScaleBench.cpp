// Memory at scale: a find over 100,000 folders and a compression of 1,000
// folders, with the process's memory sampled while the jobs run. Prints the
// figures; asserts nothing.
//   bench_scale [--keep]     both below with their defaults
//   bench_scale find [FOLDERS] [--keep]
//       FOLDERS folders of 2 files (default 100000), then the same with one more
//       folder of 20,000 files: the job's own memory follows the largest folder,
//       not the number of folders. Run once keeping the rows, as the window does,
//       and once dropping them, which leaves the job's own memory.
//   bench_scale compress [FOLDERS] [EXTENSION] [--keep]
//       FOLDERS folders (default 1000) of 8 text files of 16 KiB packed with the
//       bundled archiver of the default profile for EXTENSION (default .zip).
// --keep leaves the generated trees in the temporary directory for the next run.
#include "bench/BenchTree.h"
#include "engine/ArchiverProfile.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "settings/FennoroSettings.h"
#include "base/PathUtility.h"

#include "base/WideText.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct MemorySample {
    double WorkingSet = 0;  // MiB
    double Committed = 0;   // MiB of private memory committed (what Wine reports of it)
};

MemorySample Memory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return {counters.WorkingSetSize / 1048576.0, counters.PagefileUsage / 1048576.0};
}

double PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize / 1048576.0;
}

// Plays the window: keeps the rows (or only counts them) and samples the memory
// every so many rows, on the thread the window would use.
class ScaleOwner final : public TThreadFennoroOwner {
public:
    ScaleOwner(bool keepRows, size_t every) : KeepRows(keepRows), Every(every) {}

    void DisplayStatus(const std::string&) override {}
    void RemoveAllRows() override { Rows.clear(); }
    void AddRow(const FolderRow& row) override
    {
        if (KeepRows) Rows.push_back(row);
        Fit += row.Checked ? 1 : 0;
        Sample(++Appended);
    }
    size_t RowCount() const override { return Rows.size(); }
    FolderRow& RowAt(size_t index) override { return Rows[index]; }
    void RedrawRow(const FolderRow& row) override
    {
        Failed += row.Checked ? 1 : 0;
        if (Failed == 1 && row.Checked) FirstFailure = row.Result + " " + row.Remark;
        Sample(++Changed);
    }
    HWND OwnerWindow() const override { return nullptr; }

    std::vector<FolderRow> Rows;
    size_t Appended = 0, Changed = 0, Fit = 0, Failed = 0;
    std::string FirstFailure;
    std::vector<std::pair<size_t, MemorySample>> Samples;  // rows done, memory
    MemorySample Highest;

private:
    void Sample(size_t done)
    {
        const MemorySample now = Memory();
        Highest.WorkingSet = std::max(Highest.WorkingSet, now.WorkingSet);
        Highest.Committed = std::max(Highest.Committed, now.Committed);
        if (done == 1 || done % Every == 0) Samples.emplace_back(done, now);
    }
    bool KeepRows;
    size_t Every;
};

void PrintSamples(const ScaleOwner& owner, const char* what)
{
    for (const auto& [done, memory] : owner.Samples) {
        std::printf("    after %7zu %s: working set %7.1f MiB, committed %7.1f MiB\n", done, what, memory.WorkingSet,
                    memory.Committed);
    }
}

void MakeFile(const std::string& path, const std::string& content)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    if (!content.empty()) WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Digits(size_t value, int width)
{
    char text[24];
    std::snprintf(text, sizeof text, "%0*zu", width, value);
    return text;
}

// The Unix path of a Windows path under Wine; empty elsewhere.
std::string UnixPath(const std::string& path)
{
    using UnixFileName = char*(CDECL*)(LPCWSTR);
    const auto toUnix = reinterpret_cast<UnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return {};
    char* unixPath = toUnix(WideText(path).c_str());
    if (!unixPath) return {};
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

// Runs a shell script on the host (under Wine) in the folder and waits until it
// has made the marker file, which it makes last. False where there is no host.
// Under Wine every new name costs a search through its whole folder, so a
// hundred thousand folders take hours through the file API and seconds here.
bool RunOnHost(const std::string& folder, const std::string& script, const std::string& marker)
{
    const std::string unixFolder = UnixPath(folder);
    if (unixFolder.empty()) return false;
    const std::string line = "/bin/sh -c \"cd '" + unixFolder + "' && " + script + " && touch '" + UnixPath(marker) + "'\"";
    std::wstring wide = WideText(line);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, wide.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    // Wine fills in no handles for a host program (the values are stack leftovers,
    // and closing them may close one of ours): leave them, and wait for its work.
    for (int i = 0; i < 6000 && !Exists(marker); ++i) Sleep(100);
    return Exists(marker);
}

// The tree MakeTree makes: generated on the host where there is one.
void MakeScaleTree(const std::string& root, size_t folders, int files)
{
    if (Exists(root + "complete.txt")) return;
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string last = std::to_string(folders - 1);
    std::string script = "seq -f 'vol%05g' 0 " + last + " | xargs mkdir -p";
    for (int i = 1; i <= files; ++i) {
        script += " && seq -f 'vol%05g/img" + Digits(i, 4) + (i % 3 ? ".jpg" : ".png") + "' 0 " + last + " | xargs touch";
    }
    if (!RunOnHost(root, script, root + "complete.txt")) MakeTree(root, static_cast<int>(folders), files);
}

// A folder of numbered files beside the generated ones, unless a kept run left it.
void MakeLargeFolder(const std::string& folder, size_t files)
{
    const std::string complete = folder + "-complete.txt";
    if (Exists(complete)) return;
    CreateDirectoryA(folder.c_str(), nullptr);
    if (RunOnHost(folder, "seq -f 'page%06g.jpg' 1 " + std::to_string(files) + " | xargs touch", complete)) return;
    for (size_t i = 1; i <= files; ++i) MakeFile(folder + "\\page" + Digits(i, 6) + ".jpg", {});
    MakeFile(complete, {});
}

void RunFind(const char* title, const std::string& root, bool keepRows, size_t folders)
{
    ScaleOwner owner(keepRows, std::max<size_t>(1, folders / 4));
    const MemorySample before = Memory();
    const double start = Now();
    {
        TThreadFennoro worker(owner, root, ".jpg;.png;.gif", false, true, false);
        worker.WaitFor();
    }
    const double seconds = Now() - start;
    const MemorySample after = Memory();
    std::printf("  %s, rows %s: %zu rows (%zu fit) in %.1f s\n", title, keepRows ? "kept" : "dropped", owner.Appended,
                owner.Fit, seconds);
    std::printf("    before: working set %.1f MiB, committed %.1f MiB\n", before.WorkingSet, before.Committed);
    PrintSamples(owner, "rows");
    std::printf("    highest while running: working set %.1f MiB, committed %.1f MiB; after: %.1f / %.1f MiB\n",
                owner.Highest.WorkingSet, owner.Highest.Committed, after.WorkingSet, after.Committed);
}

int Find(size_t folders, bool keep)
{
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string root = IncludeTrailingPathDelimiter(temp) + "fennoro-scale-" + std::to_string(folders) + "x2\\";
    const size_t largeFiles = 20000;
    std::printf("generating %zu folders of 2 files, and one of %zu files (kept trees are reused) ...\n", folders,
                largeFiles);
    double start = Now();
    MakeScaleTree(root, folders, 2);
    std::printf("  %.1f s\n", Now() - start);

    std::printf("find over %zu folders of 2 files:\n", folders);
    RunFind("small folders only", root, false, folders);
    RunFind("small folders only", root, true, folders);

    // Kept beside the tree and moved in only for these runs (a rename).
    const std::string aside = IncludeTrailingPathDelimiter(temp) + "fennoro-scale-large";
    MakeLargeFolder(aside, largeFiles);
    MoveFileA(aside.c_str(), (root + "large").c_str());
    std::printf("the same with one more folder of %zu files:\n", largeFiles);
    RunFind("with the large folder", root, false, folders + 1);
    RunFind("with the large folder", root, true, folders + 1);
    MoveFileA((root + "large").c_str(), aside.c_str());
    std::printf("peak working set of the process: %.1f MiB\n", PeakWorkingSet());
    if (!keep) {
        RemoveTree(aside + "\\");
        DeleteFileA((aside + "-complete.txt").c_str());
        RemoveTree(root);
    }
    return 0;
}

int Compress(size_t folders, const std::string& extension, bool keep)
{
    const auto profile = ParseArchiverProfile(extension, LookupArchiveEntry(DefaultArchiveEntries(), extension), true);
    if (!profile) {
        std::printf("no default profile for %s\n", extension.c_str());
        return 1;
    }
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string root = IncludeTrailingPathDelimiter(temp) + "fennoro-scale-pack-" + std::to_string(folders) + "\\";
    std::printf("generating %zu folders of 8 text files of 16 KiB (kept trees are reused) ...\n", folders);
    CreateDirectoryA(root.c_str(), nullptr);
    std::string text;
    for (unsigned seed = 1; text.size() < 16384; seed = seed * 1103515245u + 12345u) {
        text += "page " + std::to_string((seed >> 8) % 100000) + (seed % 7 ? " " : "\n");
    }
    text.resize(16384);
    for (size_t f = 0; f < folders; ++f) {
        const std::string folder = root + "book" + Digits(f, 5);
        // Archives of an earlier run would give "already exists".
        DeleteFileA((folder + extension).c_str());
        if (Exists(folder + "\\07.txt")) continue;
        CreateDirectoryA(folder.c_str(), nullptr);
        for (int i = 0; i < 8; ++i) MakeFile(folder + "\\0" + std::to_string(i) + ".txt", text);
    }

    ScaleOwner owner(true, std::max<size_t>(1, folders / 10));
    for (size_t f = 0; f < folders; ++f) {
        FolderRow row;
        row.Name = "book" + Digits(f, 5);
        row.ParentPath = root;
        row.Checked = true;
        owner.Rows.push_back(row);
    }
    std::printf("compress %zu folders with %s (%s):\n", folders, profile->DllName.c_str(), extension.c_str());
    const MemorySample before = Memory();
    const double start = Now();
    {
        TThreadFennoro worker(owner, profile->Extension, profile->QuietOption, false, profile->CommandTemplate,
                              profile->FunctionName, profile->DllName);
        worker.WaitFor();
    }
    const double seconds = Now() - start;
    std::printf("  %zu folders done (%zu failed) in %.1f s\n", owner.Changed, owner.Failed, seconds);
    if (!owner.FirstFailure.empty()) std::printf("  first failure: %s\n", owner.FirstFailure.c_str());
    std::printf("    before: working set %.1f MiB, committed %.1f MiB\n", before.WorkingSet, before.Committed);
    PrintSamples(owner, "folders");
    // Flat: what the last nine tenths of the run added on top of the first tenth.
    if (owner.Samples.size() >= 3) {
        const MemorySample early = owner.Samples[1].second, late = owner.Samples.back().second;
        std::printf("    growth from folder %zu to %zu: working set %+.1f MiB, committed %+.1f MiB\n",
                    owner.Samples[1].first, owner.Samples.back().first, late.WorkingSet - early.WorkingSet,
                    late.Committed - early.Committed);
    }
    std::printf("    highest while running: working set %.1f MiB, committed %.1f MiB\n", owner.Highest.WorkingSet,
                owner.Highest.Committed);
    std::printf("peak working set of the process: %.1f MiB\n", PeakWorkingSet());
    if (!keep) RemoveTree(root);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> arguments;
    bool keep = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--keep") {
            keep = true;
        } else {
            arguments.emplace_back(argv[i]);
        }
    }
    const auto number = [&](size_t index, size_t fallback) {
        return arguments.size() > index ? std::max<size_t>(1, std::strtoul(arguments[index].c_str(), nullptr, 10))
                                         : fallback;
    };
    if (!arguments.empty() && arguments[0] == "find") return Find(number(1, 100000), keep);
    if (!arguments.empty() && arguments[0] == "compress") {
        return Compress(number(1, 1000), arguments.size() > 2 ? arguments[2] : ".zip", keep);
    }
    if (!arguments.empty()) {
        std::printf("usage: bench_scale [find [FOLDERS] | compress [FOLDERS] [EXTENSION]] [--keep]\n");
        return 2;
    }
    const int found = Find(100000, keep);
    return Compress(1000, ".zip", keep) | found;
}
