// One safety judgment for the find and the compress job: a folder that could not
// be archived and removed exactly is refused by both, whatever its row says, and
// removal goes to the recycle bin of the very folder archived, or nowhere.
#include "base/WideText.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/PathLock.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "win32/support/EngineDialogAnswerer.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/EngineTestOwner.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

std::string Unique(const std::string& stem)
{
    return stem + "-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
}

EngineCompressOptions Removing()
{
    EngineCompressOptions options;
    options.RemoveFolder = true;
    return options;
}

// Folders holding names Win32 rewrites, made by the host; false where it cannot.
bool MakeLookAlikes(EngineTempTree& tree)
{
    tree.File("trail\\02.jpg", "two");
    tree.File("blank\\02.jpg", "two");
    tree.File("subdot\\sub\\01.jpg", "sub");
    tree.File("dev\\01.jpg");
    return tree.HostMake("echo dot > trail/02.jpg. && echo blank > 'blank/02.jpg ' && mkdir subdot/sub. && "
                         "echo other > subdot/sub./01.jpg && echo device > dev/nul.jpg && touch ready",
                         "ready", "");
}

} // namespace

TEST(FolderSafety, AHandCheckedFolderIsArchivedOnlyWhenItsWholeTreeIsExact)
{
    EngineTempTree tree;
    tree.File("shared\\01.jpg", "not this book's");
    tree.File("linked\\01.jpg");
    tree.File("twins\\01.jpg");
    if (!MakeLookAlikes(tree) || !tree.HostMake("touch twins/01.JPG && touch ready2", "ready2", "") ||
        !tree.FolderLink("linked\\extras", tree.Path("shared"))) {
        GTEST_SKIP() << "no host shell here";
    }
    EngineTestOwner owner(true);
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"trail", "02.jpg."}, {"blank", "02.jpg "}, {"subdot", "sub."}, {"dev", "nul.jpg"}};
    for (const auto& [name, remark] : refused) owner.Add(tree.Root(), name, true);
    owner.Add(tree.Root(), "twins", true);
    owner.Add(tree.Root(), "linked", true);
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, Removing());
        EXPECT_TRUE(answerer.Answered().empty()) << "nothing was to be removed";
    }
    for (const auto& [name, remark] : refused) {
        EngineExpectRow(owner, name, true, "!扱えないファイル名です", remark);
    }
    EXPECT_EQ(owner.Row("twins").Result, "!大文字と小文字だけが違う名前があります");
    EngineExpectRow(owner, "linked", true, "!リンクを含むフォルダです", "extras");
    for (const char* name : {"trail", "blank", "subdot", "dev", "twins", "linked"}) {
        EXPECT_FALSE(tree.IsFile(std::string(name) + ".zip")) << name;
        EXPECT_TRUE(tree.IsFolder(name)) << name;
    }
    EXPECT_EQ(tree.Read("trail\\02.jpg"), "two");
    EXPECT_EQ(tree.Read("shared\\01.jpg"), "not this book's");
}

TEST(FolderSafety, ARowReachesOnlyItsOwnFolderNeverALookAlike)
{
    // "¥500" beside "500" and "¢c" beside "￠c": the code page gives the first of
    // each pair the other's text (or none).
    EngineTempTree tree;
    tree.File("500\\01.jpg", "500");
    tree.File("￠c\\01.jpg", "wide cent");  // ￠c
    tree.WideFolder("", L"\u00A5500");
    tree.WideFile("", L"\u00A5500\\01.jpg", "yen");
    tree.WideFolder("", L"\u00A2c");
    tree.WideFile("", L"\u00A2c\\01.jpg", "cent");
    EngineTestOwner owner(true);
    EngineFind(owner, tree.Root());
    ASSERT_EQ(owner.RowCount(), 4u);
    for (auto& row : owner.Rows) {
        // The user swaps the checks: the fit look-alikes off, the unfit ones on.
        row->Checked = row->Result != "+圧縮できます";
    }
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, Removing());
    }
    for (auto& row : owner.Rows) {
        if (row->Checked) {
            EXPECT_EQ(row->Result, "!扱えないファイル名です") << row->Name;
        }
    }
    EXPECT_EQ(tree.Read("500\\01.jpg"), "500");
    EXPECT_EQ(tree.Read("￠c\\01.jpg"), "wide cent");
    EXPECT_FALSE(tree.IsFile("500.zip"));
    EXPECT_FALSE(tree.IsFile("￠c.zip"));
    EXPECT_EQ(tree.Names("").size(), 4u) << "nothing archived, nothing removed";
}

TEST(FolderSafety, RemovalGoesToTheRecycleBinOrDoesNotHappen)
{
    EngineTempTree tree;
    tree.Folder("volume");
    if (!tree.SmallVolume("volume", 1024)) GTEST_SKIP() << "no second volume here";
    tree.File("volume\\book\\01.jpg", "one");
    tree.File("volume\\book\\02.jpg", "two");
    EngineTestOwner owner(true);
    owner.Add(tree.Path("volume\\"), "book", true);
    {
        // A careless yes to whatever the shell asks.
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, Removing());
    }
    EngineExpectRow(owner, "book", false, FolderCompressState::Compressed,
                    "*圧縮成功: ただしごみ箱に移せないため削除しません", "book.zip");
    EXPECT_EQ(tree.Read("volume\\book\\02.jpg"), "two");
    EXPECT_TRUE(tree.IsFile("volume\\book.zip"));
}

TEST(FolderSafety, TheFolderRecycledIsTheFolderArchived)
{
    // While the library runs, the folder is swapped for a copy that looks the same
    // to every name, size and time: the copy is not what was archived.
    EngineTempTree tree;
    const std::string name = Unique("book");
    tree.File(name + "\\01.jpg", "one");
    EngineTestOwner owner(true);
    owner.Add(tree.Root(), name, true);
    const std::string hold = Unique("FennoroSafetyHold");
    HANDLE entered = CreateEventA(nullptr, TRUE, FALSE, (hold + ".entered").c_str());
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, (hold + ".release").c_str());
    EngineScript script;
    script.Set("FENNORO_FIXTURE_HOLD", hold);
    {
        EngineDialogAnswerer answerer(IDYES);
        TThreadFennoro worker(owner, ".zip", "", true, R"(a -r $Q -tzip "$A" "$D" *)", "Fixture",
                              "fixture_archiver.dll");
        ASSERT_TRUE(EngineWaitServingCalls(entered, 60000));
        ASSERT_TRUE(MoveFileW(tree.WidePath(name).c_str(), tree.WidePath(name + "-away").c_str()));
        tree.File(name + "\\01.jpg", "one");
        HANDLE from = CreateFileW(tree.WidePath(name + "-away\\01.jpg").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, 0, nullptr);
        HANDLE to = CreateFileW(tree.WidePath(name + "\\01.jpg").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                nullptr);
        FILETIME created, accessed, written;
        ASSERT_TRUE(GetFileTime(from, &created, &accessed, &written));
        ASSERT_TRUE(SetFileTime(to, &created, &accessed, &written));
        CloseHandle(from);
        CloseHandle(to);
        SetEvent(release);
        worker.WaitFor();
    }
    CloseHandle(entered);
    CloseHandle(release);
    EngineExpectRow(owner, name, false, FolderCompressState::Compressed, "*圧縮成功: ただしフォルダの削除に失敗",
                    name + ".zip");
    EXPECT_TRUE(tree.IsFile(name + "\\01.jpg"));
    EXPECT_TRUE(tree.IsFile(name + "-away\\01.jpg"));
}

TEST(FolderSafety, TwoWindowsNeverWorkOnOneFolderOrArchiveAtOnce)
{
    EngineTempTree tree;
    tree.File("book\\01.jpg", "one");
    EngineTestOwner owner(true);
    const std::string root = tree.Root().substr(0, tree.Root().size() - 1);
    const struct {
        const char* Name;
        std::string Held;
        bool Tree;  // the other window archives that folder (else: writes that archive)
    } cases[] = {
        {"the same folder", tree.Path("book"), true},
        {"the same archive", tree.Path("book.zip"), false},
        {"the folder holding it", root, true},
        {"a folder inside it", tree.Path("book\\inner"), true},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Name);
        owner.Add(tree.Root(), "book", true);
        // The other window: another thread of its own holds the path's lock.
        HANDLE taken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::thread other([&] {
            TPathLock lock;
            const std::wstring held = FileApiPath(test.Held);
            EXPECT_TRUE(test.Tree ? lock.TryLockTree(held) : lock.TryLock(held));
            SetEvent(taken);
            WaitForSingleObject(done, 60000);
        });
        WaitForSingleObject(taken, 60000);
        EngineCompress(owner, Removing());
        SetEvent(done);
        other.join();
        CloseHandle(taken);
        CloseHandle(done);
        EngineExpectRow(owner, "book", true, FolderCompressState::Untried, "!別のウィンドウで処理中です", "book");
        EXPECT_FALSE(tree.IsFile("book.zip"));
        EXPECT_EQ(tree.Read("book\\01.jpg"), "one");
        owner.Rows.clear();
    }
    // Once the other is done, the folder is this window's to archive.
    owner.Add(tree.Root(), "book", true);
    EngineCompress(owner);
    EngineExpectRow(owner, "book", false, FolderCompressState::Compressed, "*圧縮しました", "book.zip");
}

TEST(FolderSafety, AnArchivePathTakenAfterTheWalkFailsTheFolderWithoutTheCall)
{
    // Another program takes the archive's name between the checks and the call:
    // a library's "a" would add to whatever holds it then.
    EngineTempTree tree;
    tree.File("book\\01.jpg", "one");
    EngineTestOwner owner(true);
    owner.Add(tree.Root(), "book", true);
    EngineScript script;
    script.Set("FENNORO_FIXTURE_TAKE", tree.Path("book.zip"));
    script.Set("FENNORO_FIXTURE_LOG", tree.Path("calls.txt"));
    EngineCompress(owner, Removing());
    EngineExpectRow(owner, "book", true, FolderCompressState::Untried, "!書庫が既存します", "book.zip");
    EXPECT_EQ(tree.Read("calls.txt"), "running\n") << "the library was called";
    EXPECT_EQ(tree.Read("book.zip"), "taken");
    EXPECT_EQ(tree.Read("book\\01.jpg"), "one");
}
