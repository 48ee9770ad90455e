#include "pages/BookSizes.h"

#include <algorithm>
#include <cstdio>

namespace {

uint32_t Median(std::vector<uint32_t> values)
{
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// Beyond 10% of the median either way.
bool Off(uint32_t value, uint32_t median) { return uint64_t(value > median ? value - median : median - value) * 10 > median; }

void AppendPages(std::string& remark, const char* words, const std::vector<size_t>& pages)
{
    if (pages.empty()) return;
    if (!remark.empty()) remark += ' ';
    remark += words;
    for (const size_t page : pages) {
        char number[24];
        std::snprintf(number, sizeof number, " p%03zu", page + 1);
        remark += number;
    }
}

} // namespace

TBookSizes FindOddSizes(const std::vector<TPageSize>& sizes)
{
    TBookSizes found;
    std::vector<uint32_t> widths, heights;
    for (const TPageSize& size : sizes) {
        if (size.Width == 0 || size.Height == 0) continue;
        widths.push_back(size.Width);
        heights.push_back(size.Height);
    }
    if (widths.size() < 3) return found;
    const uint32_t width = Median(widths), height = Median(heights);
    const bool portrait = height > width;
    for (size_t i = 0; i < sizes.size(); ++i) {
        const TPageSize& size = sizes[i];
        if (size.Width == 0 || size.Height == 0) continue;
        if (portrait && uint64_t(size.Width) * 2 >= uint64_t(width) * 3 && !Off(size.Height, height)) {
            found.Spreads.push_back(i);
        } else if (Off(size.Width, width) || Off(size.Height, height)) {
            found.OtherSize.push_back(i);
        }
    }
    return found;
}

std::string OddSizesRemark(const TBookSizes& found)
{
    std::string remark;
    AppendPages(remark, "見開き", found.Spreads);
    AppendPages(remark, "サイズ違い", found.OtherSize);
    return remark;
}
