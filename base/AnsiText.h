#pragma once
// Comparisons of the program's UTF-8 texts without regard to case, by one of
// two rules whose names say which:
// - AsciiFolded: only the ASCII letters a-z are folded (no byte of a multi-byte
//   character is ASCII, so two different Japanese characters never compare
//   equal). Platform-free, for settings keys and extensions in the INI text.
// - LocaleOrder: the user's locale collation (the Win32 build only), for names
//   shown to the user and extensions the find job matches.
#include <string>
#include <string_view>
#include <vector>

// Negative, zero or positive: the first differing (folded) byte pair decides,
// by its difference; otherwise the difference of the lengths.
int CompareTextAsciiFolded(std::string_view a, std::string_view b);

inline bool SameTextAsciiFolded(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && CompareTextAsciiFolded(a, b) == 0;
}

#ifdef _WIN32
// Negative, zero or positive, as the locale orders the two texts.
int CompareTextLocaleOrder(std::string_view a, std::string_view b);

// True when the locale sees the texts as equal without regard to case.
bool SameTextLocaleOrder(std::string_view a, std::string_view b);

// Sorts ascending as CompareTextLocaleOrder orders; texts the locale finds equal
// (café in two normal forms, straße and strasse, a soft hyphen) follow each other
// in byte order and all stay: each names a file of its own. Only texts equal
// byte for byte are kept once. One sort key per text instead of a system call
// per comparison.
void SortUniqueTextLocaleOrder(std::vector<std::string>& texts);
#endif
