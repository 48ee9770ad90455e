// The compress job's record, and its removal without a question per folder.
#include "win32/support/EngineDialogAnswerer.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "engine/win32/JobLogFile.h"

#include <gtest/gtest.h>

#include <sstream>
#include <thread>

namespace {

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

} // namespace

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
    // Appended, not a literal in front: GCC 12 warns wrongly about that (-Wrestrict).
    const std::string folder =
        std::string(1, '"').append(tree.Path(kept)).append("\",\"").append(tree.Path(kept + ".zip")).append("\",2,16,");
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

TEST(JobRecord, WindowsStartingTheRecordAtOnceWriteOneHeader)
{
    EngineTempTree tree;
    constexpr int Writers = 8;
    for (int round = 0; round < 60; ++round) {
        const std::string path = tree.Path("log" + std::to_string(round) + ".csv");
        HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        std::vector<std::thread> writers;
        for (int i = 0; i < Writers; ++i) {
            writers.emplace_back([&, i] {
                WaitForSingleObject(go, 60000);
                EXPECT_TRUE(AppendJobLog(path, "line " + std::to_string(i) + "\r\n"));
            });
        }
        SetEvent(go);
        for (std::thread& writer : writers) writer.join();
        CloseHandle(go);
        const std::vector<std::string> lines = Lines(tree.Read("log" + std::to_string(round) + ".csv"));
        ASSERT_EQ(lines.size(), static_cast<size_t>(1 + Writers)) << "round " << round;
        EXPECT_EQ(lines[0].rfind("\xEF\xBB\xBF日時,", 0), 0u);
        for (size_t i = 1; i < lines.size(); ++i) EXPECT_EQ(lines[i].rfind("line ", 0), 0u) << lines[i];
    }
}
