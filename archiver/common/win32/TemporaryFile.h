#pragma once
// A new file under a name of our own in a given folder, reached by its exact
// name (the "\\?\" form), never replacing anything.
#include <windows.h>

#include <string>

// Creates folder + prefix + a number + ".tmp" with CREATE_NEW (read, write and
// delete access, no sharing beyond shareMode) and the given flags and
// attributes, trying other numbers while the name is taken. Returns
// INVALID_HANDLE_VALUE on failure (GetLastError says why); path gets the name
// tried last.
HANDLE CreateTemporaryFile(const std::wstring& folder, const wchar_t* prefix, DWORD shareMode, DWORD flags, std::wstring& path);

// Removes the files of the folder named as CreateTemporaryFile names them with
// this prefix that no one holds open: what a call left when it could not remove
// its file (under Wine a file marked for deletion is removed by the path it was
// opened with, so one whose folder was renamed meanwhile survives its call).
void RemoveStaleTemporaryFiles(const std::wstring& folder, const wchar_t* prefix);
