#pragma once
// The folder list's model: the rows at stable addresses, the order the list shows
// them in, the checked test, and the drawing of what a job reports, in batches.
// It is the worker's owner: the worker reaches the list and the status bar only
// through the calls below, run on the window's thread. The main window holds it
// and delegates to it; the list control only shows what it holds.
#include "engine/JobProgress.h"
#include "engine/win32/TThreadFennoroOwner.h"
#include "toolkit/TListView.h"
#include "toolkit/TStatusBar.h"
#include "toolkit/TTaskbarProgress.h"

#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

class TFolderList final : public TThreadFennoroOwner {
public:
    // window: receives the job timer's messages and owns the shell's windows.
    TFolderList(TListView& list, TStatusBar& statusBar, HWND window);
    ~TFolderList() override;
    TFolderList(const TFolderList&) = delete;
    TFolderList& operator=(const TFolderList&) = delete;

    // The worker's owner calls.
    void DisplayStatus(const std::string& text) override;
    void RemoveAllRows() override;
    void AddRow(const FolderRow& row) override;
    size_t RowCount() const override { return Order.size(); }
    FolderRow& RowAt(size_t index) override;
    void RedrawRow(const FolderRow& row) override;
    HWND OwnerWindow() const override { return Window; }
    // The find job's reports are drained on the job timer, not waited for per
    // folder; without the timer (it could not be set) each comes as it is made.
    bool DrainsReports() const override { return JobWatch; }

    // The row the list shows at the index, or null.
    FolderRow* RowOfItem(int index) const;
    bool AnyRowChecked() const;
    // Each row the find found fit judged again for an archive of this extension
    // beside its folder (JudgeExistingArchive); the changed rows are redrawn.
    void JudgeExistingArchives(const std::string& extension);
    // The user ticked or cleared a row's check box. A row the user cleared stays
    // cleared whatever judges it again: the find of the same folder in this window,
    // a change of format, a rename, a job's outcome (see KeepUserChoice).
    void ItemChecked(int index, bool checked);
    // The row's folder was renamed on disk: the row takes the name, keeps the
    // user's choice, and is judged again for an archive of this extension beside it.
    void RowRenamed(FolderRow& row, const std::string& name, const std::wstring& wideName,
                    const std::string& extension);
    // The rows a compress job started now takes: checked and not yet archived.
    // Rows checked later wait for the next job.
    std::vector<const FolderRow*> RowsForJob() const;
    // The list was sorted: its order is read again, once.
    void OrderChanged();

    // A refusal or other text of the window itself: shown at once, replacing a
    // job's pending text.
    void SetStatusText(const std::string& text);

    // A job's progress: its text at the status bar's right end, and the bar on the
    // taskbar button while it runs.
    void DisplayProgress(const TJobProgress& progress);

    // While a job runs, a timer draws what came in and notices the job's end, for
    // which nothing is sent. Start it before the job's worker is made.
    void StartJobWatch();
    // The timer's identifier, in the window's WM_TIMER messages.
    static constexpr UINT_PTR JobTimerId = 1;
    // The job timer's tick, after the window has delivered the job's reports.
    // running: whether the job still runs.
    void JobTimer(bool running);
    // After the idle pass has updated the commands: draws the last of an ended job.
    void Idle(bool running);
    // Draws whatever is pending now.
    void FlushDrawing();

private:
    // Every judgement the program makes reaches a row through AddRow or RedrawRow,
    // and both pass it here first: a judgement may clear a row's check, but never
    // sets one the user cleared.
    void KeepUserChoice(FolderRow& row) const;
    void BeginDrawBatch();
    void ListWillChange();
    void DrawBatchDue();

    TListView& List;
    TStatusBar& StatusBar;
    HWND Window;
    // The rows, each the value of its list item; addresses stay put.
    std::vector<std::unique_ptr<FolderRow>> Rows;
    // The rows in the order the list shows them, and each row's place in it.
    std::vector<FolderRow*> Order;
    std::unordered_map<const FolderRow*, int> Place;
    // What a job reports (rows, status texts) is drawn in batches, not one by one.
    bool DrawBatch = false;
    DWORD DrawBatchStart = 0;
    bool ListChanged = false;
    bool StatusPending = false;
    std::string PendingStatus;
    bool JobWatch = false;
    std::unique_ptr<TTaskbarProgress> Taskbar;
    // The folders whose rows the user cleared in this window, by full path in upper
    // case (the file system's comparison): they outlive the list, so that a find
    // again leaves them cleared.
    std::set<std::wstring> UserUnchecked;
};
