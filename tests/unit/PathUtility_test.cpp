#include "base/PathUtility.h"

#include <gtest/gtest.h>

TEST(PathUtility, JapaneseNamesAreNeverCutAtASeparator)
{
    // 表 and ソ, whose code page 932 forms end in 0x5C, are three UTF-8 bytes above 0x7F.
    EXPECT_FALSE(EndsWithPathDelimiter("C:\\books\\表"));
    EXPECT_FALSE(EndsWithPathDelimiter("ソ"));
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\books\\表"), "C:\\books\\表\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\books\\表\\"), "C:\\books\\表\\");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\表\\"), "C:\\表");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\表"), "C:\\表");
}

TEST(PathUtility, SeparatorsAndNames)
{
    EXPECT_TRUE(EndsWithPathDelimiter("C:\\"));
    EXPECT_TRUE(EndsWithPathDelimiter("C:/x/"));
    EXPECT_FALSE(EndsWithPathDelimiter(""));
    EXPECT_EQ(IncludeTrailingPathDelimiter(""), "\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:"), "C:\\");
    EXPECT_EQ(LastPathDelimiter("C:\\a\\表"), 4u);
    EXPECT_EQ(LastPathDelimiter("表ソ"), std::string::npos);
    EXPECT_EQ(ExtractFileName("C:\\a\\ソフト"), "ソフト");
    EXPECT_EQ(ExtractFileName("C:\\a\\"), "");
    EXPECT_EQ(ExtractFileName("name"), "name");
}

TEST(PathUtility, AByteThatIsNoCharacterIsAByte)
{
    // A lone lead byte at the end cannot swallow what is not there.
    EXPECT_EQ(LastPathDelimiter("a\\\x95"), 1u);
    EXPECT_EQ(ExtractFileName("a\\\x95"), "\x95");
}

TEST(PathUtility, PlainFileNames)
{
    // Legal: a ".." inside a name, Japanese, and names no ANSI code page holds.
    for (const char* name : {"Vol..2", "a..b.txt", "表", "ポ一覧.txt", ".hidden", "con-tents", "COM0", "LPT10",
                             "日本の城〜天守閣編", "𠮷野家", "Pokémon"})
        EXPECT_TRUE(IsPlainFileName(name)) << name;
    // A path, a wildcard, a control character, a device, or a name Win32 would cut short.
    for (const char* name : {"", ".", "..", "..\\x", "a/b", "C:x", "a*", "a?", "a\"b", "a<b", "a>b", "a|b", "tab\t",
                             "CON", "nul.txt", "Aux .jpg", "com1", "LPT9.log", "conout$", "dup ", "dot.", "Vol..",
                             "\x95"})
        EXPECT_FALSE(IsPlainFileName(name)) << name;
    EXPECT_TRUE(IsWin32ExactName("dup"));
    EXPECT_FALSE(IsWin32ExactName("dup "));
    EXPECT_FALSE(IsWin32ExactName("con.jpg"));
}
