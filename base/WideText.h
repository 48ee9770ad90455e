#pragma once
// The program's texts are UTF-8 inside: names, list texts, the interface's own
// literals and the settings. Win32 takes UTF-16, converted here at the boundary,
// so a name reaches the screen and the file system whatever the system's ANSI
// code page. ANSI text remains only at the edges that demand it (a third-party
// archiver library, CF_TEXT, a settings file whose values all fit), converted
// with no best-fit look-alikes and checked by a round trip.
#ifdef _WIN32
#include <string>
#include <string_view>

// UTF-16 of a UTF-8 text; a byte that is not UTF-8 becomes U+FFFD.
std::wstring WideText(std::string_view utf8);

// UTF-8 of a UTF-16 text; a lone surrogate becomes U+FFFD.
std::string Utf8Text(std::wstring_view wide);

// UTF-8 of a UTF-16 text that converts exactly: false for a lone surrogate,
// which no UTF-8 text can name.
bool ExactUtf8Text(std::wstring_view wide, std::string& utf8);

// The text in the given code page (CP_ACP for the system's ANSI code page):
// false when a character has no exact form there (no look-alike is taken).
bool ExactCodePageText(std::string_view utf8, unsigned codePage, std::string& text);

// The text in the given code page, the system's default character ("?") where it
// lacks one, never a look-alike: for readers that take nothing else.
std::string CodePageText(std::string_view utf8, unsigned codePage);

// UTF-8 of a text in the given code page.
std::string CodePageToUtf8(std::string_view text, unsigned codePage);
#endif
