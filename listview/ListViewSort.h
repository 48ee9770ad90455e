#pragma once
// The window-free rules of sortable columns: the sort word kept on the list and
// the two comparisons (text, and signed whole numbers for right-aligned columns).
#include <cstdint>
#include <string_view>

// Sort word: low 16 bits the 1-based sort column (0: never sorted), high 16 bits
// the direction (1 ascending, 0 descending).
constexpr uint32_t MakeSortWord(uint32_t column, bool ascending) { return (column & 0xFFFF) | (ascending ? 0x10000u : 0u); }
constexpr uint32_t SortWordColumn(uint32_t word) { return word & 0xFFFF; }
constexpr bool SortWordAscending(uint32_t word) { return (word >> 16) != 0; }

// The sort word after a click on the 0-based column: the same column flips the
// direction, another column sorts ascending.
uint32_t NextSortWord(uint32_t word, int clickedColumn);

// Case-insensitive order of two sort keys (the texts in code page 932, see
// ListViewSortKey): single-byte a-z fold to upper case, double-byte characters
// compare by value, trail bytes included; the first differing byte decides, else
// the length. A character code page 932 lacks is 0xFF and its code point in three
// bytes, so it follows every character the code page has.
int32_t CompareListText(std::string_view a, std::string_view b);

// The escape byte of a character without a code page 932 form in a sort key.
constexpr unsigned char SortKeyEscape = 0xFF;

// Signed whole numbers as digit strings: empty < negative < positive, a leading
// "+" or "-" is dropped, the shorter text is left-padded with "0" and the two
// compared as text (negated when both are negative).
int32_t CompareNumberText(std::string_view a, std::string_view b);

// The comparison of one pair of cell texts under the sort word's direction.
int32_t CompareSortTexts(uint32_t word, std::string_view a, std::string_view b, bool numeric);

// Common-controls versions: major in the high word, minor in the low word.
constexpr uint32_t ComCtlVersion470 = 0x00040046;
constexpr uint32_t ComCtlVersion580 = 0x00050050;
constexpr uint32_t ComCtlVersion600 = 0x00060000;
constexpr uint32_t PackComCtlVersion(uint32_t major, uint32_t minor) { return ((major & 0xFFFF) << 16) | (minor & 0xFFFF); }

// How the header shows the sort column for a library version.
enum class SortMarkStyle { None, Bitmap, SortFlag };
constexpr SortMarkStyle SortMarkStyleFor(uint32_t version)
{
    return version < ComCtlVersion470 ? SortMarkStyle::None
         : version < ComCtlVersion600 ? SortMarkStyle::Bitmap
                                      : SortMarkStyle::SortFlag;
}
