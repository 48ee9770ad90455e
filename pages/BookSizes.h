#pragma once
// The pages of a book whose size stands out from the rest: a spread (two pages
// scanned as one) and a page of another size (an insert, a page scanned at
// another resolution). The median page is the book's size, so a few odd pages
// do not move it.
#include "pages/PageSize.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TBookSizes {
    std::vector<size_t> Spreads;    // indexes of pages at least 1.5 times the median width and of its height, the book's pages portrait
    std::vector<size_t> OtherSize;  // indexes of other pages more than 10% from the median in either dimension
};

// sizes: the book's pages in order; a page of unknown size ({0,0}) is passed
// over. Fewer than three pages of known size have no median to stand out from.
TBookSizes FindOddSizes(const std::vector<TPageSize>& sizes);

// "見開き p012 p013 サイズ違い p004": the pages by their place in the book, from 1;
// empty when no page stands out.
std::string OddSizesRemark(const TBookSizes& found);
