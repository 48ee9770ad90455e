#include "engine/win32/PageRecheck.h"

#include "base/AnsiText.h"
#include "toolkit/ScopedHandle.h"

#include <algorithm>
#include <unordered_map>

namespace {

// The path of a listed entry inside the walked folder.
std::string PathInside(const TFolderTree& tree, const TTreeFolder& folder, const TFolderEntry& entry)
{
    return folder.Dir.substr(tree.front().Dir.size()) + entry.Name;
}

// A folder's files by name, with their index, size, write and change times, in
// one listing: a handle per page would cost the find as many server round trips
// as its check.
std::unordered_map<std::wstring, TPageStamp> ListedStamps(const std::wstring& dir)
{
    std::unordered_map<std::wstring, TPageStamp> stamps;
    ScopedHandle folder(CreateFileW(dir.c_str(), FILE_LIST_DIRECTORY,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder || folder.get() == INVALID_HANDLE_VALUE) return stamps;
    std::vector<LONGLONG> buffer(8192);  // 64 KiB, aligned as the entries need
    const DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
    while (GetFileInformationByHandleEx(folder.get(), FileIdBothDirectoryInfo, buffer.data(), bytes)) {
        const auto* at = reinterpret_cast<const unsigned char*>(buffer.data());
        for (;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            if (!(entry->FileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                TPageStamp& stamp = stamps[std::wstring(entry->FileName, entry->FileNameLength / sizeof(WCHAR))];
                stamp.Index = static_cast<uint64_t>(entry->FileId.QuadPart);
                stamp.Size = static_cast<uint64_t>(entry->EndOfFile.QuadPart);
                stamp.LastWriteTime = static_cast<uint64_t>(entry->LastWriteTime.QuadPart);
                stamp.ChangeTime = static_cast<uint64_t>(entry->ChangeTime.QuadPart);
            }
            if (entry->NextEntryOffset == 0) break;
            at += entry->NextEntryOffset;
        }
    }
    return stamps;
}

} // namespace

bool StableFileIndexes(const std::wstring& dir)
{
    // A share's indexes are whatever its server makes of them.
    if (dir.starts_with(L"\\\\?\\UNC\\") || (dir.starts_with(L"\\\\") && !dir.starts_with(L"\\\\?\\")))
        return false;
    const size_t drive = dir.starts_with(L"\\\\?\\") ? 4 : 0;
    if (dir.size() > drive + 1 && dir[drive + 1] == L':') {
        const wchar_t root[] = {dir[drive], L':', L'\\', L'\0'};
        if (GetDriveTypeW(root) == DRIVE_REMOTE) return false;
    }
    ScopedHandle folder(CreateFileW(dir.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder || folder.get() == INVALID_HANDLE_VALUE) return false;
    DWORD serial = 0;
    DWORD longest = 0;
    DWORD flags = 0;
    wchar_t system[MAX_PATH + 1] = {};
    if (!GetVolumeInformationByHandleW(folder.get(), nullptr, 0, &serial, &longest, &flags, system, MAX_PATH + 1))
        return false;
    // FAT numbers a file by its entry's place in the folder, which a new file takes over.
    const std::wstring name = system;
    return serial != 0 && name.rfind(L"FAT", 0) != 0 && name != L"exFAT";
}

std::shared_ptr<const TPageStamps> StampListedPages(const TFolderTree& tree,
                                                    const std::function<bool(const std::string&)>& checked,
                                                    TCheckDepth depth, uint32_t volume)
{
    std::vector<TPageStamp> pages;
    for (const TTreeFolder& folder : tree) {
        std::optional<std::unordered_map<std::wstring, TPageStamp>> listed;
        for (const TFolderEntry& entry : folder.Entries) {
            if (!entry.IsFile()) continue;
            std::string path = PathInside(tree, folder, entry);
            if (!checked(path)) continue;
            if (!listed) listed = ListedStamps(folder.WideDir.substr(0, folder.WideDir.size() - 1));
            const auto stamp = listed->find(entry.WideName);
            // The walk's listing came before the page was read: one that agrees with it
            // shows the file as it was all along.
            // A file system that gives no index or change time (0) proves no identity.
            if (stamp == listed->end() || stamp->second.Index == 0 || stamp->second.ChangeTime == 0 ||
                stamp->second.Size != entry.Size || stamp->second.LastWriteTime != entry.LastWriteTime)
                continue;
            pages.push_back(stamp->second);
            pages.back().Path = std::move(path);
        }
    }
    return std::make_shared<const TPageStamps>(depth, volume, std::move(pages));
}

TPagesToCheck PagesToRecheck(const TFolderTree& tree, const TPageStamps* stamps, std::optional<uint32_t> volume,
                             TCheckDepth depth)
{
    TPagesToCheck check;
    // Where a file's index may pass to the next file, no stamp proves anything.
    if (stamps && volume && !tree.empty() && !StableFileIndexes(tree.front().WideDir)) stamps = nullptr;
    std::vector<const TFolderEntry*> pages;
    for (const TTreeFolder& folder : tree) {
        pages.clear();
        for (const TFolderEntry& entry : folder.Entries) {
            if (entry.IsFile() && ImageKindOf(entry.Name) != TImageKind::None) pages.push_back(&entry);
        }
        std::sort(pages.begin(), pages.end(), [](const TFolderEntry* a, const TFolderEntry* b) {
            return CompareTextLocaleOrder(a->Name, b->Name) < 0;
        });
        std::optional<std::unordered_map<std::wstring, TPageStamp>> listed;
        for (const TFolderEntry* page : pages) {
            const std::wstring path = folder.WideDir + page->WideName;
            const TPageStamp* stamp =
                stamps && volume ? stamps->Find(PathInside(tree, folder, *page), *volume, depth) : nullptr;
            // The walk's listing first: a page whose size or time moved is read again
            // without more asking. Then the file indexes, one listing for the folder:
            // a handle per page would cost as many server round trips as the read.
            if (stamp && stamp->Size == page->Size && stamp->LastWriteTime == page->LastWriteTime) {
                if (!listed) listed = ListedStamps(folder.WideDir.substr(0, folder.WideDir.size() - 1));
                const auto now = listed->find(page->WideName);
                if (now != listed->end() && now->second.SameFile(*stamp)) continue;
            }
            check.Files.push_back({path, ImageKindOf(page->Name)});
            check.Names.push_back(page->Name);
        }
    }
    return check;
}
