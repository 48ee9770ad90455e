#pragma once
// A folder whose archive is already beside it: the find says so at once (the
// compress job would refuse it anyway, and would try again at every run), and a
// change of archive format judges the rows again.
#include "engine/FolderRow.h"

#include <string>
#include <unordered_set>

inline constexpr char FitVerdict[] = "+圧縮できます";
inline constexpr char ArchiveExistsVerdict[] = "書庫が既に存在します";

// The names of one folder's entries, folded as the file system compares them
// (and as the lock folds them), from a listing already made: asking the file
// system for a missing name costs Wine a read of the whole folder, so a find
// asking once per row would read the root once per row.
class TListedNames {
public:
    // The folder's entries listed now (none when it cannot be read).
    static TListedNames Of(const std::string& dir);
    void Add(const std::wstring& name);
    bool Holds(const std::wstring& name) const;

private:
    std::unordered_set<std::wstring> Folded;
};

// Whether an entry named after the row's folder with the extension is beside it,
// in the listing of the row's parent folder.
bool ArchiveBesideExists(const FolderRow& row, const std::string& extension, const TListedNames& beside);

// Judges a row the find found fit (or found with its archive) again for this
// format: an archive beside it unchecks it with its own verdict and the archive's
// name, none gives back "+圧縮できます" checked. Rows a compress job has touched,
// and every other verdict, stay. True when the row changed. No format: no change.
// beside: the listing of the row's parent folder.
bool JudgeExistingArchive(FolderRow& row, const std::string& extension, const TListedNames& beside);
