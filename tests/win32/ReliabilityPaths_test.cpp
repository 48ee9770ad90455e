// Paths longer than MAX_PATH and names the ANSI code page cannot hold, through
// the find job, the bundled archivers and the recycle bin.
#include "engine/win32/LongPath.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "base/PathUtility.h"
#include "win32/support/EngineDialogAnswerer.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/EngineTestOwner.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A folder name that alone takes a path past MAX_PATH.
std::string LongName(const std::string& stem, char fill) { return stem + std::string(220, fill); }

// A unique name, for what goes to the recycle bin (it keeps the names).
std::string Unique(const std::string& stem)
{
    static int serial = 0;
    return stem + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + "-" +
           std::to_string(serial++);
}

bool AnyContains(const std::vector<std::string>& texts, const std::string& part)
{
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

// The rows of a name (two folders may show the same name).
std::vector<const FolderRow*> RowsNamed(const EngineTestOwner& owner, const std::string& name)
{
    std::vector<const FolderRow*> rows;
    for (const auto& row : owner.Rows) {
        if (row->Name == name) rows.push_back(row.get());
    }
    return rows;
}

} // namespace

TEST(LongPaths, TheFindJudgesLongFoldersByWhatTheyHold)
{
    EngineTempTree tree("fennoro-long");
    const std::string fit = LongName("fit", 'a'), bad = LongName("bad", 'b'), empty = LongName("empty", 'c'),
                      sub = LongName("sub", 'd'), gap = LongName("gap", 'e');
    tree.File(fit + "\\01.jpg", "1");
    tree.File(fit + "\\02.jpg", "2");
    tree.File(bad + "\\01.jpg");
    tree.File(bad + "\\readme.txt");
    tree.Folder(empty);
    tree.File(sub + "\\01.jpg");
    tree.File(sub + "\\e\\01.jpg");
    tree.File(gap + "\\01.jpg");
    tree.File(gap + "\\03.jpg");
    const std::string deep = "deep\\" + std::string(100, 'x') + "\\" + std::string(100, 'y') + "\\" + std::string(100, 'z');
    tree.File("deep\\01.jpg");
    tree.File(deep + "\\01.jpg");
    tree.File(deep + "\\02.jpg");
    tree.File("deepbad\\01.jpg");
    tree.File("deepbad\\" + std::string(150, 'x') + "\\" + std::string(150, 'y') + "\\bad.txt");
    ASSERT_GT(tree.Path(fit + "\\01.jpg").size(), static_cast<size_t>(MAX_PATH));
    ASSERT_TRUE(tree.IsFile(deep + "\\02.jpg"));

    EngineTestOwner owner;
    EngineFind(owner, tree.Root());
    ASSERT_EQ(owner.RowCount(), 7u);
    EngineExpectRow(owner, fit, true, "+圧縮できます", "");
    EngineExpectRow(owner, bad, false, "許容外の拡張子です", "readme.txt");
    EngineExpectRow(owner, empty, false, "空のフォルダです", tree.Path(empty));
    EngineExpectRow(owner, sub, false, "サブディレクトリが存在します", "e");
    EngineExpectRow(owner, gap, false, "連番になっていません", "01.jpg 03.jpg");
    EngineExpectRow(owner, "deep", false, "サブディレクトリが存在します", std::string(100, 'x'));
    // The texts show the paths as the user knows them.
    EXPECT_TRUE(std::find(owner.Statuses.begin(), owner.Statuses.end(), "検索中: " + tree.Path(fit)) !=
                owner.Statuses.end());
    EXPECT_FALSE(AnyContains(owner.Statuses, "\\\\?\\"));
    for (const auto& row : owner.Rows) EXPECT_EQ(row->Remark.find("\\\\?\\"), std::string::npos) << row->Remark;

    EngineFindOptions recursive;
    recursive.Recursive = true;
    EngineFind(owner, tree.Root(), recursive);
    EngineExpectRow(owner, sub, true, "+圧縮できます", "");
    EngineExpectRow(owner, "deep", true, "+圧縮できます", "");
    EngineExpectRow(owner, "deepbad", false, "許容外の拡張子です",
                    std::string(150, 'x') + "\\" + std::string(150, 'y') + "\\bad.txt");
    EXPECT_TRUE(std::find(owner.Statuses.begin(), owner.Statuses.end(), "検索中: " + tree.Path(deep)) !=
                owner.Statuses.end());
    EXPECT_FALSE(AnyContains(owner.Statuses, "\\\\?\\"));
}

TEST(LongPaths, ALongRootFolder)
{
    EngineTempTree tree("fennoro-long");
    const std::string root = std::string(150, 'r') + "\\" + std::string(150, 's');
    tree.File(root + "\\book\\01.jpg");
    tree.File(root + "\\book\\02.jpg");
    tree.File(root + "\\notes\\a.txt");
    EngineTestOwner owner;
    EngineFind(owner, tree.Path(root));
    ASSERT_EQ(owner.RowCount(), 2u);
    EngineExpectRow(owner, "book", true, "+圧縮できます", "");
    EngineExpectRow(owner, "notes", false, "許容外の拡張子です", "a.txt");
    EXPECT_EQ(owner.Row("book").ParentPath, tree.Path(root + "\\"));

    // Past MAX_PATH in bytes but not in characters: 80 double-byte characters a name.
    std::string japanese;
    for (int i = 0; i < 80; ++i) japanese += "表";
    tree.File(japanese + "\\" + japanese + "\\01.jpg");
    tree.File(japanese + "\\" + japanese + "\\02.jpg");
    ASSERT_GT(tree.Path(japanese + "\\" + japanese).size(), static_cast<size_t>(MAX_PATH));
    EngineFind(owner, tree.Path(japanese));
    ASSERT_EQ(owner.RowCount(), 1u);
    EngineExpectRow(owner, japanese, true, "+圧縮できます", "");
}

TEST(LongPaths, EachBundledArchiverPacksALongFolder)
{
    EngineTempTree tree("fennoro-long");
    EngineTestOwner owner;
    const std::vector<std::string> extensions = {".zip", ".7z", ".lzh", ".cab"};
    for (const std::string& extension : extensions) {
        const std::string name = LongName("book" + extension.substr(1), 'q');
        tree.File(name + "\\01.jpg", "first page");
        tree.File(name + "\\02.jpg", "second page");
        owner.Rows.clear();
        owner.Add(tree.Root(), name, true);
        EngineCompress(owner, EngineBundledProfile(extension));
        SCOPED_TRACE(extension);
        EngineExpectRow(owner, name, false, FolderCompressState::Compressed, "*圧縮しました", name + extension);
        EXPECT_TRUE(tree.IsFile(name + extension));
        EXPECT_TRUE(tree.IsFile(name + "\\02.jpg")) << "removal is off";
        const std::string archive = tree.Read(name + extension);
        if (extension != ".7z") {  // the others keep their names readable
            EXPECT_NE(archive.find("01.jpg"), std::string::npos);
            EXPECT_NE(archive.find("02.jpg"), std::string::npos);
        }
    }
    // Nothing else beside the folders: no temporary file left anywhere.
    EXPECT_EQ(tree.Names("").size(), 2 * extensions.size());
}

TEST(LongPaths, AnExistingArchiveAtALongPathIsFound)
{
    EngineTempTree tree("fennoro-long");
    const std::string name = LongName("kept", 'k');
    tree.File(name + "\\01.jpg");
    tree.File(name + ".zip", "precious");
    EngineTestOwner owner;
    owner.Add(tree.Root(), name, true);
    EngineCompressOptions options = EngineBundledProfile(".zip");
    options.RemoveFolder = true;
    EngineCompress(owner, options);
    EngineExpectRow(owner, name, true, FolderCompressState::Untried, "!書庫が既存します", name + ".zip");
    EXPECT_EQ(tree.Read(name + ".zip"), "precious");
    EXPECT_TRUE(tree.IsFile(name + "\\01.jpg"));
}

TEST(LongPaths, ALongFolderIsNeverRecycledByItsShortName)
{
    // The shell takes no path past MAX_PATH, and a short (8.3) name may be a
    // sibling's too: such a folder stays, archived.
    EngineTempTree tree("fennoro-long");
    const std::string name = Unique("kept" + std::string(200, 'k'));
    tree.File(name + "\\01.jpg", "one");
    EngineTestOwner owner(true);
    owner.Add(tree.Root(), name, true);
    EngineCompressOptions options = EngineBundledProfile(".zip");
    options.RemoveFolder = true;
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, options);
        EXPECT_TRUE(answerer.Answered().empty()) << "the shell was never asked";
    }
    EngineExpectRow(owner, name, false, FolderCompressState::Compressed, "*圧縮成功: ただしフォルダの削除に失敗",
                    name + ".zip");
    EXPECT_EQ(tree.Read(name + "\\01.jpg"), "one");
    EXPECT_TRUE(tree.IsFile(name + ".zip"));
}

TEST(LongPaths, AFolderWithoutAShortEnoughPathIsKeptAndSaysSo)
{
    EngineTempTree tree("fennoro-long");
    // So deep that even the short names add up past MAX_PATH.
    std::string parent;
    for (int i = 0; i < 30; ++i) parent += std::string(40, static_cast<char>('a' + i % 26)) + "\\";
    tree.File(parent + "book\\01.jpg", "one");
    ASSERT_TRUE(ShellPath(tree.Path(parent + "book")).empty());
    EngineTestOwner owner(true);
    owner.Add(tree.Path(parent), "book", true);
    EngineCompressOptions options = EngineBundledProfile(".zip");
    options.RemoveFolder = true;
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, options);
        EXPECT_TRUE(answerer.Answered().empty()) << "the shell was never asked";
    }
    EngineExpectRow(owner, "book", false, FolderCompressState::Compressed, "*圧縮成功: ただしフォルダの削除に失敗",
                    "book.zip");
    EXPECT_TRUE(tree.IsFile(parent + "book\\01.jpg"));
    EXPECT_TRUE(tree.IsFile(parent + "book.zip"));
}

TEST(LongPaths, TheWideFormOfAPath)
{
    const std::string longTail(300, 'x');
    // Every path in the exact form, a trailing blank or dot and a device name kept.
    EXPECT_EQ(FileApiPath(std::string("C:\\short\\a.jpg")), L"\\\\?\\C:\\short\\a.jpg");
    EXPECT_EQ(FileApiPath(std::string("C:\\b\\02.jpg.")), L"\\\\?\\C:\\b\\02.jpg.");
    EXPECT_EQ(FileApiPath(std::string("C:\\b\\..\\c\\nul.jpg")), L"\\\\?\\C:\\c\\nul.jpg");
    EXPECT_EQ(FileApiPath(std::string("C:\\b\\..\\dup ")), L"\\\\?\\C:\\dup ");
    EXPECT_EQ(FileApiPath("C:\\" + longTail), L"\\\\?\\C:\\" + std::wstring(300, L'x'));
    EXPECT_EQ(FileApiPath("\\\\server\\share\\" + longTail), L"\\\\?\\UNC\\server\\share\\" + std::wstring(300, L'x'));
    // The long form is a full path: "." and ".." and "/" resolved first.
    EXPECT_EQ(FileApiPath("C:\\a\\..\\b/./" + longTail), L"\\\\?\\C:\\b\\" + std::wstring(300, L'x'));
    EXPECT_EQ(FileApiPath(std::wstring(L"\\\\?\\C:\\x")), L"\\\\?\\C:\\x");
    // Double-byte text converts character for character, trail byte 0x5C included.
    EXPECT_EQ(FileApiPath(std::string("C:\\表\\ソ")), L"\\\\?\\C:\\\u8868\\\u30BD");
}

TEST(NamesOutsideTheCodePage, AreJudgedByTheContentRulesLikeAnyOther)
{
    EngineTempTree tree;
    tree.WideFolder("", L"accent");
    tree.WideFile("accent", L"\u00F101.jpg");  // ñ: the code page would show it as n
    tree.WideFile("accent", L"\u00F102.jpg");
    tree.WideFolder("", L"hangul");
    tree.WideFile("hangul", L"\uD55C01.jpg");  // not in the code page at all
    tree.WideFile("hangul", L"\uD55C02.jpg");
    tree.Folder("badext");
    tree.WideFile("badext", L"\u00F1.txt");
    tree.File("round\\＼01.jpg");  // 0x81 0x5C in code page 932
    tree.File("round\\＼02.jpg");

    EngineTestOwner owner;
    EngineFind(owner, tree.Root());
    EngineExpectRow(owner, "accent", true, "+圧縮できます", "");
    EngineExpectRow(owner, "hangul", true, "+圧縮できます", "");
    EngineExpectRow(owner, "round", true, "+圧縮できます", "");
    // The extension rule names the file by its own name, not a look-alike.
    EXPECT_EQ(owner.Row("badext").Result.find("扱えないファイル名です"), std::string::npos);
    EXPECT_NE(owner.Row("badext").Remark.find("ñ.txt"), std::string::npos) << owner.Row("badext").Remark;
}

TEST(NamesOutsideTheCodePage, AFolderBelowTheRootIsNotTakenForItsLookAlike)
{
    EngineTempTree tree;
    tree.WideFolder("", L"\u00F1");
    tree.WideFile("", L"\u00F1\\01.jpg");
    tree.File("n\\01.jpg");
    tree.File("n\\02.jpg");
    EngineTestOwner owner;
    EngineFind(owner, tree.Root());
    // Each shows under its own name and is judged by its own files.
    ASSERT_EQ(RowsNamed(owner, "n").size(), 1u);
    ASSERT_EQ(RowsNamed(owner, "ñ").size(), 1u);
    EXPECT_EQ(owner.Row("n").Result, "+圧縮できます");
    EXPECT_EQ(owner.Row("ñ").Result, "+圧縮できます");
    EXPECT_EQ(owner.Row("ñ").WideName, L"\u00F1");
}
