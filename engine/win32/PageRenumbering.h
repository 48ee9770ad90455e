#pragma once
// Numbers that only lack zeros, put right on disk: the pages of one folder
// renamed by the plan, all or nothing. Refused, with nothing renamed, for a
// folder whose names no longer give the verdict the find gave (it changed since),
// one with sub-folders, or one the plan does not hold for; a rename the file
// system turns down (a page open elsewhere) puts back those already done.
#include "base/IgnoredNames.h"
#include "engine/PageRenumber.h"
#include "engine/win32/FolderEntries.h"

#include <cstdint>

#include <string>
#include <vector>

struct TRenumberRules {
    std::vector<std::string> AllowedExtensions;  // as the find took them
    TIgnoredNames Ignored;
    bool NumberedAbout = false;
};

struct TRenumberOutcome {
    bool Renamed = false;             // every rename done
    std::string Problem;              // why not; empty when renamed
    std::vector<TPageRename> Renames;  // done, in order (also those a failed put-back left)
};

// True when the find's verdict is one the renumbering may mend.
bool IsNumberingVerdict(const std::string& result);

// One folder's listing as one value (every name, attribute, size and time), never
// 0: the find keeps it with the row, so that a folder changed since is told.
uint64_t ListingDigest(const std::vector<TFolderEntry>& entries);

// folder: the row's folder, without trailing separator (exact, in UTF-8);
// foundResult and foundRemark: the row's verdict from the find; foundListing its
// listing's digest then (0: unknown, the verdict alone tells).
TRenumberOutcome RenumberPages(const std::string& folder, const TRenumberRules& rules, const std::string& foundResult,
                               const std::string& foundRemark, uint64_t foundListing = 0);
