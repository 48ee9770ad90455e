#include "archiver/common/ArchiverCommandLine.h"
#include "archiver/common/ArchiverError.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

const TArchiverSyntax SevenZipLike{{"a"}, [](std::string_view s) {
                                       return EqualsIgnoringAsciiCase(s, "-r") || EqualsIgnoringAsciiCase(s, "-hide") ||
                                              EqualsIgnoringAsciiCase(s, "-tzip");
                                   }};

std::string RefusalOf(std::string_view line)
{
    try {
        ParseArchiverCommandLine(line, SevenZipLike);
    } catch (const TArchiverError& error) {
        EXPECT_EQ(error.Code, ArchiverBadCommandLine);
        return error.what();
    }
    return "(accepted)";
}

} // namespace

TEST(ArchiverCommandLine, DefaultTemplateWithAndWithoutQuietOption)
{
    const TArchiverCommandLine quiet = ParseArchiverCommandLine(R"(a -r -hide -tzip "D:\pics\trip.zip" "D:\pics\trip\" *)", SevenZipLike);
    EXPECT_EQ(quiet.Command, "a");
    EXPECT_EQ(quiet.Switches, (std::vector<std::string>{"-r", "-hide", "-tzip"}));
    EXPECT_EQ(quiet.ArchivePath, R"(D:\pics\trip.zip)");
    EXPECT_EQ(quiet.BaseFolder, R"(D:\pics\trip\)");
    EXPECT_EQ(quiet.Patterns, (std::vector<std::string>{"*"}));

    const TArchiverCommandLine loud = ParseArchiverCommandLine(R"(A -R  -TZIP "D:\pics\trip.zip" "D:\pics\trip\" *.*)", SevenZipLike);
    EXPECT_EQ(loud.Switches, (std::vector<std::string>{"-R", "-TZIP"}));
    EXPECT_EQ(loud.Patterns, (std::vector<std::string>{"*.*"}));
}

TEST(ArchiverCommandLine, QuotesDoubledQuotesAndTrailBytes)
{
    // 表 and ソ end in 0x5C: the byte before the closing quote is a trail byte, not an escape.
    const TArchiverCommandLine parsed =
        ParseArchiverCommandLine("a \"C:\\表\\ソ.zip\" \"C:\\表\\ソ\\\" \"say \"\"hi\"\".txt\" -r", SevenZipLike);
    EXPECT_EQ(parsed.ArchivePath, "C:\\表\\ソ.zip");
    EXPECT_EQ(parsed.BaseFolder, "C:\\表\\ソ\\");
    EXPECT_EQ(parsed.Patterns, (std::vector<std::string>{"say \"hi\".txt"}));
    EXPECT_EQ(parsed.Switches, (std::vector<std::string>{"-r"}));

    // A quoted token is never a switch, and blanks of any kind separate.
    const TArchiverCommandLine dash = ParseArchiverCommandLine("a\t\"-x.zip\"\r\n\"-dir\\\"", SevenZipLike);
    EXPECT_EQ(dash.ArchivePath, "-x.zip");
    EXPECT_EQ(dash.BaseFolder, "-dir\\");
    EXPECT_TRUE(dash.Switches.empty());
    // An empty quoted pair is an empty token.
    EXPECT_EQ(SplitArchiverCommandLine("a \"\" b").size(), 3u);
    EXPECT_EQ(SplitArchiverCommandLine("a \"\" b")[1].Text, "");
}

TEST(ArchiverCommandLine, RefusalsNameWhatIsWrong)
{
    EXPECT_EQ(RefusalOf("a -r -x \"a.zip\" \"d\\\" *"), "不明なスイッチです: -x");
    EXPECT_EQ(RefusalOf("a -mx9 a.zip d\\"), "不明なスイッチです: -mx9");
    EXPECT_EQ(RefusalOf("x a.zip d\\"), "対応していないコマンドです: x");
    EXPECT_EQ(RefusalOf("\"a\" a.zip d\\"), "対応していないコマンドです: a");
    EXPECT_EQ(RefusalOf(""), "コマンドが指定されていません");
    EXPECT_EQ(RefusalOf("   "), "コマンドが指定されていません");
    EXPECT_EQ(RefusalOf("a -r"), "書庫のパスが指定されていません");
    EXPECT_EQ(RefusalOf("a \"\" d\\"), "書庫のパスが指定されていません");
    EXPECT_EQ(RefusalOf("a -r x.zip"), "圧縮するフォルダが指定されていません");
    EXPECT_EQ(RefusalOf("a x.zip d\\ \"\""), "ファイルの指定が空です");
    EXPECT_EQ(RefusalOf("a \"x.zip d\\"), "コマンドラインの引用符が閉じていません: \"x.zip d\\");
}

TEST(ArchiverOutputBuffer, AlwaysTerminatedNeverSplitsACharacter)
{
    char buffer[8];
    std::memset(buffer, 'Z', sizeof buffer);
    CopyToOutputBuffer(buffer, sizeof buffer, "abc");
    EXPECT_STREQ(buffer, "abc");

    // "表表表表" in code page 932 is 8 bytes; 7 fit, but the fourth character would be cut: three are kept.
    std::memset(buffer, 'Z', sizeof buffer);
    CopyToOutputBuffer(buffer, sizeof buffer, "\x95\x5C\x95\x5C\x95\x5C\x95\x5C");
    EXPECT_STREQ(buffer, "\x95\x5C\x95\x5C\x95\x5C");
    // In UTF-8 "表" is 3 bytes and "𠮷" 4: of "a表𠮷" only "a表" fits in 7.
    std::memset(buffer, 'Z', sizeof buffer);
    CopyToOutputBuffer(buffer, sizeof buffer, "a表𠮷", true);
    EXPECT_STREQ(buffer, "a表");

    std::memset(buffer, 'Z', sizeof buffer);
    CopyToOutputBuffer(buffer, 1, "abc");
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'Z');

    CopyToOutputBuffer(buffer, 0, "abc");  // nothing written, no crash
    EXPECT_EQ(buffer[0], '\0');
    CopyToOutputBuffer(nullptr, 100, "abc");
}
