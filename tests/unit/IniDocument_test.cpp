#include "settings/IniDocument.h"
#include "base/IntegerText.h"

#include <gtest/gtest.h>

#include <random>

using Strings = std::vector<std::string>;

TEST(IniDocument, ReadingRulesLinesSectionsKeysAndComments)
{
    const IniDocument doc = IniDocument::Parse(
        "orphan=dropped\r\n"
        "; a comment\n"
        "  [ Setting ]  \r"
        "\tPath  =  C:\\pics  \r\n"
        "\r\n"
        "  ; indented comment\n"
        "no equals sign here\n"
        "Window=1=2=3\n"
        "Empty=\n"
        "[Other]\n"
        "Key=other\n");
    EXPECT_EQ(doc.SectionNames(), (Strings{"Setting", "Other"}));
    EXPECT_EQ(doc.ReadString("Setting", "Path", "x"), "C:\\pics");
    EXPECT_EQ(doc.ReadString("Setting", "Window", "x"), "1=2=3");   // value after the first "="
    EXPECT_EQ(doc.ReadString("Setting", "Empty", "x"), "");          // present but empty: not the default
    EXPECT_EQ(doc.ReadString("Setting", "orphan", "x"), "x");        // lines before any section are gone
    EXPECT_EQ(doc.ReadString("Setting", "no equals sign here", "x"), "x");
    EXPECT_EQ(doc.ReadSectionKeys("Setting"), (Strings{"Path", "Window", "Empty"}));
    // The line without "=" is kept, comments and blank lines are not.
    EXPECT_EQ(doc.Serialize(),
              "[Setting]\r\nPath=C:\\pics\r\nno equals sign here\r\nWindow=1=2=3\r\nEmpty=\r\n\r\n"
              "[Other]\r\nKey=other\r\n\r\n");
}

TEST(IniDocument, NamesIgnoreCaseAndDefaultsApplyWhenAbsent)
{
    IniDocument doc = IniDocument::Parse("[setting]\nPATH=a\nPath=second\n");
    EXPECT_EQ(doc.ReadString("SETTING", "path", "d"), "a");          // first matching key wins
    EXPECT_EQ(doc.ReadString("Missing", "Path", "d"), "d");
    EXPECT_EQ(doc.ReadString("Setting", "Missing", "d"), "d");
    EXPECT_TRUE(doc.SectionExists("SeTTing"));
    doc.WriteString("Setting", "path", "b");                         // replaces the first line in place
    EXPECT_EQ(doc.Serialize(), "[setting]\r\npath=b\r\nPath=second\r\n\r\n");
}

TEST(IniDocument, IntegersAndFlagsWithDefaults)
{
    const IniDocument doc = IniDocument::Parse(
        "[S]\nDec=-42\nPlus=+7\nHex=0x1F\nHexUpper=0X1f\nBareHex=0x\nEmpty=\nText=abc\nMixed=12abc\n"
        "Huge=99999999999999999999\nMax=2147483647\nMin=-2147483648\nOver=2147483648\nAllBits=0xFFFFFFFF\n"
        "LongHex=0x00000000000010\nTooLongHex=0x123456789\nBlank=1 2\nTwo=2\nZero=0\n");
    EXPECT_EQ(doc.ReadInteger("S", "Dec", 5), -42);
    EXPECT_EQ(doc.ReadInteger("S", "Plus", 5), 7);
    EXPECT_EQ(doc.ReadInteger("S", "Hex", 5), 31);
    EXPECT_EQ(doc.ReadInteger("S", "HexUpper", 5), 31);
    EXPECT_EQ(doc.ReadInteger("S", "BareHex", 5), 5);
    EXPECT_EQ(doc.ReadInteger("S", "Empty", 5), 5);
    EXPECT_EQ(doc.ReadInteger("S", "Text", 5), 5);
    EXPECT_EQ(doc.ReadInteger("S", "Mixed", 5), 5);
    EXPECT_EQ(doc.ReadInteger("S", "Huge", 5), 5);
    EXPECT_EQ(doc.ReadInteger("S", "Max", 5), 2147483647);
    EXPECT_EQ(doc.ReadInteger("S", "Min", 5), INT32_MIN);
    EXPECT_EQ(doc.ReadInteger("S", "Over", 5), 5);
    EXPECT_EQ(doc.ReadInteger("S", "AllBits", 5), -1);
    EXPECT_EQ(doc.ReadInteger("S", "LongHex", 5), 16);
    EXPECT_EQ(doc.ReadInteger("S", "TooLongHex", 5), 5);
    EXPECT_EQ(doc.ReadInteger("S", "Blank", 5), 5);
    EXPECT_EQ(doc.ReadInteger("S", "Absent", 5), 5);

    EXPECT_TRUE(doc.ReadBool("S", "Two", false));
    EXPECT_FALSE(doc.ReadBool("S", "Zero", true));
    EXPECT_TRUE(doc.ReadBool("S", "Text", true));
    EXPECT_FALSE(doc.ReadBool("S", "Text", false));
    EXPECT_TRUE(doc.ReadBool("S", "Empty", true));
}

TEST(IniDocument, WritesAppendAndEraseRecreatesAtTheEnd)
{
    IniDocument doc = IniDocument::Parse("[Archive]\n.zip=z\n[Setting]\nA=1\n");
    doc.WriteInteger("Setting", "B", -3);
    doc.WriteBool("Setting", "C", true);
    doc.WriteBool("Setting", "D", false);
    doc.WriteString("New", "K", "v");
    EXPECT_EQ(doc.Serialize(), "[Archive]\r\n.zip=z\r\n\r\n[Setting]\r\nA=1\r\nB=-3\r\nC=1\r\nD=0\r\n\r\n[New]\r\nK=v\r\n\r\n");
    doc.EraseSection("ARCHIVE");
    EXPECT_FALSE(doc.SectionExists("Archive"));
    doc.WriteString("Archive", ".7z", "s");
    EXPECT_EQ(doc.SectionNames(), (Strings{"Setting", "New", "Archive"}));
}

TEST(IniDocument, ValuesAreBytesReturnedUnchanged)
{
    // 表 and ソ end in 0x5C; half-width kana and high bytes must survive as they are.
    const std::string value = "C:\\表\\ソフト\\\xB1\xB2\xFF\x7F\"q\";x,y";
    IniDocument doc;
    doc.WriteString("Setting", "Path", value);
    const IniDocument again = IniDocument::Parse(doc.Serialize());
    EXPECT_EQ(again.ReadString("Setting", "Path", ""), value);
    EXPECT_EQ(again.Serialize(), doc.Serialize());
}

TEST(IniDocument, LineEndsInsideWrittenValuesCannotInjectLines)
{
    IniDocument doc;
    doc.WriteString("Setting", "Path", "a\r\n[Archive]\r\n.zip=evil");
    const IniDocument again = IniDocument::Parse(doc.Serialize());
    EXPECT_FALSE(again.SectionExists("Archive"));
    EXPECT_EQ(again.ReadSectionKeys("Setting"), (Strings{"Path"}));
}

TEST(IniDocument, RepeatedSectionIsOneSection)
{
    IniDocument doc = IniDocument::Parse("[Archive]\n.zip=a\n[Setting]\nX=1\n[archive]\n.7z=b\n");
    EXPECT_EQ(doc.ReadSectionKeys("Archive"), (Strings{".zip", ".7z"}));
    doc.EraseSection("Archive");
    EXPECT_EQ(doc.Serialize(), "[Setting]\r\nX=1\r\n\r\n");
}

TEST(IniDocument, OddSectionLines)
{
    const IniDocument doc = IniDocument::Parse("[\n[]\nA=1\n[x\nB=2\n]\n");
    // "[" alone is no section (dropped before any section); "[]" is a section with an empty name.
    EXPECT_EQ(doc.SectionNames(), (Strings{""}));
    EXPECT_EQ(doc.ReadString("", "A", ""), "1");
    EXPECT_EQ(doc.ReadString("", "[x", "none"), "none");
    EXPECT_EQ(doc.ReadSectionKeys(""), (Strings{"A", "B"}));
}

TEST(IniDocument, LinesOfAnEncodedFileKeepTheirBytesUnlessChanged)
{
    // A toy encoding with two byte forms of one character, as code page 932 has
    // for its NEC and IBM duplicates: "@" and "*" both read as "*".
    const auto decode = [](std::string_view bytes) {
        std::string text(bytes);
        for (char& c : text)
            if (c == '@') c = '*';
        return text;
    };
    const auto encode = [](std::string_view text, std::string& bytes) {
        bytes.assign(text);
        return text.find('!') == std::string_view::npos;  // "!" has no form
    };
    IniDocument doc = IniDocument::Parse("[Sec@]\r\nMine = a@b \r\nSame=x@\r\nNew=x@\r\nloose @ line\r\n", decode);
    EXPECT_EQ(doc.SectionNames(), (Strings{"Sec*"}));
    EXPECT_EQ(doc.ReadString("Sec*", "Mine", ""), "a*b");
    doc.WriteString("Sec*", "Same", "x*");   // the value it already has: its bytes stay
    doc.WriteString("Sec*", "New", "y*");    // a new value is encoded
    doc.WriteString("Sec*", "Added", "z");
    std::string bytes;
    ASSERT_TRUE(doc.Serialize(encode, bytes));
    EXPECT_EQ(bytes, "[Sec@]\r\nMine=a@b\r\nSame=x@\r\nNew=y*\r\nloose @ line\r\nAdded=z\r\n\r\n");
    EXPECT_EQ(doc.Serialize(), "[Sec*]\r\nMine=a*b\r\nSame=x*\r\nNew=y*\r\nloose * line\r\nAdded=z\r\n\r\n");
    // A text without a form fails the encoded form as a whole.
    doc.WriteString("Sec*", "Added", "!");
    EXPECT_FALSE(doc.Serialize(encode, bytes));
}

TEST(IniDocument, ArbitraryBytesNeverBreakParseOrRoundTrip)
{
    std::mt19937 random(12345);
    const char raw[] = "[]=;\r\n \t\x01" "ab\x83\x5C\x95\x00" "xyz0123";
    const std::string alphabet(raw, sizeof raw - 1);
    for (int round = 0; round < 500; ++round) {
        std::string bytes;
        const int length = static_cast<int>(random() % 200);
        for (int i = 0; i < length; ++i) bytes += alphabet[random() % alphabet.size()];
        const IniDocument doc = IniDocument::Parse(bytes);
        const std::string text = doc.Serialize();
        // Once written, a document reads back to the same text.
        ASSERT_EQ(IniDocument::Parse(text).Serialize(), text) << round;
    }
}

TEST(IntegerText, FormsAndLimits)
{
    EXPECT_EQ(ParseIntegerText("0"), 0);
    EXPECT_EQ(ParseIntegerText("-0"), 0);
    EXPECT_EQ(ParseIntegerText("007"), 7);
    EXPECT_EQ(ParseIntegerText("0x7fffffff"), INT32_MAX);
    EXPECT_EQ(ParseIntegerText("0x80000000"), INT32_MIN);
    EXPECT_FALSE(ParseIntegerText(""));
    EXPECT_FALSE(ParseIntegerText("-"));
    EXPECT_FALSE(ParseIntegerText("+"));
    EXPECT_FALSE(ParseIntegerText(" 1"));
    EXPECT_FALSE(ParseIntegerText("1 "));
    EXPECT_FALSE(ParseIntegerText("0xG"));
    EXPECT_FALSE(ParseIntegerText("-0x1"));
    EXPECT_FALSE(ParseIntegerText("-2147483649"));
    EXPECT_FALSE(ParseIntegerText("1.5"));
    EXPECT_EQ(IntegerText(INT32_MIN), "-2147483648");
}
