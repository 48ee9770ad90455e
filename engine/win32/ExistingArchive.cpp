#include "engine/win32/ExistingArchive.h"

#include "base/PathUtility.h"
#include "base/WideText.h"
#include "engine/win32/FolderEntries.h"
#include "engine/win32/LongPath.h"

namespace {

std::wstring FoldedName(std::wstring name)
{
    if (!name.empty()) CharUpperBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

} // namespace

TListedNames TListedNames::Of(const std::string& dir)
{
    TListedNames names;
    ForEachFolderEntry(dir, [&](const TFolderEntry& entry) {
        names.Add(entry.WideName);
        return true;
    });
    return names;
}

void TListedNames::Add(const std::wstring& name) { Folded.insert(FoldedName(name)); }

bool TListedNames::Holds(const std::wstring& name) const { return Folded.count(FoldedName(name)) > 0; }

bool ArchiveBesideExists(const FolderRow& row, const std::string& extension, const TListedNames& beside)
{
    if (!IsPlainFileName(row.Name + extension)) return false;
    // By the folder's exact name, as the compress job reaches it.
    const std::wstring name = (row.WideName.empty() ? WideText(row.Name) : row.WideName) + WideText(extension);
    if (beside.Holds(name)) return true;
    // A name with a tilde may be another entry's short name, which only the file
    // system itself matches; such names are rare enough to ask for.
    return name.find(L'~') != std::wstring::npos &&
           GetFileAttributesW((FileApiPath(row.ParentPath) + name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool JudgeExistingArchive(FolderRow& row, const std::string& extension, const TListedNames& beside)
{
    if (extension.empty() || row.CompressState != FolderCompressState::Untried) return false;
    const bool fit = row.Result == FitVerdict;
    if (!fit && row.Result != ArchiveExistsVerdict) return false;
    const bool exists = ArchiveBesideExists(row, extension, beside);
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
