#include "engine/ComicInfo.h"

#include "engine/XmlText.h"

#include <algorithm>

namespace {

bool SameAsciiFolded(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

void Element(std::string& xml, std::string_view name, std::string_view value)
{
    xml += "  <";
    xml += name;
    xml += '>';
    xml += EscapeXml(value);
    xml += "</";
    xml += name;
    xml += ">\n";
}

} // namespace

bool IsComicInfoName(std::string_view fileName) { return SameAsciiFolded(fileName, ComicInfoFileName); }

std::vector<bool> DoublePages(const std::vector<TComicPage>& pages)
{
    std::vector<bool> spreads(pages.size(), false);
    std::vector<const TComicPage*> known;
    for (const TComicPage& page : pages)
        if (page.Width > 0 && page.Height > 0) known.push_back(&page);
    if (known.empty()) return spreads;
    const auto middle = known.begin() + static_cast<std::ptrdiff_t>((known.size() - 1) / 2);
    std::nth_element(known.begin(), middle, known.end(),
                     [](const TComicPage* a, const TComicPage* b) { return a->Width < b->Width; });
    const TComicPage& median = **middle;
    if (median.Height <= median.Width) return spreads;
    for (size_t i = 0; i < pages.size(); ++i) {
        // 2 w >= 3 m: at least 1.5 times as wide, in integers.
        if (pages[i].Height > 0 && uint64_t{pages[i].Width} * 2 >= uint64_t{median.Width} * 3) spreads[i] = true;
    }
    return spreads;
}

std::optional<std::string> ComicInfoXml(const TComicInfo& info, std::string* refused)
{
    for (const std::string* text : {&info.Title, &info.Series, &info.LanguageISO}) {
        if (IsXmlText(*text)) continue;
        if (refused) *refused = *text;
        return std::nullopt;
    }
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                      "<ComicInfo xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
                      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
    // The schema's sequence: Title, Series, Number, Count, Volume, ..., PageCount,
    // LanguageISO, Format, BlackAndWhite, Manga, ..., AgeRating, Pages.
    if (!info.Title.empty()) Element(xml, "Title", info.Title);
    if (!info.Series.empty()) Element(xml, "Series", info.Series);
    if (info.Volume) Element(xml, "Number", std::to_string(*info.Volume));
    if (info.Volume) Element(xml, "Volume", std::to_string(*info.Volume));
    Element(xml, "PageCount", std::to_string(info.Pages.size()));
    if (!info.LanguageISO.empty()) Element(xml, "LanguageISO", info.LanguageISO);
    Element(xml, "Manga", info.RightToLeft ? "YesAndRightToLeft" : "No");
    if (!info.Pages.empty()) {
        const std::vector<bool> spreads = DoublePages(info.Pages);
        xml += "  <Pages>\n";
        for (size_t i = 0; i < info.Pages.size(); ++i) {
            const TComicPage& page = info.Pages[i];
            xml += "    <Page Image=\"" + std::to_string(i) + '"';
            if (i == 0) xml += " Type=\"FrontCover\"";
            if (spreads[i]) xml += " DoublePage=\"true\"";
            xml += " ImageSize=\"" + std::to_string(page.Bytes) + '"';
            // xs:int: a size past its range is left out rather than written wrong.
            if (page.Width > 0 && page.Height > 0 && page.Width <= INT32_MAX && page.Height <= INT32_MAX) {
                xml += " ImageWidth=\"" + std::to_string(page.Width) + "\" ImageHeight=\"" +
                       std::to_string(page.Height) + '"';
            }
            xml += " />\n";
        }
        xml += "  </Pages>\n";
    }
    xml += "</ComicInfo>\n";
    return xml;
}
