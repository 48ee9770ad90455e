// The find job's page check: the image files of a folder that passed every
// other check, in the order the folder check read them (each folder's files in
// numbered order, then its sub-folders as found), on two threads; the first
// damaged one in that order names the folder's verdict. The helper starts on
// them while the worker lists the next folder. A book whose pages are all whole
// has its spreads and pages of another size named in the remark, from the sizes
// the check read anyway. At the deep level, two pages with the same bytes (a
// sheet fed twice) hold the folder back, though a check by hand lets it go.
#include "pages/BookSizes.h"
#include "pages/ImageCheck.h"
#include "engine/PageSizes.h"
#include "engine/PageStamps.h"
#include "pages/ImageCheckRemark.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/PageChecker.h"
#include "engine/win32/UnitThreadFennoro.h"

#include <map>
#include <optional>
#include <utility>

namespace {

// The first page, in order, with the same bytes as one before it, and that one.
// Only pages of the same size and digest are compared byte for byte.
std::optional<std::pair<size_t, size_t>> FirstDuplicate(const std::vector<std::wstring>& paths,
                                                        const std::vector<TPageDigest>& digests)
{
    std::map<std::pair<uint64_t, uint32_t>, std::vector<size_t>> seen;
    for (size_t i = 0; i < paths.size() && i < digests.size(); ++i) {
        if (digests[i].Size == 0) continue;
        std::vector<size_t>& alike = seen[{digests[i].Size, digests[i].Crc}];
        for (const size_t earlier : alike) {
            if (SameFileBytes(paths[earlier], paths[i])) return std::pair{earlier, i};
        }
        alike.push_back(i);
    }
    return std::nullopt;
}

} // namespace

void TThreadFennoro::BeginPages(TPendingFolder& folder)
{
    if (!PageChecker) PageChecker = std::make_unique<TPageChecker>(DeepImages ? TCheckDepth::Deep : TCheckDepth::Quick);
    std::vector<TPageChecker::TFile> files;
    const size_t top = Pages.empty() ? 0 : Pages.front().Dir.size();
    for (const TFolderPages& pages : Pages) {
        for (const std::string& name : pages.Names) {
            const TImageKind kind = ImageKindOf(name);
            if (kind == TImageKind::None) continue;
            files.push_back({WideText(pages.Dir + name), kind});
            folder.PageNames.push_back(pages.Inside + name);
            folder.PagePaths.push_back(pages.Dir.substr(top) + name);
            folder.PageFiles.push_back(files.back().Path);
        }
    }
    PageChecker->Begin(std::move(files), [this] { return StopRequested(); });
    StampPages(folder);  // while the helper reads
}

void TThreadFennoro::EndPages(TPendingFolder& folder)
{
    const ptrdiff_t damaged = PageChecker->End();
    FolderRow& row = folder.Row;
    if (damaged == TPageChecker::Stopped) {
        row.Result = "中断されました";
        row.Remark.clear();
        row.Checked = false;
    } else if (damaged != TPageChecker::AllWhole) {
        row.Result = "破損した画像があります";
        row.Remark = DamagedPageRemark(folder.PageNames[static_cast<size_t>(damaged)], PageChecker->Verdict());
        row.Checked = false;
    }
    if (damaged != TPageChecker::AllWhole) return;
    // The pages are whole either way: the stamps spare them F8's second read, and
    // their sizes go into the ComicInfo.xml F8 may write.
    row.PageStamps = std::move(folder.Stamps);
    auto sizes = std::make_shared<TPageSizes>();
    std::vector<TPageSize> inOrder;
    for (size_t i = 0; i < folder.PagePaths.size(); ++i) {
        inOrder.push_back(PageChecker->SizeAt(i));
        sizes->ByPath[folder.PagePaths[i]] = inOrder.back();
    }
    row.PageSizes = std::move(sizes);
    if (DeepImages) {
        if (const auto twice = FirstDuplicate(folder.PageFiles, PageChecker->Digests())) {
            row.Result = "重複したページがあります";
            row.Remark = folder.PageNames[twice->first] + " " + folder.PageNames[twice->second];
            row.Checked = false;
            return;
        }
    }
    row.Remark = OddSizesRemark(FindOddSizes(inOrder));
}
