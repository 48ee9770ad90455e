#include "base/AnsiText.h"

#include "base/WideText.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
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

TEST(AnsiTextLocaleOrder, SortingKeepsEveryNameInTheLocalesOrder)
{
    // Names the locale finds equal, each a file of its own: none may be dropped.
    std::vector<std::string> names = Names;
    for (const char* twin : {"cafe\xCC\x81_02.jpg", "caf\xC3\xA9_02.jpg", "stra\xC3\x9F" "e.jpg", "strasse.jpg",
                             "so\xC2\xAD" "ft.jpg", "soft.jpg", "a\xE2\x80\x8D" "b.jpg", "ab.jpg", "ab.jpg"})
        names.push_back(twin);
    std::vector<std::string> sorted = names;
    SortUniqueTextLocaleOrder(sorted);
    for (size_t i = 1; i < sorted.size(); ++i) {
        EXPECT_LE(CompareTextLocaleOrder(sorted[i - 1], sorted[i]), 0) << sorted[i - 1] << " / " << sorted[i];
        EXPECT_NE(sorted[i - 1], sorted[i]);
    }
    // Every distinct name is there once.
    std::vector<std::string> distinct = names;
    std::sort(distinct.begin(), distinct.end());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    std::vector<std::string> kept = sorted;
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, distinct);
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
