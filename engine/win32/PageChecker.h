#pragma once
// The page check of a folder's files on two threads: the caller's and a helper
// kept for the checker's life, each taking the next file in turn. Under Wine a
// file's open and close are server round trips, so two threads waiting on them
// at once nearly halve the wait; the deep check keeps both cores decoding.
// Begin hands the files to the helper alone, so that the caller can go on (to
// the next folder's listing) and join in at End.
#include "engine/win32/ImageFile.h"
#include "pages/ImageCheck.h"

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TPageChecker {
public:
    struct TFile {
        std::wstring Path;
        TImageKind Kind;  // None: not a page, passed over; else the file's first bytes decide how it is read
    };
    static constexpr ptrdiff_t AllWhole = -1;
    static constexpr ptrdiff_t Stopped = -2;

    explicit TPageChecker(TCheckDepth depth);
    ~TPageChecker();
    TPageChecker(const TPageChecker&) = delete;
    TPageChecker& operator=(const TPageChecker&) = delete;

    // The index of the first damaged or unreadable file in the order given,
    // AllWhole, or Stopped when stop (asked before each file, on both threads)
    // said so first.
    ptrdiff_t FirstDamaged(std::vector<TFile> files, std::function<bool()> stop);

    // The same in two steps: Begin returns at once, End checks the files the
    // helper has not taken yet and returns the verdict. One Begin at a time.
    void Begin(std::vector<TFile> files, std::function<bool()> stop);
    ptrdiff_t End();

    // What is wrong with the file the last FirstDamaged or End named (a whole
    // verdict after AllWhole or Stopped).
    TPageVerdict Verdict() const { return Found; }
    // The size of the file at that index in the order given, once End or
    // FirstDamaged has returned AllWhole ({0,0} when its header gave none).
    TPageSize SizeAt(size_t index) const { return index < Verdicts.size() ? Verdicts[index].Size : TPageSize{}; }
    // Each file's digest, the same way; at the deep level only (else all {0,0}).
    const std::vector<TPageDigest>& Digests() const { return FileDigests; }

private:
    void Helper();
    void Work();

    TCheckDepth Depth;
    std::mutex Lock;
    std::condition_variable Wake;
    std::condition_variable Done;
    // The folder in hand (set under Lock; the helper joins it under Lock).
    std::vector<TFile> Files;
    std::function<bool()> Stop;
    bool Open = false;
    unsigned Generation = 0;
    int Working = 0;  // helpers inside Work
    bool Quit = false;
    std::atomic<size_t> Next{0};
    std::atomic<size_t> Damaged{0};
    std::atomic<bool> StopSeen{false};
    std::vector<TPageVerdict> Verdicts;  // per file, each written by the thread that judged it
    std::vector<TPageDigest> FileDigests;  // likewise
    TPageVerdict Found;
    std::thread HelperThread;
};
