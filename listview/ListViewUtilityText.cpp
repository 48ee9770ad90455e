#include "listview/ListViewUtilityText.h"

#include "base/IntegerText.h"
#include "base/ListText.h"

#include <algorithm>

std::string FormatColumnWidthsText(const std::vector<int32_t>& widths)
{
    std::vector<std::string> items;
    items.reserve(widths.size());
    for (int32_t width : widths) items.push_back(IntegerText(width));
    return JoinListText(items, ',');
}

std::vector<int32_t> ParseColumnWidthsText(std::string_view text)
{
    std::vector<int32_t> widths;
    for (const std::string& item : SplitListText(text, ',')) {
        const auto width = ParseIntegerText(item);
        if (!width) break;
        widths.push_back(*width);
    }
    return widths;
}

std::string ScaleColumnWidthsText(std::string_view text, int32_t numerator, int32_t denominator)
{
    std::vector<int32_t> widths = ParseColumnWidthsText(text);
    if (numerator <= 0 || denominator <= 0) return FormatColumnWidthsText(widths);
    for (int32_t& width : widths) {
        if (width <= 0) continue;
        const int64_t scaled = (int64_t{width} * numerator + denominator / 2) / denominator;
        width = static_cast<int32_t>(std::min<int64_t>(scaled, INT32_MAX));
    }
    return FormatColumnWidthsText(widths);
}
