// The folder list of the real main window: renaming in place, opening a folder
// and its archive, selecting, copying the selected rows.
#include "base/WideText.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/UiFennoroWindow.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

std::vector<std::pair<std::string, std::string>> Launched;

void RecordLaunch(const std::string& file, const std::string& parameters)
{
    Launched.emplace_back(file, parameters);
}

class UnitFennoroList : public ::testing::Test {
protected:
    UnitFennoroList()
    {
        for (const char* book : {"alpha", "beta", "gamma", "delta", "表紙"}) {
            Tree.File(std::string(book) + "\\01.jpg", "1");
        }
        Launched.clear();
        Saved = std::exchange(TFormFennoro::ShellLauncher, RecordLaunch);
    }
    ~UnitFennoroList() override { TFormFennoro::ShellLauncher = Saved; }

    // A window whose list holds the five folders.
    std::unique_ptr<UiFennoroWindow> Found()
    {
        auto window = std::make_unique<UiFennoroWindow>(
            std::vector<std::string>{"[Setting]", "Path=" + Tree.Root(), "RemoveFolder=0"});
        (*window).Press(VK_F5);
        EXPECT_TRUE(window->WaitForJob());
        EXPECT_EQ(window->Rows().size(), 5u);
        return window;
    }

    static int IndexOf(UiFennoroWindow& window, const std::string& name)
    {
        for (int i = 0; i < window->ListView->Count(); ++i) {
            if (window->ListView->ItemText(i, 0) == name) return i;
        }
        return -1;
    }

    static bool IsDirectory(const std::string& path)
    {
        const DWORD attributes = GetFileAttributesW(WideText(path).c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    EngineTempTree Tree{"fennoro-list"};
    TFormFennoro::TShellLauncher Saved = nullptr;
};

} // namespace

TEST_F(UnitFennoroList, RenameMovesTheFolderOrLeavesBothAsTheyWere)
{
    auto window = Found();
    TFormFennoro& form = window->Form();
    const int alpha = IndexOf(*window, "alpha");
    ASSERT_GE(alpha, 0);

    // The unchanged name does nothing.
    EXPECT_FALSE(form.ListViewEdited(alpha, "alpha"));
    EXPECT_TRUE(IsDirectory(Tree.Path("alpha")));

    // A name that already exists fails: the row keeps its old name.
    EXPECT_FALSE(form.ListViewEdited(alpha, "beta"));
    EXPECT_TRUE(IsDirectory(Tree.Path("alpha")));
    EXPECT_EQ(window->Row("alpha").Name, "alpha");

    // Names with a path in them would leave the search root: refused, nothing moves.
    for (const char* bad : {"..\\escaped", "sub\\alpha", "x/y", "c:z", "..", "."}) {
        EXPECT_FALSE(form.ListViewEdited(alpha, bad)) << bad;
    }
    EXPECT_TRUE(IsDirectory(Tree.Path("alpha")));
    EXPECT_FALSE(IsDirectory(Tree.Path("escaped")));

    // A new name, Japanese with a 0x5C trail byte, renames the folder and the row.
    EXPECT_TRUE(form.ListViewEdited(alpha, "ソフト"));
    EXPECT_TRUE(IsDirectory(Tree.Path("ソフト")));
    EXPECT_FALSE(IsDirectory(Tree.Path("alpha")));
    EXPECT_EQ(form.Folders().RowAt(static_cast<size_t>(alpha)).Name, "ソフト");
    EXPECT_EQ(form.Folders().RowAt(static_cast<size_t>(alpha)).Result, "+圧縮できます");
}

TEST_F(UnitFennoroList, OpeningTakesTheFocusedRowsFolderAndOnlyACompressedRowsArchive)
{
    auto window = Found();
    TFormFennoro& form = window->Form();
    const int beta = IndexOf(*window, "beta");
    ASSERT_GE(beta, 0);

    // No focused row: nothing opens.
    (*window)->ListView->SetFocused(-1);
    form.ListViewDblClick();
    EXPECT_TRUE(Launched.empty());

    // An untried row opens its folder only, even when a file of the remark's name exists.
    FolderRow& row = form.Folders().RowAt(static_cast<size_t>(beta));
    row.Remark = "beta.zip";
    Tree.File("beta.zip", "zip");
    (*window)->ListView->SetFocused(beta);
    form.ListViewDblClick();
    ASSERT_EQ(Launched.size(), 1u);
    EXPECT_EQ(Launched[0].first, "explorer");
    EXPECT_EQ(Launched[0].second, "/n,\"" + Tree.Path("beta") + "\"");

    // A compressed row with its folder kept opens both; without the folder only the archive.
    Launched.clear();
    row.CompressState = FolderCompressState::Compressed;
    form.ListViewDblClick();
    ASSERT_EQ(Launched.size(), 2u);
    EXPECT_EQ(Launched[1].first, Tree.Path("beta.zip"));
    EXPECT_EQ(Launched[1].second, "");

    Launched.clear();
    ASSERT_TRUE(DeleteFileA((Tree.Path("beta") + "\\01.jpg").c_str()));
    ASSERT_TRUE(RemoveDirectoryA(Tree.Path("beta").c_str()));
    form.ListViewDblClick();
    ASSERT_EQ(Launched.size(), 1u);
    EXPECT_EQ(Launched[0].first, Tree.Path("beta.zip"));

    // Neither folder nor archive left: nothing.
    Launched.clear();
    ASSERT_TRUE(DeleteFileA(Tree.Path("beta.zip").c_str()));
    form.ListViewDblClick();
    EXPECT_TRUE(Launched.empty());
}

TEST_F(UnitFennoroList, SelectAllInvertAndCopyTheSelectedRows)
{
    auto window = Found();
    TListView& list = *(*window)->ListView;
    list.SetSelected(1, true);
    list.SetSelected(3, true);
    window->Choose(*(*window)->ActionSelectInvert);
    EXPECT_EQ(list.SelectedCount(), 3);
    EXPECT_FALSE(list.Selected(1));
    EXPECT_FALSE(list.Selected(3));
    EXPECT_TRUE(list.Selected(0) && list.Selected(2) && list.Selected(4));
    for (int i = 0; i < list.Count(); ++i) EXPECT_TRUE(list.Checked(i)) << "selecting leaves the check boxes";

    // Copy the three: one line each, beginning with the check state.
    window->Choose(*(*window)->ActionCopy);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE data = GetClipboardData(CF_TEXT);
    ASSERT_NE(data, nullptr);
    const std::string text(static_cast<const char*>(GlobalLock(data)));
    GlobalUnlock(data);
    CloseClipboard();
    size_t lines = 0;
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(lines, 3u) << text;
    EXPECT_EQ(text.find("1\t" + list.ItemText(0, 0) + "\t"), 0u) << text;
    EXPECT_EQ(text.find(Tree.Root()), std::string::npos) << "the parent path is never copied";

    window->Choose(*(*window)->ActionSelectAll);
    EXPECT_EQ(list.SelectedCount(), 5);
}

TEST_F(UnitFennoroList, RenameMovesTheRowsOwnFolderNeverItsLookAlike)
{
    // "dup " reaches "dup" through the path functions.
    EngineTempTree tree("fennoro-list");
    tree.File("dup\\01.jpg", "plain");
    tree.WideFolder("", L"dup ");
    tree.WideFile("", L"dup \\01.jpg", "blank");
    UiFennoroWindow window({"[Setting]", "Path=" + tree.Root(), "RemoveFolder=0"});
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    const int blank = IndexOf(window, "dup ");
    ASSERT_GE(blank, 0);
    EXPECT_TRUE(window.Form().ListViewEdited(blank, "renamed"));
    EXPECT_EQ(tree.Read("renamed\\01.jpg"), "blank");
    EXPECT_EQ(tree.Read("dup\\01.jpg"), "plain");
}

namespace {

// The shortcut menu that a request opens, read and closed from inside its loop.
struct OpenedMenu {
    HMENU Menu = nullptr;
    std::vector<bool> Enabled;
};
OpenedMenu Opened;

void CALLBACK ReadAndCloseMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND popup = FindWindowA("#32768", nullptr);
    if (!popup) return;
    KillTimer(nullptr, timer);
    Opened.Menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
    for (int i = 0; i < GetMenuItemCount(Opened.Menu); ++i) {
        const UINT state = GetMenuState(Opened.Menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (!(state & MF_SEPARATOR)) Opened.Enabled.push_back(!(state & MF_GRAYED));
    }
    EndMenu();
}

// Sends or posts what opens the menu, then pumps until the menu has come and gone.
OpenedMenu OpenMenu(const std::function<void()>& request)
{
    Opened = {};
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, ReadAndCloseMenu);
    request();
    PumpUntil([] { return Opened.Menu != nullptr; }, 5000);
    KillTimer(nullptr, timer);
    return Opened;
}

} // namespace

TEST_F(UnitFennoroList, SpaceAndTheShortcutMenuSetEverySelectedRowsCheck)
{
    auto window = Found();
    TFormFennoro& form = window->Form();
    TListView& list = *form.ListView;
    const auto checks = [&list] {
        std::string marks;
        for (int i = 0; i < list.Count(); ++i) marks += list.Checked(i) ? '1' : '0';
        return marks;
    };
    const auto rowChecks = [&form, &list] {
        std::string marks;
        for (int i = 0; i < list.Count(); ++i) marks += form.Folders().RowOfItem(i)->Checked ? '1' : '0';
        return marks;
    };
    ASSERT_EQ(checks(), "11111");
    list.SetFocus();
    for (int i : {1, 2, 3}) list.SetSelected(i, true);
    list.SetFocused(2);

    // Space sets the three to the focused row's new state, and keeps them selected.
    PostKey(list.Handle(), VK_SPACE);
    PumpPending();
    EXPECT_EQ(checks(), "10001");
    EXPECT_EQ(rowChecks(), "10001");
    EXPECT_EQ(list.SelectedCount(), 3);
    PostKey(list.Handle(), VK_SPACE);
    PumpPending();
    EXPECT_EQ(checks(), "11111");

    // A single selected row: only it.
    for (int i : {1, 3}) list.SetSelected(i, false);
    PostKey(list.Handle(), VK_SPACE);
    PumpPending();
    EXPECT_EQ(checks(), "11011");
    list.SetChecked(2, true);

    // The menu from the keyboard: check, uncheck, select all, renumber.
    for (int i : {1, 3}) list.SetSelected(i, true);
    PumpPending();
    OpenedMenu menu = OpenMenu([&] { SendMessageW(list.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list.Handle()), -1); });
    ASSERT_EQ(menu.Menu, form.PopupMenuList->SubMenu());
    EXPECT_EQ(menu.Enabled, (std::vector<bool>{true, true, true, true}));
    window->Choose(*form.ActionUncheckSelected);
    EXPECT_EQ(checks(), "10001");
    EXPECT_EQ(rowChecks(), "10001");
    window->Choose(*form.ActionSelectAll);
    window->Choose(*form.ActionUncheckSelected);
    EXPECT_EQ(rowChecks(), "00000");
    PumpPending();
    EXPECT_FALSE(form.ActionCompress->Enabled());
    for (int i = 0; i < 4; ++i) list.SetSelected(i, false);
    window->Choose(*form.ActionCheckSelected);
    EXPECT_EQ(rowChecks(), "00001");

    // Shift+F10 and the Menu key open it too; without a selected row its check commands are greyed.
    list.SetSelected(4, false);
    PumpPending();
    menu = OpenMenu([&] {
        // The release reaches the open menu, as from the keyboard.
        SetKeyHeld(VK_SHIFT, true);
        PostMessageW(list.Handle(), WM_SYSKEYDOWN, VK_F10, 1);
        PostMessageW(list.Handle(), WM_SYSKEYUP, VK_F10, static_cast<LPARAM>(1 | (3u << 30)));
        PumpPending();
        SetKeyHeld(VK_SHIFT, false);
    });
    ASSERT_EQ(menu.Menu, form.PopupMenuList->SubMenu());
    EXPECT_EQ(menu.Enabled, (std::vector<bool>{false, false, true, false}));
    menu = OpenMenu([&] { PostKey(list.Handle(), VK_APPS); });
    ASSERT_EQ(menu.Menu, form.PopupMenuList->SubMenu());
    menu = OpenMenu([] {});
    EXPECT_EQ(menu.Menu, nullptr) << "one request, one menu";
    window->Choose(*form.ActionCheckSelected);
    EXPECT_EQ(rowChecks(), "00001");
}
