#include "toolkit/TThread.h"

#include "toolkit/ErrorReport.h"

#include <process.h>

#include <stdexcept>

namespace {

constexpr UINT WM_SYNCHRONIZE = WM_APP + 1;
constexpr wchar_t SyncWindowClass[] = L"TThreadSyncWindow";

struct SyncCall {
    const std::function<void()>* Operation;
    std::exception_ptr Error;
};

} // namespace

TThread::TThread() : OwnerThreadId(GetCurrentThreadId())
{
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASS windowClass{};
    if (!GetClassInfoW(instance, SyncWindowClass, &windowClass)) {
        windowClass.lpfnWndProc = SyncWindowProc;
        windowClass.hInstance = instance;
        windowClass.lpszClassName = SyncWindowClass;
        RegisterClassW(&windowClass);
    }
    // Message-only: never shown, never enumerated, owned by the creating thread.
    SyncWindow.reset(CreateWindowExW(0, SyncWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr));
    if (!SyncWindow) throw std::runtime_error("スレッドの同期ウィンドウを作成できません");
}

TThread::~TThread()
{
    if (Thread) {
        RequestStop();
        WaitFor();
    }
}

void TThread::Start()
{
    if (Thread) return;
    const uintptr_t handle = _beginthreadex(nullptr, 0, ThreadProc, this, 0, nullptr);
    if (handle == 0) throw std::runtime_error("スレッドを開始できません");
    Thread.reset(reinterpret_cast<HANDLE>(handle));
}

unsigned __stdcall TThread::ThreadProc(void* self)
{
    auto* thread = static_cast<TThread*>(self);
    try {
        thread->Execute();
    } catch (...) {
        thread->Fatal = std::current_exception();
    }
    try {
        thread->DoTerminate();
    } catch (...) {
        if (!thread->Fatal) thread->Fatal = std::current_exception();
    }
    thread->FinishedFlag.store(true, std::memory_order_release);
    return 0;
}

bool TThread::Ended() const noexcept
{
    return Finished() || !Thread || WaitForSingleObject(Thread.get(), 0) == WAIT_OBJECT_0;
}

void TThread::WaitFor()
{
    if (!Thread) return;
    HANDLE handle = Thread.get();
    if (GetCurrentThreadId() != OwnerThreadId) {
        WaitForSingleObject(handle, INFINITE);
        return;
    }
    for (;;) {
        const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) return;
        if (result == WAIT_FAILED) return;
        // Peeking dispatches the messages sent from other threads; posted ones stay queued.
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

std::string TThread::FatalMessage() const
{
    if (!Fatal) return {};
    const std::string message = ExceptionMessage(Fatal);
    return message.empty() ? "原因不明のエラーが発生しました" : message;
}

void TThread::Synchronize(const std::function<void()>& operation)
{
    if (GetCurrentThreadId() == OwnerThreadId) {
        operation();
        return;
    }
    SyncCall call{&operation, nullptr};
    SendMessageW(SyncWindow.get(), WM_SYNCHRONIZE, 0, reinterpret_cast<LPARAM>(&call));
    if (call.Error) std::rethrow_exception(call.Error);
}

LRESULT CALLBACK TThread::SyncWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SYNCHRONIZE) {
        auto* call = reinterpret_cast<SyncCall*>(lParam);
        // No exception may cross the window procedure: carry it back to the worker.
        try {
            (*call->Operation)();
        } catch (...) {
            call->Error = std::current_exception();
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
