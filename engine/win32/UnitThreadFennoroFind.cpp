// The find job: one row per folder directly below the root, with its verdict.
#include "engine/CheckNumbering.h"
#include "base/FileNameParts.h"
#include "base/AnsiText.h"
#include "base/FileSystemRules.h"
#include "engine/win32/ComicInfoFile.h"
#include "engine/win32/ExistingArchive.h"
#include "engine/win32/FolderEntries.h"
#include "engine/win32/FolderSafety.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/PageChecker.h"
#include "engine/win32/PageRenumbering.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "base/PathUtility.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string_view>

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

namespace {

// A folder whose listing the find holds while it goes through what is below:
// the root, and with the tree search every folder of books.
struct TContainer {
    std::string Base;      // the root its rows are named below, with its separator
    std::string Location;  // below the root, with its separator ("" for the root)
    std::wstring WideDir;  // exact wide path with its separator
    size_t Depth = 0;      // 0 for the root
    std::shared_ptr<const std::vector<TFolderEntry>> Entries;
    size_t Next = 0;
};

// Folders of books nested deeper than this are judged as books: a tree of
// authors and series is a few levels deep, and the bound keeps a hostile tree
// from holding the find for ever.
constexpr size_t MaxContainerLevels = 1024;

} // namespace

TThreadFennoro::TTreeKind TThreadFennoro::TreeKindOf(const std::vector<TFolderEntry>& entries) const
{
    bool folders = false, archives = false;
    for (const TFolderEntry& entry : entries) {
        if (Ignored.Matches(entry.Name)) continue;
        if (entry.IsFolder()) {
            folders = true;
            continue;
        }
        const std::string extension(FileExtension(entry.Name));
        const bool archive = !extension.empty() && std::any_of(ArchiveExtensions.begin(), ArchiveExtensions.end(),
                                                               [&](const std::string& known) {
                                                                   return SameTextLocaleOrder(known, extension);
                                                               });
        if (!archive) return TTreeKind::Book;
        archives = true;
    }
    return folders ? TTreeKind::Container : archives ? TTreeKind::Done : TTreeKind::Book;
}

void TThreadFennoro::FindFolders()
{
    SetStatus("検索中: ");
    // The containers still being gone through, without recursion: the root (or, for
    // folders named one by one, each one's parent holding it alone), and with the
    // tree search each folder of books on the way down.
    std::vector<TContainer> containers;
    // Every name of each parent, for the archives already beside the folders.
    std::map<std::string, TListedNames> beside;
    const auto countFolders = [](const std::vector<TFolderEntry>& entries) {
        return static_cast<size_t>(
            std::count_if(entries.begin(), entries.end(), [](const TFolderEntry& entry) { return entry.IsFolder(); }));
    };
    size_t total = 0;
    if (NamedFolders.empty()) {
        auto rootEntries = std::make_shared<std::vector<TFolderEntry>>();
        TListedNames& rootNames = beside[RootPath];
        ForEachFolderEntry(RootPath, [&](const TFolderEntry& entry) {
            rootNames.Add(entry.WideName);
            rootEntries->push_back(entry);
            return true;
        });
        total = countFolders(*rootEntries);
        containers.push_back({RootPath, std::string(), FileApiPath(RootPath), 0, std::move(rootEntries), 0});
    } else {
        std::vector<TContainer> named;
        for (const std::string& folder : NamedFolders) {
            const std::string path = ExcludeTrailingPathDelimiter(folder);
            const size_t separator = LastPathDelimiter(path);
            const std::string parent = separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
            TFolderEntry entry;
            // The entry as its parent lists it: its name spelled as on disk.
            if (!parent.empty() && FolderEntryOf(path, entry) && entry.IsFolder()) {
                if (!beside.count(parent)) beside.emplace(parent, TListedNames::Of(parent));
                named.push_back({parent, std::string(), FileApiPath(parent), 0,
                                 std::make_shared<std::vector<TFolderEntry>>(1, entry), 0});
                ++total;
            } else {
                StatusText = "検索中: " + path;
                RowName = ExtractFileName(path).empty() ? path : ExtractFileName(path);
                RowWideName.clear();
                RowLocation.clear();
                RowListing = 0;
                RowChecked = false;
                ResultText = "フォルダが見つかりません";
                RemarkText = path;
                const std::string root = RootPath;
                RootPath = parent;
                std::vector<FolderRow> missing{StagedRow()};
                RootPath = root;
                ReportFolder(missing);
            }
        }
        // Onto the stack in reverse, so that they come off in the order named.
        std::move(named.rbegin(), named.rend(), std::back_inserter(containers));
    }
    std::string judgedRoot;
    std::wstring wideRoot;
    ChangeProgress([&](TJobProgress& progress) { progress.Total = total; });
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
    // A folder that is no row (a folder of books, an empty one deep down) still
    // counts as done.
    const auto passOver = [&] { ChangeProgress([](TJobProgress& progress) { ++progress.Done; }); };
    std::vector<TFolderEntry> listing;
    while (!containers.empty()) {
        TContainer& container = containers.back();
        if (container.Next == container.Entries->size()) {
            containers.pop_back();
            continue;
        }
        const TFolderEntry entry = (*container.Entries)[container.Next++];
        if (!entry.IsFolder()) continue;
        // A "__MACOSX" below the root is no book, at any depth.
        if (Ignored.Matches(entry.Name)) {
            passOver();
            continue;
        }
        if (container.Base != judgedRoot || wideRoot.empty()) {
            judgedRoot = RootPath = container.Base;
            RootIdentity.clear();
            if (const auto root = IdentityOfPath(FileApiPath(ExcludeTrailingPathDelimiter(RootPath)))) {
                RootIdentity.push_back(*root);
            }
            wideRoot = FileApiPath(RootPath);
        }
        const std::string& name = entry.Name;
        const std::string location = container.Location;
        const size_t depth = container.Depth;
        const std::string path = RootPath + location + name;
        const std::wstring widePath = container.WideDir + entry.WideName;
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
        // The folder's own listing, read once: it decides whether the tree search
        // goes through it, and is the top of its check.
        listing.clear();
        const bool listed = !unfit && ForEachFolderEntry(widePath + L'\\', [&](const TFolderEntry& sub) {
            listing.push_back(sub);
            return true;
        });
        const TTreeKind kind = InTree && listed ? TreeKindOf(listing) : TTreeKind::Book;
        if (kind == TTreeKind::Container && depth < MaxContainerLevels) {
            // container is not used past here: the push may move it.
            auto entries = std::make_shared<std::vector<TFolderEntry>>(std::move(listing));
            const size_t more = countFolders(*entries);
            const std::string inner = location + name + '\\';
            TListedNames& names = beside[RootPath + inner];
            for (const TFolderEntry& sub : *entries) names.Add(sub.WideName);
            ChangeProgress([&](TJobProgress& progress) {
                progress.Total += more;
                ++progress.Done;
            });
            containers.push_back({RootPath, inner, widePath + L'\\', depth + 1, std::move(entries), 0});
            listing.clear();
            if (StopRequested()) break;
            continue;
        }
        // A folder of books whose books are all archived is no book; below a
        // folder of books, neither is one that holds nothing.
        if (kind == TTreeKind::Done || (InTree && listed && depth > 0 && listing.empty())) {
            passOver();
            continue;
        }
        const bool ok = !unfit && CheckFolder(path, widePath, listed ? &listing : nullptr, count);
        if (pending) {
            EndPages(*pending);
            finish(std::move(pending->Row));
            pending.reset();
        }
        RowName = name;
        RowWideName = entry.WideName;
        RowLocation = location;
        RowListing = listed ? ListingDigest(listing) : 0;
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

// path: the row's folder, without trailing separator; its status text was shown
// by FindFolders. Its whole tree is judged by the safety rules first, then,
// folder by folder in the order walked, by the content rules.
bool TThreadFennoro::CheckFolder(const std::string& path, const std::wstring& widePath,
                                 const std::vector<TFolderEntry>* listing, long long& count)
{
    Pages.clear();
    TSafetyWalk walk{path, widePath, RootIdentity, [this] { return StopRequested(); }, nullptr};
    // Without recursion the folder's own listing decides whether anything below is read.
    TTreeFolder top{path + '\\', widePath + L'\\', 0, {}};
    if (listing) {
        top.Entries = *listing;
        if (!Recursive) {
            if (const auto verdict = CheckFirstLevel(top, count)) return *verdict;
        }
        walk.TopEntries = &top.Entries;
    }
    if (Recursive) walk.Entering = [this](const std::string& dir) { SetStatus("検索中: " + dir); };
    TFolderTree tree;
    if (const auto fault = WalkFolderTree(walk, tree)) {
        ResultText = fault->Result;
        RemarkText = fault->Remark;
        return false;
    }
    if (!CheckTreeContent(tree, count)) return false;
    if (VerifyImages) PagesTree = std::move(tree);  // for the page stamps
    return true;
}

// The content rules over a walked tree, folder by folder in the order walked.
bool TThreadFennoro::CheckTreeContent(const TFolderTree& tree, long long& count)
{
    const size_t topLength = tree.empty() ? 0 : tree.front().Dir.size();
    for (const TTreeFolder& folder : tree) {
        // What the system left (a "__MACOSX" and all in it) is no page and no sub-folder.
        if (folder.Depth > 0 && InsideIgnored(folder, topLength)) continue;
        if (!CheckFiles(folder, topLength, count)) return false;
        if (Recursive) continue;
        const auto sub = std::find_if(folder.Entries.begin(), folder.Entries.end(), [this](const TFolderEntry& entry) {
            return entry.IsFolder() && !Ignored.Matches(entry.Name);
        });
        if (sub != folder.Entries.end()) {
            ResultText = "サブディレクトリが存在します";
            RemarkText = sub->Name;
            return false;
        }
    }
    return true;
}

// Without recursion a folder holding a sub-folder is judged on its own listing
// alone: its files, then its first sub-folder. It could not be archived as the
// find sees it, and F8 walks the whole tree of a row checked by hand anyway, so
// nothing below is read. nullopt for a folder without sub-folders (but those the
// system left): the walk reads those.
std::optional<bool> TThreadFennoro::CheckFirstLevel(const TTreeFolder& folder, long long& count)
{
    const auto sub = std::find_if(folder.Entries.begin(), folder.Entries.end(), [this](const TFolderEntry& entry) {
        return entry.IsFolder() && !Ignored.Matches(entry.Name);
    });
    if (sub == folder.Entries.end()) return std::nullopt;
    if (!CheckFiles(folder, folder.Dir.size(), count)) return false;
    ResultText = "サブディレクトリが存在します";
    RemarkText = sub->Name;
    return false;
}

bool TThreadFennoro::InsideIgnored(const TTreeFolder& folder, size_t topLength) const
{
    if (Ignored.Empty()) return false;
    // The folders between the row's folder and this one, by name (UTF-8 holds no
    // separator inside a character).
    const std::string_view inside = std::string_view(folder.Dir).substr(topLength);
    for (size_t start = 0; start < inside.size();) {
        const size_t end = inside.find('\\', start);
        if (Ignored.Matches(inside.substr(start, end - start))) return true;
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return false;
}

// The files of one folder of the tree: the first one that is not allowed decides.
// A verdict about a folder below the row's names it by its path below the row's.
bool TThreadFennoro::CheckFiles(const TTreeFolder& folder, size_t topLength, long long& count)
{
    const std::string inside = folder.Dir.substr(std::min(topLength, folder.Dir.size()));
    std::vector<std::string> names;
    for (const TFolderEntry& entry : folder.Entries) {
        if (!entry.IsFile()) continue;
        if (StopRequested()) {
            ResultText = "中断されました";
            RemarkText.clear();
            return false;
        }
        // Left by the system or a viewer: no page, packed with nothing.
        if (Ignored.Matches(entry.Name)) continue;
        // The book's own metadata at its top: no page, packed as it is, if a reader can take it.
        if (folder.Depth == 0 && IsComicInfoName(entry.Name)) {
            if (IsWellFormedXmlFile(folder.WideDir + entry.WideName)) continue;
            ResultText = "ComicInfo.xmlが正しいXMLではありません";
            RemarkText = entry.Name;
            return false;
        }
        if (!IsAllowedExtension(std::string(FileExtension(entry.Name)))) {
            ResultText = "許容外の拡張子です";
            RemarkText = inside + entry.Name;
            return false;
        }
        names.push_back(entry.Name);
    }
    if (names.empty()) return true;
    // Ascending without regard to case (names equal but for case were refused above).
    SortUniqueTextLocaleOrder(names);
    if (Numbered && !CheckNumbering(names)) {
        if (!RemarkText.empty()) RemarkText.insert(0, inside);
        return false;
    }
    count += static_cast<long long>(names.size());
    // Kept, in this order, for the page check once the whole tree has passed.
    if (VerifyImages) Pages.push_back({folder.Dir, inside, std::move(names)});
    return true;
}
