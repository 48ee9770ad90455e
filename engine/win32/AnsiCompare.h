#pragma once
// Comparisons without regard to case in the user's locale collation, for texts
// in the ANSI code page.
#include <string>
#include <string_view>
#include <vector>

// Negative, zero or positive, as the locale orders the two texts.
int AnsiCompareText(std::string_view a, std::string_view b);

// True when the locale sees the texts as equal without regard to case.
bool AnsiSameText(std::string_view a, std::string_view b);

// Sorts ascending as AnsiCompareText orders, keeping only the first of texts
// that compare equal. One sort key per text instead of a system call per comparison.
void AnsiSortUniqueText(std::vector<std::string>& texts);
