#include "base/IgnoredNames.h"

#include <gtest/gtest.h>

TEST(IgnoredNames, TheDefaultListAndWildcards)
{
    const TIgnoredNames defaults(DefaultIgnoredFiles);
    const struct {
        const char* Name;
        bool Ignored;
    } cases[] = {
        {"Thumbs.db", true},   {"THUMBS.DB", true},    {"ehthumbs.db", true},  {"desktop.ini", true},
        {"Desktop.INI", true}, {".DS_Store", true},    {"._001.jpg", true},    {"._", true},
        {"__MACOSX", true},    {".picasa.ini", true},  {"001.jpg", false},     {"Thumbs.db.jpg", false},
        {"x._001.jpg", false}, {"_001.jpg", false},    {"thumbs.db2", false},  {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(defaults.Matches(c.Name), c.Ignored) << c.Name;
    EXPECT_TRUE(TIgnoredNames().Empty());
    EXPECT_FALSE(TIgnoredNames("").Matches("Thumbs.db"));
}

TEST(IgnoredNames, WildcardMatching)
{
    const struct {
        const char* Name;
        const char* Pattern;
        bool Matches;
    } cases[] = {
        {"a.tmp", "*.tmp", true},       {"a.tmp.jpg", "*.tmp", false}, {"scan12.log", "scan??.log", true},
        {"scan1.log", "scan??.log", false}, {"表紙.db", "??.db", true}, {"表紙.db", "?.db", false},
        {"abcabd", "*abd", true},       {"aaa", "a*a*a*a", false},     {"", "*", true},
        {"x", "", false},               {"ＡＢ", "ａｂ", false},       // only ASCII letters fold
    };
    for (const auto& c : cases) EXPECT_EQ(NameMatchesWildcard(c.Name, c.Pattern), c.Matches) << c.Name << " " << c.Pattern;
    // Items holding a separator could never match an entry's name.
    EXPECT_EQ(TIgnoredNames("a\\b;c/d;e:f;ok").Items(), (std::vector<std::string>{"ok"}));
}
