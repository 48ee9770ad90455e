#include "engine/win32/ExistingArchive.h"

#include "base/PathUtility.h"
#include "base/WideText.h"
#include "engine/win32/LongPath.h"

bool ArchiveBesideExists(const FolderRow& row, const std::string& extension)
{
    if (!IsPlainFileName(row.Name + extension)) return false;
    // By the folder's exact name, as the compress job reaches it.
    const std::wstring name = (row.WideName.empty() ? WideText(row.Name) : row.WideName) + WideText(extension);
    return GetFileAttributesW((FileApiPath(row.ParentPath) + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool JudgeExistingArchive(FolderRow& row, const std::string& extension)
{
    if (extension.empty() || row.CompressState != FolderCompressState::Untried) return false;
    const bool fit = row.Result == FitVerdict;
    if (!fit && row.Result != ArchiveExistsVerdict) return false;
    const bool exists = ArchiveBesideExists(row, extension);
    if (exists) {
        const std::string remark = row.Name + extension;
        if (!fit && row.Remark == remark) return false;
        row.Result = ArchiveExistsVerdict;
        row.Remark = remark;
        row.Checked = false;
        return true;
    }
    if (fit) return false;
    row.Result = FitVerdict;
    row.Remark.clear();
    row.Checked = true;
    return true;
}
