#pragma once
// The compress job's steps around the archive path: the parent folder as the
// libraries get it, whether the path is free, what a failed call left there,
// and what a format cannot hold.
#include "engine/win32/FolderSafety.h"

#include <string>

// The parent folder (UTF-8, with its separator) with every short (8.3) name in it
// replaced by the long name it stands for: a library must never get a short
// name, which under Wine may reach a sibling. Otherwise the text as it is.
std::string LongFormParent(const std::string& parent);

// True when the archive path (a "\\?\" path) is taken by anything: a file, a
// folder, or a link, even one whose target is gone (Windows lists it; Wine lists
// none, but a new file still cannot take the name).
bool ArchivePathOccupied(const std::wstring& exactArchive);

// A file a failed call left at the archive path, which was free just before the
// call under the lock: the call's unfinished work, which would later pass for a
// finished archive. Moved to the recycle bin when it is a plain file and the
// shell's path leads to it; else it stays.
void RecycleLeftover(const std::wstring& exactArchive);

// True when the tree holds an empty sub-folder and the archive's format keeps
// files only (.cab): the sub-folder would be lost with the folder.
bool LosesEmptyFolder(const std::string& archiveExtension, const TFolderTree& tree);
