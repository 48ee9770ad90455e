#pragma once
// Answers the shell's modal questions (such as the confirmation before a folder
// goes to the recycle bin) from a helper thread, so that a test without a user
// never waits for ever. Only dialogs of this process that have the button are answered.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class EngineDialogAnswerer {
public:
    explicit EngineDialogAnswerer(int button = IDYES);
    ~EngineDialogAnswerer();
    EngineDialogAnswerer(const EngineDialogAnswerer&) = delete;
    EngineDialogAnswerer& operator=(const EngineDialogAnswerer&) = delete;

    // The titles of the dialogs answered so far.
    std::vector<std::string> Answered() const;

private:
    static DWORD WINAPI ThreadProc(void* self);
    static BOOL CALLBACK VisitWindow(HWND window, LPARAM self);

    const int Button;
    std::atomic<bool> Quit{false};
    HANDLE Thread = nullptr;
    mutable std::mutex Lock;
    std::set<HWND> Seen;
    std::vector<std::string> Titles;
};

// Waits for the handle on the owner's thread while serving a worker's synchronous
// calls, as the window's own wait does. False on timeout.
bool EngineWaitServingCalls(HANDLE handle, DWORD timeoutMilliseconds);
