#pragma once
// The remark of a folder whose page is damaged: the page's name, then what is
// wrong with it in a few words.
#include "pages/ImageCheck.h"

#include <string>
#include <string_view>

// name, a blank, and the fault in words ("途中で切れています", "1234 バイト目付近の
// データが壊れています", ...); the name alone for a whole page.
std::string DamagedPageRemark(std::string_view name, const TPageVerdict& verdict);
