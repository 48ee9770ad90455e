#pragma once
// Conversions between the ANSI code page (command lines, messages), UTF-16
// (file system calls, 7z names) and UTF-8 (zip names).
#include <windows.h>

#include <string>
#include <string_view>

std::wstring AnsiToWide(std::string_view text);
std::string WideToAnsi(std::wstring_view text);  // unrepresentable characters become '?'
std::string WideToUtf8(std::wstring_view text);
std::string Utf8ToAnsi(std::string_view text);  // for messages naming stored UTF-8 names

// The system's text for an error code (GetLastError), without the line break.
std::string SystemErrorText(DWORD error);
