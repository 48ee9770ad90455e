// F8 judges the content rules again on what its own safety walk lists: a folder
// changed since the find gets the verdict the find would give now and is neither
// archived nor recycled; a row checked by hand over a content verdict is the
// user's choice and is archived.
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/EngineTestOwner.h"

#include <gtest/gtest.h>

#include <functional>

TEST(CompressContentRules, AFolderChangedSinceTheFindGetsTheFindsVerdictNow)
{
    const struct {
        const char* Change;
        bool Recursive;
        std::function<void(EngineTempTree&)> Meanwhile;
        const char* Result;
        std::string Remark;  // after the root
    } cases[] = {
        {"another window archived its sub-folder", true,
         [](EngineTempTree& tree) {
             tree.File("book\\sub.7z", "an archive");
             DeleteFileW(tree.WidePath("book\\sub\\01.jpg").c_str());
             RemoveDirectoryW(tree.WidePath("book\\sub").c_str());
         },
         "許容外の拡張子です", "sub.7z"},
        {"a page out of sequence was saved", false, [](EngineTempTree& tree) { tree.File("book\\05.jpg", "5"); },
         "連番になっていません", "02.jpg 05.jpg"},
        {"a sub-folder appeared", false, [](EngineTempTree& tree) { tree.File("book\\new\\01.jpg", "1"); },
         "サブディレクトリが存在します", "new"},
        {"its pages went", false,
         [](EngineTempTree& tree) {
             for (const char* page : {"book\\01.jpg", "book\\02.jpg"}) DeleteFileW(tree.WidePath(page).c_str());
         },
         "空のフォルダです", "\\book"},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.Change);
        EngineTempTree tree("fennoro-content");
        tree.File("book\\01.jpg", "1");
        tree.File("book\\02.jpg", "2");
        if (test.Recursive) tree.File("book\\sub\\01.jpg", "1");
        EngineTestOwner owner;
        EngineFindOptions find;
        find.Recursive = test.Recursive;
        EngineFind(owner, tree.Root(), find);
        EngineExpectRow(owner, "book", true, "+圧縮できます", "");
        test.Meanwhile(tree);

        EngineCompressOptions compress;
        compress.RemoveFolder = true;
        compress.Extras.RemovalConfirmed = true;
        compress.Extras.Content = TContentRules{{".jpg", ".png", ".gif"}, test.Recursive, true, false};
        EngineCompress(owner, compress);
        const std::string remark = test.Remark[0] == '\\' ? tree.Root() + test.Remark.substr(1) : test.Remark;
        EngineExpectRow(owner, "book", false, FolderCompressState::Untried, test.Result, remark);
        EXPECT_FALSE(tree.IsFile("book.zip"));
        EXPECT_TRUE(tree.IsFolder("book"));
    }
}

TEST(CompressContentRules, ARowCheckedByHandOverAContentVerdictIsArchived)
{
    EngineTempTree tree("fennoro-content");
    tree.File("book\\01.jpg", "1");
    tree.File("book\\notes.txt", "the user's own");
    EngineTestOwner owner;
    EngineFind(owner, tree.Root());
    EngineExpectRow(owner, "book", false, "許容外の拡張子です", "notes.txt");
    owner.Rows.front()->Checked = true;

    EngineCompressOptions compress;
    compress.Extras.Content = TContentRules{{".jpg"}, false, true, false};
    EngineCompress(owner, compress);
    EXPECT_EQ(owner.Row("book").Result, "*圧縮しました");
    EXPECT_TRUE(tree.IsFile("book.zip"));
}
