#pragma once
// The progress window of an archiver call: the folder, files done of total,
// the current file and a Cancel button. It lives on a thread of its own, so
// the archiving thread never waits for it and the window answers while files
// are being packed. Where no window can be made (no desktop), the call simply
// goes on without one. Cancel is only a flag that the archiving thread polls.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>

class TProgressWindow {
public:
    // With visible false nothing is shown and CancelRequested stays false.
    // owner may be null. Window class name: ArchiverProgressClassName.
    TProgressWindow(bool visible, HWND owner, const std::string& title, const std::string& folder, size_t totalFiles);
    // Closes the window and waits for its thread (which ends within one poll).
    ~TProgressWindow() { Close(); }
    // The same, early: a Cancel the window took before is still seen by
    // CancelRequested, and none can come after. Call it right before committing.
    void Close();
    TProgressWindow(const TProgressWindow&) = delete;
    TProgressWindow& operator=(const TProgressWindow&) = delete;

    // Cheap: stores the figures; the window thread shows them on its next tick.
    void SetProgress(size_t filesDone, const std::string& currentName);
    bool CancelRequested() const { return Cancelled.load(std::memory_order_relaxed); }
    // Throws TArchiverError (ArchiverCancelled, "中断されました") once Cancel was pressed.
    void ThrowIfCancelled() const;

    static constexpr const char* ArchiverProgressClassName = "FennoroArchiverProgress";

private:
    static DWORD WINAPI ThreadMain(void* self);
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void Run();
    void Refresh();

    HWND Owner;
    std::string Title, Folder;
    size_t TotalFiles;
    std::mutex Lock;  // guards Done and Current
    size_t Done = 0;
    std::string Current;
    std::atomic<bool> Cancelled{false};
    HANDLE StopEvent = nullptr;
    HANDLE Thread = nullptr;
    HWND Window = nullptr, CountLabel = nullptr, FileLabel = nullptr;
};
