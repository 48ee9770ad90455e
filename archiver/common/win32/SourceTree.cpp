#include "archiver/common/win32/SourceTree.h"

#include "archiver/common/ArchiverCommandLine.h"
#include "archiver/common/ArchiverError.h"
#include "archiver/common/win32/ExactPath.h"
#include "archiver/common/win32/TextConvert.h"
#include "base/FileSystemRules.h"

#include <algorithm>
#include <cwctype>

namespace {

uint64_t ToUint64(const FILETIME& time) { return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

std::wstring Upper(std::wstring text)
{
    if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// '*' any run, '?' one character; both already upper-cased.
bool WildcardMatch(std::wstring_view name, std::wstring_view pattern)
{
    size_t n = 0, p = 0, starP = std::wstring_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == L'?' || pattern[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == L'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::wstring_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == L'*') ++p;
    return p == pattern.size();
}

struct TPatternSet {
    bool All = false;
    std::vector<std::wstring> Patterns;  // upper-cased, '/' turned into '\\'

    bool Matches(const std::wstring& name, const std::wstring& relativePath) const
    {
        if (All) return true;
        const std::wstring upperName = Upper(name), upperPath = Upper(relativePath);
        return std::any_of(Patterns.begin(), Patterns.end(), [&](const std::wstring& pattern) {
            return WildcardMatch(pattern.find(L'\\') != std::wstring::npos ? upperPath : upperName, pattern);
        });
    }
};

// One folder's items, sorted by name, and how far the walk has come in it.
struct TFolderWalk {
    std::wstring Relative;               // below the base folder, with a trailing separator ("" for the base)
    std::vector<WIN32_FIND_DATAW> Items;
    size_t Next = 0;
    size_t EntryIndex = SIZE_MAX;        // the folder's own entry (none for the base)
    bool Matches = true;                 // the folder matches the patterns itself
};

// Depth-first without recursion: a tree thousands of levels deep costs heap,
// not stack, and time in proportion to its paths' length.
class TCollector {
public:
    TCollector(TSourceTree& tree, const TPatternSet& patterns, bool recursive, const std::vector<std::wstring>& excluded)
        : Tree(tree), Patterns(patterns), Recursive(recursive), Excluded(excluded) {}

    void Collect()
    {
        std::vector<TFolderWalk> walks;
        walks.push_back(TFolderWalk{L"", ReadFolder(L"")});
        while (!walks.empty()) {
            TFolderWalk& walk = walks.back();
            if (walk.Next == walk.Items.size()) {
                // A folder is stored when it matches or when something below it was taken.
                if (walk.EntryIndex != SIZE_MAX && !walk.Matches && Tree.Entries.size() == walk.EntryIndex + 1) Tree.Entries.pop_back();
                walks.pop_back();
                continue;
            }
            const WIN32_FIND_DATAW& item = walk.Items[walk.Next++];
            if (IsExcluded(item.cFileName)) continue;
            TSourceEntry entry;
            entry.RelativePath = walk.Relative + item.cFileName;
            entry.Path = Tree.BaseFolder + entry.RelativePath;
            entry.IsDirectory = (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            entry.Size = entry.IsDirectory ? 0 : (static_cast<uint64_t>(item.nFileSizeHigh) << 32) | item.nFileSizeLow;
            entry.Attributes = item.dwFileAttributes;
            entry.CreationTime = ToUint64(item.ftCreationTime);
            entry.LastAccessTime = ToUint64(item.ftLastAccessTime);
            entry.LastWriteTime = ToUint64(item.ftLastWriteTime);
            const bool matches = Patterns.Matches(item.cFileName, entry.RelativePath);
            if (!entry.IsDirectory) {
                if (!matches) continue;
                ++Tree.FileCount;
                Tree.TotalBytes += entry.Size;
                Tree.Entries.push_back(std::move(entry));
                continue;
            }
            if (!Recursive) continue;
            // A folder joined in by a link could lead back up the tree: stored, not entered.
            // A cloud placeholder or another reparse point that holds its own data is a folder.
            const bool link = IsLinkReparsePoint(item.dwFileAttributes, item.dwReserved0);
            if (link && !matches) continue;
            std::wstring relative = entry.RelativePath + L"\\";
            Tree.Entries.push_back(std::move(entry));
            if (link) continue;
            TFolderWalk inner{std::move(relative), {}, 0, Tree.Entries.size() - 1, matches};
            inner.Items = ReadFolder(inner.Relative);
            walks.push_back(std::move(inner));  // walk and item are not used past here
        }
    }

private:
    bool IsExcluded(const wchar_t* name) const
    {
        if (Excluded.empty()) return false;
        const std::wstring upper = Upper(name);
        return std::any_of(Excluded.begin(), Excluded.end(),
                           [&](const std::wstring& pattern) { return WildcardMatch(upper, pattern); });
    }

    std::vector<WIN32_FIND_DATAW> ReadFolder(const std::wstring& relativeFolder) const
    {
        const std::wstring folder = Tree.BaseFolder + relativeFolder;
        // The reason before the name: a deep folder's name may not fit the caller's buffer.
        const auto unreadable = [&](DWORD error) {
            const std::wstring name = relativeFolder.empty() ? PlainPath(folder) : relativeFolder.substr(0, relativeFolder.size() - 1);
            return TArchiverError(ArchiverSourceError, "フォルダを読み込めません(" + SystemErrorText(error) + "): " + WideToUtf8(name));
        };
        std::vector<WIN32_FIND_DATAW> items;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW((folder + L"*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES) return items;
            throw unreadable(error);
        }
        do {
            if (wcscmp(data.cFileName, L".") != 0 && wcscmp(data.cFileName, L"..") != 0) items.push_back(data);
        } while (FindNextFileW(find, &data));
        const DWORD error = GetLastError();
        FindClose(find);
        if (error != ERROR_NO_MORE_FILES) {
            throw unreadable(error);
        }
        std::sort(items.begin(), items.end(), [](const WIN32_FIND_DATAW& a, const WIN32_FIND_DATAW& b) {
            return _wcsicmp(a.cFileName, b.cFileName) < 0;
        });
        return items;
    }

    TSourceTree& Tree;
    const TPatternSet& Patterns;
    bool Recursive;
    const std::vector<std::wstring>& Excluded;  // upper-cased
};

// A full path ("C:\\dir\\file", "\\\\server\\share\\file") among the patterns names one
// file from outside the base folder.
bool IsFullPath(const std::wstring& path)
{
    const bool drive = path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    return drive || path.rfind(L"\\\\", 0) == 0 || path.rfind(L"//", 0) == 0;
}

// The file a full path names, stored at the archive's root under its own name
// after everything the base folder gave; its name must be new there.
void AddOutsideFile(TSourceTree& tree, const std::wstring& path)
{
    const std::wstring exact = ExactPath(path);
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(exact.c_str(), GetFileExInfoStandard, &data) || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        throw TArchiverError(ArchiverSourceError, "ファイルが見つかりません: " + WideToUtf8(path));
    }
    TSourceEntry entry;
    entry.Path = exact;
    entry.RelativePath = exact.substr(exact.find_last_of(L'\\') + 1);
    const std::wstring upper = Upper(entry.RelativePath);
    for (const TSourceEntry& other : tree.Entries) {
        if (Upper(other.RelativePath) == upper) {
            throw TArchiverError(ArchiverSourceError, "同じ名前のファイルがあります: " + WideToUtf8(entry.RelativePath));
        }
    }
    entry.Size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    entry.Attributes = data.dwFileAttributes;
    entry.CreationTime = ToUint64(data.ftCreationTime);
    entry.LastAccessTime = ToUint64(data.ftLastAccessTime);
    entry.LastWriteTime = ToUint64(data.ftLastWriteTime);
    ++tree.FileCount;
    tree.TotalBytes += entry.Size;
    tree.Entries.push_back(std::move(entry));
}

} // namespace

TSourceTree CollectSources(const std::string& baseFolder, const std::vector<std::string>& patterns, bool recursive,
                           const std::vector<std::string>& excluded)
{
    TSourceTree tree;
    const std::wstring base = Utf8ToWide(baseFolder);
    const DWORD attributes = base.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(ExactPath(base).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        throw TArchiverError(ArchiverSourceError, "フォルダが見つかりません: " + baseFolder);
    }
    tree.BaseFolder = ExactPath(base);
    if (tree.BaseFolder.back() != L'\\') tree.BaseFolder += L'\\';

    TPatternSet set;
    std::vector<std::wstring> outside;
    for (const std::string& pattern : patterns) {
        if (IsMatchAllPattern(pattern)) set.All = true;
        std::wstring wide = Utf8ToWide(pattern);
        if (IsFullPath(wide)) {
            outside.push_back(std::move(wide));
            continue;
        }
        std::replace(wide.begin(), wide.end(), L'/', L'\\');
        set.Patterns.push_back(Upper(wide));
    }
    std::vector<std::wstring> excludedUpper;
    for (const std::string& pattern : excluded) excludedUpper.push_back(Upper(Utf8ToWide(pattern)));
    // Files from outside alone take the whole folder, as no pattern at all would.
    if (set.Patterns.empty() && !outside.empty()) set.All = true;
    TCollector(tree, set, recursive, excludedUpper).Collect();
    if (tree.Entries.empty()) throw TArchiverError(ArchiverSourceError, "圧縮するファイルがありません: " + baseFolder);
    for (const std::wstring& path : outside) AddOutsideFile(tree, path);
    return tree;
}

std::string DisplayName(const TSourceEntry& entry) { return WideToUtf8(entry.RelativePath); }

std::string Utf8ArchiveName(const TSourceEntry& entry)
{
    std::wstring name = entry.RelativePath;
    std::replace(name.begin(), name.end(), L'\\', L'/');
    return WideToUtf8(name);
}

uint32_t DosDateTime(uint64_t fileTime)
{
    FILETIME utc{static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)}, local;
    WORD date = 0, time = 0;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time) || date < (1 << 5 | 1)) {
        return (1u << 5 | 1u) << 16;  // 1980-01-01 00:00
    }
    return (static_cast<uint32_t>(date) << 16) | time;
}

int32_t UnixTime(uint64_t fileTime)
{
    const int64_t seconds = (static_cast<int64_t>(fileTime) - 116444736000000000LL) / 10000000LL;
    return static_cast<int32_t>(std::clamp<int64_t>(seconds, INT32_MIN, INT32_MAX));
}
