#include "engine/win32/FolderSafety.h"

#include "base/FileSystemRules.h"
#include "base/PathUtility.h"
#include "toolkit/ScopedHandle.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <unordered_set>

const char InterruptedResult[] = "中断されました";

namespace {

constexpr char UnfitName[] = "扱えないファイル名です";
constexpr char HoldsLink[] = "リンクを含むフォルダです";
constexpr char CaseTwins[] = "大文字と小文字だけが違う名前があります";
constexpr char UnreadableFolder[] = "読み取れないフォルダがあります";
constexpr char TooDeep[] = "フォルダの階層が深すぎます";

// The name as the file system compares names: without regard to case.
std::wstring FoldCase(const std::wstring& name)
{
    std::wstring folded = name;
    if (!folded.empty()) CharUpperBuffW(folded.data(), static_cast<DWORD>(folded.size()));
    return folded;
}

TSafetyFault Fault(const char* result, std::string remark) { return {result, std::move(remark)}; }

// Wine lists a link to a file as the file it leads to, without the reparse
// attribute it gives links to folders; Windows marks both.
bool FileLinksUnmarked()
{
    static const bool unmarked =
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return unmarked;
}

// The full path of what the path leads to once every link on the way is followed,
// with the volume's own name in front; empty when it cannot be opened.
std::wstring FinalPath(const std::wstring& path)
{
    ScopedHandle handle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle || handle.get() == INVALID_HANDLE_VALUE) return {};
    std::wstring final(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = GetFinalPathNameByHandleW(handle.get(), final.data(), static_cast<DWORD>(final.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_NT);
        if (length == 0) return {};
        if (length < final.size()) {
            final.resize(length);
            return final;
        }
        final.resize(length + 1);
    }
    return {};
}

// The first file of the folder that leads somewhere else than where it is listed.
// Each file is opened, a few server round trips under Wine: two threads take
// turns, so that their waits overlap, as the page check's do.
const TFolderEntry* FileLeadingElsewhere(const TTreeFolder& folder)
{
    if (!FileLinksUnmarked()) return nullptr;
    std::vector<const TFolderEntry*> files;
    for (const TFolderEntry& entry : folder.Entries)
        if (entry.IsFile()) files.push_back(&entry);
    if (files.empty()) return nullptr;
    std::wstring here = FinalPath(folder.WideDir.substr(0, folder.WideDir.size() - 1));
    if (here.empty()) return nullptr;
    if (here.back() != L'\\') here += L'\\';
    std::atomic<size_t> next{0};
    std::atomic<size_t> first{files.size()};
    const auto work = [&] {
        for (size_t i; (i = next++) < files.size() && i < first;) {
            const std::wstring there = FinalPath(folder.WideDir + files[i]->WideName);
            // One that cannot be opened leads nowhere the archiver could read either.
            if (there.empty() || there == here + files[i]->WideName) continue;
            for (size_t seen = first; i < seen && !first.compare_exchange_weak(seen, i);) {}
        }
    };
    {
        std::thread helper;
        if (files.size() >= 8) {
            try {
                helper = std::thread(work);
            } catch (const std::system_error&) {
                // One thread does it all.
            }
        }
        const struct TJoin {
            std::thread& Thread;
            ~TJoin()
            {
                if (Thread.joinable()) Thread.join();
            }
        } join{helper};
        work();
    }
    return first < files.size() ? files[first] : nullptr;
}

} // namespace

bool IsLinkAt(const std::wstring& path)
{
    WIN32_FIND_DATAW data;
    ScopedFind find(FindFirstFileExW(path.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, 0));
    if (find.get() == INVALID_HANDLE_VALUE) return false;
    return IsLinkReparsePoint(data.dwFileAttributes, data.dwReserved0);
}

std::optional<TFolderIdentity> IdentityOfPath(const std::wstring& path)
{
    ScopedHandle handle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle || handle.get() == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
    return TFolderIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

std::optional<TSafetyFault> WalkFolderTree(const TSafetyWalk& walk, TFolderTree& tree)
{
    tree.clear();
    // Per folder of the tree: its parent's position and, once looked up, its identity.
    struct TLink {
        size_t Parent;
        std::optional<TFolderIdentity> Identity;
    };
    std::vector<TLink> links;
    struct TPending {
        std::string Dir;
        std::wstring WideDir;
        size_t Depth;
        size_t Parent;
        std::optional<TFolderIdentity> Identity;
    };
    constexpr size_t None = static_cast<size_t>(-1);
    std::vector<TPending> pending{{walk.Path + '\\', walk.WidePath + L'\\', 0, None, std::nullopt}};
    const size_t topLength = walk.Path.size() + 1;
    // The path inside the walked folder, as a remark names it.
    const auto inside = [&](const std::string& dir, const std::string& name) { return dir.substr(topLength) + name; };
    // True when the identity is the one of a folder on the way down to `at`, itself included.
    const auto onTheWay = [&](const TFolderIdentity& identity, size_t at) {
        for (; at != None; at = links[at].Parent) {
            if (links[at].Identity == identity) return true;
        }
        return std::find(walk.Ancestors.begin(), walk.Ancestors.end(), identity) != walk.Ancestors.end();
    };

    std::vector<TPending> subFolders;
    std::unordered_set<std::wstring> seen;
    while (!pending.empty()) {
        TPending next = std::move(pending.back());
        pending.pop_back();
        if (next.Depth > 0) {
            if (walk.StopRequested && walk.StopRequested()) return Fault(InterruptedResult, {});
            if (walk.Entering) walk.Entering(next.Dir.substr(0, next.Dir.size() - 1));
        }
        TTreeFolder folder{std::move(next.Dir), std::move(next.WideDir), next.Depth, {}};
        const bool given = next.Depth == 0 && walk.TopEntries;
        if (given) folder.Entries = *walk.TopEntries;
        const bool read = given || ForEachFolderEntry(folder.WideDir, [&](const TFolderEntry& entry) {
            folder.Entries.push_back(entry);
            return true;
        });
        // Refused, or nested deeper than the file system reaches: what it holds is
        // unknown, so no archive of it could be known to be whole.
        if (!read) return Fault(UnreadableFolder, ExcludeTrailingPathDelimiter(folder.Dir));

        const size_t self = tree.size();
        links.push_back({next.Parent, next.Identity});
        // Only a folder with sub-folders needs its own identity (the top's is looked up here).
        if (!links[self].Identity && std::any_of(folder.Entries.begin(), folder.Entries.end(),
                                                 [](const TFolderEntry& entry) { return entry.IsFolder(); })) {
            links[self].Identity = IdentityOfPath(folder.WideDir);
        }
        seen.clear();
        subFolders.clear();
        for (const TFolderEntry& entry : folder.Entries) {
            // A name no text can give back, or that reaches another entry.
            if (!entry.ExactName || !IsPlainFileName(entry.Name)) return Fault(UnfitName, entry.Name);
            // It leads out of the folder: what it leads to must never be archived or removed.
            if (IsLinkReparsePoint(entry.Attributes, entry.ReparseTag)) return Fault(HoldsLink, inside(folder.Dir, entry.Name));
            // An archive would hold both, and extracting it on Windows keeps one.
            if (!seen.insert(FoldCase(entry.WideName)).second) return Fault(CaseTwins, entry.Name);
            if (!entry.IsFolder()) continue;
            const std::string subDir = folder.Dir + entry.Name;
            if (folder.Depth + 1 > MaxNestedLevels) return Fault(TooDeep, subDir);
            std::wstring subWide = folder.WideDir + entry.WideName;
            const auto identity = IdentityOfPath(subWide);
            // A mounted folder showing one on the way down: the same as a link.
            if (identity && onTheWay(*identity, self)) return Fault(HoldsLink, inside(folder.Dir, entry.Name));
            subFolders.push_back({subDir + '\\', std::move(subWide) + L'\\', folder.Depth + 1, self, identity});
        }
        // A link to a file reads another file's bytes, and may lead out of the root.
        if (walk.ResolveFiles) {
            if (const TFolderEntry* linked = FileLeadingElsewhere(folder))
                return Fault(HoldsLink, inside(folder.Dir, linked->Name));
        }
        tree.push_back(std::move(folder));
        // Reversed onto the stack, so that they come off in the file system's order.
        std::move(subFolders.rbegin(), subFolders.rend(), std::back_inserter(pending));
    }
    return std::nullopt;
}

TTreeDigest DigestOf(const TFolderTree& tree)
{
    TTreeDigest digest;
    digest.Value = 0xCBF29CE484222325ULL;
    const auto mix = [&](const void* data, size_t size) {
        for (size_t i = 0; i < size; ++i)
            digest.Value = (digest.Value ^ static_cast<const unsigned char*>(data)[i]) * 0x100000001B3ULL;
    };
    const size_t topLength = tree.empty() ? 0 : tree.front().WideDir.size();
    for (const TTreeFolder& folder : tree) {
        mix(folder.WideDir.c_str() + topLength, (folder.WideDir.size() - topLength + 1) * sizeof(wchar_t));
        for (const TFolderEntry& entry : folder.Entries) {
            mix(entry.WideName.c_str(), (entry.WideName.size() + 1) * sizeof(wchar_t));
            mix(&entry.Attributes, sizeof entry.Attributes);
            mix(&entry.Size, sizeof entry.Size);
            mix(&entry.LastWriteTime, sizeof entry.LastWriteTime);
            if (entry.IsFile()) ++digest.Files;
        }
        mix("\0", 1);  // the end of a folder, so that nesting counts
    }
    return digest;
}
