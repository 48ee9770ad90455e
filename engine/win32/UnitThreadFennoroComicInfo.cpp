// The compress job's ComicInfo.xml: the book of the folder in hand.
#include "engine/PageSizes.h"
#include "engine/win32/ComicInfoFile.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "pages/ImageCheck.h"

TComicInfo TThreadFennoro::BookOf(const std::string& name, const TFolderTree& tree)
{
    // Each page's size as the page check read it: at the find for the pages its
    // stamps prove unchanged, at F8 for those it read again. Without the page
    // check, from the page's header alone, read now.
    const auto sizeOf = [this](const TArchivedPage& page) -> TPageSize {
        if (VerifyImages) {
            if (const auto fresh = FreshSizes.find(page.Path); fresh != FreshSizes.end()) return fresh->second;
            if (CurrentSizes) {
                if (const auto known = CurrentSizes->ByPath.find(page.Name); known != CurrentSizes->ByPath.end())
                    return known->second;
            }
        }
        if (ImageKindOf(page.Name) == TImageKind::None) return {};
        return ReadPageSizeOfFile(page.Path);
    };
    std::vector<TComicPage> pages;
    for (const TArchivedPage& page : PagesInArchiveOrder(tree)) {
        const TPageSize size = sizeOf(page);
        pages.push_back({page.Bytes, size.Width, size.Height});
    }
    return ComicBookInfo(name, std::move(pages), ComicInfoOptions);
}
