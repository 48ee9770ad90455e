#include "base/ListText.h"

#include <gtest/gtest.h>

#include <random>

using Items = std::vector<std::string>;

TEST(SplitListText, SeparatesOnDelimiterAndBlanks)
{
    EXPECT_EQ(SplitListText(".jpg;.png;.gif", ';'), (Items{".jpg", ".png", ".gif"}));
    EXPECT_EQ(SplitListText("  a b\t;c  ", ';'), (Items{"a", "b", "c"}));
    EXPECT_EQ(SplitListText("a;;b", ';'), (Items{"a", "", "b"}));
    EXPECT_EQ(SplitListText("a, b ,c", ','), (Items{"a", "b", "c"}));
}

TEST(SplitListText, EmptyAndTrailingDelimiter)
{
    EXPECT_TRUE(SplitListText("", ';').empty());
    EXPECT_TRUE(SplitListText("   ", ';').empty());
    EXPECT_EQ(SplitListText("a;", ';'), (Items{"a", ""}));
    EXPECT_EQ(SplitListText(";", ';'), (Items{"", ""}));
    // A delimiter followed by blanks is not the last character: no empty item.
    EXPECT_EQ(SplitListText("a; ", ';'), (Items{"a"}));
    EXPECT_EQ(SplitListText(";a", ';'), (Items{"", "a"}));
}

TEST(SplitListText, QuotedItems)
{
    EXPECT_EQ(SplitListText("\"a b\";c", ';'), (Items{"a b", "c"}));
    EXPECT_EQ(SplitListText("\"say \"\"hi\"\"\",x", ','), (Items{"say \"hi\"", "x"}));
    EXPECT_EQ(SplitListText("\"\"", ','), (Items{""}));
    EXPECT_EQ(SplitListText("\"a,b\",c", ','), (Items{"a,b", "c"}));
    // An unterminated quote runs to the end of the text.
    EXPECT_EQ(SplitListText("\"abc", ','), (Items{"abc"}));
    // Text right after a closing quote starts the next item.
    EXPECT_EQ(SplitListText("\"ab\"cd", ','), (Items{"ab", "cd"}));
}

TEST(SplitListText, KeepsDoubleByteCharacters)
{
    EXPECT_EQ(SplitListText("表;ソ", ';'), (Items{"表", "ソ"}));
    EXPECT_EQ(SplitListText(".zip,7-zip32.DLL,SevenZip,\"a -tzip $Q \"\"$A\"\" \"\"$D\\*\"\"\",-hide", ','),
              (Items{".zip", "7-zip32.DLL", "SevenZip", "a -tzip $Q \"$A\" \"$D\\*\"", "-hide"}));
}

TEST(JoinListText, QuotesOnlyWhereNeeded)
{
    EXPECT_EQ(JoinListText({".jpg", ".png"}, ';'), ".jpg;.png");
    EXPECT_EQ(JoinListText({"a b", "c"}, ';'), "\"a b\";c");
    EXPECT_EQ(JoinListText({"a;b"}, ';'), "\"a;b\"");
    EXPECT_EQ(JoinListText({"a;b"}, ','), "a;b");
    EXPECT_EQ(JoinListText({"say \"hi\""}, ','), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(JoinListText({"tab\there"}, ','), "\"tab\there\"");
}

TEST(JoinListText, EmptyLists)
{
    EXPECT_EQ(JoinListText({}, ';'), "");
    EXPECT_EQ(JoinListText({""}, ';'), "\"\"");
    EXPECT_EQ(JoinListText({"", ""}, ';'), ";");
    EXPECT_EQ(JoinListText({"a", ""}, ';'), "a;");
}

TEST(ListText, JoinThenSplitGivesTheItemsBack)
{
    std::mt19937 random(20261207);
    const std::string alphabet = std::string("ab \t\"\";,,\x01\x1f\x7f\x95\x5c") + "表ソ";
    for (char delimiter : {';', ','}) {
        for (int round = 0; round < 3000; ++round) {
            Items items(random() % 5);
            for (auto& item : items) {
                const size_t length = random() % 6;
                for (size_t i = 0; i < length; ++i) item += alphabet[random() % alphabet.size()];
            }
            const std::string text = JoinListText(items, delimiter);
            ASSERT_EQ(SplitListText(text, delimiter), items) << "text: " << text;
        }
    }
}
