// The end of a compression summed up in the status bar of the window at its
// default size: the summary fits, leaving out its least useful parts first.
#include "engine/JobProgress.h"
#include "win32/support/UiFennoroWindow.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(UnitFennoroStatus, TheSummaryFitsTheDefaultWindowAndShowsWholeInAWideOne)
{
    UiFennoroWindow window(std::vector<std::string>{"[Setting]"});
    TJobProgress progress;
    progress.Kind = TProgressKind::Compress;
    progress.Ended = true;
    progress.Done = progress.Total = 1285;
    progress.Succeeded = 1283;
    progress.Failed = 2;
    progress.BytesBefore = 14000000000ULL;
    progress.BytesAfter = 13800000000ULL;
    progress.RecordName = "fennoro-log.csv";
    const std::vector<std::string> forms = JobProgressTexts(progress);
    window->Folders().DisplayProgress(progress);
    // At 640 pixels the whole summary would be cut ("記録 fen"): a shorter form shows.
    const std::string narrow = window->StatusBar->ProgressText();
    EXPECT_NE(narrow, forms.front());
    EXPECT_NE(std::find(forms.begin(), forms.end(), narrow), forms.end()) << narrow;

    SetWindowPos(window->Handle(), nullptr, 0, 0, 1600, 480, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    EXPECT_EQ(window->StatusBar->ProgressText(), forms.front());
    SetWindowPos(window->Handle(), nullptr, 0, 0, 640, 480, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    EXPECT_EQ(window->StatusBar->ProgressText(), narrow);
}
