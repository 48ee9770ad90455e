#pragma once
// Path separator logic for the program's UTF-8 paths, where no byte of a
// multi-byte character is below 0x80, so '\\' is always a separator. Every
// separator test of the program goes through here.
#include <string>
#include <string_view>

// True when the text is well-formed UTF-8 (no cut or overlong character, no surrogate).
bool IsWellFormedUtf8(std::string_view text);

// True when the byte starts a double-byte character in the ANSI code page: for
// the archiver libraries, whose ANSI texts are still walked byte by byte.
bool IsAnsiLeadByte(unsigned char byte);

// Byte position of the last '\\' or '/' that is a character of its own, or npos.
size_t LastPathDelimiter(std::string_view path);

bool EndsWithPathDelimiter(std::string_view path);

// The path with '\\' appended unless it already ends in a separator.
std::string IncludeTrailingPathDelimiter(std::string_view path);

// The path without its final separator, if it has one.
std::string ExcludeTrailingPathDelimiter(std::string_view path);

// The part after the last separator (the whole path when there is none).
std::string ExtractFileName(std::string_view path);

// True for a name Win32 reads as a device whatever folder it is in: CON, PRN,
// AUX, NUL, COM1-COM9, LPT1-LPT9, CONIN$, CONOUT$, case-insensitively and with
// any extension ("aux.txt", "con.jpg").
bool IsDeviceName(std::string_view name);

// True when Win32 reaches the entry by exactly this name: not a device name and
// no trailing space or dot, which the path functions drop, so "dup " would reach
// the folder "dup".
bool IsWin32ExactName(std::string_view name);

// A plain name that stays inside the folder it is joined to and names exactly one
// entry there: well-formed UTF-8, not empty, not "." or "..", no separator, drive colon, wildcard,
// other character Win32 refuses in names or control character, and exact as above.
// A ".." inside a name ("Vol..2") is legal.
bool IsPlainFileName(std::string_view name);
