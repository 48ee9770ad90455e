#pragma once
// What the benchmarks share: a clock, the generated trees of numbered files, the
// bare enumeration floor every find is measured against, and a worker's owner
// that stores the rows and nothing else.
#include "engine/win32/TThreadFennoroOwner.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Seconds from the performance counter.
double Now();

// The middle of a round's times, and the fastest: other work on the machine
// only ever adds time, so the fastest round is the one it disturbed least.
double Median(std::vector<double> values);
double Least(const std::vector<double>& values);

// Generates folders "vol00000".. below the root, each with files "img0001".. (every
// third a .png, the others .jpg), unless a complete tree is there from a kept run.
void MakeTree(const std::string& root, int folders, int files);
void RemoveTree(const std::string& dir);

// A sample page: its file name and bytes.
struct Page {
    std::string Name;
    std::string Bytes;
};

// The sample pages of one extension (".jpg") in a directory, sorted by name.
std::vector<Page> LoadPages(const std::string& dir, const char* extension);

// Folders "vol00000".. below the root, each holding every page as "p01.ext"..,
// unless a kept run left them; the bytes of all of them.
uint64_t MakePageTree(const std::string& root, int folders, const std::vector<Page>& pages, const char* extension);

// The floor any page check stands on: every page of such a tree opened, read
// once (4 KiB) and closed, on the given number of threads; the seconds it took.
double OpenReadCloseFloor(const std::string& root, int folders, size_t pages, const char* extension, int threads);

// A library kept by author, series and volume: "author000\series000\vol000"..
// below the root, each volume with files "img0001".. as MakeTree makes them,
// unless a complete tree is there from a kept run.
void MakeLibraryTree(const std::string& root, int authors, int series, int volumes, int files);

// The one-pass floor of a tree: every folder at any depth listed once with
// FindFirstFileExW, entries only counted.
size_t OnePassFloor(const std::string& root);

// The floor: every folder below the root read twice (as a find reads its files,
// then its sub-folders) with FindFirstFileA, entries only counted.
size_t EnumerationFloor(const std::string& root);

// The one-pass floor: the root and every folder below it listed once through the
// wide API, as the find lists them, entries only counted.
size_t WideListingFloor(const std::string& root);

// Stores the rows, as cheaply as a window could; the find job's rows come in a
// queue, as the window takes them, delivered at the job's end here.
class RowStore final : public TThreadFennoroOwner {
public:
    void DisplayStatus(const std::string&) override {}
    void RemoveAllRows() override { Rows.clear(); }
    void AddRow(const FolderRow& row) override { Rows.push_back(row); }
    size_t RowCount() const override { return Rows.size(); }
    FolderRow& RowAt(size_t index) override { return Rows[index]; }
    void RedrawRow(const FolderRow&) override {}
    HWND OwnerWindow() const override { return nullptr; }
    bool DrainsReports() const override { return true; }
    std::vector<FolderRow> Rows;
};

// The status bar's first part, through the one message every window answers
// across processes.
std::wstring StatusText(HWND status);
// The status bar's text once it says the find ended (or was stopped), or after
// that many seconds. Asked every 10 ms: often enough for the figure, seldom
// enough not to weigh on the window (each question goes through the wineserver).
std::wstring WaitForFindEnd(HWND status, double seconds);
