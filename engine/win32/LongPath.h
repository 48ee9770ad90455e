#pragma once
// Paths and names between the program's ANSI texts and the wide file API.
// A path longer than MAX_PATH is reached through the "\\?\" form, which only
// the wide functions take; what the user sees stays the ANSI text without it.
#include <windows.h>

#include <string>
#include <string_view>

// The ANSI text in UTF-16, as the ANSI functions would convert it.
std::wstring AnsiToWide(std::string_view ansiText);

// The wide form of an ANSI path for the file API: the path as it is when it
// fits MAX_PATH, otherwise its full form behind "\\?\" ("\\?\UNC\server\share\..."
// for a UNC path). A path already in that form is taken as it is.
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

// A form of the path that the shell's ANSI functions take (shorter than
// MAX_PATH characters): the path itself when it fits, else its short (8.3) form
// when the volume keeps one that fits; empty when there is no such form.
std::string ShellPath(std::string_view ansiPath);
