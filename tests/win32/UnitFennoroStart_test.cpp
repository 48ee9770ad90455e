// Folders named one by one (the command line's, or dropped onto the list) in the
// real main window, what the command line changes only for its run, and the
// Send To shortcut's round trip.
#include "base/WideText.h"
#include "settings/FennoroSettings.h"
#include "settings/win32/SendToShortcut.h"
#include "transfer/TOleInitialization.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/UiFennoroWindow.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>

namespace {

// A dropped-file list, as Explorer hands it over, of these paths.
HGLOBAL DropList(const std::vector<std::string>& paths)
{
    std::wstring list;
    for (const std::string& path : paths) list += WideText(path) + L'\0';
    list += L'\0';
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), list.data(), list.size() * sizeof(wchar_t));
    GlobalUnlock(block);
    return block;
}

std::vector<std::string> Names(const std::vector<UiRow>& rows)
{
    std::vector<std::string> names;
    for (const UiRow& row : rows) names.push_back(row.Name + "|" + row.Result);
    std::sort(names.begin(), names.end());
    return names;
}

class UnitFennoroStart : public ::testing::Test {
protected:
    UnitFennoroStart()
    {
        for (const char* book : {"shelf\\book", "shelf\\other", "棚 2\\表紙", "棚 2\\stray"}) {
            Tree.File(std::string(book) + "\\01.jpg", "1");
            Tree.File(std::string(book) + "\\02.jpg", "2");
        }
        Tree.File("棚 2\\stray\\notes.txt", "x");
        Tree.File("shelf\\loose.jpg", "1");
        Tree.File("棚 2\\表紙\\Thumbs.db", "x");  // left by Explorer: no page, fails nothing
    }
    EngineTempTree Tree{"fennoro-start"};
};

} // namespace

TEST_F(UnitFennoroStart, FoldersDroppedOnTheListAreTheListAndEachIsArchivedBesideItself)
{
    UiFennoroWindow window({"[Setting]", "Path=" + Tree.Root(), "RemoveFolder=0"});
    // Two folders in two places, one of them twice, a file, and one that fails its check.
    HGLOBAL drop = DropList({Tree.Path("shelf\\book"), Tree.Path("棚 2\\表紙\\"), Tree.Path("shelf\\book"),
                             Tree.Path("shelf\\loose.jpg"), Tree.Path("棚 2\\stray")});
    DWORD effect = DROPEFFECT_COPY;
    window->ListDropped(window->ListView->Handle(), CF_HDROP, drop, &effect);
    GlobalFree(drop);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(Names(window.Rows()),
              (std::vector<std::string>{"book|+圧縮できます", "stray|許容外の拡張子です", "表紙|+圧縮できます"}));
    // The folder box keeps its root: the list is not what a search of it would find.
    EXPECT_EQ(window->EditFolder->Text(), Tree.Root());

    window.Press(VK_F8);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Row("book").Result, "*圧縮しました") << window.Status();
    EXPECT_TRUE(Tree.IsFile("shelf\\book.zip"));
    EXPECT_TRUE(Tree.IsFile("棚 2\\表紙.zip"));
    EXPECT_FALSE(Tree.IsFile("棚 2\\stray.zip"));
    EXPECT_FALSE(Tree.IsFile("shelf\\other.zip"));
}

TEST_F(UnitFennoroStart, ANamedFolderThatIsGoneGetsARowSayingSo)
{
    UiFennoroWindow window({"[Setting]", "RemoveFolder=0"});
    window->FindFolders({Tree.Path("shelf\\other"), Tree.Path("shelf\\gone")});
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(Names(window.Rows()), (std::vector<std::string>{"gone|フォルダが見つかりません", "other|+圧縮できます"}));
}

TEST_F(UnitFennoroStart, WhatTheCommandLineSetsForItsRunIsNotSaved)
{
    UiFennoroWindow window({"[Setting]", "Path=C:\\old root", "ArchiveExtensionIndex=0", "RemoveFolder=1"});
    TStartOptions options;
    options.Folders = {Tree.Path("shelf")};
    options.Format = ".7z";
    options.Recycle = true;
    window->SetStartOptions(options);
    EXPECT_EQ(window->EditFolder->Text(), Tree.Path("shelf"));
    EXPECT_EQ(GetPlainCaption(window->MainMenuArchiveExtension->Item(1).Caption()), ".7z");
    EXPECT_TRUE(window->MainMenuArchiveExtension->Item(1).Checked());
    window.Destroy();
    const std::string saved = UiFennoroWindow::SettingsText();
    EXPECT_NE(saved.find("Path=C:\\old root\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("ArchiveExtensionIndex=0\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("RemoveFolder=1\r\n"), std::string::npos) << saved;
}

TEST(SendToShortcut, MadeReadBackAndRemoved)
{
    TOleInitialization ole;
    const std::wstring sendTo = SendToShortcutPath();
    ASSERT_FALSE(sendTo.empty());
    EXPECT_TRUE(sendTo.size() > 20 && sendTo.compare(sendTo.size() - 19, 19, L"\\SendTo\\Fennoro.lnk") == 0)
        << Utf8Text(sendTo);

    EngineTempTree tree{"fennoro-sendto"};
    const std::wstring link = WideText(tree.Path("送る 😀.lnk"));
    std::string error;
    ASSERT_TRUE(MakeShortcut(link, ProgramPath(), error)) << error;
    EXPECT_TRUE(ShortcutExists(link));
    EXPECT_EQ(Utf8Text(ShortcutTarget(link)), Utf8Text(ProgramPath()));
    EXPECT_TRUE(RemoveShortcut(link));
    EXPECT_FALSE(ShortcutExists(link));
    EXPECT_TRUE(RemoveShortcut(link)) << "nothing there is nothing left";
}
