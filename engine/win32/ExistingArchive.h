#pragma once
// A folder whose archive is already beside it: the find says so at once (the
// compress job would refuse it anyway, and would try again at every run), and a
// change of archive format judges the rows again.
#include "engine/FolderRow.h"

#include <string>

inline constexpr char FitVerdict[] = "+圧縮できます";
inline constexpr char ArchiveExistsVerdict[] = "書庫が既に存在します";

// Whether an entry named after the row's folder with the extension is beside it.
bool ArchiveBesideExists(const FolderRow& row, const std::string& extension);

// Judges a row the find found fit (or found with its archive) again for this
// format: an archive beside it unchecks it with its own verdict and the archive's
// name, none gives back "+圧縮できます" checked. Rows a compress job has touched,
// and every other verdict, stay. True when the row changed. No format: no change.
bool JudgeExistingArchive(FolderRow& row, const std::string& extension);
