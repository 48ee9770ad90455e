// A whole library in one find: book folders at any depth, the files a system
// leaves behind, remarks that say where. Through the worker, on real trees.
#include "base/IgnoredNames.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "win32/support/EngineDialogAnswerer.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/EngineTestOwner.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

void Book(const EngineTempTree& tree, const std::string& folder, int pages = 2)
{
    for (int page = 1; page <= pages; ++page) tree.File(folder + "\\0" + std::to_string(page) + ".jpg", "page");
}

std::vector<std::string> Captions(const EngineTestOwner& owner)
{
    std::vector<std::string> captions;
    for (const auto& row : owner.Rows) captions.push_back(RowCaption(*row));
    std::sort(captions.begin(), captions.end());
    return captions;
}

EngineFindOptions InTree()
{
    EngineFindOptions options;
    options.InTree = true;
    options.IgnoredFiles = DefaultIgnoredFiles;
    return options;
}

} // namespace

TEST(LibraryFind, BookFoldersAtAnyDepthEachGetARow)
{
    EngineTempTree tree("fennoro-library");
    Book(tree, "単行本");
    Book(tree, "作者\\シリーズ\\第01巻");
    Book(tree, "作者\\シリーズ\\第02巻");
    Book(tree, "作者\\短編集");                // mixed levels: a book beside a series
    tree.Folder("作者\\シリーズ\\空の巻");    // empty, below a folder of books: no row
    tree.Folder("空の作者\\空のシリーズ\\x"); // only empty folders: no book at all
    tree.File("作者\\desktop.ini", "icon");   // left by the system: still a folder of books
    Book(tree, "雑多\\本");
    tree.File("雑多\\readme.txt");            // a stray file: a row, judged as today
    tree.Folder("空");                        // empty, directly below the root: as today

    EngineTestOwner owner;
    EngineFind(owner, tree.Root(), InTree());
    EXPECT_EQ(Captions(owner), (std::vector<std::string>{"作者\\シリーズ\\第01巻", "作者\\シリーズ\\第02巻",
                                                          "作者\\短編集", "単行本", "空", "雑多"}));
    EngineExpectRow(owner, "作者\\シリーズ\\第01巻", true, "+圧縮できます", "");
    EngineExpectRow(owner, "作者\\短編集", true, "+圧縮できます", "");
    EngineExpectRow(owner, "雑多", false, "許容外の拡張子です", "readme.txt");
    EngineExpectRow(owner, "空", false, "空のフォルダです", tree.Path("空"));
    const FolderRow& volume = owner.Row("作者\\シリーズ\\第01巻");
    EXPECT_EQ(volume.Name, "第01巻");
    EXPECT_EQ(volume.Location, "作者\\シリーズ\\");
    EXPECT_EQ(volume.ParentPath, tree.Path("作者\\シリーズ\\"));
    EXPECT_EQ(owner.Statuses.back(), "検索が終了しました");

    // Off: the first level only, as the find always did.
    EngineFindOptions flat = InTree();
    flat.InTree = false;
    EngineTestOwner before;
    EngineFind(before, tree.Root(), flat);
    EXPECT_EQ(Captions(before), (std::vector<std::string>{"作者", "単行本", "空", "空の作者", "雑多"}));
    EngineExpectRow(before, "作者", false, "サブディレクトリが存在します", before.Row("作者").Remark);

    // With recursion, a folder holding files and folders is one book, its tree judged whole.
    flat.Recursive = true;
    EngineFindOptions recursive = InTree();
    recursive.Recursive = true;
    tree.File("作者\\シリーズ\\第01巻\\おまけ\\01.jpg", "page");
    EngineTestOwner deep;
    EngineFind(deep, tree.Root(), recursive);
    EngineExpectRow(deep, "作者\\シリーズ\\第01巻", true, "+圧縮できます", "");
}

TEST(LibraryFind, LinksAreRowsNeverFollowed)
{
    EngineTempTree tree("fennoro-library");
    Book(tree, "outside\\本");
    Book(tree, "作者\\本");
    if (!tree.FolderLink("作者\\link", tree.Path("outside"))) GTEST_SKIP() << "no links here";
    EngineTestOwner owner;
    EngineFind(owner, tree.Root(), InTree());
    EngineExpectRow(owner, "作者\\link", false, "扱えないファイル名です", "link");
    EXPECT_EQ(std::count_if(owner.Rows.begin(), owner.Rows.end(), [](const auto& row) { return row->Name == "本"; }), 2)
        << "the book behind the link is found once, where it is";
}

TEST(LibraryFind, ThreeHundredLevelsDeepWithoutRecursion)
{
    EngineTempTree tree("fennoro-library");
    std::string location;
    for (int level = 0; level < 300; ++level) location += "d\\";
    Book(tree, location + "book");
    EngineTestOwner owner;
    EngineFind(owner, tree.Root(), InTree());
    ASSERT_EQ(owner.RowCount(), 1u);
    EngineExpectRow(owner, location + "book", true, "+圧縮できます", "");
    EXPECT_EQ(owner.Rows[0]->ParentPath, tree.Root() + location);
}

TEST(LibraryFind, ArchivesLandBesideTheBookAndFoldersOfBooksStay)
{
    EngineTempTree tree("fennoro-library");
    Book(tree, "作者\\シリーズ\\第01巻");
    Book(tree, "作者\\シリーズ\\第02巻");
    EngineTestOwner owner(true);
    EngineFindOptions options = InTree();
    options.ArchiveExtension = ".zip";
    options.ArchiveExtensions = {".zip", ".7z"};
    tree.File("作者\\シリーズ\\第02巻.zip", "made before");
    tree.File("作者\\第00巻.7z", "made before");
    tree.File("済\\シリーズ\\第01巻.zip", "made before");  // every book archived: no row
    EngineFind(owner, tree.Root(), options);
    EXPECT_EQ(Captions(owner), (std::vector<std::string>{"作者\\シリーズ\\第01巻", "作者\\シリーズ\\第02巻"}));
    EngineExpectRow(owner, "作者\\シリーズ\\第02巻", false, "書庫が既に存在します", "第02巻.zip");

    EngineCompressOptions compress = EngineBundledProfile(".zip");
    compress.RemoveFolder = true;
    const std::string record = tree.Path("record.csv");
    compress.Extras.LogPath = record;
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, compress);
    }
    EngineExpectRow(owner, "作者\\シリーズ\\第01巻", false, FolderCompressState::Compressed, "*圧縮しました", "第01巻.zip");
    EXPECT_TRUE(tree.IsFile("作者\\シリーズ\\第01巻.zip"));
    EXPECT_FALSE(tree.IsFolder("作者\\シリーズ\\第01巻"));
    EXPECT_TRUE(tree.IsFolder("作者\\シリーズ")) << "a folder of books is never recycled";
    const std::string text = tree.Read("record.csv");
    EXPECT_NE(text.find(tree.Path("作者\\シリーズ\\第01巻")), std::string::npos) << "the record names the whole path";
    EngineForgetRecycled("第01巻");
}

TEST(LibraryFind, RemarksNameFilesBelowTheRowByTheirPath)
{
    EngineTempTree tree("fennoro-library");
    tree.File("作者\\ねこまみれ\\第04巻\\027.jpg");
    tree.File("作者\\ねこまみれ\\第04巻\\028.txt");
    tree.File("作者2\\巻\\01.jpg");
    tree.File("作者2\\巻\\03.jpg");
    EngineFindOptions options;
    options.Recursive = true;
    EngineTestOwner owner;
    EngineFind(owner, tree.Root(), options);
    EngineExpectRow(owner, "作者", false, "許容外の拡張子です", "ねこまみれ\\第04巻\\028.txt");
    EngineExpectRow(owner, "作者2", false, "連番になっていません", "巻\\01.jpg 03.jpg");
}

// Each default name, in any case, fails nothing and is no page.
TEST(LeftOverFiles, EachDefaultNameIsNoPage)
{
    EngineTempTree tree("fennoro-leftover");
    const struct {
        const char* Folder;
        const char* Entry;
        bool IsFolder;
    } cases[] = {
        {"thumbs", "Thumbs.db", false},     {"thumbsupper", "THUMBS.DB", false}, {"ehthumbs", "ehthumbs.db", false},
        {"desktop", "desktop.ini", false},  {"dsstore", ".DS_Store", false},     {"appledouble", "._01.jpg", false},
        {"macosx", "__MACOSX", true},       {"picasa", ".picasa.ini", false},
    };
    for (const auto& c : cases) {
        Book(tree, c.Folder);
        if (c.IsFolder) {
            tree.File(std::string(c.Folder) + "\\" + c.Entry + "\\._01.jpg", "fork");
        } else {
            tree.File(std::string(c.Folder) + "\\" + c.Entry, "cache", FILE_ATTRIBUTE_HIDDEN);
        }
    }
    tree.File("onlyleft\\Thumbs.db", "cache");
    tree.File("onlyleft\\._01.jpg", "fork");
    tree.File("__MACOSX\\book\\._01.jpg", "fork");  // directly below the root: no book

    EngineTestOwner owner;
    EngineFindOptions options;
    options.IgnoredFiles = DefaultIgnoredFiles;
    EngineFind(owner, tree.Root(), options);
    for (const auto& c : cases) EngineExpectRow(owner, c.Folder, true, "+圧縮できます", "");
    EngineExpectRow(owner, "onlyleft", false, "空のフォルダです", tree.Path("onlyleft"));
    EXPECT_EQ(owner.RowCount(), std::size(cases) + 1);

    // No list: each is judged as any file (and folder) is.
    EngineTestOwner strict;
    EngineFind(strict, tree.Root());
    EngineExpectRow(strict, "thumbs", false, "許容外の拡張子です", "Thumbs.db");
    EngineExpectRow(strict, "macosx", false, "サブディレクトリが存在します", "__MACOSX");
}

TEST(LeftOverFiles, WildcardsInTheList)
{
    EngineTempTree tree("fennoro-leftover");
    const struct {
        const char* Entry;
        bool Left;
    } cases[] = {
        {"a.tmp", true}, {"B.TMP", true}, {"scan12.log", true}, {"scan123.log", false}, {"scan1.log", false},
        {"ノート.txt", true},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string folder = "f" + std::to_string(n++);
        Book(tree, folder);
        tree.File(folder + "\\" + c.Entry);
    }
    EngineTestOwner owner;
    EngineFindOptions options;
    options.IgnoredFiles = "*.tmp; scan??.log;ノー?.txt";
    EngineFind(owner, tree.Root(), options);
    n = 0;
    for (const auto& c : cases) {
        const std::string folder = "f" + std::to_string(n++);
        SCOPED_TRACE(c.Entry);
        if (c.Left) {
            EngineExpectRow(owner, folder, true, "+圧縮できます", "");
        } else {
            EngineExpectRow(owner, folder, false, "許容外の拡張子です", c.Entry);
        }
    }
}

TEST(LeftOverFiles, ArchivedWithoutThemRecycledWithTheFolder)
{
    EngineTempTree tree("fennoro-leftover");
    const std::string book = "book-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
    Book(tree, book, 3);
    tree.File(book + "\\Thumbs.db", "cache", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    tree.File(book + "\\._01.jpg", "fork");
    tree.File(book + "\\__MACOSX\\._02.jpg", "fork");
    EngineFindOptions find;
    find.IgnoredFiles = DefaultIgnoredFiles;
    EngineTestOwner owner(true);
    EngineFind(owner, tree.Root(), find);
    EngineExpectRow(owner, book, true, "+圧縮できます", "");

    EngineCompressOptions compress = EngineBundledProfile(".zip");
    compress.RemoveFolder = true;
    compress.Extras.IgnoredFiles = DefaultIgnoredFiles;
    compress.Extras.LogPath = tree.Path("record.csv");
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, compress);
    }
    EngineExpectRow(owner, book, false, FolderCompressState::Compressed, "*圧縮しました", book + ".zip");
    EXPECT_FALSE(tree.IsFolder(book)) << "recycled, left-out files and all";
    const std::string bin = EngineRecycleBinFiles();
    if (!bin.empty()) {
        EXPECT_NE(GetFileAttributesA((bin + book + "\\Thumbs.db").c_str()), INVALID_FILE_ATTRIBUTES);
    }
    const std::string record = tree.Read("record.csv");
    EXPECT_NE(record.find("除外: "), std::string::npos) << record;
    EXPECT_NE(record.find("Thumbs.db"), std::string::npos) << record;
    EXPECT_NE(record.find("__MACOSX"), std::string::npos) << record;

    // Readers no one here wrote see the pages and nothing else.
    const std::string zip = book + ".zip";
    if (!tree.HostMake("7z t '" + zip + "' >/dev/null && unzip -l '" + zip + "' > listing && touch read", "read", "")) {
        EngineForgetRecycled(book);
        GTEST_SKIP() << "no host 7z or unzip here";
    }
    const std::string listing = tree.Read("listing");
    for (const char* page : {"01.jpg", "02.jpg", "03.jpg"}) EXPECT_NE(listing.find(page), std::string::npos) << listing;
    for (const char* left : {"Thumbs.db", "._01.jpg", "__MACOSX"}) EXPECT_EQ(listing.find(left), std::string::npos) << listing;
    EXPECT_NE(listing.find("3 files"), std::string::npos) << listing;
    EngineForgetRecycled(book);
}

TEST(LeftOverFiles, OneChangedDuringPackingKeepsTheFolder)
{
    EngineTempTree tree("fennoro-leftover");
    Book(tree, "book");
    tree.File("book\\Thumbs.db", "cache");
    EngineTestOwner owner(true);
    owner.Add(tree.Root(), "book", true);
    EngineScript script;
    // The system rewrites its cache while the archiver runs.
    script.Set("FENNORO_FIXTURE_ADD", tree.Path("book\\Thumbs.db"));
    EngineCompressOptions options;
    options.RemoveFolder = true;
    options.Extras.IgnoredFiles = DefaultIgnoredFiles;
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, options);
    }
    EngineExpectRow(owner, "book", false, FolderCompressState::Compressed,
                    "*圧縮成功: ただし圧縮中にフォルダが変更されたため削除しません", "book.zip");
    EXPECT_TRUE(tree.IsFile("book\\01.jpg"));
}
