#pragma once
// The ComicInfo.xml a comic archive carries (schema 2.0 of the Anansi Project):
// what Fennoro knows of a book, written in the schema's sequence order, each
// element only when it has a value. Platform-free.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The name an archive's metadata file has; a folder's own one matches it without regard to case.
constexpr std::string_view ComicInfoFileName = "ComicInfo.xml";
bool IsComicInfoName(std::string_view fileName);

// One image of the book, in the order the archive holds them.
struct TComicPage {
    uint64_t Bytes = 0;
    uint32_t Width = 0;   // from the image's header; 0 when unknown
    uint32_t Height = 0;
};

struct TComicInfo {
    std::string Title;
    std::string Series;               // empty: none
    std::optional<int> Volume;        // written as Number and Volume both
    std::string LanguageISO;          // empty: none
    bool RightToLeft = true;          // Manga: YesAndRightToLeft, else No
    std::vector<TComicPage> Pages;
};

// Which pages are double-page spreads: at least 1.5 times as wide as the
// book's median page width (lower median of the pages whose size is known),
// while that median page is taller than wide. None when no size is known.
std::vector<bool> DoublePages(const std::vector<TComicPage>& pages);

// The document in UTF-8, or nullopt when a text holds what XML 1.0 cannot
// carry (a character outside its Char production, or bytes that are no UTF-8);
// `refused` then names that text. Nothing of such a document is written.
std::optional<std::string> ComicInfoXml(const TComicInfo& info, std::string* refused = nullptr);
