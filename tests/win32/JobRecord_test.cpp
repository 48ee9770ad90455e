// The find's verdict on an archive already beside a folder, .jpeg pages, and the
// compress job's record and its removal without a question per folder.
#include "engine/win32/ExistingArchive.h"
#include "tests/fixtures/SamplePages.h"
#include "win32/support/EngineDialogAnswerer.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

} // namespace

TEST(JobRecord, TheFindUnchecksAFitFolderWhoseArchiveIsBesideIt)
{
    EngineTempTree tree;
    tree.File("done\\01.jpg", "1");
    tree.File("done.zip", "an earlier archive");
    tree.File("open\\01.jpg", "1");
    tree.File("open.7z", "another format's archive");
    tree.File("stray\\readme.txt", "x");
    tree.File("stray.zip", "x");
    EngineTestOwner owner;
    EngineFindOptions options;
    options.ArchiveExtension = ".zip";
    EngineFind(owner, tree.Root(), options);
    EngineExpectRow(owner, "done", false, ArchiveExistsVerdict, "done.zip");
    EngineExpectRow(owner, "open", true, FitVerdict, "");
    EngineExpectRow(owner, "stray", false, "許容外の拡張子です", "readme.txt");

    // Another format judges again: the .7z beside "open" counts, "done" is fit again.
    for (const auto& row : owner.Rows) JudgeExistingArchive(*row, ".7z");
    EngineExpectRow(owner, "done", true, FitVerdict, "");
    EngineExpectRow(owner, "open", false, ArchiveExistsVerdict, "open.7z");
    EngineExpectRow(owner, "stray", false, "許容外の拡張子です", "readme.txt");
}

TEST(JobRecord, JpegPagesPassOnceJpegIsAllowedAndAreStillChecked)
{
    EngineTempTree tree;
    const std::string page = SamplePages::Page("baseline.jpg");
    ASSERT_FALSE(page.empty());
    tree.File("whole\\001.jpeg", page);
    tree.File("whole\\002.jpeg", page);
    tree.File("cut\\001.jpeg", page);
    tree.File("cut\\002.jpeg", page.substr(0, page.size() / 2));
    EngineTestOwner owner;
    EngineFindOptions options;
    options.Extensions = ".jpg;.jpeg";
    options.VerifyImages = true;
    EngineFind(owner, tree.Root(), options);
    EngineExpectRow(owner, "whole", true, FitVerdict, "");
    EXPECT_FALSE(owner.Row("cut").Checked) << owner.Row("cut").Result;
}

TEST(JobRecord, TheRecordNamesEveryFolderAndAConfirmedJobRemovesWithoutAsking)
{
    EngineTempTree tree;
    const std::string kept = "record-kept-" + std::to_string(GetCurrentProcessId());
    tree.File(kept + "\\01.jpg", "page one");
    tree.File(kept + "\\02.jpg", "page two");
    tree.File("blocked\\01.jpg", "1");
    tree.File("blocked.zip", "not mine");
    EngineTestOwner owner(true);
    owner.Add(tree.Root(), kept, true);
    owner.Add(tree.Root(), "blocked", true);
    EngineCompressOptions options;
    options.RemoveFolder = true;
    options.Extras.RemovalConfirmed = true;
    options.Extras.LogPath = tree.Path("log.csv");
    std::vector<std::string> asked;
    {
        EngineDialogAnswerer answerer(IDYES);
        EngineCompress(owner, options);
        asked = answerer.Answered();
    }
    EXPECT_TRUE(asked.empty()) << "the shell asked: " << asked.front();
    EngineExpectRow(owner, kept, false, "*圧縮しました", kept + ".zip");
    EXPECT_FALSE(tree.IsFolder(kept)) << "the folder went to the recycle bin";
    EngineForgetRecycled(kept);

    const std::string log = tree.Read("log.csv");
    const std::vector<std::string> lines = Lines(log);
    ASSERT_EQ(lines.size(), 3u) << log;
    EXPECT_EQ(lines[0].rfind("\xEF\xBB\xBF日時,", 0), 0u);
    const std::string folder = "\"" + tree.Path(kept) + "\",\"" + tree.Path(kept + ".zip") + "\",2,16,";
    EXPECT_NE(lines[1].find(folder), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find(",\"*圧縮しました\",\"" + kept + ".zip\",はい\r"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find(",\"!書庫が既存します\",\"blocked.zip\",いいえ\r"), std::string::npos) << lines[2];

    // A second job appends below, without a second header.
    tree.File("later\\01.jpg", "1");
    owner.Add(tree.Root(), "later", true);
    options.RemoveFolder = false;
    EngineCompress(owner, options);
    EXPECT_EQ(Lines(tree.Read("log.csv")).size(), 5u) << "the failed row is tried again, and the new one";
}
