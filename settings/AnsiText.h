#pragma once
// Case-insensitive comparison of ANSI-code-page byte strings. Only the ASCII
// letters a-z are folded, and only where they stand as characters of their own:
// a trail byte of a double-byte character (ア is 0x83 0x41) is compared by value,
// so two different Japanese characters never compare equal.
#include <string_view>

// Negative, zero or positive: the first differing (folded) byte pair decides,
// by its difference; otherwise the difference of the lengths.
int CompareAnsiTextIgnoringCase(std::string_view a, std::string_view b);

inline bool SameAnsiTextIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && CompareAnsiTextIgnoringCase(a, b) == 0;
}
