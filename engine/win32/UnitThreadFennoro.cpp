// The worker's frame: construction, the thread body, and the reporting
// operations on both sides of the synchronous call.
#include "engine/win32/UnitThreadFennoro.h"

#include "base/AnsiText.h"
#include "base/ListText.h"
#include "base/PathUtility.h"
#include "engine/win32/PageChecker.h"

#include <algorithm>

TThreadFennoro::TThreadFennoro(TThreadFennoroOwner& owner, const std::string& rootFolder,
                               const std::string& extensions, bool recursive, bool numbered, bool numberedAbout,
                               TPageCheck pageCheck, const std::string& archiveExtension,
                               const TFindJobExtras& findExtras)
    : Owner(owner),
      OwnerWindow(owner.OwnerWindow()),
      Job(TJobKind::FindJob),
      RootPath(IncludeTrailingPathDelimiter(rootFolder)),
      AllowedExtensions(SplitListText(extensions, ';')),
      Recursive(recursive),
      Numbered(numbered),
      NumberedAbout(numberedAbout),
      VerifyImages(pageCheck != TPageCheck::Off),
      DeepImages(pageCheck == TPageCheck::Deep),
      InTree(findExtras.InTree),
      ArchiveExtensions(findExtras.ArchiveExtensions),
      Ignored(findExtras.IgnoredFiles),
      ArchiveExtension(archiveExtension)
{
    StartFindJob();
}

TThreadFennoro::TThreadFennoro(TThreadFennoroOwner& owner, const std::vector<std::string>& folders,
                               const std::string& extensions, bool recursive, bool numbered, bool numberedAbout,
                               TPageCheck pageCheck, const std::string& archiveExtension,
                               const TFindJobExtras& findExtras)
    : Owner(owner),
      OwnerWindow(owner.OwnerWindow()),
      Job(TJobKind::FindJob),
      NamedFolders(folders),
      AllowedExtensions(SplitListText(extensions, ';')),
      Recursive(recursive),
      Numbered(numbered),
      NumberedAbout(numberedAbout),
      VerifyImages(pageCheck != TPageCheck::Off),
      DeepImages(pageCheck == TPageCheck::Deep),
      InTree(findExtras.InTree),
      ArchiveExtensions(findExtras.ArchiveExtensions),
      Ignored(findExtras.IgnoredFiles),
      ArchiveExtension(archiveExtension)
{
    StartFindJob();
}

void TThreadFennoro::StartFindJob()
{
    std::stable_sort(AllowedExtensions.begin(), AllowedExtensions.end(),
                     [](const std::string& a, const std::string& b) { return CompareTextLocaleOrder(a, b) < 0; });
    QueueReports = Owner.DrainsReports();
    ProgressState.Kind = TProgressKind::Find;
    Start();
}

TThreadFennoro::TThreadFennoro(TThreadFennoroOwner& owner, const std::string& archiveExtension,
                               const std::string& quietOption, bool removeFolder, const std::string& commandTemplate,
                               const std::string& functionName, const std::string& dllName,
                               const TCompressJobExtras& extras)
    : Owner(owner),
      OwnerWindow(owner.OwnerWindow()),
      Job(TJobKind::CompressJob),
      VerifyImages(extras.PageCheck != TPageCheck::Off),
      DeepImages(extras.PageCheck == TPageCheck::Deep),
      Ignored(extras.IgnoredFiles),
      ArchiveExtension(archiveExtension),
      DllName(dllName),
      FunctionName(functionName),
      CommandTemplate(commandTemplate),
      QuietOption(quietOption),
      RemoveFolder(removeFolder),
      RemovalConfirmed(extras.RemovalConfirmed),
      ComicInfoOptions(extras.ComicInfo),
      Unattended(extras.Unattended),
      LogPath(extras.LogPath)
{
    if (extras.Rows) JobRows.emplace(extras.Rows->begin(), extras.Rows->end());
    if (extras.Content) SetContentRules(*extras.Content);
    ProgressState.Kind = TProgressKind::Compress;
    Start();
}

TThreadFennoro::~TThreadFennoro()
{
    // The body uses the members below: it must end before they go.
    RequestStop();
    WaitFor();
}

void TThreadFennoro::Execute() { RunJob(); }

void TThreadFennoro::RunJob()
{
    RunningFlag.store(true, std::memory_order_release);
    if (Job == TJobKind::FindJob) {
        Synchronize([this] { ClearRows(); });
        FindFolders();
    } else {
        CompressFolders();
    }
    EndProgress();
    RunningFlag.store(false, std::memory_order_release);
}

void TThreadFennoro::EndProgress()
{
    ChangeProgress([this](TJobProgress& progress) {
        if (progress.Ended) return;
        progress.Ended = true;
        EndTick = GetTickCount64();
    });
}

TJobProgress TThreadFennoro::Progress() const
{
    std::lock_guard<std::mutex> lock(ProgressLock);
    TJobProgress progress = ProgressState;
    progress.ElapsedMs = (progress.Ended ? EndTick : GetTickCount64()) - StartTick;
    return progress;
}

// Runs after the body, also when it threw: then the job's end is reported as
// what went wrong, the rows of a compress job get their usual end marks, and the
// job counts as ended either way.
void TThreadFennoro::DoTerminate()
{
    if (FatalException()) {
        try {
            if (Job == TJobKind::CompressJob) Synchronize([this] { EndCompressMarks(); });
            if (Job == TJobKind::FindJob) Synchronize([this] { DeliverReports(); });
        } catch (...) {
        }
        try {
            SetStatus(std::string(Job == TJobKind::FindJob ? "検索中にエラーが発生したため中止しました: "
                                                           : "圧縮中にエラーが発生したため中止しました: ") +
                      FatalMessage());
        } catch (...) {
        }
    }
    EndProgress();
    RunningFlag.store(false, std::memory_order_release);
}

void TThreadFennoro::SetStatus(const std::string& text)
{
    StatusText = text;
    if (QueueReports && Job == TJobKind::FindJob) {
        std::lock_guard<std::mutex> lock(ReportLock);
        Reports.push_back({std::nullopt, StatusText});
        return;
    }
    Synchronize([this] { ShowStatus(); });
}

void TThreadFennoro::ReportFolder(std::vector<FolderRow>& rows)
{
    if (!QueueReports) {
        Synchronize([this, &rows] {
            for (const FolderRow& row : rows) Owner.AddRow(row);
            if (rows.empty() || !StopRequested()) ShowStatus();
        });
    } else {
        std::lock_guard<std::mutex> lock(ReportLock);
        for (FolderRow& row : rows) Reports.push_back({std::move(row), {}});
        if (rows.empty() || !StopRequested()) Reports.push_back({std::nullopt, StatusText});
    }
    rows.clear();
}

void TThreadFennoro::DeliverReports()
{
    std::vector<TReport> reports;
    {
        std::lock_guard<std::mutex> lock(ReportLock);
        reports.swap(Reports);
    }
    for (const TReport& report : reports) {
        if (report.Row) {
            Owner.AddRow(*report.Row);
        } else {
            Owner.DisplayStatus(report.Status);
        }
    }
}

void TThreadFennoro::SetRowResult(const std::string& result, const std::string& remark, bool keepChecked)
{
    RecordFolder(result, remark);
    ResultText = result;
    RemarkText = remark;
    RowChecked = keepChecked;
    RowStopped = false;
    ChangeProgress([keepChecked](TJobProgress& progress) {
        ++progress.Done;
        ++(keepChecked ? progress.Failed : progress.Succeeded);
        progress.FolderPermille = -1;
    });
    // The compress job shows it with its next call into the window, which comes
    // right after: one round trip a folder instead of three.
    if (Job == TJobKind::CompressJob) {
        RowUpdatePending = true;
        return;
    }
    Synchronize([this] { UpdateRow(); });
}

void TThreadFennoro::ShowStatus() { Owner.DisplayStatus(StatusText); }

FolderRow TThreadFennoro::StagedRow() const
{
    FolderRow row;
    row.Name = RowName;
    row.WideName = RowWideName;
    row.Result = ResultText;
    row.Remark = RemarkText;
    row.Location = RowLocation;
    row.ListingDigest = RowListing;
    row.ParentPath = RootPath + RowLocation;
    row.Checked = RowChecked;
    row.CompressState = FolderCompressState::Untried;
    return row;
}

void TThreadFennoro::UpdateRow()
{
    const bool judged = RowJudged;
    RowJudged = false;
    if (!CurrentRow) return;
    // The row is written only while it is still in the list.
    bool present = false;
    for (size_t i = 0, count = Owner.RowCount(); i < count && !present; ++i) present = &Owner.RowAt(i) == CurrentRow;
    if (!present) {
        CurrentRow = nullptr;
        return;
    }
    CurrentRow->CompressState = RowStopped || judged ? FolderCompressState::Untried
                                : RowChecked       ? FolderCompressState::FailedThisRun
                                                   : FolderCompressState::Compressed;
    CurrentRow->Checked = RowChecked && !judged;
    CurrentRow->Result = ResultText;
    CurrentRow->Remark = RemarkText;
    Owner.RedrawRow(*CurrentRow);
}

void TThreadFennoro::PickNextRow()
{
    CurrentRow = nullptr;
    if (!JobRows) {
        JobRows.emplace();
        for (size_t i = 0, count = Owner.RowCount(); i < count; ++i) {
            const FolderRow& row = Owner.RowAt(i);
            if (row.Checked && row.CompressState == FolderCompressState::Untried) JobRows->insert(&row);
        }
    }
    // The job's rows still to do, this one too: one the user unchecks meanwhile is left out.
    size_t waiting = 0;
    for (size_t i = 0, count = Owner.RowCount(); i < count; ++i) {
        if (StopRequested()) {
            CurrentRow = nullptr;
            return;
        }
        FolderRow& row = Owner.RowAt(i);
        if (!row.Checked || row.CompressState != FolderCompressState::Untried || JobRows->count(&row) == 0) continue;
        ++waiting;
        if (CurrentRow) continue;
        CurrentRow = &row;
        CurrentName = row.Name;
        CurrentWideName = row.WideName;
        CurrentParent = row.ParentPath;
        CurrentResult = row.Result;
        CurrentStamps = row.PageStamps;
        CurrentSizes = row.PageSizes;
    }
    ChangeProgress([waiting](TJobProgress& progress) { progress.Total = progress.Done + waiting; });
}

void TThreadFennoro::EndCompressMarks()
{
    // Left: the job's rows a stop left untried; later: rows checked while it ran.
    size_t left = 0;
    size_t later = 0;
    for (size_t i = 0, count = Owner.RowCount(); i < count; ++i) {
        FolderRow& row = Owner.RowAt(i);
        if (row.Checked && row.CompressState == FolderCompressState::Untried)
            ++(JobRows && JobRows->count(&row) == 0 ? later : left);
        if (row.CompressState != FolderCompressState::Compressed) row.CompressState = FolderCompressState::Untried;
    }
    ChangeProgress([left, later](TJobProgress& progress) {
        progress.Left = left;
        progress.Later = later;
    });
}

void TThreadFennoro::ClearRows() { Owner.RemoveAllRows(); }
