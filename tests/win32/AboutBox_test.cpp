#include "ui/UnitAboutBox.h"

#include "base/WideText.h"

#include "resources/AboutBox.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// ---- the shell, recorded instead of opening a browser

struct ShellCall {
    HWND Owner;
    std::optional<std::string> Verb, File, Parameters, Directory;
    INT Show;
};
std::vector<ShellCall> ShellCalls;

std::optional<std::string> Text(LPCSTR text)
{
    return text ? std::optional<std::string>(text) : std::nullopt;
}

HINSTANCE WINAPI RecordShellExecute(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                                    INT show)
{
    ShellCalls.push_back({owner, Text(verb), Text(file), Text(parameters), Text(directory), show});
    return reinterpret_cast<HINSTANCE>(42);
}

std::string WindowText(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return Utf8Text(text);
}

std::string ItemText(const TFormAboutBox& box, int id) { return WindowText(GetDlgItem(box.Handle(), id)); }

// Caption, product name, version and copyright as the box shows them.
void ExpectTexts(const TFormAboutBox& box, const std::vector<std::string>& texts)
{
    EXPECT_EQ((std::vector<std::string>{WindowText(box.Handle()), ItemText(box, IDC_ABOUT_PRODUCTNAME),
                                        ItemText(box, IDC_ABOUT_VERSION), ItemText(box, IDC_ABOUT_COPYRIGHT)}),
              texts);
}

RECT ClientRectOf(const TFormAboutBox& box, int id)
{
    RECT rect{};
    HWND item = GetDlgItem(box.Handle(), id);
    GetWindowRect(item, &rect);
    MapWindowPoints(nullptr, box.Handle(), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// ---- programs with a version resource of our choosing: copies of this test
// program with its version resource replaced or removed

void Align(std::vector<BYTE>& bytes)
{
    while (bytes.size() % 4) bytes.push_back(0);
}

void AppendWide(std::vector<BYTE>& bytes, const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    const auto* raw = reinterpret_cast<const BYTE*>(wide.data());
    bytes.insert(bytes.end(), raw, raw + length * sizeof(wchar_t));
}

// One node of a version block: header, key, value, children, each 32-bit aligned.
std::vector<BYTE> Node(const std::string& key, WORD type, const std::vector<BYTE>& value, WORD valueLength,
                       const std::vector<std::vector<BYTE>>& children = {})
{
    std::vector<BYTE> bytes(6, 0);
    AppendWide(bytes, key);
    Align(bytes);
    bytes.insert(bytes.end(), value.begin(), value.end());
    for (const auto& child : children) {
        Align(bytes);
        bytes.insert(bytes.end(), child.begin(), child.end());
    }
    const WORD header[3] = {static_cast<WORD>(bytes.size()), valueLength, type};
    std::memcpy(bytes.data(), header, sizeof header);
    return bytes;
}

std::vector<BYTE> StringValue(const std::string& name, const std::string& value)
{
    std::vector<BYTE> text;
    AppendWide(text, value);
    return Node(name, 1, text, static_cast<WORD>(text.size() / 2));
}

// A version block with the given strings in the Japanese table; no translation
// entry when translation is empty.
std::vector<BYTE> VersionBlock(const std::vector<std::pair<std::string, std::string>>& strings,
                               std::vector<WORD> translation = {0x0411, 932})
{
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
    const auto* raw = reinterpret_cast<const BYTE*>(&fixed);
    std::vector<std::vector<BYTE>> values;
    for (const auto& [name, value] : strings) values.push_back(StringValue(name, value));
    std::vector<std::vector<BYTE>> children{Node("StringFileInfo", 1, {}, 0, {Node("041103A4", 1, {}, 0, values)})};
    if (!translation.empty()) {
        const auto* pair = reinterpret_cast<const BYTE*>(translation.data());
        std::vector<BYTE> entry(pair, pair + translation.size() * sizeof(WORD));
        children.push_back(Node("VarFileInfo", 1, {}, 0, {Node("Translation", 0, entry, static_cast<WORD>(entry.size()))}));
    }
    return Node("VS_VERSION_INFO", 0, std::vector<BYTE>(raw, raw + sizeof fixed), sizeof fixed, children);
}

std::string RunningExecutable()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

BOOL CALLBACK TakeLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found)
{
    *reinterpret_cast<WORD*>(found) = language;
    return FALSE;
}

std::vector<BYTE> ReadFileBytes(const std::string& path)
{
    std::vector<BYTE> bytes;
    HANDLE file = CreateFileW(WideText(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) || read != bytes.size())
        bytes.clear();
    CloseHandle(file);
    return bytes;
}

bool WriteFileBytes(const std::string& path, const std::vector<BYTE>& bytes)
{
    HANDLE file = CreateFileW(WideText(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool done = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                      written == bytes.size();
    CloseHandle(file);
    return done;
}

// Renumbers the program's version resource type (16) to the unused type 17 in
// the root resource directory, so that the file has no version information.
// (Wine does not delete resources through UpdateResource.)
bool HideVersionResource(std::vector<BYTE>& image)
{
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image.data());
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(image.data() + dos->e_lfanew);
    const DWORD rva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_RESOURCE].VirtualAddress;
    const auto* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
        if (rva < section->VirtualAddress || rva >= section->VirtualAddress + section->SizeOfRawData) continue;
        auto* root = reinterpret_cast<IMAGE_RESOURCE_DIRECTORY*>(image.data() + section->PointerToRawData +
                                                                 (rva - section->VirtualAddress));
        auto* entries = reinterpret_cast<IMAGE_RESOURCE_DIRECTORY_ENTRY*>(root + 1) + root->NumberOfNamedEntries;
        for (WORD e = 0; e < root->NumberOfIdEntries; ++e) {
            if (entries[e].Id != 16) continue;
            // The entries are sorted by number; the next one must stay above.
            if (e + 1 < root->NumberOfIdEntries && entries[e + 1].Id <= 17) return false;
            entries[e].Id = 17;
            return true;
        }
    }
    return false;
}

class ProgramCopy {
public:
    // No block: the copy has no version information at all.
    explicit ProgramCopy(const std::optional<std::vector<BYTE>>& block)
    {
        static int counter = 0;
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        Path = std::string(temp) + "表示-about-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++counter) + ".exe";
        if (!block) {
            std::vector<BYTE> image = ReadFileBytes(RunningExecutable());
            Ready = !image.empty() && HideVersionResource(image) && WriteFileBytes(Path, image);
            return;
        }
        WORD language = 0;
        EnumResourceLanguagesA(GetModuleHandleW(nullptr), MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), TakeLanguage,
                               reinterpret_cast<LONG_PTR>(&language));
        HANDLE update = CopyFileW(WideText(RunningExecutable()).c_str(), WideText(Path).c_str(), FALSE)
                            ? BeginUpdateResourceW(WideText(Path).c_str(), FALSE)
                            : nullptr;
        Ready = update && UpdateResourceA(update, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), language,
                                          const_cast<BYTE*>(block->data()), static_cast<DWORD>(block->size()));
        if (update) Ready = EndUpdateResourceA(update, !Ready) && Ready;
    }
    ~ProgramCopy() { DeleteFileW(WideText(Path).c_str()); }
    ProgramCopy(const ProgramCopy&) = delete;
    ProgramCopy& operator=(const ProgramCopy&) = delete;

    std::string Path;
    bool Ready = false;
};

// ---- the modal loop, closed from a timer that fires only once the queue has
// drained, so that keys posted beforehand are all handled first

std::function<void()> WhileOpen;
bool TimerFired = false;

void CALLBACK CloseFromTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    TimerFired = true;
    if (WhileOpen) WhileOpen();
}

// True when the box was still open once every posted message had been handled;
// the timer then closes it with its close box.
bool RunModal(TFormAboutBox& box, std::function<void()> whileOpen = {})
{
    TimerFired = false;
    WhileOpen = [&box, whileOpen] {
        if (whileOpen) whileOpen();
        SendMessageW(box.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    };
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, CloseFromTimer);
    box.ShowModal();
    KillTimer(nullptr, timer);
    return TimerFired;
}

// Counts the characters that reach the terms' edit control.
int CharsAtComments = 0;
WNDPROC CommentsProc = nullptr;
LRESULT CALLBACK CountChars(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CHAR) ++CharsAtComments;
    return CallWindowProcW(CommentsProc, window, message, wParam, lParam);
}

// A click on a toolbar button, posted for the modal loop to deliver.
void ClickToolButton(const TFormAboutBox& box, int index)
{
    HWND toolBar = GetDlgItem(box.Handle(), IDC_ABOUT_TOOLBAR);
    RECT button{};
    SendMessageW(toolBar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&button));
    const LPARAM centre = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    PostMessageW(toolBar, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    PostMessageW(toolBar, WM_LBUTTONUP, 0, centre);
}

class AboutBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        ShellCalls.clear();
        RealShellExecute = AboutBoxShellExecute;
        AboutBoxShellExecute = RecordShellExecute;
        Owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 640, 480, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(Owner, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(Owner);
        AboutBoxShellExecute = RealShellExecute;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    void Post(HWND window, UINT message, WPARAM wParam) { PostMessageW(window, message, wParam, 1); }
    HWND Owner = nullptr;
    AboutBoxShellExecuteFunction RealShellExecute = nullptr;
};

} // namespace

TEST_F(AboutBox, ShowsTheProgramsOwnIconNameVersionAndTerms)
{
    TFormAboutBox box(Owner);
    ASSERT_NE(box.Handle(), nullptr) << "the dialog template is missing";

    const std::string name = ItemText(box, IDC_ABOUT_PRODUCTNAME);
    EXPECT_NE(name, "Product Name");
    EXPECT_EQ(WindowText(box.Handle()), name + " について");
    const std::string version = ItemText(box, IDC_ABOUT_VERSION);
    EXPECT_EQ(version.rfind("Version ", 0), 0u);
    EXPECT_GT(version.size(), std::string("Version ").size());
    EXPECT_NE(ItemText(box, IDC_ABOUT_COPYRIGHT), "Programmed by ");

    HICON icon = reinterpret_cast<HICON>(SendDlgItemMessageA(box.Handle(), IDC_ABOUT_PROGRAMICON, STM_GETICON, 0, 0));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP bitmap{};
    GetObjectA(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXICON));
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    const std::string terms = ItemText(box, IDC_ABOUT_COMMENTS);
    int lines = 1;
    for (size_t at = terms.find("\r\n"); at != std::string::npos; at = terms.find("\r\n", at + 2)) ++lines;
    EXPECT_EQ(lines, 15);
    EXPECT_EQ(GetWindowLongA(GetDlgItem(box.Handle(), IDC_ABOUT_COMMENTS), GWL_STYLE) & (ES_READONLY | WS_TABSTOP),
              ES_READONLY);
}

TEST_F(AboutBox, LayoutIsInPixelsWithTheCopyrightGrowingToTheLeft)
{
    ProgramCopy program(VersionBlock({{"LegalCopyright", "Copyright (C) 2026 山田 太郎 and a rather long tail"}}));
    ASSERT_TRUE(program.Ready);
    TFormAboutBox box(Owner, program.Path);
    RECT client{};
    GetClientRect(box.Handle(), &client);
    EXPECT_EQ(client.right, 306);
    EXPECT_EQ(client.bottom, 198);
    EXPECT_TRUE(GetWindowLongA(box.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);

    const RECT copyright = ClientRectOf(box, IDC_ABOUT_COPYRIGHT);
    EXPECT_EQ(copyright.right, 4 + 289);
    EXPECT_EQ(copyright.top, 4 + 38);
    EXPECT_EQ(copyright.bottom - copyright.top, 15);
    ProgramCopy none(std::nullopt);
    ASSERT_TRUE(none.Ready);
    TFormAboutBox plain(Owner, none.Path);
    const RECT initial = ClientRectOf(plain, IDC_ABOUT_COPYRIGHT);
    EXPECT_EQ(initial.right, 4 + 289);
    EXPECT_LT(copyright.left, initial.left) << "a longer text grows to the left";

    RECT button{};
    SendDlgItemMessageA(box.Handle(), IDC_ABOUT_TOOLBAR, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&button));
    EXPECT_EQ(button.right - button.left, 85);
    EXPECT_EQ(button.bottom - button.top, 23);
}

TEST_F(AboutBox, VersionValuesOfTheProgramFile)
{
    ProgramCopy program(VersionBlock(
        {{"ProductName", "フェンノロ"}, {"ProductVersion", "1.2"}, {"LegalCopyright", "(C) 2026 山田"}}));
    ASSERT_TRUE(program.Ready);
    TFormAboutBox box(Owner, program.Path);
    ExpectTexts(box, {"フェンノロ について", "フェンノロ", "Version 1.2", "(C) 2026 山田"});
}

TEST_F(AboutBox, AMissingValueLeavesOnlyItsLabelAlone)
{
    ProgramCopy program(VersionBlock({{"ProductVersion", "1.2"}}));
    ASSERT_TRUE(program.Ready);
    TFormAboutBox box(Owner, program.Path);
    ExpectTexts(box, {" について", "Product Name", "Version 1.2", "Programmed by "});
}

TEST_F(AboutBox, WithoutVersionInformationOrTranslationTheInitialTextsStay)
{
    const std::vector<std::pair<std::string, std::string>> all{
        {"ProductName", "X"}, {"ProductVersion", "9"}, {"LegalCopyright", "Y"}};
    ProgramCopy none(std::nullopt);
    DWORD unused = 0;
    EXPECT_EQ(GetFileVersionInfoSizeW(WideText(none.Path).c_str(), &unused), 0u);
    ProgramCopy untranslated(VersionBlock(all, {}));
    ProgramCopy otherLanguage(VersionBlock(all, {0x0409, 1200}));
    for (const ProgramCopy* program : {&none, &untranslated, &otherLanguage}) {
        ASSERT_TRUE(program->Ready);
        TFormAboutBox box(Owner, program->Path);
        ExpectTexts(box, {" について", "Product Name", "Version ", "Programmed by "});
    }
}

TEST(AboutBoxPosition, CentredOnTheOwnerAndKeptInTheWorkArea)
{
    const RECT screen{0, 0, 1024, 768};
    const SIZE box{312, 227};
    // Centred, with the halves rounded toward zero.
    POINT at = AboutBoxPosition({100, 100, 741, 581}, box, screen);
    EXPECT_EQ(at.x, 100 + (641 - 312) / 2);
    EXPECT_EQ(at.y, 100 + (481 - 227) / 2);
    at = AboutBoxPosition({-301, -201, -1, -1}, {401, 301}, {-2000, -2000, 2000, 2000});
    EXPECT_EQ(at.x, -301 + (300 - 401) / 2); // -50, not -51
    EXPECT_EQ(at.x, -351);
    EXPECT_EQ(at.y, -201 - 50);

    // Near each edge of the work area.
    EXPECT_EQ(AboutBoxPosition({900, 300, 1300, 500}, box, screen).x, 1024 - 312);
    EXPECT_EQ(AboutBoxPosition({300, 700, 500, 900}, box, screen).y, 768 - 227);
    EXPECT_EQ(AboutBoxPosition({-300, 300, 100, 500}, box, screen).x, 0);
    EXPECT_EQ(AboutBoxPosition({300, -400, 500, 100}, box, screen).y, 0);

    // A task bar on the left: a box whose right edge is inside is not moved.
    const RECT workArea{60, 0, 1024, 768};
    at = AboutBoxPosition({100, 200, 400, 500}, box, workArea);
    EXPECT_EQ(at.x, 100 + (300 - 312) / 2);
    EXPECT_EQ(at.x, 94);
    at = AboutBoxPosition({0, 200, 100, 500}, box, workArea);
    EXPECT_EQ(at.x, 60);

    // A work area smaller than the box keeps its top-left corner visible.
    at = AboutBoxPosition({0, 0, 200, 100}, box, {10, 20, 210, 120});
    EXPECT_EQ(at.x, 10);
    EXPECT_EQ(at.y, 20);
}

TEST_F(AboutBox, ABoxOnAMainWindowAtTheScreensEdgeStaysInTheWorkArea)
{
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(Owner, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT work = monitor.rcWork;

    SetWindowPos(Owner, nullptr, work.right - 200, work.top - 150, 400, 300, SWP_NOZORDER | SWP_NOACTIVATE);
    TFormAboutBox box(Owner);
    RECT placed{};
    GetWindowRect(box.Handle(), &placed);
    EXPECT_EQ(placed.right, work.right);
    EXPECT_EQ(placed.top, work.top);

    SetWindowPos(Owner, nullptr, work.left + 100, work.top + 100, 600, 500, SWP_NOZORDER | SWP_NOACTIVATE);
    TFormAboutBox centred(Owner);
    GetWindowRect(centred.Handle(), &placed);
    EXPECT_EQ(placed.left, work.left + 100 + (600 - (placed.right - placed.left)) / 2);
    EXPECT_EQ(placed.top, work.top + 100 + (500 - (placed.bottom - placed.top)) / 2);
}

TEST_F(AboutBox, LettersAreConsumedAndChangeNothing)
{
    TFormAboutBox box(Owner);
    HWND comments = GetDlgItem(box.Handle(), IDC_ABOUT_COMMENTS);
    CharsAtComments = 0;
    CommentsProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(comments, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountChars)));
    const std::string termsBefore = WindowText(comments);
    Post(comments, WM_KEYDOWN, 'A');
    Post(comments, WM_CHAR, 'a');
    Post(comments, WM_CHAR, ' ');
    Post(comments, WM_CHAR, '\t');
    Post(box.Handle(), WM_CHAR, 'q');

    bool ownerDisabled = false;
    EXPECT_TRUE(RunModal(box, [&] { ownerDisabled = !IsWindowEnabled(Owner); })) << "a letter closed the box";
    EXPECT_EQ(CharsAtComments, 0);
    EXPECT_EQ(WindowText(comments), termsBefore);
    EXPECT_TRUE(ownerDisabled);
    EXPECT_TRUE(IsWindowEnabled(Owner));
    EXPECT_TRUE(ShellCalls.empty());
}

TEST_F(AboutBox, EnterAndEscapeCloseFromAnyControl)
{
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        TFormAboutBox box(Owner);
        HWND comments = GetDlgItem(box.Handle(), IDC_ABOUT_COMMENTS);
        SetFocus(comments);
        Post(comments, WM_KEYDOWN, key);
        EXPECT_FALSE(RunModal(box)) << "key " << key;
        EXPECT_TRUE(IsWindowEnabled(Owner));
    }
    for (WPARAM key : {'\r', '\x1b'}) {
        TFormAboutBox box(Owner);
        Post(GetDlgItem(box.Handle(), IDC_ABOUT_VERSION), WM_CHAR, key);
        EXPECT_FALSE(RunModal(box)) << "char " << key;
    }
    EXPECT_TRUE(ShellCalls.empty());
}

TEST_F(AboutBox, TheOkButtonCloses)
{
    TFormAboutBox box(Owner);
    ClickToolButton(box, 0);
    EXPECT_FALSE(RunModal(box));
    EXPECT_TRUE(ShellCalls.empty());
}

TEST_F(AboutBox, TheWebPageButtonOpensTheAddressAndCloses)
{
    TFormAboutBox box(Owner);
    ClickToolButton(box, 1);
    EXPECT_FALSE(RunModal(box));

    ASSERT_EQ(ShellCalls.size(), 1u);
    const ShellCall& call = ShellCalls[0];
    EXPECT_EQ(call.Owner, nullptr);
    EXPECT_EQ(call.Verb, std::nullopt);
    EXPECT_EQ(call.File, std::string(FennoroWebPage));
    EXPECT_EQ(call.Parameters, std::nullopt);
    EXPECT_EQ(call.Directory, std::string());
    EXPECT_EQ(call.Show, SW_SHOWNORMAL);
    EXPECT_EQ(std::string(FennoroWebPage).rfind("https://", 0), 0u);
}
