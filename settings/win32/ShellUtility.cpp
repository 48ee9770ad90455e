#include "settings/win32/ShellUtility.h"

#include "base/WideText.h"

#include "settings/DragDetector.h"

#include <shlobj.h>

#include <cstring>

// The six helpers are exported under their plain names. As stdcall functions on
// 32-bit x86 their symbols carry "@n", so the export names are given as aliases.
#if defined(__i386__) || defined(_M_IX86)
#if defined(_MSC_VER)
#pragma comment(linker, "/EXPORT:FolderDialog=_FolderDialog@12")
#pragma comment(linker, "/EXPORT:GetErrorString=_GetErrorString@4")
#pragma comment(linker, "/EXPORT:GetLastErrorString=_GetLastErrorString@0")
#pragma comment(linker, "/EXPORT:DragCheckMouseDown=_DragCheckMouseDown@12")
#pragma comment(linker, "/EXPORT:DragCheckMouseMove=_DragCheckMouseMove@12")
#pragma comment(linker, "/EXPORT:DragCheckMouseUp=_DragCheckMouseUp@4")
#else
__asm__(".section .drectve\n"
        ".ascii \" -export:FolderDialog=FolderDialog@12 -export:GetErrorString=GetErrorString@4\"\n"
        ".ascii \" -export:GetLastErrorString=GetLastErrorString@0\"\n"
        ".ascii \" -export:DragCheckMouseDown=DragCheckMouseDown@12\"\n"
        ".ascii \" -export:DragCheckMouseMove=DragCheckMouseMove@12\"\n"
        ".ascii \" -export:DragCheckMouseUp=DragCheckMouseUp@4\"\n"
        ".text");
#endif
#define SHELL_EXPORT
#else
#define SHELL_EXPORT __declspec(dllexport)
#endif

namespace {

constexpr DWORD StatusInvalidHandle = 0xC0000008;

// Marks the threads inside a guarded region; a TLS slot because the handler
// may run on any thread and must not allocate.
DWORD GuardSlot()
{
    static const DWORD slot = TlsAlloc();
    return slot;
}

LONG CALLBACK DismissInvalidHandle(EXCEPTION_POINTERS* info)
{
    const EXCEPTION_RECORD* record = info->ExceptionRecord;
    if (record->ExceptionCode != StatusInvalidHandle || (record->ExceptionFlags & EXCEPTION_NONCONTINUABLE))
        return EXCEPTION_CONTINUE_SEARCH;
    const DWORD lastError = GetLastError();
    const bool guarded = TlsGetValue(GuardSlot()) != nullptr;
    SetLastError(lastError);
    return guarded ? EXCEPTION_CONTINUE_EXECUTION : EXCEPTION_CONTINUE_SEARCH;
}

// The shell's dialog may raise STATUS_INVALID_HANDLE on handles it closes twice;
// within the region such an exception is dismissed and execution goes on where
// it was raised. A vectored handler stands in for __try/__except, which mingw
// lacks; it acts only for the thread that opened the region.
class InvalidHandleGuard {
public:
    InvalidHandleGuard()
    {
        if (GuardSlot() == TLS_OUT_OF_INDEXES) return;
        Previous = TlsGetValue(GuardSlot());
        TlsSetValue(GuardSlot(), reinterpret_cast<void*>(reinterpret_cast<uintptr_t>(Previous) + 1));
        Handler = AddVectoredExceptionHandler(0, DismissInvalidHandle);
    }
    ~InvalidHandleGuard()
    {
        if (Handler) RemoveVectoredExceptionHandler(Handler);
        if (GuardSlot() != TLS_OUT_OF_INDEXES) TlsSetValue(GuardSlot(), Previous);
    }
    InvalidHandleGuard(const InvalidHandleGuard&) = delete;
    InvalidHandleGuard& operator=(const InvalidHandleGuard&) = delete;

private:
    void* Previous = nullptr;
    void* Handler = nullptr;
};

// One drag tracked at a time, for the whole program.
DragDetectorState DragState;

int32_t DragThresholdX() { return GetSystemMetrics(SM_CXDRAG); }
int32_t DragThresholdY() { return GetSystemMetrics(SM_CYDRAG); }

} // namespace

int CALLBACK FolderDialogBrowseCallback(HWND dialog, UINT message, LPARAM parameter, LPARAM data)
{
    switch (message) {
    case BFFM_INITIALIZED:
        if (data) SendMessageW(dialog, BFFM_SETSELECTION, 1, data);
        break;
    case BFFM_SELCHANGED: {
        // Virtual items (the computer, the network) have no path and cannot be confirmed.
        wchar_t selected[MAX_PATH];
        if (!SHGetPathFromIDListW(reinterpret_cast<PCIDLIST_ABSOLUTE>(parameter), selected)) selected[0] = L'\0';
        SendMessageW(dialog, BFFM_ENABLEOK, 0, selected[0] != L'\0');
        break;
    }
    default:
        break;
    }
    return 0;
}

int32_t FolderDialog(HWND owner, const std::string& title, std::string& path)
{
    wchar_t displayName[MAX_PATH] = {};
    const std::wstring wideTitle = WideText(title);
    const std::wstring start = WideText(path);
    BROWSEINFO info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = wideTitle.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    info.lpfn = FolderDialogBrowseCallback;
    info.lParam = start.empty() || start.size() >= MAX_PATH ? 0 : reinterpret_cast<LPARAM>(start.c_str());

    InvalidHandleGuard guard;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info);
    if (!item) return 0;
    // Through a local buffer: an item without a file-system path must not
    // be reported as a chosen folder with an empty or stale path.
    wchar_t chosen[MAX_PATH] = {};
    const BOOL found = SHGetPathFromIDListW(item, chosen);
    CoTaskMemFree(item);
    std::string text;
    if (!found || chosen[0] == L'\0' || !ExactUtf8Text(chosen, text)) return 0;
    path = text;
    return 1;
}

extern "C" {

SHELL_EXPORT int32_t WINAPI FolderDialog(HWND owner, const char* title, char* path)
{
    std::string chosen = path ? std::string(path) : std::string();
    if (!FolderDialog(owner, title ? title : "", chosen)) return 0;
    // A path longer than the caller's buffer is not a path it could use.
    if (chosen.size() >= MAX_PATH) return 0;
    if (path) std::memcpy(path, chosen.c_str(), chosen.size() + 1);
    return 1;
}

SHELL_EXPORT char* WINAPI GetErrorString(DWORD code)
{
    // Inserts such as %1 are left in the text: there are no arguments to read.
    wchar_t* wide = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                            FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                                        nullptr, code, 0x0400, reinterpret_cast<wchar_t*>(&wide), 0, nullptr);
    const std::string utf8 = length ? Utf8Text(std::wstring_view(wide, length)) : std::string();
    if (wide) LocalFree(wide);
    if (utf8.empty()) return nullptr;
    char* text = static_cast<char*>(LocalAlloc(LMEM_FIXED, utf8.size() + 1));
    if (text) std::memcpy(text, utf8.c_str(), utf8.size() + 1);
    return text;
}

SHELL_EXPORT char* WINAPI GetLastErrorString()
{
    return GetErrorString(GetLastError());
}

SHELL_EXPORT void WINAPI DragCheckMouseDown(int32_t left, int32_t x, int32_t y)
{
    DragDetectorMouseDown(DragState, static_cast<uint32_t>(left), x, y);
}

SHELL_EXPORT int32_t WINAPI DragCheckMouseMove(int32_t left, int32_t x, int32_t y)
{
    return DragDetectorMouseMove(DragState, static_cast<uint32_t>(left), x, y, DragThresholdX, DragThresholdY);
}

SHELL_EXPORT void WINAPI DragCheckMouseUp(int32_t left)
{
    DragDetectorMouseUp(DragState, static_cast<uint32_t>(left));
}

} // extern "C"
