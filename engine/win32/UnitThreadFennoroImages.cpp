// The find job's page check: the image files of a folder that passed every
// other check, in the order the folder check read them (each folder's files in
// numbered order, then its sub-folders as found).
#include "engine/ImageCheck.h"
#include "engine/win32/ImageFile.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/UnitThreadFennoro.h"

bool TThreadFennoro::CheckPages()
{
    for (const TFolderPages& folder : Pages) {
        for (const std::string& name : folder.Names) {
            if (StopRequested()) {
                ResultText = "中断されました";
                RemarkText.clear();
                return false;
            }
            const TImageKind kind = ImageKindOf(name);
            if (kind != TImageKind::None && !IsIntactImageFile(kind, WideText(folder.Dir + name))) {
                ResultText = "破損した画像があります";
                RemarkText = name;
                return false;
            }
        }
    }
    return true;
}
