// The page check again at F8: the pages the find found whole are read again
// right before the archiver call unless the file is provably the same and
// unchanged (identity, size, write and change time); a damaged page keeps the
// folder, a page found twice does not.
#include "engine/win32/PageRecheck.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "tests/fixtures/SamplePages.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/EngineTestOwner.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const std::string Page = SamplePages::Page("progressive.jpg");

// The page with zeros in its compressed data: only the deep check sees it.
std::string Zeroed()
{
    std::string damaged = Page;
    std::fill(damaged.begin() + damaged.size() / 2, damaged.begin() + damaged.size() / 2 + 1024, '\0');
    return damaged;
}

FILETIME LastWrite(const EngineTempTree& tree, const std::string& relative)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(GetFileAttributesExW(tree.WidePath(relative).c_str(), GetFileExInfoStandard, &data)) << relative;
    return data.ftLastWriteTime;
}

void SetLastWrite(const EngineTempTree& tree, const std::string& relative, FILETIME time)
{
    HANDLE file = CreateFileW(tree.WidePath(relative).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << relative;
    EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &time));
    CloseHandle(file);
}

FILETIME SecondLater(FILETIME time)
{
    ULARGE_INTEGER value{{time.dwLowDateTime, time.dwHighDateTime}};
    value.QuadPart += 10'000'000;
    return {value.LowPart, value.HighPart};
}

// Changes made to a page between the find and F8.
using TChange = std::function<void(const EngineTempTree&, const std::string&)>;

void CutInHalf(const EngineTempTree& tree, const std::string& page) { tree.File(page, Page.substr(0, Page.size() / 2)); }

// Same size, written in place; the time moved on, or given back as it was.
void ZeroedInPlace(const EngineTempTree& tree, const std::string& page, bool sameTime)
{
    const FILETIME before = LastWrite(tree, page);
    tree.File(page, Zeroed());
    SetLastWrite(tree, page, sameTime ? before : SecondLater(before));
}

// The page deleted, then written anew with the same size and its old time: the
// file system may hand the freed index out again (ext4 does).
void WrittenAnew(const EngineTempTree& tree, const std::string& page)
{
    const FILETIME before = LastWrite(tree, page);
    ASSERT_TRUE(DeleteFileW(tree.WidePath(page).c_str()));
    tree.File(page, Zeroed());
    SetLastWrite(tree, page, before);
}

// Another file with the same size and time takes the page's name.
void Replaced(const EngineTempTree& tree, const std::string& page)
{
    const FILETIME before = LastWrite(tree, page);
    tree.File(page + ".new", Zeroed());
    SetLastWrite(tree, page + ".new", before);
    ASSERT_TRUE(MoveFileExW(tree.WidePath(page + ".new").c_str(), tree.WidePath(page).c_str(), MOVEFILE_REPLACE_EXISTING));
}

void CheckByHand(EngineTestOwner& owner, const std::string& name)
{
    for (auto& row : owner.Rows) {
        if (row->Name == name) row->Checked = true;
    }
}

// What the remark says of a page cut in half, and of this page zeroed in place.
const char* const Cut = "途中で切れています";
const char* const Zeroed3743 = "3743 バイト目付近のデータが壊れています";

} // namespace

TEST(PageRecheck, F8ReadsAgainEveryPageTheFindDidNotProveUnchanged)
{
    struct TCase {
        const char* Folder;
        const char* Page;         // inside the folder
        bool DamagedAtFind;       // cut in half before the find, then checked by hand
        TChange Change;           // between the find and F8
        bool Archived;
        const char* Fault = "";  // the remark's words after the page's name, when refused
    };
    const TCase cases[] = {
        {"unchanged", "p02.jpg", false, nullptr, true},
        {"cut", "p02.jpg", false, CutInHalf, false, Cut},
        {"touched", "p02.jpg", false, [](auto& tree, auto& page) { ZeroedInPlace(tree, page, false); }, false, Zeroed3743},
        // The write time given back: the change time still shows it.
        {"restored", "p02.jpg", false, [](auto& tree, auto& page) { ZeroedInPlace(tree, page, true); }, false, Zeroed3743},
        {"nested", "in\\p01.jpg", false, [](auto& tree, auto& page) { ZeroedInPlace(tree, page, true); }, false, Zeroed3743},
        {"anew", "p02.jpg", false, WrittenAnew, false, Zeroed3743},
        {"replaced", "p02.jpg", false, Replaced, false, Zeroed3743},
        {"hand-checked", "p02.jpg", true, nullptr, false, Cut},
        {"repaired", "p02.jpg", true, [](auto& tree, auto& page) { tree.File(page, Page); }, true},
    };
    EngineTempTree tree;
    for (const TCase& c : cases) {
        const std::string folder = std::string(c.Folder) + "\\";
        for (const char* page : {"p01.jpg", "p02.jpg", "p03.jpg", "in\\p01.jpg"}) {
            if (page[0] != 'i' || std::string(c.Page).starts_with("in\\")) tree.File(folder + page, Page);
        }
        if (c.DamagedAtFind) CutInHalf(tree, folder + c.Page);
    }
    EngineTestOwner owner;
    EngineFindOptions find;
    find.Recursive = find.VerifyImages = find.DeepImages = true;
    EngineFind(owner, tree.Root(), find);
    for (const TCase& c : cases) {
        const std::string page = std::string(c.Folder) + "\\" + c.Page;
        if (c.DamagedAtFind) {
            EngineExpectRow(owner, c.Folder, false, "破損した画像があります", std::string("p02.jpg ") + Cut);
            CheckByHand(owner, c.Folder);
        } else {
            // Every book holds one page three times: held back, and let go by hand.
            EngineExpectRow(owner, c.Folder, false, "重複したページがあります", "p01.jpg p02.jpg");
            CheckByHand(owner, c.Folder);
        }
        if (c.Change) c.Change(tree, page);
    }

    EngineCompressOptions compress;
    compress.Extras.PageCheck = TPageCheck::Deep;
    EngineCompress(owner, compress);
    for (const TCase& c : cases) {
        const std::string archive = std::string(c.Folder) + ".zip";
        if (c.Archived) {
            EngineExpectRow(owner, c.Folder, false, "*圧縮しました", archive);
        } else {
            const std::string name = std::string(c.Page).substr(std::string(c.Page).rfind('\\') + 1);
            EngineExpectRow(owner, c.Folder, true, FolderCompressState::Untried, "!破損した画像があります",
                            name + " " + c.Fault);
        }
        EXPECT_EQ(tree.IsFile(archive), c.Archived) << c.Folder;
    }
}

// A stamp spares a page its second read only on a volume that keeps a file's
// index to that file: a volume without a serial (here a Wine tmpfs) gets every
// page read again.
TEST(PageRecheck, OnlyAVolumeWithStableIndexesLetsAStampSpareTheRead)
{
    EngineTempTree tree;
    tree.Folder("small");
    const bool small = tree.SmallVolume("small", 1024);
    struct TCase {
        const char* Folder;
        size_t ReadAgain;
    };
    std::vector<TCase> cases{{"disk\\book", 0}};
    if (small) cases.push_back({"small\\book", 3});
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Folder);
        for (const char* page : {"\\p01.jpg", "\\p02.jpg", "\\p03.jpg"}) tree.File(c.Folder + std::string(page), Page);
        const std::wstring wide = tree.WidePath(c.Folder);
        const auto identity = IdentityOfPath(wide);
        ASSERT_TRUE(identity);
        TFolderTree walked;
        ASSERT_FALSE(WalkFolderTree({tree.Path(c.Folder), wide, {}, nullptr, nullptr}, walked));
        const auto stamps =
            StampListedPages(walked, [](const std::string&) { return true; }, TCheckDepth::Quick, identity->Volume);
        EXPECT_EQ(PagesToRecheck(walked, stamps.get(), identity->Volume, TCheckDepth::Quick).Files.size(), c.ReadAgain);
        EXPECT_EQ(PagesToRecheck(walked, nullptr, identity->Volume, TCheckDepth::Quick).Files.size(), 3u);
    }
    if (!small) GTEST_SKIP() << "no volume without a serial here";
}

// A stamp proves a page whole only at the level it was read at: a quick find, or
// none, leaves a deep F8 to read every page.
TEST(PageRecheck, AStampFromAShallowerFindProvesNothing)
{
    for (const TPageCheck level : {TPageCheck::Off, TPageCheck::On}) {
        EngineTempTree tree;
        tree.File("book\\p01.jpg", Page);
        tree.File("book\\p02.jpg", Page);
        EngineTestOwner owner;
        EngineFindOptions find;
        find.VerifyImages = level != TPageCheck::Off;
        EngineFind(owner, tree.Root(), find);
        EngineExpectRow(owner, "book", true, "+圧縮できます", "");
        ZeroedInPlace(tree, "book\\p02.jpg", true);

        EngineCompressOptions compress;
        compress.Extras.PageCheck = TPageCheck::Deep;
        EngineCompress(owner, compress);
        EngineExpectRow(owner, "book", true, "!破損した画像があります", std::string("p02.jpg ") + Zeroed3743);
        EXPECT_FALSE(tree.IsFile("book.zip"));
    }
}

TEST(PageRecheck, AStopWhileThePagesAreReadKeepsTheFolder)
{
    EngineTempTree tree;
    tree.File("book\\p01.jpg", Page);
    tree.File("book\\p02.jpg", Page);
    EngineTestOwner owner;
    owner.Add(tree.Root(), "book", true);  // no stamps: every page is read
    TThreadFennoro* running = nullptr;
    owner.OnStatus = [&](const std::string& text) {
        if (text == "圧縮中: book" && running) running->RequestStop();
    };
    EngineCompressOptions compress;
    compress.Extras.PageCheck = TPageCheck::On;
    EngineCompress(owner, compress, &running);
    EngineExpectRow(owner, "book", true, "!中断されました", "");
    EXPECT_FALSE(tree.IsFile("book.zip"));
}
