#pragma once
// The recycle bin, and nothing else: a folder or file is moved there through the
// shell, or stays. Where the bin would not take an item (a volume without one, a
// bin too small for it, a bin turned off, a name the trash cannot give it) the
// shell would delete it for good, so that is asked first, and every request asks
// the shell to warn rather than delete for good all the same.
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>

// Whether the recycle bin can take the item at `exactPath` (a path in the "\\?\"
// form) of `bytes` bytes in all. Under Wine the bin is the desktop's trash folder:
// it takes only what can be renamed into it (one Unix file system) under its own
// name, as the trash would spell it. On Windows only fixed volumes keep one, and
// only where neither the policy nor the volume's setting turns it off and the
// item fits in the bin's maximum size.
bool RecycleBinCanTake(const std::wstring& exactPath, uint64_t bytes = 0);

// The Windows part of the check above, on any system (the policy, the volume's
// own settings, the bin's size), for a plain volume root such as "C:\".
bool WindowsRecycleBinTakes(const std::wstring& exactPath, uint64_t bytes);

enum class TRecycleOutcome {
    Recycled,   // gone from its place, to the recycle bin
    Declined,   // the shell asked and was answered no (or, unattended, could not ask): it stays
    Failed      // the shell could not move it: it stays
};

// How a request may meet the user.
enum class TRecycleDialogs {
    Ask,        // the shell may ask (its confirmation, and always before a delete for good)
    Confirmed,  // the user agreed already: the shell asks only before a delete for good
    None        // nobody to ask: no window of the shell at all; a delete for good is refused
};

// Moves the item to the recycle bin through the shell, which reads `shellPath`
// (ShellPath's form); the shell's windows belong to `owner`. Recycled only when the
// item is gone from `exactPath`. `silent` hides the shell's progress.
TRecycleOutcome MoveToRecycleBin(HWND owner, const std::wstring& shellPath, const std::wstring& exactPath,
                                 TRecycleDialogs dialogs, bool silent);
