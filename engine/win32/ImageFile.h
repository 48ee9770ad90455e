#pragma once
// The page check on a file on disk, read through the wide file API so that long
// paths and any name reach the file.
#include "engine/ImageCheck.h"

#include <string>

// True when the file holds an intact image of the kind. A file that cannot be
// opened or read counts as damaged.
bool IsIntactImageFile(TImageKind kind, const std::wstring& path, TCheckDepth depth = TCheckDepth::Quick);
