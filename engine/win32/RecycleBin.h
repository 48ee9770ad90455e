#pragma once
// The recycle bin, and nothing else: a folder or file is moved there through the
// shell, or stays. Where the bin cannot take an item (a volume without one) the
// shell would delete it for good, so that is asked first.
#include <windows.h>
#include <shellapi.h>

#include <string>

// Whether the recycle bin can take an item of the folder holding `exactPath`
// (a path in the "\\?\" form). Under Wine the bin is the desktop's trash folder
// and takes only what can be renamed into it (one Unix file system); on Windows
// only fixed volumes keep one.
bool RecycleBinCanTake(const std::wstring& exactPath);

// Moves the item to the recycle bin through the shell, which reads `shellPath`
// (ShellPath's form); the shell may ask the owner window's user. True only when
// the item is gone from `exactPath`.
bool MoveToRecycleBin(HWND owner, const std::wstring& shellPath, const std::wstring& exactPath, FILEOP_FLAGS flags);
