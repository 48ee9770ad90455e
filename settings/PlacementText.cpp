#include "settings/PlacementText.h"

#include "settings/IntegerText.h"
#include "settings/ListText.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

std::string FormatPlacementText(const Placement& placement)
{
    const PlacementRect& r = placement.Bounds;
    // Width and height in 64 bits: a hand-made extreme rectangle must not overflow.
    const auto width = static_cast<int64_t>(r.Right) - r.Left;
    const auto height = static_cast<int64_t>(r.Bottom) - r.Top;
    return std::to_string(r.Left) + ',' + std::to_string(r.Top) + ',' + std::to_string(width) + ',' +
           std::to_string(height) + ',' + std::to_string(placement.State);
}

Placement ApplyPlacementText(Placement placement, std::string_view text)
{
    const std::vector<std::string> items = SplitListText(text, ',');
    PlacementRect& r = placement.Bounds;
    for (size_t i = 0; i < items.size() && i < 5; ++i) {
        const auto value = ParseIntegerText(items[i]);
        if (!value) break;
        // Right and bottom are left plus width and top plus height, held to the
        // 32-bit range so that hand-edited extremes cannot overflow.
        const auto add = [](int32_t a, int32_t b) {
            return static_cast<int32_t>(std::clamp<int64_t>(int64_t{a} + b, INT32_MIN, INT32_MAX));
        };
        switch (i) {
        case 0: r.Left = *value; break;
        case 1: r.Top = *value; break;
        case 2: r.Right = add(r.Left, *value); break;
        case 3: r.Bottom = add(r.Top, *value); break;
        case 4: placement.State = *value; break;
        }
    }
    return placement;
}
