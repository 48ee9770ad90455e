#pragma once
// A new file under a name of our own in a given folder, reached by its exact
// name (the "\\?\" form), never replacing anything.
#include <windows.h>

#include <cstddef>
#include <string>

// Creates folder + prefix + the process number + "-" + 16 random hex digits +
// ".tmp" with CREATE_NEW (read, write and delete access, no sharing beyond
// shareMode) and the given flags and attributes, trying other numbers while the
// name is taken. Returns INVALID_HANDLE_VALUE on failure (GetLastError says
// why); path gets the name tried last.
HANDLE CreateTemporaryFile(const std::wstring& folder, const wchar_t* prefix, DWORD shareMode, DWORD flags, std::wstring& path);

// The bytes an unfinished archive holds at its start until it is complete: what
// tells a leftover of ours from a user's file of a like name.
constexpr char UnfinishedArchiveMark[] = "FENNORO-UNFINISHED-ARCHIVE-V1\r\n\x1A";
constexpr size_t UnfinishedArchiveMarkSize = sizeof UnfinishedArchiveMark - 1;

// Moves to the recycle bin the files of the folder that are provably an earlier
// call's unfinished archives: named exactly as CreateTemporaryFile names them with
// this prefix, held open by no one, and beginning with the mark. What a call left
// when it could not remove its file (under Wine a file marked for deletion is
// removed by the path it was opened with, so one whose folder was renamed
// meanwhile survives its call). Never deleted for good: where the bin would not
// take it, it stays.
void RemoveStaleTemporaryFiles(const std::wstring& folder, const wchar_t* prefix);
