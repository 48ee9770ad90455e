// The find job: one row per folder directly below the root, with its verdict.
#include "engine/CheckNumbering.h"
#include "engine/FileNameParts.h"
#include "engine/win32/AnsiCompare.h"
#include "engine/win32/FolderEntries.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "settings/PathUtility.h"

#include <algorithm>

namespace {

// The verdict on an entry whose name the ANSI code page cannot hold: every later
// step (the archiver's command line, the shell) would name another entry or none.
constexpr char UnfitName[] = "扱えないファイル名です";

} // namespace

// The volume and file index of a folder, the same for every path that leads to it
// (through links too); none when it cannot be opened.
std::optional<TThreadFennoro::FolderIdentity> TThreadFennoro::IdentityOf(const std::string& dir)
{
    std::string target = ExcludeTrailingPathDelimiter(dir);
    if (target.empty() || target.back() == ':') target = dir;  // a drive's root keeps its separator
    ScopedHandle handle(CreateFileW(FileApiPath(target).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle || handle.get() == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
    return FolderIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

bool TThreadFennoro::IsAllowedExtension(const std::string& extension) const
{
    return std::any_of(AllowedExtensions.begin(), AllowedExtensions.end(),
                       [&](const std::string& allowed) { return AnsiSameText(allowed, extension); });
}

bool TThreadFennoro::CheckNumbering(const std::vector<std::string>& names)
{
    return ::CheckNumbering(names, NumberedAbout, [this] { return StopRequested(); }, ResultText, RemarkText);
}

void TThreadFennoro::FindFolders()
{
    SetStatus("検索中: ");
    Ancestors.clear();
    if (Recursive) {
        if (const auto root = IdentityOf(RootPath)) Ancestors.push_back(*root);
    }
    // A folder's row goes out together with the next folder's status text: one
    // synchronous call per folder instead of two. The owner sees the same steps.
    bool rowStaged = false;
    ForEachFolderEntry(RootPath, [&](const TFolderEntry& entry) {
        if (!entry.IsFolder()) return true;
        const std::string& name = entry.Name;
        const std::string path = RootPath + name;
        StatusText = "検索中: " + path;
        if (rowStaged) {
            Synchronize([this] {
                AppendRow();
                if (!StopRequested()) ShowStatus();
            });
            rowStaged = false;
            if (StopRequested()) return false;
        } else {
            Synchronize([this] { ShowStatus(); });
        }
        long long count = 0;
        // A folder the row cannot name is not looked into: nothing could act on it.
        bool ok = entry.ExactName && CheckFolder(path, count, false);
        // The pages are read only once nothing else keeps the folder back.
        if (ok && count > 0 && VerifyImages) ok = CheckImages(path);
        RowName = name;
        RowChecked = ok && count > 0;
        if (!entry.ExactName) {
            ResultText = UnfitName;
            RemarkText = name;
        } else if (ok && count > 0) {
            ResultText = "+圧縮できます";
            RemarkText.clear();
        } else if (ok) {
            ResultText = "空のフォルダです";
            RemarkText = path;
        }  // else the check left its reason in ResultText and RemarkText
        rowStaged = true;
        return !StopRequested();
    });
    Synchronize([this, rowStaged] {
        if (rowStaged) AppendRow();
        StatusText = StopRequested() ? "検索を中断しました" : "検索が終了しました";
        ShowStatus();
    });
}

// path: without trailing separator. nested: a sub-folder reached from its parent,
// whose identity is on the Ancestors chain; a folder below the root had its
// status text shown by FindFolders.
bool TThreadFennoro::CheckFolder(const std::string& path, long long& count, bool nested)
{
    if (nested) SetStatus("検索中: " + path);
    const std::string dir = IncludeTrailingPathDelimiter(path);
    bool ok = true;

    // First read: the files. The first one that is not allowed decides.
    std::vector<std::string> names;
    bool anyFile = false;
    ForEachFolderEntry(dir, [&](const TFolderEntry& entry) {
        if (!entry.IsFile()) return true;
        anyFile = true;
        if (StopRequested()) {
            ResultText = "中断されました";
            RemarkText.clear();
            ok = false;
        } else if (!entry.ExactName) {
            // An archiver that reads names through the ANSI functions would miss it.
            ResultText = UnfitName;
            RemarkText = entry.Name;
            ok = false;
        } else if (IsAllowedExtension(std::string(FileExtension(entry.Name)))) {
            names.push_back(entry.Name);
        } else {
            ResultText = "許容外の拡張子です";
            RemarkText = entry.Name;
            ok = false;
        }
        return ok;
    });
    if (anyFile) {
        // Ascending without regard to case; of names equal but for case (possible
        // on a case-sensitive file system) the first one found stays.
        AnsiSortUniqueText(names);
        if (ok && Numbered) ok = CheckNumbering(names);
        count += static_cast<long long>(names.size());
    }
    names = std::vector<std::string>();  // nested folders need none of them

    // Second read, only when the files passed: the sub-folders.
    if (ok) ok = CheckSubFolders(dir, count, nested);
    return ok;
}

bool TThreadFennoro::CheckSubFolders(const std::string& dir, long long& count, bool nested)
{
    bool ok = true;
    bool selfLooked = false;
    bool selfPushed = false;
    ForEachFolderEntry(dir, [&](const TFolderEntry& entry) {
        if (!entry.IsFolder()) return true;
        const std::string& name = entry.Name;
        if (!entry.ExactName) {
            ResultText = UnfitName;
            RemarkText = name;
            ok = false;
            return false;
        }
        if (Recursive && !(entry.Attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            if (!nested && !selfLooked) {
                // Needed only now that the search goes down from here.
                selfLooked = true;
                if (const auto self = IdentityOf(dir)) {
                    Ancestors.push_back(*self);
                    selfPushed = true;
                }
            }
            const std::string path = dir + name;
            const auto identity = IdentityOf(path);
            if (!identity || std::find(Ancestors.begin(), Ancestors.end(), *identity) == Ancestors.end()) {
                if (identity) Ancestors.push_back(*identity);
                ok = CheckFolder(path, count, true);
                if (identity) Ancestors.pop_back();
                return ok;
            }
        }
        // Not searched into: recursion is off, or the entry is a link (a reparse
        // point, or a folder already on the way down) that would lead out of the
        // folder or round in a loop.
        ResultText = "サブディレクトリが存在します";
        RemarkText = name;
        ok = false;
        return false;
    });
    if (selfPushed) Ancestors.pop_back();
    return ok;
}
