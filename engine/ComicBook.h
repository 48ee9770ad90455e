#pragma once
// What F8 writes into an archive for comic readers: whether a format gets a
// ComicInfo.xml at all, and the book's fields from its row and pages.
// Platform-free.
#include "engine/ComicInfo.h"

#include <string>
#include <string_view>
#include <vector>

enum class TComicInfoMode : int { None = 0, CbzOnly = 1, EveryFormat = 2 };

struct TComicInfoOptions {
    TComicInfoMode Mode = TComicInfoMode::CbzOnly;
    bool RightToLeft = true;
    std::string LanguageISO = "ja";
};

// Whether an archive of this extension gets a ComicInfo.xml: ".cbz" alone, or
// every format that holds files by name (not the one-stream compressors).
bool WantsComicInfo(const TComicInfoOptions& options, std::string_view archiveExtension);

// Whether a file of a book is one of its images, by its extension: the four
// the page check reads and the other image formats comic readers show.
bool IsComicImageName(std::string_view fileName);

// The book of a row ("作者\シリーズ\第01巻" or a plain name) with its pages.
TComicInfo ComicBookInfo(std::string_view rowName, std::vector<TComicPage> pages, const TComicInfoOptions& options);
