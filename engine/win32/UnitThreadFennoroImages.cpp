// The find job's page check: the image files of a folder that passed every
// other check, read in the order the numbered-sequence check takes them.
#include "engine/ImageCheck.h"
#include "base/AnsiText.h"
#include "engine/win32/FolderEntries.h"
#include "engine/win32/ImageFile.h"
#include "engine/win32/LongPath.h"
#include "engine/win32/UnitThreadFennoro.h"
#include "base/PathUtility.h"

bool TThreadFennoro::CheckImages(const std::string& path)
{
    // Folders still to read, the next on top: each folder's files, then its
    // sub-folders in the order found, as the folder check went through them.
    std::vector<std::wstring> pending{AnsiToWide(IncludeTrailingPathDelimiter(path))};
    for (bool first = true; !pending.empty(); first = false) {
        if (!first && StopRequested()) {  // a tree of folders without pages still stops
            ResultText = "中断されました";
            RemarkText.clear();
            return false;
        }
        const std::wstring dir = std::move(pending.back());
        pending.pop_back();
        std::vector<std::string> names;
        std::vector<std::wstring> subFolders;
        ForEachFolderEntry(dir, [&](const TFolderEntry& entry) {
            if (entry.IsFile()) {
                if (ImageKindOf(entry.Name) != TImageKind::None) names.push_back(entry.Name);
            } else if (Recursive && !(entry.Attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
                // A link failed the folder check already; one made since is not followed.
                subFolders.push_back(dir + entry.WideName + L"\\");
            }
            return true;
        });
        SortUniqueTextLocaleOrder(names);
        for (const std::string& name : names) {
            if (StopRequested()) {
                ResultText = "中断されました";
                RemarkText.clear();
                return false;
            }
            if (!IsIntactImageFile(ImageKindOf(name), dir + AnsiToWide(name))) {
                ResultText = "破損した画像があります";
                RemarkText = name;
                return false;
            }
        }
        pending.insert(pending.end(), subFolders.rbegin(), subFolders.rend());
    }
    return true;
}
