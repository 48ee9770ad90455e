#include "archiver/common/win32/ProgressWindow.h"

#include "archiver/common/ArchiverError.h"
#include "archiver/common/win32/TextConvert.h"

#include <algorithm>

namespace {

constexpr int CancelId = IDCANCEL;
constexpr DWORD TickMilliseconds = 100;
constexpr wchar_t ClassName[] = L"FennoroArchiverProgress";  // ArchiverProgressClassName

HINSTANCE ThisModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

} // namespace

TProgressWindow::TProgressWindow(bool visible, HWND owner, const std::string& title, const std::string& folder, size_t totalFiles,
                                 uint64_t totalBytes)
    : Owner(owner), Title(title), Folder(folder), TotalFiles(totalFiles), Callback(ThreadProgressCallback()),
      CallingThread(GetCurrentThreadId()), TotalBytes(totalBytes)
{
    if (!visible) return;
    StopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (StopEvent) Thread = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
}

void TProgressWindow::Close()
{
    if (Thread) {
        SetEvent(StopEvent);
        WaitForSingleObject(Thread, INFINITE);
        CloseHandle(Thread);
        Thread = nullptr;
    }
    if (StopEvent) {
        CloseHandle(StopEvent);
        StopEvent = nullptr;
    }
}

void TProgressWindow::SetProgress(size_t filesDone, const std::string& currentName)
{
    if (!Thread && !Callback.Function) return;
    std::lock_guard<std::mutex> guard(Lock);
    Done = filesDone;
    Current = currentName;
}

void TProgressWindow::SetReadBack(uint64_t archiveBytesRead, uint64_t archiveSize)
{
    const bool begun = !ReadingBack.exchange(true);
    const double share = archiveSize ? static_cast<double>(std::min(archiveBytesRead, archiveSize)) / archiveSize : 1.0;
    ReadBackBytes = static_cast<uint64_t>(share * static_cast<double>(TotalBytes));
    // The caller hears at once that packing is over, whatever the interval.
    if (begun) Report(true);
}

void TProgressWindow::ReportFinished()
{
    SetReadBack(1, 1);
    Report(true);
}

// The work in bytes: what packing took of the sources (all of them once the
// read-back began; a file may have shrunk or grown), then the read-back's
// share; never back, never past the whole.
void TProgressWindow::Report(bool force) const
{
    if (!Callback.Function || GetCurrentThreadId() != CallingThread) return;
    const ULONGLONG now = GetTickCount64();
    if (!force && Reported && now - LastReport < ReportMilliseconds) return;
    const uint64_t total = TotalBytes * 2;
    const uint64_t packed = ReadingBack ? TotalBytes : std::min<uint64_t>(PackedBytes, TotalBytes);
    LastDone = std::clamp<uint64_t>(packed + ReadBackBytes, LastDone, total);
    {
        std::lock_guard<std::mutex> guard(Lock);
        const std::string& name = ReadingBack ? std::string() : Current;
        if (!Reported || name != ReportedName) {
            ReportedName = name;
            ReportedNameText = ToCallText(name);
        }
    }
    Reported = true;
    LastReport = now;
    if (!Callback.Function(Callback.Context, ReportedNameText.c_str(), LastDone, total)) Cancelled = true;
}

void TProgressWindow::ThrowIfCancelled() const
{
    Report(false);
    if (CancelRequested()) throw TArchiverError(ArchiverCancelled, std::string(CancelledMessage));
}

DWORD WINAPI TProgressWindow::ThreadMain(void* self)
{
    static_cast<TProgressWindow*>(self)->Run();
    return 0;
}

LRESULT CALLBACK TProgressWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    auto* self = reinterpret_cast<TProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == CancelId && self) {
            self->Cancelled = true;
            EnableWindow(GetDlgItem(window, CancelId), FALSE);
        }
        return 0;
    case WM_CLOSE:  // the close box cancels; the window goes when the call ends
        if (self) self->Cancelled = true;
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void TProgressWindow::Run()
{
    const HINSTANCE instance = ThisModule();
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = ClassName;
    RegisterClassW(&windowClass);  // fails harmlessly when already registered

    const int width = 420, height = 150;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (Owner) GetWindowRect(Owner, &area);
    Window = CreateWindowExW(WS_EX_DLGMODALFRAME, ClassName, Utf8ToWide(Title).c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU,
                             area.left + (area.right - area.left - width) / 2, area.top + (area.bottom - area.top - height) / 2,
                             width, height, Owner, nullptr, instance, this);
    if (!Window) {  // no desktop: the call goes on without a window
        UnregisterClassW(ClassName, instance);
        return;
    }
    const HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    const auto child = [&](const wchar_t* className, const std::string& text, DWORD style, int x, int y, int w, int h, int id) {
        HWND control = CreateWindowExW(0, className, Utf8ToWide(text).c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, Window,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    child(L"STATIC", Folder, SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS, 12, 10, width - 30, 18, -1);
    CountLabel = child(L"STATIC", "", SS_LEFTNOWORDWRAP, 12, 32, width - 30, 18, -1);
    FileLabel = child(L"STATIC", "", SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS, 12, 54, width - 30, 18, -1);
    child(L"BUTTON", "キャンセル", BS_PUSHBUTTON | WS_TABSTOP, width - 110, height - 70, 90, 26, CancelId);
    Refresh();
    ShowWindow(Window, SW_SHOWNOACTIVATE);

    // Serve the window until the call ends; the stop event is checked on every
    // tick, so the archiving thread's final wait is short.
    DWORD lastRefresh = GetTickCount();
    for (;;) {
        const DWORD wait = MsgWaitForMultipleObjects(1, &StopEvent, FALSE, TickMilliseconds, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_FAILED) break;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(Window, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        if (GetTickCount() - lastRefresh >= TickMilliseconds) {
            Refresh();
            lastRefresh = GetTickCount();
        }
    }
    DestroyWindow(Window);
    Window = nullptr;
    // A class a DLL registers outlives the DLL: unregistered so that a reload
    // at another address does not find a stale window procedure.
    UnregisterClassW(ClassName, instance);
}

void TProgressWindow::Refresh()
{
    size_t done;
    std::string current;
    {
        std::lock_guard<std::mutex> guard(Lock);
        done = Done;
        current = Current;
    }
    const std::string count = std::to_string(done) + " / " + std::to_string(TotalFiles) + " ファイル";
    SetWindowTextW(CountLabel, Utf8ToWide(count).c_str());
    SetWindowTextW(FileLabel, Utf8ToWide(current).c_str());
}
