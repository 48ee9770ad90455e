#include "base/AnsiText.h"

#include "base/WideText.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

const std::vector<std::string> Names = {
    "img10.jpg", "IMG2.jpg",  "img1.jpg",  "Img1.JPG", "a-b.jpg",  "ab.jpg",   "a_b.jpg",    "a b.jpg",
    "a.b.jpg",   "~x.jpg",    "!x.jpg",    "09.jpg",   "10.jpg",   "9.jpg",    "表紙01.jpg", "表紙1.jpg",
    "ソ01.png",  "ｿ01.png",   "あ.jpg",    "ア.jpg",   "Ｚ.jpg",   "ｚ.jpg",   "z.jpg",      "Z.JPG",
    "vol.2-01",  "vol.2-02",  "x'y.jpg",   "xy.jpg",   "",         "十.gif",   "予.gif",     "能.gif",
};

bool SystemSame(const std::string& a, const std::string& b)
{
    const std::wstring wideA = WideText(a);
    const std::wstring wideB = WideText(b);
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, wideA.data(), static_cast<int>(wideA.size()),
                          wideB.data(), static_cast<int>(wideB.size())) == CSTR_EQUAL;
}

} // namespace

TEST(AnsiTextLocaleOrder, SortingByKeysAgreesWithTheLocaleComparison)
{
    std::vector<std::string> sorted = Names;
    SortUniqueTextLocaleOrder(sorted);
    ASSERT_FALSE(sorted.empty());
    for (size_t i = 1; i < sorted.size(); ++i) {
        EXPECT_LT(CompareTextLocaleOrder(sorted[i - 1], sorted[i]), 0) << sorted[i - 1] << " / " << sorted[i];
    }
    // Every name is still there or has an equal one that was found first.
    for (size_t i = 0; i < Names.size(); ++i) {
        bool kept = false;
        for (const std::string& name : sorted) kept = kept || name == Names[i];
        bool earlierEqual = false;
        for (size_t j = 0; j < i; ++j) earlierEqual = earlierEqual || SystemSame(Names[j], Names[i]);
        EXPECT_TRUE(kept != earlierEqual) << Names[i];
    }
}

TEST(AnsiTextLocaleOrder, SameTextAgreesWithTheLocale)
{
    for (const std::string& a : Names) {
        for (const std::string& b : Names) EXPECT_EQ(SameTextLocaleOrder(a, b), SystemSame(a, b)) << a << " / " << b;
    }
    EXPECT_TRUE(SameTextLocaleOrder(".JPG", ".jpg"));
    EXPECT_FALSE(SameTextLocaleOrder(".jpg", ".jpeg"));
    EXPECT_TRUE(SameTextLocaleOrder("", ""));
}
