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

// The file index alone, from the native query: GetFileInformationByHandle also
// asks for the volume's serial, which under Wine is a round trip to its mount
// manager costing more than a page check. The volume is the folder's, asked once.
struct TIoStatus {
    union {
        LONG Status;
        void* Pointer;
    };
    ULONG_PTR Information;
};
using QueryInformationFile = LONG(NTAPI*)(HANDLE file, TIoStatus* status, void* information, ULONG length,
                                          int informationClass);
constexpr int FileInternalInformation = 6;

std::optional<uint64_t> FileIndex(HANDLE file)
{
    static const auto query = reinterpret_cast<QueryInformationFile>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationFile")));
    LARGE_INTEGER index{};
    TIoStatus status{};
    if (!query || query(file, &status, &index, sizeof index, FileInternalInformation) < 0) return std::nullopt;
    return static_cast<uint64_t>(index.QuadPart);
}

// A folder's files by name, with their index, size and write time, in one listing:
// a handle per page would cost the find as many server round trips as its check.
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
            }
            if (entry->NextEntryOffset == 0) break;
            at += entry->NextEntryOffset;
        }
    }
    return stamps;
}

} // namespace

std::optional<TPageStamp> StampOfFile(const std::wstring& path)
{
    // Attributes only: no read, so no share mode of another program's handle refuses it.
    ScopedHandle handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    0, nullptr));
    if (!handle || handle.get() == INVALID_HANDLE_VALUE) return std::nullopt;
    const auto index = FileIndex(handle.get());
    FILE_BASIC_INFO basic;
    LARGE_INTEGER size;
    if (!index || !GetFileInformationByHandleEx(handle.get(), FileBasicInfo, &basic, sizeof basic) ||
        !GetFileSizeEx(handle.get(), &size))
        return std::nullopt;
    TPageStamp stamp;
    stamp.Index = *index;
    stamp.Size = static_cast<uint64_t>(size.QuadPart);
    stamp.LastWriteTime = static_cast<uint64_t>(basic.LastWriteTime.QuadPart);
    return stamp;
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
            // A file system that gives no index (0) proves no identity.
            if (stamp == listed->end() || stamp->second.Index == 0 || stamp->second.Size != entry.Size ||
                stamp->second.LastWriteTime != entry.LastWriteTime)
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
    std::vector<const TFolderEntry*> pages;
    for (const TTreeFolder& folder : tree) {
        pages.clear();
        for (const TFolderEntry& entry : folder.Entries) {
            if (entry.IsFile() && ImageKindOf(entry.Name) != TImageKind::None) pages.push_back(&entry);
        }
        std::sort(pages.begin(), pages.end(), [](const TFolderEntry* a, const TFolderEntry* b) {
            return CompareTextLocaleOrder(a->Name, b->Name) < 0;
        });
        for (const TFolderEntry* page : pages) {
            const std::wstring path = folder.WideDir + page->WideName;
            const TPageStamp* stamp =
                stamps && volume ? stamps->Find(PathInside(tree, folder, *page), *volume, depth) : nullptr;
            // The listing first: a page whose size or time moved is read without asking its handle.
            if (stamp && stamp->Size == page->Size && stamp->LastWriteTime == page->LastWriteTime) {
                const auto now = StampOfFile(path);
                if (now && now->SameFile(*stamp)) continue;
            }
            check.Files.push_back({path, ImageKindOf(page->Name)});
            check.Names.push_back(page->Name);
        }
    }
    return check;
}
