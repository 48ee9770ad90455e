#pragma once
// Each page's width and height as the find's page check read them from the
// headers, by the page's path inside the folder ("01.jpg", "sub\\01.jpg"):
// F8 writes them into ComicInfo.xml for the pages its stamps prove unchanged.
#include "pages/PageSize.h"

#include <map>
#include <string>

struct TPageSizes {
    std::map<std::string, TPageSize> ByPath;
};
