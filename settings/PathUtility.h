#pragma once
// Path separator logic for ANSI-code-page byte strings. In code page 932 a
// trail byte may be 0x5C ('\\'): 表 is 0x95 0x5C, so a byte test on the last
// byte misreads such a name. Every separator test of the program goes through here.
#include <string>
#include <string_view>

// True when the byte starts a double-byte character in the ANSI code page.
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
