// The page check's cost: a find with the check on against the same find with it
// off, in the same run, over folders of real JPEG pages (only each page's head
// and tail are read), and against the bare floor of opening, reading and closing
// every page; the deep level's throughput over the same pages (against
// jpeginfo's, measured natively by the script); and over PNG pages (read whole
// for their CRCs) in MB/s against a plain read of the same bytes. Prints the
// figures; asserts nothing.
//   bench_images PAGES_DIR [ROUNDS] [--keep] [--jpeginfo=MB/s]     (7 rounds by default)
// PAGES_DIR holds the sample pages (*.jpg and *.png) that every folder gets a
// copy of; bench/image-bench.sh makes them with ImageMagick and runs this.
// --keep leaves the generated trees in the temporary directory for the next run.
#include "bench/BenchTree.h"
#include "pages/ImageCheck.h"
#include "engine/win32/ImageFile.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "base/PathUtility.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double FindJob(const std::string& root, TPageCheck pageCheck, const std::string& extensions)
{
    RowStore store;
    const double start = Now();
    TThreadFennoro worker(store, root, extensions, false, true, false, pageCheck);
    worker.WaitFor();
    const double time = Now() - start;
    size_t fit = 0;
    for (const FolderRow& row : store.Rows) fit += row.Checked ? 1 : 0;
    if (fit != store.Rows.size() || store.Rows.empty())
        std::printf("  (unexpected: %zu of %zu rows fit)\n", fit, store.Rows.size());
    return time;
}

// Every file of every folder read whole, in blocks as large as the check's.
double PlainRead(const std::string& root, uint64_t& bytes)
{
    bytes = 0;
    std::vector<char> block(64 * 1024);
    const double start = Now();
    WIN32_FIND_DATAA folder;
    HANDLE folders = FindFirstFileA((root + "vol*").c_str(), &folder);
    if (folders == INVALID_HANDLE_VALUE) return 0;
    do {
        const std::string dir = root + folder.cFileName + "\\";
        WIN32_FIND_DATAA data;
        HANDLE files = FindFirstFileA((dir + "*.*").c_str(), &data);
        if (files == INVALID_HANDLE_VALUE) continue;
        do {
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            HANDLE file = CreateFileA((dir + data.cFileName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) continue;
            DWORD read = 0;
            while (ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &read, nullptr) && read > 0) bytes += read;
            CloseHandle(file);
        } while (FindNextFileA(files, &data));
        FindClose(files);
    } while (FindNextFileA(folders, &folder));
    FindClose(folders);
    return Now() - start;
}

// The check alone, file by file on one thread, without the find around it.
double CheckOnly(const std::string& root, int folders, size_t pages, const char* extension,
                 TCheckDepth depth = TCheckDepth::Quick)
{
    const double start = Now();
    char name[40];
    for (int f = 0; f < folders; ++f) {
        for (size_t i = 0; i < pages; ++i) {
            std::snprintf(name, sizeof name, "vol%05d\\p%02zu%s", f, i + 1, extension);
            if (!IsIntactImageFile(ImageKindOf(name), WideText(root + name), depth))
                std::printf("  (unexpected damage: %s)\n", name);
        }
    }
    return Now() - start;
}

} // namespace

int main(int argc, char** argv)
{
    std::string pagesDir;
    int rounds = 7;
    bool keep = false;
    double jpeginfo = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--keep") {
            keep = true;
        } else if (arg.rfind("--jpeginfo=", 0) == 0) {
            jpeginfo = std::atof(arg.c_str() + 11);
        } else if (pagesDir.empty()) {
            pagesDir = IncludeTrailingPathDelimiter(arg);
        } else {
            rounds = std::max(1, std::atoi(argv[i]));
        }
    }
    const std::vector<Page> jpegs = LoadPages(pagesDir, ".jpg");
    const std::vector<Page> pngs = LoadPages(pagesDir, ".png");
    if (jpegs.empty() || pngs.empty()) {
        std::printf("usage: bench_images PAGES_DIR [ROUNDS] [--keep]   (PAGES_DIR: *.jpg and *.png pages)\n");
        return 2;
    }
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    const std::string base = IncludeTrailingPathDelimiter(temp) + "fennoro-bench-pages-";
    const int jpegFolders = 3000;
    const int pngFolders = 100;
    const std::string jpegRoot = base + "jpeg\\";
    const std::string pngRoot = base + "png\\";

    std::printf("generating %d folders of %zu JPEG pages and %d folders of %zu PNG pages ...\n", jpegFolders,
                jpegs.size(), pngFolders, pngs.size());
    const uint64_t jpegBytes = MakePageTree(jpegRoot, jpegFolders, jpegs, ".jpg");
    const uint64_t pngBytes = MakePageTree(pngRoot, pngFolders, pngs, ".png");

    // JPEG: off and on alternate within each round, so both see the same load.
    FindJob(jpegRoot, TPageCheck::On, ".jpg");  // warm the caches once
    std::vector<double> off, on, alone, floor, floor2;
    for (int round = 0; round < rounds; ++round) {
        off.push_back(FindJob(jpegRoot, TPageCheck::Off, ".jpg"));
        on.push_back(FindJob(jpegRoot, TPageCheck::On, ".jpg"));
        alone.push_back(CheckOnly(jpegRoot, jpegFolders, jpegs.size(), ".jpg"));
        floor.push_back(OpenReadCloseFloor(jpegRoot, jpegFolders, jpegs.size(), ".jpg", 1));
        floor2.push_back(OpenReadCloseFloor(jpegRoot, jpegFolders, jpegs.size(), ".jpg", 2));
    }
    std::printf("JPEG %d x %zu pages (%.0f MB): find off %8.1f ms  on %8.1f ms  ratio %.2f  (median of %d)\n",
                jpegFolders, jpegs.size(), jpegBytes / 1e6, Median(off) * 1000, Median(on) * 1000,
                Median(on) / Median(off), rounds);
    std::printf("%-38s fastest rounds: off %8.1f ms  on %8.1f ms  ratio %.2f\n", "", Least(off) * 1000,
                Least(on) * 1000, Least(on) / Least(off));
    std::printf("%-38s the check alone, page by page: %.1f ms, %.1f us a page (fastest round)\n", "",
                Least(alone) * 1000, Least(alone) * 1e6 / (jpegFolders * jpegs.size()));
    std::printf("%-38s open-read-close floor: %.1f ms on one thread, %.1f ms on two (medians); find on against"
                " find off plus the floor: %.2f (two threads' floor: %.2f); the check alone against the floor: %.2f\n",
                "", Median(floor) * 1000, Median(floor2) * 1000, Median(on) / (Median(off) + Median(floor)),
                Median(on) / (Median(off) + Median(floor2)), Median(alone) / Median(floor));
    std::printf("%-38s find off plus the floor against find off: %.2f (two threads' floor: %.2f)\n",
                "", (Median(off) + Median(floor)) / Median(off), (Median(off) + Median(floor2)) / Median(off));

    // The deep level over the first 300 folders: one thread page by page, then the find on two threads.
    const int deepFolders = 300;
    const std::string deepRoot = base + "jpeg-deep\\";
    const double deepMb = MakePageTree(deepRoot, deepFolders, jpegs, ".jpg") / 1e6;
    std::vector<double> deepOne, deepFind, deepOff;
    for (int round = 0; round < rounds; ++round) {
        deepOne.push_back(CheckOnly(deepRoot, deepFolders, jpegs.size(), ".jpg", TCheckDepth::Deep));
        deepFind.push_back(FindJob(deepRoot, TPageCheck::Deep, ".jpg"));
        deepOff.push_back(FindJob(deepRoot, TPageCheck::Off, ".jpg"));
    }
    const double one = deepMb / Least(deepOne), two = deepMb / Least(deepFind);
    std::printf("JPEG deep, %d x %zu pages (%.0f MB, fastest of %d rounds): one thread %.1f MB/s, find on two threads"
                " %.1f MB/s (find off %.1f ms)\n",
                deepFolders, jpegs.size(), deepMb, rounds, one, two, Least(deepOff) * 1000);
    if (jpeginfo > 0)
        std::printf("%-38s against jpeginfo -c (%.1f MB/s, one native process): %.2f per core, %.2f on two threads\n",
                    "", jpeginfo, one / jpeginfo, two / jpeginfo);

    // PNG: the whole file goes through the check; a plain read of it is the floor.
    uint64_t readBytes = 0;
    PlainRead(pngRoot, readBytes);
    std::vector<double> plain, check, pngOff, pngOn;
    for (int round = 0; round < rounds; ++round) {
        plain.push_back(PlainRead(pngRoot, readBytes));
        check.push_back(CheckOnly(pngRoot, pngFolders, pngs.size(), ".png"));
        pngOff.push_back(FindJob(pngRoot, TPageCheck::Off, ".png"));
        pngOn.push_back(FindJob(pngRoot, TPageCheck::On, ".png"));
    }
    const double mb = pngBytes / 1e6;
    std::printf("PNG  %d x %zu pages (%.0f MB, fastest of %d rounds): plain read %7.1f MB/s  check alone %7.1f MB/s  "
                "find on %7.1f MB/s (find off %.1f ms, on %.1f ms)\n",
                pngFolders, pngs.size(), mb, rounds, readBytes / 1e6 / Least(plain), mb / Least(check),
                mb / Least(pngOn), Least(pngOff) * 1000, Least(pngOn) * 1000);
    if (!keep) {
        RemoveTree(jpegRoot);
        RemoveTree(deepRoot);
        RemoveTree(pngRoot);
    }
    return 0;
}
