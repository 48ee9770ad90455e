#include "listview/ListViewSort.h"

#include "base/AnsiText.h"

#include <string>

uint32_t NextSortWord(uint32_t word, int clickedColumn)
{
    const uint32_t column = static_cast<uint32_t>(clickedColumn + 1) & 0xFFFF;
    if (column == SortWordColumn(word)) return MakeSortWord(column, !SortWordAscending(word));
    return MakeSortWord(column, true);
}

int32_t CompareListText(std::string_view a, std::string_view b) { return CompareTextAsciiFolded(a, b); }

namespace {

// 0 empty, 1 negative, 2 positive; the sign character is dropped from the text.
int NumberClass(std::string_view& text)
{
    if (text.empty()) return 0;
    if (text.front() == '-') {
        text.remove_prefix(1);
        return 1;
    }
    if (text.front() == '+') text.remove_prefix(1);
    return 2;
}

} // namespace

int32_t CompareNumberText(std::string_view a, std::string_view b)
{
    const int classA = NumberClass(a);
    const int classB = NumberClass(b);
    if (classA != classB) return classA - classB;
    if (classA == 0) return 0;
    std::string paddedA(a.size() < b.size() ? b.size() - a.size() : 0, '0');
    paddedA += a;
    std::string paddedB(b.size() < a.size() ? a.size() - b.size() : 0, '0');
    paddedB += b;
    const int32_t result = CompareListText(paddedA, paddedB);
    return classA == 1 ? -result : result;
}

int32_t CompareSortTexts(uint32_t word, std::string_view a, std::string_view b, bool numeric)
{
    const int32_t result = numeric ? CompareNumberText(a, b) : CompareListText(a, b);
    return SortWordAscending(word) ? result : -result;
}
