#include "ui/FolderList.h"

#include "engine/win32/ExistingArchive.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace {

// What a job reports is drawn at least this often while it runs.
constexpr DWORD DrawInterval = 100;

} // namespace

TFolderList::TFolderList(TListView& list, TStatusBar& statusBar, HWND window)
    : List(list), StatusBar(statusBar), Window(window)
{
}

TFolderList::~TFolderList()
{
    if (JobWatch) KillTimer(Window, JobTimerId);
}

void TFolderList::DisplayStatus(const std::string& text)
{
    BeginDrawBatch();
    PendingStatus = text;
    StatusPending = true;
    DrawBatchDue();
}

void TFolderList::RemoveAllRows()
{
    List.Clear();
    Order.clear();
    Place.clear();
    Rows.clear();
}

void TFolderList::AddRow(const FolderRow& row)
{
    BeginDrawBatch();
    ListWillChange();
    Rows.push_back(std::make_unique<FolderRow>(row));
    FolderRow& added = *Rows.back();
    List.AddItem(added.Name, {added.Result, added.Remark}, added.Checked, reinterpret_cast<LPARAM>(&added));
    Place[&added] = static_cast<int>(Order.size());
    Order.push_back(&added);
    DrawBatchDue();
}

FolderRow& TFolderList::RowAt(size_t index)
{
    if (index >= Order.size()) throw std::out_of_range("フォルダ一覧の行がありません");
    return *Order[index];
}

void TFolderList::RedrawRow(const FolderRow& row)
{
    const auto place = Place.find(&row);
    if (place == Place.end()) return;
    BeginDrawBatch();
    ListWillChange();
    List.SetItem(place->second, row.Name, {row.Result, row.Remark}, row.Checked);
    DrawBatchDue();
}

FolderRow* TFolderList::RowOfItem(int index) const
{
    if (index < 0 || static_cast<size_t>(index) >= Order.size()) return nullptr;
    return Order[static_cast<size_t>(index)];
}

bool TFolderList::AnyRowChecked() const
{
    return std::any_of(Rows.begin(), Rows.end(), [](const auto& row) { return row->Checked; });
}

size_t TFolderList::RowsToCompress() const
{
    return static_cast<size_t>(std::count_if(Rows.begin(), Rows.end(), [](const auto& row) {
        return row->Checked && row->CompressState == FolderCompressState::Untried;
    }));
}

void TFolderList::JudgeExistingArchives(const std::string& extension)
{
    // One listing of each parent folder (the rows share one), not a look per row.
    std::map<std::string, TListedNames> listed;
    for (FolderRow* row : Order) {
        auto at = listed.find(row->ParentPath);
        if (at == listed.end()) at = listed.emplace(row->ParentPath, TListedNames::Of(row->ParentPath)).first;
        if (JudgeExistingArchive(*row, extension, at->second)) RedrawRow(*row);
    }
    FlushDrawing();
}

void TFolderList::ItemChecked(int index, bool checked)
{
    if (FolderRow* row = RowOfItem(index)) row->Checked = checked;
}

void TFolderList::OrderChanged()
{
    const int count = List.Count();
    Order.assign(static_cast<size_t>(count), nullptr);
    Place.clear();
    for (int index = 0; index < count; ++index) {
        auto* row = reinterpret_cast<FolderRow*>(List.ItemData(index));
        Order[static_cast<size_t>(index)] = row;
        Place[row] = index;
    }
}

void TFolderList::SetStatusText(const std::string& text)
{
    StatusPending = false;
    StatusBar.SetSimpleText(text);
}

void TFolderList::DisplayProgress(const TJobProgress& progress)
{
    StatusBar.SetProgressText(JobProgressText(progress));
    if (progress.Ended) {
        if (Taskbar) Taskbar->Clear();
        return;
    }
    // Made at the first job: by then the window has initialised COM.
    if (!Taskbar) Taskbar = std::make_unique<TTaskbarProgress>(Window);
    const ULONGLONG folder = progress.FolderPermille > 0 ? static_cast<ULONGLONG>(progress.FolderPermille) : 0;
    Taskbar->Show(static_cast<ULONGLONG>(progress.Done) * 1000 + folder, static_cast<ULONGLONG>(progress.Total) * 1000);
}

// Drawing a row or a status text costs more than finding a folder (the list
// redraws on every insert, the status bar paints at once), so what a job reports
// is drawn in batches: the list's drawing is off from the first report, and the
// status text waits, until at least every DrawInterval and when the job has
// ended, so the progress shows. The list always holds every row.
void TFolderList::BeginDrawBatch()
{
    if (DrawBatch) return;
    DrawBatch = true;
    DrawBatchStart = GetTickCount();
}

void TFolderList::ListWillChange()
{
    if (ListChanged) return;
    ListChanged = true;
    List.BeginUpdate();
}

void TFolderList::DrawBatchDue()
{
    if (DrawBatch && GetTickCount() - DrawBatchStart >= DrawInterval) FlushDrawing();
}

void TFolderList::FlushDrawing()
{
    if (!DrawBatch) return;
    DrawBatch = false;
    if (StatusPending) {
        StatusPending = false;
        StatusBar.SetSimpleText(PendingStatus);
    }
    // A batch of status texts alone leaves the list as it was: no redraw.
    if (ListChanged) {
        ListChanged = false;
        List.EndUpdate();
        UpdateWindow(List.Handle());
    }
}

void TFolderList::StartJobWatch()
{
    if (JobWatch) return;
    JobWatch = SetTimer(Window, JobTimerId, DrawInterval, nullptr) != 0;
}

void TFolderList::JobTimer(bool running)
{
    DrawBatchDue();
    if (!running) {
        FlushDrawing();
        KillTimer(Window, JobTimerId);
        JobWatch = false;
    }
}

void TFolderList::Idle(bool running)
{
    if (DrawBatch && !running) FlushDrawing();
}
