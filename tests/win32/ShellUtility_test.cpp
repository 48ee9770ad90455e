#include "settings/win32/ShellUtility.h"

#include "base/WideText.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <shlobj.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// ---- a stand-in for the browse dialog: records the messages the callback sends

struct SentMessage {
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
    std::string Text; // the path of BFFM_SETSELECTION
};
std::vector<SentMessage> Sent;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == BFFM_SETSELECTION || message == BFFM_ENABLEOK) {
        SentMessage sent{message, wParam, lParam, {}};
        if (message == BFFM_SETSELECTION && wParam) sent.Text = reinterpret_cast<const char*>(lParam);
        Sent.push_back(sent);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateRecordingWindow()
{
    static const ATOM atom = [] {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = "ShellUtilityTestRecorder";
        return RegisterClassA(&windowClass);
    }();
    return CreateWindowA(reinterpret_cast<LPCSTR>(static_cast<ULONG_PTR>(atom)), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                         GetModuleHandleW(nullptr), nullptr);
}

struct IdListFreer {
    void operator()(ITEMIDLIST* list) const noexcept { CoTaskMemFree(list); }
};
using ScopedIdList = std::unique_ptr<ITEMIDLIST, IdListFreer>;

ScopedIdList SpecialFolder(int csidl)
{
    PIDLIST_ABSOLUTE list = nullptr;
    SHGetSpecialFolderLocation(nullptr, csidl, &list);
    return ScopedIdList(list);
}

// ---- driving the real, modal browse dialog from a thread timer on the same thread

BOOL CALLBACK MatchBrowseDialog(HWND window, LPARAM data)
{
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") != 0 || !GetDlgItem(window, IDOK)) return TRUE;
    *reinterpret_cast<HWND*>(data) = window;
    return FALSE;
}

HWND FindBrowseDialog()
{
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), MatchBrowseDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Each step runs on a tick once the dialog exists and says whether it is done.
std::vector<std::function<bool(HWND)>> Steps;
size_t NextStep = 0;
bool InStep = false;
bool Abandoned = false;
int Ticks = 0; // of the current step; a step that never gets done is given up

bool Press(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    return true;
}

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = FindBrowseDialog();
    if (!dialog || NextStep >= Steps.size()) return;
    if (InStep || ++Ticks > 1000) {
        // The last step never returned (an exception unwound it) or never got
        // done: close the dialog so that the test fails instead of waiting for ever.
        Abandoned = true;
        NextStep = Steps.size();
        Press(dialog, IDCANCEL);
        return;
    }
    InStep = true;
    if (Steps[NextStep](dialog)) {
        ++NextStep;
        Ticks = 0;
    }
    InStep = false;
}

int32_t RunFolderDialog(char* path, std::vector<std::function<bool(HWND)>> steps)
{
    Steps = std::move(steps);
    NextStep = 0;
    InStep = Abandoned = false;
    Ticks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, DriveDialog);
    const int32_t result = FolderDialog(nullptr, "検索フォルダの選択", path);
    KillTimer(nullptr, timer);
    EXPECT_EQ(NextStep, Steps.size()) << "the dialog closed before every step ran";
    EXPECT_FALSE(Abandoned) << "a step was cut short or never got done";
    return result;
}

// The caption of the item selected in the dialog's folder tree.
std::string SelectedTreeItem(HWND dialog)
{
    HWND tree = FindWindowExA(dialog, nullptr, "SysTreeView32", nullptr);
    if (!tree) return {};
    char text[MAX_PATH] = {};
    TVITEMA item{};
    item.mask = TVIF_TEXT;
    item.hItem = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    item.pszText = text;
    item.cchTextMax = sizeof text;
    if (!item.hItem || !SendMessageW(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return {};
    return text;
}

// Wine's folder tree misses a folder whose contents changed moments ago, so the
// dialog itself is tested at the system folders, which stay as they are.
std::string SystemFolder()
{
    char folder[MAX_PATH] = {};
    GetSystemDirectoryA(folder, MAX_PATH);
    return folder;
}

std::string WindowsFolder()
{
    char folder[MAX_PATH] = {};
    GetWindowsDirectoryA(folder, MAX_PATH);
    return folder;
}

class OleThread : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

} // namespace

template <class Function> void* Address(Function function)
{
    return reinterpret_cast<void*>(function);
}

TEST(ShellUtility, TheSixHelpersAreExportedByName)
{
    HMODULE self = GetModuleHandleW(nullptr);
    EXPECT_EQ(Address(GetProcAddress(self, "FolderDialog")), Address(static_cast<int32_t(WINAPI*)(HWND, const char*, char*)>(&FolderDialog)));
    EXPECT_EQ(Address(GetProcAddress(self, "GetErrorString")), Address(&GetErrorString));
    EXPECT_EQ(Address(GetProcAddress(self, "GetLastErrorString")), Address(&GetLastErrorString));
    EXPECT_EQ(Address(GetProcAddress(self, "DragCheckMouseDown")), Address(&DragCheckMouseDown));
    EXPECT_EQ(Address(GetProcAddress(self, "DragCheckMouseMove")), Address(&DragCheckMouseMove));
    EXPECT_EQ(Address(GetProcAddress(self, "DragCheckMouseUp")), Address(&DragCheckMouseUp));
}

TEST(ShellUtility, ErrorTextPairGivesTheSystemTextOnOneLine)
{
    char* text = GetErrorString(ERROR_FILE_NOT_FOUND);
    ASSERT_NE(text, nullptr);
    const std::string known = text;
    EXPECT_EQ(LocalFree(text), nullptr);
    EXPECT_FALSE(known.empty());
    EXPECT_EQ(known.find('\n'), std::string::npos);
    EXPECT_EQ(known.find('\r'), std::string::npos);

    SetLastError(ERROR_FILE_NOT_FOUND);
    char* last = GetLastErrorString();
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(std::string(last), known);
    LocalFree(last);

    SetLastError(ERROR_ACCESS_DENIED);
    last = GetLastErrorString();
    ASSERT_NE(last, nullptr);
    EXPECT_NE(std::string(last), known);
    LocalFree(last);

    EXPECT_EQ(GetErrorString(0x2000FFFFu), nullptr) << "a code without a system message";
}

TEST(ShellUtility, DragDetectorUsesTheSystemDragDistance)
{
    const int cx = GetSystemMetrics(SM_CXDRAG);
    const int cy = GetSystemMetrics(SM_CYDRAG);
    ASSERT_GT(cx, 0);
    ASSERT_GT(cy, 0);
    DragCheckMouseUp(0);
    EXPECT_EQ(DragCheckMouseMove(1, 1000, 1000), 0) << "the press happened outside the list";

    DragCheckMouseDown(1, 50, 60);
    EXPECT_EQ(DragCheckMouseMove(1, 50 + cx, 60 - cy), 0);
    DragCheckMouseUp(1); // the right button goes up, the left is still held
    EXPECT_EQ(DragCheckMouseMove(1, 50, 60 + cy + 1), 1);
    EXPECT_EQ(DragCheckMouseMove(1, 50 + 3 * cx, 60), 0) << "once per press";

    DragCheckMouseDown(1, 50, 60);
    EXPECT_EQ(DragCheckMouseMove(1, 50 - cx - 1, 60), 1);
    DragCheckMouseUp(0);
    DragCheckMouseDown(0, 50, 60); // another button while the left is up
    EXPECT_EQ(DragCheckMouseMove(1, 500, 60), 0) << "after the left release";
}

TEST(ShellUtility, BrowseCallbackSelectsTheGivenFolderWhenTheDialogStarts)
{
    HWND dialog = CreateRecordingWindow();
    ASSERT_NE(dialog, nullptr);
    wchar_t path[MAX_PATH] = L"C:\\表示\\ソフト";
    Sent.clear();
    EXPECT_EQ(FolderDialogBrowseCallback(dialog, BFFM_INITIALIZED, 0, reinterpret_cast<LPARAM>(path)), 0);
    ASSERT_EQ(Sent.size(), 1u);
    EXPECT_EQ(Sent[0].Message, static_cast<UINT>(BFFM_SETSELECTION));
    EXPECT_EQ(Sent[0].WParam, 1u);
    EXPECT_EQ(Sent[0].LParam, reinterpret_cast<LPARAM>(path));

    Sent.clear();
    EXPECT_EQ(FolderDialogBrowseCallback(dialog, BFFM_INITIALIZED, 0, 0), 0);
    EXPECT_TRUE(Sent.empty()) << "no buffer: the dialog keeps its own selection";
    EXPECT_EQ(FolderDialogBrowseCallback(dialog, BFFM_VALIDATEFAILEDA, 0, reinterpret_cast<LPARAM>(path)), 0);
    EXPECT_TRUE(Sent.empty());
    DestroyWindow(dialog);
}

TEST_F(OleThread, BrowseCallbackEnablesOkOnlyForFileSystemFolders)
{
    HWND dialog = CreateRecordingWindow();
    ASSERT_NE(dialog, nullptr);

    ScopedIdList folder(ILCreateFromPathA(SystemFolder().c_str()));
    ASSERT_TRUE(folder);
    Sent.clear();
    EXPECT_EQ(FolderDialogBrowseCallback(dialog, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(folder.get()), 0), 0);
    ASSERT_EQ(Sent.size(), 1u);
    EXPECT_EQ(Sent[0].Message, static_cast<UINT>(BFFM_ENABLEOK));
    EXPECT_EQ(Sent[0].WParam, 0u);
    EXPECT_EQ(Sent[0].LParam, TRUE);

    // (Wine gives the network a parsing name as its path, so only the computer is asked.)
    ScopedIdList computer = SpecialFolder(CSIDL_DRIVES);
    ASSERT_TRUE(computer);
    Sent.clear();
    FolderDialogBrowseCallback(dialog, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(computer.get()), 0);
    ASSERT_EQ(Sent.size(), 1u);
    EXPECT_EQ(Sent[0].Message, static_cast<UINT>(BFFM_ENABLEOK));
    EXPECT_EQ(Sent[0].LParam, 0);
    DestroyWindow(dialog);
}

bool SelectedIs(HWND dialog, const std::string& path)
{
    const std::string name = path.substr(path.rfind('\\') + 1);
    return lstrcmpiA(SelectedTreeItem(dialog).c_str(), name.c_str()) == 0;
}

TEST_F(OleThread, FolderDialogOpensAtTheGivenFolderAndReturnsTheChosenOne)
{
    const std::string start = SystemFolder();
    char path[MAX_PATH] = {};
    std::strcpy(path, start.c_str());
    bool okEnabled = false;
    EXPECT_EQ(RunFolderDialog(path, {[&](HWND dialog) {
                                  if (!SelectedIs(dialog, start)) return false; // filled in steps
                                  okEnabled = IsWindowEnabled(GetDlgItem(dialog, IDOK));
                                  return Press(dialog, IDOK);
                              }}),
              1);
    EXPECT_TRUE(okEnabled);
    EXPECT_EQ(lstrcmpiA(path, start.c_str()), 0) << path;

    // The user moves to another folder before confirming.
    const std::string other = WindowsFolder();
    std::strcpy(path, start.c_str());
    EXPECT_EQ(RunFolderDialog(path, {[&](HWND dialog) {
                                         if (!SelectedIs(dialog, start)) return false;
                                         SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE,
                                                      reinterpret_cast<LPARAM>(other.c_str()));
                                         return true;
                                     },
                                     [&](HWND dialog) {
                                         if (!SelectedIs(dialog, other)) return false;
                                         return Press(dialog, IDOK);
                                     }}),
              1);
    EXPECT_EQ(lstrcmpiA(path, other.c_str()), 0) << path;
}

TEST_F(OleThread, CancellingLeavesTheBufferUnchanged)
{
    char path[MAX_PATH] = "C:\\存在しない\\ソフト"; // not there: the dialog keeps its own selection
    std::memset(path + std::strlen(path) + 1, 'x', 10); // bytes past the text stay too
    char before[MAX_PATH];
    std::memcpy(before, path, MAX_PATH);

    EXPECT_EQ(RunFolderDialog(path, {[](HWND dialog) { return Press(dialog, IDCANCEL); }}), 0);
    EXPECT_EQ(std::memcmp(path, before, MAX_PATH), 0);
}

TEST_F(OleThread, ChoosingTheComputerDisablesOk)
{
    ScopedIdList computer = SpecialFolder(CSIDL_DRIVES);
    ASSERT_TRUE(computer);
    const std::string start = SystemFolder();
    char path[MAX_PATH] = {};
    std::strcpy(path, start.c_str());

    bool enabledAtFolder = false;
    bool enabledAtComputer = true;
    EXPECT_EQ(RunFolderDialog(path, {[&](HWND dialog) {
                                         if (!SelectedIs(dialog, start)) return false;
                                         enabledAtFolder = IsWindowEnabled(GetDlgItem(dialog, IDOK));
                                         SendMessageW(dialog, BFFM_SETSELECTION, FALSE,
                                                      reinterpret_cast<LPARAM>(computer.get()));
                                         return true;
                                     },
                                     [&](HWND dialog) {
                                         if (SelectedIs(dialog, start)) return false;
                                         enabledAtComputer = IsWindowEnabled(GetDlgItem(dialog, IDOK));
                                         return Press(dialog, IDCANCEL);
                                     }}),
              0);
    EXPECT_TRUE(enabledAtFolder);
    EXPECT_FALSE(enabledAtComputer);
}

namespace {
constexpr DWORD OtherCode = 0xE0464E31;
int OtherSeen = 0;
LONG CALLBACK ContinueOtherCode(EXCEPTION_POINTERS* info)
{
    if (info->ExceptionRecord->ExceptionCode != OtherCode) return EXCEPTION_CONTINUE_SEARCH;
    ++OtherSeen;
    return EXCEPTION_CONTINUE_EXECUTION;
}
} // namespace

TEST_F(OleThread, InvalidHandleInsideTheDialogIsDismissedAndOtherExceptionsPassOn)
{
    char path[MAX_PATH] = {};
    std::strcpy(path, SystemFolder().c_str());

    bool continued = false;
    void* outer = nullptr;
    EXPECT_EQ(RunFolderDialog(path, {[&](HWND dialog) {
                                         RaiseException(0xC0000008, 0, 0, nullptr);
                                         continued = true;
                                         // Installed after the dialog's own handler, so it sees
                                         // only what that one passes on.
                                         outer = AddVectoredExceptionHandler(0, ContinueOtherCode);
                                         RaiseException(OtherCode, 0, 0, nullptr);
                                         return Press(dialog, IDCANCEL);
                                     }}),
              0);
    RemoveVectoredExceptionHandler(outer);
    EXPECT_TRUE(continued);
    EXPECT_EQ(OtherSeen, 1);
}
