#pragma once
// Paths and names between the program's ANSI texts and the wide file API.
// Every path reaches the file system in the "\\?\" form, which only the wide
// functions take: of any length, and by its exact name (the path functions would
// drop a trailing blank or dot and read "nul.jpg" as a device). What the user
// sees stays the ANSI text without it.
#include <windows.h>

#include <string>
#include <string_view>

// The ANSI text in UTF-16, as the ANSI functions would convert it.
std::wstring AnsiToWide(std::string_view ansiText);

// The wide form of an ANSI path for the file API: its full form behind "\\?\"
// ("\\?\UNC\server\share\..." for a UNC path), every name in it kept as it is
// spelled. A relative path or one with "." or ".." segments is resolved first.
// A path already in that form is taken as it is.
std::wstring FileApiPath(std::string_view ansiPath);

// The same for a wide path.
std::wstring FileApiPath(const std::wstring& widePath);

// Attributes of the path's file or folder; INVALID_FILE_ATTRIBUTES when there is none.
DWORD LongPathAttributes(std::string_view ansiPath);

// True only for an existing file, not a folder.
bool LongFileExists(std::string_view ansiPath);

// True for an existing file or folder.
bool LongPathExists(std::string_view ansiPath);

// A name from the wide file API as the ANSI functions show it: a character the
// code page lacks becomes "?" or a look-alike (best fit). exact is set to false
// when that text does not name the entry, because it would not convert back to
// the same wide name.
std::string AnsiName(const wchar_t* wideName, bool& exact);

// The form of a path that the shell's functions take: the plain full path,
// shorter than MAX_PATH, with no name the path functions would rewrite; empty
// when there is none. Never a short (8.3) name: under Wine two folders may share
// one, so it could name a sibling.
std::wstring ShellPath(const std::wstring& widePath);

// The ANSI path itself where it has a shell form; empty where the shell's ANSI
// functions cannot reach it exactly.
std::string ShellPath(std::string_view ansiPath);
