// ComicInfo.xml in the archives F8 makes with the bundled zip library, read by
// readers no one here wrote (7z, unzip, xmllint, Python's XML parser).
#include "base/WideText.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "fixtures/SamplePages.h"
#include "win32/support/EngineDialogAnswerer.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/EngineTestOwner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Two PNG pages: a portrait one (30 x 40) and a spread (64 x 40).
const std::string PortraitPng(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x1e\x00\x00\x00\x28\x08\x00\x00"
    "\x00\x00\xcc\x78\x15\xce\x00\x00\x00\x12\x49\x44\x41\x54\x78\x9c\x63\x60\x18\x05\xa3\x60\x14\x8c\x82\xe1\x05"
    "\x00\x04\xd8\x00\x01\x5f\x45\x6a\x85\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    75);
const std::string SpreadPng(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x40\x00\x00\x00\x28\x08\x00\x00"
    "\x00\x00\x6b\xa5\xa3\x35\x00\x00\x00\x19\x49\x44\x41\x54\x78\x9c\xed\xc1\x81\x00\x00\x00\x00\xc3\xa0\xf9\x53"
    "\x1f\xe0\x0a\x55\x01\x00\xc0\x1b\x0a\x28\x00\x01\x71\x67\x93\xcc\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60"
    "\x82",
    82);

// Reads the document as a reader would and prints what the test compares:
// one line per element of <ComicInfo> ("name=value"), then one per page.
// Fails on a document a parser refuses, an element out of the schema's
// sequence, or a value not of the schema's type.
const char Checker[] = R"PY(
import sys, xml.etree.ElementTree as ET
order = ["Title","Series","Number","Count","Volume","AlternateSeries","AlternateNumber","AlternateCount",
 "Summary","Notes","Year","Month","Day","Writer","Penciller","Inker","Colorist","Letterer","CoverArtist",
 "Editor","Publisher","Imprint","Genre","Web","PageCount","LanguageISO","Format","BlackAndWhite","Manga",
 "Characters","Teams","Locations","ScanInformation","StoryArc","SeriesGroup","AgeRating","Pages","CommunityRating"]
ints = {"Count","Volume","AlternateCount","Year","Month","Day","PageCount"}
root = ET.parse(sys.argv[1]).getroot()
assert root.tag == "ComicInfo", root.tag
out = []
last = -1
for e in root:
    i = order.index(e.tag)
    assert i > last, "out of order: " + e.tag
    last = i
    if e.tag in ints: int(e.text)
    if e.tag == "Manga": assert e.text in ("Unknown","No","Yes","YesAndRightToLeft")
    if e.tag != "Pages": out.append(e.tag + "=" + (e.text or ""))
    else:
        for n, p in enumerate(e):
            assert p.tag == "Page" and int(p.get("Image")) == n
            assert set(p.keys()) <= {"Image","Type","DoublePage","ImageSize","Key","Bookmark","ImageWidth","ImageHeight"}
            assert p.get("DoublePage", "false") in ("true", "false")
            out.append("Page %s %s %s %s %s %s" % (p.get("Image"), p.get("Type", "-"), p.get("DoublePage", "-"),
                       int(p.get("ImageSize")), int(p.get("ImageWidth", "-1")), int(p.get("ImageHeight", "-1"))))
open(sys.argv[2], "w", encoding="utf-8").write("\n".join(out) + "\n")
)PY";

class ComicInfoArchive : public ::testing::Test {
protected:
    EngineTempTree Tree{"fennoro-comicinfo"};
    EngineTestOwner Owner;

    void Compress(const std::string& extension, TComicInfoMode mode, bool remove = false)
    {
        EngineCompressOptions options = EngineBundledProfile(extension);
        options.Extras.ComicInfo.Mode = mode;
        options.RemoveFolder = remove;
        options.Extras.RemovalConfirmed = remove;
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(Owner, options);
    }

    // The archive read by 7z and unzip, its ComicInfo.xml by xmllint and the
    // checker: the checker's lines, or "(unread)" when a reader refused it.
    std::string ReadBack(const std::string& archive)
    {
        if (!Probe(archive)) return "(unread)";
        Tree.File("check.py", Checker);
        const std::string seen = "seen-" + std::to_string(Reads++);
        if (!Tree.HostMake("rm -f info.xml lines.txt && 7z t probe.zip >/dev/null && unzip -tq probe.zip >/dev/null && "
                           "unzip -p probe.zip ComicInfo.xml > info.xml && "
                           "xmllint --noout info.xml && python3 check.py info.xml lines.txt && touch " + seen,
                           seen, ""))
            return "(unread)";
        return Tree.Read("lines.txt");
    }

    // The names the archive holds, one a line, as unzip lists them.
    std::string Listing(const std::string& archive)
    {
        const std::string seen = "listed-" + std::to_string(Reads++);
        if (!Probe(archive) || !Tree.HostMake("unzip -Z1 probe.zip > listing.txt && touch " + seen, seen, ""))
            return "(unread)";
        return Tree.Read("listing.txt");
    }

    // A copy under a name the host's shell takes as it is.
    bool Probe(const std::string& archive)
    {
        return CopyFileW(Tree.WidePath(archive).c_str(), Tree.WidePath("probe.zip").c_str(), FALSE) != 0;
    }

    int Reads = 0;
};

// Nothing of the written files is left in the temporary folder.
void ExpectNoTemporaryFolder()
{
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    WIN32_FIND_DATAW data;
    const std::wstring pattern = std::wstring(temp) + L"Fennoro-" + std::to_wstring(GetCurrentProcessId()) + L"-*";
    const HANDLE found = FindFirstFileW(pattern.c_str(), &data);
    EXPECT_EQ(found, INVALID_HANDLE_VALUE) << Utf8Text(data.cFileName);
    if (found != INVALID_HANDLE_VALUE) FindClose(found);
}

bool HostReaders(EngineTempTree& tree)
{
    return tree.HostMake("command -v 7z && command -v unzip && command -v xmllint && command -v python3 && touch tools",
                         "tools", "");
}

} // namespace

TEST_F(ComicInfoArchive, BooksOfEveryPageKindReadByOtherReaders)
{
    if (!HostReaders(Tree)) GTEST_SKIP() << "no host 7z, unzip, xmllint or python3 here";
    const std::string japanese = "ワンピース 第3巻";
    Tree.File(japanese + "\\01.jpg", SamplePages::Page("baseline.jpg"));
    Tree.File(japanese + "\\02.gif", SamplePages::Page("page.gif"));
    Tree.File(japanese + "\\03.bmp", SamplePages::Page("rle8.bmp"));
    Tree.File(japanese + "\\04.png", PortraitPng);
    const std::string latin = "Tom & Jerry's 😀 vol 02";
    Tree.File(latin + "\\p1.png", PortraitPng);
    Tree.File(latin + "\\p2.png", SpreadPng);
    Tree.File(latin + "\\p3.png", PortraitPng);
    Owner.Add(Tree.Root(), japanese, true);
    Owner.Add(Tree.Root(), latin, true);
    Compress(".cbz", TComicInfoMode::CbzOnly, true);
    EngineExpectRow(Owner, japanese, false, "*圧縮しました", japanese + ".cbz");
    EngineExpectRow(Owner, latin, false, "*圧縮しました", latin + ".cbz");
    // The file count took the written file in: the folders went.
    EXPECT_FALSE(Tree.IsFolder(japanese));
    EXPECT_FALSE(Tree.IsFolder(latin));
    EngineForgetRecycled(japanese);
    EngineForgetRecycled(latin);

    EXPECT_EQ(ReadBack(japanese + ".cbz"),
              "Title=ワンピース 第3巻\nSeries=ワンピース\nNumber=3\nVolume=3\nPageCount=4\nLanguageISO=ja\n"
              "Manga=YesAndRightToLeft\n"
              "Page 0 FrontCover - " + std::to_string(SamplePages::Page("baseline.jpg").size()) + " 250 190\n"
              "Page 1 - - " + std::to_string(SamplePages::Page("page.gif").size()) + " 160 120\n"
              "Page 2 - - " + std::to_string(SamplePages::Page("rle8.bmp").size()) + " 120 90\n"
              "Page 3 - - 75 30 40\n");
    EXPECT_EQ(ReadBack(latin + ".cbz"),
              "Title=Tom & Jerry's 😀 vol 02\nSeries=Tom & Jerry's 😀\nNumber=2\nVolume=2\nPageCount=3\n"
              "LanguageISO=ja\nManga=YesAndRightToLeft\n"
              "Page 0 FrontCover - 75 30 40\nPage 1 - true 82 64 40\nPage 2 - - 75 30 40\n");
    EXPECT_EQ(Listing(latin + ".cbz"), "p1.png\np2.png\np3.png\nComicInfo.xml\n");
    ExpectNoTemporaryFolder();
}

TEST_F(ComicInfoArchive, WithThePageCheckTheSizesComeFromItsReading)
{
    if (!HostReaders(Tree)) GTEST_SKIP() << "no host 7z, unzip, xmllint or python3 here";
    Tree.File("book\\01.png", PortraitPng);
    Tree.File("book\\02.png", SpreadPng);
    EngineFindOptions find;
    find.Extensions = ".png";
    find.VerifyImages = true;
    EngineFind(Owner, Tree.Root(), find);
    EngineExpectRow(Owner, "book", true, "+圧縮できます", "");
    EngineCompressOptions options = EngineBundledProfile(".cbz");
    options.Extras.PageCheck = TPageCheck::On;
    EngineCompress(Owner, options);
    EngineExpectRow(Owner, "book", false, "*圧縮しました", "book.cbz");
    EXPECT_EQ(ReadBack("book.cbz"), "Title=book\nPageCount=2\nLanguageISO=ja\nManga=YesAndRightToLeft\n"
                                    "Page 0 FrontCover - 75 30 40\nPage 1 - true 82 64 40\n");
}

TEST_F(ComicInfoArchive, AZipWithoutItIsTheArchiveOfBefore)
{
    if (!HostReaders(Tree)) GTEST_SKIP() << "no host 7z, unzip, xmllint or python3 here";
    // The same folder packed four ways: the .zip with the option at ".cbz only",
    // at none, and the .cbz at none are the same bytes; the .cbz with it holds
    // the same pages and the file besides.
    Tree.File("book\\01.jpg", SamplePages::Page("baseline.jpg"));
    Tree.File("book\\02.jpg", SamplePages::Page("progressive.jpg"));
    const auto pack = [&](const std::string& extension, TComicInfoMode mode) {
        Owner.Rows.clear();
        Owner.Add(Tree.Root(), "book", true);
        Compress(extension, mode);
        const std::string bytes = Tree.Read("book" + extension);
        EXPECT_FALSE(bytes.empty());
        EXPECT_TRUE(DeleteFileW(Tree.WidePath("book" + extension).c_str()));
        return bytes;
    };
    const std::string zip = pack(".zip", TComicInfoMode::CbzOnly);
    // Compared as a whole, not shown: the bytes would fill the log.
    EXPECT_TRUE(pack(".zip", TComicInfoMode::None) == zip);
    EXPECT_TRUE(pack(".cbz", TComicInfoMode::None) == zip);
    Owner.Rows.clear();
    Owner.Add(Tree.Root(), "book", true);
    Compress(".zip", TComicInfoMode::EveryFormat);
    EXPECT_EQ(Listing("book.zip"), "01.jpg\n02.jpg\nComicInfo.xml\n");
}

TEST_F(ComicInfoArchive, AFolderWithItsOwnIsFoundFitAndPackedAsItIs)
{
    if (!HostReaders(Tree)) GTEST_SKIP() << "no host 7z, unzip, xmllint or python3 here";
    const std::string own = "<?xml version=\"1.0\"?>\n<ComicInfo><Series>Downloaded</Series></ComicInfo>\n";
    Tree.File("own\\001.jpg", SamplePages::Page("baseline.jpg"));
    Tree.File("own\\002.jpg", SamplePages::Page("baseline.jpg"));
    Tree.File("own\\comicinfo.XML", own);
    Tree.File("broken\\001.jpg", SamplePages::Page("baseline.jpg"));
    Tree.File("broken\\ComicInfo.xml", "<ComicInfo><Series>x</ComicInfo>");
    Tree.File("deeper\\001.jpg", SamplePages::Page("baseline.jpg"));
    Tree.File("deeper\\sub\\ComicInfo.xml", own);
    Tree.File("only\\ComicInfo.xml", own);
    EngineFindOptions find;
    find.Recursive = true;
    EngineFind(Owner, Tree.Root(), find);
    EngineExpectRow(Owner, "own", true, "+圧縮できます", "");
    EngineExpectRow(Owner, "broken", false, "ComicInfo.xmlが正しいXMLではありません", "ComicInfo.xml");
    // Only the book's top holds its metadata.
    EngineExpectRow(Owner, "deeper", false, "許容外の拡張子です", "ComicInfo.xml");
    EXPECT_EQ(Owner.Row("only").Checked, false);

    Compress(".cbz", TComicInfoMode::EveryFormat, true);
    EngineExpectRow(Owner, "own", false, "*圧縮しました", "own.cbz");
    EngineForgetRecycled("own");
    EXPECT_EQ(Listing("own.cbz"), "001.jpg\n002.jpg\ncomicinfo.XML\n");
    const std::string seen = "own-read";
    ASSERT_TRUE(Probe("own.cbz") && Tree.HostMake("unzip -p probe.zip comicinfo.XML > own.xml && touch " + seen, seen, ""));
    EXPECT_EQ(Tree.Read("own.xml"), own);
}

TEST_F(ComicInfoArchive, ANameXmlCannotCarryKeepsTheFolder)
{
    // U+FFFF is a name NTFS keeps, and no XML 1.0 character.
    Tree.WideFolder("", L"book\xFFFF");
    const std::string name = Utf8Text(L"book\xFFFF");
    Tree.File(name + "\\01.jpg", SamplePages::Page("baseline.jpg"));
    Owner.Add(Tree.Root(), name, true);
    Compress(".cbz", TComicInfoMode::CbzOnly);
    EngineExpectRow(Owner, name, true, "!ComicInfo.xmlに書けない文字があります", name);
    EXPECT_FALSE(Tree.IsFile(name + ".cbz"));
    ExpectNoTemporaryFolder();
}
