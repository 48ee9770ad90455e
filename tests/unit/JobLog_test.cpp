// The record's lines: one per folder, every text quoted, readable by a spreadsheet.
#include "engine/JobLog.h"

#include <gtest/gtest.h>

TEST(JobLog, TheFileStartsWithTheMarkAndTheColumnNames)
{
    const std::string header = JobLogHeader();
    EXPECT_EQ(header.rfind("\xEF\xBB\xBF日時,フォルダ,書庫,", 0), 0u);
    EXPECT_EQ(header.substr(header.size() - 2), "\r\n");
}

TEST(JobLog, OneLinePerFolderWithItsTextsQuoted)
{
    TJobLogEntry archived{"2026-12-08 02:45:31", "C:\\本\\巻1", "C:\\本\\巻1.zip", 3, 60000, 59000, "*圧縮しました",
                          "巻1.zip", true};
    TJobLogEntry refused{"2026-12-08 02:45:32", "C:\\本\\x", "C:\\本\\x.zip", -1, 0, 0, "!書庫が既存します",
                         "x.zip", false};
    TJobLogEntry odd{"t", "C:\\a,\"b\"", "=HYPERLINK(1)", 0, 0, 0, "!圧縮に失敗: 戻り値=2", "line 1\r\nline 2", false};
    const struct {
        const TJobLogEntry& Entry;
        const char* Line;
    } cases[] = {
        {archived,
         "\"2026-12-08 02:45:31\",\"C:\\本\\巻1\",\"C:\\本\\巻1.zip\",3,60000,59000,\"*圧縮しました\",\"巻1.zip\",はい\r\n"},
        // Refused before its tree was read: no counts.
        {refused, "\"2026-12-08 02:45:32\",\"C:\\本\\x\",\"C:\\本\\x.zip\",,,,\"!書庫が既存します\",\"x.zip\",いいえ\r\n"},
        // Quotes doubled, a formula kept a text, a line break kept out of the line.
        {odd, "\"t\",\"C:\\a,\"\"b\"\"\",\"'=HYPERLINK(1)\",0,0,0,\"!圧縮に失敗: 戻り値=2\",\"line 1  line 2\",いいえ\r\n"},
    };
    for (const auto& test : cases) EXPECT_EQ(JobLogLine(test.Entry), test.Line);
}

TEST(JobLog, ATextThatStartsLikeAFormulaStaysAText)
{
    const struct {
        const char* Remark;
        const char* Written;
    } cases[] = {
        {"=1+1", "'=1+1"},   {"+1", "'+1"},          {"-1", "'-1"},       {"@SUM(A1)", "'@SUM(A1)"},
        {"\t=1+1", "'\t=1+1"}, {"\r=1+1", "' =1+1"}, {"a=1", "a=1"},      {"", ""},
    };
    for (const auto& test : cases) {
        const TJobLogEntry entry{"t", "f", "a", 0, 0, 0, "r", test.Remark, false};
        EXPECT_EQ(JobLogLine(entry), std::string("\"t\",\"f\",\"a\",0,0,0,\"r\",\"") + test.Written + "\",いいえ\r\n")
            << test.Remark;
    }
}
