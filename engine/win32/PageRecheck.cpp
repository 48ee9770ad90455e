#include "engine/win32/PageRecheck.h"

#include "base/AnsiText.h"
#include "toolkit/ScopedHandle.h"

#include <algorithm>

namespace {

// The path of a listed entry inside the walked folder.
std::string PathInside(const TFolderTree& tree, const TTreeFolder& folder, const TFolderEntry& entry)
{
    return folder.Dir.substr(tree.front().Dir.size()) + entry.Name;
}

} // namespace

std::optional<TPageStamp> StampOfFile(const std::wstring& path)
{
    // Attributes only: no read, so no share mode of another program's handle refuses it.
    ScopedHandle handle(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    0, nullptr));
    if (!handle || handle.get() == INVALID_HANDLE_VALUE) return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle.get(), &info)) return std::nullopt;
    TPageStamp stamp;
    stamp.Volume = info.dwVolumeSerialNumber;
    stamp.Index = (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    stamp.Size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.LastWriteTime = (static_cast<uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                          info.ftLastWriteTime.dwLowDateTime;
    return stamp;
}

std::shared_ptr<const TPageStamps> StampListedPages(const TFolderTree& tree,
                                                    const std::function<bool(const std::string&)>& checked,
                                                    TCheckDepth depth)
{
    std::vector<TPageStamp> pages;
    for (const TTreeFolder& folder : tree) {
        for (const TFolderEntry& entry : folder.Entries) {
            if (!entry.IsFile()) continue;
            std::string path = PathInside(tree, folder, entry);
            if (!checked(path)) continue;
            auto stamp = StampOfFile(folder.WideDir + entry.WideName);
            // The listing came before the page was read: a handle that agrees with it
            // shows the file as it was all along.
            if (!stamp || stamp->Size != entry.Size || stamp->LastWriteTime != entry.LastWriteTime) continue;
            stamp->Path = std::move(path);
            pages.push_back(std::move(*stamp));
        }
    }
    return std::make_shared<const TPageStamps>(depth, std::move(pages));
}

TPagesToCheck PagesToRecheck(const TFolderTree& tree, const TPageStamps* stamps, TCheckDepth depth)
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
            const TPageStamp* stamp = stamps ? stamps->Find(PathInside(tree, folder, *page), depth) : nullptr;
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

std::string DamagedPageRemark(const std::string& pageName) { return pageName; }
