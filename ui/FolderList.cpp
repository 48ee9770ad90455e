#include "ui/FolderList.h"

#include "base/PathUtility.h"
#include "engine/win32/ExistingArchive.h"
#include "engine/win32/LongPath.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace {

// What a job reports is drawn at least this often while it runs.
constexpr DWORD DrawInterval = 100;

// A folder as the file system tells folders apart: its full path, without regard to case.
std::wstring FolderKey(const std::string& parent, const std::string& name, const std::wstring& wideName)
{
    std::wstring key = FileApiPath(IncludeTrailingPathDelimiter(parent)) + (wideName.empty() ? WideText(name) : wideName);
    if (!key.empty()) CharUpperBuffW(key.data(), static_cast<DWORD>(key.size()));
    return key;
}

std::wstring FolderKey(const FolderRow& row) { return FolderKey(row.ParentPath, row.Name, row.WideName); }

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
    KeepUserChoice(added);
    List.AddItem(RowCaption(added), {added.Result, added.Remark}, added.Checked, reinterpret_cast<LPARAM>(&added));
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
    KeepUserChoice(*Order[static_cast<size_t>(place->second)]);
    BeginDrawBatch();
    ListWillChange();
    List.SetItem(place->second, RowCaption(row), {row.Result, row.Remark}, row.Checked);
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

std::vector<const FolderRow*> TFolderList::RowsForJob() const
{
    std::vector<const FolderRow*> rows;
    for (const FolderRow* row : Order) {
        if (row->Checked && row->CompressState == FolderCompressState::Untried) rows.push_back(row);
    }
    return rows;
}

void TFolderList::ItemChecked(int index, bool checked)
{
    FolderRow* row = RowOfItem(index);
    // The same state as the row's: the list showing what the program set.
    if (!row || row->Checked == checked) return;
    row->Checked = checked;
    if (checked) {
        UserUnchecked.erase(FolderKey(*row));
    } else {
        UserUnchecked.insert(FolderKey(*row));
    }
}

void TFolderList::KeepUserChoice(FolderRow& row) const
{
    if (row.Checked && !UserUnchecked.empty() && UserUnchecked.count(FolderKey(row)) != 0) row.Checked = false;
}

void TFolderList::RowRenamed(FolderRow& row, const std::string& name, const std::wstring& wideName,
                             const std::string& extension)
{
    if (UserUnchecked.erase(FolderKey(row)) != 0) UserUnchecked.insert(FolderKey(row.ParentPath, name, wideName));
    row.Name = name;
    row.WideName = wideName;
    // Another name may have its archive beside it already, or none.
    JudgeExistingArchive(row, extension, TListedNames::Of(row.ParentPath));
    RedrawRow(row);
    FlushDrawing();
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
    StatusBar.SetProgressTexts(JobProgressTexts(progress));
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
