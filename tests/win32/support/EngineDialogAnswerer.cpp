#include "win32/support/EngineDialogAnswerer.h"

#include "base/WideText.h"

EngineDialogAnswerer::EngineDialogAnswerer(int button) : Button(button)
{
    Thread = CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr);
}

EngineDialogAnswerer::~EngineDialogAnswerer()
{
    Quit = true;
    if (Thread) {
        WaitForSingleObject(Thread, INFINITE);
        CloseHandle(Thread);
    }
}

std::vector<std::string> EngineDialogAnswerer::Answered() const
{
    std::lock_guard<std::mutex> guard(Lock);
    return Titles;
}

DWORD WINAPI EngineDialogAnswerer::ThreadProc(void* self)
{
    auto* answerer = static_cast<EngineDialogAnswerer*>(self);
    // A test helper may poll: it looks a few times a second for a window to appear.
    while (!answerer->Quit) {
        EnumWindows(VisitWindow, reinterpret_cast<LPARAM>(answerer));
        Sleep(50);
    }
    return 0;
}

BOOL CALLBACK EngineDialogAnswerer::VisitWindow(HWND window, LPARAM self)
{
    auto* answerer = reinterpret_cast<EngineDialogAnswerer*>(self);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return TRUE;
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) != "#32770") return TRUE;
    HWND button = GetDlgItem(window, answerer->Button);
    if (!button) return TRUE;
    std::lock_guard<std::mutex> guard(answerer->Lock);
    if (!answerer->Seen.insert(window).second) return TRUE;
    wchar_t title[256] = {};
    GetWindowTextW(window, title, 256);
    answerer->Titles.push_back(Utf8Text(title));
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(answerer->Button, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return TRUE;
}

bool EngineWaitServingCalls(HANDLE handle, DWORD timeoutMilliseconds)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMilliseconds) return false;
        const DWORD result =
            MsgWaitForMultipleObjects(1, &handle, FALSE, timeoutMilliseconds - elapsed, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) return true;
        if (result != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}
