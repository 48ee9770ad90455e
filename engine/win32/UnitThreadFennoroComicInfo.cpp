// The compress job's ComicInfo.xml: the book of the folder in hand.
#include "engine/win32/ComicInfoFile.h"
#include "engine/win32/UnitThreadFennoro.h"

TComicInfo TThreadFennoro::BookOf(const std::string& name, const TFolderTree& tree)
{
    std::vector<TComicPage> pages;
    for (const TArchivedPage& page : PagesInArchiveOrder(tree)) pages.push_back({page.Bytes, 0, 0});
    return ComicBookInfo(name, std::move(pages), ComicInfoOptions);
}
