#pragma once
// Texts inside the libraries are UTF-8 throughout: names, paths and messages
// (the libraries' sources are compiled with UTF-8 literals). A call's own texts,
// its command line, an archive path given to an export, the output buffer and
// the names handed to the progress callback, are in the call's code: UTF-8 in
// the Unicode mode, the ANSI code page otherwise. They are converted once on
// the way in and once on the way out. File-system calls take UTF-16.
#include <windows.h>

#include <string>
#include <string_view>

// The Unicode mode: one plain flag for the whole process (per library), to be
// set between calls.
void SetUnicodeMode(bool on);
bool IsUnicodeMode();

std::string FromCallText(std::string_view text);  // the call's code to UTF-8
std::string ToCallText(std::string_view text);    // UTF-8 to the call's code; unrepresentable characters become '?'

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
std::string AnsiToUtf8(std::string_view text);  // names an archive keeps in the ANSI code page

// The system's text for an error code (GetLastError), without the line break.
std::string SystemErrorText(DWORD error);
