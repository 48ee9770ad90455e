// The compress job's record of each folder, and a folder stopped in hand.
#include "engine/win32/JobLogFile.h"
#include "engine/win32/UnitThreadFennoro.h"

#include "base/PathUtility.h"

void TThreadFennoro::RecordFolder(const std::string& result, const std::string& remark)
{
    if (Job != TJobKind::CompressJob || LogPath.empty()) return;
    Record.Time = JobLogTime();
    Record.Result = result;
    Record.Remark = remark;
    // What was left out of the archive (and went with the folder, if it went).
    if (!RecordLeftOut.empty()) Record.Remark += (remark.empty() ? "除外: " : " 除外: ") + RecordLeftOut;
    const bool written = AppendJobLog(LogPath, JobLogLine(Record));
    ChangeProgress([&](TJobProgress& progress) {
        progress.RecordName = std::string(ExtractFileName(LogPath));
        if (!written) progress.RecordFailed = true;
    });
}

void TThreadFennoro::StopRowInHand()
{
    RecordFolder("中断されました", {});
    ResultText = "中断されました";
    RemarkText.clear();
    RowChecked = true;
    RowStopped = true;
    ChangeProgress([](TJobProgress& progress) { progress.FolderPermille = -1; });
    Synchronize([this] { UpdateRow(); });
    RowStopped = false;
}
