// Numbers that only lack zeros, renamed on disk: all or nothing.
#include "engine/win32/PageRenumbering.h"

#include "base/WideText.h"
#include "toolkit/ScopedHandle.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/EngineTestOwner.h"

#include <gtest/gtest.h>

namespace {

TRenumberRules Rules()
{
    TRenumberRules rules;
    rules.AllowedExtensions = {".jpg", ".png", ".gif"};
    rules.Ignored = TIgnoredNames(DefaultIgnoredFiles);
    return rules;
}

// The folder as the find judged it: its row.
FolderRow Found(const EngineTempTree& tree, const std::string& folder, bool recursive = false)
{
    EngineTestOwner owner;
    EngineFindOptions options;
    options.Recursive = recursive;
    options.IgnoredFiles = DefaultIgnoredFiles;
    EngineFind(owner, tree.Root(), options);
    return owner.Row(folder);
}

std::vector<std::wstring> Wide(std::initializer_list<const char*> names)
{
    std::vector<std::wstring> wide;
    for (const char* name : names) wide.push_back(WideText(name));
    return wide;
}

} // namespace

TEST(PageRenumbering, RenamesEveryPageToOneWidth)
{
    EngineTempTree tree("fennoro-renumber");
    for (int n = 1; n <= 10; ++n) tree.File("book\\" + std::to_string(n) + ".jpg", "page " + std::to_string(n));
    tree.File("book\\Thumbs.db", "cache");
    const FolderRow row = Found(tree, "book");
    EXPECT_EQ(row.Result, "ファイルは連番形式ではありません");
    ASSERT_TRUE(IsNumberingVerdict(row.Result));

    ASSERT_NE(row.ListingDigest, 0u);
    const TRenumberOutcome outcome = RenumberPages(tree.Path("book"), Rules(), row.Result, row.Remark, row.ListingDigest);
    EXPECT_TRUE(outcome.Renamed) << outcome.Problem;
    EXPECT_EQ(outcome.Renames.size(), 9u);
    EXPECT_EQ(tree.Names("book"), Wide({"01.jpg", "02.jpg", "03.jpg", "04.jpg", "05.jpg", "06.jpg", "07.jpg", "08.jpg",
                                        "09.jpg", "10.jpg", "Thumbs.db"}));
    EXPECT_EQ(tree.Read("book\\05.jpg"), "page 5");
    EXPECT_EQ(Found(tree, "book").Result, "+圧縮できます") << "the find agrees";
    // Again: the listing is not the one found.
    EXPECT_EQ(RenumberPages(tree.Path("book"), Rules(), row.Result, row.Remark, row.ListingDigest).Problem,
              "フォルダが検索後に変更されています");
}

TEST(PageRenumbering, AFailureMidwayPutsBackThoseDone)
{
    EngineTempTree tree("fennoro-renumber");
    for (int n = 1; n <= 10; ++n) tree.File("book\\" + std::to_string(n) + ".jpg");
    const FolderRow row = Found(tree, "book");
    const auto before = tree.Names("book");
    TRenumberOutcome outcome;
    {
        // Open elsewhere, without leave to rename it.
        ScopedHandle open(CreateFileW(tree.WidePath("book\\5.jpg").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        ASSERT_NE(open.get(), INVALID_HANDLE_VALUE);
        outcome = RenumberPages(tree.Path("book"), Rules(), row.Result, row.Remark);
    }
    EXPECT_FALSE(outcome.Renamed);
    EXPECT_NE(outcome.Problem.find("5.jpg"), std::string::npos) << outcome.Problem;
    EXPECT_TRUE(outcome.Renames.empty());
    EXPECT_EQ(tree.Names("book"), before) << "every name as it was";
}

TEST(PageRenumbering, RefusedAndNothingRenamed)
{
    EngineTempTree tree("fennoro-renumber");
    for (int n = 1; n <= 3; ++n) tree.File("changed\\" + std::to_string(n) + ".jpg");
    tree.File("changed\\10.jpg");
    tree.File("collide\\1.jpg");
    tree.File("collide\\01.jpg");
    tree.File("collide\\10.jpg");
    tree.File("sub\\1.jpg");
    tree.File("sub\\10.jpg");
    tree.File("sub\\extra\\01.jpg");
    const FolderRow changed = Found(tree, "changed");
    const FolderRow collide = Found(tree, "collide");
    const FolderRow sub = Found(tree, "sub", true);
    tree.File("changed\\4.jpg");  // the verdict stays the same: the listing tells
    const struct {
        const char* Folder;
        const FolderRow& Row;
        const char* Problem;
    } cases[] = {
        {"changed", changed, "フォルダが検索後に変更されています"},
        {"collide", collide, "同じ名前になるファイルがあります: "},
        {"sub", sub, "サブディレクトリが存在します"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Folder);
        const auto before = tree.Names(c.Folder);
        const TRenumberOutcome outcome =
            RenumberPages(tree.Path(c.Folder), Rules(), c.Row.Result, c.Row.Remark, c.Row.ListingDigest);
        EXPECT_FALSE(outcome.Renamed);
        EXPECT_EQ(outcome.Problem.rfind(c.Problem, 0), 0u) << outcome.Problem;
        EXPECT_EQ(tree.Names(c.Folder), before);
    }
}

TEST(PageRenumbering, NamesOutsideTheAnsiCodePage)
{
    EngineTempTree tree("fennoro-renumber");
    tree.Folder("book");
    for (int n = 1; n <= 10; ++n) tree.WideFile("book", L"\xD55C" + std::to_wstring(n) + L".jpg", "page");
    const FolderRow row = Found(tree, "book");
    const TRenumberOutcome outcome = RenumberPages(tree.Path("book"), Rules(), row.Result, row.Remark);
    EXPECT_TRUE(outcome.Renamed) << outcome.Problem;
    const auto names = tree.Names("book");
    ASSERT_EQ(names.size(), 10u);
    EXPECT_EQ(names.front(), L"\xD55C" L"01.jpg");
    EXPECT_EQ(names.back(), L"\xD55C" L"10.jpg");
}
