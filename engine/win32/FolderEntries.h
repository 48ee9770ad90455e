#pragma once
// The entries of one folder through the wide file API, so that neither a long
// path nor any name hides an entry, with each name also in UTF-8.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

struct TFolderEntry {
    std::wstring WideName;   // the name itself
    std::string Name;        // in UTF-8
    bool ExactName = true;   // false: Name does not name the entry (a lone surrogate, U+FFFD)
    DWORD Attributes = 0;
    DWORD ReparseTag = 0;    // with FILE_ATTRIBUTE_REPARSE_POINT: its tag, where the system reports one
    uint64_t Size = 0;
    uint64_t LastWriteTime = 0;

    bool IsFolder() const { return (Attributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsFile() const { return !IsFolder(); }
};

// Visits the entries of the folder (its path ends with a separator) in the file
// system's order, "." and ".." left out, until visit returns false. False, with
// no entry visited, when the folder cannot be read (missing, refused, or past
// what the file system can reach).
bool ForEachFolderEntry(const std::string& dir, const std::function<bool(const TFolderEntry&)>& visit);

// The same for a folder given by its wide path (of any length).
bool ForEachFolderEntry(const std::wstring& dir, const std::function<bool(const TFolderEntry&)>& visit);

// The entry of the file or folder at the path itself (no trailing separator), as
// its parent lists it. False when there is none.
bool FolderEntryOf(const std::string& path, TFolderEntry& entry);
