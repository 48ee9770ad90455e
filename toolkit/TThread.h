#pragma once
// A worker thread owned by the user-interface thread that creates it.
// The derived class calls Start() as the last step of its constructor, so the
// body never sees a half-built object. Synchronize runs an operation on the
// owning thread and returns only when it has run; WaitFor keeps serving such
// calls while it waits, so a worker in the middle of a report never deadlocks.
#include "toolkit/ScopedHandle.h"

#include <atomic>
#include <exception>
#include <functional>
#include <string>

class TThread {
public:
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    // Requests a stop and waits: a thread object never outlives its body's use of it.
    virtual ~TThread();

    void RequestStop() noexcept { StopFlag.store(true, std::memory_order_relaxed); }
    bool StopRequested() const noexcept { return StopFlag.load(std::memory_order_relaxed); }

    // True once the body (and the termination hook) has returned.
    bool Finished() const noexcept { return FinishedFlag.load(std::memory_order_acquire); }

    // True once the thread is gone, also when something beyond the language (a
    // stack overflow, say) ended it without the body returning.
    bool Ended() const noexcept;

    // Blocks the owning thread until the body has ended, serving Synchronize calls meanwhile.
    void WaitFor();

    // The exception that escaped the body, if any; kept for the owner to report.
    std::exception_ptr FatalException() const noexcept { return Fatal; }
    // Its message in plain words, empty when the body ended normally.
    std::string FatalMessage() const;

protected:
    TThread();

    // Starts the body; called once, at the end of the most derived constructor.
    void Start();

    virtual void Execute() = 0;
    // Runs on the worker after Execute, even when Execute threw.
    virtual void DoTerminate() {}

    // Runs the operation on the owning thread and returns when it has run.
    // An exception thrown by the operation is rethrown here, on the worker.
    void Synchronize(const std::function<void()>& operation);

private:
    static unsigned __stdcall ThreadProc(void* self);
    static LRESULT CALLBACK SyncWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    ScopedWindow SyncWindow;
    ScopedHandle Thread;
    DWORD OwnerThreadId;
    std::atomic<bool> StopFlag{false};
    std::atomic<bool> FinishedFlag{false};
    std::exception_ptr Fatal;
};
