#include "ui/StartOptionsCheck.h"

#include "base/AnsiText.h"
#include "engine/JobLog.h"
#include "engine/win32/JobLogFile.h"
#include "engine/win32/LongPath.h"
#include "settings/FennoroSettings.h"

#include <algorithm>

void CheckStartOptions(TStartOptions& options, const std::vector<std::string>& profiles)
{
    std::vector<std::string> folders;
    size_t missing = 0;
    for (const std::string& given : options.Folders) {
        // A relative folder is taken from the current folder, as the file API would.
        const std::string full = PlainFolderText(Utf8Text(FileApiPath(given)));
        const DWORD attributes = LongPathAttributes(full);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            options.Errors.push_back("フォルダがありません: " + given);
            ++missing;
            continue;
        }
        // "a" and "C:\books\a" are one folder too.
        const bool twice = std::any_of(folders.begin(), folders.end(),
                                       [&](const std::string& folder) { return SameTextLocaleOrder(folder, full); });
        if (!twice) folders.push_back(full);
    }
    options.Folders = std::move(folders);
    options.FoldersNamed = options.Folders.size() + missing;
    if (options.Format.empty()) return;
    for (const std::string& entry : profiles) {
        const std::string name = ArchiveEntryName(entry);
        if (SameTextLocaleOrder(name, options.Format)) {
            options.Format = name;
            return;
        }
    }
    options.Errors.push_back("圧縮形式がありません: " + options.Format);
    options.Format.clear();
}

bool RecordStartErrors(const std::vector<std::string>& errors, const std::string& logPath, const std::string& result)
{
    bool written = true;
    for (const std::string& error : errors) {
        TJobLogEntry entry;
        entry.Time = JobLogTime();
        entry.Result = result;
        entry.Remark = error;
        written = AppendJobLog(logPath, JobLogLine(entry)) && written;
    }
    return written;
}
