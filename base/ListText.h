#pragma once
// The delimited-text form of a list of strings: the allowed extensions (";"),
// profile values, window placement and column widths (","). Quotes are always '"'.
#include <string>
#include <string_view>
#include <vector>

// Blanks and control bytes separate items just as the delimiter does; a quoted
// item keeps them, with a doubled quote standing for one. A delimiter that ends
// the text gives one empty item; an empty text gives none. A NUL byte ends the text.
std::vector<std::string> SplitListText(std::string_view text, char delimiter);

// Quotes an item only when it holds a byte 0x20 or below, a quote or the
// delimiter; a list of exactly one empty item joins to two quotes.
std::string JoinListText(const std::vector<std::string>& items, char delimiter);
