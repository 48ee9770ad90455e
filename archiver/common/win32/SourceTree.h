#pragma once
// The files an archiver call takes: the entries below the base folder that
// match the patterns, optionally with sub-folders, read through the wide file
// API so that no name is lost to the ANSI code page.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct TSourceEntry {
    std::wstring Path;          // full path in the "\\?\" form, for opening
    std::wstring RelativePath;  // below the base folder, '\\'-separated, no trailing separator
    bool IsDirectory = false;
    uint64_t Size = 0;
    uint32_t Attributes = 0;    // FILE_ATTRIBUTE_* bits
    uint64_t CreationTime = 0;  // FILETIME values (100 ns since 1601, UTC)
    uint64_t LastAccessTime = 0;
    uint64_t LastWriteTime = 0;
};

struct TSourceTree {
    std::wstring BaseFolder;            // full path in the "\\?\" form, with a trailing separator
    std::vector<TSourceEntry> Entries;  // depth-first; a folder before its contents; names sorted
    size_t FileCount = 0;
    uint64_t TotalBytes = 0;
};

// Lists the entries. A pattern "*" or "*.*" takes every file; other patterns
// use '*' and '?' without regard to case, matched against the name, or against
// the relative path when the pattern holds a separator. With recursive, every
// sub-folder is searched and folders are entries too (empty ones survive);
// without it only the base folder's own files are taken.
// A pattern that is a full path ("C:\\...", "\\\\server\\...") names a file from
// outside the base folder: it is stored at the root under its own name, after
// the folder's entries (a name the root holds already is refused); such files
// alone, without any other pattern, take the whole folder besides.
// Throws TArchiverError (ArchiverSourceError) when the base folder does not
// exist, a folder cannot be read, or nothing at all matches.
// An entry whose name matches one of the excluded patterns (the "-xr!" switches:
// '*' and '?', without regard to case, against the name alone, at any depth) is
// left out, a folder with all it holds.
TSourceTree CollectSources(const std::string& baseFolder, const std::vector<std::string>& patterns, bool recursive,
                           const std::vector<std::string>& excluded = {});

// The entry's relative path (UTF-8), for messages.
std::string DisplayName(const TSourceEntry& entry);

// The relative path as UTF-8 with '/' separators, as zip names are stored.
std::string Utf8ArchiveName(const TSourceEntry& entry);

// MS-DOS date (high word) and time (low word) in local time, as zip stores it;
// times before 1980 become 1980-01-01.
uint32_t DosDateTime(uint64_t fileTime);

// Seconds since 1970 (UTC), clamped to the signed 32-bit range.
int32_t UnixTime(uint64_t fileTime);
