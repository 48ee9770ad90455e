#include "listview/ListViewSort.h"
#include "listview/ListViewUtilityText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

int Sign(int32_t value) { return (value > 0) - (value < 0); }

} // namespace

TEST(ListViewSort, SortWordFollowsHeaderClicks)
{
    uint32_t word = 0;
    word = NextSortWord(word, 2);
    EXPECT_EQ(word, 0x00010003u);
    word = NextSortWord(word, 2);
    EXPECT_EQ(word, 0x00000003u);
    word = NextSortWord(word, 2);
    EXPECT_EQ(word, 0x00010003u);
    word = NextSortWord(NextSortWord(word, 2), 0);
    EXPECT_EQ(word, 0x00010001u);
    EXPECT_EQ(SortWordColumn(word), 1u);
    EXPECT_TRUE(SortWordAscending(word));
}

TEST(ListViewSort, TextComparisonFoldsSingleByteLettersOnly)
{
    // Sort keys: code page 932 bytes, a character the code page lacks escaped.
    EXPECT_EQ(CompareListText("abc", "ABC"), 0);
    EXPECT_LT(CompareListText("ab", "abc"), 0);
    EXPECT_GT(CompareListText("b", "A"), 0);
    // '_' (0x5F) sorts after the letters once they are folded to upper case.
    EXPECT_GT(CompareListText("_", "a"), 0);
    // ア and ヂ: trail bytes 0x41 and 0x61 are no letters, so they stay apart.
    EXPECT_LT(CompareListText("\x83\x41", "\x83\x61"), 0);
    EXPECT_EQ(CompareListText("\x95\x5C" "a", "\x95\x5C" "A"), 0);   // 表a, 表A
    EXPECT_LT(CompareListText("abc", "\x95\x5C"), 0);
    // Double-byte by value, then half-width kana, then what the code page lacks.
    const std::vector<std::string> ordered{"\x82\x50", "\x82\xA0", "\x88\x9F", "\x88\xEA", "\xB1",
                                           std::string("\xFF\x00\xAC\x00", 4), std::string("\xFF\x01\xF4\x96", 4)};
    for (size_t i = 0; i + 1 < ordered.size(); ++i) EXPECT_LT(CompareListText(ordered[i], ordered[i + 1]), 0) << i;
    // An escaped code point is never folded.
    EXPECT_NE(CompareListText(std::string("\xFF\x00\x00\x61", 4), std::string("\xFF\x00\x00\x41", 4)), 0);
}

TEST(ListViewSort, NumberComparisonOrdersSignedWholeNumbers)
{
    EXPECT_LT(CompareNumberText("", "-5"), 0);
    EXPECT_LT(CompareNumberText("-5", "3"), 0);
    EXPECT_LT(CompareNumberText("3", "10"), 0);
    EXPECT_LT(CompareNumberText("-10", "-9"), 0);
    EXPECT_EQ(CompareNumberText("+7", "7"), 0);
    EXPECT_EQ(CompareNumberText("007", "7"), 0);
    EXPECT_EQ(CompareNumberText("", ""), 0);
    EXPECT_GT(CompareNumberText("1.5", "10"), 0);
    EXPECT_EQ(Sign(CompareNumberText("12", "9")), 1);

    std::vector<std::string> values{"10", "", "-5", "3", "-10", "+7", "0", "-9"};
    std::stable_sort(values.begin(), values.end(),
                     [](const std::string& a, const std::string& b) { return CompareNumberText(a, b) < 0; });
    EXPECT_EQ(values, (std::vector<std::string>{"", "-10", "-9", "-5", "0", "3", "+7", "10"}));
}

TEST(ListViewSort, DirectionNegates)
{
    EXPECT_LT(CompareSortTexts(0x00010002, "a", "b", false), 0);
    EXPECT_GT(CompareSortTexts(0x00000002, "a", "b", false), 0);
    EXPECT_GT(CompareSortTexts(0x00000002, "3", "10", true), 0);
}

TEST(ListViewSort, MarkStyleByLibraryVersion)
{
    EXPECT_EQ(SortMarkStyleFor(0), SortMarkStyle::None);
    EXPECT_EQ(SortMarkStyleFor(PackComCtlVersion(4, 0)), SortMarkStyle::None);
    EXPECT_EQ(SortMarkStyleFor(PackComCtlVersion(4, 70)), SortMarkStyle::Bitmap);
    EXPECT_EQ(SortMarkStyleFor(PackComCtlVersion(5, 81)), SortMarkStyle::Bitmap);
    EXPECT_EQ(SortMarkStyleFor(PackComCtlVersion(6, 0)), SortMarkStyle::SortFlag);
    EXPECT_EQ(PackComCtlVersion(5, 80), ComCtlVersion580);
}

TEST(ColumnWidthsText, FormatAndParse)
{
    EXPECT_EQ(FormatColumnWidthsText({250, 200, 160}), "250,200,160");
    EXPECT_EQ(FormatColumnWidthsText({-2, 0}), "-2,0");
    EXPECT_EQ(FormatColumnWidthsText({}), "");
    EXPECT_EQ(ParseColumnWidthsText("250,200,160"), (std::vector<int32_t>{250, 200, 160}));
    EXPECT_EQ(ParseColumnWidthsText(" 250 200 \"160\""), (std::vector<int32_t>{250, 200, 160}));
    EXPECT_EQ(ParseColumnWidthsText("300"), (std::vector<int32_t>{300}));
    EXPECT_EQ(ParseColumnWidthsText("250,wide,160"), (std::vector<int32_t>{250}));
    EXPECT_EQ(ParseColumnWidthsText("250,,160"), (std::vector<int32_t>{250}));
    EXPECT_TRUE(ParseColumnWidthsText("").empty());
}

TEST(ColumnWidthsText, WidthsScaleBetweenDensitiesAndCodesStay)
{
    EXPECT_EQ(ScaleColumnWidthsText("250,200,160", 144, 96), "375,300,240");
    EXPECT_EQ(ScaleColumnWidthsText("375,-2,0,-1,101", 96, 144), "250,-2,0,-1,67");
    EXPECT_EQ(ScaleColumnWidthsText("250,x,160", 144, 96), "375");
}
