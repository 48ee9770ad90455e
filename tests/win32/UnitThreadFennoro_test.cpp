// The find job against real folder trees.
#include "engine/win32/UnitThreadFennoro.h"
#include "tests/fixtures/ImageSamples.h"
#include "tests/fixtures/SamplePages.h"
#include "toolkit/ScopedHandle.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/EngineTestOwner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace {

// The job ended on a stop request with exactly one row, of this result.
void ExpectStoppedAfterOneRow(const EngineTestOwner& owner, const std::string& result)
{
    ASSERT_EQ(owner.RowCount(), 1u);
    EXPECT_EQ(owner.Rows[0]->Result, result);
    EXPECT_EQ(owner.Statuses.back(), "検索を中断しました");
}

bool Contains(const std::vector<std::string>& texts, const std::string& text)
{
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

// An uncompressed 24-bit bitmap of one grey tone.
std::string GreyBmp(uint32_t width, uint32_t height, uint8_t tone = 0x80)
{
    const uint32_t row = (width * 3 + 3) / 4 * 4;
    const uint32_t data = row * height;
    std::string bmp(54, '\0');
    auto put = [&](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) bmp[at + i] = static_cast<char>(value >> (8 * i));
    };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put(2, 54 + data, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, height, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, data, 4);
    bmp.append(data, static_cast<char>(tone));
    return bmp;
}

} // namespace

TEST(FindJob, EachVerdictWithItsRemark)
{
    EngineTempTree tree;
    tree.File("a\\01.jpg");
    tree.File("a\\02.jpg");
    tree.Folder("b");
    tree.File("c\\readme.txt");
    tree.File("d\\01.jpg");
    tree.Folder("d\\e");
    tree.File("f\\01.jpg");
    tree.File("f\\03.jpg");
    tree.File("g\\cover.jpg");
    tree.File("h\\a01.jpg");
    tree.File("h\\b01.jpg");
    tree.File("loose.txt");  // files in the root are no folders: no row

    EngineTestOwner owner;
    owner.Add("X:\\old\\", "stale", true);
    // Without the trailing separator: the worker adds it.
    EngineFind(owner, tree.Root().substr(0, tree.Root().size() - 1));

    ASSERT_EQ(owner.RowCount(), 7u);
    EXPECT_EQ(owner.Clears, 1);
    EngineExpectRow(owner, "a", true, "+圧縮できます", "");
    EngineExpectRow(owner, "b", false, "空のフォルダです", tree.Path("b"));
    EngineExpectRow(owner, "c", false, "許容外の拡張子です", "readme.txt");
    EngineExpectRow(owner, "d", false, "サブディレクトリが存在します", "e");
    EngineExpectRow(owner, "f", false, "連番になっていません", "01.jpg 03.jpg");
    EngineExpectRow(owner, "g", false, "ファイルから連番が得られません", "cover.jpg");
    EngineExpectRow(owner, "h", false, "ファイルは連番形式ではありません", "a01.jpg b01.jpg プレフィックス非一致(b!=a)");
    for (const auto& row : owner.Rows) {
        EXPECT_EQ(row->ParentPath, tree.Root());
        EXPECT_EQ(row->CompressState, FolderCompressState::Untried);
    }

    ASSERT_GE(owner.Statuses.size(), 2u);
    EXPECT_EQ(owner.Statuses.front(), "検索中: ");
    EXPECT_EQ(owner.Statuses.back(), "検索が終了しました");
    EXPECT_TRUE(Contains(owner.Statuses, "検索中: " + tree.Path("c")));
    EXPECT_FALSE(Contains(owner.Statuses, "検索中: " + tree.Path("loose.txt")));
}

TEST(FindJob, ProgressCountsTheFoldersExaminedOfAllBelowTheRoot)
{
    EngineTempTree tree;
    tree.File("a\\01.jpg");
    tree.Folder("b");
    tree.File("c\\01.jpg");
    tree.File("loose.txt");

    EngineTestOwner owner;
    TThreadFennoro* worker = nullptr;
    std::vector<std::pair<size_t, size_t>> seen;  // done and total as each folder comes up
    TJobProgress last;
    owner.OnStatus = [&](const std::string& text) {
        if (!worker) return;
        last = worker->Progress();
        if (text.rfind("検索中: " + tree.Root(), 0) == 0) seen.emplace_back(last.Done, last.Total);
    };
    EngineFind(owner, tree.Root(), {}, &worker);
    EXPECT_EQ(seen, (std::vector<std::pair<size_t, size_t>>{{0, 3}, {1, 3}, {2, 3}}));
    EXPECT_EQ(last.Kind, TProgressKind::Find);
    EXPECT_EQ(last.Done, 3u);
    EXPECT_EQ(last.Fit, 2u);
}

TEST(FindJob, OptionsChangeTheVerdicts)
{
    EngineTempTree tree;
    tree.File("gaps\\p01.jpg");
    tree.File("gaps\\p03.png");
    tree.File("mixed\\cover.JPG");
    tree.File("mixed\\Scan 7.gif");
    tree.File("upper\\01.JPG");
    tree.File("upper\\02.Jpg");
    tree.File("nodot\\01");
    tree.File("nodot\\02");

    EngineTestOwner owner;
    EngineFind(owner, tree.Root());
    EngineExpectRow(owner, "gaps", false, "連番になっていません", "p01.jpg p03.png");
    EngineExpectRow(owner, "mixed", false, "ファイルから連番が得られません", "cover.JPG");
    EngineExpectRow(owner, "upper", true, "+圧縮できます", "");
    EngineExpectRow(owner, "nodot", false, "許容外の拡張子です", owner.Row("nodot").Remark);
    EXPECT_TRUE(owner.Row("nodot").Remark == "01" || owner.Row("nodot").Remark == "02");

    EngineFindOptions about;
    about.NumberedAbout = true;
    EngineFind(owner, tree.Root(), about);
    EngineExpectRow(owner, "gaps", true, "+圧縮できます", "");
    EngineExpectRow(owner, "mixed", false, "ファイルから連番が得られません", "cover.JPG");

    EngineFindOptions unnumbered;
    unnumbered.Numbered = false;
    EngineFind(owner, tree.Root(), unnumbered);
    EngineExpectRow(owner, "mixed", true, "+圧縮できます", "");

    // An empty item in the list allows names without a dot.
    EngineFindOptions withEmpty;
    withEmpty.Extensions = ".jpg;";
    EngineFind(owner, tree.Root(), withEmpty);
    EngineExpectRow(owner, "nodot", true, "+圧縮できます", "");
    EngineExpectRow(owner, "gaps", false, "許容外の拡張子です", "p03.png");
}

TEST(FindJob, HiddenAndSystemFilesCount)
{
    EngineTempTree tree;
    tree.File("thumbs\\01.jpg");
    tree.File("thumbs\\Thumbs.db", "cache", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    tree.File("hiddenok\\01.jpg", "", FILE_ATTRIBUTE_HIDDEN);
    tree.File("hiddenok\\02.jpg", "", FILE_ATTRIBUTE_READONLY);
    tree.Folder("hiddensub\\inner");
    SetFileAttributesA(tree.Path("hiddensub\\inner").c_str(), FILE_ATTRIBUTE_HIDDEN);

    EngineTestOwner owner;
    EngineFind(owner, tree.Root());
    EngineExpectRow(owner, "thumbs", false, "許容外の拡張子です", "Thumbs.db");
    EngineExpectRow(owner, "hiddenok", true, "+圧縮できます", "");
    EngineExpectRow(owner, "hiddensub", false, "サブディレクトリが存在します", "inner");
}

TEST(FindJob, RecursiveSearchJudgesTheWholeTree)
{
    EngineTempTree tree;
    tree.File("d\\01.jpg");
    tree.File("d\\02.jpg");
    tree.File("d\\e\\01.jpg");               // each folder is a sequence of its own
    tree.Folder("hollow\\x\\y");             // no file anywhere
    tree.File("deepbad\\01.jpg");
    tree.File("deepbad\\s\\t\\bad.txt");     // named without its path
    tree.File("deepgap\\s\\01.jpg");
    tree.File("deepgap\\s\\03.jpg");
    tree.File("badfirst\\x.txt");            // the files are judged before the sub-folders
    tree.File("badfirst\\sub\\zz.txt");
    tree.Folder("onlyempty\\sub");
    tree.File("onlyempty\\sub2\\01.png");

    EngineTestOwner owner;
    EngineFindOptions recursive;
    recursive.Recursive = true;
    EngineFind(owner, tree.Root(), recursive);
    EngineExpectRow(owner, "d", true, "+圧縮できます", "");
    EngineExpectRow(owner, "hollow", false, "空のフォルダです", tree.Path("hollow"));
    // A file below the row's folder is named by its path below it.
    EngineExpectRow(owner, "deepbad", false, "許容外の拡張子です", "s\\t\\bad.txt");
    EngineExpectRow(owner, "deepgap", false, "連番になっていません", "s\\01.jpg 03.jpg");
    EngineExpectRow(owner, "badfirst", false, "許容外の拡張子です", "x.txt");
    EngineExpectRow(owner, "onlyempty", true, "+圧縮できます", "");
    EXPECT_TRUE(Contains(owner.Statuses, "検索中: " + tree.Path("deepbad\\s\\t")));

    // Without recursion even an empty sub-folder fails its folder.
    EngineFind(owner, tree.Root());
    EngineExpectRow(owner, "hollow", false, "サブディレクトリが存在します", "x");
}

TEST(FindJob, EmptyRootAndRootWithOnlyFiles)
{
    EngineTempTree tree;
    EngineTestOwner owner;
    EngineFind(owner, tree.Root());
    EXPECT_EQ(owner.RowCount(), 0u);
    EXPECT_EQ(owner.Statuses.back(), "検索が終了しました");

    tree.File("01.jpg");
    EngineFind(owner, tree.Root());
    EXPECT_EQ(owner.RowCount(), 0u);

    // A root that does not exist gives no rows either.
    EngineFind(owner, tree.Path("missing"));
    EXPECT_EQ(owner.RowCount(), 0u);
    EXPECT_EQ(owner.Statuses.back(), "検索が終了しました");
}

TEST(FindJob, JapaneseNamesWithTrailByte5C)
{
    // 表, ソ, 十, 能 and 予 all end in the byte 0x5C.
    EngineTempTree tree("表ソ");
    ASSERT_NE(tree.Root().find("表ソ"), std::string::npos);
    tree.File("表\\表紙01.jpg");
    tree.File("表\\表紙02.jpg");
    tree.File("ソ十\\ソ1.png");
    tree.File("ソ十\\ソ3.png");
    tree.Folder("能");
    tree.File("予\\申.txt");
    tree.File("深い\\01.jpg");
    tree.File("深い\\表\\01.jpg");

    EngineTestOwner owner;
    EngineFind(owner, tree.Root());
    EngineExpectRow(owner, "表", true, "+圧縮できます", "");
    EngineExpectRow(owner, "ソ十", false, "連番になっていません", "ソ1.png ソ3.png");
    EngineExpectRow(owner, "能", false, "空のフォルダです", tree.Path("能"));
    EngineExpectRow(owner, "予", false, "許容外の拡張子です", "申.txt");
    EngineExpectRow(owner, "深い", false, "サブディレクトリが存在します", "表");
    EXPECT_TRUE(Contains(owner.Statuses, "検索中: " + tree.Path("表")));

    EngineFindOptions recursive;
    recursive.Recursive = true;
    // The root as typed, ending in 表 without a separator of its own.
    EngineTempTree outer;
    outer.File("表\\巻\\01.jpg");
    outer.File("表\\巻\\02.jpg");
    EngineFind(owner, outer.Path("表"), recursive);
    EngineExpectRow(owner, "巻", true, "+圧縮できます", "");
    EXPECT_EQ(owner.Row("巻").ParentPath, outer.Path("表\\"));

    EngineFind(owner, tree.Root(), recursive);
    EngineExpectRow(owner, "深い", true, "+圧縮できます", "");
}

TEST(FindJob, StopBetweenFoldersAddsNoFurtherRow)
{
    EngineTempTree tree;
    for (const char* name : {"a", "b", "c", "d"}) tree.File(std::string(name) + "\\01.jpg");

    EngineTestOwner owner;
    TThreadFennoro* worker = nullptr;
    owner.OnAppend = [&](const FolderRow&) {
        ASSERT_NE(worker, nullptr);
        EXPECT_TRUE(worker->Running());
        worker->RequestStop();
    };
    EngineFind(owner, tree.Root(), {}, &worker);
    ExpectStoppedAfterOneRow(owner, "+圧縮できます");
}

TEST(FindJob, StopWhileAFolderIsExamined)
{
    EngineTempTree tree;
    tree.File("a\\01.jpg");
    tree.File("a\\02.jpg");
    tree.File("b\\01.jpg");

    // The stop arrives while the folder's files are about to be read.
    EngineTestOwner owner;
    TThreadFennoro* worker = nullptr;
    owner.OnStatus = [&](const std::string& text) {
        if (text.rfind("検索中: " + tree.Root(), 0) == 0 && worker) worker->RequestStop();
    };
    EngineFind(owner, tree.Root(), {}, &worker);
    ASSERT_NO_FATAL_FAILURE(ExpectStoppedAfterOneRow(owner, "中断されました"));
    EXPECT_FALSE(owner.Rows[0]->Checked);
    EXPECT_EQ(owner.Rows[0]->Remark, "");

    // A folder without files still gets its own verdict.
    EngineTempTree empty;
    empty.Folder("x");
    empty.Folder("y");
    EngineTestOwner second;
    second.OnStatus = [&](const std::string& text) {
        if (text.rfind("検索中: " + empty.Root(), 0) == 0 && worker) worker->RequestStop();
    };
    EngineFind(second, empty.Root(), {}, &worker);
    ExpectStoppedAfterOneRow(second, "空のフォルダです");
}

TEST(FindJob, DestroyingARunningWorkerStopsIt)
{
    EngineTempTree tree;
    for (int i = 0; i < 40; ++i) tree.File(std::string("f").append(std::to_string(i)).append("\\01.jpg"));
    EngineTestOwner owner;
    {
        // Nothing is served before the destructor asks to stop, so the first folder
        // sees the request among its files.
        TThreadFennoro worker(owner, tree.Root(), ".jpg", false, true, false);
    }
    ExpectStoppedAfterOneRow(owner, "中断されました");
}

TEST(FindJob, AnUnexpectedErrorEndsTheJobWithItsReason)
{
    EngineTempTree tree;
    tree.File("a\\01.jpg");
    tree.File("b\\01.jpg");
    EngineTestOwner owner;
    owner.OnAppend = [](const FolderRow&) { throw std::runtime_error("一覧に追加できません"); };
    TThreadFennoro worker(owner, tree.Root(), ".jpg", false, true, false);
    worker.WaitFor();
    EXPECT_FALSE(worker.Running());
    EXPECT_EQ(owner.RowCount(), 1u);
    EXPECT_EQ(owner.Statuses.back(), "検索中にエラーが発生したため中止しました: 一覧に追加できません");

    // The program goes on: the next job works.
    owner.OnAppend = nullptr;
    EngineFind(owner, tree.Root());
    EXPECT_EQ(owner.RowCount(), 2u);
}

TEST(FindJob, LinksNeverMakeTheSearchLoop)
{
    EngineTempTree tree;
    tree.File("a\\01.jpg");
    tree.File("b\\01.jpg");
    tree.File("c\\01.jpg");
    tree.File("c\\inner\\01.jpg");
    if (!tree.FolderLink("a\\up", tree.Root()) || !tree.FolderLink("b\\self", tree.Path("b")) ||
        !tree.FolderLink("c\\inner\\back", tree.Path("c"))) {
        GTEST_SKIP() << "no folder links here";
    }
    tree.File("target\\01.jpg");
    tree.File("target\\02.jpg");
    ASSERT_TRUE(tree.FolderLink("side", tree.Path("target")));

    // Searched into, a link anywhere in the tree refuses the folder; without
    // recursion the first sub-folder does, link or not, and nothing below is read.
    for (const bool recursive : {true, false}) {
        EngineTestOwner owner;
        EngineFindOptions options;
        options.Recursive = recursive;
        EngineFind(owner, tree.Root(), options);
        const char* refused = recursive ? "リンクを含むフォルダです" : "サブディレクトリが存在します";
        EngineExpectRow(owner, "a", false, refused, "up");
        EngineExpectRow(owner, "b", false, refused, "self");
        EngineExpectRow(owner, "c", false, refused, recursive ? "inner\\back" : "inner");
        // A link at the top may lead anywhere: never a folder to archive or recycle,
        // even when the user checks its row.
        EngineExpectRow(owner, "side", false, "扱えないファイル名です", "side");
        EngineExpectRow(owner, "target", true, "+圧縮できます", "");
        EXPECT_EQ(owner.Statuses.back(), "検索が終了しました");
    }

    EngineTestOwner compress(true);
    compress.Add(tree.Root(), "side", true);
    EngineCompressOptions removing;
    removing.RemoveFolder = true;
    EngineCompress(compress, removing);
    EngineExpectRow(compress, "side", true, "!扱えないファイル名です", "side");
    EXPECT_TRUE(tree.IsFile("target\\02.jpg"));
    EXPECT_FALSE(tree.IsFile("side.zip"));
}

TEST(FindJob, NamesWin32WouldRewriteAreNeverTakenForTheirLookAlikes)
{
    // "dup " and "dot." reach "dup" and "dot" through Win32; CON and aux.txt are devices.
    EngineTempTree tree;
    tree.File("dup\\01.jpg", "dup");
    tree.File("dot\\01.jpg", "dot");
    tree.File("pages\\01.jpg");
    if (!tree.HostMake("mkdir 'dup ' dot. CON aux.txt && touch 'dup /01.jpg' dot./01.jpg CON/01.jpg aux.txt/01.jpg "
                       "pages/02.jpg. && touch ready",
                       "ready", "")) {
        GTEST_SKIP() << "no host shell here";
    }
    EngineTestOwner owner;
    EngineFind(owner, tree.Root());
    ASSERT_EQ(owner.RowCount(), 7u);
    EngineExpectRow(owner, "dup", true, "+圧縮できます", "");
    EngineExpectRow(owner, "dot", true, "+圧縮できます", "");
    for (const char* name : {"dup ", "dot.", "CON", "aux.txt"}) EngineExpectRow(owner, name, false, "扱えないファイル名です", name);
    EngineExpectRow(owner, "pages", false, "扱えないファイル名です", "02.jpg.");

    // Checked by hand with removal on: refused, and the look-alikes stay untouched.
    EngineTestOwner compress(true);
    for (const char* name : {"dup ", "dot.", "CON", "aux.txt"}) compress.Add(tree.Root(), name, true);
    EngineCompressOptions removing;
    removing.RemoveFolder = true;
    EngineCompress(compress, removing);
    for (const char* name : {"dup ", "dot.", "CON", "aux.txt"}) EngineExpectRow(compress, name, true, "!扱えないファイル名です", name);
    EXPECT_EQ(tree.Read("dup\\01.jpg"), "dup");
    EXPECT_EQ(tree.Read("dot\\01.jpg"), "dot");
    EXPECT_FALSE(tree.IsFile("dup.zip") || tree.IsFile("dot.zip"));
}

TEST(FindJob, DeepTreesAreWalkedWithoutRecursionAndRefusedPastTheBound)
{
    // Deeper than a recursive walk's stack carries (and than Wine reaches: a Unix
    // path has at most 4,096 bytes); 256 levels below a folder are the most taken.
    EngineTempTree tree("fennoro-deep");
    const auto make = [&](const std::string& name, int levels) {
        return tree.HostMake("perl -e 'mkdir q(" + name + "); chdir q(" + name + "); for (1.." + std::to_string(levels) +
                                 ") { mkdir q(d) or die; chdir q(d) or die } open(F, q(>01.jpg)); open(F, q(>02.jpg))' "
                                 "&& touch " + name + "/01.jpg",
                             name + "\\01.jpg", name);
    };
    if (!make("deep", 3000) || !make("nested", 256)) GTEST_SKIP() << "no host shell here";
    EngineTestOwner owner;
    EngineFindOptions recursive;
    recursive.Recursive = true;
    EngineFind(owner, tree.Root(), recursive);
    EXPECT_EQ(owner.Statuses.back(), "検索が終了しました");
    EngineExpectRow(owner, "nested", true, "+圧縮できます", "");
    std::string bound = tree.Path("deep");
    for (int level = 0; level < 257; ++level) bound += "\\d";
    EngineExpectRow(owner, "deep", false, "フォルダの階層が深すぎます", bound);
    // Without recursion the first sub-folder decides, whatever lies below it.
    EngineFind(owner, tree.Root());
    EngineExpectRow(owner, "deep", false, "サブディレクトリが存在します", "d");
    EngineExpectRow(owner, "nested", false, "サブディレクトリが存在します", "d");
    // Checked by hand, F8 still walks the whole tree before anything is touched.
    EngineTestOwner compress(true);
    compress.Add(tree.Root(), "deep", true);
    EngineCompressOptions removing;
    removing.RemoveFolder = true;
    EngineCompress(compress, removing);
    EngineExpectRow(compress, "deep", true, "!フォルダの階層が深すぎます", bound);
    EXPECT_TRUE(tree.IsFile("deep\\01.jpg"));
    EXPECT_FALSE(tree.IsFile("deep.zip"));
}

TEST(FindJob, AMountedAncestorIsNotSearchedAgain)
{
    // A mounted folder showing its ancestor's content: whether the platform calls it
    // a reparse point or an ordinary folder, the search must not go round, and the
    // folder is no more fit to archive than one holding a link.
    EngineTempTree tree;
    tree.File("a\\01.jpg");
    tree.Folder("a\\again");
    tree.File("b\\01.jpg");
    if (!tree.FolderBind("a\\again", tree.Path("a"), "01.jpg")) GTEST_SKIP() << "no bind mounts here";

    EngineTestOwner owner;
    EngineFindOptions recursive;
    recursive.Recursive = true;
    EngineFind(owner, tree.Root(), recursive);
    EngineExpectRow(owner, "a", false, "リンクを含むフォルダです", "again");
    EngineExpectRow(owner, "b", true, "+圧縮できます", "");
}

namespace {

// Leaves the handle's value in the stack below the caller, where the next call's
// uninitialised locals will find it.
__attribute__((noinline)) void FillStackBelow(HANDLE handle)
{
    volatile HANDLE values[8192];
    for (auto& value : values) value = handle;
}

} // namespace

TEST(HostSteps, EndBeforeTheyReturnAndLeaveTheProgramsHandlesAlone)
{
    // A mount made by a host step must be in place when the step returns, and no
    // handle of ours (a thread's message queue, say) may go with it.
    EngineTempTree tree;
    const std::string unixRoot = EngineUnixPath(tree.Root());
    if (unixRoot.empty()) GTEST_SKIP() << "no host";
    ScopedHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    const std::string script = "/bin/sh -c \"sleep 1 && touch '" + unixRoot + "ended'\"";
    FillStackBelow(event.get());
    const bool ran = EngineRunProcess(script);
    EXPECT_TRUE(SetEvent(event.get())) << "a handle of this process was closed";
    EXPECT_TRUE(ran);
    EXPECT_TRUE(tree.IsFile("ended"));
    EXPECT_FALSE(EngineRunProcess("/bin/false"));
}

TEST(FindJob, NamesEqualButForCaseAreRefused)
{
    EngineTempTree tree;
    tree.File("dup\\01.jpg");
    tree.File("dup\\02.jpg");
    // Only the host can make a second name that differs in case alone.
    const std::string unixDir = EngineUnixPath(tree.Path("dup"));
    if (unixDir.empty() || !EngineRunProcess("/bin/touch \"" + unixDir + "/01.JPG\"")) GTEST_SKIP() << "no host";
    ASSERT_EQ(tree.Names("dup").size(), 3u);
    // An archive would hold both, and extracting it on Windows keeps one.
    EngineTestOwner owner;
    EngineFind(owner, tree.Root());
    EXPECT_EQ(owner.Row("dup").Result, "大文字と小文字だけが違う名前があります");
    // The one found second, in the file system's order.
    EXPECT_TRUE(owner.Row("dup").Remark == "01.JPG" || owner.Row("dup").Remark == "01.jpg");
    EXPECT_FALSE(owner.Row("dup").Checked);
}

// The archive beside a folder is looked up in the root's listing, by the name the
// file system would match: without regard to case, whatever kind of entry holds it.
TEST(FindJob, AnArchiveBesideAFolderIsFoundWhateverItsCaseOrKind)
{
    struct TCase {
        const char* Folder;
        const char* Beside;  // a file, or a folder when it ends with a separator; "" none
        bool Exists;
    };
    const TCase cases[] = {
        {"plain", "plain.zip", true},
        {"cased", "CASED.Zip", true},
        {"ｂｏｏｋ", "ＢＯＯＫ.zip", true},
        {"foldered", "foldered.zip\\", true},
        {"other", "other.7z", false},
        {"longer", "longer1.zip", false},
        {"none", "", false},
    };
    EngineTempTree tree;
    for (const TCase& c : cases) {
        tree.File(std::string(c.Folder) + "\\01.jpg", "1");
        const std::string beside = c.Beside;
        if (beside.ends_with("\\")) {
            tree.Folder(beside.substr(0, beside.size() - 1));
        } else if (!beside.empty()) {
            tree.File(beside, "an earlier archive");
        }
    }
    // A link that leads nowhere: an archive where the file system says there is one.
    tree.File("dangling\\01.jpg", "1");
    const std::string unixFolder = EngineUnixPath(tree.Path("dangling"));
    const bool link = !unixFolder.empty() && EngineRunProcess("/bin/ln -s /nonexistent/x \"" + unixFolder + ".zip\"");
    EngineTestOwner owner;
    EngineFindOptions find;
    find.ArchiveExtension = ".zip";
    EngineFind(owner, tree.Root(), find);
    for (const TCase& c : cases) {
        if (c.Exists) {
            EngineExpectRow(owner, c.Folder, false, "書庫が既に存在します", std::string(c.Folder) + ".zip");
        } else {
            EngineExpectRow(owner, c.Folder, true, "+圧縮できます", "");
        }
    }
    if (link) {
        const bool seen = GetFileAttributesW(tree.WidePath("dangling.zip").c_str()) != INVALID_FILE_ATTRIBUTES;
        EXPECT_EQ(owner.Row("dangling").Result, seen ? "書庫が既に存在します" : "+圧縮できます");
        EXPECT_EQ(owner.Row("dangling").Checked, !seen);
    }
}

TEST(FindJob, WithoutRecursionTheFirstLevelDecides)
{
    // Files first, in the order listed, then the first sub-folder; what lies
    // below a sub-folder (case twins here) is never read.
    EngineTempTree tree;
    tree.File("notes\\readme.txt");
    tree.File("notes\\sub\\01.jpg");
    tree.File("gap\\01.jpg");
    tree.File("gap\\03.jpg");
    tree.Folder("gap\\sub");
    tree.File("pages\\01.jpg");
    tree.File("pages\\sub\\01.jpg");
    const std::string unixSub = EngineUnixPath(tree.Path("notes\\sub"));
    if (unixSub.empty() || !EngineRunProcess("/bin/touch \"" + unixSub + "/01.JPG\"")) GTEST_SKIP() << "no host";
    EngineTestOwner owner;
    EngineFind(owner, tree.Root());
    EngineExpectRow(owner, "notes", false, "許容外の拡張子です", "readme.txt");
    EngineExpectRow(owner, "gap", false, "連番になっていません", "01.jpg 03.jpg");
    EngineExpectRow(owner, "pages", false, "サブディレクトリが存在します", "sub");
}

TEST(FindJob, PageCheckNamesTheFirstDamagedImageOfAFolderThatPassedTheRest)
{
    using namespace ImageSamples;
    const std::string jpeg = SampleJpeg();
    const std::string png = SamplePng();
    std::string flipped = png;
    flipped[40] = static_cast<char>(flipped[40] ^ 1);
    EngineTempTree tree;
    tree.File("whole\\01.jpg", jpeg + std::string(64, '\0'));
    tree.File("whole\\02.PNG", png);
    tree.File("whole\\03.gif", SampleGif());
    tree.File("whole\\04.bmp", SampleBmp());
    tree.File("whole\\05.jpg", png);  // another kind under the name: read as what it is
    tree.File("whole\\06.png", jpeg + "trailer");
    tree.File("text\\01.jpg", "<html>Not found</html>");
    tree.File("cut\\p10.jpg", jpeg);
    tree.File("cut\\p12.jpg", jpeg.substr(0, jpeg.size() / 2));
    tree.File("cut\\p11.png", flipped);
    tree.File("empty\\01.jpg", "");
    tree.File("gif\\01.gif", SampleGif().substr(0, SampleGif().size() - 2));
    tree.File("locked\\01.jpg", jpeg);
    tree.File("locked\\02.jpg", jpeg);
    tree.File("gap\\01.jpg", "");  // fails its numbering first: not read
    tree.File("gap\\03.jpg", jpeg);
    tree.File("tree\\01.jpg", jpeg);
    tree.File("tree\\sub\\01.png", png);
    tree.File("tree\\sub\\deeper\\07.bmp", SampleBmp().substr(0, 40));
    // A file no one else may open counts as damaged.
    ScopedHandle held(CreateFileA(tree.Path("locked\\02.jpg").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(held.get(), INVALID_HANDLE_VALUE);

    EngineTestOwner owner;
    EngineFindOptions options;
    options.Extensions = ".jpg;.png;.gif;.bmp";
    EngineFind(owner, tree.Root(), options);
    for (const char* name : {"whole", "cut", "empty", "gif", "locked", "text"}) EngineExpectRow(owner, name, true, "+圧縮できます", "");
    std::vector<std::string> order;
    for (const auto& row : owner.Rows) order.push_back(row->Name);

    // A folder's pages are read while the next one is listed: the rows keep their order.
    options.VerifyImages = true;
    EngineFind(owner, tree.Root(), options);
    ASSERT_EQ(owner.Rows.size(), order.size());
    for (size_t i = 0; i < order.size(); ++i) EXPECT_EQ(owner.Rows[i]->Name, order[i]);
    // Samples of several sizes: the odd ones are named.
    EngineExpectRow(owner, "whole", true, "+圧縮できます", "サイズ違い p001 p003 p004 p006");
    // The remark: the page, then what is wrong with it.
    EngineExpectRow(owner, "cut", false, "破損した画像があります", "p11.png 34 バイト目付近のデータが壊れています");
    EngineExpectRow(owner, "empty", false, "破損した画像があります", "01.jpg 空のファイルです");
    EngineExpectRow(owner, "gif", false, "破損した画像があります", "01.gif 途中で切れています");
    EngineExpectRow(owner, "locked", false, "破損した画像があります", "02.jpg 読み取れません");
    EngineExpectRow(owner, "text", false, "破損した画像があります", "01.jpg JPEG・PNG・GIF・BMPのどれでもありません");
    EngineExpectRow(owner, "gap", false, "連番になっていません", "01.jpg 03.jpg");
    EngineExpectRow(owner, "tree", false, "サブディレクトリが存在します", "sub");

    // Recursive: the sub-folders' pages are read too, after the folder's own.
    options.Recursive = true;
    EngineFind(owner, tree.Root(), options);
    EngineExpectRow(owner, "tree", false, "破損した画像があります", "sub\\deeper\\07.bmp 途中で切れています");
    EngineExpectRow(owner, "whole", true, "+圧縮できます", "サイズ違い p001 p003 p004 p006");

    // A stop that arrives once the other checks are done ends the folder before its first page.
    EngineTempTree stopping;
    stopping.File("s\\01.jpg", "");
    stopping.Folder("s\\e");
    EngineTestOwner stopped;
    TThreadFennoro* worker = nullptr;
    stopped.OnStatus = [&](const std::string& text) {
        if (text == "検索中: " + stopping.Path("s\\e") && worker) worker->RequestStop();
    };
    EngineFind(stopped, stopping.Root(), options, &worker);
    ASSERT_NO_FATAL_FAILURE(ExpectStoppedAfterOneRow(stopped, "中断されました"));
    EXPECT_EQ(stopped.Rows[0]->Remark, "");
}

TEST(UnitThreadFennoro, DeepPageCheckFindsTheFirstPageDamagedInsideItsData)
{
    EngineTempTree tree;
    const std::string page = SamplePages::Page("baseline.jpg");
    std::string zeroed = page;
    std::fill(zeroed.begin() + page.size() / 2, zeroed.begin() + page.size() / 2 + 1024, '\0');
    char name[16];
    for (int i = 1; i <= 12; ++i) {
        std::snprintf(name, sizeof name, "p%02d.jpg", i);
        tree.File(std::string("book\\") + name, i == 5 ? zeroed : i == 9 ? page.substr(0, page.size() / 2) : page);
    }
    int i = 0;
    for (const SamplePages::TPage& sample : SamplePages::All()) {
        std::snprintf(name, sizeof name, "%02d.jpg", ++i);
        tree.File(std::string("whole\\") + name, sample.Bytes);
    }
    // Names the locale finds equal are pages of their own: the one cut short is
    // read too, whichever the sort puts first.
    tree.File("twins\\caf\xC3\xA9_01.jpg", page);
    tree.File("twins\\caf\xC3\xA9_02.jpg", page.substr(0, page.size() / 2));
    tree.File("twins\\cafe\xCC\x81_02.jpg", page);

    EngineTestOwner owner;
    EngineFindOptions options;
    options.VerifyImages = true;
    options.Numbered = false;  // the twins' names differ in their bytes, so their prefixes do
    EngineFind(owner, tree.Root(), options);
    EngineExpectRow(owner, "book", false, "破損した画像があります", "p09.jpg 途中で切れています");
    EngineExpectRow(owner, "twins", false, "破損した画像があります", "caf\xC3\xA9_02.jpg 途中で切れています");
    EXPECT_TRUE(owner.Row("whole").Checked);
    EXPECT_EQ(owner.Row("whole").Result, "+圧縮できます");  // the samples differ in size: the remark names them
    options.DeepImages = true;
    EngineFind(owner, tree.Root(), options);
    const FolderRow& book = owner.Row("book");
    EXPECT_EQ(book.Result, "破損した画像があります");
    // Named at the damage: between the zeros' start and the end of the page.
    const size_t at = std::strtoul(book.Remark.c_str() + 8, nullptr, 10);
    EXPECT_TRUE(book.Remark.starts_with("p05.jpg ") && book.Remark.ends_with(" バイト目付近のデータが壊れています")) << book.Remark;
    EXPECT_TRUE(at > page.size() / 2 && at <= page.size()) << book.Remark;
    EXPECT_TRUE(owner.Row("whole").Checked);
    EXPECT_EQ(owner.Row("whole").Result, "+圧縮できます");  // the samples differ in size: the remark names them
}

TEST(FindJob, PageCheckNamesTheSpreadsAndPagesOfAnotherSizeOfAWholeBook)
{
    struct TBook {
        const char* Name;
        std::vector<std::pair<uint32_t, uint32_t>> Pages;
        bool Checked;
        const char* Result;
        const char* Remark;
    };
    const std::vector<TBook> books = {
        {"normal", {{20, 30}, {21, 30}, {20, 29}, {20, 30}}, true, "+圧縮できます", ""},
        {"spread", {{20, 30}, {20, 30}, {40, 30}, {20, 30}, {20, 30}}, true, "+圧縮できます", "見開き p003"},
        {"insert", {{20, 30}, {20, 30}, {20, 30}, {20, 40}, {20, 30}}, true, "+圧縮できます", "サイズ違い p004"},
        {"both", {{40, 30}, {20, 30}, {20, 30}, {20, 30}, {16, 30}, {41, 31}}, true, "+圧縮できます",
         "見開き p001 p006 サイズ違い p005"},
        {"landscape", {{30, 20}, {60, 20}, {30, 20}, {30, 20}}, true, "+圧縮できます", "サイズ違い p002"},
        // A damaged page's verdict stands alone.
        {"damaged", {{20, 30}, {40, 30}, {20, 30}, {0, 0}}, false, "破損した画像があります", "04.bmp 途中で切れています"},
    };
    EngineTempTree tree;
    for (const TBook& book : books) {
        char name[16];
        for (size_t i = 0; i < book.Pages.size(); ++i) {
            std::snprintf(name, sizeof name, "\\%02zu.bmp", i + 1);
            const auto [width, height] = book.Pages[i];
            const uint8_t tone = static_cast<uint8_t>(i + 1);  // pages of one book differ in their bytes
            tree.File(book.Name + std::string(name), width ? GreyBmp(width, height, tone) : GreyBmp(20, 30).substr(0, 60));
        }
    }
    EngineTestOwner owner;
    EngineFindOptions options;
    options.Extensions = ".bmp";
    EngineFind(owner, tree.Root(), options);
    for (const TBook& book : books) EngineExpectRow(owner, book.Name, true, "+圧縮できます", "");
    options.VerifyImages = true;
    for (const bool deep : {false, true}) {
        SCOPED_TRACE(deep ? "deep" : "quick");
        options.DeepImages = deep;
        EngineFind(owner, tree.Root(), options);
        for (const TBook& book : books) EngineExpectRow(owner, book.Name, book.Checked, book.Result, book.Remark);
    }
}

TEST(FindJob, DeepPageCheckHoldsBackABookWithTwoPagesOfTheSameBytes)
{
    const std::string jpeg = SamplePages::Page("baseline.jpg");
    struct TBook {
        const char* Name;
        std::vector<std::string> Pages;  // 01.jpg, 02.jpg, ... in order
        bool Checked;
        const char* Result;
        const char* Remark;
    };
    const std::vector<TBook> books = {
        {"distinct", {GreyBmp(20, 30, 1), GreyBmp(20, 30, 2), GreyBmp(20, 30, 3)}, true, "+圧縮できます", ""},
        {"twice", {GreyBmp(20, 30, 1), GreyBmp(20, 30, 2), GreyBmp(20, 30, 3), GreyBmp(20, 30, 3)}, false,
         "重複したページがあります", "03.jpg 04.jpg"},
        {"apart", {jpeg, GreyBmp(20, 30, 2), jpeg, GreyBmp(20, 30, 4)}, false, "重複したページがあります",
         "01.jpg 03.jpg"},
        // The same image, but what follows its end differs: the bytes are not the same.
        {"trailers", {jpeg + "A", jpeg + "B", jpeg + "C"}, true, "+圧縮できます", ""},
        // A damaged page's verdict comes first.
        {"damaged", {jpeg, jpeg, jpeg.substr(0, jpeg.size() / 2)}, false, "破損した画像があります",
         "03.jpg 途中で切れています"},
    };
    EngineTempTree tree;
    for (const TBook& book : books) {
        char name[16];
        for (size_t i = 0; i < book.Pages.size(); ++i) {
            std::snprintf(name, sizeof name, "\\%02zu.jpg", i + 1);
            tree.File(book.Name + std::string(name), book.Pages[i]);
        }
    }
    EngineTestOwner owner;
    EngineFindOptions options;
    options.VerifyImages = true;
    EngineFind(owner, tree.Root(), options);
    EngineExpectRow(owner, "twice", true, "+圧縮できます", "");  // the quick level compares nothing
    options.DeepImages = true;
    EngineFind(owner, tree.Root(), options);
    for (const TBook& book : books) EngineExpectRow(owner, book.Name, book.Checked, book.Result, book.Remark);
}
