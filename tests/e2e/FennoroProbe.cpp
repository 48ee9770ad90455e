// Reads the state of a running Fennoro window from another process, the way
// an end-to-end test or the headless demo run needs it: the folder list rows,
// the status text, the clipboard. Texts are written as the window holds them
// (code page 932 bytes); the Linux side converts them.
//   fennoro-probe rows | status | metrics | wait-status TEXT SECONDS | wait-idle SECONDS
//                 | dialog | folder | clipboard [FORMAT] | close | exists
//                 | sendto-target (the Send To shortcut's path and the program it starts)
#include "base/WideText.h"
#include "settings/win32/SendToShortcut.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr char MainClass[] = "TFormFennoro";

// By class, and by caption for a window class named otherwise.
HWND FindMain()
{
    HWND window = FindWindowA(MainClass, nullptr);
    return window ? window : FindWindowA(nullptr, "Fennoro");
}

struct ChildSearch {
    const char* Class;
    HWND Found;
};

BOOL CALLBACK MatchChild(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<ChildSearch*>(lParam);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (lstrcmpiA(name, search->Class) != 0) return TRUE;
    search->Found = window;
    return FALSE;
}

HWND FindChild(HWND parent, const char* className)
{
    ChildSearch search{className, nullptr};
    EnumChildWindows(parent, MatchChild, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// A block of memory inside the window's process, for messages that pass pointers.
class RemoteBlock {
public:
    RemoteBlock(HWND window, size_t size) : Size(size)
    {
        DWORD processId = 0;
        GetWindowThreadProcessId(window, &processId);
        Process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
        if (Process) Address = VirtualAllocEx(Process, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
    }
    ~RemoteBlock()
    {
        if (Address) VirtualFreeEx(Process, Address, 0, MEM_RELEASE);
        if (Process) CloseHandle(Process);
    }
    bool Valid() const { return Address != nullptr; }
    char* Base() const { return static_cast<char*>(Address); }
    bool Write(size_t offset, const void* data, size_t size) const
    {
        return offset + size <= Size && WriteProcessMemory(Process, Base() + offset, data, size, nullptr);
    }
    bool Read(size_t offset, void* data, size_t size) const
    {
        return offset + size <= Size && ReadProcessMemory(Process, Base() + offset, data, size, nullptr);
    }

private:
    HANDLE Process = nullptr;
    void* Address = nullptr;
    size_t Size;
};

constexpr int TextSize = 4096;

std::string ItemText(HWND list, RemoteBlock& block, int item, int column)
{
    LVITEM lvItem{};
    lvItem.iSubItem = column;
    lvItem.cchTextMax = TextSize;
    lvItem.pszText = reinterpret_cast<wchar_t*>(block.Base() + sizeof(LVITEM));
    block.Write(0, &lvItem, sizeof lvItem);
    const int length = static_cast<int>(SendMessageW(list, LVM_GETITEMTEXT, item, reinterpret_cast<LPARAM>(block.Base())));
    std::vector<wchar_t> text(TextSize + 1, 0);
    block.Read(sizeof(LVITEM), text.data(), TextSize * sizeof(wchar_t));
    return length > 0 ? Utf8Text(std::wstring_view(text.data(), wcsnlen(text.data(), TextSize))) : std::string();
}

int PrintRows()
{
    HWND main = FindMain();
    HWND list = main ? FindChild(main, WC_LISTVIEWA) : nullptr;
    if (!list) return 2;
    RemoteBlock block(list, sizeof(LVITEM) + (TextSize + 1) * sizeof(wchar_t));
    if (!block.Valid()) return 3;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const UINT state = static_cast<UINT>(SendMessageW(list, LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK));
        const bool checked = ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
        std::printf("%d\t%s\t%s\t%s\n", checked ? 1 : 0, ItemText(list, block, i, 0).c_str(),
                    ItemText(list, block, i, 1).c_str(), ItemText(list, block, i, 2).c_str());
    }
    return 0;
}

bool StatusText(std::string& text)
{
    HWND main = FindMain();
    HWND status = main ? FindChild(main, STATUSCLASSNAMEA) : nullptr;
    if (!status) return false;
    RemoteBlock block(status, TextSize);
    if (!block.Valid()) return false;
    // A simple status bar keeps its text in the simple part (index 255).
    const bool simple = SendMessageW(status, SB_ISSIMPLE, 0, 0) != 0;
    SendMessageW(status, SB_GETTEXT, simple ? SB_SIMPLEID : 0, reinterpret_cast<LPARAM>(block.Base()));
    std::vector<wchar_t> buffer(TextSize / sizeof(wchar_t) + 1, 0);
    block.Read(0, buffer.data(), TextSize);
    text = Utf8Text(std::wstring_view(buffer.data(), wcsnlen(buffer.data(), TextSize / sizeof(wchar_t))));
    return true;
}

bool WaitFor(double seconds, bool (*done)(const char*), const char* argument)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < seconds * 1000) {
        if (done(argument)) return true;
        Sleep(100);
    }
    return false;
}

// A visible dialog box of the program's process (a shell confirmation, say).
struct DialogSearch {
    DWORD ProcessId;
    HWND Found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM lParam)
{
    auto* search = reinterpret_cast<DialogSearch*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    if (processId != search->ProcessId || !IsWindowVisible(window) || std::strcmp(name, "#32770") != 0) return TRUE;
    search->Found = window;
    return FALSE;
}

HWND FindDialog()
{
    HWND main = FindMain();
    if (!main) return nullptr;
    DialogSearch search{0, nullptr};
    GetWindowThreadProcessId(main, &search.ProcessId);
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

int WindowHeight(HWND window)
{
    RECT rect{};
    if (window) GetWindowRect(window, &rect);
    return rect.bottom - rect.top;
}

// Sizes of the window's parts, in its own pixels, as "name value" lines.
int PrintMetrics()
{
    HWND main = FindMain();
    HWND list = main ? FindChild(main, WC_LISTVIEWA) : nullptr;
    HWND toolBar = main ? FindChild(main, TOOLBARCLASSNAMEA) : nullptr;
    if (!list || !toolBar) return 2;
    RemoteBlock block(list, sizeof(RECT));
    if (!block.Valid()) return 3;
    RECT row{LVIR_BOUNDS, 0, 0, 0};
    block.Write(0, &row, sizeof row);
    SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(block.Base()));
    block.Read(0, &row, sizeof row);
    RECT client{};
    GetClientRect(main, &client);
    const LRESULT button = SendMessageW(toolBar, TB_GETBUTTONSIZE, 0, 0);
    std::printf("row %ld\n", row.bottom - row.top);
    std::printf("column %d\n", static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0)));
    std::printf("button %d %d\n", LOWORD(button), HIWORD(button));
    std::printf("status %d\n", WindowHeight(FindChild(main, STATUSCLASSNAMEA)));
    std::printf("folderbox %d\n", WindowHeight(FindChild(main, "Edit")));
    std::printf("client %ld %ld\n", client.right, client.bottom);
    return 0;
}

int PrintClipboard(const char* formatName)
{
    UINT format = CF_TEXT;
    if (formatName && std::strcmp(formatName, "CF_TEXT") != 0) {
        format = std::strcmp(formatName, "CF_SYLK") == 0 ? CF_SYLK : RegisterClipboardFormatA(formatName);
    }
    for (int attempt = 0; attempt < 20 && !OpenClipboard(nullptr); ++attempt) Sleep(100);
    HANDLE data = GetClipboardData(format);
    int rc = 4;
    if (data) {
        const char* text = static_cast<const char*>(GlobalLock(data));
        if (text) {
            std::fwrite(text, 1, strnlen(text, GlobalSize(data)), stdout);
            GlobalUnlock(data);
            rc = 0;
        }
    }
    CloseClipboard();
    return rc;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "rows") return PrintRows();
    if (command == "exists") return FindMain() ? 0 : 1;
    if (command == "metrics") return PrintMetrics();
    if (command == "status") {
        std::string text;
        if (!StatusText(text)) return 2;
        std::printf("%s\n", text.c_str());
        return 0;
    }
    if (command == "wait-window") {
        return WaitFor(argc > 2 ? std::atof(argv[2]) : 30, [](const char*) { return FindMain() != nullptr; }, nullptr) ? 0 : 1;
    }
    if (command == "wait-status" && argc > 2) {
        // Waits until the status text starts with the given text (UTF-8, from the
        // wide command line: the ANSI one would not hold every character).
        int wideCount = 0;
        LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
        const std::string expected = wide && wideCount > 2 ? Utf8Text(wide[2]) : std::string(argv[2]);
        if (wide) LocalFree(wide);
        return WaitFor(argc > 3 ? std::atof(argv[3]) : 60, [](const char* wanted) {
            std::string text;
            return StatusText(text) && text.rfind(wanted, 0) == 0;
        }, expected.c_str()) ? 0 : 1;
    }
    if (command == "dialog") {
        HWND dialog = FindDialog();
        if (!dialog) return 1;
        wchar_t title[256] = {};
        GetWindowTextW(dialog, title, 256);
        std::printf("%s\n", Utf8Text(title).c_str());
        return 0;
    }
    if (command == "folder") {
        // The folder box: its selection and its text, "START END TEXT" (UTF-8).
        HWND main = FindMain();
        HWND edit = main ? FindChild(main, "Edit") : nullptr;
        if (!edit) return 1;
        const DWORD selection = static_cast<DWORD>(SendMessageW(edit, EM_GETSEL, 0, 0));
        std::wstring text(static_cast<size_t>(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
        text.resize(static_cast<size_t>(
            SendMessageW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
        std::printf("%u %u %s\n", LOWORD(selection), HIWORD(selection), Utf8Text(text).c_str());
        return 0;
    }
    if (command == "sendto-target") {
        // "PATH<TAB>TARGET" of the shortcut in the Send To folder; 1 when there is none.
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        const std::wstring path = SendToShortcutPath();
        const std::wstring target = ShortcutExists(path) ? ShortcutTarget(path) : std::wstring();
        std::printf("%s\t%s\n", Utf8Text(path).c_str(), Utf8Text(target).c_str());
        CoUninitialize();
        return target.empty() ? 1 : 0;
    }
    if (command == "clipboard") return PrintClipboard(argc > 2 ? argv[2] : nullptr);
    if (command == "close") {
        HWND main = FindMain();
        if (!main) return 1;
        PostMessageW(main, WM_CLOSE, 0, 0);
        return WaitFor(argc > 2 ? std::atof(argv[2]) : 30, [](const char*) { return FindMain() == nullptr; }, nullptr) ? 0 : 1;
    }
    if (command == "hold" && argc > 2) {
        // Holds the file open with no sharing, as another program may, until
        // "release" (or the seconds given, 300 by default) and prints "held" once it does.
        int wideCount = 0;
        LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &wideCount);
        const std::wstring path = wide && wideCount > 2 ? std::wstring(wide[2]) : std::wstring();
        if (wide) LocalFree(wide);
        HANDLE released = CreateEventW(nullptr, TRUE, FALSE, L"Local\\FennoroProbeRelease");
        HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (!released || file == INVALID_HANDLE_VALUE) return 1;
        std::printf("held\n");
        std::fflush(stdout);
        WaitForSingleObject(released, static_cast<DWORD>((argc > 3 ? std::atof(argv[3]) : 300) * 1000));
        CloseHandle(file);
        CloseHandle(released);
        return 0;
    }
    if (command == "release") {
        HANDLE released = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"Local\\FennoroProbeRelease");
        if (!released) return 1;
        SetEvent(released);
        CloseHandle(released);
        return 0;
    }
    std::fprintf(stderr, "usage: fennoro-probe rows|status|metrics|exists|dialog|folder|wait-window S|wait-status TEXT S|clipboard [FORMAT]|close [S]|hold FILE [S]|release\n");
    return 64;
}
