#include "engine/PageStamps.h"

#include <algorithm>

TPageStamps::TPageStamps(TCheckDepth depth, uint32_t volume, std::vector<TPageStamp> pages)
    : Depth(depth), Volume(volume), Pages(std::move(pages))
{
    std::sort(Pages.begin(), Pages.end(), [](const TPageStamp& a, const TPageStamp& b) { return a.Path < b.Path; });
}

const TPageStamp* TPageStamps::Find(std::string_view path, uint32_t volume, TCheckDepth wanted) const
{
    if (volume != Volume || (wanted == TCheckDepth::Deep && Depth != TCheckDepth::Deep)) return nullptr;
    const auto at = std::lower_bound(Pages.begin(), Pages.end(), path,
                                     [](const TPageStamp& stamp, std::string_view key) { return stamp.Path < key; });
    return at != Pages.end() && at->Path == path ? &*at : nullptr;
}
