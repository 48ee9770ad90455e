#include "engine/PageStamps.h"

#include <algorithm>

TPageStamps::TPageStamps(TCheckDepth depth, std::vector<TPageStamp> pages) : Depth(depth), Pages(std::move(pages))
{
    std::sort(Pages.begin(), Pages.end(), [](const TPageStamp& a, const TPageStamp& b) { return a.Path < b.Path; });
}

const TPageStamp* TPageStamps::Find(std::string_view path, TCheckDepth wanted) const
{
    if (wanted == TCheckDepth::Deep && Depth != TCheckDepth::Deep) return nullptr;
    const auto at = std::lower_bound(Pages.begin(), Pages.end(), path,
                                     [](const TPageStamp& stamp, std::string_view key) { return stamp.Path < key; });
    return at != Pages.end() && at->Path == path ? &*at : nullptr;
}
