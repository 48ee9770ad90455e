#pragma once
// What the system or a viewer left in a folder about to be archived (the names
// that are no pages): kept out of the archive by the archiver's exclusion
// switches, counted so that the archive's file count is checked against the
// pages alone, and named in the record. They stay in the walked tree and its
// digest: one changed while the folder is packed keeps the folder.
#include "base/IgnoredNames.h"
#include "engine/win32/FolderSafety.h"

#include <string>
#include <vector>

struct TLeftOut {
    long long Files = 0;             // files not packed, those inside a left-out folder too
    std::vector<std::string> Names;  // each left-out entry by its path below the folder (not what a left-out folder holds)
};

TLeftOut LeftOutOf(const TFolderTree& tree, const TIgnoredNames& ignored);

// The switches that keep them out, " -xr!Thumbs.db -xr!._*", for the command
// line's end: unquoted (a quoted token is never a switch), so a blank in a
// pattern becomes "?" (the file count check catches a page it may also take out).
std::string ExclusionSwitches(const TIgnoredNames& ignored);
