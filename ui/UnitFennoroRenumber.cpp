// Numbers that only lack zeros: the selected rows whose numbering failed get
// their pages renamed to one width, each rename written into the record, and
// are judged again at once.
#include "ui/UnitFennoro.h"

#include "base/ListText.h"
#include "engine/JobLog.h"
#include "engine/win32/ExistingArchive.h"
#include "engine/win32/JobLogFile.h"
#include "engine/win32/PageRenumbering.h"
#include "settings/FennoroSettings.h"

void TFormFennoro::ActionRenumberPagesExecute(TAction&)
{
    if (IsRunning()) return;
    TRenumberRules rules;
    for (size_t i = 0; i < MainMenuExtensions->Count(); ++i) {
        const TMenuItem& item = MainMenuExtensions->Item(i);
        if (item.Checked()) rules.AllowedExtensions.push_back(GetPlainCaption(item.Caption()));
    }
    rules.Ignored = TIgnoredNames(IgnoredFiles);
    rules.NumberedAbout = ActionNumberedAbout->Checked();
    const std::string logPath = JobLogFileName();
    size_t renamedRows = 0, refusedRows = 0;
    for (int index = 0; index < ListView->Count(); ++index) {
        if (!ListView->Selected(index)) continue;
        FolderRow* row = FolderList->RowOfItem(index);
        if (!row || row->CompressState != FolderCompressState::Untried || !IsNumberingVerdict(row->Result)) continue;
        const std::string folder = row->ParentPath + row->Name;
        const TRenumberOutcome outcome = RenumberPages(folder, rules, row->Result, row->Remark, row->ListingDigest);
        // Every rename that stands goes into the record, so the user can see and undo it.
        for (const TPageRename& rename : outcome.Renames) {
            TJobLogEntry entry;
            entry.Time = JobLogTime();
            entry.Folder = folder;
            entry.Result = "名前を変更しました";
            entry.Remark = rename.From + " → " + rename.To;
            AppendJobLog(logPath, JobLogLine(entry));
        }
        if (outcome.Renamed) {
            // The pages now pass the numbering check; the rest passed at the find,
            // before the numbering was looked at.
            ++renamedRows;
            row->Result = FitVerdict;
            row->Remark = "連番の桁をそろえました(" + std::to_string(outcome.Renames.size()) + "件)";
            row->Checked = true;
            row->PageStamps.reset();  // the names changed: F8 reads the pages
            JudgeExistingArchive(*row, RowsJudgedFor, TListedNames::Of(row->ParentPath));
        } else {
            ++refusedRows;
            row->Remark = "連番の桁をそろえられません: " + outcome.Problem;
        }
        FolderList->RedrawRow(*row);
    }
    FolderList->FlushDrawing();
    SetStatusText("連番の桁をそろえました: " + std::to_string(renamedRows) + " 件" +
                  (refusedRows ? "、そろえられなかった行: " + std::to_string(refusedRows) + " 件" : std::string()));
}
