// The command line's job: the folders it names found at the first showing, the
// compression after the find, the end of the program after the job, the exit
// code; and folders dropped onto the list, found the same way.
#include "ui/UnitFennoro.h"

#include "base/ListText.h"
#include "base/WideText.h"
#include "engine/win32/LongPath.h"
#include "settings/FennoroSettings.h"
#include "ui/StartOptionsCheck.h"

#include <shellapi.h>

#include <algorithm>

void TFormFennoro::SetStartOptions(const TStartOptions& options)
{
    StartJob = options;
    if (!StartJob.Errors.empty()) {
        // Nothing of a job that was not asked for rightly runs; the folders that exist are still found.
        StartExitCode = ExitBadArguments;
        StartJob.Compress = StartJob.Exit = false;
    } else if (StartJob.Compress) {
        // Until the job has archived every checked folder.
        StartExitCode = ExitFailed;
    }
    StartRemoval = StartJob.Recycle ? TStartRemoval::Recycle : StartJob.Keep ? TStartRemoval::Keep : TStartRemoval::Ask;
    // Nobody is there to answer the removal question: the folders are kept.
    if (StartJob.Unattended() && StartRemoval == TStartRemoval::Ask) StartRemoval = TStartRemoval::Keep;

    SettingsPath = EditFolder->Text();
    if (StartJob.Folders.size() == 1 && !StartJob.NamesList()) {
        StartPath = StartJob.Folders.front();
        EditFolder->SetText(StartPath);
    }
    for (size_t i = 0; i < MainMenuArchiveExtension->Count(); ++i) {
        TMenuItem& item = MainMenuArchiveExtension->Item(i);
        if (item.Checked()) SettingsFormatIndex = static_cast<int>(i);
        if (!StartJob.Format.empty() && GetPlainCaption(item.Caption()) == StartJob.Format) {
            StartFormatIndex = static_cast<int>(i);
        }
    }
    if (StartFormatIndex >= 0) MainMenuArchiveExtension->Item(static_cast<size_t>(StartFormatIndex)).SetChecked(true);
}

bool TFormFennoro::StartFromCommandLine()
{
    // Unattended, the settings file's problem goes where a person would look afterwards.
    if (!SettingsProblem.empty() && RunsUnattended()) RecordStartErrors({SettingsProblem}, JobLogFileName(), "!設定ファイル");
    if (!StartJob.Errors.empty() && !StartJob.Unattended()) {
        std::string text = "コマンドラインの指定に使えないものがあります:\r\n";
        for (const std::string& error : StartJob.Errors) text += "\r\n" + error;
        MessageBoxW(Handle(), WideText(text).c_str(), L"Fennoro", MB_OK | MB_ICONWARNING);
    }
    // Nothing to run (or nothing rightly asked for): the window starts as it would without.
    if (StartJob.Folders.empty() && !StartJob.Compress && !StartJob.Exit) return false;
    StartPhase = TStartPhase::Finding;
    // Switches alone act on the folder the settings restored.
    if (StartJob.Folders.empty()) {
        ActionFind->Execute();
    } else {
        FindFolders(StartJob.Folders, StartJob.NamesList());
    }
    if (!IsRunning()) {
        // The find could not start (its status text says why): no job to run.
        StartPhase = TStartPhase::Done;
        if (StartJob.Compress) StartExitCode = ExitFailed;
        if (StartJob.Exit) PostMessageW(Handle(), WM_CLOSE, 0, 0);
    }
    return true;
}

void TFormFennoro::FindFolders(const std::vector<std::string>& folders, bool list)
{
    if (folders.empty() || IsRunning()) return;
    if (folders.size() == 1 && !list) {
        EditFolder->SetText(folders.front());
        ActionFind->Execute();
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
    StopWorker();
    const TPageCheck pageCheck = !ActionVerifyImages->Checked()     ? TPageCheck::Off
                                 : ActionDeepImageCheck->Checked() ? TPageCheck::Deep
                                                                   : TPageCheck::On;
    FolderList->StartJobWatch();
    RowsJudgedFor = CheckedArchiveExtension();
    CurrentWorker = std::make_unique<TThreadFennoro>(*FolderList, folders, extensionText, ActionRecursive->Checked(),
                                                     ActionNumbered->Checked(), ActionNumberedAbout->Checked(),
                                                     pageCheck, RowsJudgedFor, FindExtras());
    ListView->SetFocus();
}

void TFormFennoro::AdvanceStartJob()
{
    if (StartPhase == TStartPhase::None || StartPhase == TStartPhase::Done || IsRunning()) return;
    if (StartPhase == TStartPhase::Finding) {
        if (StartJob.Compress && CurrentWorker && CurrentWorker->StopRequested()) {
            // The find was stopped: what it found is no job to run.
            StartPhase = TStartPhase::Done;
        } else if (StartJob.Compress) {
            StartPhase = TStartPhase::Compressing;
            // As F8 would: nothing when no folder is checked.
            ActionCompress->Execute();
            if (IsRunning() && CurrentWorker->JobKind() == TJobKind::CompressJob) return;
            StartPhase = TStartPhase::Done;
            // Nothing checked below a root: nothing that could fail. Folders named one
            // by one were each to be archived; checked rows that did not start failed.
            if (!FolderList->AnyRowChecked() && !StartJob.NamesList()) StartExitCode = ExitDone;
        } else {
            StartPhase = TStartPhase::Done;
        }
    } else if (StartPhase == TStartPhase::Compressing) {
        StartPhase = TStartPhase::Done;
        const TJobProgress progress = CurrentWorker ? CurrentWorker->Progress() : TJobProgress{};
        bool allDone = CurrentWorker && !CurrentWorker->StopRequested() && progress.Failed == 0 && progress.Left == 0;
        // Folders named one by one were each to be archived, fit or not.
        if (StartJob.NamesList()) {
            for (size_t i = 0; i < FolderList->RowCount(); ++i) {
                if (FolderList->RowAt(i).CompressState != FolderCompressState::Compressed) allDone = false;
            }
        }
        StartExitCode = allDone ? ExitDone : ExitFailed;
    }
    // Posted: the window closes after the pass in hand, as if the user had closed it.
    if (StartPhase == TStartPhase::Done && StartJob.Exit) PostMessageW(Handle(), WM_CLOSE, 0, 0);
}

void TFormFennoro::KeepSettingsFromStart(FennoroSettings& settings) const
{
    // A folder box still showing the command line's folder keeps the one the settings had.
    if (!StartPath.empty() && settings.Path == StartPath) settings.Path = SettingsPath;
    // A format still as the command line chose it: saved as the settings had it (none checked saves 0).
    if (StartFormatIndex >= 0 && settings.ArchiveExtensionIndex == StartFormatIndex)
        settings.ArchiveExtensionIndex = SettingsFormatIndex >= 0 ? SettingsFormatIndex : CheckedArchiveIndex({});
}

void TFormFennoro::ListDropped(HWND, CLIPFORMAT format, HGLOBAL data, DWORD*)
{
    if (format != CF_HDROP || !data || IsRunning()) return;
    HDROP drop = static_cast<HDROP>(data);
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::string> folders;
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        if (length == 0) continue;
        std::wstring path(static_cast<size_t>(length) + 1, L'\0');
        const UINT copied = DragQueryFileW(drop, i, path.data(), length + 1);
        if (copied == 0) continue;
        path.resize(std::min<size_t>(copied, length));
        std::string text;
        // Folders only: a file or a name no text holds exactly is passed over.
        if (!ExactUtf8Text(path, text)) continue;
        const DWORD attributes = LongPathAttributes(text);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        text = PlainFolderText(text);
        if (std::find(folders.begin(), folders.end(), text) == folders.end()) folders.push_back(text);
    }
    FindFolders(folders);
}
