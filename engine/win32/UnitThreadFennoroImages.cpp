// The find job's page check: the image files of a folder that passed every
// other check, in the order the folder check read them (each folder's files in
// numbered order, then its sub-folders as found), on two threads; the first
// damaged one in that order names the folder's verdict. The helper starts on
// them while the worker lists the next folder. A book whose pages are all whole
// has its spreads and pages of another size named in the remark, from the sizes
// the check read anyway.
#include "pages/BookSizes.h"
#include "pages/ImageCheck.h"
#include "engine/PageStamps.h"
#include "pages/ImageCheckRemark.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/PageChecker.h"
#include "engine/win32/UnitThreadFennoro.h"

void TThreadFennoro::BeginPages(TPendingFolder& folder)
{
    if (!PageChecker) PageChecker = std::make_unique<TPageChecker>(DeepImages ? TCheckDepth::Deep : TCheckDepth::Quick);
    std::vector<TPageChecker::TFile> files;
    for (const TFolderPages& pages : Pages) {
        for (const std::string& name : pages.Names) {
            const TImageKind kind = ImageKindOf(name);
            if (kind == TImageKind::None) continue;
            files.push_back({WideText(pages.Dir + name), kind});
            folder.PageNames.push_back(name);
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
    if (damaged == TPageChecker::AllWhole) {
        row.Remark = OddSizesRemark(FindOddSizes(PageChecker->Sizes()));
        row.PageStamps = std::move(folder.Stamps);
    }
}
