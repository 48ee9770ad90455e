#include "listview/ListViewUtilityText.h"

#include "base/IntegerText.h"
#include "base/ListText.h"

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
