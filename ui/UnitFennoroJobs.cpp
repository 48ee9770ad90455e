// The commands that drive the worker (find, compress, abort), their enabling
// rules, and the owner calls through which the worker fills the list.
#include "ui/UnitFennoro.h"

#include "base/WideText.h"
#include "engine/ArchiverProfile.h"
#include "engine/win32/LongPath.h"
#include "settings/FennoroSettings.h"
#include "base/ListText.h"
#include "settings/win32/ShellUtility.h"
#include "ui/UnitAboutBox.h"

#include <algorithm>
#include <cstring>


namespace {

enum class TRemovalAnswer { Remove, Keep, Cancel };

// With removal on, the job asks once: the folders go to the recycle bin (はい), are
// archived and kept (いいえ), or nothing starts (キャンセル, Escape, the close box).
TRemovalAnswer AskRemoval(HWND owner, size_t folders)
{
    if (folders == 0) return TRemovalAnswer::Remove;  // nothing to remove: the job ends at once
    const std::string text = "チェックした " + std::to_string(folders) +
                             " 個のフォルダを圧縮し、圧縮後にごみ箱に移します。\r\n\r\n"
                             "はい: 圧縮してごみ箱に移す\r\n"
                             "いいえ: 圧縮だけ行い、フォルダは残す\r\n"
                             "キャンセル: 何もしない";
    switch (MessageBoxW(owner, WideText(text).c_str(), L"Fennoro", MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES: return TRemovalAnswer::Remove;
    case IDNO: return TRemovalAnswer::Keep;
    default: return TRemovalAnswer::Cancel;
    }
}

// The allowed extensions checked in the menu, in menu order.
std::vector<std::string> CheckedExtensions(const TMenuItem& menu)
{
    std::vector<std::string> extensions;
    for (size_t i = 0; i < menu.Count(); ++i) {
        const TMenuItem& item = menu.Item(i);
        if (item.Checked()) extensions.push_back(GetPlainCaption(item.Caption()));
    }
    return extensions;
}

bool IsExistingDirectory(const std::string& path)
{
    // As the find job reads it: a root longer than MAX_PATH is a root too.
    const DWORD attributes = LongPathAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The find reads the pages at this level, and F8 reads them again at it.
TPageCheck ChosenPageCheck(const TAction& verify, const TAction& deep)
{
    if (!verify.Checked()) return TPageCheck::Off;
    return deep.Checked() ? TPageCheck::Deep : TPageCheck::On;
}

} // namespace

bool TFormFennoro::IsRunning() const noexcept { return CurrentWorker && CurrentWorker->Running(); }

void TFormFennoro::StopWorker()
{
    if (!CurrentWorker) return;
    if (CurrentWorker->Running()) CurrentWorker->RequestStop();
    CurrentWorker->WaitFor();
    CurrentWorker->DeliverReports();
    FolderList->DisplayProgress(CurrentWorker->Progress());
    CurrentWorker.reset();
    FolderList->FlushDrawing();
}

void TFormFennoro::ActionSelectFolderExecute(TAction&)
{
    // The chooser opens at the folder box's text where it is a folder it can show.
    std::string path = EditFolder->Text();
    if (!FolderDialog(Handle(), std::string("検索フォルダの選択"), path)) return;
    EditFolder->SetText(path);
    if (ActionAutoFind->Checked()) ActionFind->Execute();
}

void TFormFennoro::ActionFindExecute(TAction&)
{
    const std::string folder = EditFolder->Text();
    if (!IsExistingDirectory(folder)) {
        // The rows of a root the box no longer names go: F8 must not act on them.
        if (!IsRunning()) FolderList->RemoveAllRows();
        SetStatusText("フォルダが正しくありません");
        return;
    }
    const std::string extensionText = JoinListText(CheckedExtensions(*MainMenuExtensions), ';');
    if (extensionText.empty()) {
        SetStatusText("許容拡張子が選択されていません");
        return;
    }
    if (!IsRunning()) {
        StopWorker();
        const TPageCheck pageCheck = ChosenPageCheck(*ActionVerifyImages, *ActionDeepImageCheck);
        // The timer first: the worker queues its reports only for a list that drains them.
        FolderList->StartJobWatch();
        RowsJudgedFor = CheckedArchiveExtension();
        TFindJobExtras findExtras = FindExtras();
        findExtras.InTree = ActionFindInTree->Checked();
        CurrentWorker = std::make_unique<TThreadFennoro>(*FolderList, folder, extensionText, ActionRecursive->Checked(),
                                                         ActionNumbered->Checked(), ActionNumberedAbout->Checked(),
                                                         pageCheck, RowsJudgedFor, findExtras);
    }
    ListView->SetFocus();
}

TFindJobExtras TFormFennoro::FindExtras() const
{
    TFindJobExtras extras;
    extras.IgnoredFiles = IgnoredFiles;
    for (const std::string& entry : ArchiveEntries) extras.ArchiveExtensions.push_back(ArchiveEntryName(entry));
    return extras;
}

void TFormFennoro::ActionCompressExecute(TAction&)
{
    const std::string extension = CheckedArchiveExtension();
    if (extension.empty()) {
        SetStatusText("圧縮形式が選択されていません");
        return;
    }
    if (!IsRunning()) {
        StopWorker();
        const bool quiet = ActionSilentArchive->Checked();
        const auto profile = ParseArchiverProfile(extension, LookupArchiveEntry(ArchiveEntries, extension), quiet);
        bool started = false;
        TCompressJobExtras extras;
        extras.LogPath = JobLogFileName();
        extras.PageCheck = ChosenPageCheck(*ActionVerifyImages, *ActionDeepImageCheck);
        extras.IgnoredFiles = IgnoredFiles;
        extras.ComicInfo = ChosenComicInfo();
        // The rows checked now, which the question counts: the job takes these alone.
        extras.Rows = FolderList->RowsForJob();
        // Each folder judged again as a find would now; without an allowed extension
        // (no find could run) on the safety rules alone.
        TContentRules content{CheckedExtensions(*MainMenuExtensions), ActionRecursive->Checked(),
                              ActionNumbered->Checked(), ActionNumberedAbout->Checked()};
        if (!content.Extensions.empty()) extras.Content = std::move(content);
        bool removeFolder = ActionRemoveFolder->Checked();
        if (profile && removeFolder) {
            // One question for the whole job, not one from the shell for each folder.
            // The command line may have answered already.
            const TRemovalAnswer answer = StartRemoval == TStartRemoval::Recycle ? TRemovalAnswer::Remove
                                          : StartRemoval == TStartRemoval::Keep  ? TRemovalAnswer::Keep
                                                                                 : AskRemoval(Handle(), extras.Rows->size());
            switch (answer) {
            case TRemovalAnswer::Remove: extras.RemovalConfirmed = true; break;
            case TRemovalAnswer::Keep: removeFolder = false; break;
            case TRemovalAnswer::Cancel:
                SetStatusText("圧縮を取り消しました");
                ListView->SetFocus();
                return;
            }
        }
        // Started by a script: no shell window may wait for an answer.
        extras.Unattended = RunsUnattended();
        if (profile) {
            try {
                CurrentWorker = std::make_unique<TThreadFennoro>(
                    *FolderList, extension, quiet ? profile->QuietOption : std::string(), removeFolder,
                    profile->CommandTemplate, profile->FunctionName, profile->DllName, extras);
                started = true;
                FolderList->StartJobWatch();
            } catch (const std::exception&) {
                // Reported below like a profile that does not parse.
            }
        }
        if (!started) SetStatusText("拡張子" + extension + "の圧縮設定が正しくありません");
    }
    ListView->SetFocus();
}

std::string TFormFennoro::CheckedArchiveExtension() const
{
    for (size_t i = 0; i < MainMenuArchiveExtension->Count(); ++i) {
        const TMenuItem& item = MainMenuArchiveExtension->Item(i);
        if (item.Checked()) return GetPlainCaption(item.Caption());
    }
    return {};
}

void TFormFennoro::ActionAbortExecute(TAction&)
{
    if (CurrentWorker) CurrentWorker->RequestStop();
}

void TFormFennoro::ActionAboutExecute(TAction&) { ShowAboutBox(Handle()); }

void TFormFennoro::ActionFindUpdate(TAction& sender) { sender.SetEnabled(!IsRunning()); }

void TFormFennoro::ActionCompressUpdate(TAction& sender) { sender.SetEnabled(!IsRunning() && FolderList->AnyRowChecked()); }

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

// The deep level deepens the page check: without it, it has nothing to act on.
void TFormFennoro::ActionDeepImageCheckUpdate(TAction& sender) { sender.SetEnabled(ActionVerifyImages->Checked()); }

void TFormFennoro::Idle()
{
    // The commands first: once they see the job ended, so does the model's flush
    // (a job never runs again), and the last texts are drawn in the same pass,
    // with whatever the job queued after the timer's last drain.
    TForm::Idle();
    const bool running = IsRunning();
    if (!running && CurrentWorker) {
        CurrentWorker->DeliverReports();
        FolderList->DisplayProgress(CurrentWorker->Progress());
    }
    FolderList->Idle(running);
    if (!running) JudgeArchivesForFormat();
    if (!running) AdvanceStartJob();
}

LRESULT TFormFennoro::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_TIMER && wParam == TFolderList::JobTimerId) {
        // What the find job found since the last tick, then the drawing. The end is
        // read before the drain: whatever the job queued before it ended is drained.
        const bool running = IsRunning();
        if (CurrentWorker) {
            CurrentWorker->DeliverReports();
            FolderList->DisplayProgress(CurrentWorker->Progress());
        }
        FolderList->JobTimer(running);
        return 0;
    }
    return TForm::HandleMessage(message, wParam, lParam);
}
