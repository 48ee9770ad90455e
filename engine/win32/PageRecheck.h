#pragma once
// The page check again at F8: the find stamps the pages it reads, and F8 reads
// again only the pages whose stamp no longer proves them the same file, unchanged.
#include "engine/PageStamps.h"
#include "engine/win32/FolderSafety.h"
#include "engine/win32/PageChecker.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The stamps of the tree's files that `checked` names (by their path inside the
// folder), from a listing of each folder with the file indexes taken at any time
// after the walk listed it: a file listed now with another size or time changed
// meanwhile and gets none.
// The tree is on the volume with that serial (a walk enters no mount point).
std::shared_ptr<const TPageStamps> StampListedPages(const TFolderTree& tree,
                                                    const std::function<bool(const std::string&)>& checked,
                                                    TCheckDepth depth, uint32_t volume);

// Whether the volume holding the folder keeps a file's index to that file: not on
// a volume without a serial, FAT or exFAT (an index there is the entry's place),
// or a network share. Unknown counts as not.
bool StableFileIndexes(const std::wstring& dir);

// The pages of a walked tree to be read again at the depth: each folder's in
// numbered order, as the find read them, leaving out those the stamps prove
// unchanged (same volume and listing, then the same file index, size, write and
// change time in a listing of the folder taken now). No volume, or one without
// stable file indexes: every page.
struct TPagesToCheck {
    std::vector<TPageChecker::TFile> Files;
    std::vector<std::string> Names;  // the files' names, for the remark
};
TPagesToCheck PagesToRecheck(const TFolderTree& tree, const TPageStamps* stamps, std::optional<uint32_t> volume,
                             TCheckDepth depth);
