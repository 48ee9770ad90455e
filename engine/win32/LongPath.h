#pragma once
// Paths and names between the program's UTF-8 texts and the wide file API.
// Every path reaches the file system in the "\\?\" form, which only the wide
// functions take: of any length, and by its exact name (the path functions would
// drop a trailing blank or dot and read "nul.jpg" as a device). What the user
// sees stays the text without it.
#include "base/WideText.h"

#include <windows.h>

#include <string>
#include <string_view>

// The wide form of a path for the file API: its full form behind "\\?\"
// ("\\?\UNC\server\share\..." for a UNC path), every name in it kept as it is
// spelled. A relative path or one with "." or ".." segments is resolved first.
// A path already in that form is taken as it is.
std::wstring FileApiPath(std::string_view path);

// The same for a wide path.
std::wstring FileApiPath(const std::wstring& widePath);

// Attributes of the path's file or folder; INVALID_FILE_ATTRIBUTES when there is none.
DWORD LongPathAttributes(std::string_view path);

// True only for an existing file, not a folder.
bool LongFileExists(std::string_view path);

// True for an existing file or folder.
bool LongPathExists(std::string_view path);

// A name from the wide file API in UTF-8. exact is set to false when that text
// does not name the entry: a lone surrogate, which UTF-8 cannot hold, is shown
// as U+FFFD, and a name holding U+FFFD stands for bytes the system could not
// decode.
std::string Utf8Name(const wchar_t* wideName, bool& exact);

// The form of a path that the shell's functions take: the plain full path,
// shorter than MAX_PATH, with no name the path functions would rewrite; empty
// when there is none. Never a short (8.3) name: under Wine two folders may share
// one, so it could name a sibling.
std::wstring ShellPath(const std::wstring& widePath);

// The path itself where it has a shell form; empty where the shell cannot reach
// it exactly.
std::string ShellPath(std::string_view path);
