// The commands that drive the worker (find, compress, abort), their enabling
// rules, and the owner calls through which the worker fills the list.
#include "ui/UnitFennoro.h"

#include "engine/ArchiverProfile.h"
#include "settings/FennoroSettings.h"
#include "settings/ListText.h"
#include "settings/win32/ShellUtility.h"
#include "ui/UnitAboutBox.h"

#include <algorithm>
#include <cstring>


namespace {

constexpr UINT_PTR JobWatchTimer = 1;
// What a job reports is drawn at least this often while it runs.
constexpr DWORD DrawInterval = 100;

bool IsExistingDirectory(const std::string& path)
{
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

bool TFormFennoro::IsRunning() const noexcept { return CurrentWorker && CurrentWorker->Running(); }

void TFormFennoro::StopWorker()
{
    if (!CurrentWorker) return;
    if (CurrentWorker->Running()) CurrentWorker->RequestStop();
    CurrentWorker->WaitFor();
    CurrentWorker.reset();
    FlushDrawing();
}

void TFormFennoro::ActionSelectFolderExecute(TAction&)
{
    // The chooser takes a 260-byte buffer: a longer folder text opens it at its default.
    char path[MAX_PATH] = {};
    const std::string folder = EditFolder->Text();
    if (folder.size() < sizeof path) std::memcpy(path, folder.c_str(), folder.size() + 1);
    if (!FolderDialog(Handle(), "検索フォルダの選択", path)) return;
    path[sizeof path - 1] = '\0';
    EditFolder->SetText(path);
    if (ActionAutoFind->Checked()) ActionFind->Execute();
}

void TFormFennoro::ActionFindExecute(TAction&)
{
    const std::string folder = EditFolder->Text();
    if (!IsExistingDirectory(folder)) {
        SetStatusText("フォルダが正しくありません");
        return;
    }
    std::vector<std::string> extensions;
    for (size_t i = 0; i < MainMenuExtensions->Count(); ++i) {
        const TMenuItem& item = MainMenuExtensions->Item(i);
        if (item.Checked()) extensions.push_back(GetPlainCaption(item.Caption()));
    }
    const std::string extensionText = JoinListText(extensions, ';');
    if (extensionText.empty()) {
        SetStatusText("許容拡張子が選択されていません");
        return;
    }
    if (!IsRunning()) {
        StopWorker();
        const TPageCheck pageCheck = ActionVerifyImages->Checked() ? TPageCheck::On : TPageCheck::Off;
        CurrentWorker = std::make_unique<TThreadFennoro>(*this, folder, extensionText, ActionRecursive->Checked(),
                                                         ActionNumbered->Checked(), ActionNumberedAbout->Checked(),
                                                         pageCheck);
        StartJobWatch();
    }
    ListView->SetFocus();
}

void TFormFennoro::ActionCompressExecute(TAction&)
{
    std::string extension;
    for (size_t i = 0; i < MainMenuArchiveExtension->Count(); ++i) {
        const TMenuItem& item = MainMenuArchiveExtension->Item(i);
        if (item.Checked()) {
            extension = GetPlainCaption(item.Caption());
            break;
        }
    }
    if (extension.empty()) {
        SetStatusText("圧縮形式が選択されていません");
        return;
    }
    if (!IsRunning()) {
        StopWorker();
        const bool quiet = ActionSilentArchive->Checked();
        const auto profile = ParseArchiverProfile(extension, LookupArchiveEntry(ArchiveEntries, extension), quiet);
        bool started = false;
        if (profile) {
            try {
                CurrentWorker = std::make_unique<TThreadFennoro>(
                    *this, extension, quiet ? profile->QuietOption : std::string(), ActionRemoveFolder->Checked(),
                    profile->CommandTemplate, profile->FunctionName, profile->DllName);
                started = true;
                StartJobWatch();
            } catch (const std::exception&) {
                // Reported below like a profile that does not parse.
            }
        }
        if (!started) SetStatusText("拡張子" + extension + "の圧縮設定が正しくありません");
    }
    ListView->SetFocus();
}

void TFormFennoro::ActionAbortExecute(TAction&)
{
    if (CurrentWorker) CurrentWorker->RequestStop();
}

void TFormFennoro::ActionAboutExecute(TAction&) { ShowAboutBox(Handle()); }

void TFormFennoro::ActionFindUpdate(TAction& sender) { sender.SetEnabled(!IsRunning()); }

void TFormFennoro::ActionCompressUpdate(TAction& sender) { sender.SetEnabled(!IsRunning() && AnyRowChecked()); }

void TFormFennoro::ActionAbortUpdate(TAction& sender) { sender.SetEnabled(IsRunning()); }

void TFormFennoro::ActionUpdateEnableAlways(TAction& sender) { sender.SetEnabled(true); }

void TFormFennoro::ActionUpdateEnableExistsLines(TAction& sender)
{
    sender.SetEnabled(!IsRunning() && ListView->Count() > 0);
}

void TFormFennoro::ActionUpdateEnableSelectLines(TAction& sender)
{
    sender.SetEnabled(!IsRunning() && ListView->SelectedCount() > 0 && !ListView->IsEditing());
}

void TFormFennoro::ActionUpdateEnableFocusLine(TAction& sender)
{
    sender.SetEnabled(!IsRunning() && ListView->FocusedIndex() >= 0);
}

void TFormFennoro::ActionNumberedAboutUpdate(TAction& sender) { sender.SetEnabled(ActionNumbered->Checked()); }

bool TFormFennoro::AnyRowChecked() const
{
    return std::any_of(Rows.begin(), Rows.end(), [](const auto& row) { return row->Checked; });
}

void TFormFennoro::ShowStatus(const std::string& text)
{
    BeginDrawBatch();
    PendingStatus = text;
    StatusPending = true;
    DrawBatchDue();
}

void TFormFennoro::SetStatusText(const std::string& text)
{
    StatusPending = false;
    StatusBar->SetSimpleText(text);
}

void TFormFennoro::ClearRows()
{
    ListView->Clear();
    Rows.clear();
}

void TFormFennoro::AppendRow(const FolderRow& row)
{
    BeginDrawBatch();
    ListWillChange();
    Rows.push_back(std::make_unique<FolderRow>(row));
    FolderRow& added = *Rows.back();
    ListView->AddItem(added.Name, {added.Result, added.Remark}, added.Checked, reinterpret_cast<LPARAM>(&added));
    DrawBatchDue();
}

size_t TFormFennoro::RowCount() const { return static_cast<size_t>(ListView->Count()); }

FolderRow& TFormFennoro::RowAt(size_t index)
{
    FolderRow* row = RowOfItem(static_cast<int>(index));
    if (!row) throw std::out_of_range("フォルダ一覧の行がありません");
    return *row;
}

void TFormFennoro::RowChanged(const FolderRow& row)
{
    BeginDrawBatch();
    ListWillChange();
    const int index = ListView->IndexOfData(reinterpret_cast<LPARAM>(&row));
    if (index >= 0) ListView->SetItem(index, row.Name, {row.Result, row.Remark}, row.Checked);
    DrawBatchDue();
}

FolderRow* TFormFennoro::RowOfItem(int index) const
{
    if (index < 0 || index >= ListView->Count()) return nullptr;
    return reinterpret_cast<FolderRow*>(ListView->ItemData(index));
}

// Drawing a row or a status text costs more than finding a folder (the list
// redraws on every insert, the status bar paints at once), so what a job reports
// is drawn in batches: the list's drawing is off from the first report, and the
// status text waits, until at least every DrawInterval and when the job has
// ended, so the progress shows. The list always holds every row.
void TFormFennoro::BeginDrawBatch()
{
    if (DrawBatch) return;
    DrawBatch = true;
    DrawBatchStart = GetTickCount();
}

void TFormFennoro::ListWillChange()
{
    if (ListChanged) return;
    ListChanged = true;
    ListView->BeginUpdate();
}

void TFormFennoro::DrawBatchDue()
{
    if (DrawBatch && GetTickCount() - DrawBatchStart >= DrawInterval) FlushDrawing();
}

void TFormFennoro::FlushDrawing()
{
    if (!DrawBatch) return;
    DrawBatch = false;
    if (StatusPending) {
        StatusPending = false;
        StatusBar->SetSimpleText(PendingStatus);
    }
    // A batch of status texts alone leaves the list as it was: no redraw.
    if (ListChanged) {
        ListChanged = false;
        ListView->EndUpdate();
        UpdateWindow(ListView->Handle());
    }
}

// While a job runs, a timer draws what came in and notices the job's end, for
// which nothing is sent: the idle pass that follows updates the commands.
void TFormFennoro::StartJobWatch()
{
    if (JobWatch) return;
    JobWatch = SetTimer(Handle(), JobWatchTimer, DrawInterval, nullptr) != 0;
}

void TFormFennoro::Idle()
{
    if (DrawBatch && !IsRunning()) FlushDrawing();
    TForm::Idle();
}

LRESULT TFormFennoro::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == JobWatchTimer) {
        DrawBatchDue();
        if (!IsRunning()) {
            FlushDrawing();
            KillTimer(Handle(), JobWatchTimer);
            JobWatch = false;
        }
        return 0;
    }
    return TForm::HandleMessage(message, wParam, lParam);
}
