#include "engine/JobProgress.h"

#include <gtest/gtest.h>

TEST(JobProgress, SizesInDecimalUnitsWithTwoDecimals)
{
    EXPECT_EQ(ByteSizeText(0), "0 B");
    EXPECT_EQ(ByteSizeText(999), "999 B");
    EXPECT_EQ(ByteSizeText(1000), "1.00 KB");
    EXPECT_EQ(ByteSizeText(3504), "3.50 KB");
    EXPECT_EQ(ByteSizeText(3505), "3.51 KB") << "rounded half up";
    EXPECT_EQ(ByteSizeText(999994), "999.99 KB");
    EXPECT_EQ(ByteSizeText(999995), "1.00 MB") << "never 1000.00 KB";
    EXPECT_EQ(ByteSizeText(12000000), "12.00 MB");
    EXPECT_EQ(ByteSizeText(1404999999), "1.40 GB");
    EXPECT_EQ(ByteSizeText(1380000000), "1.38 GB");
    EXPECT_EQ(ByteSizeText(18446744073709551615ULL), "18446744073.71 GB");
}

TEST(JobProgress, TimeLeftInWholeSecondsMinutesOrHours)
{
    EXPECT_EQ(TimeLeftText(0), "残り 約1秒");
    EXPECT_EQ(TimeLeftText(40200), "残り 約41秒");
    EXPECT_EQ(TimeLeftText(59000), "残り 約59秒");
    EXPECT_EQ(TimeLeftText(150000), "残り 約3分");
    EXPECT_EQ(TimeLeftText(7500000), "残り 約2時間5分");
}

TEST(JobProgress, RunningCountsThenTheEstimateOnceTimeHasPassed)
{
    TJobProgress progress;
    progress.Kind = TProgressKind::Compress;
    progress.Done = 0;
    progress.Total = 300;
    progress.ElapsedMs = 60000;
    EXPECT_EQ(JobProgressText(progress), "0 / 300") << "nothing done: nothing to judge from";

    progress.FolderPermille = 456;
    progress.ElapsedMs = 1000;
    EXPECT_EQ(JobProgressText(progress), "0 / 300 45%") << "too early for an estimate";

    // Half a folder in 3 s: 299.5 folders to go at 6 s each.
    progress.FolderPermille = 500;
    progress.ElapsedMs = 3000;
    EXPECT_EQ(JobProgressText(progress), "0 / 300 50% 残り 約30分");

    progress.Done = 12;
    progress.FolderPermille = -1;
    progress.ElapsedMs = 24000;
    EXPECT_EQ(JobProgressText(progress), "12 / 300 残り 約10分");

    // More done than counted at the start (rows checked during the job): no estimate.
    progress.Done = 301;
    EXPECT_EQ(JobProgressText(progress), "301 / 300");
}

TEST(JobProgress, TheEndOfEachJobSumsItUp)
{
    TJobProgress find;
    find.Ended = true;
    find.Done = 300;
    find.Total = 300;
    find.Fit = 283;
    find.ElapsedMs = 90000;
    EXPECT_EQ(JobProgressText(find), "フォルダ 300 圧縮できる 283");

    TJobProgress compress;
    compress.Kind = TProgressKind::Compress;
    compress.Ended = true;
    compress.Done = 285;
    compress.Total = 285;
    compress.FolderPermille = 1000;
    compress.Succeeded = 283;
    compress.Failed = 2;
    compress.BytesBefore = 1400000000;
    compress.BytesAfter = 1380000000;
    EXPECT_EQ(JobProgressText(compress), "成功 283 失敗 2 残り 0 | 1.40 GB → 1.38 GB");
    // Where the job's record went, or that it could not be written.
    compress.RecordName = "fennoro-log.csv";
    EXPECT_EQ(JobProgressText(compress), "成功 283 失敗 2 残り 0 | 1.40 GB → 1.38 GB | 記録 fennoro-log.csv");
    EXPECT_EQ(JobProgressTexts(compress),
              (std::vector<std::string>{"成功 283 失敗 2 残り 0 | 1.40 GB → 1.38 GB | 記録 fennoro-log.csv",
                                        "成功 283 失敗 2 残り 0 | 1.40 GB → 1.38 GB", "成功 283 失敗 2 残り 0"}))
        << "a narrow bar leaves out the record's name first, then the sizes";
    compress.RecordFailed = true;
    EXPECT_EQ(JobProgressText(compress),
              "成功 283 失敗 2 残り 0 | 1.40 GB → 1.38 GB | 記録を書けません: fennoro-log.csv");
    EXPECT_EQ(JobProgressTexts(compress).back(), "成功 283 失敗 2 残り 0 | 記録を書けません")
        << "that the record could not be written is said to the last";
    // Rows checked while the job ran wait for the next.
    compress.RecordFailed = false;
    compress.Later = 2;
    EXPECT_EQ(JobProgressText(compress),
              "成功 283 失敗 2 残り 0 | 1.40 GB → 1.38 GB | 記録 fennoro-log.csv | 圧縮中にチェックした 2 個は次回の圧縮で");
    EXPECT_EQ(JobProgressTexts(compress).back(), "成功 283 失敗 2 残り 0 | 圧縮中にチェックした 2 個は次回の圧縮で")
        << "the folders left for the next job are said to the last";
}
