#include "engine/ComicInfo.h"
#include "engine/VolumeName.h"
#include "engine/XmlWellFormed.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The sequence of the schema's ComicInfo type, as far as it matters here.
const std::vector<std::string> SchemaOrder{"Title", "Series", "Number", "Count", "Volume", "AlternateSeries",
                                           "Summary", "PageCount", "LanguageISO", "Format", "BlackAndWhite",
                                           "Manga", "Characters", "AgeRating", "Pages", "CommunityRating"};

// The children of <ComicInfo>, in document order.
std::vector<std::string> TopElements(const std::string& xml)
{
    std::vector<std::string> names;
    size_t at = xml.find("<ComicInfo");
    at = xml.find('>', at) + 1;
    while ((at = xml.find('<', at)) != std::string::npos) {
        if (xml.compare(at, 2, "</") == 0) break;
        const size_t end = xml.find_first_of(" />", at + 1);
        names.push_back(xml.substr(at + 1, end - at - 1));
        const std::string close = "</" + names.back() + ">";
        at = xml.find(close, at);
        if (at == std::string::npos) break;
        at += close.size();
    }
    return names;
}

std::string Between(const std::string& xml, const std::string& element)
{
    const size_t start = xml.find("<" + element + ">");
    if (start == std::string::npos) return "(none)";
    const size_t from = start + element.size() + 2;
    return xml.substr(from, xml.find("</" + element + ">") - from);
}

} // namespace

TEST(VolumeName, MarksAndSeries)
{
    struct Case {
        std::string Row, Series;
        std::optional<int> Volume;
    };
    const Case cases[] = {
        {"ワンピース 第3巻", "ワンピース", 3},
        {"ワンピース第３巻", "ワンピース", 3},
        {"ワンピース 12巻", "ワンピース", 12},
        {"銀河英雄伝説 上", "銀河英雄伝説", 1},
        {"銀河英雄伝説（中）", "銀河英雄伝説", 2},
        {"銀河英雄伝説 下巻", "銀河英雄伝説", 3},
        {"山下", "", std::nullopt},
        {"Akira Vol.3", "Akira", 3},
        {"Akira vol 03", "Akira", 3},
        {"Akira - v03", "Akira", 3},
        {"Akira #3", "Akira", 3},
        {"Akira (3)", "Akira", 3},
        {"Akira 03", "Akira", 3},
        {"Akira 03  ", "Akira", 3},
        {"Rev3", "", std::nullopt},
        {"Akira", "", std::nullopt},
        {"2001", "", 2001},
        {"作者\\シリーズ\\第01巻", "シリーズ", 1},
        {"作者\\シリーズ\\特別編", "シリーズ", std::nullopt},
        {"作者\\シリーズ\\外伝 2", "外伝", 2},
        {"シリーズ\\03", "シリーズ", 3},
    };
    for (const Case& test : cases) {
        const TVolumeName name = ParseVolumeName(test.Row);
        EXPECT_EQ(name.Series, test.Series) << test.Row;
        EXPECT_EQ(name.Volume, test.Volume) << test.Row;
    }
    EXPECT_EQ(ParseVolumeName("作者\\シリーズ\\第01巻").Title, "第01巻");
}

TEST(ComicInfoXml, ElementsInSchemaOrderWithTheirValues)
{
    TComicInfo info;
    info.Title = "Tom & Jerry <1> 第1巻 😀";
    info.Series = "Tom & Jerry <1>";
    info.Volume = 1;
    info.LanguageISO = "ja";
    info.Pages = {{1000, 800, 1200}, {2000, 1600, 1200}, {1100, 800, 1200}};
    const auto xml = ComicInfoXml(info);
    ASSERT_TRUE(xml);
    EXPECT_TRUE(IsWellFormedXml(*xml)) << *xml;
    const std::vector<std::string> names = TopElements(*xml);
    EXPECT_EQ(names, (std::vector<std::string>{"Title", "Series", "Number", "Volume", "PageCount", "LanguageISO",
                                               "Manga", "Pages"}));
    size_t last = 0;
    for (const std::string& name : names) {
        const auto at = std::find(SchemaOrder.begin(), SchemaOrder.end(), name);
        ASSERT_NE(at, SchemaOrder.end()) << name;
        EXPECT_GE(static_cast<size_t>(at - SchemaOrder.begin()), last) << name;
        last = static_cast<size_t>(at - SchemaOrder.begin());
    }
    EXPECT_EQ(Between(*xml, "Title"), "Tom &amp; Jerry &lt;1&gt; 第1巻 😀");
    EXPECT_EQ(Between(*xml, "Number"), "1");
    EXPECT_EQ(Between(*xml, "Volume"), "1");
    EXPECT_EQ(Between(*xml, "PageCount"), "3");
    EXPECT_EQ(Between(*xml, "Manga"), "YesAndRightToLeft");
    EXPECT_NE(xml->find("<Page Image=\"0\" Type=\"FrontCover\" ImageSize=\"1000\" ImageWidth=\"800\" ImageHeight=\"1200\" />"),
              std::string::npos);
    EXPECT_NE(xml->find("<Page Image=\"1\" DoublePage=\"true\" ImageSize=\"2000\""), std::string::npos);
    EXPECT_NE(xml->find("<Page Image=\"2\" ImageSize=\"1100\" ImageWidth"), std::string::npos);
}

TEST(ComicInfoXml, OnlyElementsWithAValue)
{
    TComicInfo info;
    info.Title = "Book";
    info.RightToLeft = false;
    info.Pages = {{10, 0, 0}};
    const auto xml = ComicInfoXml(info);
    ASSERT_TRUE(xml);
    EXPECT_EQ(TopElements(*xml), (std::vector<std::string>{"Title", "PageCount", "Manga", "Pages"}));
    EXPECT_EQ(Between(*xml, "Manga"), "No");
    EXPECT_EQ(xml->find("ImageWidth"), std::string::npos) << "an unknown size is left out";
    EXPECT_EQ(xml->find("'"), std::string::npos);
    info.Title = "it's \"so\"";
    EXPECT_EQ(Between(*ComicInfoXml(info), "Title"), "it&apos;s &quot;so&quot;");
}

TEST(ComicInfoXml, RefusesWhatXmlCannotCarry)
{
    for (const std::string& bad : {std::string("a\x01z"), std::string("a\xEF\xBF\xBFz"), std::string("a\xFF"),
                                  std::string("a\xED\xA0\x80z"), std::string("a\0z", 3)}) {
        TComicInfo info;
        info.Title = "ok";
        info.Series = bad;
        std::string refused;
        EXPECT_FALSE(ComicInfoXml(info, &refused));
        EXPECT_EQ(refused, bad);
    }
}

TEST(ComicInfoXml, DoublePages)
{
    struct Case {
        std::vector<TComicPage> Pages;
        std::vector<bool> Spreads;
    };
    const Case cases[] = {
        {{{1, 800, 1200}, {1, 1200, 1200}, {1, 800, 1200}}, {false, true, false}},      // exactly 1.5 times
        {{{1, 800, 1200}, {1, 1199, 1200}, {1, 800, 1200}}, {false, false, false}},
        {{{1, 1600, 1200}, {1, 800, 1200}}, {true, false}},                             // lower median
        {{{1, 1600, 1200}, {1, 3200, 1200}, {1, 1600, 1200}}, {false, false, false}},   // landscape book
        {{{1, 0, 0}, {1, 1600, 1200}, {1, 800, 1200}, {1, 800, 1200}}, {false, true, false, false}},
        {{{1, 0, 0}}, {false}},
    };
    for (const Case& test : cases) EXPECT_EQ(DoublePages(test.Pages), test.Spreads);
}

TEST(XmlWellFormed, Documents)
{
    struct Case {
        std::string Text;
        bool WellFormed;
    };
    const Case cases[] = {
        {"<ComicInfo/>", true},
        {"\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- c --><a x='1' y=\"&amp;&#x41;&#65;\"><b>t</b><![CDATA[<&]]><?pi x?></a>\n", true},
        {"<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", true},
        {std::string("\xFF\xFE<\0a\0/\0>\0", 10), true},
        {"", false},
        {"text", false},
        {"<a>", false},
        {"<a></b>", false},
        {"<a/><b/>", false},
        {"<a x=1/>", false},
        {"<a x='1' x='2'/>", false},
        {"<a x='1'y='2'/>", false},
        {"<a>&e;</a>", false},
        {"<a>&#0;</a>", false},
        {"<a>&</a>", false},
        {"<a>]]></a>", false},
        {"<a><!-- -- --></a>", false},
        {"<a>\x01</a>", false},
        {"<a>\xC3</a>", false},
        {"<a x='<'/>", false},
        {"<a/><?xml version='1.0'?>", false},
        {"<ComicInfo><Title>x</Title>", false},
    };
    for (const Case& test : cases) EXPECT_EQ(IsWellFormedXml(test.Text), test.WellFormed) << test.Text;
}
