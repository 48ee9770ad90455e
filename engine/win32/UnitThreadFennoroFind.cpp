// The find job: one row per folder directly below the root, with its verdict.
#include "engine/CheckNumbering.h"
#include "base/FileNameParts.h"
#include "base/AnsiText.h"
#include "engine/win32/FolderEntries.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "base/PathUtility.h"

#include <algorithm>

namespace {

// The verdict on an entry whose name the ANSI code page cannot hold: every later
// step (the archiver's command line, the shell) would name another entry or none.
constexpr char UnfitName[] = "扱えないファイル名です";
// The verdict on a folder whose entries cannot be listed.
constexpr char UnreadableFolder[] = "読み取れないフォルダがあります";
// Nesting past this many levels is refused: no book is kept so, and every step
// down costs the file system more (its path grows), so a hostile tree would
// otherwise hold the search for hours.
constexpr size_t MaxNestedLevels = 256;
constexpr char TooDeep[] = "フォルダの階層が深すぎます";

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
                       [&](const std::string& allowed) { return SameTextLocaleOrder(allowed, extension); });
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
    // A folder's row goes out together with the next folder's status text: queued
    // for an owner that drains them, else in one synchronous call per folder.
    bool rowStaged = false;
    ForEachFolderEntry(RootPath, [&](const TFolderEntry& entry) {
        if (!entry.IsFolder()) return true;
        const std::string& name = entry.Name;
        const std::string path = RootPath + name;
        StatusText = "検索中: " + path;
        ReportFolder(rowStaged);
        if (rowStaged) {
            rowStaged = false;
            if (StopRequested()) return false;
        }
        long long count = 0;
        // A folder the row cannot name exactly is not looked into: nothing could act
        // on it without reaching another entry. A link or junction leads out of the
        // root, and what it leads to must never be archived or recycled.
        const bool unfit = !IsExactName(entry) || (entry.Attributes & FILE_ATTRIBUTE_REPARSE_POINT);
        bool ok = !unfit && CheckFolder(path, count);
        // The pages are read only once nothing else keeps the folder back.
        if (ok && count > 0 && VerifyImages) ok = CheckPages();
        RowName = name;
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
        rowStaged = true;
        return !StopRequested();
    });
    Synchronize([this, rowStaged] {
        DeliverReports();
        if (rowStaged) AppendRow();
        StatusText = StopRequested() ? "検索を中断しました" : "検索が終了しました";
        ShowStatus();
    });
}

// Win32 drops a trailing blank or dot and reads device names as devices, so such a
// name would reach another entry than the one found.
bool TThreadFennoro::IsExactName(const TFolderEntry& entry) { return entry.ExactName && IsWin32ExactName(entry.Name); }

// path: a folder directly below the root, without trailing separator; its status
// text was shown by FindFolders. The tree below it is walked depth first with a
// stack of its own, so that no depth of nesting can exhaust the thread's stack.
bool TThreadFennoro::CheckFolder(const std::string& path, long long& count)
{
    const size_t ancestorsAtEntry = Ancestors.size();
    Pages.clear();
    const bool ok = CheckTree(path, count);
    Ancestors.resize(ancestorsAtEntry);
    return ok;
}

bool TThreadFennoro::CheckTree(const std::string& path, long long& count)
{
    struct TFrame {
        size_t DirLength;  // of dir, the path of the frame's folder with its separator
        std::vector<TSubFolder> SubFolders;
        size_t Next = 0;
        bool IdentityPushed = false;
    };
    std::vector<TFrame> frames;
    std::string dir = IncludeTrailingPathDelimiter(path);
    const auto enter = [&]() {
        TFrame frame{dir.size(), {}};
        if (!CheckFiles(dir, count)) return false;
        ReadSubFolders(dir, frame.SubFolders);
        frames.push_back(std::move(frame));
        return true;
    };
    if (!enter()) return false;

    bool topLooked = false;
    while (!frames.empty()) {
        TFrame& frame = frames.back();
        if (frame.Next == frame.SubFolders.size()) {
            if (frame.IdentityPushed) Ancestors.pop_back();
            frames.pop_back();
            if (!frames.empty()) dir.resize(frames.back().DirLength);
            continue;
        }
        const TSubFolder sub = frame.SubFolders[frame.Next++];
        if (!sub.Exact) {
            ResultText = UnfitName;
            RemarkText = sub.Name;
            return false;
        }
        if (Recursive && !(sub.Attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
            if (frames.size() == 1 && !topLooked) {
                // Needed only now that the search goes down from here.
                topLooked = true;
                if (const auto self = IdentityOf(dir)) {
                    Ancestors.push_back(*self);
                    frame.IdentityPushed = true;
                }
            }
            const std::string subPath = dir + sub.Name;
            const auto identity = IdentityOf(subPath);
            if (!identity || std::find(Ancestors.begin(), Ancestors.end(), *identity) == Ancestors.end()) {
                if (StopRequested()) {
                    ResultText = "中断されました";
                    RemarkText.clear();
                    return false;
                }
                if (frames.size() > MaxNestedLevels) {
                    ResultText = TooDeep;
                    RemarkText = subPath;
                    return false;
                }
                SetStatus("検索中: " + subPath);
                if (identity) Ancestors.push_back(*identity);
                dir = subPath + '\\';
                if (!enter()) return false;
                frames.back().IdentityPushed = identity.has_value();
                continue;
            }
        }
        // Not searched into: recursion is off, or the entry is a link (a reparse
        // point, or a folder already on the way down) that would lead out of the
        // folder or round in a loop.
        ResultText = "サブディレクトリが存在します";
        RemarkText = sub.Name;
        return false;
    }
    return true;
}

// First read: the files of dir. The first one that is not allowed decides.
bool TThreadFennoro::CheckFiles(const std::string& dir, long long& count)
{
    std::vector<std::string> names;
    bool anyFile = false;
    bool ok = true;
    const bool read = ForEachFolderEntry(dir, [&](const TFolderEntry& entry) {
        if (!entry.IsFile()) return true;
        anyFile = true;
        if (StopRequested()) {
            ResultText = "中断されました";
            RemarkText.clear();
            ok = false;
        } else if (!IsExactName(entry)) {
            // An archiver that reads names through the ANSI functions would miss it
            // or read another file.
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
    if (!read) {
        // Refused, or nested deeper than the file system reaches: what it holds
        // is unknown, so no archive of it could be known to be whole.
        ResultText = UnreadableFolder;
        RemarkText = ExcludeTrailingPathDelimiter(dir);
        return false;
    }
    if (anyFile) {
        // Ascending without regard to case; of names equal but for case (possible
        // on a case-sensitive file system) the first one found stays.
        SortUniqueTextLocaleOrder(names);
        if (ok && Numbered) ok = CheckNumbering(names);
        count += static_cast<long long>(names.size());
        // Kept, in this order, for the page check once the whole tree has passed.
        if (ok && VerifyImages) Pages.push_back({dir, std::move(names)});
    }
    return ok;
}

// Second read, only when the files passed: the sub-folders of dir, in the file
// system's order, up to the first one that ends the search whatever comes after
// it (any sub-folder when recursion is off, a name that cannot be reached, a link);
// the caller judges them.
void TThreadFennoro::ReadSubFolders(const std::string& dir, std::vector<TSubFolder>& subFolders)
{
    ForEachFolderEntry(dir, [&](const TFolderEntry& entry) {
        if (!entry.IsFolder()) return true;
        subFolders.push_back({entry.Name, entry.Attributes, IsExactName(entry)});
        return subFolders.back().Exact && Recursive && !(entry.Attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    });
}
