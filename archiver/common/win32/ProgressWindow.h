#pragma once
// The progress of an archiver call, shown and reported. The window shows the
// folder, files done of total, the current file and a Cancel button. It lives
// on a thread of its own, so the archiving thread never waits for it and the
// window answers while files are being packed. Where no window can be made (no
// desktop), the call simply goes on without one. Cancel is only a flag that the
// archiving thread polls. Each poll on the calling thread also reports to the
// caller's progress callback (ProgressCallback.h), whose FALSE sets that flag.
#include "archiver/common/win32/ProgressCallback.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class TProgressWindow {
public:
    // With visible false nothing is shown. owner may be null. Window class name:
    // ArchiverProgressClassName. The calling thread's callback is taken here;
    // the call's work is packing totalBytes and reading them back.
    TProgressWindow(bool visible, HWND owner, const std::string& title, const std::string& folder, size_t totalFiles,
                    uint64_t totalBytes = 0);
    // Closes the window and waits for its thread (which ends within one poll).
    ~TProgressWindow() { Close(); }
    // The same, early: a Cancel the window took before is still seen by
    // CancelRequested, and none can come after. Call it right before committing.
    void Close();
    TProgressWindow(const TProgressWindow&) = delete;
    TProgressWindow& operator=(const TProgressWindow&) = delete;

    // Cheap: stores the figures; the window thread shows them on its next tick.
    void SetProgress(size_t filesDone, const std::string& currentName);
    // Bytes taken from the sources, on any thread.
    void AddPackedBytes(uint64_t bytes) { PackedBytes.fetch_add(bytes, std::memory_order_relaxed); }
    void SetPackedBytes(uint64_t bytes) { PackedBytes.store(bytes, std::memory_order_relaxed); }
    // The read-back (after packing) has read so much of the archive.
    void SetReadBack(uint64_t archiveBytesRead, uint64_t archiveSize);
    bool CancelRequested() const { return Cancelled.load(std::memory_order_relaxed); }
    // Throws TArchiverError (ArchiverCancelled, "中断されました") once Cancel was
    // pressed; on the calling thread it first reports to the callback, at most
    // every ReportMilliseconds.
    void ThrowIfCancelled() const;
    // Reports all the work done, whatever the interval (a FALSE still cancels).
    void ReportFinished();

    static constexpr DWORD ReportMilliseconds = 20;

    static constexpr const char* ArchiverProgressClassName = "FennoroArchiverProgress";

private:
    static DWORD WINAPI ThreadMain(void* self);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();
    void Refresh();
    void Report(bool force) const;

    HWND Owner;
    std::string Title, Folder;
    size_t TotalFiles;
    mutable std::mutex Lock;  // guards Done and Current
    size_t Done = 0;
    std::string Current;
    mutable std::atomic<bool> Cancelled{false};
    TProgressCallback Callback;
    DWORD CallingThread;
    uint64_t TotalBytes;
    std::atomic<uint64_t> PackedBytes{0}, ReadBackBytes{0};
    std::atomic<bool> ReadingBack{false};
    // Reporting, on the calling thread only.
    mutable ULONGLONG LastReport = 0;
    mutable bool Reported = false;
    mutable uint64_t LastDone = 0;
    mutable std::string ReportedName, ReportedNameText;
    HANDLE StopEvent = nullptr;
    HANDLE Thread = nullptr;
    HWND Window = nullptr, CountLabel = nullptr, FileLabel = nullptr;
};
