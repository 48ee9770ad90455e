#include "listview/ListViewSort.h"

#include <algorithm>
#include <string>

uint32_t NextSortWord(uint32_t word, int clickedColumn)
{
    const uint32_t column = static_cast<uint32_t>(clickedColumn + 1) & 0xFFFF;
    if (column == SortWordColumn(word)) return MakeSortWord(column, !SortWordAscending(word));
    return MakeSortWord(column, true);
}

namespace {

bool IsLeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

// The key with its single-byte letters folded; double-byte characters and
// escaped code points as they are.
std::string FoldedKey(std::string_view key)
{
    std::string folded(key);
    for (size_t i = 0; i < folded.size();) {
        const auto byte = static_cast<unsigned char>(folded[i]);
        if (byte == SortKeyEscape) {
            i += 4;
        } else if (IsLeadByte(byte)) {
            i += 2;
        } else {
            if (byte >= 'a' && byte <= 'z') folded[i] = static_cast<char>(byte - ('a' - 'A'));
            ++i;
        }
    }
    return folded;
}

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

int32_t CompareListText(std::string_view a, std::string_view b)
{
    const std::string foldedA = FoldedKey(a);
    const std::string foldedB = FoldedKey(b);
    const size_t common = std::min(foldedA.size(), foldedB.size());
    for (size_t i = 0; i < common; ++i) {
        const int byteA = static_cast<unsigned char>(foldedA[i]);
        const int byteB = static_cast<unsigned char>(foldedB[i]);
        if (byteA != byteB) return byteA - byteB;
    }
    return static_cast<int32_t>(foldedA.size()) - static_cast<int32_t>(foldedB.size());
}

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
