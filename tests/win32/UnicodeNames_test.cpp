// Names no ANSI code page holds, from the folder box to the archive: found, listed
// and read back through the wide list messages, handed to a library that takes
// UTF-8, recycled, renamed and remembered; refused, untouched, for a library that
// takes only ANSI text.
#include "base/WideText.h"
#include "settings/win32/SettingsFile.h"
#include "win32/support/EngineDialogAnswerer.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/EngineTestOwner.h"
#include "win32/support/UiFennoroWindow.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

// WAVE DASH, an accented letter, a character beyond the BMP, Hangul, MINUS SIGN.
const std::vector<std::string> Titles = {"日本の城〜天守閣編", "Pokémon 01", "𠮷野家の歴史", "한국어 책", "温度−5度"};

void MakeBooks(const EngineTempTree& tree)
{
    for (const std::string& title : Titles) {
        tree.File(title + "\\01.jpg", title + " 1");
        tree.File(title + "\\02.jpg", title + " 2");
    }
}

// The first column's text of every item, as the list itself gives it in UTF-16.
std::vector<std::wstring> ListedNames(HWND list)
{
    std::vector<std::wstring> names;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        LVITEMW item{};
        item.pszText = text;
        item.cchTextMax = 256;
        SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
        names.push_back(text);
    }
    return names;
}

} // namespace

TEST(UnicodeNames, ALibraryThatTakesUtf8ArchivesAndRecyclesEveryName)
{
    EngineTempTree tree("fennoro-uni");
    MakeBooks(tree);
    EngineTestOwner owner(true);
    EngineFind(owner, tree.Root());
    for (const std::string& title : Titles) {
        EngineExpectRow(owner, title, true, "+圧縮できます", "");
        EXPECT_EQ(owner.Row(title).WideName, WideText(title));
    }

    const std::string log = tree.Path("calls.log");
    EngineScript script;
    script.Set("FENNORO_FIXTURE_LOG", log);
    EngineCompressOptions options;
    options.Dll = "fixture_unicode.dll";
    options.RemoveFolder = true;
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, options);
    }
    const std::string calls = tree.Read("calls.log");
    for (const std::string& title : Titles) {
        EngineExpectRow(owner, title, false, FolderCompressState::Compressed, "*圧縮しました", title + ".zip");
        EXPECT_NE(calls.find("\"" + tree.Path(title) + "\\\""), std::string::npos) << title;
        EXPECT_TRUE(tree.IsFile(title + ".zip")) << title;
        EXPECT_FALSE(tree.IsFolder(title)) << title << " went to the recycle bin";
    }
}

TEST(UnicodeNames, ALibraryThatTakesOnlyAnsiTextIsNeverGivenALookAlike)
{
    EngineTempTree tree("fennoro-ansi");
    MakeBooks(tree);
    tree.File("inner\\01.jpg", "1");
    tree.File("inner\\é02.jpg", "2");
    tree.File("plain\\01.jpg", "1");
    EngineTestOwner owner;
    for (const std::string& title : Titles) owner.Add(tree.Root(), title, true);
    owner.Add(tree.Root(), "inner", true);
    owner.Add(tree.Root(), "plain", true);
    EngineCompressOptions options;
    options.RemoveFolder = true;
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, options);
    }
    // Code page 932 holds the first title's wave dash and Korean only as look-alikes or not at all.
    for (const std::string& title : Titles) {
        EngineExpectRow(owner, title, true, "!扱えないファイル名です", title);
        EXPECT_TRUE(tree.IsFolder(title));
        EXPECT_FALSE(tree.IsFile(title + ".zip"));
    }
    EngineExpectRow(owner, "inner", true, "!扱えないファイル名です", "é02.jpg");
    EXPECT_FALSE(tree.IsFile("inner.zip"));
    EngineExpectRow(owner, "plain", false, FolderCompressState::Compressed, "*圧縮しました", "plain.zip");
}

TEST(UnicodeNames, TheWindowListsRenamesAndRemembersThem)
{
    EngineTempTree tree("fennoro-〜");
    MakeBooks(tree);
    UiFennoroWindow window({"[Setting]", "Path=" + tree.Root(), "RemoveFolder=0"});
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Status(), "検索が終了しました");
    std::vector<std::wstring> listed = ListedNames(window->ListView->Handle());
    std::sort(listed.begin(), listed.end());
    std::vector<std::wstring> expected;
    for (const std::string& title : Titles) expected.push_back(WideText(title));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(listed, expected);
    for (const std::string& title : Titles) EXPECT_EQ(window.Row(title).Result, "+圧縮できます") << title;

    const std::vector<std::wstring> names = ListedNames(window->ListView->Handle());
    const auto wave = std::find(names.begin(), names.end(), WideText(Titles[0]));
    ASSERT_NE(wave, names.end());
    EXPECT_TRUE(window.Form().ListViewEdited(static_cast<int>(wave - names.begin()), "名城〜改"));
    EXPECT_EQ(tree.Read("名城〜改\\01.jpg"), Titles[0] + " 1");
    EXPECT_FALSE(tree.IsFolder(Titles[0]));

    // The root folder's name does not fit the ANSI code page: the file keeps it in UTF-8.
    window.Destroy();
    EXPECT_TRUE(UiFennoroWindow::SettingsBytes().starts_with("\xEF\xBB\xBF"));
    EXPECT_EQ(LoadIniFile(GetSettingsFileName()).ReadString("Setting", "Path", ""), tree.Root());
}

TEST(UnicodeNames, TheBundledLibrariesStoreEveryNameExactly)
{
    for (const std::string extension : {".zip", ".7z", ".cab"}) {
        SCOPED_TRACE(extension);
        EngineTempTree tree("fennoro-uni-" + extension.substr(1));
        EngineTestOwner owner;
        for (const std::string& title : Titles) {
            tree.File(title + "\\01.jpg", "page of " + title);
            tree.File(title + "\\" + title + ".jpg", "named page of " + title);
            owner.Add(tree.Root(), title, true);
        }
        EngineCompress(owner, EngineBundledProfile(extension));
        std::string script;
        for (size_t i = 0; i < Titles.size(); ++i) {
            const std::string archive = "'" + Titles[i] + extension + "'";
            script += "7z l -slt " + archive + " | grep '^Path = ' > list" + std::to_string(i) + " && 7z x -oout" +
                      std::to_string(i) + " " + archive + " >/dev/null && ";
        }
        if (!tree.HostMake(script + "touch listed", "listed", "")) GTEST_SKIP() << "no host 7z here";
        for (size_t i = 0; i < Titles.size(); ++i) {
            const std::string& title = Titles[i];
            EngineExpectRow(owner, title, false, FolderCompressState::Compressed, "*圧縮しました", title + extension);
            const std::string paths = tree.Read("list" + std::to_string(i));
            EXPECT_NE(paths.find("Path = " + title + ".jpg\n"), std::string::npos) << paths;
            EXPECT_EQ(tree.Read("out" + std::to_string(i) + "\\" + title + ".jpg"), "named page of " + title);
            EXPECT_EQ(tree.Read("out" + std::to_string(i) + "\\01.jpg"), "page of " + title);
        }
    }
}
