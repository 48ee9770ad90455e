#include "pages/BookSizes.h"

#include <gtest/gtest.h>

namespace {

// A book of count pages of one size, with the pages given put in.
std::vector<TPageSize> Book(size_t count, TPageSize page, std::vector<std::pair<size_t, TPageSize>> odd)
{
    std::vector<TPageSize> sizes(count, page);
    for (const auto& [at, size] : odd) sizes[at] = size;
    return sizes;
}

} // namespace

TEST(BookSizes, SpreadsAndPagesOfAnotherSize)
{
    const TPageSize a5{1240, 1754};
    const struct {
        const char* Name;
        std::vector<TPageSize> Sizes;
        std::vector<size_t> Spreads;
        std::vector<size_t> OtherSize;
        std::string Remark;
    } cases[] = {
        {"all alike", Book(20, a5, {}), {}, {}, ""},
        {"within 10%", Book(20, a5, {{3, {1300, 1660}}, {4, {1130, 1850}}}), {}, {}, ""},
        {"a spread", Book(20, a5, {{11, {2480, 1754}}}), {11}, {}, "見開き p012"},
        {"a spread a little narrower", Book(20, a5, {{0, {1860, 1754}}}), {0}, {}, "見開き p001"},
        {"600 dpi among 300", Book(20, a5, {{3, {2480, 3508}}}), {}, {3}, "サイズ違い p004"},
        {"an insert, shorter only", Book(20, a5, {{7, {1240, 1500}}}), {}, {7}, "サイズ違い p008"},
        {"both", Book(200, a5, {{9, {2480, 1754}}, {99, {2500, 1760}}, {150, {900, 1200}}}), {9, 99}, {150},
         "見開き p010 p100 サイズ違い p151"},
        {"landscape book: wide pages are its size", Book(20, {1754, 1240}, {{2, {2700, 1240}}}), {}, {2},
         "サイズ違い p003"},
        {"unknown sizes passed over", Book(5, a5, {{0, {}}, {1, {}}}), {}, {}, ""},
        {"too few to tell", Book(2, a5, {{1, {2480, 1754}}}), {}, {}, ""},
        {"spreads among few pages", Book(5, a5, {{3, {2480, 1754}}, {4, {2480, 1754}}}), {3, 4}, {},
         "見開き p004 p005"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TBookSizes found = FindOddSizes(c.Sizes);
        EXPECT_EQ(found.Spreads, c.Spreads);
        EXPECT_EQ(found.OtherSize, c.OtherSize);
        EXPECT_EQ(OddSizesRemark(found), c.Remark);
    }
}
