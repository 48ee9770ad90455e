// The find job: one row per folder directly below the root, with its verdict.
#include "engine/CheckNumbering.h"
#include "base/FileNameParts.h"
#include "base/AnsiText.h"
#include "base/FileSystemRules.h"
#include "engine/win32/ExistingArchive.h"
#include "engine/win32/FolderEntries.h"
#include "engine/win32/FolderSafety.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/PageChecker.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "base/PathUtility.h"

#include <algorithm>
#include <map>
#include <optional>

namespace {

// The verdict on an entry below the root that no later step could reach exactly
// (the archiver's command line, the shell): a name Win32 rewrites or no text
// can hold, or a link or junction leading out of the root.
constexpr char UnfitName[] = "扱えないファイル名です";

} // namespace

bool TThreadFennoro::IsAllowedExtension(const std::string& extension) const
{
    return std::any_of(AllowedExtensions.begin(), AllowedExtensions.end(),
                       [&](const std::string& allowed) { return SameTextLocaleOrder(allowed, extension); });
}

bool TThreadFennoro::CheckNumbering(const std::vector<std::string>& names)
{
    return ::CheckNumbering(names, NumberedAbout, [this] { return StopRequested(); }, ResultText, RemarkText);
}

void TThreadFennoro::FindFolders()
{
    SetStatus("検索中: ");
    // Each folder with the folder it is judged below: the root, or for folders named
    // one by one, each one's own parent.
    struct TFindItem {
        std::string Parent;  // with its separator
        TFolderEntry Entry;
    };
    // The folders first, so that the progress can say how many there are.
    std::vector<TFindItem> folders;
    // Every name of each parent, for the archives already beside the folders.
    std::map<std::string, TListedNames> beside;
    if (NamedFolders.empty()) {
        TListedNames& rootNames = beside[RootPath];
        ForEachFolderEntry(RootPath, [&](const TFolderEntry& entry) {
            rootNames.Add(entry.WideName);
            if (entry.IsFolder()) folders.push_back({RootPath, entry});
            return true;
        });
    } else {
        for (const std::string& named : NamedFolders) {
            const std::string path = ExcludeTrailingPathDelimiter(named);
            const size_t separator = LastPathDelimiter(path);
            TFindItem item{separator == std::string::npos ? std::string() : path.substr(0, separator + 1), {}};
            // The entry as its parent lists it: its name spelled as on disk.
            if (!item.Parent.empty() && FolderEntryOf(path, item.Entry) && item.Entry.IsFolder()) {
                if (!beside.count(item.Parent)) beside.emplace(item.Parent, TListedNames::Of(item.Parent));
                folders.push_back(std::move(item));
            } else {
                StatusText = "検索中: " + path;
                RowName = ExtractFileName(path).empty() ? path : ExtractFileName(path);
                RowWideName.clear();
                RowChecked = false;
                ResultText = "フォルダが見つかりません";
                RemarkText = path;
                const std::string parent = RootPath;
                RootPath = item.Parent;
                std::vector<FolderRow> missing{StagedRow()};
                RootPath = parent;
                ReportFolder(missing);
            }
        }
    }
    std::string judgedRoot;
    std::wstring wideRoot;
    ChangeProgress([&](TJobProgress& progress) { progress.Total = folders.size(); });
    // Rows go out together with the next folder's status text: queued for an owner
    // that drains them, else in one synchronous call per folder. A folder whose
    // pages are read waits for its row while the next folder is listed.
    std::vector<FolderRow> ready;
    std::optional<TPendingFolder> pending;
    const auto finish = [&](FolderRow row) {
        JudgeExistingArchive(row, ArchiveExtension, beside[row.ParentPath]);
        ChangeProgress([&row](TJobProgress& progress) {
            ++progress.Done;
            if (row.Checked) ++progress.Fit;
        });
        ready.push_back(std::move(row));
    };
    for (const TFindItem& item : folders) {
        const TFolderEntry& entry = item.Entry;
        if (item.Parent != judgedRoot || wideRoot.empty()) {
            judgedRoot = RootPath = item.Parent;
            RootIdentity.clear();
            if (const auto root = IdentityOfPath(FileApiPath(ExcludeTrailingPathDelimiter(RootPath)))) {
                RootIdentity.push_back(*root);
            }
            wideRoot = FileApiPath(RootPath);
        }
        const std::string& name = entry.Name;
        const std::string path = RootPath + name;
        StatusText = "検索中: " + path;
        const bool rows = !ready.empty();
        ReportFolder(ready);
        if (rows && StopRequested()) break;
        long long count = 0;
        // A folder the row cannot name exactly is not looked into: nothing could act
        // on it without reaching another entry. A link or junction leads out of the
        // root, and what it leads to must never be archived or recycled.
        const bool unfit =
            !entry.ExactName || !IsPlainFileName(name) || IsLinkReparsePoint(entry.Attributes, entry.ReparseTag);
        const bool ok = !unfit && CheckFolder(path, wideRoot + entry.WideName, count);
        if (pending) {
            EndPages(*pending);
            finish(std::move(pending->Row));
            pending.reset();
        }
        RowName = name;
        RowWideName = entry.WideName;
        RowChecked = ok && count > 0;
        if (unfit) {
            ResultText = UnfitName;
            RemarkText = name;
        } else if (ok && count > 0) {
            ResultText = "+圧縮できます";
            RemarkText.clear();
        } else if (ok) {
            ResultText = "空のフォルダです";
            RemarkText = path;
        }  // else the check left its reason in ResultText and RemarkText
        // The pages are read only once nothing else keeps the folder back.
        if (RowChecked && VerifyImages) {
            pending.emplace();
            pending->Row = StagedRow();
            BeginPages(*pending);
        } else {
            finish(StagedRow());
        }
        if (StopRequested()) break;
    }
    if (pending) {
        EndPages(*pending);
        finish(std::move(pending->Row));
    }
    PageChecker.reset();  // its helper thread ends with the walk
    Synchronize([this, &ready] {
        DeliverReports();
        for (const FolderRow& row : ready) Owner.AddRow(row);
        StatusText = StopRequested() ? "検索を中断しました" : "検索が終了しました";
        ShowStatus();
    });
}

// path: a folder directly below the root, without trailing separator; its status
// text was shown by FindFolders. Its whole tree is judged by the safety rules
// first, then, folder by folder in the order walked, by the content rules.
bool TThreadFennoro::CheckFolder(const std::string& path, const std::wstring& widePath, long long& count)
{
    Pages.clear();
    TSafetyWalk walk{path, widePath, RootIdentity, [this] { return StopRequested(); }, nullptr};
    // Without recursion the folder's own listing decides whether anything below is read.
    TTreeFolder top{path + '\\', widePath + L'\\', 0, {}};
    if (!Recursive && ForEachFolderEntry(top.WideDir, [&](const TFolderEntry& entry) {
            top.Entries.push_back(entry);
            return true;
        })) {
        if (const auto verdict = CheckFirstLevel(top, count)) return *verdict;
        walk.TopEntries = &top.Entries;
    }
    if (Recursive) walk.Entering = [this](const std::string& dir) { SetStatus("検索中: " + dir); };
    TFolderTree tree;
    if (const auto fault = WalkFolderTree(walk, tree)) {
        ResultText = fault->Result;
        RemarkText = fault->Remark;
        return false;
    }
    for (const TTreeFolder& folder : tree) {
        if (!CheckFiles(folder, count)) return false;
        if (Recursive) continue;
        const auto sub = std::find_if(folder.Entries.begin(), folder.Entries.end(),
                                      [](const TFolderEntry& entry) { return entry.IsFolder(); });
        if (sub != folder.Entries.end()) {
            ResultText = "サブディレクトリが存在します";
            RemarkText = sub->Name;
            return false;
        }
    }
    if (VerifyImages) PagesTree = std::move(tree);  // for the page stamps
    return true;
}

// Without recursion a folder holding a sub-folder is judged on its own listing
// alone: its files, then its first sub-folder. It could not be archived as the
// find sees it, and F8 walks the whole tree of a row checked by hand anyway, so
// nothing below is read. nullopt for a folder without sub-folders: its listing
// is its whole tree, for the safety walk.
std::optional<bool> TThreadFennoro::CheckFirstLevel(const TTreeFolder& folder, long long& count)
{
    const auto sub = std::find_if(folder.Entries.begin(), folder.Entries.end(),
                                  [](const TFolderEntry& entry) { return entry.IsFolder(); });
    if (sub == folder.Entries.end()) return std::nullopt;
    if (!CheckFiles(folder, count)) return false;
    ResultText = "サブディレクトリが存在します";
    RemarkText = sub->Name;
    return false;
}

// The files of one folder of the tree: the first one that is not allowed decides.
bool TThreadFennoro::CheckFiles(const TTreeFolder& folder, long long& count)
{
    std::vector<std::string> names;
    for (const TFolderEntry& entry : folder.Entries) {
        if (!entry.IsFile()) continue;
        if (StopRequested()) {
            ResultText = "中断されました";
            RemarkText.clear();
            return false;
        }
        if (!IsAllowedExtension(std::string(FileExtension(entry.Name)))) {
            ResultText = "許容外の拡張子です";
            RemarkText = entry.Name;
            return false;
        }
        names.push_back(entry.Name);
    }
    if (names.empty()) return true;
    // Ascending without regard to case (names equal but for case were refused above).
    SortUniqueTextLocaleOrder(names);
    if (Numbered && !CheckNumbering(names)) return false;
    count += static_cast<long long>(names.size());
    // Kept, in this order, for the page check once the whole tree has passed.
    if (VerifyImages) Pages.push_back({folder.Dir, std::move(names)});
    return true;
}
