// The window's second status part while jobs run and when they end, and the stop
// inside a folder through an archiver that reports its progress.
#include "base/PathUtility.h"
#include "win32/support/EngineJobs.h"
#include "win32/support/EngineTempTree.h"
#include "win32/support/UiFennoroWindow.h"

#include <gtest/gtest.h>

namespace {

class UnitFennoroProgress : public ::testing::Test {
protected:
    UnitFennoroProgress()
    {
        Tree.File("a\\01.jpg", std::string(1500, 'a'));
        Tree.File("a\\02.jpg", std::string(2000, 'a'));
        Tree.File("b\\01.jpg", std::string(500, 'b'));
        Tree.File("gap\\01.jpg", "1");
        Tree.File("gap\\03.jpg", "3");
    }

    std::vector<std::string> Settings() const
    {
        return {"[Setting]", "Path=" + Tree.Root(), "RemoveFolder=0", "[Archive]",
                ".zip=fixture_progress.dll,Fixture,\"a $Q \"\"$A\"\" \"\"$D\"\"\",-q"};
    }

    // The part at the right end of the status bar.
    static std::string Progress(UiFennoroWindow& window) { return window->StatusBar->ProgressText(); }

    // The window after a find, compressing until its archiver reports the first folder's share.
    static bool CompressUntilAShareShows(UiFennoroWindow& window)
    {
        window.Press(VK_F8);
        return PumpUntil([&] { return Progress(window).find("%") != std::string::npos; }, 30000);
    }

    // Wide enough for the summary's fullest form (a narrow bar drops the record's name first).
    static void Widen(UiFennoroWindow& window)
    {
        SetWindowPos(window->Handle(), nullptr, 0, 0, 1600, 480, SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
    }

    // What the summary says of the job's record.
    static std::string RecordPart() { return " | 記録 " + ExtractFileName(TFormFennoro::JobLogFileName()); }

    // The one row the stop cut short; fails the test unless there is exactly one.
    static UiRow StoppedRow(UiFennoroWindow& window)
    {
        std::vector<UiRow> stopped;
        for (const UiRow& row : window.Rows())
            if (row.Result == "中断されました") stopped.push_back(row);
        EXPECT_EQ(stopped.size(), 1u);
        return stopped.empty() ? UiRow{} : stopped.front();
    }

    EngineTempTree Tree{"fennoro-progress"};
};

// Sets and removes the events the fixture holds a call on.
class HeldCalls {
public:
    explicit HeldCalls(const std::string& name)
        : Entered(CreateEventA(nullptr, TRUE, FALSE, (name + ".entered").c_str())),
          Release(CreateEventA(nullptr, TRUE, FALSE, (name + ".release").c_str()))
    {
    }
    ~HeldCalls() { SetEvent(Release.get()); }
    bool IsEntered() const { return WaitForSingleObject(Entered.get(), 0) == WAIT_OBJECT_0; }
    void ReleaseAll() { SetEvent(Release.get()); }

private:
    ScopedHandle Entered;
    ScopedHandle Release;
};

} // namespace

TEST_F(UnitFennoroProgress, CountsWhileAJobRunsAndSumsItUpAtTheEnd)
{
    UiFennoroWindow window(Settings());
    Widen(window);
    EXPECT_EQ(Progress(window), "") << "no part before the first job";
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Status(), "検索が終了しました") << "the first part keeps its text";
    EXPECT_EQ(Progress(window), "フォルダ 3 圧縮できる 2");
    EXPECT_GT(window->StatusBar->ProgressWidth(), 0);

    const std::string hold = "fennoro-progress-" + std::to_string(GetCurrentProcessId());
    HeldCalls calls(hold);
    EngineScript script;
    script.Set("FENNORO_FIXTURE_HOLD", hold);
    window.Press(VK_F8);
    ASSERT_TRUE(PumpUntil([&] { return calls.IsEntered(); }, 30000));
    // The first folder in the library's hands: none done of two, with its share.
    ASSERT_TRUE(PumpUntil([&] { return Progress(window).rfind("0 / 2 ", 0) == 0; }, 30000)) << Progress(window);
    EXPECT_NE(Progress(window).find("%"), std::string::npos) << Progress(window);
    calls.ReleaseAll();
    ASSERT_TRUE(window.WaitForJob());
    EXPECT_EQ(window.Status(), "圧縮が終了しました");
    const size_t archives = Tree.Read("a.zip").size() + Tree.Read("b.zip").size();
    ASSERT_GT(archives, 0u);
    ASSERT_LT(archives, 1000u);
    // The summary in full; the bar shows the fullest form its width takes.
    const std::string summary = "成功 2 失敗 0 残り 0 | 4.00 KB → " + std::to_string(archives) + " B";
    ASSERT_FALSE(window->StatusBar->ProgressForms().empty());
    EXPECT_EQ(window->StatusBar->ProgressForms().front(), summary + RecordPart());
    EXPECT_EQ(Progress(window).rfind(summary, 0), 0u) << Progress(window);
}

TEST_F(UnitFennoroProgress, CtrlDStopsTheFolderInHandWithinSeconds)
{
    UiFennoroWindow window(Settings());
    Widen(window);
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    EngineScript script;
    script.Set("FENNORO_FIXTURE_SLEEP", "60000");  // a minute per folder unless stopped
    ASSERT_TRUE(CompressUntilAShareShows(window));
    const DWORD pressed = GetTickCount();
    window.Press('D', true);
    ASSERT_TRUE(window.WaitForJob());
    const DWORD took = GetTickCount() - pressed;
    EXPECT_LT(took, 5000u) << "the job ended " << took << " ms after Ctrl+D";

    EXPECT_EQ(window.Status(), "圧縮を中断しました");
    const UiRow stopped = StoppedRow(window);
    // Not tried to its end: left checked, and counted with the folders left.
    EXPECT_TRUE(stopped.Checked);
    EXPECT_EQ(stopped.Remark, "");
    EXPECT_EQ(Tree.Names(""), (std::vector<std::wstring>{L"a", L"b", L"gap"})) << "no archive, no temporary file";
    EXPECT_EQ(Progress(window), "成功 0 失敗 0 残り 2 | 0 B → 0 B" + RecordPart());
}

TEST_F(UnitFennoroProgress, ClosingDuringALongFolderEndsWithinSeconds)
{
    UiFennoroWindow window(Settings());
    Widen(window);
    window.Press(VK_F5);
    ASSERT_TRUE(window.WaitForJob());
    EngineScript script;
    script.Set("FENNORO_FIXTURE_SLEEP", "60000");
    ASSERT_TRUE(CompressUntilAShareShows(window));
    const DWORD closing = GetTickCount();
    window.Destroy();
    const DWORD took = GetTickCount() - closing;
    EXPECT_LT(took, 5000u) << "the window closed " << took << " ms after it was asked";
    EXPECT_EQ(Tree.Names(""), (std::vector<std::wstring>{L"a", L"b", L"gap"}));
}
