#include "engine/CheckNumbering.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Verdict {
    bool Passed;
    std::string Result;
    std::string Remark;
};

Verdict Check(const std::vector<std::string>& names, bool numberedAbout = false,
              std::function<bool()> stop = nullptr)
{
    Verdict verdict{false, "(unset)", "(unset)"};
    verdict.Passed = CheckNumbering(names, numberedAbout, stop, verdict.Result, verdict.Remark);
    return verdict;
}

void ExpectFailure(const Verdict& verdict, const std::string& result, const std::string& remark)
{
    EXPECT_FALSE(verdict.Passed);
    EXPECT_EQ(verdict.Result, result);
    EXPECT_EQ(verdict.Remark, remark);
}

} // namespace

TEST(CheckNumbering, SequencesThatPass)
{
    EXPECT_TRUE(Check({"001.jpg"}).Passed);
    EXPECT_TRUE(Check({"img001.jpg", "img002.png", "img003.jpg"}).Passed) << "extensions play no part";
    EXPECT_TRUE(Check({"010.jpg", "011.jpg"}).Passed);
    EXPECT_TRUE(Check({"09.jpg", "10.jpg"}).Passed);
    EXPECT_TRUE(Check({"vol.2-01.jpg", "vol.2-02.jpg"}).Passed) << "only the last dot starts the extension";
    EXPECT_TRUE(Check({"page7", "page8", "page9"}).Passed) << "no extension: the whole name is the base";
    EXPECT_TRUE(Check({"x0998.jpg", "x0999.jpg", "x1000.jpg"}).Passed) << "carry across the field";
    EXPECT_TRUE(Check({"表紙01.jpg", "表紙02.jpg"}).Passed) << "a double-byte prefix with a 0x5C trail byte";
}

TEST(CheckNumbering, FirstNameWithoutTrailingNumber)
{
    ExpectFailure(Check({"cover.jpg"}), "ファイルから連番が得られません", "cover.jpg");
    ExpectFailure(Check({".jpg", "01.jpg"}), "ファイルから連番が得られません", ".jpg");
    ExpectFailure(Check({"01a.jpg", "02a.jpg"}), "ファイルから連番が得られません", "01a.jpg");
}

TEST(CheckNumbering, ShapeFailuresNameBothFilesAndTheDetail)
{
    ExpectFailure(Check({"a01.jpg", "b01.jpg"}), "ファイルは連番形式ではありません",
                  "a01.jpg b01.jpg プレフィックス非一致(b!=a)");
    // the prefix is compared with case
    ExpectFailure(Check({"P01.jpg", "p02.jpg"}), "ファイルは連番形式ではありません",
                  "P01.jpg p02.jpg プレフィックス非一致(p!=P)");
    ExpectFailure(Check({"img001.jpg", "img2.jpg"}), "ファイルは連番形式ではありません",
                  "img001.jpg img2.jpg 非数値(4桁から3文字)");
    ExpectFailure(Check({"p01.jpg", "p02x.jpg"}), "ファイルは連番形式ではありません",
                  "p01.jpg p02x.jpg サフィックス非一致(x)");
    ExpectFailure(Check({"10.jpg", "9.jpg"}), "ファイルは連番形式ではありません",
                  "10.jpg 9.jpg 非数値(1桁から2文字)");
    // a base shorter than the prefix is compared whole
    ExpectFailure(Check({"ab1.jpg", "a.jpg"}), "ファイルは連番形式ではありません",
                  "ab1.jpg a.jpg プレフィックス非一致(a!=ab)");
    // the first name stands in every remark
    ExpectFailure(Check({"s01.jpg", "s02.jpg", "s0x.jpg"}), "ファイルは連番形式ではありません",
                  "s01.jpg s0x.jpg 非数値(2桁から2文字)");
    ExpectFailure(Check({"01.jpg", "01.jpg.bak"}), "ファイルは連番形式ではありません",
                  "01.jpg 01.jpg.bak サフィックス非一致(.jpg)");
}

TEST(CheckNumbering, PositionsCountTheBytesOfCodePage932)
{
    // Double-byte characters count two, half-width katakana one, a character
    // code page 932 lacks (Hangul, an emoji) two like any double-byte one.
    const struct {
        std::vector<std::string> Names;
        std::string Detail;
    } cases[] = {
        {{"第01.jpg", "第2.jpg"}, "非数値(3桁から2文字)"},
        {{"表紙の01.jpg", "表紙の1.jpg"}, "非数値(7桁から2文字)"},
        {{"ｶﾊﾞｰ01.jpg", "ｶﾊﾞｰ1.jpg"}, "非数値(5桁から2文字)"},
        {{"a第ｱ01.jpg", "a第ｱ1.jpg"}, "非数値(5桁から2文字)"},
        {{"가01.jpg", "가1.jpg"}, "非数値(3桁から2文字)"},
        {{"\xF0\x9F\x93\x96" "01.jpg", "\xF0\x9F\x93\x96" "1.jpg"}, "非数値(3桁から2文字)"},
    };
    for (const auto& c : cases)
        ExpectFailure(Check(c.Names), "ファイルは連番形式ではありません", c.Names[0] + " " + c.Names[1] + " " + c.Detail);
}

TEST(CheckNumbering, GapsAndRepeats)
{
    ExpectFailure(Check({"img001.jpg", "img003.jpg"}), "連番になっていません", "img001.jpg img003.jpg");
    EXPECT_TRUE(Check({"img001.jpg", "img003.jpg"}, true).Passed);
    ExpectFailure(Check({"a1.jpg", "a2.jpg", "a2.png", "a3.jpg"}), "連番になっていません", "a2.jpg a2.png");
    EXPECT_TRUE(Check({"a1.jpg", "a2.jpg", "a2.png", "a3.jpg"}, true).Passed);
    ExpectFailure(Check({"a2.jpg", "a1.jpg"}), "連番になっていません", "a2.jpg a1.jpg");
    // no wrap-around
    ExpectFailure(Check({"99.jpg", "00.jpg"}), "連番になっていません", "99.jpg 00.jpg");
}

TEST(CheckNumbering, LongNumbersAreComparedExactly)
{
    // Beyond 15 digits a double would merge neighbours; the digit strings do not.
    EXPECT_TRUE(Check({"n12345678901234567890.jpg", "n12345678901234567891.jpg"}).Passed);
    ExpectFailure(Check({"n12345678901234567890.jpg", "n12345678901234567890.png"}), "連番になっていません",
                  "n12345678901234567890.jpg n12345678901234567890.png");
    ExpectFailure(Check({"n90071992547409920.jpg", "n90071992547409922.jpg"}), "連番になっていません",
                  "n90071992547409920.jpg n90071992547409922.jpg");
    EXPECT_TRUE(Check({"n9999999999999999999.jpg", "n9999999999999999999.jpg"}, true).Passed);
}

TEST(CheckNumbering, StopRequestEndsTheShapeCheck)
{
    int asked = 0;
    ExpectFailure(Check({"01.jpg", "02.jpg", "03.jpg"}, false, [&] { return ++asked == 2; }), "中断されました", "");
    EXPECT_EQ(asked, 2) << "asked once before each name after the first";
    // A single name has no shape check, so nothing asks.
    EXPECT_TRUE(Check({"01.jpg"}, false, [] { return true; }).Passed);
}
