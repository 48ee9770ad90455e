#pragma once
// The page check on a file on disk, read through the wide file API so that long
// paths and any name reach the file.
#include "pages/ImageCheck.h"

#include <string>

// The verdict on the file as a page (its first bytes decide how it is read). A
// file that cannot be opened or read is Unreadable.
TPageVerdict CheckImageFile(const std::wstring& path, TCheckDepth depth = TCheckDepth::Quick);

// True when kind is None (not a page) or the file is a whole page.
bool IsIntactImageFile(TImageKind kind, const std::wstring& path, TCheckDepth depth = TCheckDepth::Quick);
