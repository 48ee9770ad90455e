// The find job's page check: the image files of a folder that passed every
// other check, in the order the folder check read them (each folder's files in
// numbered order, then its sub-folders as found), on two threads; the first
// damaged one in that order names the folder's verdict.
#include "engine/ImageCheck.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/PageChecker.h"
#include "engine/win32/UnitThreadFennoro.h"

bool TThreadFennoro::CheckPages()
{
    if (!PageChecker) PageChecker = std::make_unique<TPageChecker>(DeepImages ? TCheckDepth::Deep : TCheckDepth::Quick);
    std::vector<TPageChecker::TFile> files;
    std::vector<const std::string*> names;
    for (const TFolderPages& folder : Pages) {
        for (const std::string& name : folder.Names) {
            const TImageKind kind = ImageKindOf(name);
            if (kind == TImageKind::None) continue;
            files.push_back({WideText(folder.Dir + name), kind});
            names.push_back(&name);
        }
    }
    const ptrdiff_t damaged = PageChecker->FirstDamaged(files, [this] { return StopRequested(); });
    if (damaged == TPageChecker::Stopped) {
        ResultText = "中断されました";
        RemarkText.clear();
        return false;
    }
    if (damaged != TPageChecker::AllWhole) {
        ResultText = "破損した画像があります";
        RemarkText = *names[static_cast<size_t>(damaged)];
        return false;
    }
    return true;
}
